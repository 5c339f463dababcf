#include "dbfixture.h"
#include "oldschema.h"

#include "common/passwordhash.h"

#include "db/compact.h"
#include "db/datafrm.h"
#include "db/schema.h"

#include <QDir>
#include <QProcess>
#include <QTextStream>
#include <chrono>
#include <future>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString runSqlcipher(const QString &file, const QByteArray &script)
{
    QProcess p;
    p.start(QStringLiteral("sqlcipher"), {file});
    if (!p.waitForStarted())
        return QStringLiteral("<sqlcipher did not start>");
    p.write(script);
    p.closeWriteChannel();
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

// The command-line tool left open on a file, the way an operator leaves it between commands.
class Shell
{
public:
    explicit Shell(const QString &file)
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("sqlcipher"), {file});
    }
    ~Shell()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    // Runs statements and returns what the tool answered to them.
    QString run(const QByteArray &sql)
    {
        const QByteArray mark = "--answered " + QByteArray::number(++m_count) + "--";
        m_process.write(sql + "\nSELECT '" + mark + "';\n");
        QByteArray out;
        while (!out.contains(mark)) {
            if (!m_process.waitForReadyRead(30000))
                return QString::fromUtf8(out) + QStringLiteral("<no answer>");
            out += m_process.readAll();
        }
        return QString::fromUtf8(out.left(out.indexOf(mark))).trimmed();
    }
    // Ends the tool the hard way, in the middle of whatever it is doing.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
    int m_count = 0;
};

// --- the file ---

TEST_F(DbTest, AnOlderFileIsMigratedAtStartAndCardCodesMeetWhateverTheirCase)
{
    QFile::remove(file);
    testsupport::makeVersion0Database(
        file, QStringLiteral("INSERT INTO CZdata (id, 车辆编号, 卡片内码, 车主姓名) VALUES "
                             "(7, 1001, 'abcdef12', '张三'), (9, 1002, '12345678', '李四');"
                             "INSERT INTO CRJL (卡片内码, 进出时间) VALUES ('ABCDEF12', 't1');"));
    TDatafrm module;
    module.DataModuleCreate(file);
    EXPECT_EQ(column(QStringLiteral("PRAGMA user_version")),
              QStringList{QString::number(schema::CurrentVersion)});
    // Clear login passwords became hashes of themselves.
    const QString admin = column(QStringLiteral("select user_pass from users")).value(0);
    EXPECT_TRUE(passwordhash::isHash(admin));
    EXPECT_TRUE(passwordhash::matches(admin, QStringLiteral("admin1")));
    // The rows keep their ids and their text as stored.
    EXPECT_EQ(column(QStringLiteral("select id || ':' || 卡片内码 from CZdata order by id")),
              (QStringList{QStringLiteral("7:abcdef12"), QStringLiteral("9:12345678")}));
    // A passage in upper case meets its owner; the same card in another case is no new card,
    // and an exact-code write finds it.
    EXPECT_EQ(column(QStringLiteral("select CZdata.车主姓名 from CRJL join CZdata on "
                                    "CRJL.卡片内码 = CZdata.卡片内码")),
              QStringList{QStringLiteral("张三")});
    EXPECT_THROW(exec(QStringLiteral("insert into CZdata (卡片内码) values ('ABCDEF12')")),
                 DbError);
    exec(QStringLiteral("update CZdata set 卡片状态 = '已挂失' where 卡片内码 = 'ABCDEF12'"));
    EXPECT_EQ(column(QStringLiteral("select 卡片状态 from CZdata where id = 7")),
              QStringList{QStringLiteral("已挂失")});
    // A new record still numbers after the old ones.
    exec(QStringLiteral("insert into CZdata (卡片内码) values ('55556666')"));
    EXPECT_EQ(column(QStringLiteral("select max(id) from CZdata")),
              QStringList{QStringLiteral("10")});
    // Migrating again changes nothing.
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    EXPECT_FALSE(schema::migrate(h.get()));
}

