#include "passages/drives.h"

#include "common/programdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>

namespace drives {

namespace {

// Mount points in the table escape blanks, tabs, newlines and backslashes as octal.
QString unescapeMountPoint(const QByteArray &field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QByteArray digits = field.mid(i + 1, 3);
        bool octal = false;
        const int code = digits.size() == 3 ? digits.toInt(&octal, 8) : 0;
        if (field.at(i) == '\\' && octal) {
            out += char(code);
            i += 3;
        } else {
            out += field.at(i);
        }
    }
    return QFile::decodeName(out);
}

} // namespace

QString mapFolder(const QString &programDir)
{
    return programDir + QStringLiteral("/Drives");
}

QStringList list(const QString &programDir)
{
    QStringList out;
    const QDir map(mapFolder(programDir));
    if (map.exists()) {
        const QStringList names = map.entryList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
        for (const QString &name : names) {
            const QFileInfo entry(map.filePath(name));
            if (entry.isDir()) // follows the link; a dangling one is no drive
                out << entry.filePath() + QLatin1Char('/');
        }
        return out;
    }
    QFile table(QStringLiteral("/proc/self/mounts"));
    if (table.open(QIODevice::ReadOnly))
        out = removableMounts(table.readAll());
    return out;
}

QStringList removableMounts(const QByteArray &mountTable)
{
    QStringList out;
    for (const QByteArray &line : mountTable.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        const QString point = unescapeMountPoint(fields.at(1));
        if (point.startsWith(QLatin1String("/media/")) ||
            point.startsWith(QLatin1String("/run/media/")))
            out << point + QLatin1Char('/');
    }
    std::sort(out.begin(), out.end());
    out.removeDuplicates();
    return out;
}

} // namespace drives

DriveWatcher::DriveWatcher(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(PollMs);
    connect(m_timer, &QTimer::timeout, this, &DriveWatcher::poll);
}

void DriveWatcher::start()
{
    m_known = drives::list(programdir::root());
    m_timer->start();
}

void DriveWatcher::stop()
{
    m_timer->stop();
}

bool DriveWatcher::active() const
{
    return m_timer->isActive();
}

void DriveWatcher::poll()
{
    const QStringList now = drives::list(programdir::root());
    const QStringList before = m_known;
    m_known = now;
    for (const QString &drive : before)
        if (!now.contains(drive))
            emit removed(drive);
    for (const QString &drive : now)
        if (!before.contains(drive))
            emit arrived(drive);
}
