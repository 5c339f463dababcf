#include "passages/tform10.h"
#include "db/like.h"
#include "db/schema.h"
#include "passages/texts.h"

#include "archive/exportdbgrid.h"
#include "archive/reports.h"

#include "common/clock.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/filewrite.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/keys.h"
#include "common/programdir.h"
#include "db/compact.h"
#include "db/datafrm.h"
#include "db/dbcontrols.h"
#include "db/dberror.h"
#include "passages/archivesearch.h"
#include "passages/drives.h"
#include "passages/passagearchive.h"
#include "passages/passageimport.h"
#include "passages/recordfiles.h"
#include "shell/appexit.h"
#include "shell/forms.h"
#include "shell/texts.h"
#include "shell/tform12.h"
#include "shell/widgets.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QColor>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>
#include <QWindow>

namespace {

using namespace texts::passages;

const QString SelectAll = QStringLiteral("select * from CRJL");
const QString SelectAllSemicolon = QStringLiteral("select * from CRJL;");
const QString DeleteAll = QStringLiteral("delete from CRJL");
const QString PassageTimeFormat = QStringLiteral("yyyy年MM月dd日HH:mm分");

// The grid's columns: field, width.
const struct
{
    const char *field;
    int width;
} GridColumns[] = {{"序号", 53},      {"卡片内码", 112}, {"车主姓名", 134}, {"车牌号码", 133},
                   {"进出时间", 208}, {"进出状态", 103}, {"读卡地址", 79}};

// Centres the values of the grid; the titles are centred by the header. Rows of the passage
// archive whose time is not to be trusted are tinted, the reason in their tooltip.
class CentredModel : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        if ((role == Qt::BackgroundRole || role == Qt::ToolTipRole) && Datafrm) {
            const Query *q = Datafrm->QryJL1;
            const int field = q->fieldNames().indexOf(QStringLiteral("时间异常"));
            const QString flag = field < 0 ? QString() : q->textAt(index.row(), field);
            if (flag.isEmpty())
                return {};
            if (role == Qt::BackgroundRole)
                return QColor(255, 226, 222);
            return texts::passages::archive::FlagTip.arg(flag);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

void emptyField(QLineEdit *edit)
{
    // Emptying an empty field is no change and runs nothing.
    if (!edit->text().isEmpty())
        edit->clear();
}

} // namespace

TForm10::TForm10(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_drives(new DriveWatcher(this))
    , m_import(new PassageImport(this))
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(Caption);
    buildWindow();
    resize(1024, 630);
    connect(m_drives, &DriveWatcher::arrived, this, &TForm10::deviceArrived);
    connect(m_drives, &DriveWatcher::removed, this, &TForm10::deviceRemoved);
    connect(m_import, &PassageImport::progress, this, [this](int lines) {
        Gauge1->setValue(lines);
        if (Form12)
            Form12->Gauge1->setValue(lines);
    });
    connect(m_import, &PassageImport::finished, this, &TForm10::importFinished);
    // Coming back to this window from one of its own boxes is no new activation.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *w) {
        if (w && w != windowHandle())
            m_backFromOwnDialog = windowHandle() && w->transientParent() == windowHandle();
    });
    FormCreate();
}

TForm10::~TForm10() = default;

