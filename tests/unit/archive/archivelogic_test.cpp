// The archive's searches, expired and expiring-soon selections run on a real archive, and the
// colour of each card status.
#include "archive/archivelogic.h"
#include "dbfixture.h"

#include <gtest/gtest.h>

namespace {

using archive::SearchField;

TEST(ArchiveSearchChoice, FirstNonEmptyEditWinsAndTextIsTakenAsTyped)
{
    struct Case
    {
        const char *card, *plate, *name;
        SearchField field;
        const char *text;
    } cases[] = {
        {"A1", "京A", "张", SearchField::CardCode, "A1"},
        {"", "京A", "张", SearchField::Plate, "京A"},
        {"", "", "张", SearchField::OwnerName, "张"},
        {" ", "京A", "", SearchField::CardCode, " "}, // a blank is text: not trimmed
        {"", "", "", SearchField::None, ""},
    };
    for (const Case &c : cases) {
        const archive::Search s = archive::chooseSearch(
            QString::fromUtf8(c.card), QString::fromUtf8(c.plate), QString::fromUtf8(c.name));
        EXPECT_EQ(s.field, c.field) << c.card << "|" << c.plate << "|" << c.name;
        EXPECT_EQ(s.text, QString::fromUtf8(c.text));
    }
}

TEST(ArchiveStatusColour, FiveStatusesAndAnythingElse)
{
    struct Case
    {
        const char *status;
        archive::Rgb rgb;
        bool own; // drawn in a colour of its own
    } cases[] = {
        {"未启用", {0, 128, 0}, true}, {"已挂失", {255, 0, 0}, true}, {"已解挂", {0, 0, 255}, true},
        {"初始化", {0, 128, 0}, true}, {"已启用", {0, 0, 0}, false},  {"", {0, 0, 0}, false},
        {"挂失", {0, 0, 0}, false},    {"已挂失 ", {0, 0, 0}, false},
    };
    for (const Case &c : cases) {
        const archive::StatusColour colour = archive::statusColour(QString::fromUtf8(c.status));
        EXPECT_EQ(colour != archive::StatusColour::Normal, c.own) << c.status;
        EXPECT_EQ(archive::rgbOf(colour), c.rgb) << c.status;
    }
}

class ArchiveSelections : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        exec(QStringLiteral(
            "insert into CZdata(车辆编号,卡片内码,车主姓名,车牌号码,卡片有效期限) values"
            "(1001,'A1B2C3D4','张三','京A12345','2024年03月01日'),"
            "(1002,'00FF00FF','李四','京B99999','2024年02月29日'),"
            "(1003,'DEADBEEF','O''Brien','沪C_1234','2024年03月11日'),"
            "(1004,'12345678','王%五','沪C01234','2000年00月00日'),"
            "(1005,'CAFEBABE','赵\"六','粤X1','2099年12月31日'),"
            "(1006,'0BADF00D','周!七','x','2024年03月12日')"));
    }

    // Card codes the statement selects, sorted (the engine's order is not part of the rule).
    QStringList run(const owners::Selection &selection)
    {
        Query q(&con);
        owners::open(q, selection);
        QStringList codes;
        for (q.first(); !q.eof(); q.next())
            codes << q.fieldByName(QStringLiteral("卡片内码")).asString();
        q.close();
        codes.sort();
        return codes;
    }

    QStringList search(SearchField field, const QString &text)
    {
        return run(archive::searchSelection({field, text}));
    }
};

TEST_F(ArchiveSelections, SearchFindsEveryRecordWhoseColumnContainsTheTextAndNothingElse)
{
    struct Case
    {
        SearchField field;
        const char *text;
        QStringList expected;
    } cases[] = {
        {SearchField::CardCode, "A1B2C3D4", {"A1B2C3D4"}},
        {SearchField::CardCode, "b2c3", {"A1B2C3D4"}}, // letters in either case
        {SearchField::CardCode, "00", {"00FF00FF", "0BADF00D"}},
        {SearchField::CardCode, "123456789", {}},
        {SearchField::Plate, "京", {"A1B2C3D4", "00FF00FF"}}, // all plates of a region
        {SearchField::Plate, "沪C", {"DEADBEEF", "12345678"}},
        {SearchField::Plate, "C_", {"DEADBEEF"}}, // an underscore is no wildcard
        {SearchField::Plate, "_", {"DEADBEEF"}},
        {SearchField::OwnerName, "%", {"12345678"}}, // nor is a percent sign
        {SearchField::OwnerName, "王%五", {"12345678"}},
        {SearchField::OwnerName, "!", {"0BADF00D"}}, // the escape character itself
        {SearchField::OwnerName, "'", {"DEADBEEF"}},
        {SearchField::OwnerName, "O'B", {"DEADBEEF"}},
        {SearchField::OwnerName, "\"", {"CAFEBABE"}},
        {SearchField::OwnerName, "' or '1'='1", {}},
        {SearchField::OwnerName, "\" or \"\"=\"", {}},
        {SearchField::OwnerName, "%' or 1=1 --", {}},
        {SearchField::OwnerName, "'); delete from CZdata; --", {}},
        {SearchField::OwnerName, "张三", {"A1B2C3D4"}},
    };
    for (Case &c : cases) {
        c.expected.sort();
        EXPECT_EQ(search(c.field, QString::fromUtf8(c.text)), c.expected)
            << int(c.field) << " " << c.text;
    }
    EXPECT_EQ(column(QStringLiteral("select count(*) from CZdata")), QStringList{"6"});
}

TEST_F(ArchiveSelections, ExpiredIsStrictlyBeforeTodayAndAgreesWithTheRule)
{
    struct Case
    {
        QDate today;
        QStringList expected;
    } cases[] = {
        {QDate(2024, 2, 29), {"12345678"}},            // the initialised card only
        {QDate(2024, 3, 1), {"00FF00FF", "12345678"}}, // the last day itself is not expired
        {QDate(2024, 3, 12), {"A1B2C3D4", "00FF00FF", "DEADBEEF", "12345678"}},
        {QDate(1999, 1, 1), {}},
    };
    const QStringList rows =
        column(QStringLiteral("select 卡片有效期限 || '|' || 卡片内码 from CZdata"));
    for (Case &c : cases) {
        c.expected.sort();
        EXPECT_EQ(run(archive::expiredSelection(c.today)), c.expected)
            << c.today.toString(Qt::ISODate).toStdString();
        QStringList byRule;
        for (const QString &row : rows)
            if (archive::isExpired(row.section(QLatin1Char('|'), 0, 0), c.today))
                byRule << row.section(QLatin1Char('|'), 1);
        byRule.sort();
        EXPECT_EQ(byRule, c.expected);
    }
}

TEST_F(ArchiveSelections, ExpiringSoonIncludesBothBounds)
{
    EXPECT_EQ(archive::validityText(QDate(2024, 3, 1)), QStringLiteral("2024年03月01日"));
    EXPECT_EQ(run(archive::expiringSelection(QDate(2024, 3, 1), QDate(2024, 3, 11))),
              (QStringList{"A1B2C3D4", "DEADBEEF"}));
}

} // namespace
