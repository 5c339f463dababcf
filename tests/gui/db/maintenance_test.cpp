#include "db/backups.h"
#include "db/datafrm.h"
#include "db/dberror.h"
#include "db/maintenance.h"
#include "db/schema.h"
#include "db/starter.h"
#include "db/texts.h"
#include "oldschema.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

class RecordingGauge : public Gauge
{
public:
    int minimum() const override { return 0; }
    int maximum() const override { return 100; }
    void setValue(int value) override { values.append(value); }
    QList<int> values;
};

class MaintenanceTest : public testsupport::ScriptedTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        file = createStarterDatabase(dir.root(), QStringLiteral("admin"), QStringLiteral("admin1"));
        module.DataModuleCreate(file);
        addCard(file, QStringLiteral("0A1B2C3D"), QStringLiteral("张三"));
    }

    static void addCard(const QString &path, const QString &code, const QString &name)
    {
        Connection con;
        con.setDatabase(path);
        Query q(&con);
        q.setSQL(QStringLiteral("select * from CZdata"));
        q.open();
        q.append();
        q.fieldByName(QStringLiteral("卡片内码")).setAsString(code);
        q.fieldByName(QStringLiteral("车主姓名")).setAsString(name);
        q.post();
    }

    static QStringList owners(const QString &path)
    {
        Connection con;
        con.setDatabase(path);
        Query q(&con);
        q.setSQL(QStringLiteral("select * from CZdata order by id"));
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.fieldByName(QStringLiteral("车主姓名")).asString();
        return out;
    }

    static QByteArray bytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void backup() { maintenance::backupDatabase(gauge, file); }
    void restore() { maintenance::restoreDatabase(gauge, *module.con, *module.LGqry1, file); }

    QString file;
    TDatafrm module;
    RecordingGauge gauge;
};

