// The card history: rows written by the connection's triggers in the transaction of each change,
// rows of their own for what changed nothing, and the history window's search.
#include "common/clock.h"
#include "common/globals.h"
#include "db/cardlog.h"
#include "db/compact.h"
#include "db/ownerarchive.h"
#include "db/texts.h"
#include "dbfixture.h"

namespace {

namespace h = texts::db::history;

class CardLogTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        UserName = QStringLiteral("张管理");
        exec(QStringLiteral("insert into CZdata(车辆编号,卡片内码,车牌号码,卡片有效期限,卡片状态) "
                            "values (1001,'AAAA0001','京A1','2025年01月01日','已启用')"));
    }
    void TearDown() override { UserName.clear(); }

    // 操作|卡片内码|原有效期限|新有效期限|原卡片状态|新卡片状态|门组|结果 of every row, oldest
    // first.
    QStringList history() const
    {
        return column(QStringLiteral(
            "select 操作 || '|' || ifnull(卡片内码,'') || '|' || ifnull(原有效期限,'') || '|' || "
            "ifnull(新有效期限,'') || '|' || ifnull(原卡片状态,'') || '|' || "
            "ifnull(新卡片状态,'') || '|' || ifnull(门组,'') || '|' || 结果 from CardLog "
            "order by 序号"));
    }

    appclock::ScopedNow now{QDateTime(QDate(2026, 3, 5), QTime(9, 30, 15))};
};

