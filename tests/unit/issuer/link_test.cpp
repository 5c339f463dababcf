// The serial link over a pseudo-terminal, and the receive handler between a port and the event
// controls (here a recording stand-in for the main window).
#include "common/errors.h"
#include "common/globals.h"
#include "coresupport.h"
#include "issuer/frames.h"
#include "issuer/ports.h"
#include "issuer/receivehandler.h"
#include "issuer/seriallink.h"
#include "issuer/timings.h"
#include "simulator.h"
#include "testpty.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace issuer;

namespace {

class LinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetGlobals();
        ASSERT_TRUE(pty.ok());
        link.setDeviceResolver([this](int port) {
            if (port == 3)
                return pty.slavePath();
            if (port == 4 && second)
                return second->slavePath();
            return QString();
        });
    }

    ShortTimings shortTimings{1, 1};
    TestPty pty;
    std::unique_ptr<TestPty> second;
    SerialLink link;
};

TEST_F(LinkTest, OpenTwiceFailsAndCloseIsAlwaysHarmless)
{
    EXPECT_EQ(link.close(3), 0);
    EXPECT_EQ(link.open(3), 0);
    EXPECT_NE(link.open(3), 0);
    EXPECT_NE(link.open(7), 0); // no device behind COM7
    EXPECT_EQ(link.close(3), 0);
    EXPECT_EQ(link.close(3), 0);
    EXPECT_EQ(link.open(3), 0);
    EXPECT_NE(link.setLineParameters(7), 0);
    EXPECT_NE(link.enableReceiveNotification(7), 0);
    QByteArray bytes;
    EXPECT_LT(link.read(7, &bytes, ReadLimit), 0);
}

TEST_F(LinkTest, ADeviceThisUserMayNotOpenIsToldApart)
{
    // Opened by an account outside the device's group (root may open anything: the open runs in
    // a child that became nobody).
    const QByteArray path = QFile::encodeName(pty.slavePath());
    int result = 0;
    if (::geteuid() != 0) {
        struct stat st
        {
        };
        ASSERT_EQ(::stat(path.constData(), &st), 0);
        ASSERT_EQ(::chmod(path.constData(), 0), 0);
        result = link.open(3);
        ::chmod(path.constData(), st.st_mode & 07777);
    } else {
        ASSERT_EQ(::chmod(path.constData(), 0600), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(100);
            ::_exit(-link.open(3));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 100);
        result = -WEXITSTATUS(status);
    }
    EXPECT_EQ(result, SerialLink::OpenDenied);
    // A device that is not there is no permission problem.
    EXPECT_NE(link.open(7), SerialLink::OpenDenied);
    EXPECT_EQ(link.open(3), 0); // this user may
}

TEST_F(LinkTest, LineIs19200EightDataBitsTwoStopBitsNoParity)
{
    ASSERT_EQ(link.open(3), 0);
    ASSERT_EQ(link.setLineParameters(3), 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), speed_t(B19200));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_FALSE(tio.c_cflag & PARENB);
}

TEST_F(LinkTest, WriteReachesTheDeviceAndFlushDiscardsWaitingInput)
{
    ASSERT_EQ(link.open(3), 0);
    const QByteArray frame = QByteArray::fromHex("09080706e01234560000000d");
    link.write(3, frame);
    EXPECT_EQ(pty.receive(frame.size()), frame);

    pty.send("stale reply\r\n");
    QTRY_COMPARE(link.bytesWaiting(3), qint64(13));
    EXPECT_EQ(link.flush(3), 0);
    QByteArray bytes;
    EXPECT_EQ(link.read(3, &bytes, ReadLimit), 0);
}

TEST_F(LinkTest, ReadTakesAtMost1024BytesAndTheRestIsNotifiedAgain)
{
    ASSERT_EQ(link.open(3), 0);
    ASSERT_EQ(link.enableReceiveNotification(3), 0);
    QSignalSpy notified(&link, &SerialLink::dataWaiting);
    pty.send(QByteArray(1500, 'A'));
    QTRY_COMPARE(link.bytesWaiting(3), qint64(1500));
    QByteArray bytes;
    EXPECT_EQ(link.read(3, &bytes, ReadLimit), 1024);
    notified.clear();
    ASSERT_TRUE(notified.wait(2000));
    EXPECT_EQ(notified.first().first().toInt(), 3);
    EXPECT_EQ(link.read(3, &bytes, ReadLimit), 476);
}