void TForm10::buildWindow()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    rzpnl1 = new QWidget(this);
    auto *top = new QHBoxLayout(rzpnl1);
    grp1 = new QGroupBox(QStringLiteral("  查询条件  "), rzpnl1);
    auto *conditions = new QGridLayout(grp1);
    edt1 = new QLineEdit(grp1);
    edt1->setObjectName(QStringLiteral("edt1"));
    // Hex digits only, by keys, paste and drop alike.
    keepHexDigitsOnly(edt1, 10);
    edtGhCode = new QLineEdit(grp1);
    edtGhCode->setObjectName(QStringLiteral("edtGhCode"));
    edtXmEdt = new QLineEdit(grp1);
    edtXmEdt->setObjectName(QStringLiteral("edtXmEdt"));
    Label1 = new QLabel(QStringLiteral("按日期从:    "), grp1);
    dtp1 = new QDateTimeEdit(grp1);
    Label2 = new QLabel(QStringLiteral("截止到:   "), grp1);
    dtp2 = new QDateTimeEdit(grp1);
    for (QDateTimeEdit *picker : {dtp1, dtp2}) {
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        picker->calendarWidget()->installEventFilter(this);
    }
    conditions->addWidget(new QLabel(QStringLiteral("卡片内码:    "), grp1), 0, 0);
    conditions->addWidget(edt1, 0, 1);
    conditions->addWidget(new QLabel(QStringLiteral("车牌号码:    "), grp1), 0, 2);
    conditions->addWidget(edtGhCode, 0, 3);
    conditions->addWidget(new QLabel(QStringLiteral("关键字:   "), grp1), 0, 4);
    conditions->addWidget(edtXmEdt, 0, 5);
    conditions->addWidget(Label1, 1, 0);
    conditions->addWidget(dtp1, 1, 1);
    conditions->addWidget(Label2, 1, 2);
    conditions->addWidget(dtp2, 1, 3);
    top->addWidget(grp1, 1);

    auto *buttons = new QGridLayout;
    btnSeaCmd = new QPushButton(QStringLiteral("查询"), rzpnl1);
    btndaru = new QPushButton(QStringLiteral("导入记录"), rzpnl1);
    btndaru->setEnabled(false);
    btnAllSeaCmd = new QPushButton(QStringLiteral("全部显示"), rzpnl1);
    btnDelCmd = new QPushButton(QStringLiteral("清空当前"), rzpnl1);
    btndachu = new QPushButton(QStringLiteral("导出Excel"), rzpnl1);
    btndayin = new QPushButton(QStringLiteral("打印报表"), rzpnl1);
    btnExitCmd = new QPushButton(QStringLiteral("&E 退出"), rzpnl1);
    btn1 = new QPushButton(QStringLiteral("排序"), rzpnl1);
    btn2 = new QPushButton(QStringLiteral("备份"), rzpnl1);
    btn1->hide();
    btn2->hide();
    buttons->addWidget(btnSeaCmd, 0, 0);
    buttons->addWidget(btndaru, 0, 1);
    buttons->addWidget(btnAllSeaCmd, 0, 2);
    buttons->addWidget(btnDelCmd, 0, 3);
    buttons->addWidget(btndachu, 1, 0);
    buttons->addWidget(btndayin, 1, 1);
    buttons->addWidget(btnExitCmd, 1, 2);
    top->addLayout(buttons);
    layout->addWidget(rzpnl1);
    archivePanel = new ArchiveSearchPanel(this);
    layout->addWidget(archivePanel);

    Gauge1 = new QProgressBar(this);
    Gauge1->setMaximum(100);
    Gauge1->setValue(0);
    Gauge1->setTextVisible(false);
    Gauge1->setFixedHeight(14);
    Gauge1->setStyleSheet(QStringLiteral("QProgressBar{background:white;border:1px solid #ccc;}"
                                         "QProgressBar::chunk{background:#ffd800;}"));
    layout->addWidget(Gauge1);

    DBFLGrid = new QTableView(this);
    DBFLGridModel = new QueryTableModel(Datafrm ? Datafrm->DSJL1 : nullptr, this);
    QList<QueryTableModel::Column> columns;
    for (const auto &c : GridColumns)
        columns.append({QString::fromUtf8(c.field), QString::fromUtf8(c.field), true});
    DBFLGridModel->setColumns(columns);
    auto *centred = new CentredModel(this);
    centred->setSourceModel(DBFLGridModel);
    DBFLGrid->setModel(centred);
    DBFLGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBFLGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBFLGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    DBFLGrid->verticalHeader()->setDefaultSectionSize(20);
    for (int i = 0; i < int(std::size(GridColumns)); ++i)
        DBFLGrid->setColumnWidth(i, GridColumns[i].width);
    // The columns span the window: the name and the time share what the others leave.
    for (const char *wide : {"车主姓名", "进出时间"})
        for (int i = 0; i < int(std::size(GridColumns)); ++i)
            if (qstrcmp(GridColumns[i].field, wide) == 0)
                DBFLGrid->horizontalHeader()->setSectionResizeMode(i, QHeaderView::Stretch);
    connect(DBFLGridModel, &QueryTableModel::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            DBFLGrid->selectRow(row);
    });
    layout->addWidget(DBFLGrid, 1);

    statusbar1 = new QStatusBar(this);
    statusbar1->setSizeGripEnabled(false);
    const int panelWidths[4] = {200, 200, 200, 50};
    for (int i = 0; i < 4; ++i) {
        statusPanels[i] = new QLabel(statusbar1);
        statusPanels[i]->setFixedWidth(panelWidths[i]);
        statusbar1->addWidget(statusPanels[i]);
    }
    layout->addWidget(statusbar1);

    rzstsbr1 = new QStatusBar(this);
    Wtxt1 = new QLabel(rzstsbr1);
    Wtxt3 = new QLabel(rzstsbr1);
    Wtxtwtxt2 = new QLabel(rzstsbr1);
    Labellbl5 = new QLabel(TodayLabel, rzstsbr1);
    Labellbl6 = new QLabel(rzstsbr1);
    rzstsbr1->addWidget(Wtxt1, 1);
    rzstsbr1->addPermanentWidget(Wtxt3);
    rzstsbr1->addPermanentWidget(Wtxtwtxt2);
    rzstsbr1->addPermanentWidget(Labellbl5);
    rzstsbr1->addPermanentWidget(Labellbl6);
    layout->addWidget(rzstsbr1);

    connect(archivePanel, &ArchiveSearchPanel::status, Wtxt1, &QLabel::setText);
    connect(btnSeaCmd, &QPushButton::clicked, this, [this] { btnSeaCmdClick(); });
    connect(btndaru, &QPushButton::clicked, this, [this] { guarded([this] { btndaruClick(); }); });
    connect(btnAllSeaCmd, &QPushButton::clicked, this, [this] { btnAllSeaCmdClick(); });
    connect(btnDelCmd, &QPushButton::clicked, this, [this] { btnDelCmdClick(); });
    connect(btndachu, &QPushButton::clicked, this, [this] { btndachuClick(); });
    connect(btndayin, &QPushButton::clicked, this, [this] { btndayinClick(); });
    connect(btnExitCmd, &QPushButton::clicked, this, [this] { btnExitCmdClick(); });
    connect(edt1, &QLineEdit::textChanged, this, [this] { edt1Change(); });
    connect(edtGhCode, &QLineEdit::textChanged, this, [this] { edtGhCodeChange(); });
    connect(edtXmEdt, &QLineEdit::textChanged, this, [this] { edtXmEdtChange(); });
    for (QLineEdit *edit : {edt1, edtGhCode, edtXmEdt})
        edit->installEventFilter(this);
}

