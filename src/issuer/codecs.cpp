#include "issuer/codecs.h"

#include "common/gbk.h"

namespace {

int hexValue(char c)
{
    const uchar u = uchar(c);
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

int hexValue(QChar c)
{
    return c.unicode() < 0x80 ? hexValue(char(c.unicode())) : -1;
}

[[noreturn]] void notAnInteger(const QString &text)
{
    throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

int digitValue(QChar c)
{
    const ushort u = c.unicode();
    if (u < '0' || u > '9')
        notAnInteger(QString(c));
    return u - '0';
}

QString leftPad(const QString &s, qsizetype length)
{
    return s.size() >= length ? s : QString(length - s.size(), QLatin1Char('0')) + s;
}

// One digit times a decimal text, digit by digit from the right; a remaining carry goes in front.
QString multiplyByDigit(int digit, const QString &b)
{
    QString out(b.size(), QLatin1Char('0'));
    int carry = 0;
    for (qsizetype i = b.size() - 1; i >= 0; --i) {
        const int v = digit * digitValue(b.at(i)) + carry;
        out[i] = QLatin1Char(char('0' + v % 10));
        carry = v / 10;
    }
    if (carry > 0)
        out.prepend(QString::number(carry));
    return out;
}

} // namespace

QByteArray HexTextToBytes(const QString &text)
{
    // Frames are byte strings: the digits are looked for in the text's GBK bytes, where the
    // trail byte of a Chinese character may be one.
    const QByteArray bytes = gbk::encode(text);
    QByteArray out;
    const qsizetype len = bytes.size();
    qsizetype i = 0;
    while (i < len) {
        while (i < len && hexValue(bytes.at(i)) < 0)
            ++i;
        if (i >= len)
            break;
        const int high = hexValue(bytes.at(i));
        const int low = i + 1 < len ? hexValue(bytes.at(i + 1)) : -1;
        out.append(char(low >= 0 ? high * 16 + low : high));
        i += 2;
    }
    return out;
}

QString BytesToSpacedHex(const QByteArray &bytes)
{
    QString out;
    for (const char b : bytes)
        out += QLatin1Char(' ') +
               QStringLiteral("%1").arg(uchar(b), 2, 16, QLatin1Char('0')).toUpper();
    return out.mid(1);
}

QString DecimalTextAdd(const QString &a, const QString &b)
{
    const qsizetype length = qMax(a.size(), b.size());
    const QString x = leftPad(a, length);
    const QString y = leftPad(b, length);
    QString out(length, QLatin1Char('0'));
    int carry = 0;
    for (qsizetype i = length - 1; i >= 0; --i) {
        const int v = digitValue(x.at(i)) + digitValue(y.at(i)) + carry;
        out[i] = QLatin1Char(char('0' + v % 10));
        carry = v / 10;
    }
    if (carry > 0)
        out.prepend(QString::number(carry));
    return out;
}

QString DecimalTextMultiply(const QString &a, const QString &b)
{
    const qsizetype length = qMax(a.size(), b.size());
    const QString x = leftPad(a, length);
    const QString y = leftPad(b, length);
    QString acc = QStringLiteral("0");
    for (qsizetype i = length - 1; i >= 0; --i) {
        QString partial = multiplyByDigit(digitValue(x.at(i)), y);
        partial += QString(length - 1 - i, QLatin1Char('0'));
        acc = DecimalTextAdd(acc, partial);
    }
    qsizetype removable = length - 1;
    while (removable > 0 && acc.size() > 1 && acc.at(0) == QLatin1Char('0')) {
        acc.remove(0, 1);
        --removable;
    }
    return acc;
}

QString HexToDecimalText(const QString &hex)
{
    QString result = QStringLiteral("0");
    QString weight = QStringLiteral("1");
    for (qsizetype i = hex.size() - 1; i >= 0; --i) {
        const int v = hexValue(hex.at(i));
        if (v < 0)
            notAnInteger(QStringLiteral("$") + hex.at(i));
        result = DecimalTextAdd(result, DecimalTextMultiply(QString::number(v), weight));
        weight = DecimalTextMultiply(weight, QStringLiteral("16"));
    }
    return result;
}
