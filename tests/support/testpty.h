#pragma once
// A pseudo-terminal standing in for the issuer's end of a serial line: the program opens the
// slave as its port, the test writes replies to and reads frames from the master.
#include <QByteArray>
#include <QString>

class TestPty
{
public:
    TestPty();
    ~TestPty();
    QString slavePath() const { return m_slavePath; }
    int slaveFd() const { return m_slave; }
    // The issuer's end (non-blocking), for tests that answer frames as they come.
    int masterFd() const { return m_master; }
    bool ok() const { return m_master >= 0; }
    void send(const QByteArray &bytes) const;
    // What the program wrote so far (waits until at least minBytes arrived or about 5 s passed).
    QByteArray receive(int minBytes);
    // The issuer goes away: both ends are closed.
    void hangUp();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
