// The owner archive window: building, showing, the searches and the lists, and the way back to
// the card tab. Editing, saving and deleting records are in tform7_records.cpp.
#include "archive/tform7.h"

#include "archive/archivegrid.h"
#include "archive/archivelogic.h"
#include "archive/cardhistory.h"
#include "archive/exportdbgrid.h"
#include "archive/reports.h"
#include "archive/texts.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/keys.h"
#include "db/datafrm.h"
#include "db/dberror.h"
#include "shell/forms.h"
#include "shell/texts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace T = texts::archive;

TForm7::TForm7(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(T::Caption);
    build();
    wire();
}

TForm7::~TForm7() = default;

void TForm7::build()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);

    auto *panel = new QWidget(this);
    auto *rows = new QVBoxLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &caption, const char *name) {
        auto *b = new QPushButton(caption, panel);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    btnAddCmd = button(QStringLiteral("添加&A"), "btnAddCmd");
    btnEditCmd = button(QStringLiteral("编辑&E"), "btnEditCmd");
    btn2 = button(QStringLiteral("保存&S"), "btn2");
    btnDelCmd = button(QStringLiteral("删除&D"), "btnDelCmd");
    btnSeaCmd = button(QStringLiteral("查询&G"), "btnSeaCmd");
    btnAllSeaCmd = button(QStringLiteral("全部显示"), "btnAllSeaCmd");
    btn3 = button(QStringLiteral("过期档案"), "btn3");
    btn1 = button(QStringLiteral("打印&F"), "btn1");
    btn4 = button(QStringLiteral("导出&B"), "btn4");
    btnHistory = button(QStringLiteral("卡片历史&H"), "btnHistory");
    btnExitCmd = button(QStringLiteral("退出&C"), "btnExitCmd");
    buttons->addStretch(1);
    btnSeaCmd->setEnabled(false);
    btn2->setEnabled(false);
    rows->addLayout(buttons);

    auto *edits = new QHBoxLayout;
    auto edit = [&](const QString &label, const char *name) {
        edits->addWidget(new QLabel(label, panel));
        auto *e = new QLineEdit(panel);
        e->setObjectName(QString::fromLatin1(name));
        edits->addWidget(e, 1);
        return e;
    };
    edt1 = edit(T::CardCodeLabel, "edt1");
    edt1->setMaxLength(10);
    edt1->setText(T::Edt1Initial);
    // Only hexadecimal digits are typed here: no input method composes Chinese text into it.
    edt1->setAttribute(Qt::WA_InputMethodEnabled, false);
    edtGhCode = edit(T::PlateLabel, "edtGhCode");
    edtXmEdt = edit(T::KeywordLabel, "edtXmEdt");
    lbl5 = new QLabel(T::DateLabel, panel);
    lbl6 = new QLabel(panel);
    edits->addSpacing(12);
    edits->addWidget(lbl5);
    edits->addWidget(lbl6);
    rows->addLayout(edits);
    layout->addWidget(panel);

    DBFLGrid = new QTableView(this);
    DBFLGrid->setObjectName(QStringLiteral("DBFLGrid"));
    DBFLGridModel = new ArchiveGridModel(this);
    DBFLGrid->setModel(DBFLGridModel);
    DBFLGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                              QAbstractItemView::EditKeyPressed);
    DBFLGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    DBFLGrid->setWordWrap(false);
    // Fixed row heights and column widths: nothing has to look at 100 000 rows to lay them out.
    DBFLGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBFLGrid->verticalHeader()->setDefaultSectionSize(22);
    DBFLGrid->verticalHeader()->hide();
    DBFLGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBFLGrid->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {64, 78, 76, 84, 64, 96, 96, 76, 110, 150, 60};
    for (int c = 0; c < int(std::size(widths)); ++c)
        DBFLGrid->setColumnWidth(c, widths[c]);
    layout->addWidget(DBFLGrid, 1);

    statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    wtxt1 = new QLabel(statusBar);
    wtxt1->setAutoFillBackground(true);
    QPalette yellow = wtxt1->palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 0));
    wtxt1->setPalette(yellow);
    wtxt2 = new QLabel(statusBar);
    wtxt3 = new QLabel(statusBar);
    statusBar->addWidget(wtxt1, 3);
    statusBar->addWidget(wtxt2, 1);
    statusBar->addWidget(wtxt3, 1);
    layout->addWidget(statusBar);
}

