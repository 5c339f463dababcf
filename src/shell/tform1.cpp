#include "shell/tform1.h"
#include "accounts/tform2.h"

#include "accounts/accountstab.h"
#include "accounts/texts.h"
#include "archive/tform7.h"
#include "cards/cardtab.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/inifile.h"
#include "common/programdir.h"
#include "common/tabpage.h"
#include "db/dbcontrols.h"
#include "issuer/receivehandler.h"
#include "issuer/replies.h"
#include "issuer/systemtab.h"
#include "issuer/texts.h"
#include "passages/tform10.h"
#include "shell/appexit.h"
#include "shell/datamodule_access.h"
#include "shell/exittab.h"
#include "shell/forms.h"
#include "shell/helptab.h"
#include "shell/pictures.h"
#include "shell/tabstyle.h"
#include "shell/texts.h"
#include "shell/widgets.h"
#include "shell/windowplace.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int FormWidth = 1024;
constexpr int FormMinHeight = 630;
constexpr int FormMaxHeight = 768;

// What the issuer's replies say, handed to the tab each step concerns: the event lines and
// status answers to the system tab, card and token reads to the card tab, pane texts to the
// status line.
class FrameReplies : public ReplyTarget
{
public:
    FrameReplies(TForm1 *form, SystemTab *system, CardTab *cards)
        : m_form(form)
        , m_system(system)
        , m_cards(cards)
    {}

    void eventLine(const QString &line) override { m_system->addEventLine(line); }

    void statusAnswered(const issuer::StatusAnswer &answer) override
    {
        QPointer<TForm1> form(m_form);
        m_system->addEventLine(answer.eventLine);
        const bool stored = form && m_system->onStatusAnswer(answer);
        if (form)
            m_system->addStatusLine(answer.rawLine);
        // A password the issuer took but the program could not store keeps its warning.
        if (form && stored)
            form->wtxt->setText(answer.pane);
    }

    void cardRead(const issuer::CardRead &read) override { m_cards->cardRead(read); }
    void tokenRead(const issuer::TokenRead &token) override { m_cards->tokenRead(token); }
    void showPane(const QString &text) override { m_form->wtxt->setText(text); }
    void showError(const QString &message) override { Dialogs::error(message, m_form); }

private:
    TForm1 *m_form;
    SystemTab *m_system;
    CardTab *m_cards;
};

} // namespace

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    installEnterPressesButtons();
    setWindowTitle(texts::shell::ProgramTitle);
    setWindowIcon(pictures::appIcon());
    buildFrame();
    m_replyRouter = std::make_unique<FrameReplies>(this, m_systemTab, m_cardTab);
    m_systemTab->connectReplies(m_replyRouter.get());
    giveKeyboardShortcuts();
    FormCreate();
}

TForm1::~TForm1()
{
    // The tabs (and the receive path) go before the router that hands replies to them; the
    // page control says nothing to the tabs while they go.
    disconnect(rzpgcntrlrzpcrl1, nullptr, this, nullptr);
    m_tabs.clear();
    delete m_cardTab;
    delete m_systemTab;
}

// ---------------------------------------------------------------------------------------------
// Building the window

