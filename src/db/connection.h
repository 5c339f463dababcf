#pragma once
// The connection to the encrypted database file. It is not kept open: the first query that opens
// connects it, and it closes by itself when the last open query closes, so that the file is free
// (for compaction, backup and restore) whenever no query is open. disconnect() closes every query
// that uses it first.
#include <QHash>
#include <QList>
#include <QString>
#include <functional>

struct sqlite3;
struct sqlite3_stmt;
class Query;

namespace db {

// The database password; it is the file's encryption key.
inline constexpr char DatabasePassword[] = "580274";

// Owns an open database handle.
class Handle
{
public:
    Handle() = default;
    explicit Handle(sqlite3 *db)
        : m_db(db)
    {}
    Handle(Handle &&other) noexcept
        : m_db(other.release())
    {}
    Handle &operator=(Handle &&other) noexcept;
    ~Handle();
    sqlite3 *get() const { return m_db; }
    sqlite3 *release();
    void reset();
    explicit operator bool() const { return m_db != nullptr; }

private:
    sqlite3 *m_db = nullptr;
};

// How long a statement waits for another connection's lock before it fails "database is locked".
constexpr int BusyTimeoutMs = 2000;

// A writer of this process that keeps its write transaction open between turns of the event
// loop (the passage import) registers how to end it: a connection of the process that waits for
// the file's lock then has it ended at once (`yield` commits and returns true; false when there
// was nothing to end) instead of waiting. Only a wait on the thread that registered it asks.
// An empty function unregisters.
void setLockHolder(std::function<bool()> yield);

// Opens an existing file with the password and proves the key by reading the schema; throws
// DbError with the engine's text (missing file, wrong password, not a database).
Handle openDatabase(const QString &path, const QString &password, bool readOnly = false);
// Creates a new, empty encrypted file (the file must not exist yet).
Handle createDatabase(const QString &path, const QString &password);

// Runs statements without rows (several, separated by ';'); throws DbError.
void exec(sqlite3 *db, const QString &sql);

// The engine's message for the last failure on db.
QString lastError(sqlite3 *db);
// An engine message with the operator's Chinese explanation in front, for the failures an
// operator meets (a locked file, a full disk, a read-only file …); other texts as they are.
QString explained(const QString &engineText);

// A prepared statement that finalizes itself.
class Statement
{
public:
    Statement(sqlite3 *db, const QString &sql); // throws DbError
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement();
    sqlite3_stmt *get() const { return m_stmt; }
    // One step; true while a row is there, false at the end; throws DbError.
    bool step();

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

} // namespace db

class Connection
{
public:
    Connection() = default;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection();

    // What the connection opens; takes effect at the next connect.
    void setDatabase(const QString &path,
                     const QString &password = QString::fromLatin1(db::DatabasePassword));
    QString databasePath() const { return m_path; }

    bool connected() const { return bool(m_db); }
    // Opens the file now (throws DbError); it stays open until the last open query closes or
    // disconnect() is called.
    void connect();
    // Closes every query that uses the connection, then the file.
    void disconnect();

    // The open handle, connecting first when needed.
    sqlite3 *handle();

    // Runs a statement without result rows on the connection; returns the number of changed
    // rows. A connection opened just for it is closed again when no query holds it.
    int execute(const QString &sql);

    // The primary key column of a table (empty when it has none), cached per table.
    QString primaryKey(const QString &table);

    // The handle for a few statements run outside any query: connects when needed and, when it
    // did, closes the file again at the end of the scope unless a query opened meanwhile holds it.
    class Use
    {
    public:
        explicit Use(Connection &connection);
        ~Use();
        Use(const Use &) = delete;
        Use &operator=(const Use &) = delete;
        sqlite3 *handle() const { return m_handle; }

    private:
        Connection &m_connection;
        bool m_wasConnected;
        sqlite3 *m_handle;
    };

private:
    friend class Query;
    void attach(Query *q);
    void detach(Query *q);
    void queryOpened();
    void queryClosed();
    void closeHandle();

    QString m_path;
    QString m_password = QString::fromLatin1(db::DatabasePassword);
    db::Handle m_db;
    QList<Query *> m_queries;
    int m_openQueries = 0;
    QHash<QString, QString> m_keys;
};