TEST_F(LinkTest, AVanishedDeviceFailsReadsAndKeepsThePortTakenUntilClosed)
{
    ASSERT_EQ(link.open(3), 0);
    ASSERT_EQ(link.enableReceiveNotification(3), 0);
    QSignalSpy lost(&link, &SerialLink::portLost);
    pty.hangUp();
    ASSERT_TRUE(lost.wait(3000));
    QByteArray bytes;
    EXPECT_LT(link.read(3, &bytes, ReadLimit), 0);
    EXPECT_LT(link.write(3, "x"), 0);
    EXPECT_NE(link.open(3), 0);
    EXPECT_EQ(link.close(3), 0);
    EXPECT_FALSE(link.isOpen(3));
}

TEST(PortMap, LinksToLiveDevicesInTheOrderOfTheirNumber)
{
    testsupport::TempProgramDir dir;
    TestPty a;
    TestPty b;
    ASSERT_TRUE(a.ok() && b.ok());
    QDir().mkpath(dir.path(QStringLiteral("Ports")));
    const auto link = [&](const QString &target, const char *name) {
        ASSERT_TRUE(QFile::link(target, dir.path(QStringLiteral("Ports/")) + QLatin1String(name)));
    };
    link(b.slavePath(), "COM12");
    link(a.slavePath(), "COM3");
    link(dir.path(QStringLiteral("gone")), "COM2"); // the device has gone
    link(a.slavePath(), "COM01");                   // not a port name of the map
    dir.write(QStringLiteral("Ports/notes.txt"), "COM5");
    EXPECT_EQ(issuer::listPortNames(),
              (QStringList{QStringLiteral("COM3"), QStringLiteral("COM12")}));
    EXPECT_EQ(issuer::devicePath(12), QFileInfo(b.slavePath()).canonicalFilePath());
    EXPECT_TRUE(issuer::devicePath(2).isEmpty());
    EXPECT_TRUE(issuer::devicePath(1).isEmpty());

    // A port whose device goes away leaves the list at once.
    b.hangUp();
    EXPECT_EQ(issuer::listPortNames(), QStringList{QStringLiteral("COM3")});
}

// Records what each reply hands on, step by step.
class RecordingTarget : public ReplyTarget
{
public:
    QStringList log;
    QList<StatusAnswer> answers;
    std::function<void()> onEventLine;

    void eventLine(const QString &line) override
    {
        log << QStringLiteral("event ") + line;
        if (onEventLine)
            onEventLine();
    }
    void statusAnswered(const StatusAnswer &a) override
    {
        log << QStringLiteral("status ") + a.code4 + QStringLiteral(": ") + a.eventLine;
        answers << a;
    }
    void cardRead(const CardRead &r) override
    {
        log << QStringLiteral("card %1 %2 %3").arg(r.code, r.validity, r.groups);
    }
    void tokenRead(const TokenRead &t) override
    {
        log << (t.unloss ? QStringLiteral("unloss ") : QStringLiteral("loss ")) + t.digits;
    }
    void showPane(const QString &t) override { log << QStringLiteral("pane ") + t; }
    void showError(const QString &t) override { log << QStringLiteral("error ") + t; }
};

class ReceiveTest : public LinkTest
{
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        handler = std::make_unique<ReceiveHandler>(&link, &target);
        handled = std::make_unique<QSignalSpy>(handler.get(), &ReceiveHandler::notificationHandled);
        ASSERT_EQ(link.open(3), 0);
        ASSERT_EQ(link.enableReceiveNotification(3), 0);
    }
    void reply(const QByteArray &bytes, TestPty *to = nullptr)
    {
        handled->clear();
        (to ? to : &pty)->send(bytes);
        ASSERT_TRUE(handled->wait(3000));
    }

    RecordingTarget target;
    std::unique_ptr<ReceiveHandler> handler;
    std::unique_ptr<QSignalSpy> handled;
};

TEST_F(ReceiveTest, EachReplyFormIsHandedOnTyped)
{
    const QString cardLine = QStringLiteral("卡片内码:9F0832A5   有效期：2015年05月09日");
    const struct
    {
        QByteArray reply;
        QStringList steps;
    } cases[] = {
        {"0600\r\n", {QStringLiteral("status 0600:  发行器用户密码修改成功.请备份好新密码.")}},
        {"9F0832A50F050905\r\n",
         {QStringLiteral("event        此") + cardLine,
          QStringLiteral("card 9F0832A5 2015年05月09日 05")}},
        {"1234ABCD\r\n",
         {QStringLiteral("event 卡号:1234ABCD\r"), QStringLiteral("card 1234ABCD  "),
          QStringLiteral("pane 此卡未显示有效期,请检查发行器底部的拨码开关的状态!")}},
        {"0000000000A1B2C3\r\n", {QStringLiteral("loss A1B2C3")}},
        {"0000000000FFB2C3\r\n", {QStringLiteral("unloss B2C3")}},
        {"0502\r\n", {}},
    };
    for (const auto &c : cases) {
        target.log.clear();
        reply(c.reply);
        EXPECT_EQ(target.log, c.steps) << c.reply.constData();
        EXPECT_EQ(handler->lastReply(),
                  QStringLiteral(" ") + QString::fromLatin1(c.reply.trimmed()));
    }
    ASSERT_EQ(target.answers.size(), 1);
    EXPECT_EQ(target.answers[0].code2, QStringLiteral("06"));
    EXPECT_EQ(target.answers[0].rawLine, QStringLiteral(" 0600"));
    EXPECT_EQ(target.answers[0].pane, QStringLiteral("发行器用户密码修改成功.请备份好新密码."));
}

