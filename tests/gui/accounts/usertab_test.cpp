// The user tab: role gating, the account grid, add / edit / save / cancel / delete with the
// Enter chain and key filters, and the re-login button.
#include "accounts/tform2.h"
#include "common/globals.h"
#include "common/passwordhash.h"
#include "db/datafrm.h"
#include "db/dbcontrols.h"
#include "shell/appexit.h"
#include "shell/forms.h"
#include "shell/tform1.h"
#include "shell/widgets.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <memory>

namespace {

const QColor LightBlue(220, 240, 255);

// Types text that has no key of its own on the keyboard (Chinese characters).
void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

QColor colourOf(QWidget *w)
{
    return w->property("fieldColour").value<QColor>();
}

class UserTabTest : public testsupport::WindowsTest
{
protected:
    explicit UserTabTest(QString accounts = QStringLiteral("('op', '', '操作员')"))
        : WindowsTest(std::move(accounts))
    {}
    void SetUp() override
    {
        WindowsTest::SetUp();
        using testsupport::find;
        QWidget *w = main.get();
        tab = {find<QGroupBox>(w, "rz1"),        find<QTableView>(w, "dbgrd1"),
               find<DBEdit>(w, "DBEdt1"),        find<DBEdit>(w, "DBEdt2"),
               find<DBComboBox>(w, "DBcbb1"),    find<QToolButton>(w, "img5"),
               find<QToolButton>(w, "img7"),     find<QToolButton>(w, "img6"),
               find<QToolButton>(w, "img3"),     find<QToolButton>(w, "img4"),
               find<QPushButton>(w, "btnClose1")};
    }
    // The user tab's controls, and the re-login button of the system tab.
    struct
    {
        QGroupBox *rz1;
        QTableView *dbgrd1;
        DBEdit *DBEdt1, *DBEdt2;
        DBComboBox *DBcbb1;
        QToolButton *img5, *img7, *img6, *img3, *img4; // add, edit, delete, save, cancel
        QPushButton *btnClose1;
    } tab{};
    // Logs in as an account and opens the user tab.
    void openTab(const QString &name, const QString &role)
    {
        UserName = name;
        UserType = role;
        main->show();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        main->rzpgcntrlrzpcrl1->setCurrentWidget(main->rztbshtTabSheet2);
    }
    QStringList gridColumn(int column) const
    {
        QStringList out;
        auto *model = tab.dbgrd1->model();
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->index(r, column).data().toString();
        return out;
    }
    // Is there an account with this name, password and role in the file?
    bool stored(const QString &name, const QString &password, const QString &role)
    {
        Connection c;
        c.setDatabase(databasePath());
        Query q(&c);
        // Passwords are stored hashed (the fixture's seeded ones in clear): the one account of
        // that name and role must match.
        q.setSQL(QStringLiteral("select * from users where user_name=? and user_type=?"));
        q.addBindValue(name);
        q.addBindValue(role);
        q.open();
        return q.recordCount() == 1 &&
               passwordhash::matches(q.fieldByName(QStringLiteral("user_pass")).asString(),
                                     password);
    }
    void selectAccount(const QString &name)
    {
        const int row = int(gridColumn(0).indexOf(name));
        ASSERT_GE(row, 0);
        tab.dbgrd1->selectRow(row);
        ASSERT_EQ(Datafrm->LGqry1->fieldByName(QStringLiteral("user_name")).asString(), name);
    }
    // A real click on the account's row of the grid.
    void clickRow(const QString &name)
    {
        const int row = int(gridColumn(0).indexOf(name));
        ASSERT_GE(row, 0);
        const QRect cell = tab.dbgrd1->visualRect(tab.dbgrd1->model()->index(row, 0));
        QTest::mouseClick(tab.dbgrd1->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void clickTab(QWidget *page)
    {
        QTabBar *bar = main->rzpgcntrlrzpcrl1->tabBar();
        const int index = main->rzpgcntrlrzpcrl1->indexOf(page);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        ASSERT_EQ(main->rzpgcntrlrzpcrl1->currentWidget(), page);
    }
    // The name in the row the grid highlights (empty when none is).
    QString highlighted() const
    {
        const QModelIndexList rows = tab.dbgrd1->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().data().toString() : QString();
    }
};

// Accounts with passwords of their own, to see which one a change reaches.
class AccountsTest : public UserTabTest
{
protected:
    AccountsTest()
        : UserTabTest(QStringLiteral("('op', 'op1', '操作员'), ('tester', 't1', '测试员')"))
    {}
    void openAsAdmin() { openTab(QStringLiteral("admin"), QStringLiteral("管理员")); }
    // Add, a name, Enter: the password field is the next to fill.
    void startAdding()
    {
        QTest::mouseClick(tab.img5, Qt::LeftButton);
        QTest::keyClicks(tab.DBEdt1, QStringLiteral("clerk"));
        QTest::keyClick(tab.DBEdt1, Qt::Key_Return);
        ASSERT_TRUE(tab.DBEdt2->hasFocus());
        ASSERT_EQ(tab.DBEdt2->text(), QString());
    }
};

TEST_F(UserTabTest, OtherRolesGetAnInertAreaEveryTime)
{
    for (const QString &role : {QStringLiteral("操作员"), QStringLiteral("测试员")}) {
        expectBox();
        openTab(QStringLiteral("op"), role);
        EXPECT_EQ(lastShown().text, QStringLiteral("非管理员登录，权限不足!"));
        EXPECT_FALSE(tab.rz1->isEnabled());
        EXPECT_EQ(main->wtxt->text(), QStringLiteral("非管理员登录，权限受限!"));
        main->rzpgcntrlrzpcrl1->setCurrentIndex(0);
    }
    expectBox();
    main->rzpgcntrlrzpcrl1->setCurrentWidget(main->rztbshtTabSheet2);
    EXPECT_EQ(shownTexts().count(QStringLiteral("非管理员登录，权限不足!")), 3);
    QTest::mouseClick(tab.img5, Qt::LeftButton);
    EXPECT_NE(Datafrm->LGqry1->state(), Query::Insert) << "a disabled area does not react";
}

TEST_F(UserTabTest, GridListsAccountsWithMaskedPasswords)
{
    openTab(QStringLiteral("admin"), QStringLiteral("管理员"));
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("用户管理界面."));
    EXPECT_TRUE(tab.rz1->isEnabled());
    auto *model = tab.dbgrd1->model();
    ASSERT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("用户"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("密码"));
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("类型"));
    EXPECT_EQ(gridColumn(0), (QStringList{QStringLiteral("admin"), QStringLiteral("op")}));
    EXPECT_EQ(gridColumn(1), (QStringList{QStringLiteral("******"), QStringLiteral("******")}))
        << "also for the empty password of op";
    EXPECT_EQ(tab.DBEdt2->text(), QStringLiteral("******"));
}

TEST_F(UserTabTest, AddingAnAccountWithTheEnterChain)
{
    openTab(QStringLiteral("admin"), QStringLiteral("管理员"));
    QTest::mouseClick(tab.img5, Qt::LeftButton);
    EXPECT_EQ(Datafrm->LGqry1->state(), Query::Insert);
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("请输入用户名称."));
    EXPECT_EQ(colourOf(tab.DBEdt1), QColor(Qt::yellow));
    EXPECT_FALSE(tab.img5->isEnabled());
    EXPECT_TRUE(tab.img3->isEnabled());
    EXPECT_TRUE(tab.DBEdt1->hasFocus());