TEST_F(DbTest, AMigrationThatCannotApplyLeavesTheFileAsItWasAndSaysWhy)
{
    QFile::remove(file);
    testsupport::makeVersion0Database(
        file, QStringLiteral("INSERT INTO CZdata (车辆编号, 卡片内码) VALUES (1001, '7a000003'), "
                             "(1002, '7A000003');"));
    const QByteArray before = fileBytes();
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    try {
        schema::migrate(h.get());
        ADD_FAILURE() << "migrated";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("7a000003/7A000003")))
            << e.text().toStdString();
    }
    h.reset();
    EXPECT_EQ(fileBytes(), before);
    // A file of a newer program is not touched either.
    exec(QStringLiteral("PRAGMA user_version = 99"));
    h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    EXPECT_THROW(schema::migrate(h.get()), DbError);
}

TEST(EngineErrors, TheOperatorReadsChineseAndSupportTheEngineText)
{
    const struct
    {
        const char *engine;
        const char *chinese;
    } cases[] = {{"database is locked", "正被其他程序使用"},
                 {"database or disk is full", "磁盘已满"},
                 {"unable to open database file: /x/Data.mdb", "无法打开数据库文件"},
                 {"attempt to write a readonly database", "只读"}};
    for (const auto &c : cases) {
        const QString text = db::explained(QString::fromUtf8(c.engine));
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.chinese)) ||
                    text.contains(QString::fromUtf8(c.chinese)))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("（") + QString::fromUtf8(c.engine) +
                                  QStringLiteral("）")))
            << text.toStdString();
    }
    // Other texts (the duplicate-card refusal the card tab recognises) stay as they are.
    EXPECT_EQ(db::explained(QStringLiteral("UNIQUE constraint failed: CZdata.卡片内码")),
              QStringLiteral("UNIQUE constraint failed: CZdata.卡片内码"));
}

TEST_F(DbTest, FileIsEncryptedAndOpensWithTheKeyInTheCommandLineTool)
{
    EXPECT_FALSE(fileBytes().startsWith("SQLite format 3"));
    EXPECT_EQ(
        runSqlcipher(file, "PRAGMA key='580274';\nselect user_name||'|'||user_type from users;\n"),
        QStringLiteral("admin|管理员"));
    EXPECT_TRUE(runSqlcipher(file, "select count(*) from users;\n")
                    .contains(QStringLiteral("not a database")));
}

