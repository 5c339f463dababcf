#include "common/passwordhash.h"
#include "dbfixture.h"
#include "rowcounter.h"

#include "db/datafrm.h"

#include <QSignalSpy>
#include <utility>

// Readable failure output for texts.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

class QueryTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        exec(QStringLiteral(
            "INSERT INTO CZdata(车辆编号,卡片内码,车主姓名,车牌号码,卡片有效期限) VALUES "
            "(1001,'0A1B2C3D','张三','京A12345','2013年01月01日'),"
            "(1002,'11111111','李四','沪B00001','2013年01月31日'),"
            "(1003,'22222222','王五','粤C99999','2013年02月01日'),"
            "(1004,'33333333','赵六','津D11111','2000年00月00日')"));
    }

    QStringList codes(Query &q)
    {
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.fieldByName(QStringLiteral("卡片内码")).asString();
        return out;
    }
};

TEST_F(QueryTest, EmptyResultHasNoRecordAndBothEnds)
{
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CRJL;"));
    q.open();
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_TRUE(q.eof());
    EXPECT_TRUE(q.bof());
    EXPECT_EQ(q.fieldCount(), 10);
    EXPECT_TRUE(q.fieldByName(QStringLiteral("卡片内码")).isNull());
}

TEST_F(QueryTest, MovesFreelyOverTheWholeResult)
{
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata order by 车辆编号"));
    q.open();
    EXPECT_EQ(q.recordCount(), 4);
    EXPECT_TRUE(q.bof());
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(codes(q), (QStringList{"0A1B2C3D", "11111111", "22222222", "33333333"}));
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recNo(), 4); // next past the last stays on it

    q.last();
    EXPECT_TRUE(q.eof());
    q.prior();
    EXPECT_EQ(q.fieldByName(QStringLiteral("车主姓名")).asString(), QStringLiteral("王五"));
    q.first();
    q.prior();
    EXPECT_TRUE(q.bof());
    EXPECT_EQ(q.recNo(), 1);

    // By position, as the passage import addresses columns.
    EXPECT_EQ(q.field(2).asString(), QStringLiteral("0A1B2C3D"));
    EXPECT_EQ(q.field(2).name(), QStringLiteral("卡片内码"));
    EXPECT_THROW(q.fieldByName(QStringLiteral("nope")), DbError);
    EXPECT_THROW(q.field(12), DbError);
}

TEST_F(QueryTest, ClosedQueryRefusesWork)
{
    Query q(&con);
    q.setObjectName(QStringLiteral("Qryda1"));
    q.setSQL(QStringLiteral("select * from CZdata"));
    EXPECT_THROW(q.next(), DbError);
    EXPECT_THROW(q.recordCount(), DbError);
    EXPECT_THROW(q.edit(), DbError);
    try {
        q.fieldByName(QStringLiteral("id"));
        FAIL() << "no error";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Qryda1:"))) << e.text().toStdString();
    }
}

TEST_F(QueryTest, ConnectionIsOpenOnlyWhileAQueryIsOpen)
{
    Query a(&con), b(&con);
    a.setSQL(QStringLiteral("select * from CZdata"));
    b.setSQL(QStringLiteral("select * from users"));
    EXPECT_FALSE(con.connected());
    a.open();
    b.open();
    EXPECT_TRUE(con.connected());
    a.close();
    EXPECT_TRUE(con.connected());
    b.close();
    EXPECT_FALSE(con.connected());

    // Explicit connect holds until the last query closes, and disconnect closes every query.
    con.connect();
    EXPECT_TRUE(con.connected());
    a.open();
    b.open();
    con.disconnect();
    EXPECT_FALSE(a.isActive());
    EXPECT_FALSE(b.isActive());
    EXPECT_FALSE(con.connected());

    // With everything closed the file can be replaced; the next open reads the new file.
    const QString other = dir.path(QStringLiteral("other"));
    const QString otherFile =
        createStarterDatabase(other, QStringLiteral("other"), QStringLiteral("x1"));
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QFile::copy(otherFile, file));
    a.open();
    EXPECT_EQ(a.recordCount(), 0);
    b.open();
    EXPECT_EQ(b.fieldByName(QStringLiteral("user_name")).asString(), QStringLiteral("other"));
}

