// The passage archive: the clock rules, the duplicate rule through the import's own writer, the
// search statements and the plans the engine makes of them, the migration, and the counts the
// chart window draws.
#include "common/clock.h"
#include "common/gbk.h"
#include "db/connection.h"
#include "db/schema.h"
#include "db/starter.h"
#include "oldschema.h"
#include "passages/passagearchive.h"
#include "passages/passageimport.h"
#include "passages/texts.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

// Texts in failure messages as text.
static void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

namespace PA = passagearchive;
using PA::TimeFlag;

std::optional<qint64> at(int y, int mo, int d, int h = 0, int mi = 0)
{
    return PA::minutesOf(QDateTime(QDate(y, mo, d), QTime(h, mi)));
}

TEST(PassageTime, ReadsOnlyTheFormTheImportWrites)
{
    const struct
    {
        const char *text;
        std::optional<qint64> minutes;
    } cases[] = {
        {"2013年01月02日08:30分", at(2013, 1, 2, 8, 30)},
        {"2000年02月29日23:59分", at(2000, 2, 29, 23, 59)},
        {"年月日:分", std::nullopt},             // an empty record part
        {"2013年13月02日08:30分", std::nullopt}, // month 13
        {"2013年02月29日08:30分", std::nullopt}, // no such day
        {"2013年01月02日24:00分", std::nullopt}, // hour 24
        {"2013年01月02日08:60分", std::nullopt}, // minute 60
        {"2013年01月0x日08:30分", std::nullopt}, // not a digit
        {"2013年01月02日08:30", std::nullopt},   // cut short
        {"2013-01-02 08:30", std::nullopt},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(PA::passageMinutes(QByteArrayView(c.text)), c.minutes) << c.text;
        EXPECT_EQ(PA::passageMinutes(QString::fromUtf8(c.text)), c.minutes) << c.text;
    }
}

// Rows of one import in order, each with its controller, its time and the flag it must get;
// now is 2026-12-11 10:00, and the archive holds 2026-12-10 12:00 for controller 01.
TEST(ControllerClocks, FlagFutureOldAndBackwardTimesPerController)
{
    const qint64 now = *at(2026, 12, 11, 10, 0);
    int asked = 0;
    PA::ControllerClocks clocks(now, [&](QByteArrayView address) -> std::optional<qint64> {
        ++asked;
        if (address == QByteArrayView("01"))
            return at(2026, 12, 10, 12, 0);
        return std::nullopt;
    });
    const struct
    {
        const char *address;
        const char *time;
        TimeFlag flag;
    } rows[] = {
        // within a day before the archive's latest: sound
        {"01", "2026年12月09日12:00分", TimeFlag::None},
        // more than a day before it
        {"01", "2026年12月09日11:59分", TimeFlag::OutOfOrder},
        // a controller the archive has not seen starts anywhere
        {"02", "2026年01月01日00:00分", TimeFlag::None},
        {"02", "2026年06月01日00:00分", TimeFlag::None},
        // ... and its own latest time counts from then on
        {"02", "2026年05月30日23:59分", TimeFlag::OutOfOrder},
        {"02", "2026年05月31日00:00分", TimeFlag::None},
        // the current minute is no future, the next one is
        {"01", "2026年12月11日10:00分", TimeFlag::None},
        {"01", "2026年12月11日10:01分", TimeFlag::Future},
        {"03", "2099年01月01日00:00分", TimeFlag::Future},
        // a future row does not move the clock on: the next sound row is not out of order
        {"03", "2026年12月01日00:00分", TimeFlag::None},
        {"03", "1999年12月31日23:59分", TimeFlag::Before2000},
        {"03", "2000年01月01日00:00分", TimeFlag::OutOfOrder},
        {"04", "2000年01月01日00:00分", TimeFlag::None},
        {"04", "年月日:分", TimeFlag::Unreadable},
        // controller 01 again: its latest is now 10:00 of today
        {"01", "2026年12月10日09:59分", TimeFlag::OutOfOrder},
        {"01", "2026年12月10日10:00分", TimeFlag::None},
    };
    for (const auto &r : rows)
        EXPECT_EQ(clocks.check(QByteArrayView(r.address), QByteArrayView(r.time)), r.flag)
            << r.address << " " << r.time;
    EXPECT_EQ(asked, 4) << "the archive is asked once per controller";
    EXPECT_EQ(PA::flagText(TimeFlag::None), QString());
    EXPECT_EQ(PA::flagText(TimeFlag::OutOfOrder), texts::passages::archive::FlagOutOfOrder);
}

