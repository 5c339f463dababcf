#include "db/backups.h"

#include "common/clock.h"
#include "common/filewrite.h"
#include "common/inifile.h"
#include "common/programdir.h"
#include "db/connection.h"
#include "db/dberror.h"
#include "db/schema.h"
#include "db/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace backups {

namespace {

const QString Section = QStringLiteral("Backup");

const char *tag(Occasion occasion)
{
    switch (occasion) {
    case Occasion::Login:
        return "login";
    case Occasion::Restore:
        return "restore";
    case Occasion::Compaction:
        return "compact";
    }
    return "login";
}

const QRegularExpression &namePattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        "^Data-(\\d{8}-\\d{6})-(login|restore|compact)(?:-([2-9]|[1-9]\\d+))?\\.mdb$"));
    return pattern;
}

// Copies left by a backup that was killed: "Data-….mdb.XXXXXX" that no running backup holds.
const QString StagedPattern = QStringLiteral("Data-*.mdb.??????");

void removeLeftovers(const QString &folder)
{
    const QDir dir(folder);
    for (const QString &name :
         dir.entryList({StagedPattern}, QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        const QString path = dir.filePath(name);
        if (filewrite::abandoned(path))
            QFile::remove(path);
    }
}

// Reads every page of the copy under the key: a page that does not decrypt or link up shows
// here, not on the day the backup is needed.
QString soundnessProblem(const QString &path)
{
    try {
        db::Handle db = db::openDatabase(path, QString::fromLatin1(db::DatabasePassword), true);
        db::Statement check(db.get(), QStringLiteral("PRAGMA integrity_check"));
        const bool ok = check.step() &&
                        qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(check.get(), 0)),
                                "ok") == 0 &&
                        !check.step();
        if (!ok)
            return QStringLiteral("integrity_check");
        if (!schema::hasAllTables(db.get()))
            return QStringLiteral("tables");
        return {};
    } catch (const DbError &e) {
        return e.text();
    }
}

int copyBytes(int from, filewrite::StagedFile &to)
{
    static constexpr qsizetype Chunk = 1 << 20;
    QByteArray buffer(Chunk, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), size_t(Chunk));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        if (const int err = to.write(buffer.constData(), n))
            return err;
    }
}

} // namespace

QString fileName(const QDateTime &when, Occasion occasion, int serial)
{
    QString name = QStringLiteral("Data-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                   QLatin1Char('-') + QLatin1String(tag(occasion));
    if (serial > 1)
        name += QLatin1Char('-') + QString::number(serial);
    return name + QStringLiteral(".mdb");
}

std::optional<Entry> parse(const QString &name)
{
    const QRegularExpressionMatch m = namePattern().match(name);
    if (!m.hasMatch())
        return std::nullopt;
    Entry e;
    e.time = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
    if (!e.time.isValid())
        return std::nullopt;
    const QString t = m.captured(2);
    e.occasion = t == QLatin1String("restore")   ? Occasion::Restore
                 : t == QLatin1String("compact") ? Occasion::Compaction
                                                 : Occasion::Login;
    e.serial = m.captured(3).isEmpty() ? 1 : m.captured(3).toInt();
    return e;
}

QString folder()
{
    return programdir::path(QStringLiteral("Backup"));
}

QList<Entry> list(const QString &folder)
{
    QList<Entry> out;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("Data-*.mdb")}, QDir::Files)) {
        if (std::optional<Entry> e = parse(name)) {
            e->path = dir.filePath(name);
            out << *e;
        }
    }
    std::sort(out.begin(), out.end(), [](const Entry &a, const Entry &b) {
        return a.time != b.time ? a.time > b.time : a.serial > b.serial;
    });
    return out;
}

bool dueToday(const QList<Entry> &kept, const QDate &today)
{
    return std::none_of(kept.begin(), kept.end(),
                        [&](const Entry &e) { return e.time.date() == today; });
}

int keepCount(const QString &settingsFile)
{
    const int keep = IniFile(settingsFile).readInteger(Section, QStringLiteral("Keep"), 0);
    return keep >= 1 ? keep : DefaultKeep;
}