    QTest::keyClicks(tab.DBEdt1, QStringLiteral("clerk"));
    QTest::keyClick(tab.DBEdt1, Qt::Key_Return);
    EXPECT_TRUE(tab.DBEdt2->hasFocus());
    EXPECT_EQ(tab.DBEdt2->text(), QString());
    EXPECT_EQ(colourOf(tab.DBEdt2), QColor(Qt::yellow));
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("输入正确用户密码，只限输入字母和数字."));

    // Only letters and digits reach the password.
    QTest::keyClicks(tab.DBEdt2, QStringLiteral("-a b!1"));
    typeText(tab.DBEdt2, QStringLiteral("密"));
    QTest::keyClick(tab.DBEdt2, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(tab.DBEdt2->text(), QStringLiteral("ab1"));
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("请输入用户密码."));
    QTest::keyClick(tab.DBEdt2, Qt::Key_Return);
    EXPECT_TRUE(tab.DBcbb1->hasFocus());
    EXPECT_EQ(colourOf(tab.DBcbb1), QColor(Qt::yellow));

    // The role list takes no keys.
    const int before = tab.DBcbb1->currentIndex();
    QTest::keyClick(tab.DBcbb1, Qt::Key_Down);
    QTest::keyClick(tab.DBcbb1, Qt::Key_C);
    EXPECT_EQ(tab.DBcbb1->currentIndex(), before);
    tab.DBcbb1->setCurrentIndex(1);

    QTest::mouseClick(tab.img3, Qt::LeftButton);
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("数据已保存."));
    EXPECT_TRUE(stored(QStringLiteral("clerk"), QStringLiteral("ab1"), QStringLiteral("操作员")));
    {
        // Never in clear: a copy of the file does not give the password away.
        Connection c;
        c.setDatabase(databasePath());
        Query q(&c);
        q.setSQL(QStringLiteral("select user_pass from users where user_name='clerk'"));
        q.open();
        EXPECT_TRUE(passwordhash::isHash(q.field(0).asString()));
    }
    EXPECT_TRUE(gridColumn(0).contains(QStringLiteral("clerk")));
    EXPECT_EQ(gridColumn(1).last(), QStringLiteral("******"));
    for (QWidget *w : {static_cast<QWidget *>(tab.DBEdt1), static_cast<QWidget *>(tab.DBEdt2),
                       static_cast<QWidget *>(tab.DBcbb1)}) {
        EXPECT_EQ(colourOf(w), LightBlue);
        EXPECT_FALSE(w->isEnabled());
    }
    EXPECT_TRUE(tab.img5->isEnabled());
    EXPECT_FALSE(tab.img3->isEnabled());
}

