// What one read leaves as its last reply, the reply forms, and the steps each form has, in order.
#include "common/gbk.h"
#include "issuer/replies.h"

#include <gtest/gtest.h>

using namespace issuer;
using E = ReplyEffect;

namespace {

TEST(LastReply, TrimmedTextBehindOneBlankCutToTheBytesRead)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        int n;
        QByteArray lastReply;
    } cases[] = {
        {"card reply with CR LF", "1234ABCD0F0509FF\r\n", 18, " 1234ABCD0F0509FF"},
        {"no terminator loses the last character", "1234ABCD0F0509FF", 16, " 1234ABCD0F0509F"},
        {"status with CR LF", "0500\r\n", 6, " 0500"},
        {"status, one terminator byte", "0500\r", 5, " 0500"},
        {"leading control bytes", "\r\n\x01 00\r\n", 8, " 00"},
        {"text stops at the first NUL",
         QByteArray("05\0"
                    "00\r\n",
                    6),
         6, " 05"},
        {"NUL first", QByteArray("\0\0", 2), 2, " "},
        {"nothing read", "", 0, ""},
        {"read error", "", -1, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lastReplyFromRead(c.bytes, c.n), c.lastReply) << c.name;
}

TEST(LastReply, EveryCompleteReplyOfAReadInOrder)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        QList<QByteArray> replies;
    } cases[] = {
        {"one reply", "1234ABCD0F0509FF\r\n", {" 1234ABCD0F0509FF"}},
        {"one reply without terminator", "1234ABCD0F0509FF", {" 1234ABCD0F0509F"}},
        {"two cards in one read",
         "1111AAAA1F0C1FFF\r\n2222BBBB1F0C1F01\r\n",
         {" 1111AAAA1F0C1FFF", " 2222BBBB1F0C1F01"}},
        {"card and status, CR only and LF only",
         "1111AAAA1F0C1FFF\r0500\n00000000001234AB\r\n",
         {" 1111AAAA1F0C1FFF", " 0500", " 00000000001234AB"}},
        {"a last piece without terminator is cut like a whole read",
         "1111AAAA1F0C1FFF\r\n2222BBBB1F0C1F01",
         {" 1111AAAA1F0C1FFF", " 2222BBBB1F0C1F0"}},
        {"blank lines are no replies", "\r\n\r\n0500\r\n\r\n", {" 0500"}},
        {"the text stops at the first NUL",
         QByteArray("0500\r\n0600\0"
                    "0601\r\n",
                    15),
         {" 0500", " 0600"}},
        {"only blanks", "  \r\n", {" "}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(repliesFromRead(c.bytes, int(c.bytes.size())), c.replies) << c.name;
    EXPECT_TRUE(repliesFromRead("0500\r\n", 0).isEmpty());
    EXPECT_TRUE(repliesFromRead("0500\r\n", -1).isEmpty());
}

TEST(LastReply, AReadThatEndsInsideAReplyWaitsForItsRest)
{
    EXPECT_TRUE(readEndsInsideReply("1111AAAA1F", 10));
    EXPECT_TRUE(readEndsInsideReply("0500\r\n2222BB", 12));
    EXPECT_FALSE(readEndsInsideReply("1111AAAA1F0C1FFF\r\n", 18));
    EXPECT_FALSE(readEndsInsideReply("0500 ", 5));
    EXPECT_FALSE(readEndsInsideReply(QByteArray("05\0", 3), 3));
    EXPECT_FALSE(readEndsInsideReply(QByteArray(1024, 'A'), 1024)); // a full read
    EXPECT_FALSE(readEndsInsideReply("", 0));
}

TEST(LastReply, AReadTakesAtMost1024Bytes)
{
    const QByteArray big = QByteArray(1500, 'A');
    const QByteArray r = lastReplyFromRead(big, 1024);
    EXPECT_EQ(r, " " + QByteArray(1023, 'A'));
    EXPECT_EQ(classifyReply(r.trimmed()), ReplyForm::Ignored);
}

TEST(ReplyForms, ByLengthAndContent)
{
    const struct
    {
        QByteArray r;
        ReplyForm form;
    } cases[] = {
        {"1234ABCD", ReplyForm::CardNumber},
        {"0000000000A1B2C3", ReplyForm::LossToken},
        {"0000000000ffB2C3", ReplyForm::LossToken}, // only upper-case FF means unloss
        {"0000000000FFB2C3", ReplyForm::UnlossToken},
        {"1234ABCD0F0509FF", ReplyForm::CardData},
        {"0000000100000000", ReplyForm::CardData},
        {"0500", ReplyForm::Status},
        {"00", ReplyForm::Status},
        {"05", ReplyForm::Status},
        {"0", ReplyForm::Ignored},
        {"050", ReplyForm::Ignored},
        {"1234ABCD0F0509F", ReplyForm::Ignored},
        {"1234ABCD0F0509FF0", ReplyForm::Ignored},
        {"", ReplyForm::Ignored},
    };
    for (const auto &c : cases)
        EXPECT_EQ(classifyReply(c.r), c.form) << c.r.constData();
}

TEST(ReplyPlan, CardNumberIsAnEventLineThenACardWithoutValidityThenThePane)
{
    const ReplyPlan plan = planReply(" 1234ABCD");
    const QString line = QStringLiteral("卡号:1234ABCD\r");
    ASSERT_EQ(
        plan.effects,
        (QList<E>{E::eventLine(line), E::cardRead({QStringLiteral("1234ABCD"), {}, {}, line}),
                  E::pane(QStringLiteral("此卡未显示有效期,请检查发行器底部的拨码开关的状态!"))}));
}

TEST(ReplyPlan, TokensCarryTheirDigitsAndTheReply)
{
    const struct
    {
        QByteArray reply;
        bool unloss;
        QString digits;
        QString line; // for the card 00A1B2C3
    } cases[] = {
        {"0000000000A1B2C3", false, QStringLiteral("A1B2C3"),
         QStringLiteral("状态: 挂失   卡号: 00A1B2C3\r")},
        {"0000000000FFB2C3", true, QStringLiteral("B2C3"),
         QStringLiteral("状态: 解挂   卡号: 00A1B2C3\r")},
    };
    for (const auto &c : cases) {
        const ReplyPlan plan = planReply(" " + c.reply);
        const TokenRead token{c.unloss, c.digits, c.reply};
        EXPECT_EQ(plan.effects, QList<E>{E::tokenRead(token)}) << c.reply.constData();
        EXPECT_EQ(tokenLine(token, QStringLiteral("00A1B2C3")), c.line);
    }
    // A loss line names the card by the token's own digits, whatever card was found.
    EXPECT_EQ(tokenLine({false, QStringLiteral("A1B2C3"), {}}, QString()),
              QStringLiteral("状态: 挂失   卡号: 00A1B2C3\r"));
}

TEST(ReplyPlan, CardDataEchoesToTheEventMemoPausesThenReadsTheCard)
{
    const ReplyPlan plan = planReply(" 1234ABCD0F0509FF");
    const QString line = QStringLiteral("卡片内码:1234ABCD   有效期：2015年05月09日");
    ASSERT_EQ(plan.effects,
              (QList<E>{E::eventLine(QStringLiteral("       此") + line), E::pause(),
                        E::cardRead({QStringLiteral("1234ABCD"), QStringLiteral("2015年05月09日"),
                                     QStringLiteral("255"), line})}));
    // The byte layout of the card memo's line.
    EXPECT_EQ(gbk::mid(line, 10, 8), QStringLiteral("1234ABCD"));
    EXPECT_EQ(gbk::mid(line, 29, 14), QStringLiteral("2015年05月09日"));
    EXPECT_EQ(gbk::byteLength(line), 42);
}

TEST(ReplyPlan, CardLineKeepsItsLayoutWhenTheCodeBytesAreNotValidGbk)
{
    // A lead byte without its trail byte at the end of the code, a byte that is never GBK, and
    // a lead byte followed by an ASCII digit.
    for (const QByteArray &code : {QByteArray("1234ABC\x81"),
                                   QByteArray("12\xff"
                                              "4ABCD"),
                                   QByteArray("\x81"
                                              "234ABCD")}) {
        const ReplyPlan plan = planReply(" " + code + "0F0509FF");
        ASSERT_EQ(plan.effects.size(), 3) << code.toHex().constData();
        const QString line = plan.effects[2].card.line;
        EXPECT_EQ(gbk::byteLength(line), 42) << code.toHex().constData();
        EXPECT_EQ(gbk::mid(line, 1, 9), QStringLiteral("卡片内码:"));
        EXPECT_EQ(gbk::mid(line, 18, 13), QStringLiteral("   有效期：20"));
        EXPECT_EQ(gbk::mid(line, 29, 14), QStringLiteral("2015年05月09日"));
        EXPECT_EQ(plan.effects[2].card.validity, QStringLiteral("2015年05月09日"));
    }
}

TEST(ReplyPlan, CardDataWithNonHexDateOrGroupReportsTheConversionError)
{
    // The issuer may have written the card: the operator is told, nothing is shown as read.
    for (const char *reply : {" 1234ABCD0G0509FF", " 1234ABCD0F0509ZZ"}) {
        const ReplyPlan plan = planReply(reply);
        EXPECT_EQ(plan.form, ReplyForm::CardData) << reply;
        ASSERT_EQ(plan.effects.size(), 1) << reply;
        EXPECT_EQ(plan.effects[0].kind, ReplyEffect::ReportError);
        EXPECT_TRUE(plan.effects[0].text.contains(QStringLiteral("卡片1234ABCD可能已被写入")));
        EXPECT_TRUE(plan.effects[0].text.contains(QStringLiteral("is not a valid integer value")));
    }
}

TEST(ReplyPlan, StatusCodes)
{
    const QString normalLine = QStringLiteral("发行器通讯正常,请读卡!");
    const QString normalPane = QStringLiteral("发行器通讯正常，请读卡!");
    const QString okLine = QStringLiteral(" 发行器用户密码修改成功.请备份好新密码.");
    const QString okPane = QStringLiteral("发行器用户密码修改成功.请备份好新密码.");
    const QString badLine = QStringLiteral(" 发行器用户密码修改失败，原始密码错误.");
    const QString badPane = QStringLiteral("发行器用户密码修改失败，原始密码错误.");
    const struct
    {
        QByteArray lastReply;
        QString line; // empty: no row matches
        QString pane;
    } cases[] = {
        {" 0500", normalLine, normalPane},
        {" 0400", normalLine, normalPane},
        {" 0501", normalLine, normalPane},
        {" 00", normalLine, normalPane},
        {" 0099", normalLine, normalPane},
        {" 0600", okLine, okPane},
        {" 0601", badLine, badPane},
        {" 01", badLine, badPane},
        {" 0102", badLine, badPane},
        {" 05", {}, {}},
        {" 0502", {}, {}},
        {" 9999", {}, {}},
    };
    for (const auto &c : cases) {
        const ReplyPlan plan = planReply(c.lastReply);
        EXPECT_EQ(plan.form, ReplyForm::Status) << c.lastReply.constData();
        const QString r = QString::fromLatin1(c.lastReply.mid(1));
        QList<E> expected;
        if (!c.line.isEmpty())
            expected << E::statusAnswer(
                {r.left(4), r.left(2), c.line, QString::fromLatin1(c.lastReply), c.pane});
        EXPECT_EQ(plan.effects, expected) << c.lastReply.constData();
    }
    EXPECT_EQ(gbk::byteLength(normalLine), 22);
    EXPECT_EQ(gbk::byteLength(normalPane), 23);
}

} // namespace
