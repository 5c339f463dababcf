// The real program on a virtual display with issuer simulators in its port map: after an
// administrator logs in it finds the issuer by itself, looks again when the issuer is unplugged,
// and asks the operator when only a port that never confirms is left.
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

// Waits with the event loop running, then checks the gtest way.
#define ASSERT_SOON(cond, ms) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(cond); }, ms)) << #cond

class DiscoveryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString bin = testsupport::binDir();
        ASSERT_EQ(QProcess::execute(
                      bin + QStringLiteral("/velmora"),
                      {QStringLiteral("--dir"), dir.root(), QStringLiteral("--create-database"),
                       QStringLiteral("--admin-name"), QStringLiteral("admin"),
                       QStringLiteral("--admin-password"), QStringLiteral("admin123")}),
                  0);
        display = QStringLiteral(":%1").arg(300 + ::getpid() % 500);
        xvfb.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("1280x1024x24")});
        ASSERT_TRUE(xvfb.waitForStarted());
        const QString socket = QStringLiteral("/tmp/.X11-unix/X") + display.mid(1);
        ASSERT_SOON(QFile::exists(socket), 10000);
    }
    void TearDown() override
    {
        for (QProcess *p : {&program, &xvfb}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
        for (auto &s : sims) {
            if (s->state() != QProcess::NotRunning) {
                s->terminate();
                s->waitForFinished(5000);
            }
        }
    }
    // A simulator on the next free COMn; its replies show on its standard error.
    QProcess *simulator(const QString &password)
    {
        sims.push_back(std::make_unique<QProcess>());
        QProcess *p = sims.back().get();
        p->start(testsupport::binDir() + QStringLiteral("/tools/issuer-sim/velmora-issuer-sim"),
                 {QStringLiteral("--dir"), dir.root(), QStringLiteral("--password"), password});
        if (!p->waitForStarted() || !p->waitForReadyRead(5000))
            return nullptr;
        p->readAllStandardOutput(); // "ready COMn ..."
        return p;
    }
    int replies(QProcess *sim, const QByteArray &code)
    {
        log[sim] += sim->readAllStandardError();
        return int(log[sim].count("reply " + code));
    }
    QString xdotool(const QStringList &args)
    {
        QProcess x;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        x.setProcessEnvironment(env);
        x.start(QStringLiteral("xdotool"), args);
        x.waitForFinished(15000);
        return QString::fromLocal8Bit(x.readAllStandardOutput()).trimmed();
    }
    bool windowShown(const QString &title)
    {
        return !xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"), title})
                    .isEmpty();
    }
    // Clicks "手动测试" of the main window (its place in the system tab's fixed layout).
    bool clickManualTest()
    {
        const QString main = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                      QStringLiteral("--name"), QStringLiteral("_Velmora V1.6")})
                                 .section(QLatin1Char('\n'), 0, 0);
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), main,
                 QStringLiteral("492"), QStringLiteral("453"), QStringLiteral("click"),
                 QStringLiteral("1")});
        return true;
    }
    void startAndLogIn()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("VELMORA_INSTANCE"),
                   QStringLiteral("velmora-e2e-") + QUuid::createUuid().toString(QUuid::Id128));
        program.setProcessEnvironment(env);
        program.start(testsupport::binDir() + QStringLiteral("/velmora"),
                      {QStringLiteral("--dir"), dir.root()});
        ASSERT_TRUE(program.waitForStarted());
        ASSERT_SOON(windowShown(QStringLiteral("_Velmora V1.6")), 20000);
        const QString login = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                       QStringLiteral("--name"), QStringLiteral("_Velmora V1.6")})
                                  .section(QLatin1Char('\n'), 0, 0);
        xdotool({QStringLiteral("windowfocus"), login});
        // The first account is offered: Enter to the password, the password, Enter.
        xdotool(
            {QStringLiteral("key"), QStringLiteral("--window"), login, QStringLiteral("Return")});
        xdotool({QStringLiteral("type"), QStringLiteral("--window"), login,
                 QStringLiteral("admin123")});
        xdotool(
            {QStringLiteral("key"), QStringLiteral("--window"), login, QStringLiteral("Return")});
    }

    testsupport::TempProgramDir dir;
    QString display;
    QProcess xvfb;
    QProcess program;
    std::vector<std::unique_ptr<QProcess>> sims;
    QHash<QProcess *, QByteArray> log;
};

TEST_F(DiscoveryTest, FindsTheIssuerAndLooksAgainWhenItIsUnplugged)
{
    // COM1 answers every mode frame with a status the program does not take as a link.
    QProcess *other = simulator(QStringLiteral("999999"));
    QProcess *issuer = simulator(QStringLiteral("123456"));
    ASSERT_TRUE(other && issuer);
    startAndLogIn();
    ASSERT_SOON(replies(issuer, "0500") >= 1, 30000);
    // "手动测试" is enabled by the link coming up and then sends to the linked port only.
    ASSERT_SOON(clickManualTest() && replies(issuer, "0500") >= 2, 10000);
    EXPECT_GE(replies(other, "0502"), 1); // tried first
    // Unplugged: the issuer's entry goes, and the search comes back to the port that is left
    // (closed when the link came up, so it is opened and asked again).
    const int before = replies(other, "0502");
    issuer->terminate();
    ASSERT_TRUE(issuer->waitForFinished(5000));
    ASSERT_SOON(replies(other, "0502") > before, 15000);
    EXPECT_EQ(program.state(), QProcess::Running);
}

TEST_F(DiscoveryTest, OnlyAPortThatNeverConfirmsBringsThePrompt)
{
    QProcess *other = simulator(QStringLiteral("999999"));
    ASSERT_TRUE(other);
    startAndLogIn();
    ASSERT_SOON(windowShown(QStringLiteral("通讯失败,发送超时!")), 40000);
    EXPECT_GE(replies(other, "0502"), 1);
}

} // namespace