// A program directory with a starter database, and the import's own writer on it.
class ArchiveImport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        file =
            createStarterDatabase(dir.path(), QStringLiteral("admin"), QStringLiteral("admin123"));
    }

    // Imports the lines as the passage window does (without the window) and waits for the end.
    void import(const QList<QByteArray> &lines)
    {
        importer = std::make_unique<PassageImport>();
        QSignalSpy finished(importer.get(), &PassageImport::finished);
        importer->start(file, QString::fromLatin1(db::DatabasePassword), lines);
        ASSERT_TRUE(finished.wait(10000));
        ASSERT_EQ(finished.first().first().toBool(), false) << importer->failure().toStdString();
    }

    QStringList column(const QString &sql)
    {
        db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
        db::Statement st(h.get(), sql);
        QStringList out;
        while (st.step())
            out << QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 0)));
        return out;
    }

    appclock::ScopedNow now{QDateTime(QDate(2026, 12, 11), QTime(10, 0))};
    QTemporaryDir dir;
    QString file;
    std::unique_ptr<PassageImport> importer;
};

QByteArray line(const char *address, char direction, const char *card, const char *time,
                const char *plate = "京A12345")
{
    // Record files are GBK.
    return gbk::encode(QStringLiteral("0001 ,张三 ,") + QString::fromUtf8(plate) +
                       QStringLiteral(" ,") + QLatin1String(address) + QLatin1Char(',') +
                       QLatin1Char(direction) + QLatin1Char(',') + QLatin1String(card) +
                       QLatin1Char(',') + QLatin1String(time));
}

TEST_F(ArchiveImport, EveryRowIsKeptOnceAndAReimportAddsNothing)
{
    const QList<QByteArray> stick = {
        line("01", '1', "ABCDEF12", "202612100800"),
        line("01", '0', "ABCDEF12", "202612100800"), // another direction: another passage
        line("02", '1', "ABCDEF12", "202612100800"), // another reader: another passage
        line("01", '1', "ABCDEF12", "202612100801"), // another minute
        line("01", '1', "12345678", "202612100800"), // another card
        line("01", '1', "ABCDEF12", "202612100800"), // the first again (the same record twice)
        line("01", '1', "abcdef12", "202612100800"), // and once more in lower case
    };
    import(stick);
    EXPECT_EQ(importer->rowsStored(), 7);
    EXPECT_EQ(importer->rowsArchived(), 5);
    EXPECT_EQ(importer->rowsAlreadyArchived(), 2);
    EXPECT_EQ(column(QStringLiteral("select count(*) from CRJL")), QStringList{"7"});
    EXPECT_EQ(column(QStringLiteral("select 卡片内码 || '|' || 进出时间 || '|' || 进出状态 || '|' "
                                    "|| 读卡地址 || '|' || 车牌号码 from CRJLDA order by 序号")),
              QStringList({"ABCDEF12|2026年12月10日08:00分|进|01|京A12345 ",
                           "ABCDEF12|2026年12月10日08:00分|出|01|京A12345 ",
                           "ABCDEF12|2026年12月10日08:00分|进|02|京A12345 ",
                           "ABCDEF12|2026年12月10日08:01分|进|01|京A12345 ",
                           "12345678|2026年12月10日08:00分|进|01|京A12345 "}));

    // The window empties CRJL; the same stick again keeps nothing new and says so.
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    db::exec(h.get(), QStringLiteral("delete from CRJL"));
    h.reset();
    import(stick);
    EXPECT_EQ(importer->rowsStored(), 7);
    EXPECT_EQ(importer->rowsArchived(), 0);
    EXPECT_EQ(importer->rowsAlreadyArchived(), 7);
    EXPECT_EQ(column(QStringLiteral("select count(*) from CRJLDA")), QStringList{"5"});
    EXPECT_EQ(column(QStringLiteral("select count(*) from CRJL")), QStringList{"7"});
}

TEST_F(ArchiveImport, FlagsAreKeptWithTheRowAndTheArchiveSeedsEachControllersClock)
{
    import({line("01", '1', "00000001", "202612101200"),
            line("01", '1', "00000002", "209901010000"),
            line("01", '1', "00000003", "199912312359"), ""});
    // A later stick: controller 01's latest sound time is in the archive already.
    import({line("01", '1', "00000004", "202612091159"),
            line("01", '1', "00000005", "202612091200"),
            line("02", '1', "00000006", "202001010000")});
    EXPECT_EQ(
        column(QStringLiteral("select 卡片内码 || '|' || 时间异常 from CRJLDA order by 序号")),
        QStringList({"00000001|", "00000002|时间超前", "00000003|早于2000年", "|时间无法识别",
                     "00000004|时间倒退", "00000005|", "00000006|"}));
}

