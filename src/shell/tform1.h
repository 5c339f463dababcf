#pragma once
// The main window: the frame (status bar, page control, tray icon, timers, exit) and the system
// tab it still builds itself, whose handlers are defined in src/issuer (tform1_serial.cpp ...).
// Tabs that are classes of their own (CardTab, AccountsTab, HelpTab, ExitTab) are added with
// addTab.
#include "issuer/issuerport.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class AccountsTab;
class CardTab;
class HelpTab;
class ExitTab;
class QAction;
class TForm2;
class TForm7;
class TForm10;
class TForm9;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class ClickLabel;
class EventMemo;
class Lamp;
class SerialLink;
class ReceiveHandler;
class ReplyTarget;
class TabPage;
enum class IssuerFrame;
namespace issuer {
struct StatusAnswer;
} // namespace issuer

class TForm1 : public QMainWindow, public IssuerPort
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // ---- frame: status bar, tabs, tray icon, timers ----
    QStatusBar *rzstsbr1 = nullptr;
    QLabel *wtxt = nullptr;
    ClickLabel *rzstspn1 = nullptr;
    QLabel *linkIndicator = nullptr; // the issuer link at a glance, on every tab
    QLabel *wtxt1 = nullptr;
    QLabel *lbl5 = nullptr;
    QLabel *lbl6 = nullptr;
    QTabWidget *rzpgcntrlrzpcrl1 = nullptr;
    QWidget *rztbshtTabSheet1 = nullptr; // " 系统管理 "
    QWidget *rztbshtTabSheet3 = nullptr; // " 卡片管理 "
    QWidget *rztbshtTabSheet2 = nullptr; // " 用户管理 "
    QWidget *rztbshtTabSheet4 = nullptr; // " 在线帮助 "
    QWidget *rztbshtTabSheet5 = nullptr; // " 退出系统 "
    QSystemTrayIcon *RzTrayIcon1 = nullptr;
    QMenu *pm1 = nullptr;
    QAction *N1 = nullptr;  // "显示"
    QAction *N2 = nullptr;  // "退出"
    QTimer *tmr1 = nullptr; // next port of the search
    QTimer *tmr4 = nullptr; // first search, one shot
    QTimer *tmr5 = nullptr; // port-list supervision
    QTimer *tmr6 = nullptr; // activity lamp

    // ---- system tab ----
    QGroupBox *RzGroupBox2 = nullptr;      // "车场示意图"
    QGroupBox *RzGroupBox3 = nullptr;      // "车场示意图"
    QGroupBox *RzGroupBox4 = nullptr;      // "端口事件显示"
    QGroupBox *RzGroupBox5 = nullptr;      // "特殊功能区"
    QGroupBox *RzGroupBoxStatus = nullptr; // " 状态指示 "
    EventMemo *RzMemo1 = nullptr;          // port events
    EventMemo *RzMemo5 = nullptr;          // hidden: status replies
    EventMemo *RzMemo6 = nullptr;          // hidden: port list at show / link up
    EventMemo *RzMemo4 = nullptr;          // port list of the supervision
    EventMemo *memo2 = nullptr;            // hidden
    QComboBox *ComTxt = nullptr;
    QPushButton *opencmd = nullptr;      // "打开串口"
    QPushButton *CLpc1 = nullptr;        // "关闭串口"
    QPushButton *btnClose2 = nullptr;    // "重新连接"
    QPushButton *btn2 = nullptr;         // "手动测试"
    QPushButton *btn26 = nullptr;        // hidden "检测"
    Lamp *shp3 = nullptr;                // link lamp
    Lamp *shp1 = nullptr;                // activity lamp
    QLineEdit *edt6 = nullptr;           // frames sent without reply
    QLineEdit *edt7 = nullptr;           // replies counted
    QPushButton *btn1 = nullptr;         // "退出系统"
    QPushButton *btnClose1 = nullptr;    // "重新登录"
    QPushButton *btn16 = nullptr;        // "CloseVCL"
    QLineEdit *edt4 = nullptr;           // special-function pass code
    QLineEdit *edtmm1 = nullptr;         // old issuer password
    QLineEdit *edtmm2 = nullptr;         // new issuer password
    QLineEdit *edtmm3 = nullptr;         // new issuer password, confirmation
    QPushButton *btn5 = nullptr;         // "搜索"
    QPushButton *btn6 = nullptr;         // "识别"
    QPushButton *btn9 = nullptr;         // "确认"
    QPushButton *btn10 = nullptr;        // "修改密码"
    QPushButton *btnClosebtn5 = nullptr; // "备份数据库"
    QPushButton *btnClosebtn6 = nullptr; // "还原数据库"
    QProgressBar *g1 = nullptr;
    QLabel *lbl4 = nullptr;               // "输入口令:"
    QTimer *passwordReplyTimer = nullptr; // ends a password change the issuer never answered
    // State of the issuer search and the password change (src/issuer).
    bool linkUp = false;     // a reply confirmed the issuer since the last search
    void setLinkUp(bool up); // ... and the status bar's indicator shows it
    void showLinkState();
    bool passwordChangePending = false; // a change was sent and its answer is awaited
    bool passwordReplyOverdue = false;  // ... for longer than the time-out
    struct PendingPassword
    {
        QString old, entered, confirmed;
    } pendingPassword;           // the change sent last
    bool searching = false;      // a search is running (timers do not start another)
    quint64 linkUps = 0;         // times a reply brought the link up
    int deniedPort = 0;          // a port the search found but may not open (0: none)
    quint64 eventLinesAdded = 0; // lines added to RzMemo1 so far (the prompt watches it)

    // ---- frame handlers (src/shell) ----
    void FormCreate();
    void FormShow();
    // At each login: the system tab as the role allows (src/issuer/tform1_systemtab.cpp).
    void startSystemTab();
    void FormResize();
    // Returns true when the window may close (the program then ends).
    bool FormClose();
    void rztbshtTabSheet1Show();
    void rztbshtTabSheet5MouseDown();
    void img2MouseDown();
    void Ent1Click();
    void lbl12Click();
    // Asks the question; on 是 the issuer is left in read mode and the program ends.
    void askThenLeave(const QString &question);
    void rzstspn1Click();
    void N1Click();
    void N2Click();
    void IconOnClick(int message, int lParam);
    void btn16Click();
    void tmr6Timer();
    void saveWindowSettings();
    QString windowSettingsPath() const;
    bool skinOn() const { return m_skinOn; }

    // ---- serial port and replies (src/issuer) ----
    QStringList GetComPortList();
    void btn26Click();
    bool initirq();
    void opencmdClick();
    void CLpc1Click();
    void ComTxtChange();
    // Returns true when the key was swallowed.
    bool ComTxtKeyPress(int key);
    void btnClose2Click();
    void closePort(int port);
    SerialLink *serialLink() const { return m_serial; }
    ReceiveHandler *receiveHandler() const { return m_receiver; }
    // The issuer-not-found prompt while it is open.
    TForm9 *notFoundPrompt() const;
    // The one way a frame leaves the program: flushes PortNo first where that frame's sender
    // does (flushesBeforeSending), writes it, then counts it in edt6 where it is one of the
    // frames the issuer search counts (countsAsSent). Every sender goes through here.
    void sendFrame(IssuerFrame kind, const QByteArray &frame) override;
    // Frame write and flush on PortNo.
    void writeFrame(const QByteArray &frame) override;
    void flushPort() override;
    // Change handlers of the event memos: any event line shows the link alive; the counter memo
    // keeps the newest status replies.
    void RzMemo1Change();
    void RzMemo5Change();
    // A status answer, after its event line: the answer to a password change that was sent.
    // False when the issuer took a new password that could not be stored (the pane says so).
    bool onStatusAnswer(const issuer::StatusAnswer &answer);
    // The search for the issuer and the supervision of the link (src/issuer/tform1_search.cpp).
    void setupSearch();
    void tmr4Timer();
    void btn5Click();
    void btn6Click();
    void btn9Click();
    void tmr1Timer();
    void btn2Click();
    void edt6Change();
    void edt7Change();
    void tmr5Timer();
    void RzMemo4Change();
    void RzMemo6Change();
    // Adds one to the frame counter edt6 (which runs its change handler).
    void countFrame();
    // The issuer password change (src/issuer/tform1_password.cpp).
    void setupPassword();
    // Key handlers return true when the key was swallowed.
    bool edt4KeyPress(int key);
    bool edtold_wordKeyPress(int key);
    void edtold_wordChange();
    bool edtnew_wordKeyPress(int key);
    void edtnew_wordChange();
    bool edtpass_wordKeyPress(int key);
    void edtpass_wordChange();
    void btn10Click();
    // btn10 as the password fields and a pending change allow (administrators only).
    void refreshPasswordButton();
    void passwordReplyTimeout();
    void dropPendingPasswordChange();

    void btnClose1Click(); // re-login

    // ---- leaving ----
    // Ends an issue mode of the card tab (the issuer goes back to read mode).
    void endIssuingOnLeave();
    void leaveIssuer(); // ends an issue mode, then closes the port
    // The session ends under the program (a termination signal): no question is asked, the
    // issuer goes back to read mode, the port and the database are closed.
    void endWithoutAsking();
    // The windows this one works with, connected at start-up: what each asks of the main window
    // and of the card tab goes through these connections.
    void attachArchiveWindow(TForm7 *archive);
    void attachPassageWindow(TForm10 *passages);
    void attachLoginWindow(TForm2 *login);

    // ---- database backup and restore (src/shell/tform1_maintenance.cpp) ----
    void btnClosebtn5Click();
    void btnClosebtn6Click();

