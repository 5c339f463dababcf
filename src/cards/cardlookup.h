#pragma once
// The card lookup shared by the card tab and the unloss token: archive records whose card code
// contains a key, plus, for an all-digit key, the record whose id is the key. The key is always
// bound as a parameter.
#include <QString>

class Query;

namespace cards {

// True when every character is a decimal digit (also for the empty text).
bool IsAllNum(const QString &text);

struct CardLookup
{
    QString sql;
    bool byVehicleNumber = false; // also binds :id with the key as a number
};

// The statement for a key; an empty key selects nothing.
CardLookup cardLookup(const QString &key);

// Closes q, replaces its statement with the lookup of key, binds it and opens it.
void openCardLookup(Query *q, const QString &key);

} // namespace cards
