#include "issuer/passwordrules.h"

#include "issuer/trim.h"

#include <qnamespace.h>

namespace issuer {

namespace {
const QString PassCode = QStringLiteral("731406258");

bool typesCharacter(int key)
{
    return (key >= Qt::Key_Space && key <= Qt::Key_ydiaeresis) || key == Qt::Key_Escape ||
           key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Backspace;
}

bool isDigitKey(int key)
{
    return key >= Qt::Key_0 && key <= Qt::Key_9;
}
} // namespace

bool isPassCode(const QString &entry)
{
    return trimmed(entry) == PassCode;
}

bool dropsPasswordKey(PasswordField field, int key)
{
    if (!typesCharacter(key))
        return false;
    if (key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter ||
        isDigitKey(key))
        return false;
    return !(field == PasswordField::Old && key == Qt::Key_F);
}

bool passwordTextAllowed(PasswordField field, const QString &text)
{
    if (text.size() > 6)
        return false;
    for (const QChar c : text) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool f = c == QLatin1Char('F') || c == QLatin1Char('f');
        if (!digit && !(field == PasswordField::Old && f))
            return false;
    }
    return true;
}

bool passwordsAgree(const QString &newPassword, const QString &confirmation)
{
    return trimmed(newPassword).toUpper() == trimmed(confirmation).toUpper();
}

bool passwordChangeReady(const QString &oldPassword, const QString &newPassword,
                         const QString &confirmation)
{
    return passwordsAgree(newPassword, confirmation) && trimmed(oldPassword).size() == 6 &&
           trimmed(newPassword).size() == 6 && trimmed(confirmation).size() == 6;
}

PasswordAnswer passwordAnswer(const QString &replyCode4, const QString &replyCode2)
{
    if (replyCode4 == QLatin1String("0600") || replyCode2 == QLatin1String("00"))
        return PasswordAnswer::Accepted;
    if (replyCode4 == QLatin1String("0601") || replyCode2 == QLatin1String("01"))
        return PasswordAnswer::Rejected;
    return PasswordAnswer::None;
}

} // namespace issuer