TEST_F(QueryTest, ExecuteRunsWithoutHoldingTheConnection)
{
    Query q(&con);
    q.setSQL(QStringLiteral("delete from CZdata where 车辆编号 > 1002"));
    EXPECT_EQ(q.execSQL(), 2);
    EXPECT_FALSE(con.connected());
    EXPECT_EQ(column(QStringLiteral("select count(*) from CZdata")), QStringList{"2"});

    // A statement without rows given to open() is refused before it runs.
    q.setSQL(QStringLiteral("delete from CZdata"));
    EXPECT_THROW(q.open(), DbError);
    EXPECT_FALSE(q.isActive());
    EXPECT_EQ(column(QStringLiteral("select count(*) from CZdata")), QStringList{"2"});
}

TEST_F(QueryTest, FailedStatementReportsEngineTextAndStaysClosed)
{
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata where"));
    try {
        q.open();
        FAIL() << "no error";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("syntax error"))) << e.text().toStdString();
    }
    EXPECT_FALSE(q.isActive());
    EXPECT_FALSE(con.connected());
}

TEST_F(QueryTest, StatementChangesCloseTheQueryAndLeaveOnlyTheNewText)
{
    Query q(&con);
    q.setSQL(QStringLiteral("select * from users"));
    q.open();
    q.sql().clear();
    EXPECT_FALSE(q.isActive());
    q.sql().add(QStringLiteral("select * from CZdata"));
    q.sql().add(QStringLiteral("where 车辆编号 = 1003"));
    q.open();
    EXPECT_EQ(q.recordCount(), 1);
    q.setSQL(QStringLiteral("select * from usersmm;"));
    EXPECT_EQ(q.sqlText(), QStringLiteral("select * from usersmm;"));
    q.open();
    EXPECT_EQ(q.fieldByName(QStringLiteral("pass_word")).asString(), QStringLiteral("123456"));
}

TEST_F(QueryTest, VehicleNumbersOrderNumericallyAndShowFourDigits)
{
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata"));
    q.open();
    for (const char *n : {"5", "999", "10000", "-7", "0"}) {
        q.append();
        q.fieldByName(QStringLiteral("卡片内码")).setAsString(QStringLiteral("C%1").arg(n));
        q.fieldByName(QStringLiteral("车辆编号")).setAsString(QString::fromLatin1(n));
        q.post();
    }
    q.setSQL(QStringLiteral("select * from CZdata order by 车辆编号"));
    q.open();
    QStringList numbers;
    for (q.first(); !q.eof(); q.next())
        numbers << q.fieldByName(QStringLiteral("车辆编号")).asString();
    EXPECT_EQ(numbers, (QStringList{"-0007", "0000", "0005", "0999", "1001", "1002", "1003", "1004",
                                    "10000"}));
    // The exports' UTF-8 of every cell is the text the grid shows.
    const int number = q.fieldByName(QStringLiteral("车辆编号")).index();
    QByteArray scratch;
    for (int r = 0; r < q.rows(); ++r)
        EXPECT_EQ(q.utf8At(r, number, scratch).toByteArray(), q.textAt(r, number).toUtf8()) << r;
    q.last();
    EXPECT_EQ(q.fieldByName(QStringLiteral("车辆编号")).asInteger() + 1, 10001);
}

