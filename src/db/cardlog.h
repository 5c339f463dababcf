#pragma once
// The card history, table CardLog: one row for every operation on a card or an owner record,
// kept after the record is deleted, through compactions, backups and restores.
//
// The rows of changes to CZdata are written by temporary triggers that install() puts on each
// connection of the program, so a row is part of the very transaction of the change it records:
// a change that fails leaves no row of its own, and a row never speaks of a change that was not
// made. What the triggers cannot see, the program tells them beforehand through an Operation
// (single or batch issue, extension, loss …, and the gate groups written); a change without one
// is an edit, an addition or a deletion of an owner record. An operation that changed nothing
// (a refused duplicate, a save that failed, a restore) gets its row from append().
//
// Rows are never changed (a trigger refuses an UPDATE of CardLog); an administrator may delete
// the history of a card (the window asks the role).
#include "db/ownerarchive.h"

#include <QDate>
#include <QString>

class Connection;
struct sqlite3;

namespace cardlog {

// Registers the functions the triggers use (time from the clock seam, the logged-in account, the
// current operation) and creates the triggers, on a handle of the program's database file. Does
// nothing on a file without the tables (an empty or foreign file: its use fails elsewhere with
// its own message).
void install(sqlite3 *db);

// The operation that the changes of CZdata made while it lives belong to (one at a time; the
// innermost counts).
class Operation
{
public:
    explicit Operation(const QString &name, const QString &gateGroups = QString());
    ~Operation();
    Operation(const Operation &) = delete;
    Operation &operator=(const Operation &) = delete;

private:
    QString m_previousName;
    QString m_previousGroups;
};

// A row for an operation that changed no record.
struct Entry
{
    QString operation;
    QString cardCode;
    QString vehicleNumber;
    QString plate;
    QString validityBefore;
    QString validityAfter;
    QString gateGroups;
    QString outcome; // texts::db::history::Saved or NotSaved with the reason
};
void append(Connection &connection, const Entry &entry); // throws DbError
void append(sqlite3 *db, const Entry &entry);            // throws DbError

// What the history window looks for; empty texts and null dates do not restrict.
struct Search
{
    QString cardCode; // contains, without regard to case
    QString plate;    // contains
    QString account;  // exactly
    QDate from;
    QDate to; // inclusive
};
// Newest first.
owners::Selection selection(const Search &search);

// Deletes the history of one card (the whole code, without regard to case); the number of rows
// deleted. Throws DbError.
int deleteHistoryOf(Connection &connection, const QString &cardCode);

// "yyyy-MM-dd hh:mm:ss", the form of 操作时间 (orders like the time).
QString timeText(const QDateTime &time);

} // namespace cardlog
