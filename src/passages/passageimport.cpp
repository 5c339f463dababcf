#include "passages/passageimport.h"

#include "common/clock.h"
#include "common/errors.h"
#include "common/filewrite.h"
#include "db/connection.h"
#include "passages/passagearchive.h"
#include "passages/recordfiles.h"
#include "passages/texts.h"

#include <QDir>

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
    std::unique_ptr<db::Statement> archive;
    std::unique_ptr<db::Statement> latest;
    std::unique_ptr<passagearchive::ControllerClocks> clocks;
    // What the last store() did in the archive.
    bool archivedNew = false;
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

    // Commits what is open and closes the connection; false when the commit failed.
    bool commit()
    {
        insert.reset();
        archive.reset();
        latest.reset();
        const bool ok = commitSlice();
        db.reset();
        return ok;
    }

    // Stores one row; false when the engine refused it (the line is then abandoned).
    bool store(const records::Utf8Row &row)
    {
        sqlite3_stmt *st = insert->get();
        int index = 1;
        // The values stay where they are until the step is done. A missing value is an empty
        // text, not NULL.
        for (const QByteArrayView value : row.values)
            sqlite3_bind_text(st, index++, value.data() ? value.data() : "", int(value.size()),
                              SQLITE_STATIC);
        int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE) {
            noteFailure(rc);
            return false;
        }
        // The same row in the archive, with its time checked; one that is there already is
        // ignored by the unique index and counted as such.
        const QByteArrayView address = row.values[5];
        const QString flag = passagearchive::flagText(clocks->check(address, row.values[3]));
        const QByteArray flagUtf8 = flag.toUtf8();
        sqlite3_stmt *ar = archive->get();
        index = 1;
        for (const QByteArrayView value : row.values)
            sqlite3_bind_text(ar, index++, value.data() ? value.data() : "", int(value.size()),
                              SQLITE_STATIC);
        sqlite3_bind_text(ar, index, flagUtf8.constData(), int(flagUtf8.size()), SQLITE_STATIC);
        rc = sqlite3_step(ar);
        sqlite3_reset(ar);
        if (rc != SQLITE_DONE) {
            // The CRJL row goes with it: the two tables hold the same rows.
            noteFailure(rc);
            sqlite3_exec(db.get(), "DELETE FROM CRJL WHERE 序号 = last_insert_rowid()", nullptr,
                         nullptr, nullptr);
            return false;
        }
        archivedNew = sqlite3_changes(db.get()) > 0;
        return true;
    }

    // The latest sound time the archive holds from a controller.
    std::optional<qint64> archivedLatest(QByteArrayView address)
    {
        sqlite3_stmt *st = latest->get();
        sqlite3_bind_text(st, 1, address.data() ? address.data() : "", int(address.size()),
                          SQLITE_STATIC);
        std::optional<qint64> out;
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
            out = passagearchive::passageMinutes(
                QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))));
        sqlite3_reset(st);
        return out;
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
    releaseLock();
}

void PassageImport::begin(const QString &databaseFile, const QString &password)
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
    writer->archive = std::make_unique<db::Statement>(
        writer->db.get(),
        QStringLiteral("INSERT OR IGNORE INTO CRJLDA (卡片内码, 车主姓名, 车牌号码, 进出时间, "
                       "进出状态, 读卡地址, 门号, 通道号, 记录原文, 时间异常) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?)"));
    writer->latest = std::make_unique<db::Statement>(
        writer->db.get(), QStringLiteral("SELECT max(进出时间) FROM CRJLDA WHERE 读卡地址 = ? "
                                         "AND 时间异常 = ''"));
    writer->clocks = std::make_unique<passagearchive::ControllerClocks>(
        passagearchive::minutesOf(appclock::now()),
        [w = writer.get()](QByteArrayView address) { return w->archivedLatest(address); });
    m_writer = std::move(writer);
    m_sinceBegin.start();
    m_rowsInTransaction = 0;
    m_transactionRows = FirstTransactionRows;
    db::setLockHolder([this] { return yieldLock(); });
    m_holdsLock = true;
    m_done = 0;
    m_stored = 0;
    m_committedStored = 0;
    m_archived = m_alreadyArchived = 0;
    m_committedArchived = m_committedAlreadyArchived = 0;
    m_failure.clear();
    m_stopRequested = false;
    m_running = true;
    m_timer->start();
}

void PassageImport::start(const QString &databaseFile, const QString &password,
                          QList<QByteArray> lines)
{
    m_file.reset();
    m_lines = std::move(lines);
    m_listPos = 0;
    m_lineCount = m_lines.size();
    begin(databaseFile, password);
}

