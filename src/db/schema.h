#pragma once
// The four tables of the database file.
//
// CZdata.车辆编号 is an INTEGER so that "order by 车辆编号" is numeric; the query layer shows it
// as "%.4d" text. CZdata.卡片内码 is NOT NULL, UNIQUE and non-empty: saving a card that is already
// registered, or a record without a card code, is refused by the database itself, and the card
// tab relies on that refusal. The widths the program's own fields impose are CHECK constraints,
// so an over-long value is refused at post with the engine's text instead of being cut.
// CRJL keeps its column order: the passage import writes columns 8 to 10 by position.
#include <QStringList>

struct sqlite3;

namespace schema {

// users, usersmm, CZdata, CRJL
QStringList tableNames();
// Creates the tables and indexes in an empty database; throws DbError.
void create(sqlite3 *db);
// True when all four tables exist.
bool hasAllTables(sqlite3 *db);
// True when the four tables have exactly the columns create() makes (names, declared types and
// the key, in that order): the windows find their fields by name, and the passage import writes
// by position. Throws DbError when the schema cannot be read.
bool hasProgramColumns(sqlite3 *db);

} // namespace schema
