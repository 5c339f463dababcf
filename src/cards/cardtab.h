#pragma once
// The card tab of the main window: issuing cards (single, batch, extension), the gate groups,
// the owner record being issued, loss, unloss and initialisation, and the lookups that lead to
// the archive and passage windows. What the issuer reads reaches it through cardRead and
// tokenRead; what it sends leaves through the issuer port it is given.
//
// Its parts live in src/cards: cardtab.cpp (layout, showing, issue modes), cardtab_cardread.cpp
// (a card read and its save), cardtab_replies.cpp (the issuer's card and token reads),
// cardtab_groups.cpp, cardtab_owner.cpp, cardtab_loss.cpp and cardtab_lookups.cpp.
#include "common/tabpage.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class CardCombo;
class CardEdit;
class EventMemo;
class IssuerPort;
class Lamp;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;
class TForm7;
class TForm10;
namespace cards {
class IssueSession;
}
namespace issuer {
struct CardRead;
struct TokenRead;
} // namespace issuer

class CardTab : public QWidget, public TabPage
{
    Q_OBJECT
public:
    explicit CardTab(IssuerPort &port, QWidget *parent = nullptr);
    ~CardTab() override;

    QWidget *page() override { return this; }
    QString title() const override;
    // Shown by role; coming back with a mode active ends it first.
    void shown() override;

    const cards::IssueSession &issueSession() const { return *m_session; }
    // Whether an issue mode is chosen or issuing is open (leaving the tab ends it).
    bool issuingActive() const;
    bool modeSelected() const; // single or batch chosen, or an extension active
    // At each login: idle, today's date in the picker, the expiring horizon ten days on.
    void prepare();
    // The read lamp turns red again every second after a read lit it (started at login).
    void startReadLamp();
    // Leaving the card tab for another tab or window while a mode is active ends the mode as
    // "返回" does, so the issuer stops writing cards.
    void endIssuingOnLeave();

    // What the issuer read (the receive path's card and token steps).
    void cardRead(const issuer::CardRead &read);
    void tokenRead(const issuer::TokenRead &token);

    // The windows the tab works with, connected at start-up.
    void attachArchiveWindow(TForm7 *archive);
    void attachPassageWindow(TForm10 *passages);

signals:
    // Text for the main window's status line, and a style for it.
    void statusChanged(const QString &text);
    void statusStyled(const QString &styleSheet);
    void archiveWindowRequested();
    void expiringArchiveRequested();
    void passageWindowRequested();
    // The main window is asked to show itself (the archive and passage windows hand back).
    void mainWindowRequested();

private:
    void build();
    void setStatus(const QString &text) { emit statusChanged(text); }
    void setStatusStyle(const QString &styleSheet) { emit statusStyled(styleSheet); }
    void giveKeyboardShortcuts();
    void tmr3Timer();

    // ---- issue modes (cardtab.cpp) ----
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
    void bindArchiveFields();     // binds the owner fields once the data module exists
    bool startNewArchiveRecord(); // vehicle number and new record; false: not entered
    void sendReadModeFrame();     // with the stored issuer password
    void showOwnerPrompt(const QString &prompt, const QString &noModeMessage);
    void openDatePicker();
    void endIssuing(bool returning); // btn4 (false) and btn25 (true)

    // ---- gate groups (cardtab_groups.cpp); n = 1..8 ----
    void chkClick(int n);
    QCheckBox *groupCheck(int n) const;
    void btn11Click();
    void btn15Click();
    void btn24Click();

    // ---- owner entry (cardtab_owner.cpp); key handlers return true to swallow the key ----
    void setupOwnerEntry();
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

    // ---- card read and save (cardtab_cardread.cpp) ----
    void onCardRead(const issuer::CardRead &read);
    void onTokenRead(const issuer::TokenRead &token);
    // A card (code and validity) or a token read: counters, fields and what completes.
    void reactToRead(const QString &code, const QString &validity, const issuer::TokenRead *token);
    void btn17Click();
    void edt2Change();
    void edt8Change();
    bool saveArchiveRecord(); // true when a record was written
    void duplicateCard();
    void cardWrittenWithoutRecord(const QString &reason);

