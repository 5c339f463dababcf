#include "cards/cardlookup.h"
#include "db/ownerarchive.h"
#include "dbfixture.h"

#include <gtest/gtest.h>

namespace {

TEST(IsAllNum, DigitsOnlyAndTheEmptyText)
{
    struct Case
    {
        const char *text;
        bool expected;
    } cases[] = {{"", true},     {"0", true},   {"0123456789", true}, {"12a", false},
                 {" 12", false}, {"-1", false}, {"1.5", false},       {"１２", false}};
    for (const Case &c : cases)
        EXPECT_EQ(cards::IsAllNum(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(CardLookupStatement, KeyIsBoundAndDigitsAlsoMatchTheVehicleNumber)
{
    const auto cardLookup = [](const QString &key) {
        return owners::containing(owners::KeyColumn::CardCode, key, true);
    };
    const owners::Selection digits = cardLookup(QStringLiteral("1234"));
    EXPECT_EQ(digits.parameters.size(), 2);
    EXPECT_TRUE(digits.sql.endsWith(QStringLiteral(" or id=:id")));
    const owners::Selection hexKey = cardLookup(QStringLiteral("B2C3"));
    EXPECT_EQ(hexKey.parameters.size(), 1);
    EXPECT_FALSE(hexKey.sql.contains(QStringLiteral("id=")));
    const owners::Selection hostile = cardLookup(QStringLiteral("'\"%)"));
    EXPECT_FALSE(hostile.sql.contains(QStringLiteral("'\"%)")));
    EXPECT_TRUE(hostile.sql.contains(QStringLiteral(":key")));
}

class CardLookupOnArchive : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        // ids 1..4 in insertion order.
        exec(QStringLiteral("INSERT INTO CZdata(车辆编号,卡片内码,车主姓名) VALUES "
                            "(1001,'0A1B2C3D','张三'),(1002,'11111111','李四'),"
                            "(1003,'0000B2C3','王五'),(1004,'5%_''X''','赵六')"));
    }

    QStringList selected(const QString &key)
    {
        Query q(&con);
        cards::openCardLookup(&q, key);
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.fieldByName(QStringLiteral("卡片内码")).asString();
        q.close();
        return out;
    }
};

TEST_F(CardLookupOnArchive, SelectsContainingCodesAndTheRecordWithThatId)
{
    struct Case
    {
        const char *key;
        QStringList expected;
    } cases[] = {
        {"B2C3", {QStringLiteral("0A1B2C3D"), QStringLiteral("0000B2C3")}},
        {"00b2", {QStringLiteral("0000B2C3")}},
        {"0A1B2C3D", {QStringLiteral("0A1B2C3D")}},
        // "2" is in two codes and is the id of the second record.
        {"2", {QStringLiteral("0A1B2C3D"), QStringLiteral("11111111"), QStringLiteral("0000B2C3")}},
        {"1111", {QStringLiteral("11111111")}},
        // Quotes are part of the value, never of the statement.
        {"'X'", {QStringLiteral("5%_'X'")}},
        {"' or 1=1 --", {}},
        {"FFFF", {}},
        // An empty key selects nothing.
        {"", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(selected(QString::fromUtf8(c.key)), c.expected) << c.key;
}

TEST_F(CardLookupOnArchive, PlateAndNameLookupsBindTheTypedText)
{
    exec(QStringLiteral("UPDATE CZdata SET 车牌号码='京A' || id"));
    exec(QStringLiteral("UPDATE CZdata SET 车牌号码='沪''B\"1' WHERE id=4"));
    struct Case
    {
        cards::LookupField field;
        const char *key;
        QStringList expected;
    } cases[] = {
        {cards::LookupField::Plate, "京A", {"0A1B2C3D", "11111111", "0000B2C3"}},
        {cards::LookupField::Plate, "沪'B\"", {"5%_'X'"}},
        // % and _ are the characters they are, as in the archive window: no plate holds them.
        {cards::LookupField::Plate, "%", {}},
        {cards::LookupField::Plate, "_", {}},
        {cards::LookupField::CardCode, "%_", {"5%_'X'"}},
        {cards::LookupField::CardCode, "_", {"5%_'X'"}},
        {cards::LookupField::Plate, "\" or 1=1 or \"", {}},
        {cards::LookupField::Plate, "x' union select user_name,user_pass from users --", {}},
        {cards::LookupField::Name, "王", {"0000B2C3"}},
        {cards::LookupField::Name, "'; drop table CZdata; --", {}},
        // A name of digits also selects the record with that id.
        {cards::LookupField::Name, "3", {"0000B2C3"}},
        {cards::LookupField::Name, "99999999999999999999", {}},
    };
    for (const Case &c : cases) {
        Query q(&con);
        cards::openLookup(&q, c.field, QString::fromUtf8(c.key));
        QStringList got;
        for (q.first(); !q.eof(); q.next())
            got << q.fieldByName(QStringLiteral("卡片内码")).asString();
        q.close();
        EXPECT_EQ(got, c.expected) << c.key;
    }
    EXPECT_EQ(selected(QStringLiteral("B2C3")).size(), 2); // the table is still there
}

} // namespace
