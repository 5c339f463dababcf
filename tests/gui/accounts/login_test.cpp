// The login window: the check, failures counted to three, the name list, keys and leaving.
#include "accounts/tform2.h"
#include "common/globals.h"
#include "db/datafrm.h"
#include "shell/appexit.h"
#include "shell/forms.h"
#include "shell/tform1.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

class LoginTest : public testsupport::WindowsTest
{
protected:
    LoginTest()
        : WindowsTest(QStringLiteral("('op', 'op1', '操作员'), ('tester', '', '测试员'), "
                                     "('quote''s', 'x''y', '操作员')"))
    {}
    void SetUp() override
    {
        WindowsTest::SetUp();
        login->show();
    }
    void attempt(const QString &name, const QString &password)
    {
        login->DBEdtid->setEditText(name);
        login->edt2->setText(password);
        login->btn1Click();
    }
};

TEST_F(LoginTest, ShowsTheFirstAccountAndTheBranding)
{
    EXPECT_EQ(login->DBEdtid->currentText(), QStringLiteral("admin"));
    EXPECT_EQ(login->windowTitle(), QStringLiteral("_Velmora V1.6"));
    EXPECT_EQ(login->size(), QSize(359, 260));
    EXPECT_EQ(login->edt2->maxLength(), 20);
    EXPECT_EQ(login->edt2->echoMode(), QLineEdit::Password);
    // Shown again (after a re-login) it offers the first name again.
    login->DBEdtid->setEditText(QStringLiteral("op"));
    login->hide();
    login->show();
    EXPECT_EQ(login->DBEdtid->currentText(), QStringLiteral("admin"));
}

