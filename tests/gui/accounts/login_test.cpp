// The login window: the check, failures counted to three, the name list, keys and leaving.
#include "accounts/tform2.h"
#include "common/clock.h"
#include "common/globals.h"
#include "db/backups.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "shell/appexit.h"
#include "shell/forms.h"
#include "shell/tform1.h"
#include "systemtabview.h"
#include "testpty.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <sqlite3.h>

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
    // Logs in the way a user does: the name, the password, Enter.
    void typeLogin(const QString &name, const QString &password)
    {
        login->DBEdtid->setEditText(name);
        login->edt2->clear();
        QTest::keyClicks(login->edt2, password);
        QTest::keyClick(login->edt2, Qt::Key_Return);
    }
};

// Answers real message boxes as they come up by clicking one of their buttons, and notes the text
// of every box it answered.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(std::function<QMessageBox::ButtonRole(const QString &)> choose)
        : m_choose(std::move(choose))
    {
        qApp->installEventFilter(this);
    }
    QStringList answered;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && event->type() == QEvent::Show) {
            // Clicked from the box's own event loop once it has turned at least once more, as
            // a reading user would: a box whose loop ends before then was never there to read.
            QTimer::singleShot(
                0, box, [this, box] { QTimer::singleShot(0, box, [this, box] { answer(box); }); });
        }
        return false;
    }

private:
    void answer(QMessageBox *box)
    {
        const QMessageBox::ButtonRole role = m_choose(box->text());
        for (QAbstractButton *b : box->buttons()) {
            if (box->buttonRole(b) == role) {
                answered << box->text();
                QTest::mouseClick(b, Qt::LeftButton);
                return;
            }
        }
    }

    std::function<QMessageBox::ButtonRole(const QString &)> m_choose;
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

// The name and password fields start at the same place and are as wide as each other.
TEST_F(LoginTest, TheFieldsAreAligned)
{
    login->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(login.get()));
    const QRect name(login->DBEdtid->mapTo(login.get(), QPoint(0, 0)), login->DBEdtid->size());
    const QRect password(login->edt2->mapTo(login.get(), QPoint(0, 0)), login->edt2->size());
    EXPECT_EQ(name.left(), password.left());
    EXPECT_EQ(name.right(), password.right());
    EXPECT_LT(name.bottom(), password.top());
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
        EXPECT_EQ(systemTab(main.get()).tmr4->isActive(), c.admin)
            << "only an administrator searches the issuer";
        if (!c.admin) {
            EXPECT_EQ(main->wtxt->text(), QStringLiteral("非管理员登录，权限受限!"));
        }
        systemTab(main.get()).tmr4->stop();
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

// The real end of the program: real message boxes and the application's event loop, which
// returns when the program ends.
TEST_F(LoginTest, TheThirdFailureWarnsBeforeTheProgramEndsEvenAfterCancel)
{
    Dialogs::endScript();
    appexit::setTestMode(false);
    LoginFailCount = 2;
    BoxAnswerer answerer([](const QString &text) {
        return text == QStringLiteral("用户或密码有错误!是否重新输入？") ? QMessageBox::RejectRole
                                                                         : QMessageBox::AcceptRole;
    });
    QTimer::singleShot(0, login.get(), [this] {
        login->DBEdtid->setEditText(QStringLiteral("admin"));
        QTest::keyClicks(login->edt2, QStringLiteral("bad"));
        QTest::mouseClick(login->btn1, Qt::LeftButton);
    });
    // Should the program never end, the test fails instead of hanging.
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    stuck.start(30000);
    const int rc = QApplication::exec();
    appexit::setTestMode(true);
    Dialogs::beginScript();
    EXPECT_EQ(rc, 0) << "the program ended by itself";
    EXPECT_TRUE(appexit::programEnded());
    EXPECT_EQ(answerer.answered,
              (QStringList{QStringLiteral("用户或密码有错误!是否重新输入？"),
                           QStringLiteral("出错了，登录错误超过3次，程序自动关闭!")}))
        << "the warning waited for the user before the program ended";
}