void PassageImport::start(const QString &databaseFile, const QString &password,
                          const QString &workingFile, qint64 lines)
{
    auto file = std::make_unique<records::WorkingFileReader>();
    if (const int err = file->open(workingFile))
        throw VelmoraError(texts::passages::RecordFileUnreadable.arg(
            QDir::toNativeSeparators(workingFile), filewrite::reason(err)));
    m_lines.clear();
    m_file = std::move(file);
    m_filePath = workingFile;
    m_lineCount = lines;
    begin(databaseFile, password);
}

bool PassageImport::nextLine(QByteArrayView &line)
{
    if (!m_file) {
        if (m_listPos >= m_lines.size())
            return false;
        line = m_lines.at(m_listPos++);
        return true;
    }
    if (m_file->next(line))
        return true;
    if (m_file->error() != 0 && m_writer->failure.isEmpty())
        m_writer->failure = texts::passages::RecordFileUnreadable.arg(
            QDir::toNativeSeparators(m_filePath), filewrite::reason(m_file->error()));
    return false;
}

void PassageImport::stop()
{
    if (m_running)
        m_stopRequested = true;
}

bool PassageImport::commitTransaction()
{
    if (!m_writer || !m_writer->inTransaction)
        return false;
    if (m_writer->commitSlice()) {
        keepCounts();
    } else {
        // The transaction's rows are gone with the failed commit (a full disk, say): they count
        // as abandoned, like the lines the engine refused one by one.
        dropCounts();
    }
    return true;
}

bool PassageImport::yieldLock()
{
    // Not while the last commit runs on its own thread: that one ends by itself.
    if (!m_running || m_committer)
        return false;
    return commitTransaction();
}

void PassageImport::runSlice()
{
    // The transaction stays open over turns of the event loop and is committed every
    // CommitEveryMs, or once it holds m_transactionRows rows (doubling from one transaction to
    // the next). The owner record of a card the issuer has just
    // written, an account or the issuer password is saved from the event loop on this same
    // thread: its connection asks for the lock, and the wait commits this transaction at once
    // (db::setLockHolder), so that it never waits for the import.
    qint64 total = m_lineCount;
    if (m_done < total && !m_stopRequested && !m_writer->inTransaction) {
        if (!m_writer->beginSlice())
            return; // another program holds the file for a moment: the next turn tries again
        m_sinceBegin.start();
        m_rowsInTransaction = 0;
    }
    QElapsedTimer slice;
    slice.start();
    while (m_done < total && !m_stopRequested && m_writer->failure.isEmpty()) {
        QByteArrayView line;
        if (!nextLine(line)) {
            if (m_writer->failure.isEmpty())
                m_lineCount = total = m_done; // the working file ended early
            break;
        }
        if (m_writer->store(m_reader.row(line))) {
            ++m_stored;
            ++(m_writer->archivedNew ? m_archived : m_alreadyArchived);
        }
        ++m_done;
        ++m_rowsInTransaction;
        if ((m_done & 63) == 0 && slice.elapsed() >= SliceMs)
            break;
    }
    const auto ended = [&] {
        return !m_writer->failure.isEmpty() || m_stopRequested || m_done >= total;
    };
    if (!ended() &&
        (m_sinceBegin.elapsed() >= CommitEveryMs || m_rowsInTransaction >= m_transactionRows)) {
        commitTransaction();
        m_transactionRows *= 2;
    }
    emit progress(m_done);
    if (ended())
        finish(m_stopRequested || !m_writer->failure.isEmpty());
}

void PassageImport::finish(bool stopped)
{
    m_timer->stop();
    // Writing the last transaction's pages out takes a noticeable moment; it happens on a
    // thread of its own so that the windows keep reacting. The connection is used by that
    // thread alone until it ends.
    m_committer =
        QThread::create([this, writer = m_writer.get()] { m_lastCommitOk = writer->commit(); });
    connect(m_committer, &QThread::finished, this, [this, stopped] {
        m_committer->deleteLater();
        m_committer = nullptr;
        if (m_lastCommitOk)
            keepCounts();
        else
            dropCounts();
        // Every further line would meet the same failure: the import ended there and says why.
        m_failure = m_writer->failure;
        m_writer.reset();
        releaseLock();
        m_running = false;
        emit finished(stopped || !m_failure.isEmpty());
    });
    m_committer->start();
    // Nothing of the lines is needed any more.
    m_lines = {};
    m_file.reset();
}

void PassageImport::keepCounts()
{
    m_committedStored = m_stored;
    m_committedArchived = m_archived;
    m_committedAlreadyArchived = m_alreadyArchived;
}

void PassageImport::dropCounts()
{
    m_stored = m_committedStored;
    m_archived = m_committedArchived;
    m_alreadyArchived = m_committedAlreadyArchived;
}

void PassageImport::releaseLock()
{
    if (m_holdsLock)
        db::setLockHolder({});
    m_holdsLock = false;
}