TEST_F(QueryTest, AppendWritesThroughAndReadsBackDefaultsAndKey)
{
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata"));
    q.open();
    QSignalSpy states(&q, &Query::stateChanged);
    q.append();
    EXPECT_EQ(q.state(), Query::Insert);
    EXPECT_EQ(q.recordCount(), 4); // the new record counts once posted
    const QString tricky = QStringLiteral("O'Brien \"50%\"; 张_三");
    q.fieldByName(QStringLiteral("卡片内码")).setAsString(QStringLiteral("ABCDEF01"));
    q.fieldByName(QStringLiteral("车主姓名")).setAsString(tricky);
    q.post();
    EXPECT_EQ(q.state(), Query::Browse);
    EXPECT_GE(states.count(), 2);
    EXPECT_EQ(q.recordCount(), 5);
    EXPECT_EQ(q.recNo(), 5);
    EXPECT_EQ(q.fieldByName(QStringLiteral("汽车类型")).asString(), QStringLiteral("小汽车"));
    EXPECT_FALSE(q.fieldByName(QStringLiteral("卡片状态")).isNull());
    EXPECT_EQ(q.fieldByName(QStringLiteral("卡片状态")).asString(), QString());
    const qlonglong id = q.fieldByName(QStringLiteral("id")).asInteger();
    EXPECT_GT(id, 4);
    EXPECT_EQ(column(QStringLiteral("select 车主姓名 from CZdata where id=%1").arg(id)),
              QStringList{tricky});
}

struct Refusal
{
    const char *what;
    const char *table;
    QList<QPair<QString, QVariant>> values;
    const char *message;
};

TEST_F(QueryTest, PostThatBreaksTheTableIsRefusedAndKeepsTheRecord)
{
    const Refusal cases[] = {
        {"card already registered",
         "CZdata",
         {{"卡片内码", "11111111"}, {"车主姓名", "新人"}},
         "UNIQUE"},
        {"no card code", "CZdata", {{"车主姓名", "新人"}}, "NOT NULL"},
        {"empty card code", "CZdata", {{"卡片内码", ""}}, "CHECK"},
        {"card code too long", "CZdata", {{"卡片内码", "123456789"}}, "CHECK"},
        {"account name over 20 characters",
         "users",
         {{"user_name", QString(21, QLatin1Char('a'))}},
         "CHECK"},
        {"issuer password over 6 characters", "usersmm", {{"pass_word", "1234567"}}, "CHECK"},
    };
    for (const Refusal &c : cases) {
        SCOPED_TRACE(c.what);
        Query q(&con);
        q.setSQL(QStringLiteral("select * from %1").arg(QLatin1String(c.table)));
        q.open();
        const int before = q.recordCount();
        q.append();
        for (const auto &[name, value] : c.values)
            q.fieldByName(name).setValue(value);
        try {
            q.post();
            ADD_FAILURE() << "post accepted";
        } catch (const DbError &e) {
            EXPECT_TRUE(e.text().contains(QLatin1String(c.message))) << e.text().toStdString();
        }
        EXPECT_EQ(q.state(), Query::Insert);
        for (const auto &[name, value] : c.values)
            EXPECT_EQ(q.fieldByName(name).asString(), value.toString());
        EXPECT_EQ(column(QStringLiteral("select count(*) from %1").arg(QLatin1String(c.table))),
                  QStringList{QString::number(before)});
    }

    // Corrected, the same pending record is saved.
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata"));
    q.open();
    q.append();
    q.fieldByName(QStringLiteral("卡片内码")).setAsString(QStringLiteral("11111111"));
    q.fieldByName(QStringLiteral("车主姓名")).setAsString(QStringLiteral("新人"));
    EXPECT_THROW(q.post(), DbError);
    q.fieldByName(QStringLiteral("卡片内码")).setAsString(QStringLiteral("44444444"));
    q.post();
    EXPECT_EQ(column(QStringLiteral("select 车主姓名 from CZdata where 卡片内码='44444444'")),
              QStringList{"新人"});
}

