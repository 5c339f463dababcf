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
    // does (flushesBeforeSending), writes it, then counts it in edt6 where it is one of the
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
    void opencmdClick();
    void CLpc1Click();
    void btnClose2Click();
    // Returns true when the key was swallowed.
    bool ComTxtKeyPress(int key);

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
    friend class TForm9; // the prompt pauses the supervision and watches the event lines
    void build();
    void fitColumns();
    void setStatus(const QString &text) { emit statusChanged(text); }
    void setStatusStyle(const QString &styleSheet) { emit statusStyled(styleSheet); }
    void setLinkUp(bool up); // ... and the status bar's indicator shows it
    void showLinkState();
    void btn16Click();
    void tmr6Timer();

    // ---- serial port and replies (systemtab_serial.cpp) ----
    void setupSerial();
    void btn26Click();
    void ComTxtChange();
    // Change handlers of the event memos: any event line shows the link alive; the counter memo
    // keeps the newest status replies.
    void RzMemo1Change();
    void RzMemo5Change();

    // ---- the search for the issuer and the supervision of the link (systemtab_search.cpp) ----
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

    // ---- the issuer password change (systemtab_password.cpp) ----
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

    // ---- database backup and restore (systemtab_maintenance.cpp) ----
    void btnClosebtn5Click();
    void btnClosebtn6Click();

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
    quint64 m_eventLinesAdded = 0; // lines added to RzMemo1 so far (the prompt watches it)

    // ---- timers (object names as named here) ----
    QTimer *tmr1 = nullptr;               // next port of the search
    QTimer *tmr4 = nullptr;               // first search, one shot
    QTimer *tmr5 = nullptr;               // port-list supervision
    QTimer *tmr6 = nullptr;               // activity lamp
    QTimer *passwordReplyTimer = nullptr; // ends a password change the issuer never answered

    // ---- controls (object names as named here) ----
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
    QComboBox *ComTxt = nullptr;           // the port
    QPushButton *opencmd = nullptr;        // "打开串口"
    QPushButton *CLpc1 = nullptr;          // "关闭串口"
    QPushButton *btnClose2 = nullptr;      // "重新连接"
    QPushButton *btn2 = nullptr;           // "手动测试"
    QPushButton *btn26 = nullptr;          // hidden "检测"
    Lamp *shp3 = nullptr;                  // link lamp
    Lamp *shp1 = nullptr;                  // activity lamp
    QLineEdit *edt6 = nullptr;             // frames sent without reply
    QLineEdit *edt7 = nullptr;             // replies counted
    QPushButton *btn1 = nullptr;           // "退出系统"
    QPushButton *btnClose1 = nullptr;      // "重新登录"
    QPushButton *btn16 = nullptr;          // "CloseVCL"
    QLineEdit *edt4 = nullptr;             // "输入口令:" special-function pass code
    QLineEdit *edtmm1 = nullptr;           // "原密码:" old issuer password
    QLineEdit *edtmm2 = nullptr;           // "新密码:" new issuer password
    QLineEdit *edtmm3 = nullptr;           // "确认:" new issuer password, confirmation
    QPushButton *btn5 = nullptr;           // "搜索"
    QPushButton *btn6 = nullptr;           // "识别"
    QPushButton *btn9 = nullptr;           // "确认"
    QPushButton *btn10 = nullptr;          // "修改密码"
    QPushButton *btnClosebtn5 = nullptr;   // "备份数据库"
    QPushButton *btnClosebtn6 = nullptr;   // "还原数据库"
    QProgressBar *g1 = nullptr;            // backup and restore progress
    QLabel *lbl4 = nullptr;                // "输入口令:"
};
