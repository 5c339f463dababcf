#include "cards/issuing.h"

#include "common/gbk.h"
#include "db/ownerarchive.h"

namespace cards {

VehicleNumber nextVehicleNumber(bool archiveEmpty, const QVariant &lastNumber)
{
    if (archiveEmpty)
        return {QStringLiteral("1001"), true};
    if (!lastNumber.isValid() || lastNumber.isNull())
        return {QStringLiteral("1000"), false};
    const qlonglong next = lastNumber.toLongLong() + 1;
    return {QStringLiteral("%1").arg(next, 4, 10, QLatin1Char('0')), true};
}

QString groupListText(int mask)
{
    QStringList groups;
    for (int group = 1; group <= 8; ++group) {
        if (groupSelected(mask, group))
            groups << QString::number(group);
    }
    return groups.join(QLatin1Char(','));
}

QString validityText(const QDate &date)
{
    return QStringLiteral("20") + date.toString(QStringLiteral("yy年MM月dd日"));
}

QDate firstValidityDate()
{
    return QDate(2000, 1, 1);
}

QDate lastValidityDate()
{
    return QDate(2099, 12, 31);
}

int groupMask(const std::array<int, 8> &bits)
{
    int mask = 0;
    for (const int bit : bits)
        mask += bit;
    return mask;
}

int groupNumber(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? (n & 0xFF) : 0;
}

bool groupSelected(int mask, int group)
{
    return (mask >> (group - 1)) & 1;
}

const std::array<OwnerField, 11> &ownerFields()
{
    static const std::array<OwnerField, 11> fields = {{
        {"edt9", QStringLiteral("车辆编号"), 4},
        {"edt10", QStringLiteral("卡片内码"), 8},
        {"edt11", QStringLiteral("车主姓名"), 15},
        {"edt12", QStringLiteral("车牌号码"), 8},
        {"DBcbb3", QStringLiteral("汽车类型"), 0},
        {"edt13", QStringLiteral("车主手机"), 11},
        {"edt14", QStringLiteral("车辆信息"), 30},
        {"edt15", QStringLiteral("卡片有效期限"), 14},
        {"edt16", QStringLiteral("车场车位"), 50},
        {"edt20", QStringLiteral("住址"), 50},
        {"edt3", QStringLiteral("卡片状态"), 8},
    }};
    return fields;
}

int maxBytesOf(const QString &control)
{
    for (const OwnerField &f : ownerFields()) {
        if (control == QLatin1String(f.control))
            return f.maxBytes;
    }
    return 0;
}

bool isMobileNumber(const QString &text)
{
    if (text.size() != 11)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool isDuplicateCardRefusal(const QString &databaseText)
{
    return databaseText.contains(QLatin1String("UNIQUE constraint failed"), Qt::CaseInsensitive) &&
           databaseText.contains(QStringLiteral("卡片内码"));
}

void openCardRecord(Query *q, const QString &code)
{
    owners::open(*q, owners::byCard(code));
}

} // namespace cards

namespace cards {

QString ownerFieldText(const QString &text, int maxBytes)
{
    QString kept;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break;
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            continue;
        kept.append(c);
    }
    return maxBytes > 0 ? gbk::limitBytes(kept, maxBytes) : kept;
}

QString ownerColumnText(const QString &column, const QString &text)
{
    int maxBytes = 0;
    for (const OwnerField &f : ownerFields()) {
        if (f.column == column)
            maxBytes = f.maxBytes;
    }
    QString kept = ownerFieldText(text, 0);
    if (column == QStringLiteral("车主手机"))
        kept.removeIf([](QChar c) { return c < QLatin1Char('0') || c > QLatin1Char('9'); });
    return maxBytes > 0 ? gbk::limitBytes(kept, maxBytes) : kept;
}

} // namespace cards