TEST_F(LoginTest, ShowingTheMainWindowAppliesTheRoleBothWays)
{
    // One port that never answers: an administrator's login searches it (without any port the
    // program would end).
    TestPty pty;
    ASSERT_TRUE(QDir().mkpath(dir.path(QStringLiteral("Ports"))));
    ASSERT_TRUE(QFile::link(pty.slavePath(), dir.path(QStringLiteral("Ports/COM1"))));
    login->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(login.get()));
    struct Step
    {
        QString name, password;
        bool admin;
    };
    const Step steps[] = {{QStringLiteral("op"), QStringLiteral("op1"), false},
                          {QStringLiteral("admin"), QStringLiteral("admin123"), true},
                          {QStringLiteral("op"), QStringLiteral("op1"), false},
                          {QStringLiteral("admin"), QStringLiteral("admin123"), true}};
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name.toStdString());
        typeLogin(step.name, step.password);
        ASSERT_TRUE(main->isVisible());
        EXPECT_EQ(systemTab(main.get()).edt4->isEnabled(), step.admin) << "the pass code";
        // 修改密码 waits for a complete new password, whatever the role.
        EXPECT_FALSE(systemTab(main.get()).btn10->isEnabled());
        if (step.admin) {
            systemTab(main.get()).edtmm1->setText(QStringLiteral("123456"));
            systemTab(main.get()).edtmm2->setText(QStringLiteral("654321"));
            systemTab(main.get()).edtmm3->setText(QStringLiteral("654321"));
            EXPECT_TRUE(systemTab(main.get()).btn10->isEnabled()) << "修改密码";
            for (QLineEdit *e : {systemTab(main.get()).edtmm3, systemTab(main.get()).edtmm2,
                                 systemTab(main.get()).edtmm1})
                e->clear();
        }
        EXPECT_EQ(systemTab(main.get()).RzGroupBox5->isEnabled(), step.admin);
        EXPECT_EQ(systemTab(main.get()).CLpc1->isEnabled(), step.admin);
        systemTab(main.get()).tmr4->stop();
        QTest::mouseClick(systemTab(main.get()).btnClose1, Qt::LeftButton);
        ASSERT_TRUE(login->isVisible());
    }
}

TEST_F(LoginTest, NamesAndPasswordsAreComparedWithTheirCase)
{
    // Names that differ only in case are different accounts.
    execSql(QStringLiteral(
        "insert into users (user_name, user_pass, user_type) values ('Op', 'Op1', '管理员')"));
    struct Case
    {
        QString name, password, role;
    };
    const Case cases[] = {
        {QStringLiteral("Op"), QStringLiteral("Op1"), QStringLiteral("管理员")},
        {QStringLiteral("op"), QStringLiteral("op1"), QStringLiteral("操作员")},
        {QStringLiteral("OP"), QStringLiteral("op1"), QString()},
        {QStringLiteral("op"), QStringLiteral("Op1"), QString()},
        {QStringLiteral("ADMIN"), QStringLiteral("admin123"), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.name + QLatin1Char('/') + c.password).toStdString());
        UserType.clear();
        UserName.clear();
        LoginFailCount = 0;
        main->hide();
        login->show();
        if (c.role.isEmpty())
            expectBox(Dialogs::Ok);
        attempt(c.name, c.password);
        EXPECT_EQ(UserType, c.role);
        EXPECT_EQ(UserName, c.role.isEmpty() ? QString() : c.name);
        systemTab(main.get()).tmr4->stop();
    }
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
    // The file as it was before is kept in Backup/, and the status line says so.
    const QList<backups::Entry> kept = backups::list(dir.path(QStringLiteral("Backup")));
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept.first().occasion, backups::Occasion::Compaction);
    EXPECT_EQ(QFileInfo(kept.first().path).size(), before);
    EXPECT_EQ(login->WtxtWtxt->text(),
              QStringLiteral("压缩前已自动备份数据库：") + QFileInfo(kept.first().path).fileName());
}

