#include "db/schema.h"

#include "common/passwordhash.h"
#include "db/connection.h"
#include "db/dberror.h"

#include <QHash>
#include <QList>
#include <QPair>
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

// The passage archive: the rows of every import, kept when CRJL is emptied. A passage is the
// same one when card, time, reader address and direction agree, so that importing a stick
// again adds nothing; 时间异常 holds why a row's time is not to be trusted (empty when it is).
// The indexes serve the passage window's searches (by card, by plate, by time, only the
// flagged rows), the per-day counts and the import's look at each controller's latest time.
const char ArchiveTable[] = R"sql(
CREATE TABLE CRJLDA (
  序号 INTEGER PRIMARY KEY AUTOINCREMENT,
  卡片内码 TEXT COLLATE NOCASE,
  车主姓名 TEXT,
  车牌号码 TEXT,
  进出时间 TEXT,
  进出状态 TEXT,
  读卡地址 TEXT,
  门号 TEXT,
  通道号 TEXT,
  记录原文 TEXT,
  时间异常 TEXT NOT NULL DEFAULT ''
);
CREATE UNIQUE INDEX CRJLDA_同一记录 ON CRJLDA(卡片内码, 进出时间, 读卡地址, 进出状态);
CREATE INDEX CRJLDA_车牌号码 ON CRJLDA(车牌号码, 进出时间);
CREATE INDEX CRJLDA_进出时间 ON CRJLDA(进出时间, 进出状态);
CREATE INDEX CRJLDA_读卡地址 ON CRJLDA(读卡地址, 进出时间);
CREATE INDEX CRJLDA_时间异常 ON CRJLDA(进出时间) WHERE 时间异常 <> '';
)sql";

QString textColumn(sqlite3_stmt *st, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, column)));
}

QList<Column> columnsOf(sqlite3 *db, const QString &table)
{
    // The names are our own; the pragma takes no parameters.
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

// The card history (db/cardlog.h): one row per operation on a card or an owner record.
QString cardLogTable()
{
    return QStringLiteral(R"sql(
CREATE TABLE CardLog (
  序号 INTEGER PRIMARY KEY AUTOINCREMENT,
  操作时间 TEXT NOT NULL,
  操作员 TEXT,
  操作 TEXT NOT NULL,
  卡片内码 TEXT COLLATE NOCASE,
  车辆编号 INTEGER,
  车牌号码 TEXT,
  原有效期限 TEXT,
  新有效期限 TEXT,
  原卡片状态 TEXT,
  新卡片状态 TEXT,
  门组 TEXT,
  结果 TEXT
);
CREATE INDEX CardLog_卡片内码 ON CardLog(卡片内码);
CREATE INDEX CardLog_操作时间 ON CardLog(操作时间);
)sql");
}

} // namespace

QStringList tableNames()
{
    return {QStringLiteral("users"), QStringLiteral("usersmm"), QStringLiteral("CZdata"),
            QStringLiteral("CRJL"),  QStringLiteral("CRJLDA"),  QStringLiteral("CardLog")};
}

