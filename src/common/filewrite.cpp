#include "common/filewrite.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

int replaceFile(const QString &path, const QByteArray &bytes)
{
    QByteArray staged = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(staged.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    // A file that exists keeps its mode; a new one gets the process's (umask'ed) default.
    struct stat existing
    {
    };
    const QByteArray target = QFile::encodeName(path);
    if (::stat(target.constData(), &existing) == 0)
        ::fchmod(fd, existing.st_mode & 07777);
    else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    int err = writeAll(fd, bytes.constData(), bytes.size());
    // A full disk often shows only when the data reach it.
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && std::rename(staged.constData(), target.constData()) != 0)
        err = errno;
    if (err != 0)
        ::unlink(staged.constData());
    return err;
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

} // namespace filewrite
