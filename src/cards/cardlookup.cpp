#include "cards/cardlookup.h"

#include "common/keys.h"
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
    return keys::isAllDigits(text);
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
