#include "db/compact.h"

#include "db/connection.h"
#include "db/dberror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

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

void syncDirectory(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool compactDatabase(const QString &path, const QString &password)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;

    // Reserve a unique name beside the file; the engine then writes the copy into it.
    QTemporaryFile reserved(info.absolutePath() + QStringLiteral("/~CPXXXXXX.tmp"));
    reserved.setAutoRemove(false);
    if (!reserved.open())
        return false;
    const QString tempPath = reserved.fileName();
    reserved.close();

    bool ok = false;
    try {
        db::Handle db = db::openDatabase(path, password);
        db::exec(db.get(), QStringLiteral("ATTACH DATABASE %1 AS compacted KEY %2")
                               .arg(sqlLiteral(tempPath), sqlLiteral(password)));
        // The exclusive lock keeps other writers out until the copy is complete.
        db::exec(db.get(), QStringLiteral("BEGIN EXCLUSIVE"));
        db::exec(db.get(), QStringLiteral("SELECT sqlcipher_export('compacted')"));
        db::exec(db.get(), QStringLiteral("COMMIT"));
        const bool complete = tableCount(db.get(), "main") == tableCount(db.get(), "compacted");
        db::exec(db.get(), QStringLiteral("DETACH DATABASE compacted"));
        db.reset();
        // Prove the copy opens with the password before it replaces anything.
        db::Handle check = db::openDatabase(tempPath, password, true);
        check.reset();
        if (complete) {
            QFile::setPermissions(tempPath, QFile::permissions(path));
            ok = std::rename(QFile::encodeName(tempPath).constData(),
                             QFile::encodeName(path).constData()) == 0;
            if (ok)
                syncDirectory(info.absolutePath());
        }
    } catch (const DbError &) {
        ok = false;
    }
    if (!ok) {
        QFile::remove(tempPath);
        QFile::remove(tempPath + QStringLiteral("-journal"));
    }
    return ok;
}
