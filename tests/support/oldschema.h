#pragma once
// Database files as the program wrote them before the schema had a version number: card codes
// compared with regard to case. Migration and restore tests start from one.
#include "db/connection.h"

#include <QString>

namespace testsupport {

// Makes a keyed file at path with the four tables of schema version 0 and runs extraSql in it.
inline void makeVersion0Database(const QString &path, const QString &extraSql = {})
{
    db::Handle h = db::createDatabase(path, QString::fromLatin1(db::DatabasePassword));
    db::exec(h.get(), QStringLiteral(R"sql(
CREATE TABLE users (id INTEGER PRIMARY KEY AUTOINCREMENT, user_name TEXT CHECK (length(user_name) <= 20),
  user_pass TEXT CHECK (length(user_pass) <= 50), user_type TEXT CHECK (length(user_type) <= 50));
CREATE TABLE usersmm (id INTEGER PRIMARY KEY AUTOINCREMENT, old_word TEXT CHECK (length(old_word) <= 6),
  new_word TEXT CHECK (length(new_word) <= 6), pass_word TEXT CHECK (length(pass_word) <= 6));
CREATE TABLE CZdata (id INTEGER PRIMARY KEY AUTOINCREMENT, 车辆编号 INTEGER,
  卡片内码 TEXT NOT NULL UNIQUE CHECK (length(卡片内码) BETWEEN 1 AND 8), 车主姓名 TEXT, 车牌号码 TEXT,
  汽车类型 TEXT DEFAULT '小汽车', 车主手机 TEXT, 车辆信息 TEXT, 车场车位 TEXT, 卡片有效期限 TEXT, 住址 TEXT,
  卡片状态 TEXT DEFAULT '');
CREATE INDEX CZdata_车辆编号 ON CZdata(车辆编号);
CREATE TABLE CRJL (序号 INTEGER PRIMARY KEY AUTOINCREMENT, 卡片内码 TEXT, 车主姓名 TEXT, 车牌号码 TEXT,
  进出时间 TEXT, 进出状态 TEXT, 读卡地址 TEXT, 门号 TEXT, 通道号 TEXT, 记录原文 TEXT);
CREATE INDEX CRJL_卡片内码 ON CRJL(卡片内码);
INSERT INTO users (user_name, user_pass, user_type) VALUES ('admin', 'admin1', '管理员');
INSERT INTO usersmm (old_word, new_word, pass_word) VALUES ('123456', '123456', '123456');
)sql"));
    if (!extraSql.isEmpty())
        db::exec(h.get(), extraSql);
}

} // namespace testsupport
