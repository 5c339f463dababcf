#include "common/clock.h"

namespace appclock {
namespace {
QDateTime &fixedNow()
{
    static QDateTime value;
    return value;
}
} // namespace

QDateTime now()
{
    return fixedNow().isValid() ? fixedNow() : QDateTime::currentDateTime();
}

QDate today()
{
    return now().date();
}

void setNow(const QDateTime &fixed)
{
    fixedNow() = fixed;
}

ScopedNow::ScopedNow(const QDateTime &fixed)
    : m_previous(fixedNow())
{
    setNow(fixed);
}

ScopedNow::~ScopedNow()
{
    setNow(m_previous);
}

} // namespace appclock