// The plans the engine makes of the window's searches over a filled archive: each finds its rows
// through an index, none reads the whole table.
TEST_F(ArchiveImport, EachSearchIsAnsweredFromAnIndex)
{
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    const QDateTime from(QDate(2026, 1, 1), QTime(0, 0)), to(QDate(2026, 12, 31), QTime(23, 59));
    const struct
    {
        PA::Search search;
        const char *index;
    } cases[] = {
        {{from, to, {}, QStringLiteral("京A1"), false}, "CRJLDA_车牌号码"},
        {{from, to, {}, QStringLiteral("京A1"), true}, "CRJLDA_车牌号码"},
        {{from, to, QStringLiteral("ABCD"), {}, false}, "CRJLDA_同一记录"},
        {{from, to, {}, {}, false}, "CRJLDA_进出时间"},
        {{from, to, {}, {}, true}, "CRJLDA_时间异常"},
    };
    for (const auto &c : cases) {
        const PA::Statement statement = PA::searchStatement(c.search);
        db::Statement plan(h.get(), QStringLiteral("EXPLAIN QUERY PLAN ") + statement.sql);
        for (const auto &[name, value] : statement.parameters) {
            const QByteArray utf8 = value.toUtf8();
            const QByteArray param = ":" + name.toUtf8();
            sqlite3_bind_text(plan.get(), sqlite3_bind_parameter_index(plan.get(), param), utf8,
                              int(utf8.size()), SQLITE_TRANSIENT);
        }
        QStringList details;
        while (plan.step())
            details << QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(plan.get(), 3)));
        const QString text = details.join(QLatin1Char('\n'));
        // "SEARCH CRJLDA" or, by older engines, "SEARCH TABLE CRJLDA"
        EXPECT_TRUE(text.contains(QStringLiteral("SEARCH ")) &&
                    text.contains(QStringLiteral(" USING INDEX ") + QString::fromUtf8(c.index) +
                                  QStringLiteral(" (")))
            << statement.sql.toStdString() << "\n"
            << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("SCAN"))) << text.toStdString();
    }
}

TEST_F(ArchiveImport, TheSearchFindsByRangeBeginningAndFlag)
{
    import({line("01", '1', "ABCDEF12", "202612100800", "京A12345"),
            line("01", '0', "ABCDEF12", "202611100900", "京A12345"),
            line("01", '1', "12345678", "202612100805", "沪B67890"),
            line("01", '1', "12345678", "202612120805", "沪B67890")}); // future
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    const auto found = [&](const PA::Search &search) {
        const PA::Statement statement = PA::searchStatement(search);
        db::Statement st(h.get(), statement.sql);
        for (const auto &[name, value] : statement.parameters) {
            const QByteArray utf8 = value.toUtf8();
            sqlite3_bind_text(st.get(), sqlite3_bind_parameter_index(st.get(), ":" + name.toUtf8()),
                              utf8, int(utf8.size()), SQLITE_TRANSIENT);
        }
        QStringList out;
        while (st.step())
            out << QString::fromUtf8(
                       reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 1))) +
                       QLatin1Char('@') +
                       QString::fromUtf8(
                           reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 4)));
        return out;
    };
    const QDateTime dec1(QDate(2026, 12, 1), QTime(0, 0)),
        dec31(QDate(2026, 12, 31), QTime(23, 59));
    EXPECT_EQ(found({dec1, dec31, {}, {}, false}),
              QStringList({"ABCDEF12@2026年12月10日08:00分", "12345678@2026年12月10日08:05分",
                           "12345678@2026年12月12日08:05分"}));
    EXPECT_EQ(found({dec1.addMonths(-1), dec31, {}, QStringLiteral("京A"), false}),
              QStringList({"ABCDEF12@2026年11月10日09:00分", "ABCDEF12@2026年12月10日08:00分"}));
    EXPECT_EQ(found({dec1, dec31, {}, QStringLiteral("A12345"), false}), QStringList())
        << "a plate is found by its beginning";
    EXPECT_EQ(found({dec1, dec31, QStringLiteral("1234"), {}, false}).size(), 2);
    EXPECT_EQ(found({dec1, dec31, QStringLiteral("abcdef"), {}, false}),
              QStringList({"ABCDEF12@2026年12月10日08:00分"}))
        << "card codes meet whatever their case";
    EXPECT_EQ(found({dec1, dec31, {}, {}, true}), QStringList({"12345678@2026年12月12日08:05分"}));
    // A plate text that would break a statement is only text.
    EXPECT_EQ(found({dec1, dec31, {}, QStringLiteral("' or 1=1 --"), false}), QStringList());
}

