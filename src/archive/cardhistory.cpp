#include "archive/cardhistory.h"

#include "archive/exportdbgrid.h"
#include "archive/reports.h"
#include "archive/texts.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "db/cardlog.h"
#include "db/datafrm.h"
#include "db/dbcontrols.h"
#include "db/ownerarchive.h"
#include "db/query.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

namespace T = texts::archive;

CardHistoryWindow::CardHistoryWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("CardHistory"));
    setWindowTitle(T::HistoryTitle);
    build();
}

CardHistoryWindow::~CardHistoryWindow() = default;

void CardHistoryWindow::build()
{
    auto named = [](auto *w, const char *name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    cardField = named(new QLineEdit, "histCard");
    cardField->setMaxLength(8);
    plateField = named(new QLineEdit, "histPlate");
    accountField = named(new QLineEdit, "histAccount");
    byDaysCheck = named(new QCheckBox(QStringLiteral("按日期")), "histByDays");
    fromPicker = named(new QDateEdit, "histFrom");
    toPicker = named(new QDateEdit, "histTo");
    for (QDateEdit *picker : {fromPicker, toPicker}) {
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        picker->setEnabled(false);
    }
    searchButton = named(new QPushButton(QStringLiteral("查询")), "histSearch");
    exportButton = named(new QPushButton(QStringLiteral("导出")), "histExport");
    printButton = named(new QPushButton(QStringLiteral("打印")), "histPrint");
    deleteButton = named(new QPushButton(QStringLiteral("删除此卡历史")), "histDelete");
    closeButton = named(new QPushButton(QStringLiteral("关闭")), "histClose");
    grid = named(new QTableView, "histGrid");
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->horizontalHeader()->setStretchLastSection(true);
    countLabel = named(new QLabel, "histCount");

    auto *conditions = new QHBoxLayout;
    const std::pair<const char *, QWidget *> fields[] = {
        {"卡片内码:", cardField}, {"车牌号码:", plateField}, {"操作员:", accountField}};
    for (const auto &[caption, field] : fields) {
        conditions->addWidget(new QLabel(QString::fromUtf8(caption)));
        conditions->addWidget(field);
    }
    conditions->addWidget(byDaysCheck);
    conditions->addWidget(new QLabel(QStringLiteral("从")));
    conditions->addWidget(fromPicker);
    conditions->addWidget(new QLabel(QStringLiteral("到")));
    conditions->addWidget(toPicker);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(countLabel, 1);
    for (QPushButton *b : {searchButton, exportButton, printButton, deleteButton, closeButton})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(conditions);
    layout->addWidget(grid, 1);
    layout->addLayout(buttons);
    resize(1000, 560);

    connect(byDaysCheck, &QCheckBox::toggled, this, [this](bool on) {
        fromPicker->setEnabled(on);
        toPicker->setEnabled(on);
    });
    connect(searchButton, &QPushButton::clicked, this, [this] { guarded([this] { search(); }); });
    for (QLineEdit *field : {cardField, plateField, accountField})
        connect(field, &QLineEdit::returnPressed, searchButton, &QPushButton::click);
    connect(exportButton, &QPushButton::clicked, this, [this] {
        if (ensureQuery())
            exportHistoryGrid(m_query, this);
    });
    connect(printButton, &QPushButton::clicked, this, [this] {
        if (ensureQuery())
            previewCardHistory(m_query, this);
    });
    connect(deleteButton, &QPushButton::clicked, this,
            [this] { guarded([this] { deleteCardHistory(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

bool CardHistoryWindow::ensureQuery()
{
    if (!Datafrm)
        return false;
    // On the data module's connection, and gone with it.
    if (Datafrm->ensureOwnQuery(m_query, QStringLiteral("historyQuery"))) {
        m_source = new DataSource(m_query, m_query);
        if (!m_model) {
            m_model = new QueryTableModel(nullptr, this);
            grid->setModel(m_model);
            // The row the user picks is the query's current record (what Delete acts on).
            connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                    [this](const QModelIndex &current) {
                        if (current.isValid())
                            m_model->setCurrentRow(current.row());
                    });
        }
        m_model->setDataSource(m_source);
        // Every column but the row number, titled by its name.
        QList<QueryTableModel::Column> columns;
        for (const char *name :
             {"操作时间", "操作员", "操作", "卡片内码", "车辆编号", "车牌号码", "原有效期限",
              "新有效期限", "原卡片状态", "新卡片状态", "门组", "结果"})
            columns.append({QString::fromUtf8(name), QString::fromUtf8(name)});
        m_model->setColumns(columns);
    }
    return true;
}

void CardHistoryWindow::showFor(const QString &cardCode)
{
    cardField->setText(cardCode);
    plateField->clear();
    accountField->clear();
    byDaysCheck->setChecked(false);
    const QDate today = appclock::today();
    fromPicker->setDate(today.addMonths(-1));
    toPicker->setDate(today);
    deleteButton->setEnabled(isAdministrator());
    if (!isVisible()) {
        if (const QScreen *s = screen())
            move(s->availableGeometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
    guarded([this] { search(); });
}

void CardHistoryWindow::search()
{
    if (!ensureQuery())
        return;
    cardlog::Search conditions{cardField->text().trimmed(), plateField->text().trimmed(),
                               accountField->text().trimmed()};
    if (byDaysCheck->isChecked()) {
        conditions.from = fromPicker->date();
        conditions.to = toPicker->date();
    }
    m_query->setFetchByPage(true);
    owners::open(*m_query, cardlog::selection(conditions));
    countLabel->setText(T::HistoryCount.arg(m_query->recordCount()));
    grid->resizeColumnsToContents();
}

void CardHistoryWindow::deleteCardHistory()
{
    if (!isAdministrator()) {
        Dialogs::message(T::HistoryAdminOnly, this);
        return;
    }
    // The whole code of the selected row, or the one typed.
    QString card = cardField->text().trimmed();
    if (m_query && m_query->isActive() && m_query->recNo() > 0)
        card = m_query->fieldByName(QStringLiteral("卡片内码")).asString();
    if (card.size() != 8) {
        Dialogs::message(T::HistoryNoCard, this);
        return;
    }
    if (Dialogs::box(T::HistoryDeleteQuestion.arg(card), T::DeleteCaption, Dialogs::YesNo,
                     Dialogs::Question, this) != Dialogs::Yes)
        return;
    if (m_query)
        m_query->close();
    const int deleted = cardlog::deleteHistoryOf(*Datafrm->con, card);
    Dialogs::message(T::HistoryDeleted.arg(card).arg(deleted), this);
    search();
}
