// The real program, driven by clicks on a virtual display, imports the record files of a stick
// entered in Drives/, and the rows are read back from the encrypted database file with the
// sqlcipher tool.
#include "passages/recordfiles.h"
#include "programtest.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class PassagesProgram : public e2e::ProgramTest
{
protected:
    // The fixture stick as the record drive.
    void plugStick()
    {
        ASSERT_TRUE(QDir().mkpath(dir.path(QStringLiteral("Drives"))));
        ASSERT_TRUE(QFile::link(testsupport::dataFile(QStringLiteral("passages/stick")),
                                dir.path(QStringLiteral("Drives/usb"))));
    }
    // Logs in, and as an operator does: the card tab's "进出记录查询" opens the passage window,
    // which sees the stick, and "导入记录" imports it.
    void importFromTheCardTab()
    {
        ASSERT_TRUE(startSimulator({}));
        logIn();
        openTab(QStringLiteral("卡片管理"));
        ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn28")));
        std::optional<e2e::Control> import;
        ASSERT_SOON(
            (import = desk.controlWithText(QStringLiteral("QPushButton"),
                                           QStringLiteral("导入记录"), QStringLiteral("Form10"))) &&
                import->enabled,
            20000);
        desk.click(*import);
    }
};

TEST_F(PassagesProgram, ImportsTheStickAndTheRowsAreInTheFile)
{
    ASSERT_EQ(sql(QStringLiteral("insert into CZdata (车辆编号, 卡片内码, 车主姓名) "
                                 "values (1001, 'ABCDEF12', '张三丰'); select changes();")),
              QStringLiteral("1"));
    ASSERT_NO_FATAL_FAILURE(plugStick());
    ASSERT_NO_FATAL_FAILURE(importFromTheCardTab());

    const QString rows = QStringLiteral("select * from CRJL order by 序号;");
    QString got;
    ASSERT_SOON((got = sql(rows)).count(QLatin1Char('\n')) == 3, 30000);
    EXPECT_EQ(got, QStringLiteral(
                       "1|ABCDEF12|张三 |京A12345 |2013年01月02日08:30分|进|01|||01,1,ABCDEF12,"
                       "201301020830\n"
                       "2|12345678|李四 |沪B67890 |2013年12月31日23:59分|出|02|||02,0,12345678,"
                       "201312312359\n"
                       "3|0000AAAA|王五 |粤C24680 |2014年02月03日10:15分|进|03|||03,1,0000AAAA,"
                       "201402031015\n"
                       "4|ABCDEF12|张三 |京A12345 |2013年01月02日08:30分|进|01|||01,1,ABCDEF12,"
                       "201301020830"));
    QFile working(dir.path(QStringLiteral("RD.TXT")));
    ASSERT_TRUE(working.open(QIODevice::ReadOnly));
    EXPECT_EQ(working.readAll(), records::joinLines(records::readRecordLines(testsupport::dataFile(
                                     QStringLiteral("passages/stick/TALVERK")))));
    EXPECT_EQ(desk.program().state(), QProcess::Running);
}

// The README's recipe for trying an import by hand, as written there: its owners, the fixture
// stick as the record drive, then 进出记录查询 and 导入记录 show the passages of those owners.
TEST_F(PassagesProgram, TheReadmesImportRecipeShowsPassages)
{
    QFile readme(qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype recipe = text.indexOf(QStringLiteral("**Trying an import by hand.**"));
    ASSERT_GE(recipe, 0);
    const qsizetype from = text.indexOf(QStringLiteral("\"insert into CZdata"), recipe);
    const qsizetype to = text.indexOf(QStringLiteral(";\""), from);
    ASSERT_TRUE(from > 0 && to > from);
    const QString insert = text.mid(from + 1, to - from);
    EXPECT_EQ(sql(insert + QStringLiteral(" select changes();")), QStringLiteral("3"));
    ASSERT_NO_FATAL_FAILURE(plugStick());
    ASSERT_NO_FATAL_FAILURE(importFromTheCardTab());
    // All four lines of the stick belong to the three owners.
    ASSERT_SOON(desk.controlWithText(QStringLiteral("QLabel"),
                                     QStringLiteral("显示全部车辆进出记录.当前共有4 笔记录"),
                                     QStringLiteral("Form10")),
                30000);
    shoot(QStringLiteral("passages-imported"));
}

} // namespace
