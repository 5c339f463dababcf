#include "app/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// An exclusive lock on `fd` without waiting. Returns 0 when held, EWOULDBLOCK when another
// open file holds it, another errno when the file system cannot lock.
int lockNow(int fd)
{
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR)
            return errno == EAGAIN ? EWOULDBLOCK : errno;
    }
    return 0;
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

QString singleInstanceLockPath(const QString &name)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QDir().mkpath(runtime))
        return QDir(runtime).filePath(name + QStringLiteral(".lock"));
    return QDir::temp().filePath(name + QStringLiteral("-") + QString::number(::getuid()) +
                                 QStringLiteral(".lock"));
}

SingleInstance::SingleInstance(const QString &name, const QString &programDir)
    : m_lockPath(singleInstanceLockPath(name))
    , m_programDir(programDir)
{}

SingleInstance::~SingleInstance()
{
    closeFd(m_dirFd);
    closeFd(m_userFd);
}

SingleInstance::Outcome SingleInstance::acquire()
{
    // O_CLOEXEC: a program started from this one (a browser for the help page) must not inherit
    // a lock and keep it after this copy has ended.
    if (m_userFd < 0) {
        const int fd = ::open(QFile::encodeName(m_lockPath).constData(),
                              O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 && lockNow(fd) == EWOULDBLOCK) {
            ::close(fd);
            return Outcome::RunningForThisUser;
        }
        // A lock file that cannot be made (a folder without room or rights) must not keep the
        // user out of the program: the directory lock below still keeps two copies apart.
        m_userFd = fd;
    }
    if (m_dirFd < 0 && !m_programDir.isEmpty()) {
        const int fd =
            ::open(QFile::encodeName(m_programDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0 && lockNow(fd) == EWOULDBLOCK) {
            ::close(fd);
            return Outcome::DirectoryInUse;
        }
        m_dirFd = fd;
    }
    return Outcome::Acquired;
}
