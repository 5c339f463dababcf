#pragma once
// What "now" is for the program: card validity, the expiring-soon list, passage time ranges and
// the date panes all ask here, so tests can fix the date and time.
#include <QDate>
#include <QDateTime>

namespace appclock {

QDateTime now();
QDate today();

// Fixes "now" (tests); an invalid value returns to the system clock.
void setNow(const QDateTime &fixed);

// Fixes "now" for a scope and restores the previous setting after it.
class ScopedNow
{
public:
    explicit ScopedNow(const QDateTime &fixed);
    ~ScopedNow();
    ScopedNow(const ScopedNow &) = delete;
    ScopedNow &operator=(const ScopedNow &) = delete;

private:
    QDateTime m_previous;
};

} // namespace appclock
