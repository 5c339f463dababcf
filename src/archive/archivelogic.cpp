#include "archive/archivelogic.h"

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

owners::Selection searchSelection(const Search &search)
{
    switch (search.field) {
    case SearchField::CardCode:
        return owners::containing(owners::KeyColumn::CardCode, search.text);
    case SearchField::Plate:
        return owners::containing(owners::KeyColumn::Plate, search.text);
    case SearchField::OwnerName:
        return owners::containing(owners::KeyColumn::OwnerName, search.text);
    case SearchField::None:
        break;
    }
    return owners::noRecord();
}

QString validityText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy年MM月dd日"));
}

owners::Selection expiredSelection(const QDate &today)
{
    return owners::expiredBefore(validityText(today));
}

owners::Selection expiringSelection(const QDate &first, const QDate &last)
{
    return owners::validityBetween(validityText(first), validityText(last));
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