TEST_F(MaintenanceTest, BackupAppendsMdbAndMakesAnOpenableCopy)
{
    const QString chosen = dir.path(QStringLiteral("备份1"));
    expectFile(chosen);
    expectBox(Dialogs::Ok);
    backup();
    ASSERT_EQ(Dialogs::shown().size(), 2);
    const Dialogs::Shown &dialog = Dialogs::shown().first();
    EXPECT_EQ(dialog.kind, Dialogs::Shown::SaveFile);
    EXPECT_EQ(dialog.text, QStringLiteral("请输入要保存的文件名"));
    EXPECT_EQ(dialog.caption, QStringLiteral("Microsoft Access(*.mdb)|*.mdb|All Files(*.*)|*.*"));
    EXPECT_EQ(dialog.defaultName, QStringLiteral("远距离Velmora"));
    EXPECT_EQ(lastShown().text, QStringLiteral("数据库备份成功!"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("备份数据"));
    EXPECT_EQ(lastShown().icon, Dialogs::Information);
    EXPECT_EQ(gauge.values.first(), 0);
    EXPECT_EQ(gauge.values.last(), 100);
    EXPECT_EQ(owners(chosen + QStringLiteral(".mdb")), QStringList{"张三"});

    // Choosing that backup again targets a name with a second .mdb: no question, a new file.
    Dialogs::clearShown();
    expectFile(chosen + QStringLiteral(".mdb"));
    expectBox(Dialogs::Ok);
    backup();
    EXPECT_EQ(shownTexts(), (QStringList{"请输入要保存的文件名", "数据库备份成功!"}));
    EXPECT_TRUE(QFile::exists(chosen + QStringLiteral(".mdb.mdb")));
}

TEST_F(MaintenanceTest, BackupOntoAnExistingFileAsksFirst)
{
    const QString chosen = dir.path(QStringLiteral("bk"));
    dir.write(QStringLiteral("bk.mdb"), "old backup");

    expectFile(chosen);
    expectBox(Dialogs::No);
    backup();
    EXPECT_EQ(lastShown().text, QStringLiteral("存在数据库重名，是否覆盖？"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("存盘选项"));
    EXPECT_EQ(lastShown().buttons, Dialogs::YesNo);
    EXPECT_EQ(lastShown().icon, Dialogs::Question);
    EXPECT_EQ(bytes(chosen + QStringLiteral(".mdb")), QByteArray("old backup"));

    expectFile(chosen);
    expectBox(Dialogs::Yes);
    expectBox(Dialogs::Ok);
    backup();
    EXPECT_EQ(lastShown().text, QStringLiteral("数据库备份成功!"));
    EXPECT_EQ(bytes(chosen + QStringLiteral(".mdb")), bytes(file));

    // Cancelled dialog: nothing more.
    Dialogs::clearShown();
    expectFile(QString());
    backup();
    EXPECT_EQ(Dialogs::shown().size(), 1);
}

TEST_F(MaintenanceTest, ABackupOntoTheLiveDatabaseIsRefusedByFileIdentity)
{
    // The database itself, by its own name and through another path to the same file.
    const QString viaDots = dir.path(QStringLiteral("Data/../Data/Data"));
    ASSERT_TRUE(QFile::link(file, dir.path(QStringLiteral("alias.mdb"))));
    for (const QString &chosen : {file.chopped(4), viaDots, dir.path(QStringLiteral("alias"))}) {
        const QByteArray before = bytes(file);
        module.Qryda1->open();
        expectFile(chosen);
        expectBox(Dialogs::Ok);
        backup();
        EXPECT_EQ(lastShown().text, texts::db::BackupOntoItself) << chosen.toStdString();
        EXPECT_EQ(bytes(file), before);
        // The program goes on writing into the file it has open.
        module.Qryda1->close();
        module.con->disconnect();
        db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
        db::exec(h.get(), QStringLiteral("insert into users (user_name) values ('after')"));
    }
}

TEST_F(MaintenanceTest, BackupFailuresAreReported)
{
    struct Case
    {
        const char *what;
        QString chosen;
    } cases[] = {
        {"vanished folder", dir.path(QStringLiteral("gone/bk"))},
        {"read-only place", QStringLiteral("/proc/velmora-bk")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Dialogs::clearShown();
        expectFile(c.chosen);
        expectBox(Dialogs::Ok);
        backup();
        EXPECT_EQ(lastShown().text, QStringLiteral("警告：数据库备份失败!"));
        EXPECT_EQ(lastShown().caption, QStringLiteral("存盘错误"));
        EXPECT_EQ(lastShown().icon, Dialogs::Warning);
        EXPECT_FALSE(QFile::exists(c.chosen + QStringLiteral(".mdb")));
    }

    // A database file that has gone away.
    QFile::rename(file, file + QStringLiteral(".away"));
    expectFile(dir.path(QStringLiteral("bk2")));
    expectBox(Dialogs::Ok);
    backup();
    EXPECT_EQ(lastShown().text, QStringLiteral("警告：数据库备份失败!"));
}

TEST_F(MaintenanceTest, RestoreReleasesTheFileAndBringsBackTheBackup)
{
    const QString backupFile = dir.path(QStringLiteral("saved.mdb"));
    ASSERT_TRUE(QFile::copy(file, backupFile));
    addCard(file, QStringLiteral("11111111"), QStringLiteral("李四"));

    // The card tab holds the archive open and the account tab the accounts.
    module.Qryda1->open();
    module.LGqry1->open();
    expectFile(backupFile);
    expectBox(Dialogs::Yes);
    expectBox(Dialogs::Ok);
    restore();
    const Dialogs::Shown &dialog = Dialogs::shown().first();
    EXPECT_EQ(dialog.kind, Dialogs::Shown::OpenFile);
    EXPECT_EQ(dialog.text, QStringLiteral("请输入要读取的文件名"));
    EXPECT_EQ(Dialogs::shown().at(1).text, QStringLiteral("警告：现有数据有可能丢失，确定还原？"));
    EXPECT_EQ(Dialogs::shown().at(1).caption, QStringLiteral("数据库还原"));
    EXPECT_EQ(Dialogs::shown().at(1).icon, Dialogs::Question);
    EXPECT_EQ(lastShown().text, QStringLiteral("成功恢复数据库,请及时备份数据库!"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("系统提示"));
    EXPECT_EQ(lastShown().icon, Dialogs::Information);
    EXPECT_EQ(gauge.values.last(), 100);

    EXPECT_FALSE(module.Qryda1->isActive());
    EXPECT_FALSE(module.LGqry1->isActive());
    EXPECT_FALSE(module.con->connected());
    module.Qryda1->open();
    EXPECT_EQ(module.Qryda1->recordCount(), 1);
    EXPECT_EQ(module.Qryda1->fieldByName(QStringLiteral("车主姓名")).asString(),
              QStringLiteral("张三"));
}

// The file a restore replaces goes to Backup/ first; without that backup the operator decides.
TEST_F(MaintenanceTest, RestoreKeepsTheReplacedFileOrAsksWhenItCannot)
{
    const QString backupFile = dir.path(QStringLiteral("saved.mdb"));
    ASSERT_TRUE(QFile::copy(file, backupFile));
    addCard(file, QStringLiteral("11111111"), QStringLiteral("李四"));

    expectFile(backupFile);
    expectBox(Dialogs::Yes);
    expectBox(Dialogs::Ok);
    restore();
    EXPECT_EQ(lastShown().text, QStringLiteral("成功恢复数据库,请及时备份数据库!"));
    const QList<backups::Entry> kept = backups::list(dir.path(QStringLiteral("Backup")));
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept.first().occasion, backups::Occasion::Restore);
    EXPECT_EQ(owners(kept.first().path), (QStringList{"张三", "李四"}));
    EXPECT_EQ(owners(file), QStringList{"张三"});

    // A file where the backup folder belongs: the backup fails, and the question names why.
    QDir(dir.path(QStringLiteral("Backup"))).removeRecursively();
    dir.write(QStringLiteral("Backup"), "not a folder");
    addCard(file, QStringLiteral("22222222"), QStringLiteral("王五"));
    Dialogs::clearShown();
    expectFile(backupFile);
    expectBox(Dialogs::Yes);
    expectBox(Dialogs::No);
    restore();
    ASSERT_EQ(Dialogs::shown().size(), 3);
    EXPECT_TRUE(lastShown().text.startsWith(QStringLiteral("还原前自动备份当前数据库失败：")))
        << lastShown().text.toStdString();
    EXPECT_TRUE(lastShown().text.endsWith(QStringLiteral("仍要还原吗？")));
    EXPECT_EQ(lastShown().caption, QStringLiteral("数据库还原"));
    EXPECT_EQ(lastShown().buttons, Dialogs::YesNo);
    EXPECT_EQ(lastShown().icon, Dialogs::Warning);
    EXPECT_EQ(owners(file), (QStringList{"张三", "王五"})) << "No: nothing restored";

    Dialogs::clearShown();
    expectFile(backupFile);
    expectBox(Dialogs::Yes);
    expectBox(Dialogs::Yes);
    expectBox(Dialogs::Ok);
    restore();
    EXPECT_EQ(lastShown().text, QStringLiteral("成功恢复数据库,请及时备份数据库!"));
    EXPECT_EQ(owners(file), QStringList{"张三"}) << "Yes: restored without the backup";
}

TEST_F(MaintenanceTest, RestoreTakesABackupOfAnOlderVersionAndMigratesIt)
{
    const QString backupFile = dir.path(QStringLiteral("old.mdb"));
    testsupport::makeVersion0Database(
        backupFile,
        QStringLiteral(
            "INSERT INTO CZdata (车辆编号, 卡片内码, 车主姓名) VALUES (1001, 'abcdef12', '王五')"));
    expectFile(backupFile);
    expectBox(Dialogs::Yes);
    expectBox(Dialogs::Ok);
    restore();
    EXPECT_EQ(lastShown().text, QStringLiteral("成功恢复数据库,请及时备份数据库!"));
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    EXPECT_EQ(schema::version(h.get()), schema::CurrentVersion);
    db::Statement st(h.get(),
                     QStringLiteral("select 车主姓名 from CZdata where 卡片内码 = 'ABCDEF12'"));
    ASSERT_TRUE(st.step());
    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 0))),
              QStringLiteral("王五"));
    // The restored file's card history begins with the restore.
    db::Statement history(h.get(), QStringLiteral("select 操作 || '|' || 结果 from CardLog"));
    ASSERT_TRUE(history.step());
    EXPECT_EQ(
        QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(history.get(), 0))),
        QStringLiteral("数据库还原|已保存"));
    EXPECT_FALSE(history.step());
}