TEST_F(DbTest, DataModuleCreationReportsABadFile)
{
    const QString other = dir.path(QStringLiteral("other.mdb"));
    {
        db::Handle h = db::createDatabase(other, QStringLiteral("wrong"));
        db::exec(h.get(), QStringLiteral("create table t(a)"));
    }
    dir.write(QStringLiteral("plain.mdb"),
              QByteArray("this is not a database at all, just some text").repeated(200));

    struct Case
    {
        const char *what;
        QString path;
        const char *message;
    } cases[] = {
        {"missing file", dir.path(QStringLiteral("Data/none.mdb")), "unable to open"},
        {"another password", other, "not a database"},
        {"not a database", dir.path(QStringLiteral("plain.mdb")), "not a database"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TDatafrm module;
        try {
            module.DataModuleCreate(c.path);
            ADD_FAILURE() << "no error";
        } catch (const DbError &e) {
            EXPECT_TRUE(e.text().contains(QLatin1String(c.message))) << e.text().toStdString();
        }
        // The module stays usable; connecting again fails the same way.
        EXPECT_EQ(module.con->databasePath(), c.path);
        EXPECT_FALSE(module.con->connected());
        EXPECT_THROW(module.con->connect(), DbError);
        EXPECT_THROW(module.Qryda1->open(), DbError);
    }
    EXPECT_FALSE(QFile::exists(dir.path(QStringLiteral("Data/none.mdb"))));
}

// Another connection reads the file (a transaction of the sqlcipher tool, a backup) and lets
// go after `holdMs`; meanwhile the program's connection writes.
TEST_F(DbTest, AWriteWaitsForAReaderThatHoldsTheFileForAMomentOnly)
{
    struct Case
    {
        const char *what;
        int holdMs;
        bool saved;
    } cases[] = {
        {"a moment", 400, true},
        {"longer than the wait", db::BusyTimeoutMs + 1500, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::promise<void> holding;
        std::thread reader([&] {
            db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
            db::exec(h.get(), QStringLiteral("BEGIN; SELECT count(*) FROM users;"));
            holding.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(c.holdMs));
            db::exec(h.get(), QStringLiteral("COMMIT"));
        });
        holding.get_future().wait();
        QString failure;
        try {
            exec(QStringLiteral("INSERT INTO CRJL(卡片内码) VALUES('0D0D0D0D')"));
        } catch (const DbError &e) {
            failure = e.text();
        }
        reader.join();
        if (c.saved) {
            EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
            EXPECT_EQ(column(QStringLiteral("select count(*) from CRJL")), QStringList{"1"});
        } else {
            EXPECT_TRUE(failure.contains(QLatin1String("database is locked")))
                << failure.toStdString();
            EXPECT_EQ(column(QStringLiteral("select count(*) from CRJL")), QStringList{"1"});
        }
    }
}

// --- the starter database command ---

TEST(StarterDatabase, CommandCreatesSchemaAdministratorAndIssuerPassword)
{
    testsupport::TempProgramDir dir;
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const int rc =
        runCreateDatabaseCommand({QStringLiteral("velmora"), QStringLiteral("--dir"), dir.root(),
                                  QStringLiteral("--create-database"),
                                  QStringLiteral("--admin-name"), QStringLiteral("系统管理员"),
                                  QStringLiteral("--admin-password"), QStringLiteral("Abc123")},
                                 out, err);
    EXPECT_EQ(rc, 0) << errText.toStdString();
    const QString file = dir.path(QStringLiteral("Data/Data.mdb"));
    EXPECT_TRUE(outText.contains(file)) << outText.toStdString();
    EXPECT_TRUE(outText.contains(QStringLiteral("系统管理员"))) << outText.toStdString();
    EXPECT_TRUE(outText.contains(QStringLiteral("Abc123")));

    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    EXPECT_TRUE(schema::hasAllTables(h.get()));
    Connection con;
    con.setDatabase(file);
    Query q(&con);
    q.setSQL(QStringLiteral("select * from users"));
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName(QStringLiteral("user_name")).asString(), QStringLiteral("系统管理员"));
    // Stored as a salted hash, never in clear.
    const QString stored = q.fieldByName(QStringLiteral("user_pass")).asString();
    EXPECT_FALSE(stored.contains(QStringLiteral("Abc123")));
    EXPECT_TRUE(passwordhash::matches(stored, QStringLiteral("Abc123")));
    EXPECT_FALSE(passwordhash::matches(stored, QStringLiteral("abc123")));
    EXPECT_EQ(q.fieldByName(QStringLiteral("user_type")).asString(), QStringLiteral("管理员"));
    q.setSQL(QStringLiteral("select * from usersmm"));
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    for (const char *f : {"old_word", "new_word", "pass_word"})
        EXPECT_EQ(q.fieldByName(QString::fromLatin1(f)).asString(),
                  QString::fromLatin1(DefaultIssuerPassword));
    q.setSQL(QStringLiteral("select * from CRJL"));
    q.open();
    EXPECT_EQ(q.fieldNames(), (QStringList{"序号", "卡片内码", "车主姓名", "车牌号码", "进出时间",
                                           "进出状态", "读卡地址", "门号", "通道号", "记录原文"}));
}

TEST(StarterDatabase, CommandRefusesOverwriteAndBadInput)
{
    testsupport::TempProgramDir dir;
    const QString file = dir.path(QStringLiteral("Data/Data.mdb"));
    const auto run = [&](QStringList extra, QString *errText = nullptr) {
        QString o, e;
        QTextStream out(&o), err(&e);
        const int rc = runCreateDatabaseCommand(
            QStringList{QStringLiteral("--dir"), dir.root(), QStringLiteral("--create-database")} +
                extra,
            out, err);
        out.flush();
        err.flush();
        if (errText)
            *errText = e;
        return rc;
    };

    struct Case
    {
        const char *what;
        QStringList args;
    } bad[] = {
        {"no name", {"--admin-password", "abc"}},
        {"no password", {"--admin-name", "admin"}},
        {"name without value", {"--admin-password", "abc", "--admin-name"}},
        {"blank name", {"--admin-name", "  ", "--admin-password", "abc"}},
        {"name of 21 bytes",
         {"--admin-name", "管理员管理员管理员管理员a", "--admin-password", "abc"}},
        {"empty password", {"--admin-name", "admin", "--admin-password", ""}},
        {"password with a sign", {"--admin-name", "admin", "--admin-password", "ab-c"}},
        {"password with a Chinese character",
         {"--admin-name", "admin", "--admin-password", "密码1"}},
        {"password of 21 characters",
         {"--admin-name", "admin", "--admin-password", QString(21, QLatin1Char('a'))}},
        {"unknown option", {"--admin-name", "admin", "--admin-password", "abc", "--force"}},
    };
    for (const Case &c : bad) {
        SCOPED_TRACE(c.what);
        QString errText;
        EXPECT_NE(run(c.args, &errText), 0);
        EXPECT_FALSE(errText.isEmpty());
        EXPECT_FALSE(QFile::exists(file));
    }

    // 20 bytes (ten Chinese characters) and 20 letters and digits are accepted.
    ASSERT_EQ(
        run({"--admin-name", "管理员管理员管理员管", "--admin-password", "abcdefghij0123456789"}),
        0);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    QString errText;
    EXPECT_NE(run({"--admin-name", "other", "--admin-password", "x"}, &errText), 0);
    EXPECT_TRUE(errText.contains(QStringLiteral("already exists"))) << errText.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path(QStringLiteral("Data"))).entryList(QDir::Files),
              QStringList{"Data.mdb"});
}

