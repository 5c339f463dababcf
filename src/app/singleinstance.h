#pragma once
// One copy of the program at a time: a lock named after the product title, held for the
// process's lifetime (a lock left by a crashed copy is taken over).
#include <QLockFile>
#include <QString>
#include <memory>

class SingleInstance
{
public:
    explicit SingleInstance(const QString &name);
    // True when this process now holds the lock; false when another copy runs.
    bool acquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};
