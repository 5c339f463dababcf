#pragma once
// The owner archive's rules that need no window: which search edit wins and the statement it
// runs, the expired and expiring-soon selections, and the text colour of a card status.
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

// The column a search field looks in.
QString searchColumn(SearchField field);

// "Column contains the text": the text is bound as :key, escaped by likeKey(), so a quote, a
// percent sign or an underscore is a character to find and never part of the statement.
QString searchStatement(SearchField field);
// The bound value for searchStatement(): LIKE wildcards and the escape character escaped.
QString likeKey(const QString &text);

// The stored form of a validity date ("yyyy年MM月dd日"), which orders like the date.
QString validityText(const QDate &date);

// Records whose validity ends before :startrq (bound to validityText(today)).
QString expiredStatement();
// Records whose validity lies in [:startrq, :endrq].
QString expiringStatement();
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
