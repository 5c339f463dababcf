#pragma once
// The owner archive's rules that need no window: which search edit wins and the statement it
// runs, the expired and expiring-soon selections, and the text colour of a card status.
#include "db/ownerarchive.h"

#include <QDate>
#include <QString>

namespace archive {

// The three search edits, in the order they are asked.
enum class SearchField { None, CardCode, Plate, OwnerName };

struct Search
{
    SearchField field = SearchField::None;
    QString text; // as typed, not trimmed
};

// The first non-empty edit (untrimmed test: a blank alone is a search for a blank).
Search chooseSearch(const QString &cardCode, const QString &plate, const QString &ownerName);

// The selection of a search: records whose column contains the text (a quote, a percent sign or
// an underscore is a character to find). SearchField::None selects nothing.
owners::Selection searchSelection(const Search &search);

// The stored form of a validity date ("yyyy年MM月dd日"), which orders like the date.
QString validityText(const QDate &date);

// Records whose validity ends before `today`, and those whose validity lies in [first, last].
owners::Selection expiredSelection(const QDate &today);
owners::Selection expiringSelection(const QDate &first, const QDate &last);
// True when a stored validity counts as expired on `today` (the same test as the statement).
bool isExpired(const QString &validity, const QDate &today);

// The text colour of a record by its 卡片状态; Normal is the grid's own text colour.
enum class StatusColour { Normal, Green, Red, Blue };
StatusColour statusColour(const QString &status);
struct Rgb
{
    int red, green, blue;
    bool operator==(const Rgb &) const = default;
};
Rgb rgbOf(StatusColour colour); // Normal has no colour of its own: black

} // namespace archive
