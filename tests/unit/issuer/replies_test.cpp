// What one read leaves in LastReply, the reply forms, and the effects each form has, in order.
#include "common/gbk.h"
#include "issuer/replies.h"

#include <gtest/gtest.h>

using namespace issuer;
using C = ReplyControl;
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

TEST(ReplyPlan, CardNumberGoesToBothMemosThenThePane)
{
    const ReplyPlan plan = planReply(" 1234ABCD");
    const QString line = QStringLiteral("卡号:1234ABCD\r");
    ASSERT_EQ(
        plan.effects,
        (QList<E>{E::addLine(C::RzMemo1, line), E::addLine(C::RzMemo2, line),
                  E::setText(C::wtxt, QStringLiteral(
                                          "此卡未显示有效期,请检查发行器底部的拨码开关的状态!"))}));
    EXPECT_EQ(gbk::mid(line, 6, 8), QStringLiteral("1234ABCD"));
}

TEST(ReplyPlan, LossTokenDecidesItsCardThenTheLineThenTheThreeEditsInOrder)
{
    const ReplyPlan plan = planReply(" 0000000000A1B2C3");
    const QString line = QStringLiteral("状态: 挂失   卡号: 00A1B2C3\r");
    ASSERT_EQ(plan.effects.size(), 5);
    // Before the line: its card read ends the pending loss that says which card it is.
    EXPECT_EQ(plan.effects[0], E::tokenCardCode(QStringLiteral("A1B2C3")));
    EXPECT_EQ(plan.effects[1], E::addLine(C::RzMemo2, line));
    const C edits[] = {C::edt17, C::edt10, C::Form7edt1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(plan.effects[2 + i].kind, E::SetText);
        EXPECT_EQ(plan.effects[2 + i].control, edits[i]);
        EXPECT_TRUE(plan.effects[2 + i].withCardCode);
        EXPECT_TRUE(plan.effects[2 + i].text.isEmpty());
    }
    // The card reading of the tab takes the code from bytes 20 to 27.
    EXPECT_EQ(gbk::mid(line, 20, 8), QStringLiteral("00A1B2C3"));
    EXPECT_TRUE(plan.failureMessage.isEmpty());
}

TEST(ReplyPlan, UnlossTokenLooksTheCardUpBetweenItsSteps)
{
    const ReplyPlan plan = planReply(" 0000000000FFB2C3");
    ASSERT_EQ(plan.effects.size(), 7);
    EXPECT_EQ(plan.effects[0], E::setText(C::edt17, QStringLiteral("B2C3")));
    EXPECT_EQ(plan.effects[1].kind, E::LookupCardCode);
    // The key is the token's digits, not what edt17's reaction to them leaves in it.
    EXPECT_EQ(plan.effects[1].text, QStringLiteral("B2C3"));
    const E &line = plan.effects[2];
    EXPECT_EQ(line.kind, E::AddLine);
    EXPECT_EQ(line.control, C::RzMemo2);
    EXPECT_TRUE(line.withCardCode);
    EXPECT_EQ(line.text + QStringLiteral("00A1B2C3") + line.tail,
              QStringLiteral("状态: 解挂   卡号: 00A1B2C3\r"));
    EXPECT_EQ(gbk::byteLength(line.text), 19);
    const C edits[] = {C::edt17, C::edt10, C::Form7edt1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(plan.effects[3 + i].kind, E::SetText);
        EXPECT_EQ(plan.effects[3 + i].control, edits[i]);
        EXPECT_TRUE(plan.effects[3 + i].withCardCode);
        EXPECT_TRUE(plan.effects[3 + i].text.isEmpty());
    }
    EXPECT_EQ(plan.effects[6].kind, E::EndLookup);
    EXPECT_EQ(plan.failureMessage, QStringLiteral("卡片内码不符!"));
}

TEST(ReplyPlan, CardDataEchoesToTheEventMemoPausesThenWritesTheCardLine)
{
    const ReplyPlan plan = planReply(" 1234ABCD0F0509FF");
    const QString line = QStringLiteral("卡片内码:1234ABCD   有效期：2015年05月09日");
    ASSERT_EQ(plan.effects,
              (QList<E>{E::setGlobal(ReplyGlobal::ReplyGroupText, QStringLiteral("255")),
                        E::addLine(C::RzMemo1, QStringLiteral("       此") + line), E::pause(),
                        E::addLine(C::RzMemo2, line)}));
    // The byte layout the card reading relies on.
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
        ASSERT_EQ(plan.effects.size(), 4) << code.toHex().constData();
        const QString line = plan.effects[3].text;
        EXPECT_EQ(gbk::byteLength(line), 42) << code.toHex().constData();
        EXPECT_EQ(gbk::mid(line, 1, 9), QStringLiteral("卡片内码:"));
        EXPECT_EQ(gbk::mid(line, 18, 13), QStringLiteral("   有效期：20"));
        EXPECT_EQ(gbk::mid(line, 29, 14), QStringLiteral("2015年05月09日"));
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
        const QString r = QString::fromLatin1(c.lastReply.mid(1));
        QList<E> expected = {E::setGlobal(ReplyGlobal::ReplyCode4, r.left(4)),
                             E::setGlobal(ReplyGlobal::ReplyCode2, r.left(2))};
        if (!c.line.isEmpty())
            expected << E::addLine(C::RzMemo1, c.line)
                     << E::addLine(C::RzMemo5, QString::fromLatin1(c.lastReply))
                     << E::setText(C::wtxt, c.pane);
        EXPECT_EQ(plan.effects, expected) << c.lastReply.constData();
    }
    EXPECT_EQ(gbk::byteLength(normalLine), 22);
    EXPECT_EQ(gbk::byteLength(normalPane), 23);
}

} // namespace