// --- compaction ---

class CompactTest : public DbTest
{
protected:
    QStringList leftovers() const
    {
        QStringList names = QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files);
        names.removeAll(QStringLiteral("Data.mdb"));
        return names;
    }

    // Passage records written and deleted again: the space a compaction gives back.
    void addDeletedPassages() const
    {
        exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<3000) "
            "INSERT INTO CRJL(卡片内码,记录原文) SELECT printf('%08X',i), hex(randomblob(40)) FROM "
            "n;"
            "DELETE FROM CRJL WHERE 序号 > 10;"));
    }
};

TEST_F(CompactTest, ShrinksTheFileAndKeepsRecordsAndPassword)
{
    exec(QStringLiteral(
        "INSERT INTO CZdata(车辆编号,卡片内码,车主姓名) VALUES(1001,'0A1B2C3D','张三');"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<6000) "
        "INSERT INTO CRJL(卡片内码,进出时间,记录原文) SELECT printf('%08X',i), "
        "'2013年01月02日08:30分', "
        "hex(randomblob(40)) FROM n;"
        "DELETE FROM CRJL WHERE 序号 > 100;"));
    const qint64 before = QFileInfo(file).size();
    ASSERT_TRUE(compactDatabase(file, QString::fromLatin1(db::DatabasePassword)));
    EXPECT_LT(QFileInfo(file).size(), before / 4);
    EXPECT_EQ(column(QStringLiteral("select count(*) from CRJL")), QStringList{"100"});
    EXPECT_EQ(column(QStringLiteral("select 车主姓名 from CZdata")), QStringList{"张三"});
    EXPECT_EQ(column(QStringLiteral("select user_name from users")), QStringList{"admin"});
    EXPECT_FALSE(fileBytes().startsWith("SQLite format 3"));
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();

    // Constraints and defaults survive the rewrite.
    exec(QStringLiteral("INSERT INTO CZdata(卡片内码) VALUES('11111111')"));
    EXPECT_EQ(column(QStringLiteral("select 汽车类型 from CZdata where 卡片内码='11111111'")),
              QStringList{"小汽车"});
    EXPECT_THROW(exec(QStringLiteral("INSERT INTO CZdata(卡片内码) VALUES('0A1B2C3D')")), DbError);
}

TEST_F(CompactTest, AnyFailureLeavesTheFileAsItWas)
{
    const QByteArray original = fileBytes();
    EXPECT_FALSE(compactDatabase(file, QStringLiteral("123456")));
    EXPECT_FALSE(compactDatabase(dir.path(QStringLiteral("Data/missing.mdb")),
                                 QString::fromLatin1(db::DatabasePassword)));
    EXPECT_EQ(fileBytes(), original);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();

    // Another program in the middle of a write: the exclusive lock is refused.
    {
        db::Handle other = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
        db::exec(other.get(),
                 QStringLiteral("BEGIN IMMEDIATE; INSERT INTO CRJL(卡片内码) VALUES('1')"));
        EXPECT_FALSE(compactDatabase(file, QString::fromLatin1(db::DatabasePassword)));
        db::exec(other.get(), QStringLiteral("ROLLBACK"));
    }
    EXPECT_EQ(fileBytes(), original);

    // A file that is not a database.
    const QString plain = dir.path(QStringLiteral("plain.mdb"));
    dir.write(QStringLiteral("plain.mdb"), QByteArray(4096, 'x'));
    EXPECT_FALSE(compactDatabase(plain, QString::fromLatin1(db::DatabasePassword)));
    QFile pf(plain);
    ASSERT_TRUE(pf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pf.readAll(), QByteArray(4096, 'x'));
}

