// The real program: the database command, and a start that reaches the login window.
#include "db/connection.h"
#include "testsupport.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <QUuid>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QString program()
{
    return testsupport::binDir() + QStringLiteral("/velmora");
}

struct Outcome
{
    int code = -1;
    QString out;
    QString err;
};

Outcome run(const QStringList &args)
{
    QProcess p;
    p.start(program(), args);
    Outcome r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        return r;
    }
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

TEST(Program, HelpAndVersionAnswerWithoutADisplay)
{
    // No display and no platform: these must not need one.
    const struct
    {
        const char *option;
        const char *says;
    } cases[] = {
        {"--help", "Usage: velmora"}, {"-h", "--create-database"}, {"--version", "velmora 1."}};
    for (const auto &c : cases) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.start(program(), {QString::fromLatin1(c.option)});
        ASSERT_TRUE(p.waitForFinished(30000)) << c.option;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.option;
        EXPECT_EQ(p.exitCode(), 0) << c.option;
        EXPECT_TRUE(p.readAllStandardOutput().contains(c.says)) << c.option;
    }
}

TEST(Program, CreatesAnEncryptedStarterDatabaseOnce)
{
    testsupport::TempProgramDir dir;
    const QStringList args = {QStringLiteral("--dir"),
                              dir.root(),
                              QStringLiteral("--create-database"),
                              QStringLiteral("--admin-name"),
                              QStringLiteral("chief"),
                              QStringLiteral("--admin-password"),
                              QStringLiteral("s3cret")};
    const Outcome first = run(args);
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("chief"))) << "the account to log in with";
    EXPECT_TRUE(QFile::exists(dir.path(QStringLiteral("Help/index.htm")))) << "the help page";
    EXPECT_TRUE(QFile::exists(dir.path(QStringLiteral("Help/images/cardtab.png"))));
    // The branding template, every key there and empty, for the site to fill in.
    QFile branding(dir.path(QStringLiteral("IniFile/System.ini")));
    ASSERT_TRUE(branding.open(QIODevice::ReadOnly));
    const QByteArray template_ = branding.readAll();
    for (const char *entry : {"[title]", "TitleName=", "[GS]", "GSName=", "[WZ]", "WZName="})
        EXPECT_TRUE(template_.contains(entry)) << entry;
    EXPECT_TRUE(first.out.contains(QStringLiteral("System.ini"))) << "the site is told where";
    // Readable by its owner only, like the folder that holds it.
    for (const char *made : {"Data", "Data/Data.mdb"}) {
        struct stat st
        {
        };
        ASSERT_EQ(::stat(QFile::encodeName(dir.path(QString::fromLatin1(made))).constData(), &st),
                  0);
        EXPECT_EQ(st.st_mode & 077, 0u) << made;
    }
    QFile file(dir.path(QStringLiteral("Data/Data.mdb")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.read(16).startsWith("SQLite format 3"));
    file.close();
    const QByteArray before = [&] {
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    file.close();

    const Outcome again = run(args);
    EXPECT_NE(again.code, 0);
    EXPECT_FALSE(again.err.isEmpty());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before) << "an existing database is never overwritten";

    testsupport::TempProgramDir other;
    const Outcome bad =
        run({QStringLiteral("--dir"), other.root(), QStringLiteral("--create-database"),
             QStringLiteral("--admin-name"), QStringLiteral("x")});
    EXPECT_NE(bad.code, 0) << "no password";
    EXPECT_FALSE(QFile::exists(other.path(QStringLiteral("Data/Data.mdb"))));
}

TEST(Program, StartsAndKeepsRunningOnAReadyDirectory)
{
    testsupport::TempProgramDir dir;
    ASSERT_EQ(run({QStringLiteral("--dir"), dir.root(), QStringLiteral("--create-database"),
                   QStringLiteral("--admin-name"), QStringLiteral("admin"),
                   QStringLiteral("--admin-password"), QStringLiteral("admin123")})
                  .code,
              0);
    const QString data = dir.path(QStringLiteral("Data/Data.mdb"));
    // Passage records written and deleted again leave free pages that only a compaction returns.
    {
        db::Handle h = db::openDatabase(data, QString::fromLatin1(db::DatabasePassword));
        db::exec(h.get(),
                 QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                                "WHERE i<2000) INSERT INTO CRJL(卡片内码,记录原文) "
                                "SELECT printf('%08X',i), hex(randomblob(40)) FROM n;"
                                "DELETE FROM CRJL;"));
    }
    const qint64 filled = QFileInfo(data).size();
    const QDateTime created = QFileInfo(data).lastModified();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VELMORA_INSTANCE"),
               QStringLiteral("velmora-e2e-") + QUuid::createUuid().toString(QUuid::Id128));
    p.setProcessEnvironment(env);
    p.start(program(), {QStringLiteral("--dir"), dir.root()});
    ASSERT_TRUE(p.waitForStarted());
    // Splash for a second, then the windows and the login window: the program waits there.
    EXPECT_FALSE(p.waitForFinished(3000)) << p.readAllStandardError().toStdString();
    EXPECT_EQ(p.state(), QProcess::Running);
    // Showing the login window compacts the database: the deleted records' space is gone.
    EXPECT_GT(QFileInfo(data).lastModified(), created);
    EXPECT_TRUE(QFile::exists(data));
    EXPECT_LT(QFileInfo(data).size(), filled / 4);
    p.kill();
    p.waitForFinished();
}

