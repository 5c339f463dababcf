// Automatic backups: their names, the list, rotation, the day's first login, the checked copy and
// what a full disk, a read-only folder, a damaged database and a killed backup leave behind.
#include "dbfixture.h"
#include "smalldisk.h"

#include "common/clock.h"
#include "common/inifile.h"
#include "db/backups.h"

#include <QDir>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using backups::Occasion;

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

class BackupsTest : public DbTest
{
protected:
    QString folder() const { return dir.path(QStringLiteral("Backup")); }

    backups::Result writeAt(const char *iso, Occasion occasion = Occasion::Login, int keep = 30,
                            const QString &spare = {}) const
    {
        appclock::ScopedNow now(at(iso));
        return backups::write(file, folder(), occasion, keep, spare);
    }

    // Every entry of the folder, hidden ones too, by name.
    QStringList everything() const
    {
        return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                        QDir::Name);
    }

    QStringList listed() const
    {
        QStringList names;
        for (const backups::Entry &e : backups::list(folder()))
            names << QFileInfo(e.path).fileName();
        return names;
    }

    static QStringList accounts(const QString &path)
    {
        db::Handle h = db::openDatabase(path, QString::fromLatin1(db::DatabasePassword), true);
        db::Statement st(h.get(), QStringLiteral("select user_name from users order by id"));
        QStringList out;
        while (st.step())
            out << QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 0)));
        return out;
    }

    // Enough passage rows that the file outgrows a small disk.
    void fillPassages(int rows) const
    {
        exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                            "WHERE i<%1) INSERT INTO CRJL(卡片内码,记录原文) "
                            "SELECT printf('%08X',i), hex(randomblob(60)) FROM n")
                 .arg(rows));
    }
};

