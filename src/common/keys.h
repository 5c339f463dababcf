#pragma once
// What a key or a typed character is, as the windows' key handlers and filters ask it.
#include <QChar>
#include <QString>
#include <QtCore/qnamespace.h>

namespace keys {

inline bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Keys that type a character into a field (the ones a key-press handler sees), with Enter,
// Backspace and Escape.
inline bool isCharacterKey(int key)
{
    return (key >= Qt::Key_Space && key <= Qt::Key_ydiaeresis) || isEnter(key) ||
           key == Qt::Key_Backspace || key == Qt::Key_Escape;
}

// Only 0-9 (also for the empty text): a number as an operator types it.
inline bool isAllDigits(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// 0-9, A-F, a-f: the characters of a card code.
inline bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

} // namespace keys