TEST_F(CompactTest, AProgramHoldingTheFileOpenKeepsWorkingOnIt)
{
    addDeletedPassages();
    Shell tool(file);
    ASSERT_EQ(tool.run("PRAGMA key='580274';\nSELECT count(*) FROM CRJL;"), QStringLiteral("10"));
    struct stat before
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &before), 0);

    // Idle between two commands: the file is compacted in place, and the tool's next write
    // lands in it.
    ASSERT_TRUE(compactDatabase(file, QString::fromLatin1(db::DatabasePassword)));
    struct stat after
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file the tool holds is the database";
    EXPECT_LT(after.st_size, before.st_size / 4);
    EXPECT_EQ(tool.run("INSERT INTO CRJL(卡片内码) VALUES('0C0C0C0C');\n"
                       "SELECT count(*) FROM CRJL;"),
              QStringLiteral("11"));
    EXPECT_EQ(column(QStringLiteral("select count(*) from CRJL where 卡片内码='0C0C0C0C'")),
              QStringList{"1"});
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();

    // In the middle of a read: the compaction leaves the file alone.
    ASSERT_EQ(tool.run("BEGIN;\nSELECT count(*) FROM users;"), QStringLiteral("1"));
    const QByteArray held = fileBytes();
    EXPECT_FALSE(compactDatabase(file, QString::fromLatin1(db::DatabasePassword)));
    EXPECT_EQ(fileBytes(), held);
    EXPECT_EQ(tool.run("COMMIT;\nSELECT count(*) FROM CRJL;"), QStringLiteral("11"));
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
}

TEST_F(CompactTest, RemovesTheLeftoversOfAnInterruptedCompaction)
{
    // A compaction killed while it wrote its copy: the copy and its journal stay behind.
    const QString dead = dir.path(QStringLiteral("Data/~CP4f2a9c.tmp"));
    {
        Shell tool(dead);
        ASSERT_EQ(tool.run("PRAGMA key='580274';\nCREATE TABLE t(a);\n"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                           "WHERE i<500) INSERT INTO t SELECT randomblob(500) FROM n;"),
                  QString());
        ASSERT_EQ(tool.run("BEGIN;\nDELETE FROM t;\nINSERT INTO t VALUES(randomblob(5000));"),
                  QString());
        tool.kill();
    }
    ASSERT_TRUE(QFile::exists(dead + QStringLiteral("-journal")));
    // A journal whose copy is already gone, and a copy another compaction is writing right now.
    dir.write(QStringLiteral("Data/~CP77d1e0.tmp-journal"), QByteArray(2048, '\x5a'));
    dir.write(QStringLiteral("Data/~CPbusy00.tmp"), QByteArray(1024, '\0'));
    QFile busy(dir.path(QStringLiteral("Data/~CPbusy00.tmp")));
    ASSERT_TRUE(busy.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(busy.handle(), LOCK_EX | LOCK_NB), 0);
    // Files of other names are not the compaction's.
    dir.write(QStringLiteral("Data/~CPplan.txt"), "notes");
    dir.write(QStringLiteral("Data/cards.tmp"), "notes");

    ASSERT_TRUE(compactDatabase(file, QString::fromLatin1(db::DatabasePassword)));
    EXPECT_EQ(leftovers(), (QStringList{"cards.tmp", "~CPbusy00.tmp", "~CPplan.txt"}));
    EXPECT_EQ(column(QStringLiteral("select user_name from users")), QStringList{"admin"});
}

TEST_F(CompactTest, ALoginCompactsOnlyWhenAQuarterOfThePagesIsFree)
{
    const QString key = QString::fromLatin1(db::DatabasePassword);
    EXPECT_FALSE(compactionWorthIt(file, key)) << "a new file has no free pages";
    addDeletedPassages();
    EXPECT_TRUE(compactionWorthIt(file, key));
    ASSERT_TRUE(compactDatabase(file, key));
    EXPECT_FALSE(compactionWorthIt(file, key)) << "compacted, nothing more to give back";
}

