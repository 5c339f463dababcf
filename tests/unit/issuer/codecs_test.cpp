// Text codecs, command frames and the port-number rule.
#include "issuer/codecs.h"
#include "issuer/frames.h"
#include "issuer/ports.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

struct HexCase
{
    const char *text;
    const char *bytes;
};

TEST(HexTextToBytes, PairsDigitsAndSkipsEverythingElse)
{
    const HexCase cases[] = {
        {"09080706e01234560000000d", "09 08 07 06 E0 12 34 56 00 00 00 0D"},
        {"09080706b9ffffff ffffff 31 0000 0D", "09 08 07 06 B9 FF FF FF FF FF FF 31 00 00 0D"},
        {"abc", "AB 0C"},
        {"a b", "0A 0B"},
        {"ABCDEF", "AB CD EF"},
        {"abcdef", "AB CD EF"},
        {"zz12 x3", "12 03"},
        {"1", "01"},
        {"12-", "12"},
        {"", ""},
        {"xyz -+", ""},
    };
    for (const HexCase &c : cases)
        EXPECT_EQ(HexTextToBytes(QString::fromLatin1(c.text)), hex(c.bytes)) << c.text;
    // Chinese text carries no hex digits.
    EXPECT_EQ(HexTextToBytes(QStringLiteral("卡a号b")), hex("0A 0B"));
}

