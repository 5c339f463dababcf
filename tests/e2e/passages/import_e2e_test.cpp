// The real program imports the record files of a stick entered in Drives/, and the rows are read
// back from the encrypted database file with the sqlcipher tool.
#include "passages/recordfiles.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

QString program()
{
    return testsupport::binDir() + QStringLiteral("/velmora");
}

// Output of the sqlcipher tool for statements on the database (empty when it failed, for
// example while the program still holds the file).
QString sqlcipher(const QString &file, const QString &sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlcipher"), {QStringLiteral("-batch"), file});
    p.write(("PRAGMA key='580274';\n" + sql + "\n").toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(PassagesProgram, ImportsTheStickAndTheRowsAreInTheFile)
{
    testsupport::TempProgramDir dir;
    QProcess create;
    create.start(program(),
                 {QStringLiteral("--dir"), dir.root(), QStringLiteral("--create-database"),
                  QStringLiteral("--admin-name"), QStringLiteral("admin"),
                  QStringLiteral("--admin-password"), QStringLiteral("admin123")});
    ASSERT_TRUE(create.waitForFinished(30000));
    ASSERT_EQ(create.exitCode(), 0);
    const QString data = dir.path(QStringLiteral("Data/Data.mdb"));
    ASSERT_FALSE(sqlcipher(data, QStringLiteral("insert into CZdata (车辆编号, 卡片内码, 车主姓名) "
                                                "values (1001, 'ABCDEF12', '张三丰'); select 1;"))
                     .isEmpty());
    ASSERT_TRUE(QDir().mkpath(dir.path(QStringLiteral("Drives"))));
    const QString stick = testsupport::dataFile(QStringLiteral("passages/stick"));
    ASSERT_TRUE(QFile::link(stick, dir.path(QStringLiteral("Drives/usb"))));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VELMORA_INSTANCE"),
               QStringLiteral("velmora-e2e-") + QUuid::createUuid().toString(QUuid::Id128));
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(VELMORA_PASSAGES_HOOK));
    p.setProcessEnvironment(env);
    p.start(program(), {QStringLiteral("--dir"), dir.root()});
    ASSERT_TRUE(p.waitForStarted());

    const QString rows = QStringLiteral("select * from CRJL order by 序号;");
    QString got;
    QTRY_VERIFY_WITH_TIMEOUT((got = sqlcipher(data, rows)).count(QLatin1Char('\n')) == 4, 30000);
    EXPECT_EQ(got, QStringLiteral(
                       "1|ABCDEF12|张三 |京A12345 |2013年01月02日08:30分|进|01|||01,1,ABCDEF12,"
                       "201301020830\n"
                       "2|12345678|李四 |沪B67890 |2013年12月31日23:59分|出|02|||02,0,12345678,"
                       "201312312359\n"
                       "3|0000AAAA|王五 |粤C24680 |2014年02月03日10:15分|进|03|||03,1,0000AAAA,"
                       "201402031015\n"
                       "4|ABCDEF12|张三 |京A12345 |2013年01月02日08:30分|进|01|||01,1,ABCDEF12,"
                       "201301020830\n"));
    QFile working(dir.path(QStringLiteral("RD.TXT")));
    ASSERT_TRUE(working.open(QIODevice::ReadOnly));
    EXPECT_EQ(working.readAll(),
              records::joinLines(records::readRecordLines(stick + QStringLiteral("/TALVERK"))));
    EXPECT_EQ(p.state(), QProcess::Running) << p.readAllStandardError().toStdString();
    p.kill();
    p.waitForFinished();
}

} // namespace