void TForm1::buildFrame()
{
    rzstsbr1 = new QStatusBar(this);
    setStatusBar(rzstsbr1);
    wtxt = new QLabel(texts::shell::Welcome, rzstsbr1);
    wtxt->setMinimumWidth(420);
    rzstspn1 = new ClickLabel(texts::shell::Minimise, rzstsbr1);
    rzstspn1->setCursor(Qt::PointingHandCursor);
    rzstspn1->setFrameShape(QFrame::StyledPanel);
    wtxt1 = new QLabel(texts::shell::EnterHint, rzstsbr1);
    lbl5 = new QLabel(texts::shell::DateLabel, rzstsbr1);
    lbl6 = new QLabel(rzstsbr1);
    linkIndicator = new QLabel(rzstsbr1);
    linkIndicator->setObjectName(QStringLiteral("linkIndicator"));
    linkIndicator->setFrameShape(QFrame::StyledPanel);
    rzstsbr1->addWidget(wtxt, 1);
    rzstsbr1->addPermanentWidget(linkIndicator);
    rzstsbr1->addPermanentWidget(rzstspn1);
    rzstsbr1->addPermanentWidget(wtxt1);
    rzstsbr1->addPermanentWidget(lbl5);
    rzstsbr1->addPermanentWidget(lbl6);
    connect(rzstspn1, &ClickLabel::clicked, this, [this] { rzstspn1Click(); });

    rzpgcntrlrzpcrl1 = new QTabWidget(this);
    rzpgcntrlrzpcrl1->setTabPosition(QTabWidget::West);
    auto *tabStyle = new HorizontalWestTabStyle;
    tabStyle->setParent(rzpgcntrlrzpcrl1);
    rzpgcntrlrzpcrl1->tabBar()->setStyle(tabStyle);
    setCentralWidget(rzpgcntrlrzpcrl1);
    m_systemTab = new SystemTab;
    rztbshtTabSheet1 = m_systemTab;
    m_cardTab = new CardTab(*m_systemTab);
    rztbshtTabSheet3 = m_cardTab;
    m_accountsTab = new AccountsTab;
    rztbshtTabSheet2 = m_accountsTab;
    m_helpTab = new HelpTab;
    rztbshtTabSheet4 = m_helpTab;
    m_exitTab = new ExitTab;
    rztbshtTabSheet5 = m_exitTab;
    connect(m_systemTab, &SystemTab::statusChanged, wtxt, &QLabel::setText);
    connect(m_systemTab, &SystemTab::statusStyled, wtxt, &QLabel::setStyleSheet);
    connect(m_systemTab, &SystemTab::linkShown, this,
            [this](const QString &text, const QString &tip, const QString &style) {
                linkIndicator->setText(text);
                linkIndicator->setToolTip(tip);
                linkIndicator->setStyleSheet(style);
            });
    connect(m_systemTab, &SystemTab::issuingEndRequested, this, [this] { endIssuingOnLeave(); });
    connect(m_systemTab, &SystemTab::exitClicked, this, [this] { Ent1Click(); });
    connect(m_systemTab, &SystemTab::reloginClicked, this, [this] { btnClose1Click(); });
    connect(m_systemTab, &SystemTab::leaving, this, [this] { saveWindowSettings(); });
    connect(m_cardTab, &CardTab::statusChanged, wtxt, &QLabel::setText);
    connect(m_cardTab, &CardTab::statusStyled, wtxt, &QLabel::setStyleSheet);
    connect(m_cardTab, &CardTab::mainWindowRequested, this, [this] { show(); });
    connect(m_accountsTab, &AccountsTab::statusChanged, wtxt, &QLabel::setText);
    connect(m_helpTab, &HelpTab::statusChanged, wtxt, &QLabel::setText);
    connect(m_exitTab, &ExitTab::statusChanged, wtxt, &QLabel::setText);
    connect(m_exitTab, &ExitTab::issuingEndRequested, this, [this] { endIssuingOnLeave(); });
    connect(m_exitTab, &ExitTab::backgroundPressed, this, [this] { rztbshtTabSheet5MouseDown(); });
    connect(m_exitTab, &ExitTab::picturePressed, this, [this] { img2MouseDown(); });
    connect(m_exitTab, &ExitTab::labelClicked, this, [this] { lbl12Click(); });
    connect(m_exitTab, &ExitTab::exitButtonClicked, this, [this] { Ent1Click(); });
    connect(m_helpTab, &HelpTab::issuingEndRequested, this, [this] { endIssuingOnLeave(); });
    // F1 anywhere in the main window opens the help as the help tab's button does.
    auto *f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, m_helpTab, &HelpTab::openHelpWindow);
    connect(m_accountsTab, &AccountsTab::statusHighlighted, this, [this](const QString &text) {
        wtxt->setText(text);
        wtxt->setStyleSheet(QStringLiteral("color:blue;"));
    });
    addTab(m_systemTab);
    addTab(m_cardTab);
    addTab(m_accountsTab);
    addTab(m_helpTab);
    addTab(m_exitTab);
    rzpgcntrlrzpcrl1->setCurrentIndex(0);
    m_currentPage = rztbshtTabSheet1;
    connect(rzpgcntrlrzpcrl1, &QTabWidget::currentChanged, this, &TForm1::onTabChanged);

    pm1 = new QMenu(this);
    N1 = pm1->addAction(QStringLiteral("显示"));
    N2 = pm1->addAction(QStringLiteral("退出"));
    connect(N1, &QAction::triggered, this, [this] { N1Click(); });
    connect(N2, &QAction::triggered, this, [this] { N2Click(); });
    RzTrayIcon1 = new QSystemTrayIcon(pictures::appIcon(), this);
    RzTrayIcon1->setToolTip(texts::shell::ProgramTitle);
    connect(RzTrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Context)
                    IconOnClick(1025, 516);
                else if (reason == QSystemTrayIcon::DoubleClick)
                    N1Click();
            });
    if (systemtray::available())
        RzTrayIcon1->show();

    nameControls({NAMED(rzstsbr1), NAMED(wtxt), NAMED(rzstspn1), NAMED(wtxt1), NAMED(lbl5),
                  NAMED(lbl6), NAMED(rzpgcntrlrzpcrl1), NAMED(rztbshtTabSheet1),
                  NAMED(rztbshtTabSheet3), NAMED(rztbshtTabSheet2), NAMED(rztbshtTabSheet4),
                  NAMED(rztbshtTabSheet5)});
}