TEST_F(CardLogTest, EachChangeOfAnOwnerRecordWritesOneRowOfItsOperation)
{
    struct Case
    {
        const char *name;
        QString operation; // empty: none told
        QString groups;
        std::function<void(Connection &)> change;
        QString row;
    };
    const auto issue = [](Connection &c) {
        Query q(&c);
        owners::open(q, owners::noRecord());
        q.append();
        q.fieldByName(QStringLiteral("车辆编号")).setAsString(QStringLiteral("1002"));
        q.fieldByName(QStringLiteral("卡片内码")).setAsString(QStringLiteral("BBBB0002"));
        q.fieldByName(QStringLiteral("卡片有效期限")).setAsString(QStringLiteral("2027年01月01日"));
        q.fieldByName(QStringLiteral("卡片状态")).setAsString(QStringLiteral("已启用"));
        q.post();
    };
    const auto extend = [](Connection &c) {
        Query q(&c);
        owners::open(q, owners::byCard(QStringLiteral("AAAA0001")));
        q.edit();
        q.fieldByName(QStringLiteral("卡片有效期限")).setAsString(QStringLiteral("2026年12月31日"));
        q.post();
    };
    const auto lose = [](Connection &c) {
        owners::OwnerArchive(c).setColumns(
            QStringLiteral("AAAA0001"), {{QStringLiteral("卡片状态"), QStringLiteral("已挂失")}});
    };
    const auto remove = [](Connection &c) {
        Query q(&c);
        owners::open(q, owners::byCard(QStringLiteral("AAAA0001")));
        q.deleteRecord();
    };
    const Case cases[] = {
        {"single issue", h::IssuedSingle, "1,2", issue,
         "单张发行|BBBB0002||2027年01月01日||已启用|1,2|已保存"},
        {"extension", h::Extended, "1,2,3,4,5,6,7,8", extend,
         "卡片延期|AAAA0001|2025年01月01日|2026年12月31日|已启用|已启用|1,2,3,4,5,6,7,8|已保存"},
        {"loss",
         h::ReportedLost,
         {},
         lose,
         "卡片挂失|AAAA0001|2025年01月01日|2025年01月01日|已启用|已挂失||已保存"},
        {"an edit in the archive window",
         {},
         {},
         extend,
         "档案编辑|AAAA0001|2025年01月01日|2026年12月31日|已启用|已启用||已保存"},
        {"a deletion in the archive window",
         {},
         {},
         remove,
         "档案删除|AAAA0001|2025年01月01日||已启用|||已保存"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        exec(QStringLiteral("delete from CardLog"));
        {
            std::optional<cardlog::Operation> op;
            if (!c.operation.isEmpty())
                op.emplace(c.operation, c.groups);
            c.change(con);
        }
        EXPECT_EQ(history(), QStringList{c.row});
        EXPECT_EQ(column(QStringLiteral("select 操作时间 || ' ' || 操作员 from CardLog")),
                  QStringList{QStringLiteral("2026-03-05 09:30:15 张管理")});
        // Put the record back for the next case.
        exec(QStringLiteral("delete from CZdata"));
        exec(QStringLiteral("insert into CZdata(车辆编号,卡片内码,车牌号码,卡片有效期限,卡片状态) "
                            "values (1001,'AAAA0001','京A1','2025年01月01日','已启用')"));
    }
}

TEST_F(CardLogTest, ARefusedSaveLeavesNoRowOfItsOwnAndTheProgramSaysWhy)
{
    Query q(&con);
    owners::open(q, owners::noRecord());
    q.append();
    q.fieldByName(QStringLiteral("卡片内码")).setAsString(QStringLiteral("aaaa0001"));
    {
        cardlog::Operation op(h::IssuedBatch);
        EXPECT_THROW(q.post(), DbError);
    }
    q.close();
    EXPECT_TRUE(history().isEmpty());
    cardlog::append(con, {h::DuplicateRefused,
                          QStringLiteral("AAAA0001"),
                          {},
                          {},
                          {},
                          {},
                          {},
                          h::NotSaved.arg(QStringLiteral("UNIQUE constraint failed"))});
    EXPECT_EQ(history(), QStringList{QStringLiteral(
                             "重复发卡被拒|AAAA0001||||||未保存：UNIQUE constraint failed")});
}

TEST_F(CardLogTest, TheHistoryOutlivesTheRecordAndACompactionAndIsNeverChanged)
{
    owners::OwnerArchive(con).setColumns(QStringLiteral("AAAA0001"),
                                         {{QStringLiteral("卡片状态"), QStringLiteral("已挂失")}});
    con.execute(QStringLiteral("delete from CZdata"));
    ASSERT_EQ(history().size(), 2);
    EXPECT_THROW(con.execute(QStringLiteral("update CardLog set 操作 = '单张发行'")), DbError);
    ASSERT_TRUE(compactDatabase(file, QString::fromLatin1(db::DatabasePassword)));
    EXPECT_EQ(history(),
              (QStringList{QStringLiteral("档案编辑|AAAA0001|2025年01月01日|2025年01月01日|"
                                          "已启用|已挂失||已保存"),
                           QStringLiteral("档案删除|AAAA0001|2025年01月01日||已挂失|||"
                                          "已保存")}));
    EXPECT_EQ(cardlog::deleteHistoryOf(con, QStringLiteral("aaaa0001")), 2);
    EXPECT_TRUE(history().isEmpty());
}

TEST_F(CardLogTest, SearchByCardPlateAccountAndDaysNewestFirst)
{
    const struct
    {
        const char *time, *account, *card, *plate;
    } rows[] = {{"2026-03-01 08:00:00", "甲", "AAAA0001", "京A1"},
                {"2026-03-02 23:59:59", "乙", "AAAA0001", "京A1"},
                {"2026-03-03 00:00:00", "甲", "BBBB0002", "沪B_2"},
                {"2026-03-04 12:00:00", "甲", "CCCC0003", "沪B22"}};
    for (const auto &r : rows)
        exec(QStringLiteral("insert into CardLog(操作时间,操作员,操作,卡片内码,车牌号码,结果) "
                            "values ('%1','%2','档案编辑','%3','%4','已保存')")
                 .arg(QString::fromUtf8(r.time), QString::fromUtf8(r.account),
                      QString::fromUtf8(r.card), QString::fromUtf8(r.plate)));
    struct Case
    {
        const char *name;
        cardlog::Search search;
        QStringList cards;
    };
    const Case cases[] = {
        {"everything, newest first", {}, {"CCCC0003", "BBBB0002", "AAAA0001", "AAAA0001"}},
        {"part of a card, any case", {QStringLiteral("aaaa")}, {"AAAA0001", "AAAA0001"}},
        {"an underscore is a character", {{}, QStringLiteral("B_")}, {"BBBB0002"}},
        {"one account", {{}, {}, QStringLiteral("乙")}, {"AAAA0001"}},
        {"whole days, both ends",
         {{}, {}, {}, QDate(2026, 3, 2), QDate(2026, 3, 3)},
         {"BBBB0002", "AAAA0001"}},
        {"a quote is looked for", {QStringLiteral("' or 1=1 --")}, {}},
    };
    Query q(&con);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        owners::open(q, cardlog::selection(c.search));
        QStringList cards;
        for (q.first(); !q.eof(); q.next())
            cards << q.fieldByName(QStringLiteral("卡片内码")).asString();
        EXPECT_EQ(cards, c.cards);
    }
}

} // namespace
