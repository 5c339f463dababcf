#include "dbfixture.h"

#include "db/compact.h"
#include "db/datafrm.h"
#include "db/schema.h"

#include <QDir>
#include <QProcess>
#include <QTextStream>

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

// --- the file ---

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
    EXPECT_EQ(q.fieldByName(QStringLiteral("user_pass")).asString(), QStringLiteral("Abc123"));
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
