#pragma once
// Stores record lines as CRJL rows. The import holds a connection of its own to the database file
// and writes through one prepared statement, so that nothing done to the shared connection
// meanwhile (a tab that releases the file) can leave it half-done. It works in slices of a few
// milliseconds from the event loop, so the windows stay responsive; its transaction spans
// slices and is committed every second, or sooner while it is young (see CommitEveryMs). The other
// writers of the process (the owner record of a card just written, accounts, the issuer password)
// never wait for it: a connection of the process that waits for the file has the import's
// transaction committed at once. Progress is reported after each slice. Stopped or destroyed early,
// or killed, the import leaves the rows of the transactions committed so far; the passage window
// empties the table when it is shown again.
//
// Each row stored in CRJL is also kept in the passage archive CRJLDA, in the same transaction
// and with its time checked against the controller's clock (passages/passagearchive.h); a row
// the archive already holds is counted, not kept twice.
#include "passages/recordfiles.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <memory>

class QThread;
class QTimer;

class PassageImport : public QObject
{
    Q_OBJECT
public:
    // Longest stretch of work before the event loop gets its turn again.
    static constexpr int SliceMs = 15;
    // A transaction is committed after this long, or when it holds as many rows as the one
    // before it twice over (the first FirstTransactionRows), whichever comes first, and at once
    // when another connection of the process waits for the file. The first small ones find a
    // full disk early; the growing ones keep the cost of committing small.
    static constexpr int CommitEveryMs = 1000;
    static constexpr int FirstTransactionRows = 4096;

    explicit PassageImport(QObject *parent = nullptr);
    ~PassageImport() override;

    // Opens the file, begins the transaction and prepares the insert, then returns; the lines are
    // stored from the event loop. Throws DbError (nothing started) when the file cannot be opened
    // or written.
    void start(const QString &databaseFile, const QString &password, QList<QByteArray> lines);
    // The same for the lines of a working file (records::writeWorkingFile), `lines` of them,
    // read piece by piece as they are stored. Throws VelmoraError when the file cannot be
    // opened (nothing started).
    void start(const QString &databaseFile, const QString &password, const QString &workingFile,
               qint64 lines);
    // Stops before the next line; finished(true) follows from the event loop.
    void stop();
    bool running() const { return m_running; }

    int linesDone() const { return m_done; }
    int rowsStored() const { return m_stored; }
    int lineCount() const { return int(m_lineCount); }
    // Rows the archive took, and rows it held already (of rows stored, committed).
    int rowsArchived() const { return m_archived; }
    int rowsAlreadyArchived() const { return m_alreadyArchived; }
    // Why the import ended early on its own (a full disk, a file that became read-only), in
    // the operator's words with the engine's text; empty when it did not.
    QString failure() const { return m_failure; }

signals:
    // Lines handled so far (stored or abandoned).
    void progress(int lines);
    // All lines handled (stopped = false), or stopped early.
    void finished(bool stopped);

private:
    struct Writer;
    void begin(const QString &databaseFile, const QString &password);
    bool nextLine(QByteArrayView &line);
    void runSlice();
    void finish(bool stopped);
    bool commitTransaction();
    void keepCounts();
    void dropCounts();
    bool yieldLock();
    void releaseLock();

    std::unique_ptr<Writer> m_writer;
    QTimer *m_timer;
    QThread *m_committer = nullptr;
    QList<QByteArray> m_lines;
    qsizetype m_listPos = 0;
    std::unique_ptr<records::WorkingFileReader> m_file;
    QString m_filePath;
    qint64 m_lineCount = 0;
    records::Utf8RowReader m_reader;
    int m_done = 0;
    int m_stored = 0;
    int m_committedStored = 0;
    int m_archived = 0;
    int m_alreadyArchived = 0;
    int m_committedArchived = 0;
    int m_committedAlreadyArchived = 0;
    int m_rowsInTransaction = 0;
    int m_transactionRows = FirstTransactionRows;
    QElapsedTimer m_sinceBegin;
    bool m_lastCommitOk = true;
    bool m_holdsLock = false;
    QString m_failure;
    bool m_running = false;
    bool m_stopRequested = false;
};
