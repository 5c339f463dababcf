#include "cards/loss.h"

#include "common/keys.h"
#include "issuer/replies.h"
#include "issuer/trim.h"

#include <algorithm>

namespace cards {

bool isFullCardCode(const QString &text)
{
    const QString code = issuer::trimmed(text);
    return code.size() == 8 && std::all_of(code.begin(), code.end(), keys::isHexDigit);
}

QString tokenDigits(TokenOperation operation, const QString &card)
{
    return issuer::trimmed(card).right(operation == TokenOperation::Loss ? 6 : 4);
}

bool tokenConfirms(TokenOperation operation, const QString &card, const QByteArray &reply)
{
    if (!isFullCardCode(card))
        return false;
    const issuer::ReplyForm form = issuer::classifyReply(reply);
    const bool loss = operation == TokenOperation::Loss;
    if (form != (loss ? issuer::ReplyForm::LossToken : issuer::ReplyForm::UnlossToken))
        return false;
    const QString carried = QString::fromLatin1(loss ? reply.mid(10, 6) : reply.mid(12, 4));
    // The frame was made from the code's digits in either case; the token reports upper case.
    return carried.compare(tokenDigits(operation, card), Qt::CaseInsensitive) == 0;
}

DateRange expiringRange(const QDate &today)
{
    return {today, today.addDays(10)};
}

QString archiveDateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy年MM月dd日"));
}

} // namespace cards