// ---------------------------------------------------------------------------------------------
// Create, show, activate, close

void TForm10::FormCreate()
{
    // Without the database nothing in the program works: say so and end.
    try {
        if (!Datafrm)
            throw std::runtime_error("no data module");
        Datafrm->con->disconnect();
        Datafrm->con->setDatabase(programdir::databaseFile());
        Datafrm->con->connect();
        // An empty file or one without the tables opens, but no login could ever work on it.
        if (!schema::hasAllTables(Datafrm->con->handle()))
            throw std::runtime_error("not a database of the program");
        // The grid reads the rows it shows as it needs them: a million passages show at once.
        Datafrm->QryJL1->setFetchOnDemand(true);
    } catch (const std::exception &) {
        m_ok = false;
        Dialogs::box(SystemError, WarningCaption, Dialogs::OkOnly, Dialogs::Warning, this);
        appexit::endProgram();
    }
}

void TForm10::openFromCardTab()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    m_purgeOnShow = true;
    show();
    m_purgeOnShow = false;
    raise();
    activateWindow();
}

void TForm10::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window brought back from the taskbar is no new showing.
    if (!event->spontaneous())
        FormShow();
}

void TForm10::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_drives->stop();
}

void TForm10::FormShow()
{
    resize(1024, 630);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    Memo1.clear();
    memo2 = 0;
    Labellbl6->setText(appclock::today().toString(QStringLiteral("yyyy年MM月dd日")).trimmed());
    const QDate today = appclock::today();
    dtp1->setDateTime(QDateTime(today, QTime(0, 0, 0)));
    dtp2->setDateTime(QDateTime(today.addDays(7), QTime(23, 59, 59)));
    Wtxt1->setText(Welcome);
    archivePanel->reset();
    driveScan(false);
    m_drives->start();
    guarded([] { Datafrm->con->connect(); });
    memo2 = 0;
    if (m_purgeOnShow)
        purgeRecords();
}

