#include "cards/cardlookup.h"

#include "db/ownerarchive.h"

namespace cards {

namespace {

owners::KeyColumn columnOf(LookupField field)
{
    switch (field) {
    case LookupField::Plate:
        return owners::KeyColumn::Plate;
    case LookupField::Name:
        return owners::KeyColumn::OwnerName;
    case LookupField::CardCode:
        break;
    }
    return owners::KeyColumn::CardCode;
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

void openLookup(Query *q, LookupField field, const QString &key)
{
    owners::open(*q, owners::containing(columnOf(field), key, true));
}

void openCardLookup(Query *q, const QString &key)
{
    openLookup(q, LookupField::CardCode, key);
}

} // namespace cards
