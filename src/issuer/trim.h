#pragma once
// Trimming as the issuer link does it everywhere: characters of code 0..32 go at both ends,
// nothing else (a full-width blank stays).
#include <QByteArray>
#include <QString>

namespace issuer {

inline QString trimmed(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from).unicode() <= 32)
        ++from;
    while (to > from && text.at(to - 1).unicode() <= 32)
        --to;
    return text.mid(from, to - from);
}

inline QByteArray trimmed(const QByteArray &bytes)
{
    qsizetype from = 0;
    qsizetype to = bytes.size();
    while (from < to && uchar(bytes.at(from)) <= 32)
        ++from;
    while (to > from && uchar(bytes.at(to - 1)) <= 32)
        --to;
    return bytes.mid(from, to - from);
}

} // namespace issuer