TEST_F(QueryTest, EditPostCancelAndDelete)
{
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata order by 车辆编号"));
    q.open();
    q.next(); // 李四
    q.edit();
    q.fieldByName(QStringLiteral("卡片状态")).setAsString(QStringLiteral("已挂失"));
    EXPECT_TRUE(q.modified());
    q.cancel();
    EXPECT_EQ(q.fieldByName(QStringLiteral("卡片状态")).asString(), QString());
    EXPECT_EQ(column(QStringLiteral("select 卡片状态 from CZdata where 车辆编号=1002")),
              QStringList{""});

    q.edit();
    q.fieldByName(QStringLiteral("卡片状态")).setAsString(QStringLiteral("已挂失"));
    q.post();
    EXPECT_EQ(q.recNo(), 2);
    EXPECT_EQ(column(QStringLiteral("select 卡片状态 from CZdata where 车辆编号=1002")),
              QStringList{"已挂失"});

    // Moving on posts a changed record; closing discards one.
    q.edit();
    q.fieldByName(QStringLiteral("车主姓名")).setAsString(QStringLiteral("李四四"));
    q.next();
    EXPECT_EQ(q.state(), Query::Browse);
    EXPECT_EQ(column(QStringLiteral("select 车主姓名 from CZdata where 车辆编号=1002")),
              QStringList{"李四四"});
    q.edit();
    q.fieldByName(QStringLiteral("车主姓名")).setAsString(QStringLiteral("丢弃"));
    q.close();
    EXPECT_EQ(column(QStringLiteral("select 车主姓名 from CZdata where 车辆编号=1003")),
              QStringList{"王五"});

    q.open();
    q.next();
    q.deleteRecord();
    EXPECT_EQ(q.recordCount(), 3);
    EXPECT_EQ(q.fieldByName(QStringLiteral("车辆编号")).asString(), QStringLiteral("1003"));
    EXPECT_EQ(column(QStringLiteral("select count(*) from CZdata where 车辆编号=1002")),
              QStringList{"0"});

    // Values can be set only while editing; a read-only field never.
    EXPECT_THROW(q.fieldByName(QStringLiteral("车主姓名")).setAsString(QStringLiteral("x")),
                 DbError);
    q.append();
    q.cancel();
    EXPECT_EQ(q.recordCount(), 3);
    EXPECT_EQ(q.fieldByName(QStringLiteral("车辆编号")).asString(), QStringLiteral("1003"));
}

TEST_F(QueryTest, EmptyResultEditsAsInsertAndRefusesDelete)
{
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CRJL"));
    q.open();
    EXPECT_THROW(q.deleteRecord(), DbError);
    q.edit();
    EXPECT_EQ(q.state(), Query::Insert);
    q.field(1).setAsString(QStringLiteral("0A1B2C3D"));
    q.field(7).setAsString(QStringLiteral("7"));
    q.field(9).setAsString(QStringLiteral("01 1 0A1B2C3D"));
    q.post();
    EXPECT_EQ(column(QStringLiteral("select 记录原文 from CRJL where 卡片内码='0A1B2C3D'")),
              QStringList{"01 1 0A1B2C3D"});
    EXPECT_EQ(q.fieldByName(QStringLiteral("序号")).asInteger(), 1);
}

TEST_F(QueryTest, JoinedResultCanBeBrowsedInEditStateButNotChanged)
{
    exec(QStringLiteral("INSERT INTO CRJL(卡片内码,进出时间,进出状态) VALUES "
                        "('11111111','2013年01月02日08:30分','进'),"
                        "('11111111','2013年01月02日09:30分','出'),"
                        "('FFFFFFFF','2013年01月02日10:00分','进')"));
    Query q(&con);
    q.setSQL(QStringLiteral(
        "select cj.序号,cj.卡片内码,cz.车主姓名,cz.车牌号码,cj.进出时间,cj.进出状态,cj.读卡地址 "
        "from CZdata as cz left join CRJL as cj on cj.卡片内码=cz.卡片内码 order by 序号"));
    q.open();
    // Every owner once per passage, owners without passages once with an empty 序号 first,
    // the passage of an unknown card left out.
    QStringList rows;
    for (q.first(); !q.eof(); q.next())
        rows << q.field(0).asString() + QLatin1Char('/') + q.field(2).asString();
    EXPECT_EQ(rows, (QStringList{"/张三", "/王五", "/赵六", "1/李四", "2/李四"}));

    q.first();
    q.edit();
    q.next(); // unchanged: nothing to write
    EXPECT_EQ(q.state(), Query::Browse);
    q.edit();
    q.field(2).setAsString(QStringLiteral("改"));
    EXPECT_THROW(q.post(), DbError);
    EXPECT_EQ(q.state(), Query::Edit);
}

