#pragma once
// One copy of the program per user, and one copy per program directory.
//
// Both are advisory locks (flock) held for the process's lifetime: the kernel drops them when
// the process ends, however it ends, so a copy that was killed leaves nothing that blocks the
// next start. The per-user lock lives in the user's runtime directory, where no other account
// can get in its way; the directory lock is taken on the program directory itself, so copies
// run by different accounts, or with different environments, still meet there.
#include <QString>

class SingleInstance
{
public:
    // `name` names the per-user lock file; `programDir`, when given, is locked as well.
    explicit SingleInstance(const QString &name, const QString &programDir = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    enum class Outcome { Acquired, RunningForThisUser, DirectoryInUse };
    // Acquired when this process now holds both locks (again: a second call keeps them).
    Outcome acquire();
    QString lockFileName() const { return m_lockPath; }

private:
    QString m_lockPath;
    QString m_programDir;
    int m_userFd = -1;
    int m_dirFd = -1;
};

// Where the per-user lock named `name` lives: the runtime directory, else a name of the user's
// own in the temporary folder.
QString singleInstanceLockPath(const QString &name);