QStringList rotate(const QString &folder, int keep, const QString &spare)
{
    QStringList removed;
    const QList<Entry> kept = list(folder);
    const QString spared = spare.isEmpty() ? QString() : QFileInfo(spare).absoluteFilePath();
    for (qsizetype i = std::max(keep, 0); i < kept.size(); ++i) {
        const QString path = kept.at(i).path;
        if (QFileInfo(path).absoluteFilePath() == spared)
            continue;
        if (QFile::remove(path))
            removed << path;
    }
    return removed;
}

QString copyDatabase(const QString &dataFile, const QString &target)
{
    // A shared lock on the database for the length of the copy: a writer (this program's other
    // connections, the command-line tool) cannot commit into the middle of it, and a journal
    // left by a writer that crashed is rolled back before the copy starts.
    db::Handle source;
    try {
        source = db::openDatabase(dataFile, QString::fromLatin1(db::DatabasePassword));
        db::exec(source.get(), QStringLiteral("BEGIN; SELECT count(*) FROM sqlite_master;"));
    } catch (const DbError &e) {
        return texts::db::CannotReadDatabase.arg(e.text());
    }
    const int in = ::open(QFile::encodeName(dataFile).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return filewrite::reason(errno);
    filewrite::StagedFile staged(target);
    int err = staged.error();
    // Held while the copy is written: a copy nobody holds was left by a backup that was killed.
    if (err == 0)
        ::flock(staged.fd(), LOCK_EX | LOCK_NB);
    if (err == 0)
        err = copyBytes(in, staged);
    ::close(in);
    source.reset();
    if (err != 0)
        return filewrite::reason(err);
    if (const QString problem = soundnessProblem(staged.name()); !problem.isEmpty())
        return texts::db::CopyNotSound.arg(problem);
    if (const int committed = staged.commit())
        return filewrite::reason(committed);
    return {};
}

Result write(const QString &dataFile, const QString &folder, Occasion occasion, int keep,
             const QString &spare)
{
    Result r;
    r.occasion = occasion;
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) != 0 && errno != EEXIST) {
        r.reason = filewrite::reason(errno);
        return r;
    }
    if (!QFileInfo(folder).isDir()) {
        r.reason = filewrite::reason(ENOTDIR);
        return r;
    }
    removeLeftovers(folder);
    const QDateTime now = appclock::now();
    const QDir dir(folder);
    int serial = 1;
    while (QFileInfo::exists(dir.filePath(fileName(now, occasion, serial))))
        ++serial;
    const QString target = dir.filePath(fileName(now, occasion, serial));
    r.reason = copyDatabase(dataFile, target);
    if (!r.ok())
        return r;
    r.path = target;
    rotate(folder, keep, spare);
    return r;
}

QString statusText(const Result &result)
{
    if (!result.ok())
        return texts::db::AutoBackupFailedStatus.arg(result.reason);
    const QString name = QFileInfo(result.path).fileName();
    switch (result.occasion) {
    case Occasion::Login:
        return texts::db::AutoBackupAtLogin.arg(name);
    case Occasion::Restore:
        return texts::db::AutoBackupBeforeRestore.arg(name);
    case Occasion::Compaction:
        return texts::db::AutoBackupBeforeCompaction.arg(name);
    }
    return {};
}

QString shownTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString occasionName(Occasion occasion)
{
    switch (occasion) {
    case Occasion::Login:
        return texts::db::OccasionLogin;
    case Occasion::Restore:
        return texts::db::OccasionRestore;
    case Occasion::Compaction:
        return texts::db::OccasionCompaction;
    }
    return {};
}

bool takeFailureBox(const QString &settingsFile, const QDate &today)
{
    static QHash<QString, QDate> shownThisRun;
    const QString key = QStringLiteral("FailureShown");
    IniFile settings(settingsFile);
    const QDate recorded = QDate::fromString(settings.readString(Section, key), Qt::ISODate);
    if (shownThisRun.value(settingsFile) == today || recorded == today)
        return false;
    shownThisRun.insert(settingsFile, today);
    settings.writeString(Section, key, today.toString(Qt::ISODate));
    settings.save();
    return true;
}

Notifier *notifier()
{
    static Notifier instance;
    return &instance;
}

} // namespace backups