// ---------------------------------------------------------------------------------------------
// Creation, showing, sizing

QString TForm1::windowSettingsPath() const
{
    return programdir::settingsFile();
}

void TForm1::FormCreate()
{
    const IniFile branding(programdir::brandingFile());
    const QString title = branding.readString(QStringLiteral("title"), QStringLiteral("TitleName"));
    setWindowTitle(title + texts::shell::CaptionSuffix);
    wtxt->setText(branding.readString(QStringLiteral("WZ"), QStringLiteral("WZName")));
    GSName = branding.readString(QStringLiteral("GS"), QStringLiteral("GSName"));
    wtxt->setText(GSName);
    branding.readString(QStringLiteral("MM"), QStringLiteral("PASSName"));
    Dialogs::setApplicationTitle(title);
    Dialogs::setApplicationTitle(texts::shell::ProgramTitle);

    const IniFile settings(windowSettingsPath());
    const QString form = QStringLiteral("Form");
    // Left and Top are the frame's corner (what move() takes), Width and Height the window's
    // own size (what resize() takes): saved the same way, so the window stays where it was.
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const QRect placed = windowplace::keptOnScreen(
        QRect(qBound(-100000, settings.readInteger(form, QStringLiteral("Left"), 100), 100000),
              qBound(-100000, settings.readInteger(form, QStringLiteral("Top"), 100), 100000),
              qBound(1, settings.readInteger(form, QStringLiteral("Width"), 500), 100000),
              qBound(1, settings.readInteger(form, QStringLiteral("Height"), 300), 100000)),
        screens);
    move(placed.topLeft());
    resize(placed.size());
    if (settings.readBool(form, QStringLiteral("InitMax"), false))
        setWindowState(windowState() | Qt::WindowMaximized);
    else
        setWindowState(windowState() & ~Qt::WindowMaximized);

    TestsWithoutReply = ReloginCount = PortCount = 0;
    m_cardTab->prepare();
    lbl6->setText(appclock::today().toString(texts::shell::DateFormat));
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm1::FormShow()
{
    resize(FormWidth, FormMinHeight);
    m_systemTab->start();
    if (isAdministrator())
        m_cardTab->startReadLamp();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::FormResize()
{
    const int h = qBound(FormMinHeight, height(), FormMaxHeight);
    if (!isMaximized() && !isFullScreen() && (width() != FormWidth || height() != h))
        resize(FormWidth, h);
}

// ---------------------------------------------------------------------------------------------
// Tabs

// Alt+1 … Alt+5 open the tabs (the card tab gives its buttons keys of their own).
void TForm1::giveKeyboardShortcuts()
{
    for (int i = 0; i < rzpgcntrlrzpcrl1->count(); ++i) {
        const QKeySequence key(QStringLiteral("Alt+%1").arg(i + 1));
        rzpgcntrlrzpcrl1->setTabToolTip(i, key.toString(QKeySequence::NativeText));
        auto *shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this, i] {
            if (rzpgcntrlrzpcrl1->isTabEnabled(i))
                rzpgcntrlrzpcrl1->setCurrentIndex(i);
        });
    }
}

void TForm1::addTab(TabPage *tab)
{
    rzpgcntrlrzpcrl1->addTab(tab->page(), tab->title());
    m_tabs.push_back(tab);
}

void TForm1::onTabChanged(int index)
{
    QWidget *page = rzpgcntrlrzpcrl1->widget(index);
    QWidget *left = std::exchange(m_currentPage, page);
    for (TabPage *tab : m_tabs)
        if (tab->page() == left && left != page)
            tab->hidden();
    for (TabPage *tab : m_tabs)
        if (tab->page() == page)
            tab->shown();
}

