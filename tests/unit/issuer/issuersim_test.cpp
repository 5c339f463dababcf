// The simulated issuer in process, on a pseudo-terminal that the program's serial link opens:
// its switches (set as the simulator's commands), the shapes its output takes on the line, and
// what it does when nobody reads the port.
#include "issuer/frames.h"
#include "issuer/seriallink.h"
#include "simulator.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class IssuerSimTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.start()) << sim.errorText().toStdString();
        link.setDeviceResolver(
            [this](int port) { return port == 1 ? sim.devicePath() : QString(); });
        ASSERT_EQ(link.open(1), 0);
    }
    // What the port received until it ends with `end` (or all of it after 5 s).
    QByteArray readUntil(const QByteArray &end)
    {
        QByteArray got;
        QDeadlineTimer deadline(5000);
        while (!got.endsWith(end) && !deadline.hasExpired()) {
            QByteArray more;
            if (link.read(1, &more, 4096) > 0)
                got += more;
            else
                QTest::qWait(5);
        }
        return got;
    }
    // Commands as typed on the simulator's standard input; none may be refused.
    void run(const char *commands)
    {
        for (const QString &c : QString::fromLatin1(commands).split(QLatin1Char('|'))) {
            EXPECT_EQ(sim.command(c), QStringList()) << c.toStdString();
        }
    }

    IssuerSimulator sim{QStringLiteral("123456")};
    SerialLink link;
};

TEST_F(IssuerSimTest, ChosenAnswersToTheModeAndPasswordFrames)
{
    const QString p1 = QStringLiteral("123456");
    const QString p2 = QStringLiteral("654321");
    const struct
    {
        const char *commands; // switches set before the frame
        QByteArray frame;
        QByteArray answer; // empty: nothing at all
        QString passwordAfter;
    } cases[] = {
        {"", ReadModeFrame(p1), "0500\r\n", p1},
        {"", ReadModeFrame(p2), "0502\r\n", p1},
        {"mode-status 0501", ReadModeFrame(p1), "0501\r\n", p1},
        {"mode-status 0400", ReadModeFrame(p1), "0400\r\n", p1},
        {"mode-status 00", ReadModeFrame(p1), "00\r\n", p1},
        {"mode-status 01AB", ReadModeFrame(p2), "01AB\r\n", p1}, // whatever the password
        {"mode-status none", ReadModeFrame(p1), "", p1},
        {"mute on", ReadModeFrame(p1), "", p1},
        {"", PasswordChangeFrame(p1, p2), "0600\r\n", p2},
        {"", PasswordChangeFrame(p1, p1), "0601\r\n", p2}, // the old password is wrong now
        // A chosen answer changes only what is said: the right old password still changes it.
        {"password-answer 0601", PasswordChangeFrame(p2, p1), "0601\r\n", p1},
        {"password-answer 0600", PasswordChangeFrame(p2, p2), "0600\r\n", p1},
        {"password-answer 00", PasswordChangeFrame(p1, p2), "00\r\n", p2},
        {"password-answer none", PasswordChangeFrame(p2, p1), "", p1},
        {"mute on", PasswordChangeFrame(p1, p2), "", p2},
    };
    QList<QByteArray> sent;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.commands);
        if (*c.commands)
            run(c.commands);
        link.write(1, c.frame);
        QTRY_COMPARE(sim.issuer().frames().size(), sent.size() + 1);
        run("mute off|mode-status normal|password-answer normal");
        // A frame answered normally behind it shows what the first one brought, even nothing.
        const QByteArray marker = ReadModeFrame(sim.issuer().password());
        link.write(1, marker);
        const QByteArray expected = c.answer + "0500\r\n";
        EXPECT_EQ(readUntil(expected), expected);
        EXPECT_EQ(sim.issuer().password(), c.passwordAfter);
        sent << c.frame << marker;
    }
    EXPECT_EQ(sim.issuer().frames(), sent);
}

TEST_F(IssuerSimTest, AutomaticBatchesOfCardsWithTheirDataOrTheirNumberOnly)
{
    const struct
    {
        const char *commands;
        int cards;
        bool numberOnly;
        bool zeroCodes;
    } cases[] = {
        {"batch 3", 3, false, false},
        {"batch 2|card-number-only on|zero-codes on", 2, true, true},
        {"batch 1|card-number-only off", 1, false, true},
    };
    run("auto on|auto-delay 1");
    QSet<QByteArray> codes;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.commands);
        run(c.commands);
        link.write(1, IssueFrame(QDate(2031, 7, 4), 0x81));
        QList<QByteArray> lines;
        QDeadlineTimer deadline(5000);
        QByteArray got;
        while (got.count("\r\n") < c.cards && !deadline.hasExpired())
            got += readUntil("\r\n");
        // Nothing more follows: the next answer is the mode frame's.
        link.write(1, ReadModeFrame(QStringLiteral("123456")));
        got += readUntil("0500\r\n");
        lines = got.split('\n');
        ASSERT_EQ(lines.size(), c.cards + 2) << got.toStdString();
        for (int i = 0; i < c.cards; ++i) {
            const QByteArray line = lines.at(i);
            ASSERT_EQ(line.size(), (c.numberOnly ? 8 : 16) + 1) << line.toStdString();
            if (!c.numberOnly) {
                EXPECT_EQ(line.mid(8), "1F070481\r"); // 2031-07-04 as bytes, groups 81
            }
            const QByteArray code = line.left(8);
            EXPECT_EQ(code.startsWith("00"), c.zeroCodes) << code.toStdString();
            EXPECT_FALSE(codes.contains(code)) << "not a fresh card: " << code.toStdString();
            codes.insert(code);
        }
    }
}