void TForm10::purgeRecords()
{
    // Rows left from the last time go; a failure here changes nothing the user can see.
    try {
        if (passagesStored())
            deleteAllRows();
        else
            openView(SelectAllSemicolon);
    } catch (const std::exception &) {
    }
}

bool TForm10::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        const bool own = m_backFromOwnDialog;
        m_backFromOwnDialog = false;
        const bool handled = QWidget::event(event);
        if (!own)
            FormActivate();
        return handled;
    }
    return QWidget::event(event);
}

void TForm10::FormActivate()
{
    if (importRunning())
        return;
    if (!Memo1.join(QString()).trimmed().isEmpty()) {
        btndaru->setEnabled(true);
        btndaru->setFocus();
    } else {
        btndaru->setEnabled(false);
        Dialogs::message(NoRecordDrive, this);
    }
}

void TForm10::closeEvent(QCloseEvent *event)
{
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

void TForm10::watchMinimiseControl(QWidget *control)
{
    if (m_trayMinimise)
        m_trayMinimise->removeEventFilter(this);
    m_trayMinimise = control;
    if (control)
        control->installEventFilter(this);
}

bool TForm10::FormClose()
{
    if (importRunning())
        return false;
    try {
        deleteAllRows();
        Datafrm->QryJL1->close();
        Datafrm->con->disconnect();
        hide();
        emit cardTabRequested();
        compactDatabase(programdir::databaseFile(), QString::fromLatin1(db::DatabasePassword));
    } catch (const std::exception &) {
        Dialogs::message(CloseIgnored, this);
    }
    return true;
}

void TForm10::btnExitCmdClick()
{
    close();
}

// ---------------------------------------------------------------------------------------------
// Drives and the import

void TForm10::driveScan(bool forImport)
{
    for (const QString &drive : drives::list(programdir::root())) {
        Memo1 << drive;
        if (forImport)
            RecordDrive = drive;
    }
}

void TForm10::deviceArrived(const QString &)
{
    // The new drive counts at once, without waiting for the next activation.
    Memo1.clear();
    driveScan(false);
    if (!importRunning())
        btndaru->setEnabled(true);
    Wtxt1->setText(DriveInserted);
}

void TForm10::deviceRemoved(const QString &drive)
{
    Memo1.clear();
    driveScan(false);
    // Only the stick the records come from ends an import; other drives do not matter to it.
    if (drive == RecordDrive) {
        memo2 = 0;
        m_import->stop();
    }
}

bool TForm10::importRunning() const
{
    return m_import->running();
}

void TForm10::btndaruClick()
{
    if (importRunning())
        return;
    // The table itself says whether rows are there, whatever the view shows at the moment.
    try {
        Query count(Datafrm->con);
        count.setSQL(QStringLiteral("select count(*) from CRJL"));
        count.open();
        if (count.field(0).asInteger() > 0) {
            Dialogs::message(RecordsExistLeaveFirst, this);
            btndaru->setEnabled(false);
            return;
        }
        memo2 = 0;
        driveScan(true);
        openView(SelectAll);
    } catch (const DbError &e) {
        // Another program holding the file, a damaged or unreadable file: said as it is, not
        // as records that exist.
        Dialogs::box(TableUnreadable.arg(e.text()), WarningCaption, Dialogs::OkOnly,
                     Dialogs::Critical, this);
        return;
    }

    // An unreadable file or a working file that cannot be written goes to the general error
    // display (thrown from here).
    // The record files are copied into the working file as they are read; the import then
    // reads the lines back from it, so no line is kept in memory.
    const QString working = programdir::path(QStringLiteral("RD.TXT"));
    const records::WorkingFileInfo read = writeWorkingFileShowingProgress(working);
    memo2 = read.lines;
    if (read.blank) {
        Dialogs::message(NoRecordFile, this);
        btndaru->setEnabled(false);
        return;
    }

    Gauge1->setValue(0);
    m_import->start(Datafrm->con->databasePath(), QString::fromLatin1(db::DatabasePassword),
                    working, read.lines);
    m_importStart = appclock::now();
    statusPanels[1]->setText(StartTime + m_importStart.toString(QStringLiteral("HH:mm:ss")));
    const int lines = int(read.lines);
    Gauge1->setMaximum(lines);
    if (Form12) {
        // The progress window opens at 0, so it says it is preparing.
        Form12->Gauge1->setMaximum(lines);
        Form12->Gauge1->setValue(0);
        Form12->show();
    }
    setImportLock(true);
}

records::WorkingFileInfo TForm10::writeWorkingFileShowingProgress(const QString &working)
{
    // Record files are read in pieces with the progress window up, so a large file (a stick
    // left with gigabytes of NUL padding) neither freezes the window nor fills the memory.
    // Clicks wait while the files are read; the window repaints between pieces.
    constexpr int Steps = 1000;
    if (Form12) {
        Form12->Gauge1->setMaximum(Steps);
        Form12->Gauge1->setValue(0);
        Form12->show();
        Form12->Label1->setText(texts::shell::ImportReading); // showing says "preparing"
    }
    setImportLock(true);
    QElapsedTimer sincePaint;
    sincePaint.start();
    const auto progress = [&](qint64 done, qint64 inAll) {
        if (sincePaint.elapsed() < 50)
            return;
        sincePaint.restart();
        if (Form12)
            Form12->Gauge1->setValue(int(done * Steps / qMax<qint64>(1, inAll)));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const auto restore = qScopeGuard([this] {
        setImportLock(false);
        hideProgressWindow();
    });
    return records::writeWorkingFile(records::recordFolder(RecordDrive), working, progress);
}

void TForm10::importFinished(bool stopped)
{
    const QDateTime end = appclock::now();
    statusPanels[2]->setText(EndTime + end.toString(QStringLiteral("HH:mm:ss")));
    statusPanels[0]->setText(TotalTime +
                             QString::number(m_importStart.msecsTo(end) / 1000.0, 'g', 15));
    setImportLock(false);
    archivePanel->importDone(m_import->rowsArchived(), m_import->rowsAlreadyArchived());
    if (!m_import->failure().isEmpty()) {
        const int stored = m_import->rowsStored();
        hideProgressWindow();
        Dialogs::box(ImportBrokenOff.arg(stored)
                         .arg(m_import->lineCount() - stored)
                         .arg(m_import->failure()),
                     WarningCaption, Dialogs::OkOnly, Dialogs::Critical, this);
        btnAllSeaCmdClick();
    } else if (!stopped && memo2 > 0) {
        btnAllSeaCmdClick();
    } else {
        Dialogs::message(DriveRemovedDuringImport, this);
    }
    btndaru->setEnabled(false);
    hideProgressWindow();
}

void TForm10::setImportLock(bool on)
{
    // Disabling the panel keeps each control's own state for when it is enabled again.
    rzpnl1->setEnabled(!on);
    archivePanel->setEnabled(!on);
}

void TForm10::hideProgressWindow()
{
    if (!Form12)
        return;
    Form12->Gauge1->setValue(0);
    Form12->hide();
}

bool TForm10::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_trayMinimise) {
        const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                           type == QEvent::MouseButtonDblClick;
        return mouse && importRunning();
    }
    if (type == QEvent::Show) {
        if (watched == dtp1->calendarWidget())
            dtp1DropDown();
        else if (watched == dtp2->calendarWidget())
            dtp2DropDown();
        return false;
    }
    if (type == QEvent::MouseButtonPress) {
        if (watched == edt1) {
            Wtxt1->setText(CardCodeHint);
            emptyField(edtGhCode);
            emptyField(edtXmEdt);
        } else if (watched == edtGhCode) {
            btnSeaCmd->setEnabled(true);
            emptyField(edt1);
            emptyField(edtXmEdt);
        } else if (watched == edtXmEdt) {
            btnSeaCmd->setEnabled(true);
            emptyField(edt1);
            emptyField(edtGhCode);
        }
        return false;
    }
    if (type == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == edt1) {
            // Shortcuts (paste, select all …) go to the field; its filter keeps the digits.
            if (key->modifiers() & Qt::ControlModifier)
                return false;
            const bool accepted = key->key() == Qt::Key_Backspace || keys::isEnter(key->key()) ||
                                  (key->text().size() == 1 && keys::isHexDigit(key->text().at(0)));
            if (accepted) {
                Wtxt1->setText(CardCodeHint);
                return false;
            }
            // Other characters are discarded; keys without a character (arrows …) move as usual.
            return !key->text().isEmpty() && key->text().at(0).isPrint();
        }
        if ((watched == edtGhCode || watched == edtXmEdt) && keys::isEnter(key->key()) &&
            !static_cast<QLineEdit *>(watched)->text().trimmed().isEmpty()) {
            btnSeaCmd->setEnabled(true);
            btnSeaCmd->setFocus();
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Show all, search, clear, export, print

QString TForm10::joinedRecordQuery()
{
    return QStringLiteral("select cj.序号,cj.卡片内码,cz.车主姓名,cz.车牌号码,cj.进出时间,cj.进出状"
                          "态,cj.读卡地址 from CZdata as cz left join CRJL as cj on "
                          "cj.卡片内码=cz.卡片内码 order by 序号");
}

QString TForm10::showAllQuery()
{
    QString sql = joinedRecordQuery();
    return sql.replace(QStringLiteral(" order by"), QStringLiteral("  order by"));
}

QString TForm10::searchHead()
{
    return QStringLiteral(
        "select cj.序号, cj.卡片内码,cz.车主姓名,cz.车牌号码,cj.进出时间,cj.进出状"
        "态,cj.读卡地址 from CZdata as cz left join CRJL as cj on cj.卡片内码 = "
        "cz.卡片内码 where ");
}

void TForm10::openView(const QString &sql)
{
    Query *q = Datafrm->QryJL1;
    q->close();
    q->sql().clear();
    q->sql().add(sql);
    q->open();
}

void TForm10::deleteAllRows()
{
    // Through the view, which stays closed.
    Query *q = Datafrm->QryJL1;
    q->close();
    q->sql().clear();
    q->sql().add(DeleteAll);
    q->execSQL();
    // An emptied table numbers its next import from 1 again.
    q->sql().clear();
    q->sql().add(QStringLiteral("delete from sqlite_sequence where name = 'CRJL'"));
    q->execSQL();
}

bool TForm10::passagesStored()
{
    // Asked of the table: loading it would read every row only to count them.
    Query any(Datafrm->con);
    any.setSQL(QStringLiteral("select exists(select 1 from CRJL)"));
    any.open();
    return any.field(0).asInteger() != 0;
}

void TForm10::btnAllSeaCmdClick()
{
    try {
        Query *q = Datafrm->QryJL1;
        if (passagesStored()) {
            // The grid is for reading only, so the view is not put into edit state.
            openView(showAllQuery());
            q->next();
            Wtxt1->setText(ShowAllCount + QString::number(q->recordCount()) + RecordsSuffix);
            hideProgressWindow();
        } else {
            openView(SelectAll);
            Datafrm->con->connect();
            Dialogs::message(ShowAllEmpty, this);
        }
    } catch (const std::exception &) {
        Dialogs::message(DatabaseVersion, this);
    }
}

void TForm10::fieldSearch(const QString &column, const QString &text)
{
    // The typed text is a parameter; the selection is that of "like "%text%"".
    Query *q = Datafrm->QryJL1;
    q->close();
    q->sql().clear();
    q->sql().add(searchHead() + column + db::ContainsKey);
    q->setParameter(QStringLiteral("key"), db::likeKey(text));
    q->open();
}

void TForm10::btnSeaCmdClick()
{
    try {
        Query *q = Datafrm->QryJL1;
        if (!passagesStored()) {
            openView(SelectAllSemicolon);
            Dialogs::message(NotImported, this);
            return;
        }
        bool byField = true;
        if (!edt1->text().isEmpty()) {
            fieldSearch(QStringLiteral("cj.卡片内码"), edt1->text());
        } else if (!edtGhCode->text().isEmpty()) {
            fieldSearch(QStringLiteral("cz.车牌号码"), edtGhCode->text());
        } else if (!edtXmEdt->text().isEmpty()) {
            fieldSearch(QStringLiteral("cz.车主姓名"), edtXmEdt->text());
        } else {
            byField = false;
            q->close();
            q->sql().clear();
            q->sql().add(searchHead() +
                         QStringLiteral(" cj.进出时间 >= :startrq and cj.进出时间 <= :endrq"));
            q->setParameter(QStringLiteral("startrq"),
                            dtp1->dateTime().toString(PassageTimeFormat));
            q->setParameter(QStringLiteral("endrq"), dtp2->dateTime().toString(PassageTimeFormat));
            q->open();
        }
        if (q->recordCount() > 0) {
            Wtxt1->setText(FoundPrefix + QString::number(q->recordCount()) + RecordsSuffix);
        } else if (byField) {
            Wtxt1->setText(NothingFoundPane);
            Dialogs::message(NothingFound, this);
        } else {
            Dialogs::message(NothingInRange, this);
        }
    } catch (const std::exception &) {
        Dialogs::message(NotImported, this);
    }
}

void TForm10::btnDelCmdClick()
{
    try {
        // The grid empties; the rows stay in CRJL, and show all brings them back.
        Datafrm->con->disconnect();
        Datafrm->QryJL1->close();
        Wtxt1->setText(Cleared);
        compactDatabase(programdir::databaseFile(), QString::fromLatin1(db::DatabasePassword));
    } catch (const std::exception &) {
        Dialogs::message(SystemRetry, this);
    }
}

void TForm10::btndachuClick()
{
    guarded([this] {
        if (!passagesStored()) {
            openView(SelectAllSemicolon);
            Datafrm->con->connect();
            Dialogs::message(ExportEmpty, this);
            return;
        }
        openView(joinedRecordQuery());
        Datafrm->QryJL1->next();
        exportPassageGrid(Datafrm->QryJL1, this);
    });
}

void TForm10::btndayinClick()
{
    guarded([this] {
        Query *q = Datafrm->Qrybb1;
        q->close();
        q->setSQL(passagesStored() ? joinedRecordQuery() : SelectAllSemicolon);
        q->open();
        q->next();
        if (CRJLBB->preview(q, this)) {
            Wtxt1->setText(PrintingPassages);
            Datafrm->con->disconnect();
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Condition fields

void TForm10::edt1Change()
{
    btnSeaCmd->setEnabled(!edt1->text().trimmed().isEmpty());
}

void TForm10::edtGhCodeChange()
{
    emptyField(edtXmEdt);
    emptyField(edt1);
    if (!edtGhCode->text().trimmed().isEmpty()) {
        Wtxt1->setText(PressSearch);
        btnSeaCmd->setEnabled(true);
    } else {
        btnSeaCmd->setEnabled(false);
    }
}

void TForm10::edtXmEdtChange()
{
    emptyField(edtGhCode);
    emptyField(edt1);
    if (!edtXmEdt->text().trimmed().isEmpty()) {
        Wtxt1->setText(PressSearch);
        btnSeaCmd->setEnabled(true);
    } else {
        btnSeaCmd->setEnabled(false);
    }
}

void TForm10::dtp1DropDown()
{
    btnSeaCmd->setEnabled(true);
}

void TForm10::dtp2DropDown()
{
    btnSeaCmd->setEnabled(true);
}