void TForm7::wire()
{
    auto on = [this](QPushButton *b, void (TForm7::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    on(btnAddCmd, &TForm7::btnAddCmdClick);
    on(btnEditCmd, &TForm7::btnEditCmdClick);
    on(btnDelCmd, &TForm7::btnDelCmdClick);
    on(btnExitCmd, &TForm7::btnExitCmdClick);
    on(btnSeaCmd, &TForm7::btnSeaCmdClick);
    on(btnAllSeaCmd, &TForm7::btnAllSeaCmdClick);
    on(btn1, &TForm7::btn1Click);
    on(btn2, &TForm7::btn2Click);
    on(btn3, &TForm7::btn3Click);
    on(btn4, &TForm7::btn4Click);
    on(btnHistory, &TForm7::btnHistoryClick);
    connect(edt1, &QLineEdit::textChanged, this, [this] { guarded([this] { edt1Change(); }); });
    connect(edtGhCode, &QLineEdit::textChanged, this, [this] { edtGhCodeChange(); });
    connect(edtXmEdt, &QLineEdit::textChanged, this, [this] { edtXmEdtChange(); });
    for (QWidget *w :
         {static_cast<QWidget *>(edt1), static_cast<QWidget *>(edtGhCode),
          static_cast<QWidget *>(edtXmEdt), static_cast<QWidget *>(DBFLGrid), DBFLGrid->viewport()})
        w->installEventFilter(this);

    // The grid and the query move together. While the query itself adds, removes or reloads
    // rows the view moves its current cell on its own; moving the query then would change it in
    // the middle of that step (see bindArchive()).
    connect(DBFLGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (m_modelChanging != 0 || !current.isValid() ||
                    current.row() == DBFLGridModel->currentRow())
                    return;
                if (!settleUnsavedChange()) {
                    // The change could not be saved: the record stays current, with it.
                    QTimer::singleShot(0, this, [this, previous] {
                        if (previous.isValid())
                            DBFLGrid->setCurrentIndex(previous);
                    });
                    return;
                }
                guarded([&] { DBFLGridModel->setCurrentRow(current.row()); });
            });
    connect(DBFLGridModel, &QueryTableModel::currentRowChanged, this, [this](int row) {
        if (row < 0 || DBFLGrid->currentIndex().row() == row)
            return;
        const int column = qMax(0, DBFLGrid->currentIndex().column());
        DBFLGrid->setCurrentIndex(DBFLGridModel->index(row, column));
    });
    connect(DBFLGridModel, &QAbstractItemModel::modelReset, this, [this] {
        const int row = DBFLGridModel->currentRow();
        if (row >= 0)
            DBFLGrid->setCurrentIndex(DBFLGridModel->index(row, 0));
    });
}

// ---------------------------------------------------------------------------------------------
// Helpers

Query *TForm7::archive() const
{
    if (!Datafrm)
        throw DbError(QStringLiteral("Qryda1: no data module"));
    // The data module is created after the main window; bind on first use.
    if (DBFLGridModel->dataSource() != Datafrm->DSda1)
        const_cast<TForm7 *>(this)->bindArchive();
    return Datafrm->Qryda1;
}

void TForm7::bindArchive()
{
    Query *q = Datafrm->Qryda1;
    // Connected before the grid model: these run before the view hears of the change.
    m_modelChanging = 0;
    for (auto begin : {&Query::rowAboutToBeInserted, &Query::rowAboutToBeRemoved})
        connect(q, begin, this, [this] { ++m_modelChanging; });
    for (auto end : {&Query::rowInserted, &Query::rowRemoved})
        connect(q, end, this, [this] { --m_modelChanging; });
    connect(q, &Query::aboutToReset, this, [this] { ++m_modelChanging; });
    connect(q, &Query::resetDone, this, [this] { --m_modelChanging; });
    DBFLGridModel->setDataSource(Datafrm->DSda1);
}

int TForm7::count() const
{
    if (!Datafrm || !Datafrm->Qryda1->isActive())
        return 0;
    return Datafrm->Qryda1->recordCount();
}

void TForm7::select(const owners::Selection &selection)
{
    Query *q = archive();
    // Closing the last open query closes the file, and opening it again derives the key anew:
    // a moment's holder keeps the connection between the two steps.
    Query holder(Datafrm->con);
    if (q->isActive()) {
        holder.setSQL(QStringLiteral("select 1"));
        holder.open();
    }
    // The grid reads the rows it shows, a page at a time, wherever it is moved: a large
    // archive shows at once and still counts every record.
    q->setFetchByPage(true);
    owners::open(*q, selection);
}

void TForm7::setPane(const QString &text)
{
    wtxt1->setText(text);
}

bool TForm7::modeActive() const
{
    if (cardModeActive)
        return cardModeActive();
    return false;
}

void TForm7::showExpiringArchive()
{
    m_listExpiring = true;
    showArchive();
}

void TForm7::showArchive()
{
    show();
    raise();
    activateWindow();
}

// ---------------------------------------------------------------------------------------------
// Showing

void TForm7::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm7::FormShow()
{
    setFixedSize(1024, 630);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    const QDate today = appclock::today();
    emit cardTabDateRequested(today);
    lbl6->setText(today.toString(texts::shell::DateFormat));
    DBFLGridModel->applyColumns();

    if (!m_listExpiring) {
        guarded([this] {
            select(owners::everyRecord());
            archive()->cancel();
            const int n = count();
            if (n == 0) {
                emit cardSaveDisableRequested();
            } else {
                btnDelCmd->setEnabled(true);
            }
            emit archiveSaveDisableRequested();
            setPane(T::Entered(n));
        });
        return;
    }

    bool nothing = false;
    try {
        const QDate horizon = expiringUntil ? expiringUntil() : today.addDays(10);
        select(archive::expiringSelection(today, horizon));
        if (count() > 0) {
            archive()->last();
            setPane(T::ExpiringFound(count()));
        } else {
            setPane(T::NoExpiring);
            nothing = true;
        }
    } catch (const std::exception &) {
        // The expiring-soon list shows what it can; a failure leaves the window as it is.
    }
    if (nothing) {
        // Without the reset the next opening would hide again at once.
        m_listExpiring = false;
        hide();
        emit cardTabShowRequested();
    }
}

// ---------------------------------------------------------------------------------------------
// Lists and searches

void TForm7::btnAllSeaCmdClick()
{
    btn2->setEnabled(false);
    select(owners::byVehicleNumber());
    const int n = count();
    if (n > 0) {
        Query *q = archive();
        q->last();
        if (q->fieldByName(QStringLiteral("车辆编号")).asString().isEmpty())
            Dialogs::message(T::EmptyId, this);
    }
    setPane(T::AllShown(n));
}

void TForm7::btnSeaCmdClick()
{
    btn2->setEnabled(false);
    const archive::Search s =
        archive::chooseSearch(edt1->text(), edtGhCode->text(), edtXmEdt->text());
    if (s.field == archive::SearchField::None) {
        Dialogs::box(T::EnterCondition, T::CheckInput, Dialogs::OkOnly, Dialogs::Warning, this);
        return;
    }
    select(archive::searchSelection(s));
    const int n = count();
    if (n > 0) {
        setPane(T::Found(n));
    } else {
        setPane(T::NothingFoundPane);
        Dialogs::message(T::NothingFound, this);
    }
}

void TForm7::btn3Click()
{
    try {
        select(archive::expiredSelection(appclock::today()));
        const int n = count();
        if (n > 0) {
            archive()->last();
            setPane(T::ExpiredFound(n));
        } else {
            setPane(T::NoExpired);
        }
    } catch (const std::exception &) {
        // The expired list shows what it can; a failure leaves the window as it is.
    }
}

// ---------------------------------------------------------------------------------------------
// Search edits

void TForm7::edt1Change()
{
    if (m_clearing)
        return;
    const QString code = edt1->text().trimmed();
    btnSeaCmd->setEnabled(!code.isEmpty());
    if (!isVisible() || code.size() != 8)
        return;
    // A card read writes the code by program; while the card tab is issuing, the cards read are
    // the ones being written, and a search would only interrupt the issuing with its box.
    if (!edt1->isModified() && modeActive())
        return;
    btnSeaCmdClick();
}

void TForm7::clearOthers(QLineEdit *keep)
{
    m_clearing = true;
    for (QLineEdit *e : {edt1, edtGhCode, edtXmEdt})
        if (e != keep)
            e->clear();
    m_clearing = false;
}

void TForm7::searchEditChanged(QLineEdit *edit)
{
    if (m_clearing)
        return;
    clearOthers(edit);
    if (!edit->text().trimmed().isEmpty()) {
        setPane(T::PressSearch);
        btnSeaCmd->setEnabled(true);
    } else {
        btnSeaCmd->setEnabled(false);
    }
}

void TForm7::edtGhCodeChange()
{
    searchEditChanged(edtGhCode);
}

void TForm7::edtXmEdtChange()
{
    searchEditChanged(edtXmEdt);
}

bool TForm7::edt1KeyPress(int key, const QString &text)
{
    const bool accepted = key == Qt::Key_Backspace || key == Qt::Key_Return ||
                          key == Qt::Key_Enter ||
                          (text.size() == 1 && keys::isHexDigit(text.at(0)));
    if (accepted) {
        setPane(T::EightDigitsSearch);
        return false;
    }
    // Keys that type nothing (moves, shortcuts) are the edit's own business.
    if (text.isEmpty() || !text.at(0).isPrint())
        return false;
    return true;
}

void TForm7::searchEditPressed(QLineEdit *edit)
{
    if (edit == edt1)
        setPane(T::EightDigitsSearch);
    clearOthers(edit);
    if (edit != edt1)
        btnSeaCmd->setEnabled(true);
}

bool TForm7::searchEditKey(QLineEdit *edit, int key)
{
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !edit->text().trimmed().isEmpty()) {
        btnSeaCmd->setEnabled(true);
        btnSeaCmd->setFocus();
        return true;
    }
    return false;
}

