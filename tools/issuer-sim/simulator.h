#pragma once
// The simulated issuer on a pseudo-terminal: the program opens the terminal as its serial port,
// optionally through an entry COMn in a port map folder. Used by velmora-issuer-sim and, in
// process, by the tests; both drive it with the same switches and commands.
//
// Nothing here ever waits: bytes the terminal does not take at once wait in a queue that is
// written as the terminal drains, and what would make that queue outgrow OutputCap is dropped
// and reported through the log.
#include "issuer.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class QSocketNotifier;

class IssuerSimulator : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype OutputCap = 64 * 1024;

    explicit IssuerSimulator(const QString &password, QObject *parent = nullptr);
    ~IssuerSimulator() override;

    // Opens the terminal and, given a ports folder, enters it there as COMn (port 0: the first
    // free n; a link whose device is gone counts as free). False, with errorText(), on failure.
    bool start(const QString &portsDir = {}, int port = 0);
    QString errorText() const { return m_error; }
    int port() const { return m_port; }
    // The terminal the program opens; empty while unplugged.
    QString devicePath() const { return m_device; }
    QString entryPath() const;

    // Unplugging removes the entry and closes the terminal, so an open port sees its device go;
    // plugging back opens a new terminal under the same entry. Password, cards and switches stay.
    void unplug();
    bool plug();
    bool plugged() const { return m_master >= 0; }

    SimulatedIssuer &issuer() { return m_issuer; }
    const SimulatedIssuer &issuer() const { return m_issuer; }

    // How replies go out: after a delay; split in two writes with a pause between; in pairs,
    // two replies in one write (a reply waits for the next one).
    void setReplyDelay(int ms) { m_delay = qMax(0, ms); }
    void setSplitGap(int ms) { m_splitGap = qMax(0, ms); } // 0: one write per reply
    void setJoin(bool on);
    // Automatic mode: after each write command the issuer places by itself, after delayMs, a
    // card (`batch` fresh cards one after another when issuing) or the loss token.
    void setAutomatic(bool on, int delayMs = 1500);
    void setBatch(int cards) { m_batch = qMax(1, cards); }

    // A reply (CR LF added, shaped as set above), and bytes exactly as given.
    void sendReply(const QByteArray &text);
    void sendRaw(const QByteArray &bytes);

    // Bytes scheduled or queued but not yet taken by the terminal.
    qsizetype pendingBytes() const { return m_out.size() + m_scheduledBytes; }
    qint64 bytesWritten() const { return m_written; }
    qint64 bytesDropped() const { return m_dropped; }

    // One command line as typed on standard input; returns the lines to print.
    QStringList command(const QString &line);
    static QString helpText();

    // What happens (the issuer's log included).
    std::function<void(const QString &line)> log = [](const QString &) {};

signals:
    // Each write taken by the terminal.
    void wrote(const QByteArray &bytes);
    void quitRequested();

private:
    struct Chunk
    {
        int pauseMs = 0; // before the chunk is queued
        QByteArray bytes;
    };
    bool openTerminal();
    void closeTerminal();
    void schedule(QList<Chunk> chunks);
    void pumpSchedule();
    void queueOut(const QByteArray &bytes);
    void writeOut();
    void drop(qint64 bytes);
    void endDropping();
    void writeCommandTaken(SimulatedIssuer::Mode mode);

    SimulatedIssuer m_issuer;
    QString m_portsDir;
    int m_port = 0;
    QString m_error;
    int m_master = -1;
    int m_slave = -1;
    QString m_device;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;

    int m_delay = 0;
    int m_splitGap = 0;
    bool m_join = false;
    QByteArray m_held;
    bool m_automatic = false;
    int m_autoDelay = 1500;
    int m_batch = 1;

    QList<Chunk> m_schedule;
    qsizetype m_scheduledBytes = 0;
    QTimer m_scheduleTimer;
    QByteArray m_out;
    qint64 m_written = 0;
    qint64 m_dropped = 0;
    qint64 m_droppedNow = 0; // since the port last took everything
};
