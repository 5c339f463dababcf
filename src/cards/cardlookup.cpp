#include "cards/cardlookup.h"

#include "db/query.h"

namespace cards {

bool IsAllNum(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

CardLookup cardLookup(const QString &key)
{
    CardLookup lookup;
    // A bound empty key would make the "contains" test match every row.
    if (key.isEmpty()) {
        lookup.sql = QStringLiteral("select * from CZdata where 0");
        return lookup;
    }
    lookup.sql = QStringLiteral("select * from CZdata where 卡片内码 like '%' || :key || '%'");
    lookup.byVehicleNumber = IsAllNum(key);
    if (lookup.byVehicleNumber)
        lookup.sql += QStringLiteral(" or id=:id");
    return lookup;
}

void openCardLookup(Query *q, const QString &key)
{
    const CardLookup lookup = cardLookup(key);
    q->close();
    q->sql().clear();
    q->sql().add(lookup.sql);
    if (!key.isEmpty())
        q->setParameter(QStringLiteral("key"), key);
    if (lookup.byVehicleNumber)
        q->setParameter(QStringLiteral("id"), key.toLongLong());
    q->open();
}

} // namespace cards