// Tab reaches the picture buttons; Enter presses add, Space presses save, and a role is then
// chosen with the arrow keys once the list is opened from the keyboard.
TEST_F(UserTabTest, TheAccountButtonsWorkFromTheKeyboard)
{
    openTab(QStringLiteral("admin"), QStringLiteral("管理员"));
    const auto tabTo = [&](QWidget *target) {
        tab.dbgrd1->setFocus();
        for (int i = 0; i < 12 && QApplication::focusWidget() != target; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return QApplication::focusWidget() == target;
    };
    ASSERT_TRUE(tabTo(tab.img5)) << "Tab never reached the add button";
    QTest::keyClick(tab.img5, Qt::Key_Return);
    EXPECT_EQ(Datafrm->LGqry1->state(), Query::Insert);
    ASSERT_TRUE(tab.DBEdt1->hasFocus());
    QTest::keyClicks(tab.DBEdt1, QStringLiteral("clerk"));
    QTest::keyClick(tab.DBEdt1, Qt::Key_Return);
    QTest::keyClicks(tab.DBEdt2, QStringLiteral("k1"));
    QTest::keyClick(tab.DBEdt2, Qt::Key_Return);
    ASSERT_TRUE(tab.DBcbb1->hasFocus());
    QTest::keyClick(tab.DBcbb1, Qt::Key_Down);
    EXPECT_EQ(tab.DBcbb1->currentText(), QString()) << "the closed list takes no keys";
    QTest::keyClick(tab.DBcbb1, Qt::Key_F4);
    QAbstractItemView *list = tab.DBcbb1->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(tab.DBcbb1->currentText(), QStringLiteral("操作员"));

    ASSERT_TRUE(tab.img3->isEnabled());
    tab.img3->setFocus();
    ASSERT_TRUE(tab.img3->hasFocus()) << "the save button takes the focus";
    QTest::keyClick(tab.img3, Qt::Key_Space);
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("数据已保存."));
    EXPECT_TRUE(stored(QStringLiteral("clerk"), QStringLiteral("k1"), QStringLiteral("操作员")));

    // The others are reached the same way.
    for (QWidget *button : {static_cast<QWidget *>(tab.img7), static_cast<QWidget *>(tab.img6)})
        EXPECT_TRUE(tabTo(button)) << button->objectName().toStdString();
}

TEST_F(UserTabTest, AccountNameIsLimitedToTwentyBytes)
{
    openTab(QStringLiteral("admin"), QStringLiteral("管理员"));
    QTest::mouseClick(tab.img5, Qt::LeftButton);
    typeText(tab.DBEdt1, QStringLiteral("一二三四五六七八九十甲"));
    EXPECT_EQ(tab.DBEdt1->text(), QStringLiteral("一二三四五六七八九十"));
    QTest::mouseClick(tab.img4, Qt::LeftButton);
}

