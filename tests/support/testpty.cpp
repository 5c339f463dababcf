#include "testpty.h"

#include <QDeadlineTimer>
#include <QTest>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

TestPty::TestPty()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

TestPty::~TestPty()
{
    hangUp();
}

void TestPty::send(const QByteArray &bytes) const
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else
            QTest::qWait(1);
    }
}

QByteArray TestPty::receive(int minBytes)
{
    QByteArray got;
    QDeadlineTimer deadline(5000);
    while (m_master >= 0 && got.size() < minBytes && !deadline.hasExpired()) {
        char buf[512];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0)
            got.append(buf, int(n));
        else
            QTest::qWait(5); // lets the program's event loop send what it queued
    }
    return got;
}

void TestPty::hangUp()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_master = m_slave = -1;
}