TEST_F(ReceiveTest, AFailingStepStopsThatReplyOnlyAndShowsItsText)
{
    target.onEventLine = [] { throw VelmoraError(QStringLiteral("database is locked")); };
    reply("1234ABCD\r\n");
    EXPECT_EQ(target.log, (QStringList{QStringLiteral("event 卡号:1234ABCD\r"),
                                       QStringLiteral("error database is locked")}));
    target.onEventLine = nullptr;
    target.log.clear();
    reply("1234ABCD\r\n");
    EXPECT_EQ(target.log.size(), 3);
}

TEST_F(ReceiveTest, BytesWaitingTogetherAreOneReplyAndLaterBytesAnother)
{
    // Both halves arrive before the handler reads: one reply.
    ASSERT_EQ(link.close(3), 0);
    ASSERT_EQ(link.open(3), 0);
    pty.send("05");
    pty.send("00\r\n");
    QTRY_COMPARE(link.bytesWaiting(3), qint64(6));
    handled->clear();
    ASSERT_EQ(link.enableReceiveNotification(3), 0);
    ASSERT_TRUE(handled->wait(3000));
    EXPECT_EQ(handler->lastReply(), QStringLiteral(" 0500"));
    EXPECT_EQ(target.log, QStringList{QStringLiteral("status 0500: 发行器通讯正常,请读卡!")});

    // The second half after the first was read: two replies, neither the status "0500".
    target.log.clear();
    reply("05");
    EXPECT_EQ(handler->lastReply(), QStringLiteral(" 0"));
    EXPECT_TRUE(target.log.isEmpty());
    reply("01\r\n");
    EXPECT_EQ(handler->lastReply(), QStringLiteral(" 01"));
    EXPECT_EQ(target.log.first(),
              QStringLiteral("status 01:  发行器用户密码修改失败，原始密码错误."));
}

TEST_F(ReceiveTest, GarbageAndOverlongRepliesAreStoredAndIgnored)
{
    QByteArray junk;
    for (int i = 0; i < 1500; ++i)
        junk.append(char(0x41 + (i * 7) % 60)); // printable, no terminators
    handled->clear();
    pty.send(junk);
    ASSERT_TRUE(handled->wait(3000));
    if (handled->size() < 2) {
        ASSERT_TRUE(handled->wait(3000));
    }
    EXPECT_TRUE(target.log.isEmpty());
    EXPECT_EQ(handler->lastReply().size(), 1500 - 1024);
    EXPECT_FALSE(handler->busy());

    reply(QByteArray("\xff\xfe\x00\x81", 4));
    EXPECT_TRUE(target.log.isEmpty());
}

TEST_F(ReceiveTest, NotificationsAreHandledOneAfterTheOther)
{
    second = std::make_unique<TestPty>();
    ASSERT_EQ(link.open(4), 0);
    ASSERT_EQ(link.enableReceiveNotification(4), 0);
    timings().cardDataGap = 50;
    handled->clear();
    pty.send("9F0832A50F0509FF\r\n");
    second->send("0500\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(handled->size(), 2, 5000);
    ASSERT_EQ(target.log.size(), 3);
    // Each reply's steps stay together, across the pause inside the card read.
    const bool cardFirst = target.log.first().startsWith(QStringLiteral("event        此"));
    const int cardAt = cardFirst ? 0 : 1;
    EXPECT_TRUE(target.log.at(cardAt + 1).startsWith(QStringLiteral("card 9F0832A5 ")));
    EXPECT_EQ(target.log.at(cardFirst ? 2 : 0),
              QStringLiteral("status 0500: 发行器通讯正常,请读卡!"));
}

TEST_F(ReceiveTest, ClosingThePortDropsItsWaitingNotification)
{
    timings().beforeBuffer = 60000;
    handled->clear();
    pty.send("0500\r\n");
    QTRY_VERIFY(handler->busy());
    link.close(3);
    ASSERT_EQ(handled->size(), 1);
    EXPECT_FALSE(handler->busy());
    EXPECT_TRUE(handler->lastReply().isEmpty());
    EXPECT_TRUE(target.log.isEmpty());
}

// The receive path against the simulated issuer, entered as COM2 in the port map.
class SimulatedIssuerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetGlobals();
        ASSERT_TRUE(sim.start(dir.path(QStringLiteral("Ports")), 2))
            << sim.errorText().toStdString();
        ASSERT_EQ(link.open(2), 0);
        ASSERT_EQ(link.enableReceiveNotification(2), 0);
    }

    ShortTimings shortTimings{1, 1};
    testsupport::TempProgramDir dir;
    IssuerSimulator sim{QStringLiteral("123456")};
    SerialLink link;
    RecordingTarget target;
    ReceiveHandler handler{&link, &target};
    QSignalSpy handled{&handler, &ReceiveHandler::notificationHandled};
};

