#include "db/sqltext.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *what;
    const char *jet;
    const char *sqlite;
};

const Case cases[] = {
    {"trailing semicolon", "select * from users;", "select * from users"},
    {"trailing blanks after delete *", "delete * from CRJL where 1=1  ",
     "delete from CRJL where 1=1"},
    {"delete without star", "delete from CRJL where 序号=3", "delete from CRJL where 序号=3"},
    {"double-quoted like literal, keyword right after it",
     "select * from CZdata where 卡片内码 like \"%1B%\"or id=2",
     "select * from CZdata where 卡片内码 like '%1B%'or id=2"},
    {"apostrophe inside a double-quoted literal", "select * from t where a = \"it's\"",
     "select * from t where a = 'it''s'"},
    {"doubled double quote inside a literal", "select * from t where a = \"say \"\"hi\"\"\"",
     "select * from t where a = 'say \"hi\"'"},
    {"single-quoted literal untouched", "select * from t where a = 'x \"y\" startrq'",
     "select * from t where a = 'x \"y\" startrq'"},
    {"bracket identifiers kept", "select * from [CZdata] where [卡片内码]=\"0A\"",
     "select * from [CZdata] where [卡片内码]='0A'"},
    {"bare parameters get a colon",
     "select * from CZdata where 卡片有效期限 < startrq and x <= ENDRQ",
     "select * from CZdata where 卡片有效期限 < :startrq and x <= :ENDRQ"},
    {"colon parameters unchanged",
     "select * from CZdata where 卡片有效期限 >=:startrq and 卡片有效期限 <=:endrq",
     "select * from CZdata where 卡片有效期限 >=:startrq and 卡片有效期限 <=:endrq"},
    {"qualified column named like a parameter", "select cj.startrq from t as cj",
     "select cj.startrq from t as cj"},
    {"right join becomes left join with the sides swapped",
     "select cj.序号,cj.卡片内码,cz.车主姓名 from CRJL as cj right join CZdata as cz on "
     "cj.卡片内码=cz.卡片内码 order by 序号",
     "select cj.序号,cj.卡片内码,cz.车主姓名 from CZdata as cz left join CRJL as cj on "
     "cj.卡片内码=cz.卡片内码 order by 序号"},
    {"right outer join with a where clause and bare parameters",
     "select * from CRJL cj RIGHT OUTER JOIN CZdata cz on cj.卡片内码 = cz.卡片内码 where  "
     "cj.进出时间 >= startrq",
     "select * from CZdata cz left join CRJL cj on cj.卡片内码 = cz.卡片内码 where  "
     "cj.进出时间 >= :startrq"},
    {"keywords inside a literal untouched",
     "select * from t where a like \"%right join b on%\" or b = \"delete * from\"",
     "select * from t where a like '%right join b on%' or b = 'delete * from'"},
    {"unterminated literal left for the engine", "select * from t where a = \"abc",
     "select * from t where a = \"abc"},
    {"positional parameter kept", "select * from CZdata where 车主姓名 like '%' || ? || '%';",
     "select * from CZdata where 车主姓名 like '%' || ? || '%'"},
};

TEST(SqlText, TranslatesJetStatementsForSqlite)
{
    for (const Case &c : cases) {
        EXPECT_EQ(sqltext::toSqlite(QString::fromUtf8(c.jet)).toStdString(), std::string(c.sqlite))
            << c.what;
    }
}

} // namespace
