#include "db/connection.h"

#include "db/cardlog.h"
#include "db/dberror.h"
#include "db/query.h"

#include <QFile>
#include <QThread>
#include <algorithm>
#include <iterator>
#include <sqlite3.h>

namespace db {

Handle &Handle::operator=(Handle &&other) noexcept
{
    if (this != &other) {
        reset();
        m_db = other.release();
    }
    return *this;
}

Handle::~Handle()
{
    reset();
}

sqlite3 *Handle::release()
{
    sqlite3 *db = m_db;
    m_db = nullptr;
    return db;
}

void Handle::reset()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

QString explained(const QString &engineText)
{
    // The engine's common failures, told in the operator's words; its own text follows for
    // support.
    static const struct
    {
        const char *engine;
        const char *chinese;
    } known[] = {
        {"database is locked", "数据库文件正被其他程序使用，请稍后再试。"},
        {"database table is locked", "数据库文件正被其他程序使用，请稍后再试。"},
        {"database or disk is full", "磁盘已满，数据未能保存。请清理磁盘后再试。"},
        {"unable to open database file", "无法打开数据库文件：文件夹不存在、无权访问或磁盘已满。"},
        {"attempt to write a readonly database", "数据库文件是只读的，数据未能保存。"},
        {"disk I/O error", "磁盘读写错误，数据未能保存。"},
        {"file is not a database", "文件不是本程序的数据库，或已损坏。"},
        {"database disk image is malformed", "数据库文件已损坏。"},
    };
    for (const auto &k : known) {
        if (engineText.contains(QLatin1String(k.engine)))
            return QString::fromUtf8(k.chinese) + QStringLiteral("\n（") + engineText +
                   QStringLiteral("）");
    }
    return engineText;
}

QString lastError(sqlite3 *db)
{
    return explained(db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory"));
}

namespace {

struct LockHolder
{
    std::function<bool()> yield;
    Qt::HANDLE thread = nullptr;
};

LockHolder &lockHolder()
{
    static LockHolder holder;
    return holder;
}

// sqlite3_busy_timeout()'s waits, with the holder of this process asked first.
int waitForLock(void *, int count)
{
    LockHolder &holder = lockHolder();
    if (holder.yield && holder.thread == QThread::currentThreadId() && holder.yield())
        return 1; // try again at once
    static const int delays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    constexpr int last = int(std::size(delays)) - 1;
    int waited = 0;
    for (int i = 0; i < count; ++i)
        waited += delays[std::min(i, last)];
    if (waited >= BusyTimeoutMs)
        return 0;
    const int delay = std::min(delays[std::min(count, last)], BusyTimeoutMs - waited);
    QThread::msleep(delay);
    return 1;
}

Handle openWithKey(const QString &path, const QString &password, int flags)
{
    sqlite3 *raw = nullptr;
    const QByteArray file = QFile::encodeName(path);
    // Each connection is used by one thread only, so it needs no lock of its own.
    const int rc = sqlite3_open_v2(file.constData(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Handle db(raw);
    if (rc != SQLITE_OK) {
        QString text = lastError(raw);
        if (rc == SQLITE_CANTOPEN)
            text += QStringLiteral(": ") + path;
        throw DbError(text);
    }
    sqlite3_extended_result_codes(raw, 1);
    // Another connection (the import's, a reader such as the sqlcipher tool or a backup) may
    // hold the file for a moment: wait for it rather than fail the statement at once.
    sqlite3_busy_handler(raw, waitForLock, nullptr);
    const QByteArray key = password.toUtf8();
    if (sqlite3_key(raw, key.constData(), key.size()) != SQLITE_OK)
        throw DbError(lastError(raw));
    return db;
}

} // namespace

void setLockHolder(std::function<bool()> yield)
{
    LockHolder &holder = lockHolder();
    holder.yield = std::move(yield);
    holder.thread = QThread::currentThreadId();
}

Handle openDatabase(const QString &path, const QString &password, bool readOnly)
{
    // sqlite3_open_v2 without CREATE fails for a missing file, which is what we want.
    Handle db =
        openWithKey(path, password, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    // The key is only checked when the first page is read.
    exec(db.get(), QStringLiteral("SELECT count(*) FROM sqlite_master"));
    // Decrypting is the main cost of a scan; keep up to 64 MiB of decrypted pages so that
    // repeated searches while the connection is open read from memory.
    exec(db.get(), QStringLiteral("PRAGMA cache_size = -65536"));
    return db;
}

Handle createDatabase(const QString &path, const QString &password)
{
    if (QFile::exists(path))
        throw DbError(QStringLiteral("file already exists: ") + path);
    return openWithKey(path, password, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

void exec(sqlite3 *db, const QString &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = message ? explained(QString::fromUtf8(message)) : lastError(db);
        sqlite3_free(message);
        throw DbError(text);
    }
}

Statement::Statement(sqlite3 *db, const QString &sql)
    : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), text.size() + 1, &m_stmt, nullptr) != SQLITE_OK) {
        const QString error = lastError(db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DbError(error);
    }
    if (!m_stmt) // only a comment or blanks
        throw DbError(QStringLiteral("empty statement"));
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw DbError(lastError(m_db));
}

} // namespace db

Connection::~Connection()
{
    for (Query *q : std::as_const(m_queries))
        q->m_connection = nullptr;
}

void Connection::setDatabase(const QString &path, const QString &password)
{
    m_path = path;
    m_password = password;
    m_keys.clear();
}

void Connection::connect()
{
    if (m_db)
        return;
    if (m_path.isEmpty())
        throw DbError(QStringLiteral("no database file is set"));
    db::Handle opened = db::openDatabase(m_path, m_password);
    // Every change of an owner record made on the program's connection writes its history.
    cardlog::install(opened.get());
    m_db = std::move(opened);
}

void Connection::disconnect()
{
    // Closing the last query closes the handle as well; close it anyway for a connection that
    // was opened without queries.
    const QList<Query *> queries = m_queries;
    for (Query *q : queries)
        q->close();
    closeHandle();
}

sqlite3 *Connection::handle()
{
    connect();
    return m_db.get();
}

int Connection::execute(const QString &sql)
{
    const Use use(*this);
    db::Statement st(use.handle(), sql);
    while (st.step()) {
    }
    return sqlite3_changes(use.handle());
}

Connection::Use::Use(Connection &connection)
    : m_connection(connection)
    , m_wasConnected(connection.connected())
    , m_handle(connection.handle())
{}

Connection::Use::~Use()
{
    if (!m_wasConnected && m_connection.m_openQueries == 0)
        m_connection.closeHandle();
}

QString Connection::primaryKey(const QString &table)
{
    const auto it = m_keys.constFind(table.toLower());
    if (it != m_keys.constEnd())
        return *it;
    QString key;
    QString quoted = table;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    db::Statement st(handle(), QStringLiteral("PRAGMA table_info(\"%1\")").arg(quoted));
    while (st.step()) {
        if (sqlite3_column_int(st.get(), 5) == 1)
            key =
                QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 1)));
    }
    m_keys.insert(table.toLower(), key);
    return key;
}

void Connection::attach(Query *q)
{
    if (!m_queries.contains(q))
        m_queries.append(q);
}

void Connection::detach(Query *q)
{
    m_queries.removeAll(q);
}

void Connection::queryOpened()
{
    ++m_openQueries;
}

void Connection::queryClosed()
{
    if (m_openQueries > 0 && --m_openQueries == 0)
        closeHandle();
}

void Connection::closeHandle()
{
    m_db.reset();
}