signals:
    void reloginRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildFrame();
    void buildSystemTab();
    QPointer<TForm9> m_notFoundPrompt;      // one prompt at a time
    void setupSerial(ReplyTarget *replies); // src/issuer: the port controls and the receive path
    void onTabChanged(int index);
    void giveKeyboardShortcuts();
    void addTab(TabPage *tab); // on the page control, and told when it is shown or left
    TabPage *frameTab(QWidget *page, const QString &title, std::function<void()> shown);
    std::vector<TabPage *> m_tabs;
    std::vector<std::unique_ptr<TabPage>> m_frameTabs; // the tabs still built by this class
    QWidget *m_currentPage = nullptr;
    CardTab *m_cardTab = nullptr;
    AccountsTab *m_accountsTab = nullptr;
    HelpTab *m_helpTab = nullptr;
    ExitTab *m_exitTab = nullptr;

    SerialLink *m_serial = nullptr;
    std::unique_ptr<ReplyTarget> m_replyRouter; // each reply step to the tab it concerns
    ReceiveHandler *m_receiver = nullptr;
    bool m_skinOn = false;
    // The windows minimising hides and the tray brings back, with what each showed before.
    QPointer<QWidget> m_archiveWindow;
    QPointer<QWidget> m_passageWindow;
    bool m_archiveWasVisible = false;
    bool m_passagesWereVisible = false;
};
