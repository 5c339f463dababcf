#pragma once
// The lookups of archive records by a typed or read key: records whose card code (or plate, or
// owner name) contains the key, plus, for an all-digit key, the record whose id is the key. The
// key is always bound as a parameter, so quotes and SQL text in it are only ever part of the
// value; percent signs and underscores are characters to find. The statements are the owner
// archive's (db/ownerarchive.h).
#include <QString>

class Query;

namespace cards {

// True when every character is a decimal digit (also for the empty text).
bool IsAllNum(const QString &text);

enum class LookupField { CardCode, Plate, Name };

// Closes q, replaces its statement with the lookup of key (records whose column contains the key,
// and for an all-digit key the record whose id it is), binds it and opens it.
void openLookup(Query *q, LookupField field, const QString &key);
void openCardLookup(Query *q, const QString &key);

} // namespace cards
