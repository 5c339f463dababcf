#pragma once
// The logic of loss, unloss and the expiring-soon list that is not about widgets: which card
// code a loss or unloss may be sent for, which token reply confirms the card it was sent for,
// and the range of validity dates that counts as expiring soon.
#include <QByteArray>
#include <QDate>
#include <QString>

namespace cards {

// Eight hex digits after trimming: the only codes whose loss and unloss frames carry the
// whole code part the token needs.
bool isFullCardCode(const QString &text);

enum class TokenOperation { Loss, Unloss };

// Whether reply (the trimmed reply text) is the token report of `operation` written for `card`:
// a loss report carries the card's last six digits, an unloss report its last four. A report of
// the other operation, or of other digits, confirms nothing.
bool tokenConfirms(TokenOperation operation, const QString &card, const QByteArray &reply);

// The digits of the card a token operation writes: six for a loss, four for an unloss.
QString tokenDigits(TokenOperation operation, const QString &card);

// Validity dates from today to the tenth day after it, both included, as the archive stores
// them ("yyyy年mm月dd日"); they compare as text in date order.
struct DateRange
{
    QDate first;
    QDate last;
};
DateRange expiringRange(const QDate &today);
QString archiveDateText(const QDate &date);

} // namespace cards