TEST_F(IssuerSimTest, RefusedCommandsSayHowAndChangeNothing)
{
    const QStringList before = sim.command(QStringLiteral("list"));
    for (const char *bad :
         {"mode-status 5", "mode-status 05000", "password-answer 06 00", "mute yes", "delay -1",
          "split x", "batch 0", "card 00000000", "card 12345", "frobnicate"}) {
        const QStringList said = sim.command(QString::fromLatin1(bad));
        EXPECT_EQ(said.size(), 1) << bad;
    }
    EXPECT_EQ(sim.command(QStringLiteral("list")), before);
}

TEST(IssuerSimOutput, RepliesAreDelayedSplitOrJoinedAsSet)
{
    IssuerSimulator sim(QStringLiteral("123456"));
    ASSERT_TRUE(sim.start());
    QSignalSpy wrote(&sim, &IssuerSimulator::wrote);
    const auto writes = [&wrote] {
        QList<QByteArray> out;
        for (const QList<QVariant> &w : std::as_const(wrote))
            out << w.first().toByteArray();
        wrote.clear();
        return out;
    };

    sim.command(QStringLiteral("split 20"));
    sim.command(QStringLiteral("reply 0500"));
    QTRY_COMPARE(wrote.size(), 2);
    EXPECT_EQ(writes(), (QList<QByteArray>{"05", "00\r\n"}));

    sim.command(QStringLiteral("split 0"));
    sim.command(QStringLiteral("join on"));
    sim.command(QStringLiteral("reply 0500"));
    EXPECT_TRUE(wrote.isEmpty()); // it waits for its pair
    sim.command(QStringLiteral("reply 0600"));
    EXPECT_EQ(writes(), QList<QByteArray>{"0500\r\n0600\r\n"});
    sim.command(QStringLiteral("reply 0601"));
    sim.command(QStringLiteral("join off")); // one left waiting goes out alone
    EXPECT_EQ(writes(), QList<QByteArray>{"0601\r\n"});

    // Raw bytes keep their place behind a delayed reply.
    sim.command(QStringLiteral("delay 30"));
    sim.command(QStringLiteral("reply 0500"));
    sim.command(QStringLiteral("raw 41"));
    EXPECT_TRUE(wrote.isEmpty());
    QTRY_COMPARE(wrote.size(), 2);
    EXPECT_EQ(writes(), (QList<QByteArray>{"0500\r\n", "A"}));
}

TEST(IssuerSimOutput, APortNobodyReadsCapsWhatWaitsAndTheRestFlowsOnceItIsRead)
{
    IssuerSimulator sim(QStringLiteral("123456"));
    QStringList logged;
    sim.log = [&logged](const QString &line) { logged << line; };
    ASSERT_TRUE(sim.start());
    const int replies = 30000;
    for (int i = 0; i < replies; ++i)
        sim.command(QStringLiteral("reply 0400"));
    EXPECT_LE(sim.pendingBytes(), IssuerSimulator::OutputCap);
    EXPECT_GT(sim.bytesDropped(), 0);
    EXPECT_EQ(sim.bytesWritten() + sim.pendingBytes() + sim.bytesDropped(), qint64(replies) * 6);
    EXPECT_EQ(logged.filter(QStringLiteral("output is dropped")).size(), 1);

    // A reader drains the terminal: what waited goes out, the loss is summed up, replies flow.
    SerialLink link;
    link.setDeviceResolver([&sim](int) { return sim.devicePath(); });
    ASSERT_EQ(link.open(1), 0);
    QTRY_COMPARE_WITH_TIMEOUT(sim.pendingBytes(), qsizetype(0), 10000);
    EXPECT_TRUE(
        logged.contains(QStringLiteral("%1 bytes of output were dropped").arg(sim.bytesDropped())));
    QByteArray rest;
    QTRY_VERIFY(link.read(1, &rest, 4096) == 0);
    link.write(1, ReadModeFrame(QStringLiteral("123456")));
    QByteArray got;
    QDeadlineTimer deadline(5000);
    while (!got.endsWith("0500\r\n") && !deadline.hasExpired()) {
        if (link.read(1, &rest, 4096) > 0)
            got += rest;
        else
            QTest::qWait(5);
    }
    EXPECT_TRUE(got.endsWith("0500\r\n")) << got.right(40).toStdString();
}

// A loss frame carries characters 3 to 8 of the card code after FF FF FF; an unloss frame
// carries FF and characters 5 to 8. With "FF" as characters 3 and 4 the two are the same bytes,
// and the issuer can only take them as an unloss.
TEST(SimulatedIssuerFrames, ALossFrameWithFFAsCharacters3And4IsAnUnloss)
{
    EXPECT_EQ(LossFrame(QStringLiteral("12FF3456")), UnlossFrame(QStringLiteral("ABCD3456")));
    using Mode = SimulatedIssuer::Mode;
    const struct
    {
        const char *card;
        Mode mode;
        QByteArray token;
    } cases[] = {
        {"12FF3456", Mode::Unloss, "0000000000FF3456"},
        {"12FE3456", Mode::Loss, "0000000000FE3456"},
        {"FF123456", Mode::Loss, "0000000000123456"},
    };
    for (const auto &c : cases) {
        SimulatedIssuer issuer(QStringLiteral("123456"));
        QList<QByteArray> replies;
        issuer.reply = [&replies](const QByteArray &r) { replies << r; };
        issuer.receive(LossFrame(QString::fromLatin1(c.card)));
        EXPECT_EQ(issuer.mode(), c.mode) << c.card;
        issuer.placeToken();
        EXPECT_EQ(replies, QList<QByteArray>{c.token}) << c.card;
    }
}

} // namespace