TEST_F(CompactTest, TheNextStartRemovesTheCopyOfARestoreThatWasKilled)
{
    // A restore killed while it staged its copy beside the database; another still running.
    dir.write(QStringLiteral("Data/Data.mdb.restore-Xk3p9Q"), fileBytes());
    dir.write(QStringLiteral("Data/Data.mdb.restore-busy01"), fileBytes());
    QFile busy(dir.path(QStringLiteral("Data/Data.mdb.restore-busy01")));
    ASSERT_TRUE(busy.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(busy.handle(), LOCK_EX | LOCK_NB), 0);
    dir.write(QStringLiteral("Data/Data.mdb.backup"), "the operator's own");
    TDatafrm module;
    module.DataModuleCreate(file);
    EXPECT_FALSE(QFile::exists(dir.path(QStringLiteral("Data/Data.mdb.restore-Xk3p9Q"))));
    EXPECT_TRUE(QFile::exists(dir.path(QStringLiteral("Data/Data.mdb.restore-busy01"))));
    EXPECT_TRUE(QFile::exists(dir.path(QStringLiteral("Data/Data.mdb.backup"))));
}

TEST_F(CompactTest, KeepsTheLinkTheOwnerAndTheModeOfTheRealFile)
{
    addDeletedPassages();
    // Data.mdb is a symbolic link to the file in another folder, owned by someone else.
    const QString real = dir.path(QStringLiteral("store/real.mdb"));
    ASSERT_TRUE(QDir().mkpath(dir.path(QStringLiteral("store"))));
    ASSERT_TRUE(QFile::rename(file, real));
    ASSERT_EQ(::symlink("../store/real.mdb", QFile::encodeName(file).constData()), 0);
    const QByteArray realName = QFile::encodeName(real);
    ASSERT_EQ(::chmod(realName.constData(), 0640), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(realName.constData(), 65534, 65534), 0);
    }
    struct stat before
    {
    };
    ASSERT_EQ(::stat(realName.constData(), &before), 0);

    ASSERT_TRUE(compactDatabase(file, QString::fromLatin1(db::DatabasePassword)));
    EXPECT_TRUE(QFileInfo(file).isSymLink());
    EXPECT_EQ(QFileInfo(file).symLinkTarget(), QFileInfo(real).absoluteFilePath());
    struct stat after
    {
    };
    ASSERT_EQ(::stat(realName.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_LT(after.st_size, before.st_size / 4) << "the real file was compacted";
    EXPECT_EQ(column(QStringLiteral("select count(*) from CRJL")), QStringList{"10"});
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
    EXPECT_EQ(QDir(dir.path(QStringLiteral("store"))).entryList(QDir::Files),
              QStringList{"real.mdb"});
}

TEST_F(CompactTest, TemporaryPathTooLongForTheEngineLeavesTheFile)
{
    // The engine limits path lengths. Find the deepest folder where the database still opens;
    // there the temporary name beside it is too long for the engine.
    const auto folderOfLength = [&](int n) {
        QString d = dir.root();
        while (d.size() + 21 < n)
            d += QStringLiteral("/") + QString(20, QLatin1Char('d'));
        d += QStringLiteral("/") + QString(n - d.size() - 1, QLatin1Char('e'));
        return d;
    };
    const auto opensIn = [&](const QString &folder) {
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/D.mdb");
        QFile::remove(path);
        if (!QFile::copy(file, path))
            return false;
        try {
            db::openDatabase(path, QString::fromLatin1(db::DatabasePassword));
            return true;
        } catch (const DbError &) {
            return false;
        }
    };
    int good = dir.root().size() + 30, bad = 3000;
    ASSERT_TRUE(opensIn(folderOfLength(good)));
    ASSERT_FALSE(opensIn(folderOfLength(bad)));
    while (bad - good > 1) {
        const int mid = (good + bad) / 2;
        (opensIn(folderOfLength(mid)) ? good : bad) = mid;
    }
    const QString deep = folderOfLength(good);
    const QString path = deep + QStringLiteral("/D.mdb");
    ASSERT_TRUE(opensIn(deep));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray original = f.readAll();
    f.close();

    EXPECT_FALSE(compactDatabase(path, QString::fromLatin1(db::DatabasePassword)));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), original);
    EXPECT_EQ(QDir(deep).entryList(QDir::Files), QStringList{"D.mdb"});
}

} // namespace
