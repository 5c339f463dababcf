#pragma once
// The system tab of the main window: the link to the issuer (the port choice, the search for the
// issuer and the supervision of the link, the port events, the lamps and counters), the issuer
// password change, and the database backup and restore. It owns the serial link and its receive
// path, and is the issuer port every other tab sends through.
//
// Its parts live in src/issuer: systemtab.cpp (layout, showing it, the start at login),
// systemtab_serial.cpp (the port and the receive path), systemtab_search.cpp (the search and
// the supervision), systemtab_password.cpp and systemtab_maintenance.cpp (backup, restore).
#include "common/tabpage.h"
#include "issuer/issuerport.h"
#include "issuer/passwordrules.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class EventMemo;
class Lamp;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class ReceiveHandler;
class ReplyTarget;
class SerialLink;
class TForm9;
namespace issuer {
struct StatusAnswer;
}

class SystemTab : public QWidget, public TabPage, public IssuerPort
{
    Q_OBJECT
public:
    explicit SystemTab(QWidget *parent = nullptr);
    ~SystemTab() override;

    QWidget *page() override { return this; }
    QString title() const override;
    // The special functions as the role allows.
    void shown() override;
    // At each login: the tab as the role allows and, for administrators, the first search.
    void start();
    // The receive path hands each reply's steps to replies (made once, after the tabs exist).
    void connectReplies(ReplyTarget *replies);

    // ---- the issuer port ----
    // The one way a frame leaves the program: flushes PortNo first where that frame's sender
    // does (flushesBeforeSending), writes it, then counts it in sentCounter where it is one of the
    // frames the issuer search counts (countsAsSent). Every sender goes through here.
    void sendFrame(IssuerFrame kind, const QByteArray &frame) override;
    // Frame write and flush on PortNo.
    void writeFrame(const QByteArray &frame) override;
    void flushPort() override;
    void closePort(int port);
    SerialLink *serialLink() const { return m_serial; }
    ReceiveHandler *receiveHandler() const { return m_receiver; }
    QStringList GetComPortList();
    // A reply confirmed the issuer since the last search.
    bool linkUp() const { return m_linkUp; }
    // A password change was sent and its answer is awaited.
    bool passwordChangePending() const { return m_passwordChangePending; }
    // The issuer-not-found prompt while it is open.
    TForm9 *notFoundPrompt() const;
    bool skinOn() const { return m_skinOn; }
    // The archive window's hand-over turns "手动测试" off.
    void disableManualTest();

    // What the receive path reports: an event line, and a status answer after its event line.
    // False when the issuer took a new password that could not be stored (the pane says so).
    void addEventLine(const QString &line);
    bool onStatusAnswer(const issuer::StatusAnswer &answer);
    void addStatusLine(const QString &line);

    // The port handlers (the buttons run them; the start and the search run them as well).
    bool initirq();
    void openPortButtonClick();
    void closePortButtonClick();
    void reconnectButtonClick();
    // Returns true when the key was swallowed.
    bool portChoiceKeyPress(int key);

    // What the not-found prompt needs while it is open: the supervision paused, and whether an
    // event line arrived since it showed (a count of the lines added so far).
    void pauseSupervision();
    quint64 eventLinesAdded() const { return m_eventLinesAdded; }
    bool eventMemoEmpty() const;

signals:
    // Text for the main window's status line, and a style for it.
    void statusChanged(const QString &text);
    void statusStyled(const QString &styleSheet);
    // The link at a glance for the status bar: its text, tooltip and style.
    void linkShown(const QString &text, const QString &tip, const QString &styleSheet);
    // The link broke: an issue mode of the card tab ends.
    void issuingEndRequested();
    void exitClicked();    // "退出系统"
    void reloginClicked(); // "重新登录"
    // The operator leaves from the not-found prompt: the window's place is saved first.
    void leaving();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void build();
    void fitColumns();
    void setStatus(const QString &text) { emit statusChanged(text); }
    void setStatusStyle(const QString &styleSheet) { emit statusStyled(styleSheet); }
    void setLinkUp(bool up); // ... and the status bar's indicator shows it
    void showLinkState();
    void skinButtonClick();
    void activityTimerTimer();

    // ---- serial port and replies (systemtab_serial.cpp) ----
    void setupSerial();
    void checkButtonClick();
    void portChoiceChange();
    // Change handlers of the event memos: any event line shows the link alive; the counter memo
    // keeps the newest status replies.
    void eventMemoChange();
    void statusReplyMemoChange();

    // ---- the search for the issuer and the supervision of the link (systemtab_search.cpp) ----
    void setupSearch();
    void firstSearchTimerTimer();
    void searchButtonClick();
    void identifyButtonClick();
    void confirmButtonClick();
    void nextPortTimerTimer();
    void manualTestButtonClick();
    void sentCounterChange();
    void repliesCounterChange();
    void supervisionTimerTimer();
    void supervisedPortListChange();
    void portListAtStartChange();
    // Adds one to the frame counter sentCounter (which runs its change handler).
    void countFrame();

