#include "db/compact.h"

#include "common/filewrite.h"
#include "db/connection.h"
#include "db/dberror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

// How the file is compacted, and why this way:
//
// The compacted copy is exported into a keyed work file "~CPxxxxxx.tmp" beside the real file (a
// symbolic link is resolved first), and then written back into the database file itself through
// the engine's backup, page by page, under the engine's rollback journal. The file is never
// replaced by another one, so it keeps its identity: a program that holds it open (the
// command-line tool left idle on it) goes on reading and writing the same file, and the owner,
// the mode and a symbolic link pointing at it stay as they are. The journal makes the write-back
// all or nothing, even when the process is killed half-way: the next open rolls it back.
//
// The connection to the database keeps its exclusive lock from the start of the export until the
// write-back is committed (exclusive locking mode), so no other program can write in between and
// have its change overwritten by the older copy. A program that is in the middle of a read or a
// write makes the lock fail, and the file is then left alone.
//
// A compaction holds an advisory lock on its work file while it runs. Work files of this naming
// that nobody holds are leftovers of a compaction that was killed, and are removed first.

namespace {

QString sqlLiteral(const QString &text)
{
    QString s = text;
    s.replace(QLatin1String("'"), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

int tableCount(sqlite3 *db, const char *schemaName)
{
    db::Statement st(
        db, QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(QLatin1String(schemaName)));
    st.step();
    return sqlite3_column_int(st.get(), 0);
}

const QString WorkPattern = QStringLiteral("~CP*.tmp");
const QString JournalSuffix = QStringLiteral("-journal");

void removeLeftovers(const QString &folder)
{
    const QDir dir(folder);
    const QDir::Filters plainFiles = QDir::Files | QDir::Hidden | QDir::NoSymLinks;
    for (const QString &name : dir.entryList({WorkPattern}, plainFiles)) {
        const QString path = dir.filePath(name);
        if (filewrite::abandoned(path)) {
            QFile::remove(path + JournalSuffix);
            QFile::remove(path);
        }
    }
    // A journal whose work file is already gone.
    for (const QString &name : dir.entryList({WorkPattern + JournalSuffix}, plainFiles)) {
        const QString path = dir.filePath(name);
        if (!QFileInfo::exists(path.chopped(JournalSuffix.size())))
            QFile::remove(path);
    }
}

// Writes the pages of source over destination's main database in one journaled transaction.
bool writeBack(sqlite3 *source, sqlite3 *destination)
{
    sqlite3_backup *backup = sqlite3_backup_init(destination, "main", source, "main");
    if (!backup)
        return false;
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    return stepped == SQLITE_DONE && finished == SQLITE_OK;
}

} // namespace

void removeRestoreLeftovers(const QString &dataFile)
{
    const QFileInfo info(dataFile);
    const QString real = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QDir folder = QFileInfo(real).absoluteDir();
    const QString prefix = QFileInfo(real).fileName() + QStringLiteral(".restore-");
    const QDir::Filters plainFiles = QDir::Files | QDir::Hidden | QDir::NoSymLinks;
    for (const QString &name : folder.entryList({prefix + QStringLiteral("??????")}, plainFiles)) {
        const QString path = folder.filePath(name);
        if (filewrite::abandoned(path))
            QFile::remove(path);
    }
}

bool compactionWorthIt(const QString &path, const QString &password)
{
    try {
        db::Handle db = db::openDatabase(path, password, true);
        db::Statement pages(db.get(), QStringLiteral("PRAGMA page_count"));
        db::Statement free(db.get(), QStringLiteral("PRAGMA freelist_count"));
        if (!pages.step() || !free.step())
            return true;
        return sqlite3_column_int64(free.get(), 0) * 4 >= sqlite3_column_int64(pages.get(), 0) &&
               sqlite3_column_int64(free.get(), 0) > 0;
    } catch (const DbError &) {
        return true;
    }
}

bool compactDatabase(const QString &path, const QString &password)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    const QString real = info.canonicalFilePath();
    const QString folder = QFileInfo(real).absolutePath();

    removeLeftovers(folder);
    QTemporaryFile work(folder + QStringLiteral("/~CPXXXXXX.tmp"));
    work.setAutoRemove(false);
    if (!work.open())
        return false;
    const QString workPath = work.fileName();
    // Held until the work file is removed; closing this descriptor earlier would also drop the
    // engine's own locks on the file.
    ::flock(work.handle(), LOCK_EX);

    bool ok = false;
    try {
        db::Handle db = db::openDatabase(real, password);
        db::exec(db.get(), QStringLiteral("PRAGMA main.locking_mode = EXCLUSIVE"));
        db::exec(db.get(), QStringLiteral("ATTACH DATABASE %1 AS compacted KEY %2")
                               .arg(sqlLiteral(workPath), sqlLiteral(password)));
        db::exec(db.get(), QStringLiteral("BEGIN EXCLUSIVE"));
        db::exec(db.get(), QStringLiteral("SELECT sqlcipher_export('compacted')"));
        db::exec(db.get(), QStringLiteral("COMMIT"));
        const bool complete = tableCount(db.get(), "main") == tableCount(db.get(), "compacted");
        db::exec(db.get(), QStringLiteral("DETACH DATABASE compacted"));
        // The copy must open with the password before it is written back.
        db::Handle copy = db::openDatabase(workPath, password, true);
        ok = complete && writeBack(copy.get(), db.get());
    } catch (const DbError &) {
        ok = false;
    }
    QFile::remove(workPath + JournalSuffix);
    QFile::remove(workPath);
    work.close();
    return ok;
}