// Without its backup the file is not compacted; the reason is shown once that day.
TEST_F(LoginTest, NoCompactionWithoutABackup)
{
    execSql(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n "
                           "where i<400) insert into CRJL (卡片内码, 记录原文) "
                           "select printf('%08X', i), hex(randomblob(100)) from n"));
    execSql(QStringLiteral("delete from CRJL"));
    dir.write(QStringLiteral("Backup"), "a file where the folder belongs");
    const QByteArray before = [&] {
        QFile f(databasePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    for (int show = 1; show <= 2; ++show) {
        SCOPED_TRACE(show);
        if (show == 1)
            expectBox(Dialogs::Ok);
        login->hide();
        login->show();
        QFile f(databasePath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before) << "left as it was";
        EXPECT_TRUE(login->WtxtWtxt->text().startsWith(QStringLiteral("自动备份数据库失败：")));
        EXPECT_EQ(Dialogs::shown().size(), 1);
    }
    EXPECT_TRUE(lastShown().text.startsWith(QStringLiteral("自动备份数据库失败：")));
}

// The day's first login keeps a backup in Backup/ and the status line says so; later logins that
// day write none; the next day's first does.
TEST_F(LoginTest, TheDaysFirstLoginKeepsABackupAndSaysSo)
{
    login->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(login.get()));
    const QString folder = dir.path(QStringLiteral("Backup"));
    struct Step
    {
        const char *when;
        qsizetype kept;
        const char *status;
        const char *newest;
    } steps[] = {
        {"2026-12-11T08:00:00", 1, "今日首次登录，已自动备份数据库：Data-20261211-080000-login.mdb",
         "最新备份：2026-12-11 08:00:00"},
        {"2026-12-11T13:30:00", 1, nullptr, "最新备份：2026-12-11 08:00:00"},
        {"2026-12-12T07:15:00", 2, "今日首次登录，已自动备份数据库：Data-20261212-071500-login.mdb",
         "最新备份：2026-12-12 07:15:00"},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.when);
        {
            appclock::ScopedNow now(
                QDateTime::fromString(QString::fromLatin1(step.when), Qt::ISODate));
            typeLogin(QStringLiteral("admin"), QStringLiteral("admin123"));
        }
        ASSERT_TRUE(main->isVisible());
        systemTab(main.get()).tmr4->stop();
        EXPECT_EQ(backups::list(folder).size(), step.kept);
        if (step.status)
            EXPECT_EQ(main->wtxt->text(), QString::fromUtf8(step.status));
        else
            EXPECT_FALSE(main->wtxt->text().contains(QStringLiteral("备份")))
                << main->wtxt->text().toStdString();
        EXPECT_EQ(testsupport::find<QLabel>(main.get(), "lblNewestBackup")->text(),
                  QString::fromUtf8(step.newest));
        QTest::mouseClick(systemTab(main.get()).btnClose1, Qt::LeftButton);
        ASSERT_TRUE(login->isVisible());
    }
    // The backup is the database as it was at the login.
    const QString first = folder + QStringLiteral("/Data-20261211-080000-login.mdb");
    db::Handle h = db::openDatabase(first, QString::fromLatin1(db::DatabasePassword), true);
    db::Statement st(h.get(), QStringLiteral("select count(*) from users"));
    ASSERT_TRUE(st.step());
    EXPECT_EQ(sqlite3_column_int(st.get(), 0), 4);
}

// A backup that cannot be written: the main window is already up when the reason is shown, once;
// a later login that day tries again and says so in the status line only.
TEST_F(LoginTest, AFailedBackupIsShownOnceAndNeverStopsTheLogin)
{
    dir.write(QStringLiteral("Backup"), "a file where the folder belongs");
    login->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(login.get()));
    bool mainWindowUp = false;
    Dialogs::setShowHook([&](const Dialogs::Shown &) { mainWindowUp = main->isVisible(); });
    appclock::ScopedNow now(QDateTime(QDate(2026, 12, 11), QTime(8, 0)));
    for (int login_ = 1; login_ <= 2; ++login_) {
        SCOPED_TRACE(login_);
        if (login_ == 1)
            expectBox(Dialogs::Ok);
        typeLogin(QStringLiteral("admin"), QStringLiteral("admin123"));
        ASSERT_TRUE(main->isVisible());
        EXPECT_FALSE(login->isVisible());
        EXPECT_EQ(UserType, QStringLiteral("管理员"));
        systemTab(main.get()).tmr4->stop();
        ASSERT_EQ(Dialogs::shown().size(), 1) << "shown once";
        EXPECT_TRUE(main->wtxt->text().startsWith(QStringLiteral("自动备份数据库失败：")))
            << main->wtxt->text().toStdString();
        QTest::mouseClick(systemTab(main.get()).btnClose1, Qt::LeftButton);
        ASSERT_TRUE(login->isVisible());
    }
    Dialogs::setShowHook({});
    const Dialogs::Shown &box = Dialogs::shown().first();
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("自动备份数据库失败：")));
    EXPECT_TRUE(
        box.text.contains(QStringLiteral("备份文件夹：") + dir.path(QStringLiteral("Backup"))))
        << box.text.toStdString();
    EXPECT_EQ(box.caption, QStringLiteral("自动备份"));
    EXPECT_EQ(box.icon, Dialogs::Warning);
    EXPECT_TRUE(mainWindowUp) << "the box came after the login, not in its way";
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