TEST_F(UserTabTest, SavingEmptyFieldsAsksToDiscard)
{
    openTab(QStringLiteral("admin"), QStringLiteral("管理员"));
    QTest::mouseClick(tab.img5, Qt::LeftButton);
    expectBox(Dialogs::No);
    QTest::mouseClick(tab.img3, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, QStringLiteral("用户名和密码不能为空，是否取消增加用户？"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("错误提示"));
    EXPECT_EQ(lastShown().buttons, Dialogs::YesNo);
    EXPECT_EQ(Datafrm->LGqry1->state(), Query::Insert) << "No keeps the account being entered";
    EXPECT_TRUE(tab.DBEdt1->isEnabled());

    expectBox(Dialogs::Yes);
    QTest::mouseClick(tab.img3, Qt::LeftButton);
    EXPECT_EQ(Datafrm->LGqry1->state(), Query::Browse);
    EXPECT_EQ(gridColumn(0).size(), 2) << "nothing was stored";
    EXPECT_FALSE(tab.DBEdt1->isEnabled());
}

TEST_F(UserTabTest, EditingKeepsAnUntouchedPassword)
{
    openTab(QStringLiteral("admin"), QStringLiteral("管理员"));
    selectAccount(QStringLiteral("op"));
    QTest::mouseClick(tab.img7, Qt::LeftButton);
    EXPECT_EQ(Datafrm->LGqry1->state(), Query::Edit);
    tab.DBcbb1->setCurrentIndex(2);
    QTest::mouseClick(tab.img3, Qt::LeftButton);
    EXPECT_TRUE(stored(QStringLiteral("op"), QString(), QStringLiteral("测试员")));

    selectAccount(QStringLiteral("op"));
    QTest::mouseClick(tab.img7, Qt::LeftButton);
    tab.DBcbb1->setCurrentIndex(0);
    QTest::mouseClick(tab.img4, Qt::LeftButton);
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("已放弃."));
    EXPECT_TRUE(stored(QStringLiteral("op"), QString(), QStringLiteral("测试员")));
    EXPECT_EQ(colourOf(tab.DBEdt1), LightBlue);
}

