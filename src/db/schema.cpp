#include "db/schema.h"

#include "db/connection.h"

#include <QHash>
#include <QList>
#include <sqlite3.h>

namespace schema {

namespace {

struct Column
{
    QString name;
    QString type;
    int key = 0;
    // Names and types are compared as the engine compares them, without regard to case.
    bool operator==(const Column &other) const
    {
        return name.compare(other.name, Qt::CaseInsensitive) == 0 &&
               type.compare(other.type, Qt::CaseInsensitive) == 0 && key == other.key;
    }
};

QString textColumn(sqlite3_stmt *st, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, column)));
}

QList<Column> columnsOf(sqlite3 *db, const QString &table)
{
    // The names are our own four; the pragma takes no parameters.
    db::Statement st(db, QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
    QList<Column> columns;
    while (st.step())
        columns.append(
            {textColumn(st.get(), 1), textColumn(st.get(), 2), sqlite3_column_int(st.get(), 5)});
    return columns;
}

// The columns of each table as create() makes them, read back from a database in memory so
// that the schema is written down once.
const QHash<QString, QList<Column>> &programColumns()
{
    static const QHash<QString, QList<Column>> columns = [] {
        sqlite3 *raw = nullptr;
        sqlite3_open(":memory:", &raw);
        db::Handle memory(raw);
        create(memory.get());
        QHash<QString, QList<Column>> out;
        for (const QString &table : tableNames())
            out.insert(table, columnsOf(memory.get(), table));
        return out;
    }();
    return columns;
}

} // namespace

QStringList tableNames()
{
    return {QStringLiteral("users"), QStringLiteral("usersmm"), QStringLiteral("CZdata"),
            QStringLiteral("CRJL")};
}

void create(sqlite3 *db)
{
    db::exec(db, QStringLiteral(R"sql(
BEGIN;
CREATE TABLE users (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  user_name TEXT CHECK (length(user_name) <= 20),
  user_pass TEXT CHECK (length(user_pass) <= 50),
  user_type TEXT CHECK (length(user_type) <= 50)
);
CREATE TABLE usersmm (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  old_word TEXT CHECK (length(old_word) <= 6),
  new_word TEXT CHECK (length(new_word) <= 6),
  pass_word TEXT CHECK (length(pass_word) <= 6)
);
CREATE TABLE CZdata (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  车辆编号 INTEGER,
  卡片内码 TEXT NOT NULL UNIQUE CHECK (length(卡片内码) BETWEEN 1 AND 8),
  车主姓名 TEXT,
  车牌号码 TEXT,
  汽车类型 TEXT DEFAULT '小汽车',
  车主手机 TEXT,
  车辆信息 TEXT,
  车场车位 TEXT,
  卡片有效期限 TEXT,
  住址 TEXT,
  卡片状态 TEXT DEFAULT ''
);
CREATE INDEX CZdata_车辆编号 ON CZdata(车辆编号);
CREATE TABLE CRJL (
  序号 INTEGER PRIMARY KEY AUTOINCREMENT,
  卡片内码 TEXT,
  车主姓名 TEXT,
  车牌号码 TEXT,
  进出时间 TEXT,
  进出状态 TEXT,
  读卡地址 TEXT,
  门号 TEXT,
  通道号 TEXT,
  记录原文 TEXT
);
CREATE INDEX CRJL_卡片内码 ON CRJL(卡片内码);
COMMIT;
)sql"));
}

bool hasAllTables(sqlite3 *db)
{
    for (const QString &table : tableNames()) {
        db::Statement st(
            db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?"));
        const QByteArray name = table.toUtf8();
        sqlite3_bind_text(st.get(), 1, name.constData(), name.size(), SQLITE_TRANSIENT);
        if (!st.step())
            return false;
    }
    return true;
}

bool hasProgramColumns(sqlite3 *db)
{
    for (const QString &table : tableNames()) {
        if (columnsOf(db, table) != programColumns().value(table))
            return false;
    }
    return true;
}

} // namespace schema