void create(sqlite3 *db)
{
    db::exec(db, QStringLiteral(R"sql(
BEGIN;
CREATE TABLE users (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  user_name TEXT CHECK (length(user_name) <= 20),
  user_pass TEXT CHECK (length(user_pass) <= 128),
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
  卡片内码 TEXT NOT NULL UNIQUE COLLATE NOCASE CHECK (length(卡片内码) BETWEEN 1 AND 8),
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
  卡片内码 TEXT COLLATE NOCASE,
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
)sql"));
    try {
        db::exec(db, QString::fromUtf8(ArchiveTable));
        db::exec(db, cardLogTable());
        db::exec(db, QStringLiteral("PRAGMA user_version = %1; COMMIT;").arg(CurrentVersion));
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

int version(sqlite3 *db)
{
    db::Statement st(db, QStringLiteral("PRAGMA user_version"));
    return st.step() ? sqlite3_column_int(st.get(), 0) : 0;
}

namespace {

// Card codes of CZdata that differ only in case: the archive cannot hold them once codes are
// compared without regard to case.
QStringList caseDuplicates(sqlite3 *db)
{
    db::Statement st(db, QStringLiteral("SELECT group_concat(卡片内码, '/') FROM "
                                        "(SELECT 卡片内码 FROM CZdata ORDER BY id) "
                                        "GROUP BY upper(卡片内码) HAVING count(*) > 1"));
    QStringList out;
    while (st.step())
        out << textColumn(st.get(), 0);
    return out;
}

// Version 0 to 1: card codes are hexadecimal text, compared without regard to case (an issuer may
// answer in lower case, a gate controller may write either). The two tables are rebuilt with the
// collation on their card-code columns; the rows and their ids stay as they are.
void toVersion1(sqlite3 *db)
{
    const QStringList duplicates = caseDuplicates(db);
    if (!duplicates.isEmpty())
        throw DbError(QStringLiteral(
                          "卡片内码只有大小写不同的档案重复登记：%1。请在车主档案中删除多余的一条，"
                          "然后重新启动程序。")
                          .arg(duplicates.join(QStringLiteral("，"))));
    db::exec(db, QStringLiteral(R"sql(
CREATE TABLE CZdata_new (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  车辆编号 INTEGER,
  卡片内码 TEXT NOT NULL UNIQUE COLLATE NOCASE CHECK (length(卡片内码) BETWEEN 1 AND 8),
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
INSERT INTO CZdata_new SELECT * FROM CZdata;
DROP TABLE CZdata;
ALTER TABLE CZdata_new RENAME TO CZdata;
CREATE INDEX CZdata_车辆编号 ON CZdata(车辆编号);
CREATE TABLE CRJL_new (
  序号 INTEGER PRIMARY KEY AUTOINCREMENT,
  卡片内码 TEXT COLLATE NOCASE,
  车主姓名 TEXT,
  车牌号码 TEXT,
  进出时间 TEXT,
  进出状态 TEXT,
  读卡地址 TEXT,
  门号 TEXT,
  通道号 TEXT,
  记录原文 TEXT
);
INSERT INTO CRJL_new SELECT * FROM CRJL;
DROP TABLE CRJL;
ALTER TABLE CRJL_new RENAME TO CRJL;
CREATE INDEX CRJL_卡片内码 ON CRJL(卡片内码);
)sql"));
}

// Version 1 to 2: login passwords are stored as hashes, longer than the clear passwords the
// column was made for; the clear ones are hashed here.
void toVersion2(sqlite3 *db)
{
    db::exec(db, QStringLiteral(R"sql(
CREATE TABLE users_new (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  user_name TEXT CHECK (length(user_name) <= 20),
  user_pass TEXT CHECK (length(user_pass) <= 128),
  user_type TEXT CHECK (length(user_type) <= 50)
);
INSERT INTO users_new SELECT * FROM users;
DROP TABLE users;
ALTER TABLE users_new RENAME TO users;
)sql"));
    QList<QPair<qint64, QString>> clear;
    {
        db::Statement st(db, QStringLiteral("SELECT id, user_pass FROM users"));
        while (st.step()) {
            const QString stored = textColumn(st.get(), 1);
            if (!passwordhash::isHash(stored))
                clear.append({sqlite3_column_int64(st.get(), 0), stored});
        }
    }
    for (const auto &[id, password] : clear) {
        db::Statement update(db, QStringLiteral("UPDATE users SET user_pass = ? WHERE id = ?"));
        const QByteArray hashed = passwordhash::hash(password).toUtf8();
        sqlite3_bind_text(update.get(), 1, hashed.constData(), int(hashed.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_int64(update.get(), 2, id);
        update.step();
    }
}

// Version 2 to 3: the passage archive. It starts empty: CRJL held only the rows of an import in
// progress, which the next import brings again.
void toVersion3(sqlite3 *db)
{
    db::exec(db, QString::fromUtf8(ArchiveTable));
}

// Version 3 to 4: the card history.
void toVersion4(sqlite3 *db)
{
    db::exec(db, cardLogTable());
}

} // namespace

bool migrate(sqlite3 *db)
{
    const int from = version(db);
    if (from > CurrentVersion)
        throw DbError(QStringLiteral("数据库来自更新版本的程序（版本%1），本程序只认识到版本%2。")
                          .arg(from)
                          .arg(CurrentVersion));
    if (from == CurrentVersion)
        return false;
    // Each step and its version number in one transaction: a step that fails leaves the file as
    // it was. The sequence numbers of the AUTOINCREMENT tables go with the rows.
    using Step = void (*)(sqlite3 *);
    const Step steps[] = {toVersion1, toVersion2, toVersion3, toVersion4};
    for (int v = from; v < CurrentVersion; ++v) {
        db::exec(db, QStringLiteral("BEGIN IMMEDIATE"));
        try {
            steps[v](db);
            db::exec(db, QStringLiteral("PRAGMA user_version = %1").arg(v + 1));
            db::exec(db, QStringLiteral("COMMIT"));
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
    return true;
}

namespace {

// The tables a later version added, and that version: a file of an older version is without
// them until it is migrated.
int versionThatAdded(const QString &table)
{
    if (table == QStringLiteral("CRJLDA"))
        return 3;
    return table == QStringLiteral("CardLog") ? 4 : 0;
}

} // namespace

bool hasAllTables(sqlite3 *db)
{
    for (const QString &table : tableNames()) {
        if (versionThatAdded(table) > 0)
            continue;
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
    const int fileVersion = version(db);
    for (const QString &table : tableNames()) {
        if (versionThatAdded(table) > fileVersion)
            continue;
        if (columnsOf(db, table) != programColumns().value(table))
            return false;
    }
    return true;
}

} // namespace schema