TEST_F(MaintenanceTest, RestoreRefusesAFileThatIsNotOurDatabase)
{
    const QString otherKey = dir.path(QStringLiteral("otherkey.mdb"));
    {
        db::Handle h = db::createDatabase(otherKey, QStringLiteral("654321"));
        db::exec(h.get(), QStringLiteral("create table users(a)"));
    }
    const QString partial = dir.path(QStringLiteral("partial.mdb"));
    {
        db::Handle h = db::createDatabase(partial, QString::fromLatin1(db::DatabasePassword));
        db::exec(h.get(), QStringLiteral("create table users(a); create table CZdata(b)"));
    }
    dir.write(QStringLiteral("text.mdb"), QByteArray("plain text, not a database\n").repeated(100));

    struct Case
    {
        const char *what;
        QString chosen;
    } cases[] = {
        {"another password", otherKey},
        {"tables missing", partial},
        {"not a database", dir.path(QStringLiteral("text.mdb"))},
        {"vanished file", dir.path(QStringLiteral("none.mdb"))},
    };
    const QByteArray original = bytes(file);
    module.Qryda1->open();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Dialogs::clearShown();
        expectFile(c.chosen);
        expectBox(Dialogs::Yes);
        expectBox(Dialogs::Ok);
        restore();
        EXPECT_EQ(lastShown().text, QStringLiteral("恢复失败，请重试!"));
        EXPECT_EQ(bytes(file), original);
    }
    EXPECT_TRUE(module.Qryda1->isActive()); // nothing was released for a refused file

    // No to the question: nothing happens.
    Dialogs::clearShown();
    expectFile(dir.path(QStringLiteral("text.mdb")));
    expectBox(Dialogs::No);
    restore();
    EXPECT_EQ(Dialogs::shown().size(), 2);
    EXPECT_EQ(bytes(file), original);
}