bool TForm7::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == edt1)
            return edt1KeyPress(key->key(), key->text());
        if (watched == edtGhCode || watched == edtXmEdt)
            return searchEditKey(static_cast<QLineEdit *>(watched), key->key());
        if (watched == DBFLGrid) {
            if (key->key() == Qt::Key_Delete)
                DBFLGridKeyDown();
            if (key->key() == Qt::Key_F2) // opens the cell as a double-click does
                return guardedKeyPress();
            // Keys that type something; moving around the grid is not typing.
            if (!key->text().isEmpty() && key->text().at(0).isPrint())
                return guardedKeyPress();
        }
    } else if (type == QEvent::MouseButtonPress) {
        if (watched == edt1 || watched == edtGhCode || watched == edtXmEdt)
            searchEditPressed(static_cast<QLineEdit *>(watched));
        else if (watched == DBFLGrid->viewport())
            DBFLGridCellClick();
    } else if (type == QEvent::MouseButtonDblClick && watched == DBFLGrid->viewport()) {
        // A double-click opens the cell: an edit as typing into it is.
        if (count() == 0)
            DBFLGridCellClick();
        else
            guardedKeyPress();
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Back to the card tab

void TForm7::btnAddCmdClick()
{
    emit cardTabShowRequested();
    emit cardCodeFieldResetRequested();
    emit addRequested();
    hide();
    emit cardTabStatusRequested(T::AddPane);
}

void TForm7::btnHistoryClick()
{
    QString card;
    if (Datafrm && Datafrm->Qryda1->isActive() && Datafrm->Qryda1->recNo() > 0)
        card = Datafrm->Qryda1->fieldByName(QStringLiteral("卡片内码")).asString();
    showCardHistory(card);
}

void TForm7::showCardHistory(const QString &cardCode)
{
    if (!m_history)
        m_history = new CardHistoryWindow(this);
    m_history->showFor(cardCode);
}

void TForm7::btnExitCmdClick()
{
    returnToCardTab(true);
}

void TForm7::closeEvent(QCloseEvent *event)
{
    guarded([this] { FormClose(); });
    event->accept();
}

void TForm7::FormClose()
{
    returnToCardTab(false);
}

void TForm7::returnToCardTab(bool exitButton)
{
    // First of all, while the database is still open for the issuer password: leaving the
    // archive window ends an issue mode, and the issuer must stop writing too.
    emit issuingEndRequested();
    emit cardCodeFieldResetRequested();
    emit lookupsClearRequested();
    if (Datafrm) {
        Query *q = Datafrm->Qryda1;
        if (exitButton) {
            q->close();
            Datafrm->con->disconnect();
        } else {
            if (q->isActive())
                q->cancel();
            q->close();
        }
    }
    hide();
    if (exitButton)
        emit cardTabShowRequested();
    emit cardTabResetRequested();
    emit cardTabStatusRequested(exitButton ? T::ExitPane : texts::shell::CardTabAdmin);
    m_listExpiring = false;
    if (!exitButton)
        emit cardTabShowRequested();
}

// ---------------------------------------------------------------------------------------------
// Print and export: the report and export services

void TForm7::btn1Click()
{
    if (RsRepFrm->preview(this))
        setPane(T::PrintingArchive);
}

void TForm7::btn4Click()
{
    // The export shows the hourglass itself and reports its own failures.
    exportArchiveGrid(Datafrm->Qryda1, this);
}
