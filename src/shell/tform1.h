#pragma once
// The main window: the frame (status bar, page control, tray icon, timers, exit) and the tabs it
// still builds itself, whose handlers each subsystem defines in its own folder
// (src/issuer/tform1_serial.cpp, src/cards/tform1_cards.cpp ...). Tabs that are classes of their
// own (AccountsTab) are added with addTab.
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class AccountsTab;
class HelpTab;
class ExitTab;
class QAction;
class TForm2;
class TForm7;
class TForm10;
class TForm9;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QTableView;
class QTimer;
class ClickLabel;
class EventMemo;
class Lamp;
class DBEdit;
class DBComboBox;
class CardEdit;
class CardCombo;
class QueryTableModel;
class SerialLink;
class ReceiveHandler;
class ReplyTarget;
class TabPage;
enum class IssuerFrame;
namespace cards {
class IssueSession;
}
namespace issuer {
struct CardRead;
struct TokenRead;
struct StatusAnswer;
} // namespace issuer

class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;
    const cards::IssueSession &issueSession() const { return *m_session; }
    // Whether an issue mode is chosen or issuing is open (leaving the card tab ends it).
    bool issuingActive() const;

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
    QTimer *tmr3 = nullptr; // lamp of the card tab
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

    // ---- card tab (the controls other tabs and the issuer link reach) ----
    EventMemo *RzMemo2 = nullptr; // card and token lines
    QLineEdit *edt17 = nullptr;   // lookup field
    QLineEdit *edt10 = nullptr;   // card code of the current archive record (a CardEdit)
    Lamp *shp4 = nullptr;
    QListWidget *chklst1 = nullptr; // gate groups
    QDateEdit *dtp1 = nullptr;      // validity date
    QDateEdit *dtp2 = nullptr;      // hidden: horizon of the expiring-soon list
    // Issuing (src/cards/tform1_cards.cpp).
    QGroupBox *rz2 = nullptr;           // "卡片信息显示区"
    QGroupBox *rz3 = nullptr;           // "车主档案编辑区"
    QGroupBox *rz4 = nullptr;           // "档案/记录查询/卡片挂失"
    QGroupBox *rz5 = nullptr;           // "出入口限制设置"
    QGroupBox *grp5 = nullptr;          // " 查询条件 "
    QGroupBox *grpCardMemo = nullptr;   // " 卡有效期显示 "
    QGroupBox *grpGroupShown = nullptr; // " 卡片组号显示 "
    QGroupBox *grpGates = nullptr;      // "车辆允许通行的组号(场中场功能)"
    QGroupBox *grpLoss = nullptr;       // "  卡片挂失 "
    QPushButton *btn12 = nullptr;       // "     单卡发行"
    QRadioButton *rb1 = nullptr;        // single issue
    QPushButton *btn14 = nullptr;       // "      批量发行"
    QRadioButton *rb2 = nullptr;        // batch issue
    QPushButton *btn13 = nullptr;       // "卡片延期"
    QPushButton *btn3 = nullptr;        // "开始发行"
    QPushButton *btn4 = nullptr;        // "结束发行"
    QPushButton *btn25 = nullptr;       // "返回"
    QPushButton *btn17 = nullptr;       // hidden "保存档案"
    QLineEdit *edt1 = nullptr;          // start-issuing frames sent
    QLineEdit *edt2 = nullptr;          // card reads
    QLineEdit *edt8 = nullptr;          // hidden: group number of the last card read
    Lamp *shp5 = nullptr;               // command lamp
    QLabel *lbl8 = nullptr;             // "车辆允许通行的组号"
    // Gate groups.
    QCheckBox *chk1 = nullptr;
    QCheckBox *chk2 = nullptr;
    QCheckBox *chk3 = nullptr;
    QCheckBox *chk4 = nullptr;
    QCheckBox *chk5 = nullptr;
    QCheckBox *chk6 = nullptr;
    QCheckBox *chk7 = nullptr;
    QCheckBox *chk8 = nullptr;
    QPushButton *btn11 = nullptr; // "全选"
    QPushButton *btn15 = nullptr; // "反选"
    QPushButton *btn24 = nullptr; // hidden "不选"
    // Owner fields, bound to the archive query.
    CardEdit *edt9 = nullptr;  // 车辆编号
    CardEdit *edt11 = nullptr; // 车主姓名
    CardEdit *edt12 = nullptr; // 车牌号码
    CardCombo *DBcbb3 = nullptr;
    QLabel *lbl13 = nullptr;   // "汽车类型:   "
    CardEdit *edt13 = nullptr; // 车主手机
    CardEdit *edt14 = nullptr; // 车辆信息
    CardEdit *edt15 = nullptr; // 卡片有效期限
    CardEdit *edt16 = nullptr; // 车场车位
    CardEdit *edt20 = nullptr; // 住址
    CardEdit *edt3 = nullptr;  // 卡片状态
    // Lookups and loss (their handlers belong to the lookups of the tab).
    QLineEdit *edt18 = nullptr;   // plate
    QLineEdit *edt19 = nullptr;   // name
    QPushButton *btn18 = nullptr; // "查询"
    QPushButton *btn19 = nullptr; // "显示车主档案"
    QPushButton *btn28 = nullptr; // "进出记录查询"
    QPushButton *btn21 = nullptr; // "即将过期档案"
    QPushButton *btn22 = nullptr; // "卡片挂失"
    QPushButton *btn23 = nullptr; // "卡片解挂"
    QPushButton *btn27 = nullptr; // "卡片初始化"

    // ---- exit tab ----

    // ---- frame handlers (src/shell) ----
    void FormCreate();
    void FormShow();
    // At each login: the system tab as the role allows (src/issuer/tform1_systemtab.cpp) and the
    // card tab idle (src/cards/tform1_cards.cpp).
    void startSystemTab();
    void prepareCardTab();
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
    void tmr3Timer();
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
    void sendFrame(IssuerFrame kind, const QByteArray &frame);
    // Frame write and flush on PortNo.
    void writeFrame(const QByteArray &frame);
    void flushPort();
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

    // ---- card tab (src/cards) ----
    void rztbshtTabSheet3Show();
    // What the issuer read: the card memo already shows its line.
    void onCardRead(const issuer::CardRead &read);
    void onTokenRead(const issuer::TokenRead &token);
    void edt17Change();
    // Issue modes (src/cards/tform1_cards.cpp).
    void rz5Click();
    void btn12Click();
    void btn14Click();
    void btn13Click();
    void dtp1Change();
    void dtp1KeyPress();
    void btn3Click();
    void btn4Click();
    void btn25Click();
    void edt1Change();
    // Leaving the card tab for another window (the archive window's exit and close) while a
    // mode is active ends the mode as "返回" does, so the issuer stops writing cards.
    void endIssuingOnLeave();
    void leaveIssuer(); // ends an issue mode, then closes the port
    // The session ends under the program (a termination signal): no question is asked, the
    // issuer goes back to read mode, the port and the database are closed.
    void endWithoutAsking();
    // The windows this one works with, connected at start-up: what each asks of the main window
    // and what the card tab asks of it goes through these connections.
    void attachArchiveWindow(TForm7 *archive);
    void attachPassageWindow(TForm10 *passages);
    void attachLoginWindow(TForm2 *login);
    // The archive window's card-code search field, which issuer replies and card reads fill in;
    // null while no archive window is attached.
    QLineEdit *archiveCodeEdit() const;
    bool modeSelected() const; // rb1 or rb2 checked, or an extension active
    // Gate groups (src/cards/tform1_groups.cpp); n = 1..8.
    void chkClick(int n);
    QCheckBox *groupCheck(int n) const;
    void btn11Click();
    void btn15Click();
    void btn24Click();
    // Owner entry (src/cards/tform1_owner.cpp). Key handlers return true to swallow the key.
    bool edt11KeyPress(int key);
    void edt11MouseDown();
    void edt12Enter();
    bool edt12KeyPress(int key);
    void DBcbb3Enter();
    bool DBcbb3KeyPress(int key);
    void DBcbb3Change();
    void edt13Enter();
    bool edt13KeyPress(int key);
    void edt14Enter();
    bool edt14KeyPress(int key);
    void edt16Enter();
    bool edt16KeyPress(int key);
    void edt20Enter();
    bool edt20KeyPress(int key);
    void edt15Enter();
    bool edt15KeyPress(int key);
    void edt15MouseDown();
    void edt3MouseDown();
    // Card read and save (src/cards/tform1_cardread.cpp).
    void btn17Click();
    void edt2Change();
    void edt8Change();
    // Loss, unloss and initialisation (src/cards/tform1_loss.cpp).
    void btn22Click();
    void btn23Click();
    void btn27Click();
    // The card a token report stands for: the card whose loss (unloss false) or unloss was sent
    // when that operation is pending and digits are the ones its frame carried; empty otherwise.
    QString tokenCardFor(bool unloss, const QString &digits) const;
    // Lookups (src/cards/tform1_lookups.cpp). Key handlers return true to swallow the key.
    void edt17Enter();
    bool edt17KeyPress(int key);
    void edt17MouseDown();
    void edt18Enter();
    bool edt18KeyPress(int key);
    void edt18Change();
    void edt18MouseDown();
    void edt19Enter();
    bool edt19KeyPress(int key);
    void edt19Change();
    void edt19MouseDown();
    void btn18Click();
    void btn21Click();
    void btn19Click();
    void btn28Click();

    void btnClose1Click(); // re-login

    // ---- database backup and restore (src/shell/tform1_maintenance.cpp) ----
    void btnClosebtn5Click();
    void btnClosebtn6Click();

