#include "app/singleinstance.h"

#include <QDir>

SingleInstance::SingleInstance(const QString &name)
    : m_lock(std::make_unique<QLockFile>(QDir::temp().filePath(name + QStringLiteral(".lock"))))
{
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    return m_lock->isLocked() || m_lock->tryLock(0);
}
