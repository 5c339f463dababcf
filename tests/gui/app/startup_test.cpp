// Start of the program: one copy at a time, the creation order, and the end without a database.
#include "app/singleinstance.h"
#include "app/startup.h"
#include "common/globals.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "db/starter.h"
#include "shell/appexit.h"
#include "shell/forms.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>
#include <functional>

namespace {

class StartupTest : public testsupport::ScriptedTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        resetGlobals();
        appexit::setTestMode(true);
        appexit::reset();
    }
    void TearDown() override
    {
        startup::destroyWindows();
        ScriptedTest::TearDown();
    }
};

TEST_F(StartupTest, WindowsAreCreatedInTheirOrder)
{
    createStarterDatabase(dir.root(), QStringLiteral("admin"), QStringLiteral("admin123"));
    QStringList order;
    ASSERT_TRUE(startup::createWindows(&order));
    EXPECT_EQ(order, (QStringList{QStringLiteral("TForm2"), QStringLiteral("TForm1"),
                                  QStringLiteral("TDatafrm"), QStringLiteral("TRsRepFrm"),
                                  QStringLiteral("TForm7"), QStringLiteral("TCRJLBB"),
                                  QStringLiteral("TForm10"), QStringLiteral("TForm12")}));
    EXPECT_TRUE(Form1 && Form2 && Datafrm && RsRepFrm && Form7 && CRJLBB && Form10 && Form12);
    EXPECT_EQ(DataFile, dir.path(QStringLiteral("Data/Data.mdb")));
    // The passage window's creation leaves the shared connection open.
    EXPECT_TRUE(Datafrm->con->connected());
    EXPECT_FALSE(appexit::programEnded());
    EXPECT_TRUE(Dialogs::shown().isEmpty());
}

TEST_F(StartupTest, WithoutADatabaseTheProgramEnds)
{
    QStringList order;
    expectBox(); // the database layer's own text
    expectBox(); // "系统错误!"
    EXPECT_FALSE(startup::createWindows(&order));
    ASSERT_EQ(Dialogs::shown().size(), 2);
    EXPECT_FALSE(Dialogs::shown().first().text.isEmpty());
    EXPECT_EQ(lastShown().text, QStringLiteral("系统错误!"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("警告"));
    EXPECT_EQ(lastShown().icon, Dialogs::Warning);
    EXPECT_TRUE(appexit::programEnded());
    EXPECT_FALSE(order.contains(QStringLiteral("TForm12")));
}

TEST_F(StartupTest, AnEmptyFileOrOneWithoutTablesEndsTheProgramAndStaysAsItWas)
{
    const QString file = dir.path(QStringLiteral("Data/Data.mdb"));
    const struct
    {
        const char *name;
        std::function<void()> make;
    } cases[] = {
        {"zero bytes", [&] { dir.write(QStringLiteral("Data/Data.mdb"), QByteArray()); }},
        {"keyed, no tables",
         [&] {
             db::Handle h = db::createDatabase(file, QString::fromLatin1(db::DatabasePassword));
             db::exec(h.get(), QStringLiteral("create table other(a); drop table other;"));
         }},
    };
    for (const auto &c : cases) {
        QFile::remove(file);
        c.make();
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        appexit::reset();
        Dialogs::clearShown();
        expectBox(); // the database layer's own text
        expectBox(); // "系统错误!"
        EXPECT_FALSE(startup::createWindows()) << c.name;
        EXPECT_EQ(lastShown().text, QStringLiteral("系统错误!")) << c.name;
        EXPECT_TRUE(appexit::programEnded()) << c.name;
        startup::destroyWindows();
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before) << c.name;
        f.close();
    }
}

TEST_F(StartupTest, ASecondCopyIsRefused)
{
    const QString name =
        QStringLiteral("Velmora-test-") + QUuid::createUuid().toString(QUuid::Id128);
    SingleInstance first(name);
    SingleInstance second(name);
    EXPECT_TRUE(startup::checkSingleInstance(first));
    expectBox();
    EXPECT_FALSE(startup::checkSingleInstance(second));
    EXPECT_EQ(lastShown().text, QStringLiteral("该程序已经运行!."));
    EXPECT_EQ(lastShown().caption, QStringLiteral("Velmora"));
    EXPECT_EQ(lastShown().icon, Dialogs::Critical);
    EXPECT_FALSE(Form1) << "no window exists";
}

TEST_F(StartupTest, TheLockIsFreeAgainWhenTheFirstCopyEnds)
{
    const QString name =
        QStringLiteral("Velmora-test-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        SingleInstance first(name, dir.root());
        ASSERT_EQ(first.acquire(), SingleInstance::Outcome::Acquired);
    }
    SingleInstance later(name, dir.root());
    EXPECT_EQ(later.acquire(), SingleInstance::Outcome::Acquired);
}

TEST_F(StartupTest, ACopyOnTheSameDirectoryIsRefusedWhateverItsLockName)
{
    // Another account, or the same one with another runtime folder, meets the first copy at the
    // program directory.
    const auto name = [] {
        return QStringLiteral("Velmora-test-") + QUuid::createUuid().toString(QUuid::Id128);
    };
    SingleInstance first(name(), dir.root());
    ASSERT_TRUE(startup::checkSingleInstance(first, dir.root()));
    SingleInstance second(name(), dir.root());
    expectBox();
    EXPECT_FALSE(startup::checkSingleInstance(second, dir.root()));
    EXPECT_TRUE(lastShown().text.contains(dir.root())) << lastShown().text.toStdString();
    EXPECT_EQ(lastShown().icon, Dialogs::Critical);

    // Another directory is another installation.
    testsupport::TempProgramDir other;
    SingleInstance elsewhere(name(), other.root());
    EXPECT_EQ(elsewhere.acquire(), SingleInstance::Outcome::Acquired);
}

TEST_F(StartupTest, TheUserLockLivesInTheUsersOwnRuntimeFolder)
{
    // /tmp is shared by every account: a lock there (left or held) kept the others out.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path(QStringLiteral("run"))));
    QDir().mkpath(dir.path(QStringLiteral("run")));
    QFile::setPermissions(dir.path(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString path = singleInstanceLockPath(QStringLiteral("Velmora"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(path, dir.path(QStringLiteral("run/Velmora.lock")));
}

} // namespace

namespace {

// Qt's own texts and the locale of dates are Chinese whatever the system's locale is (the
// tests run under C.UTF-8).
TEST(ChineseTest, QtsOwnTextsAndDatesAreChineseUnderAnyLocale)
{
    ASSERT_EQ(QLocale::system().language(), QLocale::C);
    ASSERT_TRUE(startup::useChinese()) << "Qt's Simplified Chinese translations are not installed";
    const struct
    {
        const char *context, *source, *chinese;
    } texts[] = {
        {"QPlatformTheme", "Cancel", "取消"},
        {"QFileDialog", "Look in:", "查找范围："},
        {"QLineEdit", "&Paste", "粘贴(&P)"},
    };
    for (const auto &t : texts)
        EXPECT_EQ(QCoreApplication::translate(t.context, t.source), QString::fromUtf8(t.chinese))
            << t.source;
    const QLocale shown;
    EXPECT_EQ(shown.monthName(12), QStringLiteral("十二月"));
    EXPECT_EQ(shown.dayName(1, QLocale::ShortFormat), QStringLiteral("周一"));
    QLocale::setDefault(QLocale::c());
}

} // namespace