    // ---- the issuer password change (systemtab_password.cpp) ----
    void setupPassword();
    // Key handlers return true when the key was swallowed.
    bool passCodeFieldKeyPress(int key);
    // The old and the new password fields (edtold_word, edtnew_word): six characters enable the
    // next field, Enter goes on to it.
    struct PasswordStep
    {
        QLineEdit *field;
        issuer::PasswordField kind;
        QLineEdit *next;
        bool clearNextOnEnter;
    };
    bool passwordStepKeyPress(const PasswordStep &step, int key);
    void passwordStepChange(const PasswordStep &step);
    bool edtpass_wordKeyPress(int key);
    void edtpass_wordChange();
    void changePasswordButtonClick();
    // changePasswordButton as the password fields and a pending change allow (administrators only).
    void refreshPasswordButton();
    void passwordReplyTimeout();
    void dropPendingPasswordChange();

    // ---- database backup and restore (systemtab_maintenance.cpp) ----
    void backupButtonClick();
    void restoreButtonClick();

    SerialLink *m_serial = nullptr;
    ReceiveHandler *m_receiver = nullptr;
    QPointer<TForm9> m_notFoundPrompt; // one prompt at a time
    bool m_skinOn = false;
    // State of the issuer search and the password change.
    bool m_linkUp = false;
    bool m_passwordChangePending = false; // a change was sent and its answer is awaited
    bool m_passwordReplyOverdue = false;  // ... for longer than the time-out
    struct PendingPassword
    {
        QString old, entered, confirmed;
    } m_pendingPassword;           // the change sent last
    bool m_searching = false;      // a search is running (timers do not start another)
    quint64 m_linkUps = 0;         // times a reply brought the link up
    int m_deniedPort = 0;          // a port the search found but may not open (0: none)
    quint64 m_eventLinesAdded = 0; // lines added to eventMemo so far (the prompt watches it)

    // ---- timers (each comment starts with the timer's object name) ----
    QTimer *nextPortTimer = nullptr;      // tmr1 next port of the search
    QTimer *firstSearchTimer = nullptr;   // tmr4 first search, one shot
    QTimer *supervisionTimer = nullptr;   // tmr5 port-list supervision
    QTimer *activityTimer = nullptr;      // tmr6 activity lamp
    QTimer *passwordReplyTimer = nullptr; // ends a password change the issuer never answered

    // ---- controls (each comment starts with the control's object name) ----
    QGroupBox *carParkBoxLeft = nullptr;       // RzGroupBox2 "车场示意图"
    QGroupBox *carParkBoxRight = nullptr;      // RzGroupBox3 "车场示意图"
    QGroupBox *portEventsBox = nullptr;        // RzGroupBox4 "端口事件显示"
    QGroupBox *specialFunctionsBox = nullptr;  // RzGroupBox5 "特殊功能区"
    QGroupBox *statusBox = nullptr;            // RzGroupBoxStatus " 状态指示 "
    EventMemo *eventMemo = nullptr;            // RzMemo1 port events
    EventMemo *statusReplyMemo = nullptr;      // RzMemo5 hidden: status replies
    EventMemo *portListAtStart = nullptr;      // RzMemo6 hidden: port list at show / link up
    EventMemo *supervisedPortList = nullptr;   // RzMemo4 port list of the supervision
    EventMemo *spareMemo = nullptr;            // memo2 hidden
    QComboBox *portChoice = nullptr;           // ComTxt the port
    QPushButton *openPortButton = nullptr;     // opencmd "打开串口"
    QPushButton *closePortButton = nullptr;    // CLpc1 "关闭串口"
    QPushButton *reconnectButton = nullptr;    // btnClose2 "重新连接"
    QPushButton *manualTestButton = nullptr;   // btn2 "手动测试"
    QPushButton *checkButton = nullptr;        // btn26 hidden "检测"
    Lamp *linkLamp = nullptr;                  // shp3 link lamp
    Lamp *activityLamp = nullptr;              // shp1 activity lamp
    QLineEdit *sentCounter = nullptr;          // edt6 frames sent without reply
    QLineEdit *repliesCounter = nullptr;       // edt7 replies counted
    QPushButton *exitButton = nullptr;         // btn1 "退出系统"
    QPushButton *reloginButton = nullptr;      // btnClose1 "重新登录"
    QPushButton *skinButton = nullptr;         // btn16 "CloseVCL"
    QLineEdit *passCodeField = nullptr;        // edt4 "输入口令:" special-function pass code
    QLineEdit *oldPasswordField = nullptr;     // edtmm1 "原密码:" old issuer password
    QLineEdit *newPasswordField = nullptr;     // edtmm2 "新密码:" new issuer password
    QLineEdit *confirmPasswordField = nullptr; // edtmm3 "确认:" new issuer password, confirmation
    QPushButton *searchButton = nullptr;       // btn5 "搜索"
    QPushButton *identifyButton = nullptr;     // btn6 "识别"
    QPushButton *confirmButton = nullptr;      // btn9 "确认"
    QPushButton *changePasswordButton = nullptr; // btn10 "修改密码"
    QPushButton *backupButton = nullptr;         // btnClosebtn5 "备份数据库"
    QPushButton *restoreButton = nullptr;        // btnClosebtn6 "还原数据库"
    QProgressBar *progressBar = nullptr;         // g1 backup and restore progress
    QLabel *passCodeLabel = nullptr;             // lbl4 "输入口令:"
};
