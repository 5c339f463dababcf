#include "archive/archivelogic.h"
#include "db/like.h"

namespace archive {

Search chooseSearch(const QString &cardCode, const QString &plate, const QString &ownerName)
{
    if (!cardCode.isEmpty())
        return {SearchField::CardCode, cardCode};
    if (!plate.isEmpty())
        return {SearchField::Plate, plate};
    if (!ownerName.isEmpty())
        return {SearchField::OwnerName, ownerName};
    return {};
}

QString searchColumn(SearchField field)
{
    switch (field) {
    case SearchField::CardCode:
        return QStringLiteral("卡片内码");
    case SearchField::Plate:
        return QStringLiteral("车牌号码");
    case SearchField::OwnerName:
        return QStringLiteral("车主姓名");
    case SearchField::None:
        break;
    }
    return {};
}

QString searchStatement(SearchField field)
{
    if (field == SearchField::None)
        return QStringLiteral("select * from CZdata where 0");
    // LIKE keeps the engine's case-insensitive match of Latin letters (a typed "a1b2" finds the
    // card "A1B2..."); the escape makes % and _ ordinary characters.
    return QStringLiteral("select * from CZdata where ") + searchColumn(field) + db::ContainsKey;
}

QString likeKey(const QString &text)
{
    return db::likeKey(text);
}

QString validityText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy年MM月dd日"));
}

QString expiredStatement()
{
    return QStringLiteral("select * from CZdata where 卡片有效期限 < :startrq");
}

QString expiringStatement()
{
    return QStringLiteral(
        "select * from CZdata where 卡片有效期限 >=:startrq and 卡片有效期限 <=:endrq");
}

bool isExpired(const QString &validity, const QDate &today)
{
    // Text order, as the statement compares: the fixed-width form orders like the date.
    return validity < validityText(today);
}

StatusColour statusColour(const QString &status)
{
    if (status == QStringLiteral("未启用") || status == QStringLiteral("初始化"))
        return StatusColour::Green;
    if (status == QStringLiteral("已挂失"))
        return StatusColour::Red;
    if (status == QStringLiteral("已解挂"))
        return StatusColour::Blue;
    return StatusColour::Normal;
}

Rgb rgbOf(StatusColour colour)
{
    switch (colour) {
    case StatusColour::Green:
        return {0, 128, 0};
    case StatusColour::Red:
        return {255, 0, 0};
    case StatusColour::Blue:
        return {0, 0, 255};
    case StatusColour::Normal:
        break;
    }
    return {0, 0, 0};
}

} // namespace archive
