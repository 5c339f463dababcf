#include "passages/passagearchive.h"

#include "db/connection.h"
#include "passages/texts.h"

#include <sqlite3.h>

namespace passagearchive {

namespace {

namespace A = texts::passages::archive;

const QString DayFormat = QStringLiteral("yyyy年MM月dd日");
const QString TimeFormat = QStringLiteral("yyyy年MM月dd日HH:mm分");
// Above every character a plate or a card code holds: "starts with T" is the range
// [T, T + this), which the indexes answer.
const QString PrefixEnd = QStringLiteral(" || char(1114111)");

std::optional<int> digits(const QString &text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

QString textColumn(sqlite3_stmt *st, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, column)));
}

void bindText(sqlite3_stmt *st, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(st, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

} // namespace

QString flagText(TimeFlag flag)
{
    switch (flag) {
    case TimeFlag::None:
        return {};
    case TimeFlag::Unreadable:
        return A::FlagUnreadable;
    case TimeFlag::Future:
        return A::FlagFuture;
    case TimeFlag::Before2000:
        return A::FlagBefore2000;
    case TimeFlag::OutOfOrder:
        return A::FlagOutOfOrder;
    }
    return {};
}

std::optional<qint64> passageMinutes(const QString &text)
{
    // yyyy年MM月dd日hh:mm分
    if (text.size() != 17 || text.at(4) != QChar(u'年') || text.at(7) != QChar(u'月') ||
        text.at(10) != QChar(u'日') || text.at(13) != QLatin1Char(':') ||
        text.at(16) != QChar(u'分'))
        return std::nullopt;
    const auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2),
               hour = digits(text, 11, 2), minute = digits(text, 14, 2);
    if (!year || !month || !day || !hour || !minute || *hour > 23 || *minute > 59)
        return std::nullopt;
    const QDate date(*year, *month, *day);
    if (!date.isValid())
        return std::nullopt;
    return date.toJulianDay() * 1440 + *hour * 60 + *minute;
}

std::optional<qint64> passageMinutes(QByteArrayView utf8)
{
    return passageMinutes(QString::fromUtf8(utf8));
}

qint64 minutesOf(const QDateTime &time)
{
    return time.date().toJulianDay() * 1440 + time.time().hour() * 60 + time.time().minute();
}

TimeFlag timeFlag(std::optional<qint64> minutes, qint64 nowMinutes, std::optional<qint64> latest)
{
    static const qint64 Year2000 = QDate(2000, 1, 1).toJulianDay() * 1440;
    if (!minutes)
        return TimeFlag::Unreadable;
    if (*minutes > nowMinutes)
        return TimeFlag::Future;
    if (*minutes < Year2000)
        return TimeFlag::Before2000;
    if (latest && *minutes < *latest - AllowedStepBackMinutes)
        return TimeFlag::OutOfOrder;
    return TimeFlag::None;
}

ControllerClocks::ControllerClocks(qint64 nowMinutes, ArchivedLatest archived)
    : m_now(nowMinutes)
    , m_archived(std::move(archived))
{}

TimeFlag ControllerClocks::check(QByteArrayView address, QByteArrayView timeUtf8)
{
    const QByteArray key = address.toByteArray();
    auto it = m_latest.find(key);
    if (it == m_latest.end())
        it = m_latest.insert(key, m_archived ? m_archived(address) : std::nullopt);
    const std::optional<qint64> minutes = passageMinutes(timeUtf8);
    const TimeFlag flag = timeFlag(minutes, m_now, *it);
    // Only a sound time moves the controller's clock on: one row from 2099 must not make every
    // later row look out of order.
    if (flag == TimeFlag::None && (!*it || *minutes > **it))
        *it = minutes;
    return flag;
}