TEST_F(QueryTest, ParametersAreBoundByNameWithOrWithoutColon)
{
    Query q(&con);
    const auto range = [&](const QString &sql, const QString &start, const QString &end) {
        q.setSQL(sql);
        q.setParameter(QStringLiteral("startrq"), start);
        q.setParameter(QStringLiteral(":endrq"), end);
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.fieldByName(QStringLiteral("车主姓名")).asString();
        return out;
    };
    // The first and last day of a month select exactly that month, compared as text.
    EXPECT_EQ(
        range(QStringLiteral(
                  "select * from CZdata where 卡片有效期限 >=:startrq and 卡片有效期限 <=:endrq"),
              QStringLiteral("2013年01月01日"), QStringLiteral("2013年01月31日")),
        (QStringList{"张三", "李四"}));
    EXPECT_EQ(
        range(QStringLiteral(
                  "select * from CZdata where 卡片有效期限 >= :startrq and 卡片有效期限 <= :endrq"),
              QStringLiteral("2013年02月01日"), QStringLiteral("2013年02月28日")),
        (QStringList{"王五"}));
    // An initialised card sorts before every real date.
    q.setSQL(
        QStringLiteral("select * from CZdata where 卡片有效期限 < :startrq order by 卡片有效期限"));
    q.setParameter(QStringLiteral("STARTRQ"), QStringLiteral("2013年01月02日"));
    q.open();
    EXPECT_EQ(q.recordCount(), 2);
    EXPECT_EQ(q.fieldByName(QStringLiteral("卡片有效期限")).asString(),
              QStringLiteral("2000年00月00日"));

    // A parameter without a value is an error, not an empty result; a new statement forgets
    // the old values.
    q.setSQL(QStringLiteral("select * from CZdata where 卡片有效期限 < :startrq"));
    EXPECT_THROW(q.open(), DbError);
    EXPECT_FALSE(q.isActive());
}

TEST_F(QueryTest, TypedTextIsBoundAndFoundVerbatim)
{
    const QStringList values = {QStringLiteral("O'Brien"), QStringLiteral("say \"hi\""),
                                QStringLiteral("50%"), QStringLiteral("a;b--c"),
                                QStringLiteral("欧阳 娜娜")};
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata"));
    q.open();
    int n = 0;
    for (const QString &v : values) {
        q.append();
        q.fieldByName(QStringLiteral("卡片内码")).setAsString(QStringLiteral("F%1").arg(n++));
        q.fieldByName(QStringLiteral("车主姓名")).setAsString(v);
        q.post();
    }
    for (const QString &v : values) {
        SCOPED_TRACE(v.toStdString());
        q.setSQL(QStringLiteral("select * from CZdata where 车主姓名 like '%' || ? || '%' or "
                                "卡片内码 like '%' || ? || '%'"));
        q.addBindValue(v);
        q.addBindValue(v);
        q.open();
        ASSERT_GE(q.recordCount(), 1);
        bool found = false;
        for (q.first(); !q.eof(); q.next())
            found |= q.fieldByName(QStringLiteral("车主姓名")).asString() == v;
        EXPECT_TRUE(found);
    }
}

