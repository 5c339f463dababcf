#pragma once
// The serial link: ports by their number n of COMn, one QSerialPort each. Return codes follow
// one rule: 0 (or a byte count) is success, a negative value is failure.
#include <QHash>
#include <QObject>
#include <functional>

class QSerialPort;

class SerialLink : public QObject
{
    Q_OBJECT
public:
    // Received bytes wait in a buffer of this size, as in a serial driver: what arrives while it
    // is full is discarded, so a stream of noise neither grows memory nor buries the replies
    // that follow it behind a backlog.
    static constexpr int ReceiveBufferSize = 2048;

    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    // Where port n is; by default the port map of the program directory.
    void setDeviceResolver(std::function<QString(int)> resolver);

    // Fails when the port is already open (also after its device vanished, until it is closed),
    // when it has no device, or when the device cannot be opened; OpenDenied when the device is
    // there but this user may not open it (not in the group that owns serial devices).
    int open(int port);
    static constexpr int OpenDenied = -4;
    // 19200 bit/s, 8 data bits, 2 stop bits, no parity.
    int setLineParameters(int port);
    // From now on dataWaiting(port) is emitted whenever at least one received byte is waiting.
    int enableReceiveNotification(int port);
    // Takes up to maxBytes waiting bytes: their count, 0 when none wait, negative on error.
    int read(int port, QByteArray *bytes, int maxBytes);
    int write(int port, const QByteArray &bytes);
    // Discards what is pending in both directions.
    int flush(int port);
    // Harmless on a port that is not open.
    int close(int port);

    // Open from the program's point of view (also when its device has vanished since).
    bool isOpen(int port) const;
    bool isLost(int port) const;
    // The numbers of the ports open now, in ascending order.
    QList<int> openPorts() const;
    qint64 bytesWaiting(int port) const;
    // Received bytes discarded because the buffer was full, since the port was opened.
    qint64 bytesDiscarded(int port) const;
    QString errorText(int port) const;

signals:
    void dataWaiting(int port);
    // The port was closed by the program; its notifications end.
    void portClosed(int port);
    // The device went away while the port was open (adapter unplugged, issuer gone).
    void portLost(int port);

private:
    struct Port
    {
        QSerialPort *device = nullptr;
        bool notify = false;
        bool lost = false;
        bool notifyQueued = false;
        QByteArray received;
        qint64 discarded = 0;
    };
    Port *find(int port);
    const Port *find(int port) const;
    void queueNotification(int port);
    void takeReceived(Port *p);
    void deviceFailed(int port);

    QHash<int, Port> m_ports;
    std::function<QString(int)> m_resolver;
};