TEST(ArchiveSchema, AnOlderFileGetsTheEmptyArchiveAndKeepsItsRows)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Data.mdb"));
    testsupport::makeVersion0Database(
        file, QStringLiteral("INSERT INTO CRJL (卡片内码, 进出时间) VALUES ('ABCDEF12', 't1');"));
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    EXPECT_TRUE(schema::hasAllTables(h.get())) << "a file of any version is one of ours";
    EXPECT_TRUE(schema::migrate(h.get()));
    EXPECT_EQ(schema::version(h.get()), schema::CurrentVersion);
    EXPECT_TRUE(schema::hasProgramColumns(h.get()));
    db::Statement count(h.get(), QStringLiteral("select (select count(*) from CRJLDA), "
                                                "(select count(*) from CRJL)"));
    ASSERT_TRUE(count.step());
    EXPECT_EQ(sqlite3_column_int(count.get(), 0), 0);
    EXPECT_EQ(sqlite3_column_int(count.get(), 1), 1);
    // The migrated file has what a new one has: the table and its indexes.
    const auto objects = [](sqlite3 *db) {
        db::Statement st(db,
                         QStringLiteral("select type || ' ' || name || ' ' || sql from "
                                        "sqlite_master where tbl_name = 'CRJLDA' order by name"));
        QStringList out;
        while (st.step())
            out << QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 0)));
        return out;
    };
    sqlite3 *raw = nullptr;
    sqlite3_open(":memory:", &raw);
    db::Handle fresh(raw);
    schema::create(fresh.get());
    EXPECT_EQ(objects(h.get()), objects(fresh.get()));
    EXPECT_EQ(objects(fresh.get()).size(), 6);
    EXPECT_FALSE(schema::migrate(h.get()));
}

TEST(ChartCounts, PassagesPerDayFillEveryDayOfTheRange)
{
    const QList<PA::DayRow> rows = {
        {QStringLiteral("2026年12月01日"), QStringLiteral("进"), 5},
        {QStringLiteral("2026年12月01日"), QStringLiteral("出"), 4},
        {QStringLiteral("2026年12月03日"), QStringLiteral("出"), 2},
        {QStringLiteral("2026年11月30日"), QStringLiteral("进"), 9}, // before the range
        {QStringLiteral("年月日"), QStringLiteral("出"), 7},         // an unreadable day
    };
    const QList<PA::DayCount> days = PA::perDay(QDate(2026, 12, 1), QDate(2026, 12, 4), rows);
    ASSERT_EQ(days.size(), 4);
    const int expected[4][2] = {{5, 4}, {0, 0}, {0, 2}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(days[i].day, QDate(2026, 12, 1 + i));
        EXPECT_EQ(days[i].in, expected[i][0]) << i;
        EXPECT_EQ(days[i].out, expected[i][1]) << i;
    }
    EXPECT_TRUE(PA::perDay(QDate(2026, 12, 4), QDate(2026, 12, 1), rows).isEmpty());
}

TEST(ChartCounts, CardsExpiringPerMonthOverTheNextYear)
{
    const QList<QPair<QString, int>> validity = {
        {QStringLiteral("2026年12月10日"), 3}, // expired yesterday
        {QStringLiteral("2026年12月11日"), 2}, // today: still this month
        {QStringLiteral("2026年12月31日"), 1},
        {QStringLiteral("2027年02月28日"), 4},
        {QStringLiteral("2027年11月30日"), 5}, // the twelfth month
        {QStringLiteral("2027年12月01日"), 6}, // past the year
        {QStringLiteral("2000年00月00日"), 7}, // an initialised card
        {QString(), 8},
    };
    const QList<PA::MonthCount> months = PA::expiringPerMonth(QDate(2026, 12, 11), validity);
    ASSERT_EQ(months.size(), 12);
    EXPECT_EQ(months.first().month, QDate(2026, 12, 1));
    EXPECT_EQ(months.last().month, QDate(2027, 11, 1));
    QList<int> cards;
    for (const auto &m : months)
        cards << m.cards;
    EXPECT_EQ(cards, QList<int>({3, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 5}));
}

TEST_F(ArchiveImport, TheChartCountsAreReadFromBothArchives)
{
    import(
        {line("01", '1', "ABCDEF12", "202612100800"), line("01", '0', "ABCDEF12", "202612101800"),
         line("01", '1', "12345678", "202612100805"), line("01", '1', "12345678", "202612080805")});
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    db::exec(h.get(),
             QStringLiteral("insert into CZdata (卡片内码, 卡片有效期限) values "
                            "('11111111', '2027年01月15日'), ('22222222', '2027年01月31日'),"
                            "('33333333', '2026年12月01日')"));
    const QList<PA::DayCount> days =
        PA::passagesPerDay(h.get(), QDate(2026, 12, 8), QDate(2026, 12, 10));
    ASSERT_EQ(days.size(), 3);
    EXPECT_EQ(days[0].in, 1);
    EXPECT_EQ(days[1].in + days[1].out, 0);
    EXPECT_EQ(days[2].in, 2);
    EXPECT_EQ(days[2].out, 1);
    const QList<PA::MonthCount> months = PA::cardsExpiringPerMonth(h.get(), QDate(2026, 12, 11));
    EXPECT_EQ(months[0].cards, 0);
    EXPECT_EQ(months[1].cards, 2);
}

} // namespace