Statement searchStatement(const Search &search)
{
    Statement out;
    out.sql = QStringLiteral("select 序号, 卡片内码, 车主姓名, 车牌号码, 进出时间, 进出状态, "
                             "读卡地址, 时间异常 from CRJLDA where ");
    // With a card or a plate, that index finds the rows and the range only filters them (the
    // "+" keeps the planner off the time index, which would read the whole range).
    const bool byKey = !search.card.isEmpty() || !search.plate.isEmpty();
    const QString time = byKey ? QStringLiteral("+进出时间") : QStringLiteral("进出时间");
    out.sql += time + QStringLiteral(" >= :startrq and ") + time + QStringLiteral(" <= :endrq");
    out.parameters.append({QStringLiteral("startrq"), search.from.toString(TimeFormat)});
    out.parameters.append({QStringLiteral("endrq"), search.to.toString(TimeFormat)});
    if (!search.card.isEmpty()) {
        out.sql += QStringLiteral(" and 卡片内码 >= :card and 卡片内码 < :card") + PrefixEnd;
        out.parameters.append({QStringLiteral("card"), search.card});
    } else if (!search.plate.isEmpty()) {
        out.sql += QStringLiteral(" and 车牌号码 >= :plate and 车牌号码 < :plate") + PrefixEnd;
        out.parameters.append({QStringLiteral("plate"), search.plate});
    }
    if (search.flaggedOnly)
        out.sql += QStringLiteral(" and 时间异常 <> ''");
    out.sql += QStringLiteral(" order by 进出时间, 序号");
    return out;
}

QList<DayCount> perDay(const QDate &from, const QDate &to, const QList<DayRow> &rows)
{
    QList<DayCount> out;
    if (!from.isValid() || !to.isValid() || from > to)
        return out;
    for (QDate d = from; d <= to; d = d.addDays(1))
        out.append({d, 0, 0});
    for (const DayRow &row : rows) {
        const QDate day = QDate::fromString(row.day, DayFormat);
        if (!day.isValid() || day < from || day > to)
            continue;
        DayCount &c = out[int(from.daysTo(day))];
        (row.direction == QStringLiteral("进") ? c.in : c.out) += row.count;
    }
    return out;
}

QList<MonthCount> expiringPerMonth(const QDate &today, const QList<QPair<QString, int>> &validity)
{
    QList<MonthCount> out;
    const QDate first(today.year(), today.month(), 1);
    for (int i = 0; i < 12; ++i)
        out.append({first.addMonths(i), 0});
    const QDate end = first.addMonths(12);
    for (const auto &[text, cards] : validity) {
        const QDate date = QDate::fromString(text, DayFormat);
        if (!date.isValid() || date < today || date >= end)
            continue;
        const int month = (date.year() - first.year()) * 12 + date.month() - first.month();
        out[month].cards += cards;
    }
    return out;
}

QList<DayCount> passagesPerDay(sqlite3 *db, const QDate &from, const QDate &to)
{
    // Answered from the index on (进出时间, 进出状态) alone.
    db::Statement st(db, QStringLiteral("select substr(进出时间, 1, 11), 进出状态, count(*) from "
                                        "CRJLDA where 进出时间 >= ? and 进出时间 <= ? "
                                        "group by 1, 2"));
    bindText(st.get(), 1, QDateTime(from, QTime(0, 0)).toString(TimeFormat));
    bindText(st.get(), 2, QDateTime(to, QTime(23, 59)).toString(TimeFormat));
    QList<DayRow> rows;
    while (st.step())
        rows.append(
            {textColumn(st.get(), 0), textColumn(st.get(), 1), sqlite3_column_int(st.get(), 2)});
    return perDay(from, to, rows);
}

QList<MonthCount> cardsExpiringPerMonth(sqlite3 *db, const QDate &today)
{
    db::Statement st(db, QStringLiteral("select 卡片有效期限, count(*) from CZdata where "
                                        "卡片有效期限 >= ? group by 1"));
    bindText(st.get(), 1, today.toString(DayFormat));
    QList<QPair<QString, int>> validity;
    while (st.step())
        validity.append({textColumn(st.get(), 0), sqlite3_column_int(st.get(), 1)});
    return expiringPerMonth(today, validity);
}

} // namespace passagearchive
