#include "issuer/seriallink.h"
#include <QFile>
#include <cerrno>
#include <unistd.h>

#include "issuer/ports.h"

#include <QSerialPort>
#include <QTimer>
#include <algorithm>

SerialLink::SerialLink(QObject *parent)
    : QObject(parent)
    , m_resolver(&issuer::devicePath)
{}

SerialLink::~SerialLink()
{
    const auto numbers = m_ports.keys();
    for (const int n : numbers)
        close(n);
}

void SerialLink::setDeviceResolver(std::function<QString(int)> resolver)
{
    m_resolver = std::move(resolver);
}

SerialLink::Port *SerialLink::find(int port)
{
    auto it = m_ports.find(port);
    return it == m_ports.end() ? nullptr : &it.value();
}

const SerialLink::Port *SerialLink::find(int port) const
{
    auto it = m_ports.constFind(port);
    return it == m_ports.constEnd() ? nullptr : &it.value();
}

int SerialLink::open(int port)
{
    if (m_ports.contains(port))
        return -1;
    const QString device = m_resolver ? m_resolver(port) : QString();
    if (device.isEmpty())
        return -2;
    // The device is there but may not be opened by this user: worth telling apart, as the fix
    // is the user's group membership, not the cabling.
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES)
        return OpenDenied;
    auto *serial = new QSerialPort(this);
    serial->setPortName(device);
    // The device's own buffer is bounded as well; it is emptied into ours at each arrival.
    serial->setReadBufferSize(ReceiveBufferSize);
    if (!serial->open(QIODevice::ReadWrite)) {
        delete serial;
        return -3;
    }
    Port entry;
    entry.device = serial;
    m_ports.insert(port, entry);
    connect(serial, &QSerialPort::readyRead, this, [this, port] {
        Port *p = find(port);
        if (!p)
            return;
        takeReceived(p);
        if (p->notify && !p->received.isEmpty())
            queueNotification(port);
    });
    connect(serial, &QSerialPort::errorOccurred, this,
            [this, port](QSerialPort::SerialPortError e) {
                // A vanished device shows as a resource error, or as a read error when the
                // descriptor only reports end of file (a pseudo-terminal whose other end closed);
                // either would keep failing on every read.
                if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError)
                    deviceFailed(port);
            });
    return 0;
}

void SerialLink::takeReceived(Port *p)
{
    if (p->lost)
        return;
    const QByteArray bytes = p->device->readAll();
    const qsizetype room = qMax<qsizetype>(0, ReceiveBufferSize - p->received.size());
    p->received += bytes.left(room);
    if (bytes.size() > room)
        p->discarded += bytes.size() - room;
}

void SerialLink::deviceFailed(int port)
{
    Port *p = find(port);
    if (!p || p->lost)
        return;
    // Stop watching the dead device (its descriptor would report an error forever); the port
    // stays taken until the program closes it, as a vanished adapter does.
    p->lost = true;
    QSerialPort *device = p->device;
    QTimer::singleShot(0, device, [device] { device->close(); });
    emit portLost(port);
}

int SerialLink::setLineParameters(int port)
{
    Port *p = find(port);
    if (!p || p->lost)
        return -1;
    QSerialPort *s = p->device;
    const bool ok = s->setBaudRate(QSerialPort::Baud19200) && s->setDataBits(QSerialPort::Data8) &&
                    s->setStopBits(QSerialPort::TwoStop) && s->setParity(QSerialPort::NoParity) &&
                    s->setFlowControl(QSerialPort::NoFlowControl);
    return ok ? 0 : -1;
}

int SerialLink::enableReceiveNotification(int port)
{
    Port *p = find(port);
    if (!p || p->lost)
        return -1;
    p->notify = true;
    takeReceived(p);
    if (!p->received.isEmpty())
        queueNotification(port);
    return 0;
}

void SerialLink::queueNotification(int port)
{
    Port *p = find(port);
    if (!p || p->notifyQueued)
        return;
    // Notifications reach the handler from the event loop, never from inside a read or write.
    p->notifyQueued = true;
    QTimer::singleShot(0, this, [this, port] {
        Port *q = find(port);
        if (!q)
            return;
        q->notifyQueued = false;
        if (q->notify && !q->lost)
            emit dataWaiting(port);
    });
}

int SerialLink::read(int port, QByteArray *bytes, int maxBytes)
{
    bytes->clear();
    Port *p = find(port);
    if (!p || p->lost)
        return -1;
    takeReceived(p);
    if (p->received.isEmpty())
        return 0;
    *bytes = p->received.left(maxBytes);
    p->received.remove(0, bytes->size());
    // What did not fit stays for the next notification.
    if (p->notify && !p->received.isEmpty())
        queueNotification(port);
    return int(bytes->size());
}

int SerialLink::write(int port, const QByteArray &bytes)
{
    Port *p = find(port);
    if (!p || p->lost)
        return -1;
    const qint64 n = p->device->write(bytes);
    p->device->flush();
    return n < 0 ? -1 : int(n);
}

int SerialLink::flush(int port)
{
    Port *p = find(port);
    if (!p || p->lost)
        return -1;
    p->received.clear();
    return p->device->clear(QSerialPort::AllDirections) ? 0 : -1;
}

int SerialLink::close(int port)
{
    auto it = m_ports.find(port);
    if (it == m_ports.end())
        return 0;
    QSerialPort *device = it->device;
    m_ports.erase(it);
    device->disconnect(this);
    device->close();
    device->deleteLater();
    emit portClosed(port);
    return 0;
}

bool SerialLink::isOpen(int port) const
{
    return find(port) != nullptr;
}

bool SerialLink::isLost(int port) const
{
    const Port *p = find(port);
    return p && p->lost;
}

QList<int> SerialLink::openPorts() const
{
    QList<int> numbers = m_ports.keys();
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

qint64 SerialLink::bytesWaiting(int port) const
{
    const Port *p = find(port);
    return p && !p->lost ? p->received.size() + p->device->bytesAvailable() : 0;
}

qint64 SerialLink::bytesDiscarded(int port) const
{
    const Port *p = find(port);
    return p ? p->discarded : 0;
}

QString SerialLink::errorText(int port) const
{
    const Port *p = find(port);
    return p ? p->device->errorString() : QString();
}