TEST_F(QueryTest, LiteralWithKeywordRightBehindFindsCodeOrId)
{
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata where 卡片内码 like '%1B2C%'or id=3"));
    q.open();
    QStringList names;
    for (q.first(); !q.eof(); q.next())
        names << q.fieldByName(QStringLiteral("车主姓名")).asString();
    EXPECT_EQ(names, (QStringList{"张三", "王五"}));
}

TEST_F(QueryTest, DataModuleQueriesKeepTheirFieldsAndMaskThePassword)
{
    TDatafrm module;
    EXPECT_EQ(Datafrm, &module);
    module.DataModuleCreate(file);
    EXPECT_FALSE(module.con->connected());
    exec(QStringLiteral(
        "INSERT INTO users(user_name,user_pass,user_type) VALUES('op','','操作员')"));

    Query &users = *module.LGqry1;
    users.open();
    EXPECT_EQ(users.fieldNames(), (QStringList{"id", "user_name", "user_pass", "user_type"}));
    const Field pass = users.fieldByName(QStringLiteral("user_pass"));
    EXPECT_TRUE(passwordhash::matches(pass.asString(), QStringLiteral("admin1")));
    EXPECT_EQ(pass.displayText(), QStringLiteral("******"));
    users.next();
    EXPECT_EQ(pass.asString(), QString());
    EXPECT_EQ(pass.displayText(), QStringLiteral("******"));
    EXPECT_EQ(users.fieldByName(QStringLiteral("user_name")).size(), 20);
    users.edit();
    EXPECT_THROW(users.fieldByName(QStringLiteral("id")).setAsInteger(99), DbError);
    users.cancel();

    module.Qrymm1->open();
    EXPECT_EQ(module.Qrymm1->fieldByName(QStringLiteral("pass_word")).asString(),
              QStringLiteral("123456"));

    // The persistent fields must be in the result.
    users.setSQL(QStringLiteral("select id, user_name from users"));
    EXPECT_THROW(users.open(), DbError);

    module.Qryda1->open();
    module.QryJL1->open();
    EXPECT_TRUE(module.con->connected());
    module.closeAll();
    EXPECT_FALSE(module.Qryda1->isActive());
    EXPECT_FALSE(module.con->connected());
}

// A result read as it is asked for: the first rows at open, more as the rows are reached, the
// whole count from the engine; moving and counting behave as with a result held whole.
TEST_F(QueryTest, AResultReadOnDemandReadsItsRowsAsTheyAreReached)
{
    const int total = 3 * Query::FetchBatch + 17;
    exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<%1) "
                        "INSERT INTO CRJL(卡片内码, 记录原文) SELECT printf('%08X', i), i FROM n")
             .arg(total));
    const struct
    {
        const char *sql;
        QString key; // bound as :key when set
        int count;
    } cases[] = {
        {"select * from CRJL order by 序号;", {}, total},
        {"select 序号, 卡片内码 from CRJL where 记录原文 not like :key order by 序号",
         QStringLiteral("%99%"), 0},
        {"select * from CRJL where 序号 <= 3", {}, 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        Query q(&con);
        q.setFetchOnDemand(true);
        q.setSQL(QString::fromUtf8(c.sql));
        if (!c.key.isEmpty())
            q.setParameter(QStringLiteral("key"), c.key);
        q.open();
        int count = c.count;
        if (!c.key.isEmpty()) {
            Query all(&con);
            all.setSQL(QString::fromUtf8(c.sql));
            all.setParameter(QStringLiteral("key"), c.key);
            all.open();
            count = all.recordCount();
            ASSERT_GT(count, Query::FetchBatch);
        }
        EXPECT_EQ(q.rows(), qMin(count, int(Query::FetchBatch)));
        EXPECT_EQ(q.canFetchMore(), count > Query::FetchBatch);
        EXPECT_EQ(q.recordCount(), count);
        EXPECT_EQ(q.rows(), qMin(count, int(Query::FetchBatch))) << "counting reads no rows";
        EXPECT_FALSE(q.isEmpty());

        QSignalSpy fetched(&q, &Query::rowsAboutToBeFetched);
        // Stepping past the rows read reads the next ones.
        q.moveTo(q.rows() - 1);
        q.next();
        EXPECT_EQ(q.recNo(), qMin(count, int(Query::FetchBatch) + 1));
        EXPECT_EQ(fetched.size(), count > Query::FetchBatch ? 1 : 0);
        if (count > Query::FetchBatch) {
            EXPECT_EQ(fetched.at(0).at(0).toInt(), Query::FetchBatch);
            EXPECT_EQ(q.rows(), 2 * Query::FetchBatch);
        }
        // Moving to a row reads up to it; the last one reads everything.
        q.moveTo(count - 2);
        EXPECT_EQ(q.recNo(), count - 1);
        q.last();
        EXPECT_EQ(q.rows(), count);
        EXPECT_FALSE(q.canFetchMore());
        EXPECT_TRUE(q.eof());
        EXPECT_EQ(q.recordCount(), count);
        QStringList numbers;
        for (int r = 0; r < q.rows(); ++r)
            numbers << q.textAt(r, 0);
        QStringList expected;
        Query all(&con);
        all.setSQL(QString::fromUtf8(c.sql));
        if (!c.key.isEmpty())
            all.setParameter(QStringLiteral("key"), c.key);
        all.open();
        for (int r = 0; r < all.rows(); ++r)
            expected << all.textAt(r, 0);
        EXPECT_EQ(numbers, expected) << "every row once, in order";
    }
}

