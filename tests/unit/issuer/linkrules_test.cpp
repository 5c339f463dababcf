// The decisions of the issuer search, the supervision and the password change, as tables.
#include "issuer/frames.h"
#include "issuer/linkrules.h"
#include "issuer/passwordrules.h"

#include <gtest/gtest.h>

using namespace issuer;

namespace {

QStringList lines(std::initializer_list<const char *> l)
{
    QStringList out;
    for (const char *s : l)
        out << QString::fromLatin1(s);
    return out;
}

TEST(LinkRules, EvaluatingTheRepliesKept)
{
    const struct
    {
        QStringList kept;
        int counted;
        LinkVerdict verdict;
    } cases[] = {
        {lines({" 0500"}), 1, LinkVerdict::Up},
        {lines({" 0500"}), 0, LinkVerdict::NotConfirmed}, // counter reset meanwhile
        {lines({" 0501"}), 0, LinkVerdict::Up},
        {lines({" 0400"}), 1, LinkVerdict::NotConfirmed}, // "normal" to the user, not a link
        {lines({" 00"}), 1, LinkVerdict::NotConfirmed},
        {lines({" 0501", " 0400"}), 2, LinkVerdict::ReplyNormal},
        {lines({" 0400", " 0501", " 0400"}), 3, LinkVerdict::ReplyNormal},
        {lines({" 0400", " 0400", " 0501", " 0400"}), 4, LinkVerdict::NotConfirmed},
        {lines({" 0501", " 0400"}), 0, LinkVerdict::NotConfirmed},
        {lines({" 0500 "}), 1, LinkVerdict::Up},
        {lines({" 05001"}), 1, LinkVerdict::Up}, // four characters decide
        {QStringList(), 3, LinkVerdict::NotConfirmed},
    };
    for (const auto &c : cases)
        EXPECT_EQ(evaluateLink(c.kept, c.counted), c.verdict)
            << c.kept.join(QLatin1Char('|')).toStdString() << " counted " << c.counted;
}

TEST(LinkRules, FrameCounterSteps)
{
    using Pane = FrameCountStep::Pane;
    const struct
    {
        int sent, replies;
        bool linkUp;
        Pane pane;
        bool ask, next;
    } cases[] = {
        {0, 0, false, Pane::Unchanged, false, true},
        {2, 0, false, Pane::Unchanged, false, true},
        {3, 0, false, Pane::Sending, false, true},
        {3, 2, true, Pane::Sending, false, false},
        {4, 0, false, Pane::Unchanged, false, true},
        {10, 0, false, Pane::NotAnIssuer, false, true},
        {10, 1, false, Pane::Unchanged, false, false},
        {11, 0, false, Pane::Unchanged, false, true},
        {15, 0, false, Pane::GiveUp, true, true},
        {15, 0, true, Pane::GiveUp, true, true},
        // A device answering "0400" keeps the reply counter up without ever linking.
        {15, 4, false, Pane::GiveUp, true, false},
        {15, 4, true, Pane::Unchanged, false, false},
        {16, 0, false, Pane::Unchanged, false, true},
    };
    for (const auto &c : cases) {
        const FrameCountStep s = frameCountStep(c.sent, c.replies, c.linkUp);
        EXPECT_EQ(s.pane, c.pane) << c.sent << "/" << c.replies << "/" << c.linkUp;
        EXPECT_EQ(s.askOperator, c.ask) << c.sent << "/" << c.replies << "/" << c.linkUp;
        EXPECT_EQ(s.nextPort, c.next) << c.sent << "/" << c.replies << "/" << c.linkUp;
    }
}

TEST(LinkRules, SupervisionSeesTheLinkGone)
{
    const struct
    {
        QStringList now, atLink;
        int linked;
        bool lost;
    } cases[] = {
        {lines({"COM1", "COM3"}), lines({"COM1", "COM3"}), 3, false},
        {lines({"COM1", "COM3"}), lines({"COM3"}), 1, false}, // the last lines decide
        {lines({"COM1"}), lines({"COM1", "COM3"}), 3, true},
        {lines({"COM1", "COM12"}), lines({"COM1", "COM13"}), 12, true}, // whole names
        {lines({"COM3", "COM4"}), lines({"COM3", "COM4"}), 2, true},    // linked port not listed
        {lines({"COM1", "COM4"}), lines({"COM1", "COM2", "COM4"}), 2, true},
        {QStringList(), QStringList(), 1, true}, // nothing listed at all
        {lines({" COM3 "}), lines({"COM3"}), 3, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(linkLost(c.now, c.atLink, c.linked), c.lost)
            << c.now.join(QLatin1Char(',')).toStdString() << " vs "
            << c.atLink.join(QLatin1Char(',')).toStdString() << " on " << c.linked;
}

TEST(LinkRules, PortQueueStartsAtThePortBeingTried)
{
    const QStringList ports = lines({"COM1", "COM2", "COM5"});
    EXPECT_EQ(portQueue(ports, QStringLiteral("COM2")), lines({"COM2", "COM5", "COM1"}));
    EXPECT_EQ(portQueue(ports, QStringLiteral("COM1")), ports);
    EXPECT_EQ(portQueue(ports, QStringLiteral("COM9")), ports); // gone: from the start
    EXPECT_EQ(portQueue(ports, QString()), ports);
    EXPECT_TRUE(portQueue({}, QStringLiteral("COM1")).isEmpty());
}

TEST(FrameRules, OnlyLinkChecksAndPasswordChangesAreCounted)
{
    EXPECT_TRUE(countsAsSent(IssuerFrame::LinkCheck));
    EXPECT_TRUE(countsAsSent(IssuerFrame::PasswordChange));
    for (IssuerFrame f : {IssuerFrame::ReadMode, IssuerFrame::Issue, IssuerFrame::Loss,
                          IssuerFrame::Unloss, IssuerFrame::ValidityInit})
        EXPECT_FALSE(countsAsSent(f)) << int(f);
    EXPECT_FALSE(flushesBeforeSending(IssuerFrame::LinkCheck));
}

TEST(PasswordRules, PassCode)
{
    EXPECT_TRUE(isPassCode(QStringLiteral("731406258")));
    EXPECT_TRUE(isPassCode(QStringLiteral(" 731406258\t")));
    EXPECT_FALSE(isPassCode(QStringLiteral("73140625")));
    EXPECT_FALSE(isPassCode(QStringLiteral("7314062580")));
    EXPECT_FALSE(isPassCode(QString()));
}

TEST(PasswordRules, KeysAndTextsOfTheFields)
{
    const struct
    {
        int key;
        bool dropOld, dropNew;
    } keys[] = {
        {Qt::Key_0, false, false},      {Qt::Key_9, false, false},
        {Qt::Key_F, false, true},       {Qt::Key_A, true, true},
        {Qt::Key_E, true, true},        {Qt::Key_Space, true, true},
        {Qt::Key_Minus, true, true},    {Qt::Key_Backspace, false, false},
        {Qt::Key_Return, false, false}, {Qt::Key_Enter, false, false},
        {Qt::Key_Escape, true, true},   {Qt::Key_Left, false, false}, // types nothing
        {Qt::Key_Delete, false, false},
    };
    for (const auto &k : keys) {
        EXPECT_EQ(dropsPasswordKey(PasswordField::Old, k.key), k.dropOld) << k.key;
        EXPECT_EQ(dropsPasswordKey(PasswordField::New, k.key), k.dropNew) << k.key;
    }
    const struct
    {
        const char *text;
        bool old, neu;
    } texts[] = {
        {"", true, true},          {"123456", true, true},  {"fF1234", true, false},
        {"1234567", false, false}, {"12 34", false, false}, {"12a4", false, false},
        {"１２", false, false}, // full-width digits
        {"密码", false, false},
    };
    for (const auto &t : texts) {
        const QString s = QString::fromUtf8(t.text);
        EXPECT_EQ(passwordTextAllowed(PasswordField::Old, s), t.old) << t.text;
        EXPECT_EQ(passwordTextAllowed(PasswordField::New, s), t.neu) << t.text;
    }
}

TEST(PasswordRules, WhenTheChangeMayBeSent)
{
    const struct
    {
        const char *old, *neu, *confirm;
        bool agree, ready;
    } cases[] = {
        {"12345F", "654321", "654321", true, true},  {"12345", "654321", "654321", true, false},
        {"12345F", "65432", "65432", true, false},   {"12345F", "654321", "654320", false, false},
        {"12345F", "654321", " 654321", true, true}, {"", "", "", true, false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(passwordsAgree(QString::fromLatin1(c.neu), QString::fromLatin1(c.confirm)),
                  c.agree)
            << c.neu << "/" << c.confirm;
        EXPECT_EQ(passwordChangeReady(QString::fromLatin1(c.old), QString::fromLatin1(c.neu),
                                      QString::fromLatin1(c.confirm)),
                  c.ready)
            << c.old << "/" << c.neu << "/" << c.confirm;
    }
}

TEST(PasswordRules, WhatAStatusReplySaysAboutAChange)
{
    const struct
    {
        const char *code4, *code2;
        PasswordAnswer answer;
    } cases[] = {
        {"0600", "06", PasswordAnswer::Accepted}, {"00", "00", PasswordAnswer::Accepted},
        {"0012", "00", PasswordAnswer::Accepted}, {"0601", "06", PasswordAnswer::Rejected},
        {"0133", "01", PasswordAnswer::Rejected}, {"0500", "05", PasswordAnswer::None},
        {"0400", "04", PasswordAnswer::None},     {"0602", "06", PasswordAnswer::None},
    };
    for (const auto &c : cases)
        EXPECT_EQ(passwordAnswer(QString::fromLatin1(c.code4), QString::fromLatin1(c.code2)),
                  c.answer)
            << c.code4;
}

} // namespace
