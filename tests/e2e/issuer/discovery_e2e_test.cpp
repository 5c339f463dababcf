// The real program on a virtual display with issuer simulators in its port map: after an
// administrator logs in it finds the issuer by itself, looks again when the issuer is unplugged,
// and asks the operator when only a port that never confirms is left.
#include "issuer/texts.h"
#include "programtest.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class DiscoveryTest : public e2e::ProgramTest
{
protected:
    // A simulator on the next free COMn; its replies show on its standard error.
    QProcess *simulator(const QString &password)
    {
        return startSimulator({QStringLiteral("--password"), password});
    }
    int replies(QProcess *sim, const QByteArray &code)
    {
        return int(simulatorLog(sim).count("reply " + code));
    }
    bool promptShown() const
    {
        for (const QJsonValue &w : desk.windows())
            if (w.toObject().value(QStringLiteral("title")).toString() ==
                texts::issuer::PromptCaption)
                return true;
        return false;
    }
};

TEST_F(DiscoveryTest, FindsTheIssuerAndLooksAgainWhenItIsUnplugged)
{
    // COM1 answers every mode frame with a status the program does not take as a link.
    QProcess *other = simulator(QStringLiteral("999999"));
    QProcess *issuer = simulator(QStringLiteral("123456"));
    ASSERT_TRUE(other && issuer);
    logIn();
    ASSERT_SOON(replies(issuer, "0500") >= 1, 30000);
    // "手动测试" is enabled by the link coming up and then sends to the linked port only.
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn2")));
    ASSERT_SOON(replies(issuer, "0500") >= 2, 10000);
    EXPECT_GE(replies(other, "0502"), 1); // tried first
    // Unplugged: the issuer's entry goes, and the search comes back to the port that is left
    // (closed when the link came up, so it is opened and asked again).
    const int before = replies(other, "0502");
    issuer->terminate();
    ASSERT_TRUE(issuer->waitForFinished(5000));
    ASSERT_SOON(replies(other, "0502") > before, 15000);
    EXPECT_EQ(desk.program().state(), QProcess::Running);
}

TEST_F(DiscoveryTest, OnlyAPortThatNeverConfirmsBringsThePrompt)
{
    QProcess *other = simulator(QStringLiteral("999999"));
    ASSERT_TRUE(other);
    logIn();
    ASSERT_SOON(promptShown(), 40000);
    EXPECT_GE(replies(other, "0502"), 1);
}

TEST_F(DiscoveryTest, AnIssuerThatAppearsAsTheSearchGivesUpLinksAfterOneYes)
{
    // COM1 is a device that takes frames and never answers, until the issuer takes its place
    // just before the fifteenth frame.
    dir.write(QStringLiteral("Ports/.keep"), {});
    const QString entry = dir.path(QStringLiteral("Ports/COM1"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), entry));
    logIn();
    ASSERT_SOON(textOf(QStringLiteral("edt6")).toInt() >= 14, 40000);
    QFile::remove(entry);
    QProcess *issuer = startSimulator({QStringLiteral("--port"), QStringLiteral("1")});
    ASSERT_TRUE(issuer);
    int prompts = 0;
    const bool linked = e2e::Desktop::waitFor(
        [&] {
            if (promptShown()) {
                if (auto yes = desk.control(QStringLiteral("btn1"), QStringLiteral("Form9"))) {
                    ++prompts;
                    e2e::Desktop::waitFor([] { return false; }, 3000); // the operator reads
                    desk.click(*yes);
                    e2e::Desktop::waitFor([&] { return !promptShown(); }, 5000);
                }
            }
            return textOf(QStringLiteral("edt7")).toInt() > 0;
        },
        40000);
    EXPECT_TRUE(linked) << prompts << " prompts; frames "
                        << textOf(QStringLiteral("edt6")).toStdString() << ", status "
                        << textOf(QStringLiteral("wtxt")).toStdString() << ", prompt "
                        << promptShown();
    EXPECT_LE(prompts, 1);
    EXPECT_GE(replies(issuer, "0500"), 1);
}

} // namespace
