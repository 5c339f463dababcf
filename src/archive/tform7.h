#pragma once
// The owner archive window: the records of CZdata in a grid on the data module's Qryda1 (the
// window's own query; the card tab has another on the same connection), the
// searches by card code, plate and owner name (the card code also filled by every card read),
// the expired and expiring-soon lists, edit, save and delete. New records come from the card
// tab's issuing, which Add hands over to.
//
// What the card tab uses:
//   showArchive()          btn19: shows the window, which then lists every record
//   showExpiringArchive()  btn21: the same with the expiring-soon list, until the window is
//                          left
//   edt1                   the card read clears it and writes the card code into it
//   cardModeActive         set by the card tab: whether an issue mode is chosen (without it:
//                          none is)
//   expiringUntil          set by the card tab: the last day of the expiring-soon list (its
//                          dtp2; without it ten days from today)
//   signals                connected by the card tab (direct, they run inside the handler):
//     addRequested()          Add: enable rb1, press btn12, enable btn14
//     lookupsClearRequested() Exit and Close: empty edt18 and edt19
//     cardTabResetRequested() Exit and Close: hide dtp1, uncheck and enable rb1 and rb2, enable
//                             btn12 and btn14, disable btn3 and btn4, btn13 normal face and
//                             disabled, disable btn27, btn22 and btn23
//     archiveSaveDisableRequested() showing: disable btn17
//     cardSaveDisableRequested()    showing an empty archive: disable btn2
//     cardTabDateRequested(day)     showing: dtp1 := day, without its change reaction
//     cardCodeFieldResetRequested() Add, Exit and Close: edt17 := "读卡录入..."
//     cardTabStatusRequested(text)  Add, Exit and Close: the card tab's status pane
//     cardTabShowRequested()        the main window is shown
//     issuingEndRequested()         Exit and Close, before anything else: an issue mode ends as
//                                   "返回" ends it (the issuer back in read mode)
#include <QDate>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTableView;
class ArchiveGridModel;
class Query;
class CardHistoryWindow;
namespace owners {
struct Selection;
}

class TForm7 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm7(QWidget *parent = nullptr);
    ~TForm7() override;

    // Shows the window (not modal) and brings it to the front.
    void showArchive();
    void showExpiringArchive();
    bool listsExpiring() const { return m_listExpiring; }

    std::function<bool()> cardModeActive;
    std::function<QDate()> expiringUntil;

    // ---- controls ----
    QPushButton *btnAddCmd = nullptr;    // "添加&A"
    QPushButton *btnEditCmd = nullptr;   // "编辑&E"
    QPushButton *btnDelCmd = nullptr;    // "删除&D"
    QPushButton *btnExitCmd = nullptr;   // "退出&C"
    QPushButton *btnHistory = nullptr;   // "卡片历史&H": the selected owner's card
    QPushButton *btnSeaCmd = nullptr;    // "查询&G"
    QPushButton *btnAllSeaCmd = nullptr; // "全部显示"
    QPushButton *btn1 = nullptr;         // "打印&F"
    QPushButton *btn2 = nullptr;         // "保存&S"
    QPushButton *btn3 = nullptr;         // "过期档案"
    QPushButton *btn4 = nullptr;         // "导出&B"
    QLineEdit *edt1 = nullptr;           // card code search, filled by card reads
    QLineEdit *edtGhCode = nullptr;      // plate search
    QLineEdit *edtXmEdt = nullptr;       // owner name search
    QTableView *DBFLGrid = nullptr;
    ArchiveGridModel *DBFLGridModel = nullptr;
    QStatusBar *statusBar = nullptr;
    QLabel *wtxt1 = nullptr;
    QLabel *wtxt2 = nullptr;
    QLabel *wtxt3 = nullptr;
    QLabel *lbl5 = nullptr;
    QLabel *lbl6 = nullptr;

    // ---- handlers ----
    void FormShow();
    void FormClose();
    void btnAllSeaCmdClick();
    void btnSeaCmdClick();
    void btn3Click();
    void btnEditCmdClick();
    void btn2Click();
    void btnDelCmdClick();
    void btnAddCmdClick();
    void btnExitCmdClick();
    void btnHistoryClick();
    // Shows the card history window for a card (every card's for an empty code).
    void showCardHistory(const QString &cardCode);
    CardHistoryWindow *historyWindow() const { return m_history; }
    void btn1Click();
    void btn4Click();
    void edt1Change();
    void edtGhCodeChange();
    void edtXmEdtChange();
    // Returns true when the key is discarded.
    bool edt1KeyPress(int key, const QString &text);
    bool DBFLGridKeyPress();
    void DBFLGridKeyDown();
    void DBFLGridCellClick();

signals:
    void addRequested();
    void lookupsClearRequested();
    void cardTabResetRequested();
    void issuingEndRequested();
    void archiveSaveDisableRequested();
    void cardSaveDisableRequested();
    void cardTabDateRequested(const QDate &day);
    void cardCodeFieldResetRequested();
    void cardTabStatusRequested(const QString &text);
    void cardTabShowRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void wire();
    Query *archive() const;
    void bindArchive();
    int count() const;
    // Runs a selection of the owner archive on the window's query (Qryda1).
    void select(const owners::Selection &selection);
    void markReadOnlyFields();
    void noRecords();
    bool modeActive() const;
    // The card tab's common steps of Exit and Close around the archive query's own step.
    void returnToCardTab(bool exitButton);
    void setPane(const QString &text);
    void searchEditPressed(QLineEdit *edit);
    bool searchEditKey(QLineEdit *edit, int key);
    void searchEditChanged(QLineEdit *edit);
    // Empties the search edits other than keep; their own change reactions do not run, so
    // the edit being typed into keeps its text.
    void clearOthers(QLineEdit *keep);
    bool guardedKeyPress();
    // Hands a cell still being edited in the grid to the query.
    void commitGridEditor();
    // Before the grid leaves a record with a change not saved yet: asks whether to save it.
    // False when the record stays (its save failed).
    bool settleUnsavedChange();

    bool m_clearing = false;
    int m_modelChanging = 0;
    bool m_listExpiring = false; // the expiring-soon list instead of every record
    CardHistoryWindow *m_history = nullptr;
};