signals:
    void archiveWindowRequested();
    void expiringArchiveRequested();
    void passageWindowRequested();
    void reloginRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildFrame();
    void buildSystemTab();
    void buildCardTab();
    // ---- card tab (src/cards) ----
    void setupOwnerEntry();       // the owner fields' key, focus and mouse hooks
    void bindArchiveFields();     // binds the owner fields once the data module exists
    bool startNewArchiveRecord(); // vehicle number and new record; false: not entered
    void sendReadModeFrame();     // with the stored issuer password
    void showOwnerPrompt(const QString &prompt, const QString &noModeMessage);
    void openDatePicker();
    void endIssuing(bool returning); // btn4 (false) and btn25 (true)
    bool saveArchiveRecord(); // the three branches of btn17Click; true when a record was written
    void duplicateCard();
    void cardWrittenWithoutRecord(const QString &reason);
    // Loss, unloss and initialisation complete inside the card read; these are where they
    // join it. Each returns false when the card read ends there.
    bool cardReadCompletesInitialisation();
    // Loss (btn22) or unloss (btn23): asks, remembers the card and sends the frame.
    void sendTokenRequest(bool loss);
    // The loss (false) or unloss confirmation by the token the issuer read back.
    bool confirmTokenRead(bool unloss, const QByteArray &tokenReply);
    // A card (code and validity) or a token read: counters, fields and what completes.
    void reactToRead(const QString &code, const QString &validity, const issuer::TokenRead *token);
    QString m_readGroups;    // the gate groups of the last card read with its data
    void setupLookups();     // the query fields' hooks and the lookup buttons
    bool refusedWhileBusy(); // the busy message when a mode is selected
    bool m_dateChangedByPicker = false;
    // The card tab's issuing state (src/cards/issuesession.h).
    std::unique_ptr<cards::IssueSession> m_session;
    QPointer<TForm9> m_notFoundPrompt;      // one prompt at a time
    void setupSerial(ReplyTarget *replies); // src/issuer: the port controls and the receive path
    void onTabChanged(int index);
    void giveKeyboardShortcuts();
    void addTab(TabPage *tab); // on the page control, and told when it is shown or left
    TabPage *frameTab(QWidget *page, const QString &title, std::function<void()> shown);
    std::vector<TabPage *> m_tabs;
    std::vector<std::unique_ptr<TabPage>> m_frameTabs; // the tabs still built by this class
    QWidget *m_currentPage = nullptr;
    AccountsTab *m_accountsTab = nullptr;
    HelpTab *m_helpTab = nullptr;
    ExitTab *m_exitTab = nullptr;

    SerialLink *m_serial = nullptr;
    ReplyTarget *m_replies = nullptr; // the event controls as the receive handler sees them
    ReceiveHandler *m_receiver = nullptr;
    bool m_skinOn = false;
    // The windows minimising hides and the tray brings back, with what each showed before.
    QPointer<QWidget> m_archiveWindow;
    QPointer<QWidget> m_passageWindow;
    bool m_archiveWasVisible = false;
    bool m_passagesWereVisible = false;
    QPointer<QLineEdit> m_archiveCodeEdit;
};
