#include "db/maintenance.h"

#include <QDir>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "common/dialogs.h"
#include "db/autobackup.h"
#include "db/backups.h"
#include "db/cardlog.h"
#include "db/connection.h"
#include "db/dberror.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/texts.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QTemporaryFile>
#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <unistd.h>

int ProgressBarGauge::minimum() const
{
    return m_bar->minimum();
}

int ProgressBarGauge::maximum() const
{
    return m_bar->maximum();
}

void ProgressBarGauge::setValue(int value)
{
    m_bar->setValue(value);
}

namespace maintenance {

namespace {

void fill(Gauge &g)
{
    for (int v = g.minimum(); v <= g.maximum(); ++v)
        g.setValue(v);
}

bool copyAll(QIODevice &in, QIODevice &out)
{
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (out.write(buffer, n) != n)
            return false;
    }
}

// Reads every page of every table and index under the key; a damaged page shows here as a
// report or as the engine's error, not later in the window that happens to read it.
bool pagesAreSound(sqlite3 *db)
{
    db::Statement check(db, QStringLiteral("PRAGMA integrity_check"));
    const bool ok =
        check.step() &&
        qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(check.get(), 0)), "ok") == 0;
    return ok && !check.step();
}

// The file opens with the database password, reads back sound, and its tables have the
// program's columns.
bool isSoundDatabase(const QString &path)
{
    try {
        db::Handle db = db::openDatabase(path, QString::fromLatin1(db::DatabasePassword), true);
        return pagesAreSound(db.get()) && schema::hasProgramColumns(db.get());
    } catch (const DbError &) {
        return false;
    }
}

// Copies source beside target and checks that copy; only a sound copy replaces target, by an
// atomic rename after release() has freed the file. A symbolic link is resolved, so the link
// stays and the copy is written beside the real file.
bool replaceWithSoundCopy(const QString &source, const QString &target,
                          const std::function<void()> &release)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QFileInfo info(target);
    const QString real = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    // A name of its own, so that the next start can tell a killed restore's copy from any file
    // of the operator's.
    QTemporaryFile staged(real + QStringLiteral(".restore-XXXXXX"));
    // Held while the copy lives: a copy nobody holds was left by a restore that was killed.
    if (!staged.open() || ::flock(staged.handle(), LOCK_EX | LOCK_NB) != 0 ||
        !copyAll(in, staged) || !staged.flush() || ::fsync(staged.handle()) != 0)
        return false;
    if (info.exists())
        staged.setPermissions(QFile::permissions(real));
    staged.close();
    if (!isSoundDatabase(staged.fileName()))
        return false;
    // A backup made by an older version of the program is brought up to date before it replaces
    // the database; one from a newer version, or one that cannot be migrated, is refused.
    try {
        db::Handle db =
            db::openDatabase(staged.fileName(), QString::fromLatin1(db::DatabasePassword));
        schema::migrate(db.get());
    } catch (const DbError &) {
        return false;
    }
    release();
    if (std::rename(QFile::encodeName(staged.fileName()).constData(),
                    QFile::encodeName(real).constData()) != 0)
        return false;
    staged.setAutoRemove(false);
    return true;
}

} // namespace

bool isSameFile(const QString &a, const QString &b)
{
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void backupDatabase(Gauge &g1, const QString &dataFile, QWidget *parent)
{
    g1.setValue(0);
    const QString chosen = Dialogs::saveFileName(texts::db::SaveTitle, texts::db::FileFilter,
                                                 texts::db::BackupName, parent);
    if (chosen.isEmpty())
        return;
    const QString target = chosen + QStringLiteral(".mdb");
    // A backup onto the database itself would replace the file under the open connection: the
    // program would go on writing into the deleted old file. Told by file identity, so another
    // name for the same file (a link, "..") is caught too.
    if (isSameFile(target, dataFile)) {
        Dialogs::box(texts::db::BackupOntoItself, texts::db::BackupFailedCaption, Dialogs::OkOnly,
                     Dialogs::Warning, parent);
        return;
    }
    if (QFileInfo::exists(target) &&
        Dialogs::box(texts::db::OverwriteQuestion, texts::db::OverwriteCaption, Dialogs::YesNo,
                     Dialogs::Question, parent) != Dialogs::Yes)
        return;
    fill(g1);
    if (backups::copyDatabase(dataFile, target).isEmpty())
        Dialogs::box(texts::db::BackupDone, texts::db::BackupDoneCaption, Dialogs::OkOnly,
                     Dialogs::Information, parent);
    else
        Dialogs::box(texts::db::BackupFailed, texts::db::BackupFailedCaption, Dialogs::OkOnly,
                     Dialogs::Warning, parent);
}

void restoreDatabase(Gauge &g1, Connection &con, Query &LGqry1, const QString &target,
                     QWidget *parent)
{
    g1.setValue(0);
    const QString chosen =
        Dialogs::openFileName(texts::db::OpenTitle, texts::db::FileFilter, parent);
    if (chosen.isEmpty())
        return;
    restoreFromFile(g1, con, LGqry1, chosen, target, parent);
}

void restoreFromFile(Gauge &g1, Connection &con, Query &LGqry1, const QString &chosen,
                     const QString &target, QWidget *parent)
{
    if (Dialogs::box(texts::db::RestoreQuestion, texts::db::RestoreCaption, Dialogs::YesNo,
                     Dialogs::Question, parent) != Dialogs::Yes)
        return;
    // The file about to be replaced is kept in Backup/ first, so a wrong choice can be undone.
    if (!autobackup::beforeRestore(chosen, target, parent))
        return;
    fill(g1);
    bool released = false;
    const bool ok = replaceWithSoundCopy(chosen, target, [&] {
        con.disconnect();
        LGqry1.close();
        con.disconnect();
        released = true;
    });
    if (released)
        con.disconnect();
    if (ok) {
        // The restored file keeps its own history; the restore is its newest row.
        try {
            cardlog::append(
                con,
                {texts::db::history::Restored, {}, {}, {}, {}, {}, {}, texts::db::history::Saved});
        } catch (const std::exception &) {
            // The history is the file's; a file that cannot take the row still was restored.
        }
    }
    if (ok)
        Dialogs::box(texts::db::RestoreDone, texts::db::RestoreDoneCaption, Dialogs::OkOnly,
                     Dialogs::Information, parent);
    else
        Dialogs::message(texts::db::RestoreFailed, parent);
}

} // namespace maintenance
