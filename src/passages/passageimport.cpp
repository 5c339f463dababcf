#include "passages/passageimport.h"

#include "db/connection.h"
#include "passages/recordfiles.h"

#include <QThread>
#include <QTimer>
#include <algorithm>
#include <sqlite3.h>

namespace {
// A slice does not wait long for the write lock (the next turn of the event loop tries again);
// a commit waits for readers elsewhere to let go, as the shared connection's writers do.
constexpr int BeginWaitMs = 50;
constexpr int CommitWaitMs = 5000;
} // namespace

struct PassageImport::Writer
{
    db::Handle db;
    std::unique_ptr<db::Statement> insert;
    bool inTransaction = false;
    // The first failure that no later line can get past (a full disk, a read-only file), in
    // the operator's words; empty while there is none.
    QString failure;

    void noteFailure(int rc)
    {
        switch (rc & 0xff) {
        case SQLITE_FULL:
        case SQLITE_IOERR:
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_NOMEM:
            if (failure.isEmpty())
                failure = db::explained(QString::fromUtf8(sqlite3_errmsg(db.get())));
            break;
        default: // a line the table refuses is abandoned alone
            break;
        }
    }

    // Ends the open slice's transaction: its rows stay.
    bool commitSlice()
    {
        if (!inTransaction)
            return true;
        inTransaction = false;
        // A reader elsewhere (another program looking at the file) may hold it for a moment.
        sqlite3_busy_timeout(db.get(), CommitWaitMs);
        const int rc = sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            return true;
        // The slice's rows are lost: whatever the reason, going on would lose the next ones too.
        if (failure.isEmpty())
            failure = db::explained(QString::fromUtf8(sqlite3_errmsg(db.get())));
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }

    // Takes the write lock for the next slice; false while another writer holds it.
    bool beginSlice()
    {
        if (inTransaction)
            return true;
        sqlite3_busy_timeout(db.get(), BeginWaitMs);
        inTransaction =
            sqlite3_exec(db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
        return inTransaction;
    }

    void commit()
    {
        insert.reset();
        commitSlice();
        db.reset();
    }

    // Stores one row; false when the engine refused it (the line is then abandoned).
    bool store(const records::PassageRow &row)
    {
        sqlite3_stmt *st = insert->get();
        const QString *values[] = {&row.cardCode,    &row.ownerName, &row.plate,
                                   &row.passageTime, &row.direction, &row.readerAddress,
                                   &row.column8,     &row.column9,   &row.column10};
        int index = 1;
        for (const QString *value : values) {
            const QByteArray utf8 = value->toUtf8();
            sqlite3_bind_text(st, index++, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            noteFailure(rc);
        return rc == SQLITE_DONE;
    }
};

PassageImport::PassageImport(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &PassageImport::runSlice);
}

PassageImport::~PassageImport()
{
    if (m_committer) {
        m_committer->wait();
        delete m_committer;
    }
    if (m_writer)
        m_writer->commit();
}

void PassageImport::start(const QString &databaseFile, const QString &password,
                          QList<QByteArray> lines)
{
    auto writer = std::make_unique<Writer>();
    writer->db = db::openDatabase(databaseFile, password);
    // The write lock is taken here once, so that a file that cannot be written fails at once;
    // after that each slice takes it and gives it back (see runSlice).
    sqlite3_busy_timeout(writer->db.get(), CommitWaitMs);
    db::exec(writer->db.get(), QStringLiteral("BEGIN IMMEDIATE"));
    writer->inTransaction = true;
    // CRJL's columns by position: 序号 is numbered by the table, the other nine are the record's.
    writer->insert = std::make_unique<db::Statement>(
        writer->db.get(), QStringLiteral("INSERT INTO CRJL VALUES (NULL,?,?,?,?,?,?,?,?,?)"));
    m_writer = std::move(writer);
    m_lines = std::move(lines);
    m_done = 0;
    m_stored = 0;
    m_failure.clear();
    m_stopRequested = false;
    m_running = true;
    m_timer->start();
}

void PassageImport::stop()
{
    if (m_running)
        m_stopRequested = true;
}

void PassageImport::runSlice()
{
    // Each slice is a transaction of its own, committed before the event loop gets its turn: the
    // owner record of a card the issuer has just written, an account or the issuer password is
    // saved from the event loop on this same thread, and must never wait for the import.
    const int total = int(m_lines.size());
    if (m_done < total && !m_stopRequested && !m_writer->beginSlice())
        return; // another program holds the file for a moment: the next turn tries again
    QElapsedTimer slice;
    slice.start();
    const int sliceStart = m_done;
    while (m_done < total && !m_stopRequested && m_writer->failure.isEmpty()) {
        if (m_writer->store(m_reader.row(m_lines.at(m_done))))
            ++m_stored;
        ++m_done;
        if ((m_done & 63) == 0 && slice.elapsed() >= SliceMs)
            break;
    }
    if (!m_writer->commitSlice()) {
        // The slice's rows are gone with the failed commit (a full disk, say): they count as
        // abandoned, like the lines the engine refused one by one.
        m_stored -= std::min(m_stored, m_done - sliceStart);
    }
    emit progress(m_done);
    if (!m_writer->failure.isEmpty()) {
        // Every further line would meet the same failure: the import ends here and says why.
        m_failure = m_writer->failure;
        finish(true);
    } else if (m_stopRequested)
        finish(true);
    else if (m_done >= total)
        finish(false);
}

void PassageImport::finish(bool stopped)
{
    m_timer->stop();
    // Writing a hundred thousand rows' pages out takes a noticeable moment; it happens on a
    // thread of its own so that the windows keep reacting. The connection is used by that
    // thread alone until it ends.
    m_committer = QThread::create([writer = m_writer.get()] { writer->commit(); });
    connect(m_committer, &QThread::finished, this, [this, stopped] {
        m_committer->deleteLater();
        m_committer = nullptr;
        m_writer.reset();
        m_running = false;
        emit finished(stopped);
    });
    m_committer->start();
}
