#pragma once
// Writing whole files, with the reason of a failure in the operator's words.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace filewrite {

// A new file beside `path` that takes its place only when committed: a failure leaves an
// existing file as it was, and nothing half-written behind (an uncommitted file is removed).
class StagedFile
{
public:
    explicit StagedFile(const QString &path);
    ~StagedFile();
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    // 0 once the file is made, else the errno of the failure.
    int error() const { return m_error; }
    int fd() const { return m_fd; }
    QString name() const { return QFile::decodeName(m_staged); }
    // Appends bytes to the file; returns 0 or the errno of the failure.
    int write(const char *data, qsizetype size);
    // Flushes what was written through fd() (or by name), closes the file and renames it into
    // place; returns 0 or the errno of the step that failed.
    int commit();

private:
    QByteArray m_target;
    QByteArray m_staged;
    int m_fd = -1;
    int m_error = 0;
    bool m_committed = false;
};

// Writes `bytes` through a StagedFile. Returns 0, or the errno of the step that failed (ENOSPC
// for a full disk, EROFS, EACCES ...).
int replaceFile(const QString &path, const QByteArray &bytes);

// True when nobody holds the lock of the file at path: the writer that made it (a staged copy, a
// compaction's work file) has ended without cleaning up. False also when it cannot be opened.
bool abandoned(const QString &path);

// What an errno from reading or writing a file means, in Chinese, followed by the system's own
// text in brackets for support.
QString reason(int err);

// The mode a new file of the program gets: read and write for whom the process's umask allows.
unsigned newFileMode();

} // namespace filewrite