TEST_F(SimulatedIssuerTest, RepliesSplitOrJoinedOnTheLineAreReadAsTheyArrive)
{
    const struct
    {
        const char *shape;
        int splitGap;
        bool join;
        int notifications;
        QString lastReply;
        int effects;
    } cases[] = {
        {"whole", 0, false, 1, QStringLiteral(" 0500"), 1},
        // The first half is read before the second arrives: " 0" is no reply, "00" a status.
        {"split", 500, false, 2, QStringLiteral(" 00"), 1},
        // Two replies in one read: each is handled on its own.
        {"joined", 0, true, 1, QStringLiteral(" 0500"), 2},
    };
    const QByteArray frame = ReadModeFrame(QStringLiteral("123456"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shape);
        sim.setSplitGap(c.splitGap);
        sim.setJoin(c.join);
        target.log.clear();
        handled.clear();
        link.write(2, c.join ? frame + frame : frame);
        QTRY_COMPARE_WITH_TIMEOUT(handled.size(), c.notifications, 5000);
        EXPECT_EQ(handler.lastReply(), c.lastReply);
        EXPECT_EQ(target.log.size(), c.effects) << target.log.join(QLatin1Char('|')).toStdString();
    }
}

TEST_F(SimulatedIssuerTest, AFloodIsCutAtTheBufferAndAReplyAfterItIsDecoded)
{
    // Pauses long enough that the handler falls far behind the flood, as it does at full length.
    ShortTimings slowHandler{20, 1};
    const QByteArray noise(4096, 'N');
    const qint64 volume = 4 * 1024 * 1024;
    qint64 mostWaiting = 0;
    QDeadlineTimer deadline(20000);
    for (int i = 0; i < 400000 && sim.bytesWritten() < volume && !deadline.hasExpired(); ++i) {
        if (sim.pendingBytes() < IssuerSimulator::OutputCap / 2)
            sim.sendRaw(noise);
        QCoreApplication::processEvents();
        mostWaiting = qMax(mostWaiting, link.bytesWaiting(2));
    }
    ASSERT_GE(sim.bytesWritten(), volume) << "the flood did not reach the port";
    EXPECT_LE(mostWaiting, SerialLink::ReceiveBufferSize);
    EXPECT_GT(link.bytesDiscarded(2), 0);

    // Once the noise stops, what is left of it is read away and the next reply is decoded.
    QTRY_VERIFY_WITH_TIMEOUT(link.bytesWaiting(2) == 0 && !handler.busy(), 30000);
    target.log.clear();
    link.write(2, ReadModeFrame(QStringLiteral("123456")));
    QTRY_COMPARE_WITH_TIMEOUT(handler.lastReply(), QStringLiteral(" 0500"), 10000);
    EXPECT_EQ(target.log.first(), QStringLiteral("status 0500: 发行器通讯正常,请读卡!"));
}

TEST_F(SimulatedIssuerTest, AnIssuerPulledOutAndPluggedBackKeepsItsPassword)
{
    QSignalSpy lost(&link, &SerialLink::portLost);
    link.write(2, PasswordChangeFrame(QStringLiteral("123456"), QStringLiteral("654321")));
    QTRY_COMPARE(handler.lastReply(), QStringLiteral(" 0600"));

    sim.unplug();
    QTRY_COMPARE(lost.size(), 1);
    EXPECT_TRUE(issuer::listPortNames().isEmpty());
    EXPECT_FALSE(QFileInfo(dir.path(QStringLiteral("Ports/COM2"))).isSymLink());

    ASSERT_TRUE(sim.plug()) << sim.errorText().toStdString();
    EXPECT_EQ(issuer::listPortNames(), QStringList{QStringLiteral("COM2")});
    EXPECT_NE(link.open(2), 0); // the lost port stays taken until the program closes it
    link.close(2);
    ASSERT_EQ(link.open(2), 0);
    ASSERT_EQ(link.enableReceiveNotification(2), 0);
    link.write(2, ReadModeFrame(QStringLiteral("654321")));
    QTRY_COMPARE(handler.lastReply(), QStringLiteral(" 0500"));
}

} // namespace
