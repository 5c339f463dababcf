#pragma once
// A small file system of its own for the tests of a full or read-only disk: a tmpfs mounted on
// a folder. Only root may mount one; elsewhere mounted() is false and the test skips.
#include <QDir>
#include <QProcess>
#include <QString>
#include <unistd.h>

namespace testsupport {

class SmallDisk
{
public:
    SmallDisk(const QString &at, const QString &size)
        : m_at(at)
    {
        QDir().mkpath(at);
        m_mounted =
            ::geteuid() == 0 &&
            QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=") + size, QStringLiteral("tmpfs"), at}) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_at});
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    bool makeReadOnly() const
    {
        return QProcess::execute(QStringLiteral("mount"),
                                 {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_at}) == 0;
    }

private:
    QString m_at;
    bool m_mounted = false;
};

} // namespace testsupport
