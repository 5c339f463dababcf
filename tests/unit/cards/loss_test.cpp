// What a loss or unloss may be sent for, which token report confirms it, the frames made from
// the card code field, and the range of the expiring-soon list.
#include "cards/loss.h"
#include "issuer/frames.h"

#include <gtest/gtest.h>

namespace {

using cards::TokenOperation;

TEST(LossFrames, FromTheCardCodeField)
{
    const QByteArray head = QByteArray::fromHex("09080706b9ffffff");
    const QByteArray tail = QByteArray::fromHex("3000000d");
    const struct
    {
        const char *edt10;
        bool full;
        QByteArray lossCode;   // the bytes after 09 08 07 06 B9 FF FF FF
        QByteArray unlossCode; // the same for the unloss frame
    } cases[] = {
        {"00A1B2C3", true, QByteArray::fromHex("a1b2c3"), QByteArray::fromHex("ffb2c3")},
        {"12345678", true, QByteArray::fromHex("345678"), QByteArray::fromHex("ff5678")},
        {" 00a1b2c3 ", true, QByteArray::fromHex("a1b2c3"), QByteArray::fromHex("ffb2c3")},
        // Characters 3-4 FF: the loss frame is byte for byte the unloss frame of 1234.
        {"00FF1234", true, QByteArray::fromHex("ff1234"), QByteArray::fromHex("ff1234")},
        // Codes the buttons refuse: their frames would lose code bytes or carry wrong ones.
        {"", false, {}, QByteArray::fromHex("ff")},
        {"A1B2C3", false, QByteArray::fromHex("b2c3"), QByteArray::fromHex("ffc3")},
        {"00A1B2CG", false, QByteArray::fromHex("a1b20c"), QByteArray::fromHex("ffb20c")},
        {"00A1B2C3D", false, QByteArray::fromHex("a1b2c3"), QByteArray::fromHex("ffb2c3")},
    };
    for (const auto &c : cases) {
        const QString code = QString::fromLatin1(c.edt10);
        EXPECT_EQ(cards::isFullCardCode(code), c.full) << c.edt10;
        if (!c.full)
            continue;
        EXPECT_EQ(LossFrame(code), head + c.lossCode + tail) << c.edt10;
        EXPECT_EQ(UnlossFrame(code), head + c.unlossCode + tail) << c.edt10;
        EXPECT_EQ(LossFrame(code).size(), 15);
    }
}

TEST(TokenReport, ConfirmsOnlyTheCardItWasWrittenFor)
{
    const struct
    {
        TokenOperation operation;
        const char *card;
        const char *reply;
        bool confirms;
    } cases[] = {
        {TokenOperation::Loss, "12345678", "0000000000345678", true},
        {TokenOperation::Loss, "00A1B2C3", "0000000000A1B2C3", true},
        {TokenOperation::Loss, "00a1b2c3", "0000000000A1B2C3", true},
        // Another card's digits, and a card that only shares the last digits.
        {TokenOperation::Loss, "12345678", "0000000000345679", false},
        {TokenOperation::Loss, "12345678", "0000000000005678", false},
        // The loss of 00FF1234 comes back as an unloss report.
        {TokenOperation::Loss, "00FF1234", "0000000000FF1234", false},
        {TokenOperation::Unloss, "00A1B2C3", "0000000000FFB2C3", true},
        {TokenOperation::Unloss, "00A1B2C3", "0000000000FFB2C4", false},
        {TokenOperation::Unloss, "00A1B2C3", "0000000000A1B2C3", false}, // a loss report
        // Card data, a card number and no full card remembered confirm nothing.
        {TokenOperation::Loss, "12345678", "1234567818030C01", false},
        {TokenOperation::Loss, "12345678", "12345678", false},
        {TokenOperation::Loss, "", "0000000000000000", false},
        {TokenOperation::Unloss, "B2C3", "0000000000FFB2C3", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cards::tokenConfirms(c.operation, QString::fromLatin1(c.card), c.reply),
                  c.confirms)
            << c.card << " " << c.reply;
}

TEST(ExpiringRange, TodayToTheTenthDayAsTheArchiveWritesDates)
{
    const struct
    {
        QDate today;
        const char *first;
        const char *last;
    } cases[] = {
        {QDate(2024, 3, 5), "2024年03月05日", "2024年03月15日"},
        {QDate(2024, 2, 25), "2024年02月25日", "2024年03月06日"}, // a leap year's February
        {QDate(2024, 12, 28), "2024年12月28日", "2025年01月07日"},
        {QDate(2099, 12, 31), "2099年12月31日", "2100年01月10日"},
    };
    for (const auto &c : cases) {
        const cards::DateRange range = cards::expiringRange(c.today);
        EXPECT_EQ(cards::archiveDateText(range.first), QString::fromUtf8(c.first));
        EXPECT_EQ(cards::archiveDateText(range.last), QString::fromUtf8(c.last));
        // Text order is date order, across the turn of the year too.
        EXPECT_LT(cards::archiveDateText(range.first), cards::archiveDateText(range.last));
    }
}

} // namespace