void TForm1::btnClose1Click()
{
    endIssuingOnLeave();
    emit reloginRequested();
    ++ReloginCount;
    hide();
    if (ReloginCount > 5) {
        Dialogs::message(texts::accounts::ReloginReset, this);
        ReloginCount = 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Leaving the program

void TForm1::saveWindowSettings()
{
    IniFile settings(windowSettingsPath());
    const QString form = QStringLiteral("Form");
    const QRect g = isMaximized() ? normalGeometry() : geometry();
    // The frame's corner, as move() restores it (the window's own corner lies inside the frame,
    // so saving it would creep the window down and right at every start).
    const QPoint frameOffset = geometry().topLeft() - frameGeometry().topLeft();
    const QPoint corner = g.topLeft() - frameOffset;
    settings.writeInteger(form, QStringLiteral("Top"), corner.y());
    settings.writeInteger(form, QStringLiteral("Left"), corner.x());
    settings.writeInteger(form, QStringLiteral("Width"), g.width());
    settings.writeInteger(form, QStringLiteral("Height"), g.height());
    settings.writeString(form, QStringLiteral("Caption"), windowTitle());
    settings.writeBool(form, QStringLiteral("InitMax"), isMaximized());
    // An unwritable settings file must not keep the user from leaving.
    settings.save();
}

void TForm1::rztbshtTabSheet5MouseDown()
{
    Dialogs::message(texts::shell::NotHere, this);
    saveWindowSettings();
    wtxt->setText(texts::shell::SystemExit);
    if (Dialogs::box(texts::shell::ReallyExitSystem, texts::shell::SystemPrompt, Dialogs::OkCancel,
                     Dialogs::Question, this) == Dialogs::Ok) {
        leaveIssuer();
        appexit::endProgram();
    }
}

void TForm1::attachLoginWindow(TForm2 *login)
{
    connect(login, &TForm2::loggedIn, this, [this] {
        show();
        raise();
        activateWindow();
    });
    connect(this, &TForm1::reloginRequested, login, &TForm2::showForNewLogin);
}

void TForm1::endIssuingOnLeave()
{
    m_cardTab->endIssuingOnLeave();
}

void TForm1::attachArchiveWindow(TForm7 *archive)
{
    m_archiveWindow = archive;
    m_cardTab->attachArchiveWindow(archive);
    connect(archive, &TForm7::cardSaveDisableRequested, this,
            [this] { m_systemTab->disableManualTest(); });
}

void TForm1::attachPassageWindow(TForm10 *passages)
{
    m_passageWindow = passages;
    m_cardTab->attachPassageWindow(passages);
    passages->watchMinimiseControl(rzstspn1);
}

void TForm1::leaveIssuer()
{
    // An issuer left in an issue mode would write the next card laid on it with nobody to
    // record it: it is put back into read mode before the port closes.
    endIssuingOnLeave();
    m_systemTab->closePort(PortNo);
}

void TForm1::endWithoutAsking()
{
    try {
        leaveIssuer();
        datamodule::disconnect();
    } catch (...) {
    }
}

void TForm1::Ent1Click()
{
    saveWindowSettings();
    if (Dialogs::box(texts::shell::ReallyWantExit, texts::shell::SystemPrompt, Dialogs::YesNo,
                     Dialogs::Information, this) != Dialogs::Yes)
        return;
    // Whatever fails from here on, the user asked to leave.
    try {
        leaveIssuer();
        datamodule::disconnect();
    } catch (...) {
    }
    appexit::endProgram();
}

void TForm1::img2MouseDown()
{
    saveWindowSettings();
    askThenLeave(texts::shell::ReallyWantExit);
}

void TForm1::lbl12Click()
{
    askThenLeave(texts::shell::ReallyExit);
}

void TForm1::askThenLeave(const QString &question)
{
    if (Dialogs::box(question, texts::shell::SystemPrompt, Dialogs::YesNo, Dialogs::NoIcon, this) !=
        Dialogs::Yes)
        return;
    try {
        leaveIssuer();
    } catch (...) {
    }
    appexit::endProgram();
}

bool TForm1::FormClose()
{
    try {
        datamodule::disconnect();
    } catch (...) {
    }
    saveWindowSettings();
    if (Dialogs::box(texts::shell::ReallyExit, texts::shell::SystemPrompt, Dialogs::YesNo,
                     Dialogs::NoIcon, this) != Dialogs::Yes)
        return false;
    try {
        endIssuingOnLeave();
        datamodule::disconnect();
    } catch (...) {
    }
    appexit::endProgram();
    return true;
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (appexit::programEnded() || FormClose())
        event->accept();
    else
        event->ignore();
}

void TForm1::N2Click()
{
    close();
}

// ---------------------------------------------------------------------------------------------
// Tray, minimising, skin, lamps

void TForm1::rzstspn1Click()
{
    endIssuingOnLeave();
    datamodule::releaseDatabase();
    // Hidden windows come back only through the tray icon: without a tray, minimise as usual.
    if (!systemtray::available()) {
        showMinimized();
        return;
    }
    if (!RzTrayIcon1->isVisible())
        RzTrayIcon1->show();
    showMinimized();
    m_archiveWasVisible = m_archiveWindow && m_archiveWindow->isVisible();
    m_passagesWereVisible = m_passageWindow && m_passageWindow->isVisible();
    hide();
    if (m_archiveWindow)
        m_archiveWindow->hide();
    if (m_passageWindow)
        m_passageWindow->hide();
}

void TForm1::N1Click()
{
    showNormal();
    show();
    raise();
    activateWindow();
    if (m_passageWindow && m_passagesWereVisible)
        m_passageWindow->show();
    if (m_archiveWindow && m_archiveWasVisible)
        m_archiveWindow->show();
}

void TForm1::IconOnClick(int message, int lParam)
{
    if (message == 1025 && lParam == 516)
        pm1->popup(QCursor::pos());
}
