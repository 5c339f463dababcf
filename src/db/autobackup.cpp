#include "db/autobackup.h"

#include "common/clock.h"
#include "common/dialogs.h"
#include "common/programdir.h"
#include "db/texts.h"

#include <QApplication>
#include <QDir>

namespace autobackup {

namespace {

// Copying and checking a large archive takes a moment; the cursor says so.
backups::Result writeWaiting(backups::Occasion occasion, const QString &dataFile,
                             const QString &spare = {})
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const backups::Result r = backups::write(dataFile, backups::folder(), occasion,
                                             backups::keepCount(programdir::settingsFile()), spare);
    QApplication::restoreOverrideCursor();
    return r;
}

} // namespace

std::optional<backups::Result> atLogin()
{
    if (!backups::dueToday(backups::list(backups::folder()), appclock::today()))
        return std::nullopt;
    return writeWaiting(backups::Occasion::Login, programdir::databaseFile());
}

void announce(const backups::Result &result, QWidget *parent)
{
    backups::notifier()->announce(result);
    if (!result.ok() && backups::takeFailureBox(programdir::settingsFile(), appclock::today()))
        Dialogs::box(texts::db::AutoBackupFailed.arg(result.reason,
                                                     QDir::toNativeSeparators(backups::folder())),
                     texts::db::AutoBackupCaption, Dialogs::OkOnly, Dialogs::Warning, parent);
}

bool beforeCompaction(QWidget *parent, QString *status)
{
    const backups::Result r =
        writeWaiting(backups::Occasion::Compaction, programdir::databaseFile());
    if (status)
        *status = backups::statusText(r);
    announce(r, parent);
    return r.ok();
}

bool beforeRestore(const QString &source, const QString &dataFile, QWidget *parent)
{
    const backups::Result r = writeWaiting(backups::Occasion::Restore, dataFile, source);
    backups::notifier()->announce(r);
    if (r.ok())
        return true;
    return Dialogs::box(texts::db::BackupBeforeRestoreFailed.arg(r.reason),
                        texts::db::RestoreCaption, Dialogs::YesNo, Dialogs::Warning,
                        parent) == Dialogs::Yes;
}

} // namespace autobackup
