#pragma once
// Automatic backups of the database file into the folder Backup/ of the program directory: one
// at the first login of each day, one before a restore and one before the login window compacts
// the file. Each is a checked copy written under a temporary name and renamed into place, so a
// file that carries a backup's name is always complete; the newest ones are kept (30, or
// [Backup] Keep= of the program's settings file), the older ones removed. Nothing here shows
// anything: the windows learn of a backup through notifier().
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace backups {

// Why a backup was written; its file name says so.
enum class Occasion { Login, Restore, Compaction };

inline constexpr int DefaultKeep = 30;

// One automatic backup in the folder.
struct Entry
{
    QString path;
    QDateTime time;
    Occasion occasion = Occasion::Login;
    int serial = 1; // 2, 3 … for a second backup within the same second
};

// The outcome of a backup: the file written, or why there is none (in the operator's words).
struct Result
{
    QString path;
    QString reason;
    Occasion occasion = Occasion::Login;
    bool ok() const { return reason.isEmpty(); }
};

// "Data-20261211-095500-login.mdb" (serial 1), "…-login-2.mdb" (serial 2).
QString fileName(const QDateTime &when, Occasion occasion, int serial = 1);
// The entry a file name stands for; nothing for a name this program does not give a backup
// (the operator's own files, a copy still being written).
std::optional<Entry> parse(const QString &fileName);

// Backup/ in the program directory.
QString folder();
// The automatic backups in folder, newest first. Other files are not listed.
QList<Entry> list(const QString &folder);

// Whether today has no backup yet, so that this login is the day's first.
bool dueToday(const QList<Entry> &kept, const QDate &today);

// How many backups to keep: [Backup] Keep= of settingsFile; DefaultKeep when the key is missing
// or is not a whole number of at least 1.
int keepCount(const QString &settingsFile);

// Removes the oldest backups beyond keep, never `spare` (the file a restore is reading). Returns
// the files removed.
QStringList rotate(const QString &folder, int keep, const QString &spare = {});

// Copies the database dataFile to target: under the engine's shared lock (no write can land in
// the middle of the copy), through a temporary file beside target that must open with the
// database password and read back sound before it is renamed to target. An empty result is
// success; otherwise the reason, and target is as it was.
QString copyDatabase(const QString &dataFile, const QString &target);

// Writes a backup of dataFile into folder (made when missing) named after appclock::now() and
// occasion, then removes the oldest beyond keep (sparing `spare`). A failed backup removes none.
// Copies left by a backup that was killed are removed first.
Result write(const QString &dataFile, const QString &folder, Occasion occasion, int keep,
             const QString &spare = {});

// The status line's text for a result.
QString statusText(const Result &result);
// The date and time of an entry as the windows show it.
QString shownTime(const QDateTime &time);
QString occasionName(Occasion occasion);

// Whether the failure box may be shown now: once a day ([Backup] FailureShown= of the settings
// file, and for this run of the program when that file cannot be written). Marks it shown.
bool takeFailureBox(const QString &settingsFile, const QDate &today);

// Tells the windows of each backup written or failed.
class Notifier : public QObject
{
    Q_OBJECT
public:
    void announce(const Result &result) { emit finished(result); }

signals:
    void finished(const backups::Result &result);
};
Notifier *notifier();

} // namespace backups
