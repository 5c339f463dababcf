// The program's serial layer against the issuer simulator on a pseudo-terminal: a port opened
// by hand, frames out, replies decoded into the event controls; then the simulator goes away.
#include "cardtabview.h"
#include "common/globals.h"
#include "issuer/frames.h"
#include "issuer/ports.h"
#include "issuer/receivehandler.h"
#include "issuer/seriallink.h"
#include "issuer/timings.h"
#include "shell/tform1.h"
#include "shell/widgets.h"
#include "systemtabview.h"
#include "testpty.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::ScriptedTest;

namespace {

class SimulatorTest : public ScriptedTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        resetGlobals();
    }
    void TearDown() override
    {
        form.reset();
        for (auto &p : sims) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                p->waitForFinished(5000);
            }
        }
        ScriptedTest::TearDown();
    }
    // Starts a simulator on the program directory; returns its port name.
    QString startSimulator(QProcess *&process, const QStringList &extra = {})
    {
        sims.push_back(std::make_unique<QProcess>());
        process = sims.back().get();
        const QString program =
            testsupport::binDir() + QStringLiteral("/tools/issuer-sim/velmora-issuer-sim");
        // Its log goes to a file: a pipe nobody reads would hold it up.
        process->setStandardErrorFile(errorFile(process));
        process->start(program, QStringList{QStringLiteral("--dir"), dir.root()} + extra);
        if (!process->waitForStarted(5000))
            return {};
        while (!process->canReadLine()) {
            if (!process->waitForReadyRead(5000)) {
                ADD_FAILURE() << errorLog(process).toStdString();
                return {};
            }
        }
        const QString ready = QString::fromLocal8Bit(process->readLine());
        return ready.startsWith(QStringLiteral("ready ")) ? ready.section(QLatin1Char(' '), 1, 1)
                                                          : QString();
    }
    QString errorFile(const QProcess *process) const
    {
        for (std::size_t i = 0; i < sims.size(); ++i) {
            if (sims[i].get() == process)
                return dir.path(QStringLiteral("sim%1.log").arg(i));
        }
        return {};
    }
    QByteArray errorLog(const QProcess *process) const
    {
        QFile f(errorFile(process));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Reads the simulator's standard output until a line holding `text`; false after timeoutMs.
    static bool waitForLine(QProcess *process, const QByteArray &text, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            while (process->canReadLine()) {
                if (process->readLine().contains(text))
                    return true;
            }
            process->waitForReadyRead(50);
        }
        return false;
    }
    void openByHand(const QString &port)
    {
        systemTab(form.get()).ComTxt->clear();
        systemTab(form.get()).ComTxt->addItems(systemTab(form.get()).tab->GetComPortList());
        systemTab(form.get()).ComTxt->setCurrentText(port);
        emit systemTab(form.get()).ComTxt->activated(systemTab(form.get()).ComTxt->currentIndex());
        systemTab(form.get()).tab->openPortButtonClick();
    }

    issuer::ShortTimings shortTimings{5, 1};
    std::vector<std::unique_ptr<QProcess>> sims;
    std::unique_ptr<TForm1> form;
};

