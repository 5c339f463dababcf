#include "passages/archivesearch.h"

#include "archive/exportdbgrid.h"
#include "archive/reports.h"
#include "archive/texts.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/guard.h"
#include "common/keys.h"
#include "db/datafrm.h"
#include "db/query.h"
#include "passages/passagearchive.h"
#include "passages/passagechart.h"
#include "passages/texts.h"
#include "shell/forms.h"
#include "shell/widgets.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
namespace A = texts::passages::archive;

template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

ArchiveSearchPanel::ArchiveSearchPanel(QWidget *parent)
    : QGroupBox(A::PanelTitle, parent)
    , m_from(named(new QDateTimeEdit(this), "dtpArchiveFrom"))
    , m_to(named(new QDateTimeEdit(this), "dtpArchiveTo"))
    , m_card(named(new QLineEdit(this), "edtArchiveCard"))
    , m_plate(named(new QLineEdit(this), "edtArchivePlate"))
    , m_flagged(named(new QCheckBox(A::FlaggedOnly, this), "chkArchiveFlagged"))
    , m_search(named(new QPushButton(A::SearchButton, this), "btnArchiveSearch"))
    , m_export(named(new QPushButton(A::ExportButton, this), "btnArchiveExport"))
    , m_print(named(new QPushButton(A::PrintButton, this), "btnArchivePrint"))
    , m_chartOpen(named(new QPushButton(A::ChartButton, this), "btnArchiveChart"))
    , m_imported(named(new QLabel(this), "lblArchiveImport"))
{
    setObjectName(QStringLiteral("grpArchive"));
    for (QDateTimeEdit *picker : {m_from, m_to}) {
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    keepHexDigitsOnly(m_card, 8);
    m_plate->setMaxLength(8);
    m_card->setToolTip(A::SearchHint);
    m_plate->setToolTip(A::SearchHint);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->addWidget(new QLabel(A::FromLabel, this), 0, 0);
    grid->addWidget(m_from, 0, 1);
    grid->addWidget(new QLabel(A::ToLabel, this), 0, 2);
    grid->addWidget(m_to, 0, 3);
    grid->addWidget(new QLabel(A::CardLabel, this), 0, 4);
    grid->addWidget(m_card, 0, 5);
    grid->addWidget(new QLabel(A::PlateLabel, this), 0, 6);
    grid->addWidget(m_plate, 0, 7);
    grid->addWidget(m_flagged, 0, 8);
    grid->addWidget(m_search, 0, 9);
    grid->addWidget(m_export, 0, 10);
    grid->addWidget(m_print, 0, 11);
    grid->addWidget(m_chartOpen, 0, 12);
    grid->addWidget(m_imported, 1, 0, 1, 13);

    connect(m_search, &QPushButton::clicked, this, [this] { guarded([this] { searchClick(); }); });
    connect(m_export, &QPushButton::clicked, this, [this] { guarded([this] { exportClick(); }); });
    connect(m_print, &QPushButton::clicked, this, [this] { guarded([this] { printClick(); }); });
    connect(m_chartOpen, &QPushButton::clicked, this, [this] { chartClick(); });
    // Enter in a field searches, as the button would.
    for (QLineEdit *edit : {m_card, m_plate})
        connect(edit, &QLineEdit::returnPressed, this, [this] { m_search->click(); });
    reset();
}

void ArchiveSearchPanel::reset()
{
    const QDate today = appclock::today();
    m_from->setDateTime(QDateTime(today.addMonths(-1), QTime(0, 0, 0)));
    m_to->setDateTime(QDateTime(today, QTime(23, 59, 59)));
    m_card->clear();
    m_plate->clear();
    m_flagged->setChecked(false);
    m_imported->clear();
}

bool ArchiveSearchPanel::showing()
{
    // The window's own commands put other statements on the record view.
    const Query *q = Datafrm->QryJL1;
    return q->isActive() && q->sqlText().contains(QStringLiteral(" from CRJLDA "));
}

void ArchiveSearchPanel::importDone(int archived, int alreadyThere)
{
    m_imported->setText(A::Imported.arg(archived).arg(alreadyThere));
}

void ArchiveSearchPanel::searchClick()
{
    passagearchive::Search search;
    search.from = QDateTime(m_from->date(), QTime(0, 0));
    search.to = QDateTime(m_to->date(), QTime(23, 59));
    if (search.from > search.to) {
        Dialogs::message(A::RangeReversed, window());
        return;
    }
    search.card = m_card->text().trimmed();
    search.plate = m_plate->text().trimmed();
    search.flaggedOnly = m_flagged->isChecked();
    const passagearchive::Statement statement = passagearchive::searchStatement(search);
    Query *q = Datafrm->QryJL1;
    q->close();
    q->setSQL(statement.sql);
    for (const auto &[name, value] : statement.parameters)
        q->setParameter(name, value);
    q->open();
    if (q->recordCount() == 0) {
        emit status(A::NothingFound);
        Dialogs::message(A::NothingFound, window());
        return;
    }
    emit status((search.flaggedOnly ? A::FoundFlagged : A::Found).arg(q->recordCount()));
}

void ArchiveSearchPanel::exportClick()
{
    if (!showing()) {
        Dialogs::message(A::NothingToExport, window());
        return;
    }
    ExportDBGrid(Datafrm->QryJL1, A::ExportName, texts::archive::PassageExportTitle, window());
}

void ArchiveSearchPanel::printClick()
{
    if (!showing()) {
        Dialogs::message(A::NothingToExport, window());
        return;
    }
    // The report reads a copy of the rows; the grid keeps its view.
    if (CRJLBB->preview(Datafrm->QryJL1, window()))
        emit status(A::PrintingArchive);
}

PassageChart *ArchiveSearchPanel::chartWindow() const
{
    return m_chart;
}

void ArchiveSearchPanel::chartClick()
{
    if (!m_chart) {
        m_chart = new PassageChart(window());
        m_chart->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_chart->setRange(m_from->date(), m_to->date());
    m_chart->show();
    m_chart->raise();
    m_chart->activateWindow();
    guarded([this] { m_chart->refresh(); });
}