TEST(BackupNames, SayWhenAndWhyAndNothingElseCountsAsABackup)
{
    const QDateTime t = at("2026-12-11T09:55:07");
    struct Case
    {
        Occasion occasion;
        int serial;
        const char *name;
    } cases[] = {
        {Occasion::Login, 1, "Data-20261211-095507-login.mdb"},
        {Occasion::Restore, 1, "Data-20261211-095507-restore.mdb"},
        {Occasion::Compaction, 2, "Data-20261211-095507-compact-2.mdb"},
        {Occasion::Login, 12, "Data-20261211-095507-login-12.mdb"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(backups::fileName(t, c.occasion, c.serial), QString::fromLatin1(c.name));
        const std::optional<backups::Entry> e = backups::parse(QString::fromLatin1(c.name));
        ASSERT_TRUE(e);
        EXPECT_EQ(e->time, t);
        EXPECT_EQ(e->occasion, c.occasion);
        EXPECT_EQ(e->serial, c.serial);
    }
    for (const char *foreign :
         {"Data.mdb", "远距离Velmora.mdb", "Data-20261211-095507-login.mdb.Ab12Cd",
          "Data-20261211-095507-login.MDB", "Data-20261311-095507-login.mdb",
          "Data-20261211-095507-daily.mdb", "Data-20261211-095507-login-1.mdb",
          "Data-20261211-095507-login-02.mdb", "xData-20261211-095507-login.mdb"})
        EXPECT_FALSE(backups::parse(QString::fromUtf8(foreign))) << foreign;
}

TEST_F(BackupsTest, WritesACheckedCopyNamedByItsTimeAndListsTheNewestFirst)
{
    const mode_t mask = ::umask(077);
    const backups::Result first = writeAt("2026-12-10T18:00:00");
    ::umask(mask);
    ASSERT_TRUE(first.ok()) << first.reason.toStdString();
    EXPECT_EQ(first.path, folder() + QStringLiteral("/Data-20261210-180000-login.mdb"));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(folder()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "the owners' data stay their user's";

    exec(QStringLiteral("insert into users (user_name) values ('later')"));
    // Two within one second, a restore's in between.
    ASSERT_TRUE(writeAt("2026-12-11T09:00:00", Occasion::Restore).ok());
    ASSERT_TRUE(writeAt("2026-12-11T09:00:00", Occasion::Restore).ok());
    ASSERT_TRUE(writeAt("2026-12-11T08:59:59", Occasion::Compaction).ok());
    EXPECT_EQ(listed(),
              (QStringList{"Data-20261211-090000-restore-2.mdb", "Data-20261211-090000-restore.mdb",
                           "Data-20261211-085959-compact.mdb", "Data-20261210-180000-login.mdb"}));
    EXPECT_EQ(accounts(first.path), QStringList{"admin"});
    EXPECT_EQ(accounts(backups::list(folder()).first().path), (QStringList{"admin", "later"}));
    EXPECT_EQ(everything().size(), 4) << "nothing else is left in the folder";
}

TEST_F(BackupsTest, TheDaysFirstLoginIsTheOneWithoutABackupOfThatDay)
{
    const QDate today(2026, 12, 11);
    EXPECT_TRUE(backups::dueToday(backups::list(folder()), today)) << "no backup at all";
    ASSERT_TRUE(writeAt("2026-12-10T23:59:59").ok());
    EXPECT_TRUE(backups::dueToday(backups::list(folder()), today)) << "yesterday's";
    ASSERT_TRUE(writeAt("2026-12-11T00:00:00", Occasion::Compaction).ok());
    EXPECT_FALSE(backups::dueToday(backups::list(folder()), today))
        << "any backup of today, whatever wrote it";
    EXPECT_TRUE(backups::dueToday(backups::list(folder()), today.addDays(1)));
}

TEST_F(BackupsTest, RotationKeepsTheNewestAndSparesTheFileBeingRestored)
{
    dir.write(QStringLiteral("Backup/my own copy.mdb"), "operator's");
    dir.write(QStringLiteral("Backup/Data-manual.mdb"), "operator's");
    for (const char *t : {"2026-12-01T08:00:00", "2026-12-02T08:00:00", "2026-12-03T08:00:00",
                          "2026-12-04T08:00:00", "2026-12-05T08:00:00"})
        ASSERT_TRUE(writeAt(t, Occasion::Login, 3).ok()) << t;
    EXPECT_EQ(listed(),
              (QStringList{"Data-20261205-080000-login.mdb", "Data-20261204-080000-login.mdb",
                           "Data-20261203-080000-login.mdb"}));

    // A restore of the oldest kept: its backup goes in, the chosen file stays.
    const QString oldest = folder() + QStringLiteral("/Data-20261203-080000-login.mdb");
    ASSERT_TRUE(writeAt("2026-12-06T08:00:00", Occasion::Restore, 3, oldest).ok());
    EXPECT_TRUE(QFile::exists(oldest));
    EXPECT_EQ(listed().size(), 4);
    // The next backup takes the count back to the limit.
    ASSERT_TRUE(writeAt("2026-12-07T08:00:00", Occasion::Login, 3).ok());
    EXPECT_EQ(listed(),
              (QStringList{"Data-20261207-080000-login.mdb", "Data-20261206-080000-restore.mdb",
                           "Data-20261205-080000-login.mdb"}));
    EXPECT_TRUE(QFile::exists(folder() + QStringLiteral("/my own copy.mdb")));
    EXPECT_TRUE(QFile::exists(folder() + QStringLiteral("/Data-manual.mdb")));
}

TEST_F(BackupsTest, HowManyToKeepComesFromTheSettingsFile)
{
    const QString ini = dir.path(QStringLiteral("velmora.ini"));
    EXPECT_EQ(backups::keepCount(ini), 30) << "no file";
    struct Case
    {
        const char *value;
        int keep;
    } cases[] = {{"7", 7}, {"1", 1}, {"0", 30}, {"-3", 30}, {"many", 30}, {"", 30}};
    for (const Case &c : cases) {
        IniFile settings(ini);
        settings.writeString(QStringLiteral("Backup"), QStringLiteral("Keep"),
                             QString::fromLatin1(c.value));
        ASSERT_TRUE(settings.save());
        EXPECT_EQ(backups::keepCount(ini), c.keep) << c.value;
    }
}

TEST_F(BackupsTest, AFailureIsShownOnceADay)
{
    const QString ini = dir.path(QStringLiteral("velmora.ini"));
    const QDate today(2026, 12, 11);
    EXPECT_TRUE(backups::takeFailureBox(ini, today));
    EXPECT_FALSE(backups::takeFailureBox(ini, today));
    EXPECT_TRUE(backups::takeFailureBox(ini, today.addDays(1)));
    // Recorded in the settings file: another run of the program the same day shows none.
    const QString other = dir.path(QStringLiteral("other.ini"));
    ASSERT_TRUE(QFile::copy(ini, other));
    EXPECT_FALSE(backups::takeFailureBox(other, today.addDays(1)));
    // A settings file that cannot be written: once for this run all the same.
    const QString unwritable = dir.path(QStringLiteral("no such folder/x.ini"));
    dir.write(QStringLiteral("no such folder"), "a file, not a folder");
    EXPECT_TRUE(backups::takeFailureBox(unwritable, today));
    EXPECT_FALSE(backups::takeFailureBox(unwritable, today));
}

TEST_F(BackupsTest, AFullDiskKeepsNoPartialFileAndRemovesNoOlderBackup)
{
    fillPassages(6000);
    ASSERT_GT(QFileInfo(file).size(), 512 * 1024);
    testsupport::SmallDisk disk(folder(), QStringLiteral("256k"));
    if (!disk.mounted())
        GTEST_SKIP() << "no file system of its own can be mounted here";
    // More than are to be kept: a failed backup removes none of them.
    dir.write(QStringLiteral("Backup/Data-20261201-080000-login.mdb"), "an older backup");
    dir.write(QStringLiteral("Backup/Data-20261202-080000-login.mdb"), "an older backup");
    const QStringList older = {"Data-20261201-080000-login.mdb", "Data-20261202-080000-login.mdb"};
    const backups::Result r = writeAt("2026-12-11T08:00:00", Occasion::Login, 1);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.reason.contains(QStringLiteral("磁盘已满"))) << r.reason.toStdString();
    EXPECT_TRUE(r.path.isEmpty());
    EXPECT_EQ(everything(), older) << "no half-written copy, and the older backups are kept";

    ASSERT_TRUE(disk.makeReadOnly());
    const backups::Result ro = writeAt("2026-12-11T08:01:00", Occasion::Login, 1);
    EXPECT_TRUE(ro.reason.contains(QStringLiteral("只读"))) << ro.reason.toStdString();
    EXPECT_EQ(everything(), older);
}

TEST_F(BackupsTest, AFolderThatCannotTakeTheBackupIsNamed)
{
    // As root, permissions do not stop a write: a read-only file system does.
    testsupport::SmallDisk disk(folder(), QStringLiteral("1m"));
    const bool asRoot = disk.mounted();
    if (asRoot)
        ASSERT_TRUE(disk.makeReadOnly());
    else
        ASSERT_TRUE(QDir().mkpath(folder()) &&
                    QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
    const backups::Result r = writeAt("2026-12-11T08:00:00");
    if (!asRoot)
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.reason.contains(asRoot ? QStringLiteral("只读") : QStringLiteral("没有写入权限")))
        << r.reason.toStdString();
    EXPECT_TRUE(everything().isEmpty());

    // A file where the folder belongs.
    testsupport::TempProgramDir other;
    other.write(QStringLiteral("Backup"), "not a folder");
    const backups::Result blocked =
        backups::write(file, other.path(QStringLiteral("Backup")), Occasion::Login, 30);
    EXPECT_FALSE(blocked.ok());
    EXPECT_FALSE(blocked.reason.isEmpty());
}

TEST_F(BackupsTest, ADamagedDatabaseIsNotKeptAsABackup)
{
    fillPassages(400);
    int page = 0, pageSize = 0;
    {
        db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
        db::Statement root(h.get(),
                           QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='CRJL'"));
        root.step();
        page = sqlite3_column_int(root.get(), 0);
        db::Statement size(h.get(), QStringLiteral("PRAGMA page_size"));
        size.step();
        pageSize = sqlite3_column_int(size.get(), 0);
    }
    QFile f(file);
    ASSERT_TRUE(page > 1 && f.open(QIODevice::ReadWrite));
    f.seek(qint64(page - 1) * pageSize + pageSize / 2);
    f.write("\xff\x00\xff", 3);
    f.close();

    const backups::Result r = writeAt("2026-12-11T08:00:00");
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.reason.startsWith(QStringLiteral("备份副本校验未通过")))
        << r.reason.toStdString();
    EXPECT_TRUE(everything().isEmpty());

    // A database that is gone says so too.
    QFile::remove(file);
    const backups::Result gone = writeAt("2026-12-11T08:00:01");
    EXPECT_TRUE(gone.reason.startsWith(QStringLiteral("无法读取数据库文件")))
        << gone.reason.toStdString();
    EXPECT_TRUE(everything().isEmpty());
}

TEST_F(BackupsTest, TheCopyOfAKilledBackupIsRemovedAndARunningOnesKept)
{
    dir.write(QStringLiteral("Backup/Data-20261210-080000-login.mdb.Ab12Cd"), "killed half-way");
    dir.write(QStringLiteral("Backup/Data-20261211-075959-login.mdb.Zz99Yy"), "still running");
    const QByteArray running =
        QFile::encodeName(folder() + QStringLiteral("/Data-20261211-075959-login.mdb.Zz99Yy"));
    const int fd = ::open(running.constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    ASSERT_TRUE(writeAt("2026-12-11T08:00:00").ok());
    ::close(fd);
    EXPECT_EQ(everything(), (QStringList{"Data-20261211-075959-login.mdb.Zz99Yy",
                                         "Data-20261211-080000-login.mdb"}));
    EXPECT_EQ(listed(), QStringList{"Data-20261211-080000-login.mdb"});
}

TEST_F(BackupsTest, TheStatusLineSaysWhatWasWrittenOrWhy)
{
    const backups::Result login = writeAt("2026-12-11T08:00:00");
    EXPECT_EQ(backups::statusText(login),
              QStringLiteral("今日首次登录，已自动备份数据库：Data-20261211-080000-login.mdb"));
    const backups::Result restore = writeAt("2026-12-11T08:00:00", Occasion::Restore);
    EXPECT_EQ(backups::statusText(restore),
              QStringLiteral("还原前已自动备份当前数据库：Data-20261211-080000-restore.mdb"));
    backups::Result failed;
    failed.reason = QStringLiteral("磁盘已满");
    EXPECT_EQ(backups::statusText(failed), QStringLiteral("自动备份数据库失败：磁盘已满"));
}

} // namespace
