#pragma once
// The main window: the frame (status bar, page control, tray icon, exit paths). Each tab is a
// class of its own in its subsystem's folder (SystemTab, CardTab, AccountsTab, HelpTab, ExitTab),
// added with addTab in buildFrame, where its signals are connected.
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

class AccountsTab;
class CardTab;
class ClickLabel;
class ExitTab;
class HelpTab;
class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class ReplyTarget;
class SystemTab;
class TabPage;
class TForm2;
class TForm7;
class TForm10;

class TForm1 : public QMainWindow
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
    QAction *N1 = nullptr; // "显示"
    QAction *N2 = nullptr; // "退出"

    // ---- frame handlers (src/shell) ----
    void FormCreate();
    void FormShow();
    void FormResize();
    // Returns true when the window may close (the program then ends).
    bool FormClose();
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
    void saveWindowSettings();
    QString windowSettingsPath() const;

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

signals:
    void reloginRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildFrame();
    void onTabChanged(int index);
    void giveKeyboardShortcuts();
    void addTab(TabPage *tab); // on the page control, and told when it is shown or left
    std::vector<TabPage *> m_tabs;
    QWidget *m_currentPage = nullptr;
    SystemTab *m_systemTab = nullptr;
    CardTab *m_cardTab = nullptr;
    AccountsTab *m_accountsTab = nullptr;
    HelpTab *m_helpTab = nullptr;
    ExitTab *m_exitTab = nullptr;

    std::unique_ptr<ReplyTarget> m_replyRouter; // each reply step to the tab it concerns
    // The windows minimising hides and the tray brings back, with what each showed before.
    QPointer<QWidget> m_archiveWindow;
    QPointer<QWidget> m_passageWindow;
    bool m_archiveWasVisible = false;
    bool m_passagesWereVisible = false;
};
