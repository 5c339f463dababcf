#include "shell/helppage.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace helppage {

Outcome installIfMissing(const QString &dir, QString *error)
{
    const QString target = QDir(dir).filePath(QStringLiteral("Help"));
    if (QFileInfo::exists(QDir(target).filePath(QStringLiteral("index.htm"))))
        return Outcome::AlreadyThere;
    const QString shipped = QStringLiteral(":/help");
    QDirIterator it(shipped, QDir::Files, QDirIterator::Subdirectories);
    bool any = false;
    while (it.hasNext()) {
        const QString source = it.next();
        const QString dest = target + source.mid(shipped.size());
        any = true;
        if (QFileInfo::exists(dest))
            continue;
        if (!QDir().mkpath(QFileInfo(dest).absolutePath()) || !QFile::copy(source, dest)) {
            if (error)
                *error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(dest));
            return Outcome::Failed;
        }
        // Copies out of the resources are read-only; the site may want to edit its page.
        QFile::setPermissions(dest, QFile::permissions(dest) | QFileDevice::WriteOwner);
    }
    if (!any && error)
        *error = QStringLiteral("the program carries no help page");
    return any ? Outcome::Written : Outcome::Failed;
}

} // namespace helppage