TEST_F(SimulatorTest, StatusAndCardRepliesOverThePseudoTerminal)
{
    QProcess *sim = nullptr;
    const QString port = startSimulator(sim);
    ASSERT_EQ(port, QStringLiteral("COM1"));
    form = std::make_unique<TForm1>();
    TForm1 &f = *form;
    EXPECT_EQ(systemTab(&f).tab->GetComPortList(), QStringList{port});
    openByHand(port);
    ASSERT_EQ(f.wtxt->text(), QStringLiteral("端口COM1已打开."));

    systemTab(&f).tab->writeFrame(ReadModeFrame(QStringLiteral("123456")));
    QTRY_COMPARE_WITH_TIMEOUT(systemTab(&f).RzMemo5->lineCount(), 1, 5000);
    EXPECT_EQ(systemTab(&f).RzMemo5->lines().first(), QStringLiteral(" 0500"));
    EXPECT_EQ(systemTab(&f).RzMemo1->lines(),
              QStringList{QStringLiteral("发行器通讯正常,请读卡!")});
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("发行器通讯正常，请读卡!"));
    EXPECT_EQ(systemTab(&f).tab->receiveHandler()->lastReply(), QStringLiteral(" 0500"));

    // A wrong password is answered with a status the program leaves alone.
    systemTab(&f).tab->writeFrame(ReadModeFrame(QStringLiteral("999999")));
    QTRY_COMPARE_WITH_TIMEOUT(systemTab(&f).tab->receiveHandler()->lastReply(),
                              QStringLiteral(" 0502"), 5000);
    EXPECT_EQ(systemTab(&f).RzMemo5->lineCount(), 1);

    // Issue with a validity and a mask, then a card laid on the issuer.
    systemTab(&f).tab->flushPort();
    systemTab(&f).tab->writeFrame(IssueFrame(QDate(2031, 7, 4), 0x81));
    sim->write("card 1234ABCD\n");
    QTRY_COMPARE_WITH_TIMEOUT(cardTab(&f).RzMemo2->lineCount(), 1, 5000);
    EXPECT_EQ(cardTab(&f).RzMemo2->lines().first(),
              QStringLiteral("卡片内码:1234ABCD   有效期：2031年07月04日"));
    EXPECT_EQ(cardTab(&f).edt8->text(), QStringLiteral("129"));

    // Garbage, a reply longer than one read, then a normal reply again.
    sim->write("raw " + QByteArray(1300, 'A').toHex() + "\n");
    QTRY_COMPARE_WITH_TIMEOUT(systemTab(&f).tab->receiveHandler()->lastReply(),
                              QStringLiteral(" ") + QString(1300 - 1024 - 1, QLatin1Char('A')),
                              5000);
    sim->write("reply 0600\n");
    QTRY_COMPARE_WITH_TIMEOUT(f.wtxt->text(),
                              QStringLiteral("发行器用户密码修改成功.请备份好新密码."), 10000);
    // The simulator received the program's frames byte for byte, in order.
    sim->write("frames\n");
    for (const QByteArray &frame :
         {ReadModeFrame(QStringLiteral("123456")), ReadModeFrame(QStringLiteral("999999")),
          IssueFrame(QDate(2031, 7, 4), 0x81)}) {
        EXPECT_TRUE(waitForLine(sim, frame.toHex(' ').toUpper() + '\n', 5000))
            << frame.toHex(' ').toStdString();
    }
}

TEST_F(SimulatorTest, TheSimulatorGoingAwayWhileThePortIsOpen)
{
    QProcess *sim = nullptr;
    const QString port = startSimulator(sim, {QStringLiteral("--port"), QStringLiteral("4")});
    ASSERT_EQ(port, QStringLiteral("COM4"));
    form = std::make_unique<TForm1>();
    TForm1 &f = *form;
    openByHand(port);
    ASSERT_EQ(f.wtxt->text(), QStringLiteral("端口COM4已打开."));

    QSignalSpy lost(systemTab(&f).tab->serialLink(), &SerialLink::portLost);
    sim->kill(); // no chance to clean up: the map keeps a link to nothing
    ASSERT_TRUE(lost.wait(5000));
    EXPECT_TRUE(QFileInfo(dir.path(QStringLiteral("Ports/COM4"))).isSymLink());
    EXPECT_TRUE(systemTab(&f).tab->GetComPortList().isEmpty());
    systemTab(&f).tab->writeFrame(
        ReadModeFrame(QStringLiteral("123456"))); // goes nowhere, harmlessly

    // Opening it again by hand reports the missing device.
    systemTab(&f).tab->openPortButtonClick();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("不能打开COM4,请检查设备端口."));

    // A new simulator takes the stale entry over once the old terminal is gone (the kill does
    // not wait for it); one that is terminated removes its entry.
    QTRY_VERIFY(
        !QFileInfo::exists(QFileInfo(dir.path(QStringLiteral("Ports/COM4"))).symLinkTarget()));
    QProcess *second = nullptr;
    ASSERT_EQ(startSimulator(second, {QStringLiteral("--port"), QStringLiteral("4")}),
              QStringLiteral("COM4"));
    openByHand(port);
    ASSERT_EQ(f.wtxt->text(), QStringLiteral("端口COM4已打开."));
    second->terminate();
    ASSERT_TRUE(second->waitForFinished(5000));
    EXPECT_FALSE(QFileInfo(dir.path(QStringLiteral("Ports/COM4"))).isSymLink());
    QTRY_VERIFY(systemTab(&f).tab->serialLink()->isLost(4));
}

