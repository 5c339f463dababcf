#pragma once
// The passage archive CRJLDA: every imported row is kept there, beyond the working table CRJL
// that the passage window empties. A passage is the same one when card, time, reader address and
// direction agree (the table's unique index), so importing a stick again adds nothing.
//
// A gate controller's clock can drift or be reset: rows whose time lies in the future, before
// 2000, or more than a day before the latest time already seen from the same controller (its
// reader address, 读卡地址) are kept with the reason in 时间异常, so that they can be found and
// put right. The rules and the counts the chart window draws are plain functions here.
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <optional>

struct sqlite3;

namespace passagearchive {

inline constexpr char TableName[] = "CRJLDA";

// Why a row's time is not to be trusted; None for a sound one.
enum class TimeFlag { None, Unreadable, Future, Before2000, OutOfOrder };
// The text kept in 时间异常 (empty for None).
QString flagText(TimeFlag flag);

// How far a controller's time may go back before the row counts as out of order.
inline constexpr qint64 AllowedStepBackMinutes = 24 * 60;

// Minutes since 0001-01-01 of a passage time "yyyy年MM月dd日hh:mm分" (UTF-8, as the import binds
// it); nullopt when the text is not such a time (an empty row, a month 13, an hour 24).
std::optional<qint64> passageMinutes(QByteArrayView utf8);
std::optional<qint64> passageMinutes(const QString &text);
qint64 minutesOf(const QDateTime &time);

// The rule for one row: `latest` is the latest sound time already seen from its controller.
TimeFlag timeFlag(std::optional<qint64> minutes, qint64 nowMinutes, std::optional<qint64> latest);

// timeFlag() over an import: remembers the latest sound time per controller, starting from what
// the archive already holds (asked once per controller through `archived`).
class ControllerClocks
{
public:
    using ArchivedLatest = std::function<std::optional<qint64>(QByteArrayView address)>;
    ControllerClocks(qint64 nowMinutes, ArchivedLatest archived);
    TimeFlag check(QByteArrayView address, QByteArrayView timeUtf8);

private:
    qint64 m_now;
    ArchivedLatest m_archived;
    QHash<QByteArray, std::optional<qint64>> m_latest;
};

// ---- statements of the passage window's archive search ----

struct Search
{
    QDateTime from;
    QDateTime to;
    QString card;  // card codes starting with it (empty: any)
    QString plate; // plates starting with it (empty: any)
    bool flaggedOnly = false;
};
// The statement (its fields are those of the passage grid, and 时间异常) and its named
// parameters; the range and the typed texts are bound, never spliced in.
struct Statement
{
    QString sql;
    QList<QPair<QString, QString>> parameters;
};
Statement searchStatement(const Search &search);

// ---- counts for the chart window ----

struct DayCount
{
    QDate day;
    int in = 0;
    int out = 0;
};
// One entry per day from `from` to `to` (both included), from the archive's rows grouped by
// day and direction: (day text "yyyy年MM月dd日", 进出状态, count). Rows outside the range or of
// an unreadable day are left out.
struct DayRow
{
    QString day;
    QString direction;
    int count = 0;
};
QList<DayCount> perDay(const QDate &from, const QDate &to, const QList<DayRow> &rows);

struct MonthCount
{
    QDate month; // the first of the month
    int cards = 0;
};
// Cards whose validity (CZdata.卡片有效期限, "yyyy年MM月dd日") ends in each of the twelve months
// from today's on, counting from today (a card already expired is not counted). Input: validity
// text and the number of cards with it.
QList<MonthCount> expiringPerMonth(const QDate &today, const QList<QPair<QString, int>> &validity);

// The same read from the database.
QList<DayCount> passagesPerDay(sqlite3 *db, const QDate &from, const QDate &to);
QList<MonthCount> cardsExpiringPerMonth(sqlite3 *db, const QDate &today);

} // namespace passagearchive
