#pragma once
// The user tab of the main window: the login accounts, which administrators add, edit and
// delete. Other roles see the area but cannot use it.
#include "common/tabpage.h"

#include <QWidget>

class DBComboBox;
class DBEdit;
class QGroupBox;
class QLabel;
class QTableView;
class QToolButton;
class QueryTableModel;

class AccountsTab : public QWidget, public TabPage
{
    Q_OBJECT
public:
    explicit AccountsTab(QWidget *parent = nullptr);

    QWidget *page() override { return this; }
    QString title() const override;
    // Reloads the accounts (an unfinished entry is dropped) or, for other roles, says why not.
    void shown() override;

signals:
    // Text for the main window's status line; highlighted text is shown in blue.
    void statusChanged(const QString &text);
    void statusHighlighted(const QString &text);

private:
    void build();
    void connectControls();
    void bindToDatabase();
    void setEntering(bool entering);
    void startEntry(); // the fields open (the name field takes the focus)
    void backToIdle();
    void blankPassword();
    bool keepsStoredPassword() const;

    void onAdd();
    void onEdit();
    void onSave();
    void onCancel();
    void onDelete();
    bool onNameKey(int key);
    bool onPasswordKey(int key);

    QGroupBox *m_accountsBox = nullptr;     // rz1 " 用户权限管理 "
    QTableView *m_accountGrid = nullptr;    // dbgrd1
    QueryTableModel *m_gridModel = nullptr; // the accounts query as the grid shows it
    QGroupBox *m_entryBox = nullptr;        // grp1 "登录用户设置"
    DBEdit *m_nameField = nullptr;          // DBEdt1 "用户名称:"
    DBEdit *m_passwordField = nullptr;      // DBEdt2 "用户密码:"
    DBComboBox *m_roleField = nullptr;      // DBcbb1 "用名类型:"
    QToolButton *m_addButton = nullptr;     // img5 "增加"
    QToolButton *m_editButton = nullptr;    // img7 "修改"
    QToolButton *m_deleteButton = nullptr;  // img6 "删除"
    QToolButton *m_saveButton = nullptr;    // img3 "保存"
    QToolButton *m_cancelButton = nullptr;  // img4 "取消"
    QLabel *m_carParkPicture = nullptr;     // img12
    bool m_passwordTyped = false; // the password field was typed into since the entry began
};
