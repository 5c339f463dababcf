#include "common/programdir.h"

#include <QFile>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace programdir {
namespace {
QString &rootRef()
{
    static QString dir;
    return dir;
}
} // namespace

QString init(const QStringList &arguments)
{
    QString dir;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--dir") && i + 1 < arguments.size()) {
            dir = arguments.at(i + 1);
            break;
        }
        if (a.startsWith(QLatin1String("--dir="))) {
            dir = a.mid(6);
            break;
        }
    }
    if (dir.isEmpty())
        dir = qEnvironmentVariable("VELMORA_DIR");
    if (dir.isEmpty()) {
        dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                           : QDir::currentPath();
    }
    setRoot(dir);
    return root();
}

void setRoot(const QString &dir)
{
    rootRef() = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
}

QString root()
{
    if (rootRef().isEmpty())
        setRoot(QDir::currentPath());
    return rootRef();
}

QString path(const QString &relative)
{
    QString rel = relative;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (rel.startsWith(QLatin1Char('/')))
        rel.remove(0, 1);
    return root() + QLatin1Char('/') + rel;
}

QString databaseFile()
{
    return path(QStringLiteral("Data/Data.mdb"));
}

QString brandingFile()
{
    return path(QStringLiteral("IniFile/System.ini"));
}

QString settingsFile()
{
    const QString exe = QCoreApplication::instance()
                            ? QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
                            : QString();
    return path((exe.isEmpty() ? QStringLiteral("velmora") : exe) + QStringLiteral(".ini"));
}

unsigned creationMask(const QString &dir)
{
    struct stat st;
    const QByteArray name = QFile::encodeName(dir);
    if (::stat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISGID))
        return 007;
    return 077;
}

} // namespace programdir
