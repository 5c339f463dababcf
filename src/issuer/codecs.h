#pragma once
// Text codecs of the issuer link: frames are composed as hex text and turned into bytes; the
// date and group bytes of a card reply are turned into decimal text by plain digit arithmetic.
#include "common/errors.h"

#include <QByteArray>
#include <QString>

// A character that the decimal or hex digit conversion cannot take.
class ConversionError : public VelmoraError
{
public:
    using VelmoraError::VelmoraError;
};

// Hex text to bytes: non-hex characters are skipped, digits pair up, a lone last digit of a run
// gives a byte of its own ("abc" gives AB 0C).
QByteArray HexTextToBytes(const QString &text);

// Each byte as a blank and two upper-case hex digits, without the leading blank ("FF" gives
// "46 46").
QString BytesToSpacedHex(const QByteArray &bytes);

// Sum of two texts of decimal digits; the shorter is left-padded with "0" first, so leading
// zeros of the operands stay ("5" + "00" gives "05"). Throws ConversionError on a non-digit.
QString DecimalTextAdd(const QString &a, const QString &b);

// Product of two texts of decimal digits (both padded to the common length L); at most L-1
// leading zeros are removed ("0" x "16" gives "00"). Throws ConversionError on a non-digit.
QString DecimalTextMultiply(const QString &a, const QString &b);

// Hex digits to decimal text, padded with zeros to the digit count of 16^(m-1) for m hex digits
// ("05" gives "05", "FF" gives "255", "" gives "0"). Throws ConversionError on a non-hex digit.
QString HexToDecimalText(const QString &hex);