TEST_F(SimulatorTest, APortNobodyReadsNeverStallsTheSimulatorAndASignalEndsIt)
{
    QProcess *sim = nullptr;
    ASSERT_EQ(startSimulator(sim, {QStringLiteral("--port"), QStringLiteral("9")}),
              QStringLiteral("COM9"));
    // Far more replies than the terminal holds, with no program reading them; then a command
    // that shows the simulator is still listening.
    QByteArray commands;
    for (int i = 0; i < 30000; ++i)
        commands += "reply 0500\n";
    sim->write(commands + "list\n");
    ASSERT_TRUE(waitForLine(sim, "password 123456", 30000)) << "the simulator stalled";
    sim->terminate();
    ASSERT_TRUE(sim->waitForFinished(10000)) << "the signal was ignored";
    EXPECT_EQ(sim->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim->exitCode(), 0);
    EXPECT_FALSE(QFileInfo(dir.path(QStringLiteral("Ports/COM9"))).isSymLink());
    EXPECT_TRUE(errorLog(sim).contains("dropped")) << "dropping output went unreported";
}

TEST_F(SimulatorTest, ALargeRawPayloadArrivesWhole)
{
    QProcess *sim = nullptr;
    ASSERT_EQ(startSimulator(sim), QStringLiteral("COM1"));
    const int fd = ::open(QFile::encodeName(dir.path(QStringLiteral("Ports/COM1"))).constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    QByteArray payload;
    for (int i = 0; i < 40000; ++i)
        payload.append(char((i * 7) % 251));
    sim->write("raw " + payload.toHex() + "\n");
    QByteArray got;
    QDeadlineTimer deadline(20000);
    while (got.size() < payload.size() && !deadline.hasExpired()) {
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            got.append(buf, int(n));
        else
            sim->waitForBytesWritten(10); // also lets the rest of the command line go out
    }
    ::close(fd);
    EXPECT_EQ(got.size(), payload.size());
    EXPECT_TRUE(got == payload);
}

TEST_F(SimulatorTest, SwitchesFromTheCommandLineAndStandardInput)
{
    QProcess *sim = nullptr;
    const QString port =
        startSimulator(sim, {QStringLiteral("--mode-status"), QStringLiteral("0400"),
                             QStringLiteral("--password-answer"), QStringLiteral("none")});
    ASSERT_EQ(port, QStringLiteral("COM1"));
    form = std::make_unique<TForm1>();
    TForm1 &f = *form;
    openByHand(port);
    ASSERT_EQ(f.wtxt->text(), QStringLiteral("端口COM1已打开."));

    // The password change goes unanswered, but the issuer takes the new password.
    systemTab(&f).tab->writeFrame(
        PasswordChangeFrame(QStringLiteral("123456"), QStringLiteral("654321")));
    systemTab(&f).tab->writeFrame(ReadModeFrame(QStringLiteral("654321")));
    QTRY_COMPARE_WITH_TIMEOUT(systemTab(&f).RzMemo5->lineCount(), 1, 5000);
    EXPECT_EQ(systemTab(&f).RzMemo5->lines().first(), QStringLiteral(" 0400"));
    EXPECT_EQ(systemTab(&f).RzMemo1->lines(),
              QStringList{QStringLiteral("发行器通讯正常,请读卡!")});

    // Pulled out: the open port loses its device and the entry goes; plugged back it returns
    // with the password kept.
    QSignalSpy lost(systemTab(&f).tab->serialLink(), &SerialLink::portLost);
    sim->write("unplug\n");
    ASSERT_TRUE(lost.wait(5000));
    EXPECT_TRUE(systemTab(&f).tab->GetComPortList().isEmpty());
    sim->write("plug\nmode-status normal\n");
    QTRY_COMPARE_WITH_TIMEOUT(systemTab(&f).tab->GetComPortList(), QStringList{port}, 5000);
    openByHand(port);
    ASSERT_EQ(f.wtxt->text(), QStringLiteral("端口COM1已打开."));
    systemTab(&f).tab->writeFrame(ReadModeFrame(QStringLiteral("654321")));
    QTRY_COMPARE_WITH_TIMEOUT(systemTab(&f).RzMemo5->lineCount(), 2, 5000);
    EXPECT_EQ(systemTab(&f).RzMemo5->lines().last(), QStringLiteral(" 0500"));
}

TEST_F(SimulatorTest, CommandsThroughTheControlPipe)
{
    const QString pipe = dir.path(QStringLiteral("issuer-sim.ctl"));
    QProcess *sim = nullptr;
    ASSERT_EQ(startSimulator(sim, {QStringLiteral("--control"), pipe}), QStringLiteral("COM1"));
    // Two writers one after the other, as two `echo … > PIPE` would be.
    for (const QByteArray &command : {QByteArray("card ABCD1234\n"), QByteArray("list\n")}) {
        QFile writer(pipe);
        ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
        writer.write(command);
    }
    EXPECT_TRUE(waitForLine(sim, "ABCD1234", 5000)) << errorLog(sim).toStdString();
    {
        QFile writer(pipe);
        ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
        writer.write("quit\n");
    }
    ASSERT_TRUE(sim->waitForFinished(5000));
    EXPECT_FALSE(QFileInfo::exists(pipe));
    EXPECT_FALSE(QFileInfo::exists(dir.path(QStringLiteral("Ports/COM1"))));
}

TEST_F(SimulatorTest, StartedInTheBackgroundOfATerminalItKeepsAnswering)
{
    // A terminal session of its own: the simulator runs in a background process group with the
    // terminal as standard input, as `velmora-issuer-sim … &` typed in a shell does.
    TestPty terminal;
    ASSERT_TRUE(terminal.ok());
    const QByteArray program = QFile::encodeName(
        testsupport::binDir() + QStringLiteral("/tools/issuer-sim/velmora-issuer-sim"));
    const QByteArray root = QFile::encodeName(dir.root());
    const QByteArray slave = QFile::encodeName(terminal.slavePath());
    const QByteArray log = QFile::encodeName(dir.path(QStringLiteral("background.log")));
    int pids[2];
    ASSERT_EQ(::pipe(pids), 0);
    const pid_t leader = ::fork();
    ASSERT_GE(leader, 0);
    if (leader == 0) {
        ::setsid();
        const int tty = ::open(slave.constData(), O_RDWR); // the session's terminal
        const pid_t job = ::fork();
        if (job == 0) {
            ::setpgid(0, 0); // not the terminal's foreground group
            const int out = ::open(log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(tty, STDIN_FILENO);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            ::execl(program.constData(), program.constData(), "--dir", root.constData(),
                    static_cast<char *>(nullptr));
            ::_exit(127);
        }
        [[maybe_unused]] const ssize_t w = ::write(pids[1], &job, sizeof job);
        int status = 0;
        ::waitpid(job, &status, 0);
        ::_exit(0);
    }
    pid_t job = 0;
    ASSERT_EQ(::read(pids[0], &job, sizeof job), ssize_t(sizeof job));
    ::close(pids[0]);
    ::close(pids[1]);
    auto end = [&] {
        ::kill(job, SIGCONT);
        ::kill(job, SIGTERM);
        ::waitpid(leader, nullptr, 0);
    };
    const QString entry = dir.path(QStringLiteral("Ports/COM1"));
    if (!QTest::qWaitFor([&] { return QFileInfo::exists(entry); }, 5000)) {
        end();
        FAIL() << "no entry";
    }
    // The user types the next line into the shell; the simulator sees it on its input.
    terminal.send("list\n");
    QTest::qWait(300);
    SerialLink link;
    link.setDeviceResolver([&](int) { return entry; });
    QByteArray reply;
    if (link.open(1) == 0 && link.setLineParameters(1) == 0 &&
        link.enableReceiveNotification(1) == 0) {
        link.write(1, ReadModeFrame(QStringLiteral("123456")));
        [[maybe_unused]] const bool answered = QTest::qWaitFor(
            [&] {
                QByteArray bytes;
                if (link.read(1, &bytes, 64) > 0)
                    reply += bytes;
                return reply.contains("\r\n");
            },
            5000);
    }
    end();
    EXPECT_EQ(reply, QByteArray("0500\r\n"));
}

} // namespace