// A backup as this program writes it, with one table changed by `change`.
QString backupWithSchemaChange(const QString &path, const QString &change)
{
    db::Handle h = db::createDatabase(path, QString::fromLatin1(db::DatabasePassword));
    schema::create(h.get());
    db::exec(h.get(), QStringLiteral("INSERT INTO users(user_name,user_pass,user_type) "
                                     "VALUES('admin','admin123','管理员');") +
                          change);
    return path;
}

// Reads every passage record of a file; throws DbError when a page cannot be read.
void readAllPassages(const QString &path)
{
    db::Handle h = db::openDatabase(path, QString::fromLatin1(db::DatabasePassword), true);
    db::Statement st(h.get(), QStringLiteral("select * from CRJL"));
    while (st.step()) {
    }
}

// A backup of our database with two bytes flipped in the middle of a passage table page: it
// opens with the password and lists the four tables, but that page no longer reads.
QString damagedBackup(const QString &source, const QString &path)
{
    if (!QFile::copy(source, path))
        return QString();
    int page = 0, pageSize = 0;
    {
        db::Handle h = db::openDatabase(path, QString::fromLatin1(db::DatabasePassword));
        db::exec(h.get(),
                 QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                                "WHERE i<400) INSERT INTO CRJL(卡片内码,记录原文) "
                                "SELECT printf('%08X',i), hex(randomblob(30)) FROM n"));
        db::Statement root(h.get(),
                           QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='CRJL'"));
        root.step();
        page = sqlite3_column_int(root.get(), 0);
        db::Statement size(h.get(), QStringLiteral("PRAGMA page_size"));
        size.step();
        pageSize = sqlite3_column_int(size.get(), 0);
    }
    QFile f(path);
    if (page < 2 || !f.open(QIODevice::ReadWrite))
        return QString();
    const qint64 at = qint64(page - 1) * pageSize + pageSize / 2;
    f.seek(at);
    QByteArray two = f.read(2);
    two[0] = char(two[0] ^ 0xff);
    two[1] = char(two[1] ^ 0xff);
    f.seek(at);
    f.write(two);
    return path;
}