TEST(HexTextToBytes, WorksOnTheGbkBytesOfTheText)
{
    // 丄 is 81 41 and 丅 81 42 in GBK: their trail bytes are the digits A and B.
    const struct
    {
        QString text;
        const char *bytes;
    } cases[] = {
        {QStringLiteral("丄"), "0A"},      {QStringLiteral("丄1"), "A1"},
        {QStringLiteral("1丄"), "01 0A"},     {QStringLiteral("丄丅"), "0A 0B"},
        {QStringLiteral("0丅0"), "00 B0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(HexTextToBytes(c.text), hex(c.bytes)) << c.text.toStdString();
}

TEST(BytesToSpacedHex, GivesTheCodesOfTheBytes)
{
    EXPECT_EQ(BytesToSpacedHex("FF"), QStringLiteral("46 46"));
    EXPECT_EQ(BytesToSpacedHex("05"), QStringLiteral("30 35"));
    EXPECT_EQ(BytesToSpacedHex(hex("00 0A FF")), QStringLiteral("00 0A FF"));
    EXPECT_EQ(BytesToSpacedHex({}), QString());
}

struct DecimalCase
{
    const char *a;
    const char *b;
    const char *result;
};

TEST(DecimalText, AddKeepsOperandZerosAndCarries)
{
    const DecimalCase cases[] = {
        {"5", "00", "05"}, {"9", "1", "10"},     {"999", "1", "1000"},
        {"0", "0", "0"},   {"15", "240", "255"}, {"", "7", "7"},
    };
    for (const DecimalCase &c : cases)
        EXPECT_EQ(DecimalTextAdd(QString::fromLatin1(c.a), QString::fromLatin1(c.b)),
                  QString::fromLatin1(c.result))
            << c.a << " + " << c.b;
}

TEST(DecimalText, MultiplyDropsAtMostLMinusOneLeadingZeros)
{
    const DecimalCase cases[] = {
        {"0", "16", "00"}, {"0", "256", "000"}, {"15", "16", "240"},  {"16", "16", "256"},
        {"1", "1", "1"},   {"6", "16", "96"},   {"99", "99", "9801"}, {"256", "16", "4096"},
    };
    for (const DecimalCase &c : cases)
        EXPECT_EQ(DecimalTextMultiply(QString::fromLatin1(c.a), QString::fromLatin1(c.b)),
                  QString::fromLatin1(c.result))
            << c.a << " x " << c.b;
}

TEST(DecimalText, NonDigitsAreConversionErrors)
{
    EXPECT_THROW(DecimalTextAdd(QStringLiteral("1a"), QStringLiteral("1")), ConversionError);
    EXPECT_THROW(DecimalTextMultiply(QStringLiteral("2"), QStringLiteral(" 3")), ConversionError);
    EXPECT_THROW(HexToDecimalText(QStringLiteral("0G")), ConversionError);
    EXPECT_THROW(HexToDecimalText(QStringLiteral("1 ")), ConversionError);
}

TEST(HexToDecimalText, EdgeCases)
{
    const DecimalCase cases[] = {
        {"00", "", "00"}, {"09", "", "09"},  {"0A", "", "10"},   {"0a", "", "10"},
        {"63", "", "99"}, {"64", "", "100"}, {"FF", "", "255"},  {"1F", "", "31"},
        {"", "", "0"},    {"F", "", "15"},   {"100", "", "256"}, {"000", "", "000"},
    };
    for (const DecimalCase &c : cases)
        EXPECT_EQ(HexToDecimalText(QString::fromLatin1(c.a)), QString::fromLatin1(c.result)) << c.a;
}

TEST(HexToDecimalText, EveryByteValueReadsAsItsDecimalNumber)
{
    // Card-data bytes are two hex digits; the date fields of a card line rely on two digits for
    // values up to 99.
    for (int v = 0; v < 256; ++v) {
        const QString digits = QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
        EXPECT_EQ(HexToDecimalText(digits), QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')))
            << digits.toStdString();
    }
}

struct FrameCase
{
    const char *name;
    QByteArray frame;
    const char *bytes;
};

TEST(Frames, ByteForByte)
{
    const FrameCase cases[] = {
        {"read mode", ReadModeFrame(QStringLiteral("123456")),
         "09 08 07 06 E0 12 34 56 00 00 00 0D"},
        // Senders other than the confirm and test buttons pass the field untrimmed.
        {"read mode, padded", ReadModeFrame(QStringLiteral("123456  ")),
         "09 08 07 06 E0 12 34 56 00 00 00 0D"},
        {"password change", PasswordChangeFrame(QStringLiteral("FFFFFF"), QStringLiteral("654321")),
         "09 08 07 06 E1 FF FF FF 65 43 21 0D"},
        {"issue, mask 255", IssueFrame(QDate(2015, 5, 9), 255),
         "09 08 07 06 B9 FF FF FF 15 05 09 31 46 46 0D"},
        {"issue, mask 0", IssueFrame(QDate(2015, 5, 9), 0),
         "09 08 07 06 B9 FF FF FF 15 05 09 31 30 30 0D"},
        {"issue, mask 5", IssueFrame(QDate(2099, 12, 31), 5),
         "09 08 07 06 B9 FF FF FF 99 12 31 31 30 35 0D"},
        {"issue, mask 171", IssueFrame(QDate(2000, 1, 1), 0xAB),
         "09 08 07 06 B9 FF FF FF 00 01 01 31 41 42 0D"},
        {"loss", LossFrame(QStringLiteral(" 00A1B2C3 ")),
         "09 08 07 06 B9 FF FF FF A1 B2 C3 30 00 00 0D"},
        {"unloss", UnlossFrame(QStringLiteral("00A1B2C3")),
         "09 08 07 06 B9 FF FF FF FF B2 C3 30 00 00 0D"},
        {"validity init", ValidityInitFrame(), "09 08 07 06 B9 FF FF FF FF FF FF 31 00 00 0D"},
    };
    for (const FrameCase &c : cases)
        EXPECT_EQ(c.frame.toHex(' ').toUpper(), hex(c.bytes).toHex(' ').toUpper()) << c.name;
}

TEST(Frames, FlushRulesOfTheSenders)
{
    EXPECT_TRUE(flushesBeforeSending(IssuerFrame::PasswordChange));
    EXPECT_TRUE(flushesBeforeSending(IssuerFrame::Issue));
    EXPECT_TRUE(flushesBeforeSending(IssuerFrame::Loss));
    EXPECT_FALSE(flushesBeforeSending(IssuerFrame::Unloss));
    EXPECT_FALSE(flushesBeforeSending(IssuerFrame::ValidityInit));
    EXPECT_FALSE(flushesBeforeSending(IssuerFrame::ReadMode));
}

TEST(PortNumber, CharactersFourToSix)
{
    const struct
    {
        const char *name;
        int number; // -1: conversion error
    } cases[] = {
        {"COM1", 1},    {"COM12", 12},      {"COM123", 123}, {"COM1234", 123},
        {"  COM3 ", 3}, {"COM", -1},        {"", -1},        {"COMx", -1},
        {"COM1a", -1},  {"/dev/ttyS0", -1}, {"LPT7", 7},     {"COM 3", -1},
    };
    for (const auto &c : cases) {
        const std::optional<int> n = issuer::portNumber(QString::fromLatin1(c.name));
        if (c.number < 0)
            EXPECT_FALSE(n.has_value()) << c.name;
        else
            EXPECT_EQ(n.value_or(-1), c.number) << c.name;
    }
}

} // namespace