TEST_F(UserTabTest, DeletingOthersButNeverOneself)
{
    openTab(QStringLiteral("admin"), QStringLiteral("管理员"));
    selectAccount(QStringLiteral("admin"));
    expectBox();
    QTest::mouseClick(tab.img6, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, QStringLiteral("自己不能删除自己!"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("删除错误"));
    EXPECT_EQ(lastShown().icon, Dialogs::Warning);
    EXPECT_TRUE(
        stored(QStringLiteral("admin"), QStringLiteral("admin123"), QStringLiteral("管理员")));

    selectAccount(QStringLiteral("op"));
    expectBox(Dialogs::No);
    QTest::mouseClick(tab.img6, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, QStringLiteral("删除的用户不能被恢复，是否删除？"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("确认删除"));
    EXPECT_EQ(gridColumn(0).size(), 2);
    expectBox(Dialogs::Yes);
    QTest::mouseClick(tab.img6, Qt::LeftButton);
    EXPECT_EQ(gridColumn(0), QStringList{QStringLiteral("admin")});
    EXPECT_FALSE(stored(QStringLiteral("op"), QString(), QStringLiteral("操作员")));
}

TEST_F(UserTabTest, ReloginCountsAndResetsAfterFive)
{
    UserType = QStringLiteral("操作员");
    main->show();
    for (int i = 1; i <= 5; ++i) {
        tab.btnClose1->click();
        EXPECT_EQ(ReloginCount, i);
        EXPECT_TRUE(login->isVisible());
        EXPECT_FALSE(main->isVisible());
        EXPECT_EQ(login->edt2->text(), QString());
        EXPECT_EQ(login->DBEdtid->currentText(), QStringLiteral("admin"));
        login->hide();
        main->show();
    }
    expectBox();
    tab.btnClose1->click();
    EXPECT_EQ(lastShown().text, QStringLiteral("重复登录已超过5次,系统自动清零!"));
    EXPECT_EQ(ReloginCount, 0);
}

TEST_F(AccountsTest, TheHighlightFollowsTheRecordSoTheSelectedAccountIsDeleted)
{
    openAsAdmin();
    clickRow(QStringLiteral("op"));
    ASSERT_EQ(tab.DBEdt1->text(), QStringLiteral("op"));
    // The role list is live while idle: choosing a role puts op into edit state.
    tab.DBcbb1->setCurrentIndex(0);
    ASSERT_EQ(Datafrm->LGqry1->state(), Query::Edit);

    // Neither a click nor a key moves the highlight away from the record being edited.
    clickRow(QStringLiteral("tester"));
    EXPECT_EQ(highlighted(), tab.DBEdt1->text());
    tab.dbgrd1->setFocus();
    QTest::keyClick(tab.dbgrd1, Qt::Key_Down);
    EXPECT_EQ(highlighted(), tab.DBEdt1->text());
    EXPECT_EQ(tab.DBEdt1->text(), QStringLiteral("op"));

    expectBox(Dialogs::Yes);
    QTest::mouseClick(tab.img6, Qt::LeftButton);
    EXPECT_EQ(gridColumn(0), (QStringList{QStringLiteral("admin"), QStringLiteral("tester")}))
        << "the account the user saw selected is the one deleted";
    EXPECT_TRUE(stored(QStringLiteral("tester"), QStringLiteral("t1"), QStringLiteral("测试员")));

    // Browsing again moves both together.
    clickRow(QStringLiteral("tester"));
    EXPECT_EQ(highlighted(), QStringLiteral("tester"));
    EXPECT_EQ(tab.DBEdt1->text(), QStringLiteral("tester"));
}

TEST_F(AccountsTest, OnlyLettersAndDigitsReachThePasswordByAnyRoute)
{
    openAsAdmin();
    const QString offered = QStringLiteral("pw-!# x密");
    struct Route
    {
        const char *name;
        std::function<void(QLineEdit *)> put;
    };
    const Route routes[] = {
        {"Ctrl+V",
         [&](QLineEdit *e) {
             QGuiApplication::clipboard()->setText(offered);
             QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
         }},
        {"context menu paste",
         [&](QLineEdit *e) {
             QGuiApplication::clipboard()->setText(offered);
             std::unique_ptr<QMenu> menu(e->createStandardContextMenu());
             QAction *paste = nullptr;
             for (QAction *a : menu->actions())
                 if (a->text().startsWith(QStringLiteral("&Paste")))
                     paste = a;
             ASSERT_NE(paste, nullptr);
             ASSERT_TRUE(paste->isEnabled());
             paste->trigger();
         }},
        {"drop",
         [&](QLineEdit *e) {
             QMimeData data;
             data.setText(offered);
             const QPointF at(e->width() - 2, e->height() / 2);
             QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
             QApplication::sendEvent(e, &enter);
             QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
             QApplication::sendEvent(e, &drop);
         }},
        {"input method",
         [&](QLineEdit *e) {
             QInputMethodEvent commit(QString(), {});
             commit.setCommitString(offered);
             QApplication::sendEvent(e, &commit);
         }},
    };
    for (const Route &route : routes) {
        SCOPED_TRACE(route.name);
        startAdding();
        route.put(tab.DBEdt2);
        EXPECT_EQ(tab.DBEdt2->text(), QStringLiteral("pwx"));
        QTest::mouseClick(tab.img4, Qt::LeftButton);
    }

    // What is typed and saved is what is stored.
    startAdding();
    QGuiApplication::clipboard()->setText(offered);
    QTest::keyClick(tab.DBEdt2, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClicks(tab.DBEdt2, QStringLiteral("a1"));
    QTest::keyClick(tab.DBEdt2, Qt::Key_Return);
    tab.DBcbb1->setCurrentIndex(1);
    QTest::mouseClick(tab.img3, Qt::LeftButton);
    EXPECT_TRUE(stored(QStringLiteral("clerk"), QStringLiteral("pwxa1"), QStringLiteral("操作员")));
}

TEST_F(AccountsTest, NamesWithSurroundingBlanksOrHiddenCharactersAreRefused)
{
    openAsAdmin();
    const QString blanks = QStringLiteral("用户名的开头和结尾不能有空格，请去掉后再保存.");
    const QString hidden = QStringLiteral("用户名中有不可见的控制字符或方向字符，请重新输入.");
    struct Case
    {
        QString name;
        QString refusal; // empty: stored
    };
    const Case cases[] = {
        {QStringLiteral("  sp  "), blanks},
        {QStringLiteral("sp "), blanks},
        {QStringLiteral("\tsp"), blanks},
        {QStringLiteral("\u202enimda"), hidden}, // shown as "admin"
        {QStringLiteral("ad\u200bmin"), hidden},
        {QStringLiteral("a\u2066b"), hidden},
        {QStringLiteral("op\x01"), hidden},
        {QStringLiteral("张 三"), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QTest::mouseClick(tab.img5, Qt::LeftButton);
        // Pasted: the keyboard cannot type most of these.
        QGuiApplication::clipboard()->setText(c.name);
        QTest::keyClick(tab.DBEdt1, Qt::Key_V, Qt::ControlModifier);
        ASSERT_EQ(tab.DBEdt1->text(), c.name);
        QTest::keyClick(tab.DBEdt1, Qt::Key_Return);
        QTest::keyClicks(tab.DBEdt2, QStringLiteral("pw1"));
        QTest::keyClick(tab.DBEdt2, Qt::Key_Return);
        tab.DBcbb1->setCurrentIndex(1);
        if (c.refusal.isEmpty()) {
            QTest::mouseClick(tab.img3, Qt::LeftButton);
            EXPECT_TRUE(stored(c.name, QStringLiteral("pw1"), QStringLiteral("操作员")));
            continue;
        }
        expectBox(Dialogs::Ok);
        QTest::mouseClick(tab.img3, Qt::LeftButton);
        EXPECT_EQ(lastShown().text, c.refusal);
        EXPECT_EQ(lastShown().caption, QStringLiteral("错误提示"));
        EXPECT_EQ(Datafrm->LGqry1->state(), Query::Insert) << "the entry stays open to correct";
        EXPECT_TRUE(tab.DBEdt1->hasFocus());
        QTest::mouseClick(tab.img4, Qt::LeftButton);
        EXPECT_FALSE(stored(c.name, QStringLiteral("pw1"), QStringLiteral("操作员")));
    }
    EXPECT_EQ(gridColumn(0).size(), 4) << "only the acceptable name was added";
}

TEST_F(AccountsTest, APastedPasswordThatLostCharactersIsReported)
{
    openAsAdmin();
    const QString notice =
        QStringLiteral("粘贴的密码中有字母和数字以外的字符，已被去掉，请检查密码!");
    startAdding();
    // A single key that is not taken is seen not to arrive: the usual prompt stays.
    QTest::keyClicks(tab.DBEdt2, QStringLiteral("a!"));
    EXPECT_EQ(tab.DBEdt2->text(), QStringLiteral("a"));
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("请输入用户密码."));
    // A clean paste says nothing either.
    QGuiApplication::clipboard()->setText(QStringLiteral("bc9"));
    QTest::keyClick(tab.DBEdt2, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("请输入用户密码."));
    // One that loses characters is told.
    QGuiApplication::clipboard()->setText(QStringLiteral("p@ss word!'\""));
    QTest::keyClick(tab.DBEdt2, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(tab.DBEdt2->text(), QStringLiteral("abc9pssword"));
    EXPECT_EQ(main->wtxt->text(), notice);
    QTest::mouseClick(tab.img4, Qt::LeftButton);

    // By the context menu, and with a single lost character among several arriving.
    startAdding();
    QGuiApplication::clipboard()->setText(QStringLiteral("pass-1"));
    std::unique_ptr<QMenu> menu(tab.DBEdt2->createStandardContextMenu());
    for (QAction *a : menu->actions())
        if (a->text().startsWith(QStringLiteral("&Paste")))
            a->trigger();
    EXPECT_EQ(tab.DBEdt2->text(), QStringLiteral("pass1"));
    EXPECT_EQ(main->wtxt->text(), notice);
    QTest::mouseClick(tab.img4, Qt::LeftButton);
}

TEST_F(AccountsTest, EditingKeysWorkInThePasswordField)
{
    openAsAdmin();
    startAdding();
    QTest::keyClicks(tab.DBEdt2, QStringLiteral("abc"));
    for (const Qt::Key key :
         {Qt::Key_Left, Qt::Key_Left, Qt::Key_Home, Qt::Key_Delete, Qt::Key_End})
        QTest::keyClick(tab.DBEdt2, key);
    QTest::keyClicks(tab.DBEdt2, QStringLiteral("d"));
    QTest::keyClick(tab.DBEdt2, Qt::Key_Left);
    QTest::keyClick(tab.DBEdt2, Qt::Key_Backspace);
    EXPECT_EQ(tab.DBEdt2->text(), QStringLiteral("bd"));
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("请输入用户密码."));
    QTest::keyClick(tab.DBEdt2, Qt::Key_Tab);
    EXPECT_FALSE(tab.DBEdt2->hasFocus()) << "Tab leaves the field";
    QTest::mouseClick(tab.img4, Qt::LeftButton);
}

TEST_F(AccountsTest, EditingStartsFromAnEmptyPasswordAndKeepsAnUntouchedOne)
{
    openAsAdmin();
    struct Case
    {
        const char *name;
        QString typed; // empty: the field is passed by with Enter
        QString role;
        QString storedPassword;
    };
    const Case cases[] = {
        {"a new password", QStringLiteral("new1"), QStringLiteral("操作员"),
         QStringLiteral("new1")},
        {"untouched", QString(), QStringLiteral("测试员"), QStringLiteral("new1")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        clickRow(QStringLiteral("op"));
        QTest::mouseClick(tab.img7, Qt::LeftButton);
        ASSERT_EQ(Datafrm->LGqry1->state(), Query::Edit);
        QTest::keyClick(tab.DBEdt1, Qt::Key_Return);
        ASSERT_TRUE(tab.DBEdt2->hasFocus());
        EXPECT_EQ(tab.DBEdt2->text(), QString()) << "the mask is not there to be typed into";
        QTest::keyClicks(tab.DBEdt2, c.typed);
        QTest::keyClick(tab.DBEdt2, Qt::Key_Return);
        EXPECT_TRUE(tab.DBcbb1->hasFocus());
        tab.DBcbb1->setCurrentIndex(tab.DBcbb1->findText(c.role));
        QTest::mouseClick(tab.img3, Qt::LeftButton);
        EXPECT_EQ(main->wtxt->text(), QStringLiteral("数据已保存."));
        EXPECT_TRUE(stored(QStringLiteral("op"), c.storedPassword, c.role));
    }
    // Clicking into the field of an edited account shows it empty as well.
    clickRow(QStringLiteral("tester"));
    QTest::mouseClick(tab.img7, Qt::LeftButton);
    QTest::mouseClick(tab.DBEdt2, Qt::LeftButton);
    EXPECT_EQ(tab.DBEdt2->text(), QString());
    QTest::mouseClick(tab.img3, Qt::LeftButton);
    EXPECT_TRUE(stored(QStringLiteral("tester"), QStringLiteral("t1"), QStringLiteral("测试员")));
}

TEST_F(AccountsTest, AReloadOverAnUnfinishedAddNeverReportsASave)
{
    openAsAdmin();
    QTest::mouseClick(tab.img5, Qt::LeftButton);
    QTest::keyClicks(tab.DBEdt1, QStringLiteral("clerk"));
    // Leaving the tab and coming back reloads the accounts: the unfinished add is gone.
    clickTab(main->rztbshtTabSheet1);
    clickTab(main->rztbshtTabSheet2);
    QTest::keyClicks(tab.DBEdt1, QStringLiteral("x"));
    QTest::mouseClick(tab.img3, Qt::LeftButton);
    EXPECT_NE(main->wtxt->text(), QStringLiteral("数据已保存."));
    QTest::mouseClick(tab.img3, Qt::LeftButton);
    EXPECT_NE(main->wtxt->text(), QStringLiteral("数据已保存."));
    EXPECT_EQ(gridColumn(0), (QStringList{QStringLiteral("admin"), QStringLiteral("op"),
                                          QStringLiteral("tester")}));
    EXPECT_TRUE(
        stored(QStringLiteral("admin"), QStringLiteral("admin123"), QStringLiteral("管理员")))
        << "typing after the reload changed no other account";
    EXPECT_TRUE(tab.img5->isEnabled()) << "the area is idle and can add again";
}

} // namespace
