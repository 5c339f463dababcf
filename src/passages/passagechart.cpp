#include "passages/passagechart.h"

#include "common/clock.h"
#include "common/dialogs.h"
#include "common/guard.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "passages/passagearchive.h"
#include "passages/texts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {
namespace A = texts::passages::archive;

QChartView *chartView(QWidget *parent, const char *name)
{
    auto *view = new QChartView(new QChart, parent);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(260);
    return view;
}

// A count axis that ends on a round number, at least 1.
QValueAxis *countAxis(int largest)
{
    auto *axis = new QValueAxis;
    axis->setTitleText(A::AxisCount);
    axis->setLabelFormat(QStringLiteral("%d"));
    const int top = qMax(1, largest);
    axis->setRange(0, top);
    // Small counts get a tick per whole number; larger ones round ticks.
    if (top <= 10)
        axis->setTickCount(top + 1);
    else
        axis->applyNiceNumbers();
    return axis;
}
} // namespace

PassageChart::PassageChart(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_from(new QDateTimeEdit(this))
    , m_to(new QDateTimeEdit(this))
    , m_refresh(new QPushButton(A::ChartRefresh, this))
    , m_save(new QPushButton(A::ChartSave, this))
    , m_summary(new QLabel(this))
    , m_charts(new QWidget(this))
{
    setObjectName(QStringLiteral("PassageChart"));
    setWindowTitle(A::ChartCaption);
    m_from->setObjectName(QStringLiteral("dtpChartFrom"));
    m_to->setObjectName(QStringLiteral("dtpChartTo"));
    m_refresh->setObjectName(QStringLiteral("btnChartRefresh"));
    m_save->setObjectName(QStringLiteral("btnChartSave"));
    m_summary->setObjectName(QStringLiteral("lblChartSummary"));
    m_charts->setObjectName(QStringLiteral("chartArea"));
    for (QDateTimeEdit *picker : {m_from, m_to}) {
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    m_dailyView = chartView(m_charts, "chartDaily");
    m_expiringView = chartView(m_charts, "chartExpiring");

    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(A::FromLabel, this));
    bar->addWidget(m_from);
    bar->addWidget(new QLabel(A::ToLabel, this));
    bar->addWidget(m_to);
    bar->addWidget(m_refresh);
    bar->addWidget(m_save);
    bar->addWidget(m_summary, 1);
    layout->addLayout(bar);
    auto *charts = new QVBoxLayout(m_charts);
    charts->setContentsMargins(0, 0, 0, 0);
    charts->addWidget(m_dailyView, 3);
    charts->addWidget(m_expiringView, 2);
    layout->addWidget(m_charts, 1);
    resize(960, 720);

    connect(m_refresh, &QPushButton::clicked, this, [this] { guarded([this] { refresh(); }); });
    connect(m_save, &QPushButton::clicked, this, [this] { saveClick(); });
    const QDate today = appclock::today();
    setRange(today.addMonths(-1), today);
}

void PassageChart::setRange(const QDate &from, const QDate &to)
{
    m_from->setDate(from);
    m_to->setDate(to);
}

void PassageChart::refresh()
{
    // A connection of its own, for reading: the passage window's record view stays as it is.
    db::Handle db = db::openDatabase(Datafrm->con->databasePath(),
                                     QString::fromLatin1(db::DatabasePassword), true);
    QDate from = m_from->date(), to = m_to->date();
    if (from > to)
        std::swap(from, to);
    const QList<passagearchive::DayCount> days = passagearchive::passagesPerDay(db.get(), from, to);
    const QList<passagearchive::MonthCount> months =
        passagearchive::cardsExpiringPerMonth(db.get(), appclock::today());
    drawDaily(days);
    drawExpiring(months);
    int in = 0, out = 0, expiring = 0;
    for (const auto &d : days) {
        in += d.in;
        out += d.out;
    }
    for (const auto &m : months)
        expiring += m.cards;
    m_summary->setText(A::ChartSummary.arg(in).arg(out).arg(expiring));
}

void PassageChart::drawDaily(const QList<passagearchive::DayCount> &days)
{
    QChart *chart = m_dailyView->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);
    chart->setTitle(A::DailyTitle);
    auto *in = new QLineSeries;
    in->setName(A::SeriesIn);
    auto *out = new QLineSeries;
    out->setName(A::SeriesOut);
    int largest = 0;
    for (const auto &d : days) {
        const qreal x = qreal(QDateTime(d.day, QTime(0, 0)).toMSecsSinceEpoch());
        in->append(x, d.in);
        out->append(x, d.out);
        largest = qMax(largest, qMax(d.in, d.out));
    }
    chart->addSeries(in);
    chart->addSeries(out);
    auto *x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("MM-dd"));
    x->setTickCount(qBound(2, int(days.size()), 10));
    if (!days.isEmpty())
        x->setRange(QDateTime(days.first().day, QTime(0, 0)),
                    QDateTime(days.last().day, QTime(0, 0)));
    chart->addAxis(x, Qt::AlignBottom);
    QValueAxis *y = countAxis(largest);
    chart->addAxis(y, Qt::AlignLeft);
    for (QLineSeries *s : {in, out}) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

void PassageChart::drawExpiring(const QList<passagearchive::MonthCount> &months)
{
    QChart *chart = m_expiringView->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);
    chart->setTitle(A::ExpiringTitle);
    auto *set = new QBarSet(A::SeriesExpiring);
    QStringList labels;
    int largest = 0;
    for (const auto &m : months) {
        *set << m.cards;
        labels << m.month.toString(QStringLiteral("yyyy-MM"));
        largest = qMax(largest, m.cards);
    }
    auto *series = new QBarSeries;
    series->append(set);
    series->setLabelsVisible(true);
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(labels);
    chart->addAxis(x, Qt::AlignBottom);
    QValueAxis *y = countAxis(largest);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
}

bool PassageChart::saveClick()
{
    QString path = Dialogs::saveFileName(A::SaveTitle, A::SaveFilter, A::SaveName, this);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    if (!m_charts->grab().save(path, "PNG")) {
        Dialogs::error(A::SaveFailed.arg(QDir::toNativeSeparators(path)), this);
        return false;
    }
    m_summary->setText(A::Saved.arg(QDir::toNativeSeparators(path)));
    return true;
}
