// The owner archive's statements, on a starter database read back through a handle of its own.
#include "db/ownerarchive.h"
#include "dbfixture.h"

namespace {

class OwnerArchiveTest : public DbTest
{
protected:
    void addOwner(const QString &number, const QString &code, const QString &plate = {},
                  const QString &validity = {})
    {
        exec(QStringLiteral("insert into CZdata (车辆编号, 卡片内码, 车牌号码, 卡片有效期限) "
                            "values (%1, '%2', '%3', '%4')")
                 .arg(number, code, plate, validity));
    }

    owners::OwnerArchive archive{con};
};

// The next vehicle number used to be read from the last row of the whole archive in number order;
// the answer of the index must be that same row's value in every case.
TEST_F(OwnerArchiveTest, LastVehicleNumberIsTheLastRowInNumberOrder)
{
    struct Case
    {
        const char *name;
        QStringList numbers;
    };
    const Case cases[] = {
        {"empty archive", {}},
        {"numbers out of order", {"1001", "1003", "1002"}},
        {"no record has a number", {"NULL", "NULL"}},
        {"some without a number", {"NULL", "1005", "NULL"}},
        {"a text among the numbers", {"1001", "'x9'", "1002"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        exec(QStringLiteral("delete from CZdata"));
        int card = 0;
        for (const QString &n : c.numbers)
            addOwner(n, QStringLiteral("C%1").arg(++card, 7, 10, QLatin1Char('0')));

        const owners::LastVehicleNumber last = archive.lastVehicleNumber();
        const QStringList ordered =
            column(QStringLiteral("select 车辆编号 from CZdata order by 车辆编号"));
        EXPECT_EQ(last.archiveEmpty, ordered.isEmpty());
        const QString expected = ordered.isEmpty() ? QStringLiteral("<null>") : ordered.last();
        EXPECT_EQ(last.number.isNull() ? QStringLiteral("<null>") : last.number.toString(),
                  expected);
        EXPECT_FALSE(con.connected()) << "a connection opened for the read is closed again";
    }
}

TEST_F(OwnerArchiveTest, FindsACardWithoutRegardToCaseAndOnlyThatCard)
{
    addOwner(QStringLiteral("1001"), QStringLiteral("AB12CD34"), QStringLiteral("京A1"));
    addOwner(QStringLiteral("1002"), QStringLiteral("AB12CD35"));

    const auto found = archive.findByCard(QStringLiteral("ab12cd34"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->cardCode, QStringLiteral("AB12CD34"));
    EXPECT_EQ(found->vehicleNumber, QStringLiteral("1001"));
    EXPECT_EQ(found->plate, QStringLiteral("京A1"));
    EXPECT_FALSE(archive.findByCard(QStringLiteral("AB12CD3")).has_value());
    EXPECT_FALSE(archive.findByCard(QStringLiteral("' or '1'='1")).has_value());
}

TEST_F(OwnerArchiveTest, FirstContainingTakesTheLowestIdOfTheCodeOrTheId)
{
    addOwner(QStringLiteral("1001"), QStringLiteral("00991234"));
    addOwner(QStringLiteral("1002"), QStringLiteral("00001234"));
    addOwner(QStringLiteral("1003"), QStringLiteral("0000AAAA"));

    EXPECT_EQ(archive.firstContaining(QStringLiteral("1234"))->cardCode,
              QStringLiteral("00991234"));
    // All digits: the record whose id they are, when no code contains them.
    EXPECT_EQ(archive.firstContaining(QStringLiteral("3"))->cardCode, QStringLiteral("00991234"));
    EXPECT_EQ(archive.firstContaining(QStringLiteral("AAAA"))->cardCode,
              QStringLiteral("0000AAAA"));
    EXPECT_FALSE(archive.firstContaining(QStringLiteral("%")).has_value());
    EXPECT_FALSE(archive.firstContaining(QString()).has_value());
}

TEST_F(OwnerArchiveTest, SetColumnsWritesTheStatusOfOneCardOnly)
{
    addOwner(QStringLiteral("1001"), QStringLiteral("AB12CD34"), {},
             QStringLiteral("2030年01月01日"));
    addOwner(QStringLiteral("1002"), QStringLiteral("AB12CD35"), {},
             QStringLiteral("2030年01月01日"));

    EXPECT_TRUE(
        archive.setColumns(QStringLiteral("ab12cd34"),
                           {{QStringLiteral("卡片状态"), QStringLiteral("初始化")},
                            {QStringLiteral("卡片有效期限"), QStringLiteral("2000年01月01日")}}));
    EXPECT_EQ(
        column(QStringLiteral("select 卡片状态 || '/' || 卡片有效期限 from CZdata order by id")),
        (QStringList{QStringLiteral("初始化/2000年01月01日"), QStringLiteral("/2030年01月01日")}));

    EXPECT_FALSE(archive.setColumns(QStringLiteral("FFFFFFFF"),
                                    {{QStringLiteral("卡片状态"), QStringLiteral("已挂失")}}));
    // Only the status columns, and nothing written when one is refused.
    EXPECT_THROW(archive.setColumns(QStringLiteral("AB12CD35"),
                                    {{QStringLiteral("卡片状态"), QStringLiteral("已挂失")},
                                     {QStringLiteral("卡片内码"), QStringLiteral("FFFFFFFF")}}),
                 DbError);
    EXPECT_EQ(column(QStringLiteral("select 卡片内码 || 卡片状态 from CZdata where id = 2")),
              QStringList{QStringLiteral("AB12CD35")});
    EXPECT_FALSE(con.connected());
}

TEST_F(OwnerArchiveTest, DirectReadsLeaveAnOpenQueryItsConnection)
{
    addOwner(QStringLiteral("1001"), QStringLiteral("AB12CD34"));
    Query q(&con);
    owners::open(q, owners::everyRecord());
    ASSERT_TRUE(con.connected());
    EXPECT_TRUE(archive.findByCard(QStringLiteral("AB12CD34")).has_value());
    EXPECT_TRUE(con.connected());
    EXPECT_EQ(q.recordCount(), 1);
    q.close();
    EXPECT_FALSE(con.connected());
}

TEST_F(OwnerArchiveTest, SelectionsBindWhatWasTyped)
{
    addOwner(QStringLiteral("1001"), QStringLiteral("AB12CD34"), QStringLiteral("京A_1"),
             QStringLiteral("2026年12月01日"));
    addOwner(QStringLiteral("1002"), QStringLiteral("AB12CD35"), QStringLiteral("京AX1"),
             QStringLiteral("2026年12月20日"));
    struct Case
    {
        const char *name;
        owners::Selection selection;
        QStringList codes;
    };
    const Case cases[] = {
        {"underscore is a character",
         owners::containing(owners::KeyColumn::Plate, "A_1"),
         {"AB12CD34"}},
        {"quote is a character", owners::containing(owners::KeyColumn::Plate, "'"), {}},
        {"empty key selects nothing", owners::containing(owners::KeyColumn::Plate, ""), {}},
        {"digits also select the id",
         owners::containing(owners::KeyColumn::CardCode, "2", true),
         {"AB12CD34", "AB12CD35"}},
        {"whole code exactly", owners::byCard("ab12cd35"), {"AB12CD35"}},
        {"part of a code contains", owners::byCard("CD3"), {"AB12CD34", "AB12CD35"}},
        {"expired before", owners::expiredBefore("2026年12月10日"), {"AB12CD34"}},
        {"validity range",
         owners::validityBetween("2026年12月02日", "2026年12月31日"),
         {"AB12CD35"}},
    };
    Query q(&con);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        owners::open(q, c.selection);
        QStringList codes;
        for (q.first(); !q.eof(); q.next())
            codes << q.fieldByName(QStringLiteral("卡片内码")).asString();
        EXPECT_EQ(codes, c.codes);
    }
    EXPECT_EQ(archive.countValidityBetween(QStringLiteral("2026年12月01日"),
                                           QStringLiteral("2026年12月20日")),
              2);
}

} // namespace
