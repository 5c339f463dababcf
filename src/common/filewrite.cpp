#include "common/filewrite.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filewrite {

namespace {

int writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

} // namespace

StagedFile::StagedFile(const QString &path)
    : m_target(QFile::encodeName(path))
    , m_staged(m_target + ".XXXXXX")
{
    m_fd = ::mkostemp(m_staged.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    // A file that exists keeps its mode; a new one gets the process's (umask'ed) default.
    struct stat existing
    {
    };
    if (::stat(m_target.constData(), &existing) == 0) {
        ::fchmod(m_fd, existing.st_mode & 07777);
    } else {
        ::fchmod(m_fd, newFileMode());
    }
}

StagedFile::~StagedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_error == 0 && !m_committed)
        ::unlink(m_staged.constData());
}

int StagedFile::write(const char *data, qsizetype size)
{
    if (m_error != 0)
        return m_error;
    return writeAll(m_fd, data, size);
}

int StagedFile::commit()
{
    if (m_error != 0)
        return m_error;
    // A full disk often shows only when the data reach it.
    int err = ::fsync(m_fd) != 0 ? errno : 0;
    if (::close(m_fd) != 0 && err == 0)
        err = errno;
    m_fd = -1;
    if (err == 0 && std::rename(m_staged.constData(), m_target.constData()) != 0)
        err = errno;
    m_committed = err == 0;
    return err;
}

int replaceFile(const QString &path, const QByteArray &bytes)
{
    StagedFile staged(path);
    if (staged.error() != 0)
        return staged.error();
    if (const int err = writeAll(staged.fd(), bytes.constData(), bytes.size()))
        return err;
    return staged.commit();
}

QString reason(int err)
{
    const char *chinese = nullptr;
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        chinese = "磁盘已满";
        break;
    case EROFS:
        chinese = "磁盘或文件夹是只读的";
        break;
    case EACCES:
    case EPERM:
        chinese = "没有写入权限（文件夹或文件是只读的，或属于其他用户）";
        break;
    case EBUSY:
    case ETXTBSY:
        chinese = "文件正被其他程序使用";
        break;
    case ENOENT:
    case ENOTDIR:
        chinese = "文件夹不存在";
        break;
    case EISDIR:
        chinese = "已有同名的文件夹";
        break;
    case ENAMETOOLONG:
        chinese = "文件名太长";
        break;
    case EIO:
        chinese = "磁盘读写错误（U盘或磁盘可能已拔出或损坏）";
        break;
    default:
        break;
    }
    const QString system = QString::fromLocal8Bit(std::strerror(err));
    if (!chinese)
        return system;
    return QString::fromUtf8(chinese) + QStringLiteral("（") + system + QStringLiteral("）");
}

unsigned newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool abandoned(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

} // namespace filewrite
