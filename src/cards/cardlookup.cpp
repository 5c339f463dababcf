#include "cards/cardlookup.h"
#include "db/like.h"

#include "db/query.h"

namespace cards {

namespace {

QString columnOf(LookupField field)
{
    switch (field) {
    case LookupField::Plate:
        return QStringLiteral("车牌号码");
    case LookupField::Name:
        return QStringLiteral("车主姓名");
    case LookupField::CardCode:
        break;
    }
    return QStringLiteral("卡片内码");
}

} // namespace

bool IsAllNum(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

CardLookup lookup(LookupField field, const QString &key)
{
    CardLookup result;
    // A bound empty key would make the "contains" test match every row.
    if (key.isEmpty()) {
        result.sql = QStringLiteral("select * from CZdata where 0");
        return result;
    }
    result.sql = QStringLiteral("select * from CZdata where ") + columnOf(field) + db::ContainsKey;
    result.byVehicleNumber = IsAllNum(key);
    if (result.byVehicleNumber)
        result.sql += QStringLiteral(" or id=:id");
    return result;
}

CardLookup cardLookup(const QString &key)
{
    return lookup(LookupField::CardCode, key);
}

void openLookup(Query *q, LookupField field, const QString &key)
{
    const CardLookup statement = lookup(field, key);
    q->close();
    q->sql().clear();
    q->sql().add(statement.sql);
    if (!key.isEmpty())
        q->setParameter(QStringLiteral("key"), db::likeKey(key));
    if (statement.byVehicleNumber) {
        // Digits beyond any id select no record by id, as a number that large matches none.
        bool ok = false;
        const qlonglong id = key.toLongLong(&ok);
        q->setParameter(QStringLiteral("id"), ok ? QVariant(id) : QVariant(-1));
    }
    q->open();
}

void openCardLookup(Query *q, const QString &key)
{
    openLookup(q, LookupField::CardCode, key);
}

} // namespace cards