TEST_F(QueryTest, AResultReadOnDemandLetsItsConnectionCloseAndAppendsAfterEveryRow)
{
    exec(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<1000) "
                       "INSERT INTO CRJL(卡片内码) SELECT printf('%08X', i) FROM n"));
    Query q(&con);
    q.setFetchOnDemand(true);
    q.setSQL(QStringLiteral("select * from CRJL order by 序号"));
    q.open();
    ASSERT_TRUE(q.canFetchMore());
    // The statement still reading does not keep the file: closing ends it with the connection.
    con.disconnect();
    EXPECT_FALSE(q.isActive());
    EXPECT_FALSE(q.canFetchMore());
    EXPECT_FALSE(con.connected());

    q.open();
    q.append();
    EXPECT_EQ(q.rows(), 1001) << "the new record comes after all rows of the result";
    q.fieldByName(QStringLiteral("卡片内码")).setAsString(QStringLiteral("ABCDEF12"));
    q.post();
    EXPECT_EQ(q.recordCount(), 1001);
    EXPECT_EQ(q.fieldByName(QStringLiteral("序号")).asInteger(), 1001);
}

// A result read by page: every row has its place at once, a row is read with its page when it
// is looked at, and moving, editing, deleting and appending work anywhere in it.
TEST_F(QueryTest, AResultReadByPageReadsOnlyThePagesItsRowsAreAskedFrom)
{
    constexpr int B = Query::FetchBatch;
    exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<%1) "
                        "INSERT INTO CZdata(车辆编号, 卡片内码, 车主姓名) "
                        "SELECT 5000 - i, printf('C%07X', i), 'n' || i FROM n")
             .arg(10 * B + 17));
    const struct
    {
        const char *sql;
        QString key; // bound as :key when set
        bool selectsByName;
    } cases[] = {
        {"select * from CZdata order by 车辆编号;", {}, false},
        {"select * from CZdata where 车主姓名 like :key", QStringLiteral("%1%"), true},
    };
    const int code = 2; // 卡片内码 in select *
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        auto prepare = [&](Query &q) {
            q.setSQL(QString::fromUtf8(c.sql));
            if (!c.key.isEmpty())
                q.setParameter(QStringLiteral("key"), c.key);
        };
        auto expected = [&] {
            Query all(&con);
            prepare(all);
            all.open();
            QStringList out;
            for (int r = 0; r < all.rows(); ++r)
                out << all.textAt(r, code);
            return out;
        };
        QStringList want = expected();
        const int count = int(want.size());
        ASSERT_GT(count, 4 * B);

        Query q(&con);
        q.setFetchByPage(true);
        prepare(q);
        RowCounter stepped(con);
        q.open();
        EXPECT_LE(stepped.take(), B + 2) << "the first page and the count";
        EXPECT_EQ(q.rows(), count);
        EXPECT_EQ(q.recordCount(), count);
        EXPECT_FALSE(q.canFetchMore());
        EXPECT_EQ(q.textAt(B - 1, code), want.at(B - 1));
        EXPECT_EQ(stepped.take(), 0) << "a row of the first page is there";

        EXPECT_EQ(q.textAt(B, code), want.at(B));
        EXPECT_EQ(q.textAt(2 * B - 1, code), want.at(2 * B - 1));
        EXPECT_EQ(stepped.take(), B) << "one page read for a row beyond the first";
        q.last();
        EXPECT_TRUE(q.eof());
        EXPECT_EQ(q.recNo(), count);
        EXPECT_EQ(q.fieldByName(QStringLiteral("卡片内码")).asString(), want.last());
        EXPECT_LE(stepped.take(), B) << "the last page only";

        // Editing a record far down writes it through. A change of what the statement selects
        // or orders by (the record leaves the search) reads the rest first, so that no row is
        // then read into another's place.
        const int far = 3 * B + 5;
        q.moveTo(far);
        q.edit();
        q.fieldByName(QStringLiteral("车主姓名")).setAsString(QStringLiteral("改"));
        q.post();
        if (c.selectsByName)
            EXPECT_GT(stepped.take(), count - 2 * B);
        else
            EXPECT_LE(stepped.take(), B + 1);
        EXPECT_EQ(column(QStringLiteral("select 车主姓名 from CZdata where 卡片内码='%1'")
                             .arg(want.at(far))),
                  QStringList{QStringLiteral("改")});
        // Deleting one moves the rows below it up, those read and those still to read.
        q.moveTo(far + 1);
        q.deleteRecord();
        want.removeAt(far + 1);
        EXPECT_EQ(q.rows(), count - 1);
        EXPECT_EQ(q.textAt(far + 1, code), want.at(far + 1));
        EXPECT_EQ(q.textAt(4 * B + 7, code), want.at(4 * B + 7));
        // A new record comes after every row.
        q.append();
        EXPECT_EQ(q.rows(), count);
        EXPECT_EQ(q.recNo(), count);
        q.fieldByName(QStringLiteral("卡片内码")).setAsString(QStringLiteral("ABCDEF12"));
        q.post();
        EXPECT_EQ(q.textAt(count - 1, code), QStringLiteral("ABCDEF12"));

        // fetchAll reads the rest in one run: every row as a result held whole has it.
        q.first();
        q.fetchAll();
        stepped.take();
        QStringList got;
        for (int r = 0; r < q.rows() - 1; ++r)
            got << q.textAt(r, code);
        EXPECT_EQ(stepped.take(), 0) << "nothing left to read";
        EXPECT_EQ(got, want);
        exec(QStringLiteral("delete from CZdata where 卡片内码='ABCDEF12'"));
        exec(QStringLiteral("update CZdata set 车主姓名='n' || (5000 - 车辆编号) "
                            "where 车主姓名='改'"));
    }

    // A small result and one with a limit of its own are read whole.
    for (const char *sql : {"select * from CZdata where 车辆编号 > 4990", "select * from CZdata "
                                                                          "limit 600"}) {
        Query q(&con);
        q.setFetchByPage(true);
        q.setSQL(QString::fromUtf8(sql));
        q.open();
        EXPECT_EQ(q.rows(), q.recordCount()) << sql;
        for (int r = 0; r < q.rows(); ++r)
            ASSERT_FALSE(q.textAt(r, code).isEmpty()) << sql << " row " << r;
    }
}

} // namespace