TEST_F(LoginTest, SuccessfulLoginHandsOverNameAndRole)
{
    struct Case
    {
        QString name, password, role;
        bool admin;
    };
    const Case cases[] = {
        {QStringLiteral("  admin "), QStringLiteral(" admin123  "), QStringLiteral("管理员"), true},
        {QStringLiteral("op"), QStringLiteral("op1"), QStringLiteral("操作员"), false},
        {QStringLiteral("quote's"), QStringLiteral("x'y"), QStringLiteral("操作员"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        main->hide();
        login->show();
        LoginFailCount = 2;
        attempt(c.name, c.password);
        EXPECT_EQ(UserType, c.role);
        EXPECT_EQ(UserName, c.name.trimmed());
        EXPECT_EQ(LoginFailCount, 0);
        EXPECT_FALSE(login->isVisible());
        EXPECT_TRUE(main->isVisible());
        EXPECT_EQ(login->WtxtWtxt->text(), c.name.trimmed() + QStringLiteral("正在登录,请稍后..."));
        EXPECT_EQ(main->tmr4->isActive(), c.admin) << "only an administrator searches the issuer";
        if (!c.admin) {
            EXPECT_EQ(main->wtxt->text(), QStringLiteral("非管理员登录，权限受限!"));
        }
        main->tmr4->stop();
    }
    EXPECT_TRUE(HelpFile.endsWith(QStringLiteral("/Help/index.htm")));
    EXPECT_EQ(DataFile, databasePath());
}

TEST_F(LoginTest, EmptyFieldsAreRefusedWithoutCounting)
{
    login->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(login.get()));
    expectBox();
    attempt(QString(), QString());
    EXPECT_EQ(lastShown().text, QStringLiteral("请填写用户名和密码!"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("登录提示"));
    EXPECT_EQ(lastShown().icon, Dialogs::Information);
    EXPECT_EQ(LoginFailCount, 0);
    EXPECT_TRUE(login->edt2->hasFocus());
    EXPECT_TRUE(UserType.isEmpty());
}

TEST_F(LoginTest, WrongOrCraftedInputNeverLogsIn)
{
    const QStringList passwords = {QStringLiteral("wrong"),        QStringLiteral("   "),
                                   QStringLiteral("' or '1'='1"),  QStringLiteral("admin123' --"),
                                   QStringLiteral("x' or 'a'='a"), QStringLiteral("ADMIN123")};
    for (const QString &password : passwords) {
        SCOPED_TRACE(password.toStdString());
        LoginFailCount = 0;
        expectBox(Dialogs::Ok);
        attempt(QStringLiteral("admin"), password);
        EXPECT_EQ(lastShown().text, QStringLiteral("用户或密码有错误!是否重新输入？"));
        EXPECT_EQ(lastShown().caption, QStringLiteral("出错提示"));
        EXPECT_EQ(lastShown().buttons, Dialogs::OkCancel);
        EXPECT_EQ(LoginFailCount, 1);
        EXPECT_TRUE(UserType.isEmpty());
        EXPECT_EQ(login->edt2->text(), password) << "the typed password is kept";
        EXPECT_FALSE(appexit::programEnded());
    }
    // A name made of SQL does not log in either.
    expectBox(Dialogs::Ok);
    attempt(QStringLiteral("' or 1=1 --"), QStringLiteral("x"));
    EXPECT_TRUE(UserType.isEmpty());
}

TEST_F(LoginTest, ThirdFailureEndsTheProgramWhateverTheAnswer)
{
    // Two failures, then a success: the count starts again.
    expectBox(Dialogs::Ok);
    attempt(QStringLiteral("admin"), QStringLiteral("a"));
    expectBox(Dialogs::Ok);
    attempt(QStringLiteral("admin"), QStringLiteral("b"));
    EXPECT_EQ(LoginFailCount, 2);
    attempt(QStringLiteral("admin"), QStringLiteral("admin123"));
    EXPECT_EQ(LoginFailCount, 0);

    // Counted across re-logins: three more failures are needed.
    login->show();
    for (int i = 1; i <= 2; ++i) {
        expectBox(Dialogs::Ok);
        attempt(QStringLiteral("admin"), QStringLiteral("bad"));
        EXPECT_FALSE(appexit::programEnded());
    }
    Dialogs::clearShown();
    expectBox(Dialogs::Ok); // "retry?" answered OK
    expectBox(Dialogs::Ok); // the final warning
    attempt(QStringLiteral("admin"), QStringLiteral("bad"));
    ASSERT_EQ(shownTexts().size(), 2);
    EXPECT_EQ(lastShown().text, QStringLiteral("出错了，登录错误超过3次，程序自动关闭!"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("非法登录"));
    EXPECT_EQ(lastShown().icon, Dialogs::Warning);
    EXPECT_TRUE(appexit::programEnded());
}

TEST_F(LoginTest, CancelAfterAFailureEndsTheProgram)
{
    expectBox(Dialogs::Cancel);
    attempt(QStringLiteral("admin"), QStringLiteral("bad"));
    EXPECT_TRUE(appexit::programEnded());
    EXPECT_EQ(shownTexts().size(), 1) << "no warning before the third failure";
}

TEST_F(LoginTest, DropDownListsEveryAccountInOrder)
{
    login->DBEdtid->setEditText(QStringLiteral("typed"));
    login->DBEdtidDropDown();
    QStringList names;
    for (int i = 0; i < login->DBEdtid->count(); ++i)
        names << login->DBEdtid->itemText(i);
    EXPECT_EQ(names, (QStringList{QStringLiteral("admin"), QStringLiteral("op"),
                                  QStringLiteral("tester"), QStringLiteral("quote's")}));
    EXPECT_EQ(login->DBEdtid->currentText(), QStringLiteral("admin"));
    EXPECT_EQ(login->WtxtWtxt->text(), QStringLiteral("请选择用户名登录."));
    EXPECT_EQ(Datafrm->LGqry1->state(), Query::Browse);
}

TEST_F(LoginTest, EnterMovesThroughTheFieldsAndLogsIn)
{
    login->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(login.get()));
    login->DBEdtid->setFocus();
    QTest::keyClick(login->DBEdtid->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(login->edt2->hasFocus());

    QTest::keyClick(login->edt2, Qt::Key_Return);
    EXPECT_EQ(login->WtxtWtxt->text(), QStringLiteral("请输入用户密码."));
    EXPECT_TRUE(UserType.isEmpty());

    login->WtxtWtxt->clear();
    QTest::keyClicks(login->edt2, QStringLiteral("admin123"));
    EXPECT_EQ(login->WtxtWtxt->text(), QStringLiteral("请输入用户密码."));
    QTest::keyClick(login->edt2, Qt::Key_Return);
    EXPECT_EQ(UserType, QStringLiteral("管理员"));
    EXPECT_TRUE(main->isVisible());
}

TEST_F(LoginTest, ShowingCompactsTheDatabase)
{
    QString rows;
    for (int i = 0; i < 400; ++i)
        rows += QStringLiteral("('%1', '%2'),")
                    .arg(i, 8, 16, QLatin1Char('0'))
                    .arg(QString(200, QLatin1Char('x')));
    rows.chop(1);
    execSql(QStringLiteral("insert into CRJL (卡片内码, 记录原文) values ") + rows);
    execSql(QStringLiteral("delete from CRJL"));
    const qint64 before = QFileInfo(databasePath()).size();
    login->hide();
    login->show();
    const qint64 after = QFileInfo(databasePath()).size();
    EXPECT_LT(after, before);
    EXPECT_EQ(login->DBEdtid->currentText(), QStringLiteral("admin")) << "still readable";
}

TEST_F(LoginTest, LeavingAsksFirst)
{
    expectBox(Dialogs::No);
    login->btn2Click();
    EXPECT_EQ(lastShown().text, QStringLiteral("真的要退出吗？"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("系统提示"));
    EXPECT_FALSE(appexit::programEnded());

    expectBox(Dialogs::No);
    login->close();
    EXPECT_EQ(lastShown().text, QStringLiteral("真的退出吗？"));
    EXPECT_TRUE(login->isVisible());
    EXPECT_FALSE(appexit::programEnded());

    expectBox(Dialogs::Yes);
    login->btn2Click();
    EXPECT_TRUE(appexit::programEnded());
}

} // namespace
