#include "issuer/frames.h"

#include "common/gbk.h"
#include "issuer/codecs.h"
#include "issuer/trim.h"

QByteArray ReadModeFrame(const QString &password)
{
    return HexTextToBytes(QStringLiteral("09080706e0") + password + QStringLiteral("0000000d"));
}

QByteArray PasswordChangeFrame(const QString &oldPassword, const QString &newPassword)
{
    return HexTextToBytes(QStringLiteral("09080706e1") + oldPassword + newPassword +
                          QStringLiteral("0d"));
}

QByteArray IssueFrame(const QDate &validity, int groupMask)
{
    const QString date = issuer::trimmed(validity.toString(QStringLiteral("yyMMdd")));
    const QString maskDigits =
        QStringLiteral("%1").arg(groupMask, 2, 16, QLatin1Char('0')).toUpper();
    const QString mask = BytesToSpacedHex(maskDigits.toLatin1());
    return HexTextToBytes(QStringLiteral("09080706 b9 ffffff") + date + QStringLiteral("31") +
                          mask + QStringLiteral("0d"));
}

QByteArray LossFrame(const QString &cardCode)
{
    return HexTextToBytes(QStringLiteral("09080706b9ffffff") +
                          gbk::mid(issuer::trimmed(cardCode), 3, 6) + QStringLiteral("3000000d"));
}

QByteArray UnlossFrame(const QString &cardCode)
{
    return HexTextToBytes(QStringLiteral("09080706b9ffffffff") +
                          gbk::mid(issuer::trimmed(cardCode), 5, 4) + QStringLiteral("3000000d"));
}

QByteArray ValidityInitFrame()
{
    return HexTextToBytes(QStringLiteral("09080706b9ffffff ffffff 31 0000 0D"));
}

bool flushesBeforeSending(IssuerFrame frame)
{
    switch (frame) {
    case IssuerFrame::PasswordChange:
    case IssuerFrame::Issue:
    case IssuerFrame::Loss:
        return true;
    case IssuerFrame::ReadMode:
    case IssuerFrame::LinkCheck:
    case IssuerFrame::Unloss:
    case IssuerFrame::ValidityInit:
        return false;
    }
    return false;
}

bool countsAsSent(IssuerFrame frame)
{
    return frame == IssuerFrame::LinkCheck || frame == IssuerFrame::PasswordChange;
}
