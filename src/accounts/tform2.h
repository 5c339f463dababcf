#pragma once
// The login window: the first window created, and the one whose closing ends the program. It
// offers the account names, checks name and password against the account table, allows three
// failed attempts and hands the account's name and role to the main window.
#include <QComboBox>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ClickLabel;

// The account name box: its list is filled from the accounts each time it drops down.
class LoginNameBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void aboutToDropDown();
};

class TForm2 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    QGroupBox *rz1 = nullptr;
    QLabel *img1 = nullptr;
    QLabel *img2 = nullptr;
    LoginNameBox *DBEdtid = nullptr;
    QLineEdit *edt2 = nullptr;
    QPushButton *btn1 = nullptr; // "登录"
    QPushButton *btn2 = nullptr; // "退出"
    QLabel *WtxtWtxt = nullptr;
    QLabel *lbl5 = nullptr;
    QLabel *lbl6 = nullptr;

    void FormCreate();
    void FormShow();
    void DBEdtidDropDown();
    bool DBEdtidKeyPress(int key);
    bool edt2KeyPress(int key);
    void edt2MouseDown();
    void btn1Click();
    void btn2Click();
    // True when the window may close (the program then ends).
    bool FormClose();
    // Re-login: the name and the password emptied, the window shown.
    void showForNewLogin();

signals:
    // A login succeeded and this window is hidden: the main window takes over.
    void loggedIn();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The login window's compaction (at showing and at its exit), after an automatic backup.
    void compactIfWorthIt();
    void setFocusColour(QWidget *w, bool focused);
};