    // ---- the issuer's token reads (cardtab_replies.cpp) ----
    void lossTokenRead(const issuer::TokenRead &token);
    void unlossTokenRead(const issuer::TokenRead &token);
    QString lookupCardCode(const QString &digits);
    void showCardCode(const QString &card);

    // ---- loss, unloss and initialisation (cardtab_loss.cpp) ----
    void btn22Click();
    void btn23Click();
    void btn27Click();
    // Each returns false when the card read ends there.
    bool cardReadCompletesInitialisation();
    // Loss (btn22) or unloss (btn23): asks, remembers the card and sends the frame.
    void sendTokenRequest(bool loss);
    // The loss (false) or unloss confirmation by the token the issuer read back.
    bool confirmTokenRead(bool unloss, const QByteArray &tokenReply);
    // The card a token report stands for: the card whose loss (unloss false) or unloss was sent
    // when that operation is pending and digits are the ones its frame carried; empty otherwise.
    QString tokenCardFor(bool unloss, const QString &digits) const;

    // ---- lookups (cardtab_lookups.cpp); key handlers return true to swallow the key ----
    void setupLookups();
    bool refusedWhileBusy(); // the busy message when a mode is selected
    void edt17Change();
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

    IssuerPort &m_port;
    std::unique_ptr<cards::IssueSession> m_session; // the issuing state (issuesession.h)
    QString m_todayText;  // the date the new records' validity starts from
    QString m_readGroups; // the gate groups of the last card read with its data
    bool m_dateChangedByPicker = false;
    QPointer<QWidget> m_archiveWindow;
    QPointer<QWidget> m_passageWindow;
    QPointer<QLineEdit> m_archiveCodeEdit; // the archive window's card-code search field
    QTimer *tmr3 = nullptr;                // lamp of the card tab

    // ---- controls (object names as named here) ----
    EventMemo *RzMemo2 = nullptr;       // card and token lines
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
    QDateEdit *dtp1 = nullptr;          // validity date
    QDateEdit *dtp2 = nullptr;          // hidden: horizon of the expiring-soon list
    QLineEdit *edt1 = nullptr;          // start-issuing frames sent
    QLineEdit *edt2 = nullptr;          // card reads
    QLineEdit *edt8 = nullptr;          // hidden: group number of the last card read
    Lamp *shp5 = nullptr;               // command lamp
    Lamp *shp4 = nullptr;               // read lamp
    QListWidget *chklst1 = nullptr;     // gate groups of the card read
    QLabel *lbl8 = nullptr;             // "车辆允许通行的组号"
    QCheckBox *chk1 = nullptr;          // gate groups "1" … "8"
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
    CardEdit *edt9 = nullptr;   // "车辆编号:"
    QLineEdit *edt10 = nullptr; // "卡片内码:" (a CardEdit)
    CardEdit *edt11 = nullptr;  // "车主姓名:"
    CardEdit *edt12 = nullptr;  // "车牌号码:"
    CardCombo *DBcbb3 = nullptr;
    QLabel *lbl13 = nullptr;   // "汽车类型:   "
    CardEdit *edt13 = nullptr; // "车主手机:"
    CardEdit *edt14 = nullptr; // "车辆信息:"
    CardEdit *edt15 = nullptr; // "有效期限:"
    CardEdit *edt16 = nullptr; // "车场车位:"
    CardEdit *edt20 = nullptr; // "住    址:"
    CardEdit *edt3 = nullptr;  // "卡片状态:"
    // Lookups and loss.
    QLineEdit *edt17 = nullptr;   // "卡片内码:" lookup
    QLineEdit *edt18 = nullptr;   // "车牌号码:" lookup
    QLineEdit *edt19 = nullptr;   // "车主姓名:" lookup
    QPushButton *btn18 = nullptr; // "查询"
    QPushButton *btn19 = nullptr; // "显示车主档案"
    QPushButton *btn28 = nullptr; // "进出记录查询"
    QPushButton *btn21 = nullptr; // "即将过期档案"
    QPushButton *btn22 = nullptr; // "卡片挂失"
    QPushButton *btn23 = nullptr; // "卡片解挂"
    QPushButton *btn27 = nullptr; // "卡片初始化"
};