// The program killed while the login window writes its backup before compacting: nothing is left
// under a backup's name and the database is untouched; the next start removes the killed copy,
// writes the backup and compacts.
TEST(Program, KilledDuringAnAutomaticBackupKeepsNoPartialBackup)
{
    testsupport::TempProgramDir dir;
    ASSERT_EQ(run({QStringLiteral("--dir"), dir.root(), QStringLiteral("--create-database"),
                   QStringLiteral("--admin-name"), QStringLiteral("admin"),
                   QStringLiteral("--admin-password"), QStringLiteral("admin123")})
                  .code,
              0);
    const QString data = dir.path(QStringLiteral("Data/Data.mdb"));
    // A large archive with half its pages free: the login window backs it up, then compacts it.
    {
        db::Handle h = db::openDatabase(data, QString::fromLatin1(db::DatabasePassword));
        db::exec(h.get(),
                 QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                                "WHERE i<60000) INSERT INTO CRJL(卡片内码,记录原文) "
                                "SELECT printf('%08X',i), hex(randomblob(500)) FROM n;"
                                "DELETE FROM CRJL WHERE 序号 <= 30000;"));
    }
    const auto bytes = [&] {
        QFile f(data);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    ASSERT_GT(before.size(), 50 << 20);
    const QDir backupDir(dir.path(QStringLiteral("Backup")));
    const QStringList staged = {QStringLiteral("Data-*.mdb.??????")};
    const QStringList named = {QStringLiteral("Data-*.mdb")};

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VELMORA_INSTANCE"),
               QStringLiteral("velmora-e2e-") + QUuid::createUuid().toString(QUuid::Id128));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program(), {QStringLiteral("--dir"), dir.root()});
    ASSERT_TRUE(p.waitForStarted());
    // Watch for the copy being written and kill the program right then.
    QDeadlineTimer deadline(60000);
    bool caught = false;
    while (!deadline.hasExpired() && p.state() == QProcess::Running) {
        const QStringList copies = backupDir.entryList(staged, QDir::Files | QDir::Hidden);
        if (!copies.isEmpty() && QFileInfo(backupDir.filePath(copies.first())).size() > 0) {
            ::kill(pid_t(p.processId()), SIGKILL);
            caught = true;
            break;
        }
        QThread::usleep(200);
    }
    p.waitForFinished();
    ASSERT_TRUE(caught) << "the backup was not seen being written";
    EXPECT_EQ(backupDir.entryList(named, QDir::Files), QStringList())
        << "no file under a backup's name";
    EXPECT_EQ(backupDir.entryList(staged, QDir::Files | QDir::Hidden).size(), 1)
        << "the killed copy is all there is";
    EXPECT_EQ(bytes(), before) << "not compacted without its backup";

    // The next start: the killed copy goes, the backup is written and the file compacted.
    env.insert(QStringLiteral("VELMORA_INSTANCE"),
               QStringLiteral("velmora-e2e-") + QUuid::createUuid().toString(QUuid::Id128));
    QProcess again;
    again.setProcessEnvironment(env);
    again.start(program(), {QStringLiteral("--dir"), dir.root()});
    ASSERT_TRUE(again.waitForStarted());
    QDeadlineTimer second(60000);
    while (!second.hasExpired() && (QFileInfo(data).size() >= before.size() ||
                                    QFile::exists(data + QStringLiteral("-journal"))))
        QThread::msleep(50);
    again.kill();
    again.waitForFinished();
    EXPECT_LT(QFileInfo(data).size(), before.size()) << "compacted";
    const QStringList kept = backupDir.entryList(named, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(kept.first().endsWith(QStringLiteral("-compact.mdb")))
        << kept.first().toStdString();
    EXPECT_EQ(QFileInfo(backupDir.filePath(kept.first())).size(), before.size());
    EXPECT_EQ(backupDir.entryList(staged, QDir::Files | QDir::Hidden), QStringList());
}

} // namespace
