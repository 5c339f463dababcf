#pragma once
// "Column contains the text" as the statements write it: `like '%' || :key || '%' escape '!'`
// with the text bound as :key through likeKey(), so that % and _ are the characters they are and
// not wildcards. LIKE keeps the engine's case-insensitive match of Latin letters.
#include <QString>

namespace db {

inline const QString ContainsKey = QStringLiteral(" like '%' || :key || '%' escape '!'");

inline QString likeKey(const QString &text)
{
    QString out;
    out.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out += QLatin1Char('!');
        out += c;
    }
    return out;
}

} // namespace db