TEST_F(MaintenanceTest, RestoreRefusesADamagedFileOrOneWithOtherColumns)
{
    const QString damaged = damagedBackup(file, dir.path(QStringLiteral("damaged.mdb")));
    ASSERT_FALSE(damaged.isEmpty());
    {
        db::Handle h = db::openDatabase(damaged, QString::fromLatin1(db::DatabasePassword));
        ASSERT_TRUE(schema::hasAllTables(h.get())) << "the damage is past the first look";
    }
    EXPECT_THROW(readAllPassages(damaged), DbError);

    struct Case
    {
        const char *what;
        QString chosen;
    } cases[] = {
        {"two flipped bytes in a table page", damaged},
        {"accounts without the key column id",
         backupWithSchemaChange(
             dir.path(QStringLiteral("users.mdb")),
             QStringLiteral("CREATE TABLE u2(uid INTEGER PRIMARY KEY, "
                            "user_name TEXT, user_pass TEXT, user_type TEXT);"
                            "INSERT INTO u2 SELECT * FROM users;"
                            "DROP TABLE users; ALTER TABLE u2 RENAME TO users;"))},
        {"owner archive without 卡片状态",
         backupWithSchemaChange(dir.path(QStringLiteral("czdata.mdb")),
                                QStringLiteral("DROP TABLE CZdata; CREATE TABLE CZdata(id INTEGER "
                                               "PRIMARY KEY AUTOINCREMENT, 车辆编号 INTEGER, "
                                               "卡片内码 TEXT, 车主姓名 TEXT, 车牌号码 TEXT, "
                                               "汽车类型 TEXT, 车主手机 TEXT, 车辆信息 TEXT, "
                                               "车场车位 TEXT, 卡片有效期限 TEXT, 住址 TEXT)"))},
        {"passage columns in another order",
         backupWithSchemaChange(dir.path(QStringLiteral("crjl.mdb")),
                                QStringLiteral("DROP TABLE CRJL; CREATE TABLE CRJL(序号 INTEGER "
                                               "PRIMARY KEY AUTOINCREMENT, 卡片内码 TEXT, "
                                               "车主姓名 TEXT, 车牌号码 TEXT, 进出时间 TEXT, "
                                               "进出状态 TEXT, 读卡地址 TEXT, 记录原文 TEXT, "
                                               "门号 TEXT, 通道号 TEXT)"))},
    };
    const QByteArray original = bytes(file);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Dialogs::clearShown();
        expectFile(c.chosen);
        expectBox(Dialogs::Yes);
        expectBox(Dialogs::Ok);
        restore();
        EXPECT_EQ(shownTexts(),
                  (QStringList{"请输入要读取的文件名", "警告：现有数据有可能丢失，确定还原？",
                               "恢复失败，请重试!"}));
        EXPECT_EQ(bytes(file), original);
        EXPECT_EQ(QDir(dir.path(QStringLiteral("Data"))).entryList(QDir::Files),
                  QStringList{"Data.mdb"});
    }
    EXPECT_EQ(owners(file), QStringList{"张三"});
}

} // namespace
