#include "common/gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

QByteArray encode(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString decode(const QByteArray &bytes)
{
    // The decoder keeps a lead byte at the very end back as the start of an unfinished
    // character and drops it. A NUL after the bytes completes it as one replacement character
    // (one byte again when encoded), so no byte position after a bad byte ever moves.
    QStringDecoder decoder("GBK");
    QString text = decoder.decode(bytes + '\0');
    text.chop(1);
    return text;
}

int byteLength(const QString &text)
{
    return int(encode(text).size());
}

QString mid(const QString &text, int from, int length)
{
    if (from < 1 || length <= 0)
        return {};
    const QByteArray bytes = encode(text);
    if (from > bytes.size())
        return {};
    return decode(bytes.mid(from - 1, length));
}

QString left(const QString &text, int n)
{
    return mid(text, 1, n);
}

QString limitBytes(const QString &text, int maxBytes)
{
    QString out;
    int used = 0;
    for (int i = 0; i < text.size();) {
        const int step = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString ch = text.mid(i, step);
        const int bytes = byteLength(ch);
        if (used + bytes > maxBytes)
            break;
        out += ch;
        used += bytes;
        i += step;
    }
    return out;
}

QString decodeExternal(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
    return decode(bytes);
}

} // namespace gbk
