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
#include <functional>
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
class Query;
class DataSource;
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

    // The query of the owner record the tab works on: the owner fields are bound to its current
    // record. The tab's own, on the data module's connection (made with the data module's
    // first use and gone with it); null while there is no data module.
    Query *ownerRecords();

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
    // The card history of the code in the card field (every card's when it is empty).
    void cardHistoryRequested(const QString &cardCode);
    // The main window is asked to show itself (the archive and passage windows hand back).
    void mainWindowRequested();

private:
    void build();
    void setStatus(const QString &text) { emit statusChanged(text); }
    void setStatusStyle(const QString &styleSheet) { emit statusStyled(styleSheet); }
    void giveKeyboardShortcuts();
    void readLampTimerTimer();

    // ---- issue modes (cardtab.cpp) ----
    void gateBoxClick();
    void singleIssueButtonClick();
    void batchIssueButtonClick();
    void extendButtonClick();
    void validityPickerChange();
    void validityPickerKeyPress();
    void startIssueButtonClick();
    void endIssueButtonClick();
    void returnButtonClick();
    void startsSentCounterChange();
    void bindArchiveFields();     // binds the owner fields once the data module exists
    bool startNewArchiveRecord(); // vehicle number and new record; false: not entered
    void sendReadModeFrame();     // with the stored issuer password
    void showOwnerPrompt(const QString &prompt, const QString &noModeMessage);
    void openDatePicker();
    void endIssuing(bool returning); // endIssueButton (false) and returnButton (true)

    // ---- gate groups (cardtab_groups.cpp); n = 1..8 ----
    void chkClick(int n);
    QCheckBox *groupCheck(int n) const;
    void selectAllButtonClick();
    void invertGatesButtonClick();
    void selectNoneButtonClick();

    // ---- owner entry (cardtab_owner.cpp); key handlers return true to swallow the key ----
    void setupOwnerEntry();
    bool ownerNameFieldKeyPress(int key);
    void ownerNameFieldMouseDown();
    void carTypeFieldEnter();
    bool carTypeFieldKeyPress(int key);
    void carTypeFieldChange();
    void phoneFieldEnter();
    bool phoneFieldKeyPress(int key);
    // A field of free text in the entry order: its prompt, the status once it is filled and
    // Enter pressed, and what comes next.
    struct TextStep
    {
        CardEdit *field;
        QString prompt;
        QString done;
        std::function<void()> next;
    };
    bool textStepKeyPress(const TextStep &step, int key);
    void validityFieldEnter();
    bool validityFieldKeyPress(int key);
    void validityFieldMouseDown();
    void cardStatusFieldMouseDown();

    // ---- card read and save (cardtab_cardread.cpp) ----
    void onCardRead(const issuer::CardRead &read);
    void onTokenRead(const issuer::TokenRead &token);
    // A card (code and validity) or a token read: counters, fields and what completes.
    void reactToRead(const QString &code, const QString &validity, const issuer::TokenRead *token);
    void saveRecordButtonClick();
    void readsCounterChange();
    void readGroupFieldChange();
    bool saveArchiveRecord(); // true when a record was written
    void duplicateCard();
    void cardWrittenWithoutRecord(const QString &reason);
    // The card history's row of a save the archive refused.
    void logRefusedSave(const QString &operation, const QString &groups, const QString &reason);

    // ---- the issuer's token reads (cardtab_replies.cpp) ----
    void lossTokenRead(const issuer::TokenRead &token);
    void unlossTokenRead(const issuer::TokenRead &token);
    QString lookupCardCode(const QString &digits);
    void showCardCode(const QString &card);

    // ---- loss, unloss and initialisation (cardtab_loss.cpp) ----
    void lossButtonClick();
    void unlossButtonClick();
    void initialiseButtonClick();
    // Each returns false when the card read ends there.
    bool cardReadCompletesInitialisation();
    // Loss (lossButton) or unloss (unlossButton): asks, remembers the card and sends the frame.
    void sendTokenRequest(bool loss);
    // The loss (false) or unloss confirmation by the token the issuer read back.
    bool confirmTokenRead(bool unloss, const QByteArray &tokenReply);
    // The card a token report stands for: the card whose loss (unloss false) or unloss was sent
    // when that operation is pending and digits are the ones its frame carried; empty otherwise.
    QString tokenCardFor(bool unloss, const QString &digits) const;

    // ---- lookups (cardtab_lookups.cpp); key handlers return true to swallow the key ----
    void setupLookups();
    bool refusedWhileBusy(); // the busy message when a mode is selected
    void codeLookupFieldChange();
    void codeLookupFieldEnter();
    bool codeLookupFieldKeyPress(int key);
    void codeLookupFieldMouseDown();
    // The plate and name lookup fields (plateLookupField, nameLookupField).
    bool textLookupKeyPress(QLineEdit *field, int key);
    void takeTextLookup(QLineEdit *field); // changed or clicked: the other two are emptied
    void lookupButtonClick();
    void expiringButtonClick();
    void archiveButtonClick();
    void passagesButtonClick();

    IssuerPort &m_port;
    std::unique_ptr<cards::IssueSession> m_session; // the issuing state (issuesession.h)
    QString m_todayText;  // the date the new records' validity starts from
    QString m_readGroups; // the gate groups of the last card read with its data
    bool m_dateChangedByPicker = false;
    QPointer<Query> m_ownerQuery;       // cardOwnerQuery, see ownerRecords()
    QPointer<DataSource> m_ownerSource; // what the owner fields are bound to
    QPointer<QWidget> m_archiveWindow;
    QPointer<QWidget> m_passageWindow;
    QPointer<QLineEdit> m_archiveCodeEdit; // the archive window's card-code search field
    QTimer *readLampTimer = nullptr;       // tmr3 lamp of the card tab

    // ---- controls (each comment starts with the control's object name) ----
    EventMemo *cardMemo = nullptr;      // RzMemo2 card and token lines
    QGroupBox *cardInfoBox = nullptr;   // rz2 "卡片信息显示区"
    QGroupBox *ownerBox = nullptr;      // rz3 "车主档案编辑区"
    QGroupBox *lookupBox = nullptr;     // rz4 "档案/记录查询/卡片挂失"
    QGroupBox *gateBox = nullptr;       // rz5 "出入口限制设置"
    QGroupBox *queryBox = nullptr;      // grp5 " 查询条件 "
    QGroupBox *validityBox = nullptr;   // grpCardMemo " 卡有效期显示 "
    QGroupBox *groupShownBox = nullptr; // grpGroupShown " 卡片组号显示 "
    QGroupBox *gateChecksBox = nullptr; // grpGates "车辆允许通行的组号(场中场功能)"
    QGroupBox *lossBox = nullptr;       // grpLoss "  卡片挂失 "
    QPushButton *singleIssueButton = nullptr; // btn12 "     单卡发行"
    QRadioButton *singleIssueMark = nullptr;  // rb1 single issue
    QPushButton *batchIssueButton = nullptr;  // btn14 "      批量发行"
    QRadioButton *batchIssueMark = nullptr;   // rb2 batch issue
    QPushButton *extendButton = nullptr;      // btn13 "卡片延期"
    QPushButton *startIssueButton = nullptr;  // btn3 "开始发行"
    QPushButton *endIssueButton = nullptr;    // btn4 "结束发行"
    QPushButton *returnButton = nullptr;      // btn25 "返回"
    QPushButton *saveRecordButton = nullptr;  // btn17 hidden "保存档案"
    QDateEdit *validityPicker = nullptr;      // dtp1 validity date
    QDateEdit *expiringHorizon = nullptr;     // dtp2 hidden: horizon of the expiring-soon list
    QLineEdit *startsSentCounter = nullptr;   // edt1 start-issuing frames sent
    QLineEdit *readsCounter = nullptr;        // edt2 card reads
    QLineEdit *readGroupField = nullptr;      // edt8 hidden: group number of the last card read
    Lamp *commandLamp = nullptr;              // shp5 command lamp
    Lamp *readLamp = nullptr;                 // shp4 read lamp
    QListWidget *readGroupsList = nullptr;    // chklst1 gate groups of the card read
    QLabel *gateGroupsLabel = nullptr;        // lbl8 "车辆允许通行的组号"
    QCheckBox *gateCheck1 = nullptr;          // chk1 gate groups "1" … "8"
    QCheckBox *gateCheck2 = nullptr;          // chk2
    QCheckBox *gateCheck3 = nullptr;          // chk3
    QCheckBox *gateCheck4 = nullptr;          // chk4
    QCheckBox *gateCheck5 = nullptr;          // chk5
    QCheckBox *gateCheck6 = nullptr;          // chk6
    QCheckBox *gateCheck7 = nullptr;          // chk7
    QCheckBox *gateCheck8 = nullptr;          // chk8
    QPushButton *selectAllButton = nullptr;   // btn11 "全选"
    QPushButton *invertGatesButton = nullptr; // btn15 "反选"
    QPushButton *selectNoneButton = nullptr;  // btn24 hidden "不选"
    // Owner fields, bound to the archive query.
    CardEdit *vehicleNumberField = nullptr; // edt9 "车辆编号:"
    QLineEdit *cardCodeField = nullptr;     // edt10 "卡片内码:" (a CardEdit)
    CardEdit *ownerNameField = nullptr;     // edt11 "车主姓名:"
    CardEdit *plateField = nullptr;         // edt12 "车牌号码:"
    CardCombo *carTypeField = nullptr;      // DBcbb3
    QLabel *carTypeLabel = nullptr;         // lbl13 "汽车类型:   "
    CardEdit *phoneField = nullptr;         // edt13 "车主手机:"
    CardEdit *vehicleInfoField = nullptr;   // edt14 "车辆信息:"
    CardEdit *validityField = nullptr;      // edt15 "有效期限:"
    CardEdit *parkingSpaceField = nullptr;  // edt16 "车场车位:"
    CardEdit *addressField = nullptr;       // edt20 "住    址:"
    CardEdit *cardStatusField = nullptr;    // edt3 "卡片状态:"
    // Lookups and loss.
    QLineEdit *codeLookupField = nullptr;    // edt17 "卡片内码:" lookup
    QLineEdit *plateLookupField = nullptr;   // edt18 "车牌号码:" lookup
    QLineEdit *nameLookupField = nullptr;    // edt19 "车主姓名:" lookup
    QPushButton *lookupButton = nullptr;     // btn18 "查询"
    QPushButton *archiveButton = nullptr;    // btn19 "显示车主档案"
    QPushButton *passagesButton = nullptr;   // btn28 "进出记录查询"
    QPushButton *historyButton = nullptr;    // btnHistory "卡片历史"
    QPushButton *expiringButton = nullptr;   // btn21 "即将过期档案"
    QPushButton *lossButton = nullptr;       // btn22 "卡片挂失"
    QPushButton *unlossButton = nullptr;     // btn23 "卡片解挂"
    QPushButton *initialiseButton = nullptr; // btn27 "卡片初始化"
};
