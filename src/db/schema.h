#pragma once
// The tables of the database file: the four every version has, the passage archive CRJLDA
// (version 3 on, see passages/passagearchive.h) and the card history CardLog (version 4 on, see
// db/cardlog.h).
//
// CZdata.车辆编号 is an INTEGER so that "order by 车辆编号" is numeric; the query layer shows it
// as "%.4d" text. CZdata.卡片内码 is NOT NULL, UNIQUE and non-empty: saving a card that is already
// registered, or a record without a card code, is refused by the database itself, and the card
// tab relies on that refusal. The widths the program's own fields impose are CHECK constraints,
// so an over-long value is refused at post with the engine's text instead of being cut.
// CRJL keeps its column order: the passage import writes columns 8 to 10 by position.
// Card codes (the 卡片内码 columns) compare without regard to case and keep the text as stored.
//
// The schema has a version number (PRAGMA user_version); files of an older version are brought
// up to date by migrate(), one step per version, at start and after a restore. A later change to
// the schema raises CurrentVersion, changes create() and adds its step.
#include <QStringList>

struct sqlite3;

namespace schema {

// users, usersmm, CZdata, CRJL, CRJLDA, CardLog
QStringList tableNames();
// Version 3 added the passage archive, version 4 the card history. A file of any version is
// recognised by the four tables every version holds before it is migrated.
constexpr int CurrentVersion = 4;

// Creates the tables and indexes of the current version in an empty database; throws DbError.
void create(sqlite3 *db);
// The file's schema version (0 for files made before versions were kept).
int version(sqlite3 *db);
// Brings an older file up to the current version; true when it changed anything. Throws DbError
// (with a text for the operator) when a step cannot be applied, leaving the file as it was, and
// for a file of a newer version.
bool migrate(sqlite3 *db);
// True when the tables that files of every version have exist (a file of ours, perhaps of
// an older version).
bool hasAllTables(sqlite3 *db);
// True when the tables have exactly the columns create() makes (names, declared types and the
// key, in that order; a table a later version added only in files of that version or newer): the
// windows find their fields by name, and the passage import writes by position. Throws DbError
// when the schema cannot be read.
bool hasProgramColumns(sqlite3 *db);

} // namespace schema
