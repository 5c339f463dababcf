#pragma once
// Stores record lines as CRJL rows. The import holds a connection of its own to the database file
// and writes through one prepared statement, so that nothing done to the shared connection
// meanwhile (a tab that releases the file) can leave it half-done. It works in slices of a few
// milliseconds, each a transaction of its own committed before it returns to the event loop: the
// windows stay responsive, and the other writers of the file (the owner record of a card just
// written, accounts, the issuer password) never wait for the import. Progress is reported after
// each slice. Stopped or destroyed early, or killed, the import leaves the rows of the slices
// committed so far; the passage window empties the table when it is shown again.
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

    explicit PassageImport(QObject *parent = nullptr);
    ~PassageImport() override;

    // Opens the file, begins the transaction and prepares the insert, then returns; the lines are
    // stored from the event loop. Throws DbError (nothing started) when the file cannot be opened
    // or written.
    void start(const QString &databaseFile, const QString &password, QList<QByteArray> lines);
    // Stops before the next line; finished(true) follows from the event loop.
    void stop();
    bool running() const { return m_running; }

    int linesDone() const { return m_done; }
    int rowsStored() const { return m_stored; }
    int lineCount() const { return int(m_lines.size()); }
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
    void runSlice();
    void finish(bool stopped);

    std::unique_ptr<Writer> m_writer;
    QTimer *m_timer;
    QThread *m_committer = nullptr;
    QList<QByteArray> m_lines;
    records::RowReader m_reader;
    int m_done = 0;
    int m_stored = 0;
    QString m_failure;
    bool m_running = false;
    bool m_stopRequested = false;
};
