// Looking for the issuer after an administrator's login, the prompt when nothing answers, the
// supervision of the link and the issuer password change, against issuers on pseudo-terminals
// that answer frames as a test tells them.
#include "cardtabview.h"
#include "common/globals.h"
#include "db/datafrm.h"
#include "issuer/frames.h"
#include "issuer/seriallink.h"
#include "issuer/tform9.h"
#include "issuer/timings.h"
#include "shell/appexit.h"
#include "shell/tform1.h"
#include "shell/widgets.h"
#include "systemtabview.h"
#include "testpty.h"
#include "testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <unistd.h>

using testsupport::DatabaseTest;

namespace {

// Waits with the event loop running, then checks the gtest way (a failing QTRY_* would only
// leave the test early).
#define ASSERT_SOON(cond, ms) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(cond); }, ms)) << #cond
#define EXPECT_SOON(cond, ms) EXPECT_TRUE(QTest::qWaitFor([&] { return bool(cond); }, ms)) << #cond

// An issuer on a pseudo-terminal entered as Ports/COMn. It answers the mode frame with
// modeReply and the password-change frame with passwordReply (empty: silent), after delayMs.
class FakeIssuer : public QObject
{
public:
    FakeIssuer(const testsupport::TempProgramDir &dir, int n)
        : m_link(dir.path(QStringLiteral("Ports/COM%1").arg(n)))
    {
        plugIn();
        m_notifier = new QSocketNotifier(m_pty.masterFd(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { readFrames(); });
    }
    ~FakeIssuer() override { unplug(); }
    void plugIn() { QFile::link(m_pty.slavePath(), m_link); }
    // The adapter is pulled: the port leaves the list (the device itself stays for plugIn).
    void unplug() { QFile::remove(m_link); }
    void send(const QByteArray &reply) { m_pty.send(reply + "\r\n"); }

    QByteArray modeReply = "0500";
    QByteArray passwordReply = "0600";
    int delayMs = 0;
    QList<QByteArray> frames;

private:
    void readFrames()
    {
        char buf[256];
        ssize_t n;
        while ((n = ::read(m_pty.masterFd(), buf, sizeof buf)) > 0)
            m_pending.append(buf, int(n));
        // Mode and password-change frames are 12 bytes: 09 08 07 06, the operation, ..., 0D.
        for (;;) {
            const qsizetype at = m_pending.indexOf(QByteArray::fromHex("09080706"));
            if (at < 0 || m_pending.size() < at + 12)
                break;
            const QByteArray frame = m_pending.mid(at, 12);
            m_pending.remove(0, at + 12);
            frames << frame;
            const QByteArray reply = uchar(frame.at(4)) == 0xE1 ? passwordReply : modeReply;
            if (reply.isEmpty())
                continue;
            QTimer::singleShot(delayMs, this, [this, reply] { send(reply); });
        }
    }

    TestPty m_pty;
    QString m_link;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
};

class SearchTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        appexit::setTestMode(true);
        appexit::reset();
        UserType = AdminRole;
        dir.write(QStringLiteral("Ports/.keep"), {});
    }
    void TearDown() override
    {
        form.reset();
        issuers.clear();
        appexit::reset();
        DatabaseTest::TearDown();
    }
    FakeIssuer *plug(int n)
    {
        issuers.push_back(std::make_unique<FakeIssuer>(dir, n));
        return issuers.back().get();
    }
    // The main window shown to the administrator, with the search's timers quickened.
    TForm1 &login(int nextPortMs = 20)
    {
        form = std::make_unique<TForm1>();
        systemTab(form.get()).tmr1->setInterval(nextPortMs);
        systemTab(form.get()).tmr4->setInterval(20);
        systemTab(form.get()).tmr5->setInterval(20);
        form->show();
        return *form;
    }
    // Every pane text set from now on.
    void recordPanes()
    {
        // The counters' changes are where the search sets its texts.
        auto note = [this] {
            const QString t = form->wtxt->text();
            if (panes.isEmpty() || panes.last() != t)
                panes << t;
        };
        QObject::connect(systemTab(form.get()).edt6, &QLineEdit::textChanged,
                         systemTab(form.get()).edt6, note);
        QObject::connect(systemTab(form.get()).edt7, &QLineEdit::textChanged,
                         systemTab(form.get()).edt7, note);
    }
    // Runs action on the prompt once it is up (the prompt is modal: the test cannot wait for it
    // outside its event loop).
    void onPrompt(std::function<void(TForm9 *)> action)
    {
        auto *poll = new QTimer(form.get());
        TForm1 *f = form.get();
        QObject::connect(poll, &QTimer::timeout, poll, [poll, action, f] {
            TForm9 *prompt = systemTab(f).tab->notFoundPrompt();
            if (prompt && prompt->isVisible()) {
                poll->stop();
                poll->deleteLater();
                action(prompt);
            }
        });
        poll->start(5);
    }
    bool linked() const
    {
        return systemTab(form.get()).tab->linkUp() &&
               systemTab(form.get()).shp3->color() == colors::Green &&
               systemTab(form.get()).tmr5->isActive();
    }
    QString storedPassword()
    {
        Query *q = Datafrm->Qrymm1;
        q->close();
        q->open();
        return q->fieldByName(QStringLiteral("pass_word")).asString();
    }

    issuer::ShortTimings shortTimings{1, 1};
    std::vector<std::unique_ptr<FakeIssuer>> issuers;
    std::unique_ptr<TForm1> form;
    QStringList panes;
};

TEST_F(SearchTest, TheLinkComesUpOnThePortThatAnswers)
{
    FakeIssuer *mute = plug(1);
    mute->modeReply.clear();
    FakeIssuer *issuer = plug(2);
    TForm1 &f = login();
    EXPECT_EQ(PortCount, 2);
    EXPECT_FALSE(systemTab(&f).btn5->isEnabled());
    ASSERT_SOON(linked(), 10000);
    EXPECT_EQ(PortNo, 2);
    EXPECT_EQ(systemTab(&f).tab->serialLink()->openPorts(),
              QList<int>{2}); // the mute port was let go
    EXPECT_FALSE(systemTab(&f).tmr1->isActive());
    EXPECT_TRUE(systemTab(&f).btn2->isEnabled());
    EXPECT_TRUE(systemTab(&f).CLpc1->isEnabled());
    EXPECT_FALSE(systemTab(&f).opencmd->isEnabled());
    EXPECT_EQ(systemTab(&f).edt7->text(), QStringLiteral("1"));
    ASSERT_FALSE(mute->frames.isEmpty());
    EXPECT_EQ(issuer->frames.first(), ReadModeFrame(QStringLiteral("123456")));
    EXPECT_EQ(systemTab(&f).RzMemo6->lines().last(), QStringLiteral("COM2"));
    // The status bar tells it on every tab, with the device behind the port.
    const QLabel *indicator = f.findChild<QLabel *>(QStringLiteral("linkIndicator"));
    ASSERT_NE(indicator, nullptr);
    EXPECT_EQ(indicator->text(), QStringLiteral("发行器：COM2 已连接"));
    EXPECT_TRUE(indicator->toolTip().contains(
        QFileInfo(dir.path(QStringLiteral("Ports/COM2"))).symLinkTarget()))
        << indicator->toolTip().toStdString();
}

TEST_F(SearchTest, ASinglePortCountsTheConfirmAndTheSearch)
{
    plug(1);
    TForm1 &f = login(1000); // the reply comes well within the second before the next port
    ASSERT_SOON(linked(), 10000);
    EXPECT_EQ(systemTab(&f).edt6->text(), QStringLiteral("2"));
    EXPECT_EQ(systemTab(&f).edt7->text(), QStringLiteral("1"));
    EXPECT_EQ(systemTab(&f).RzMemo1->lines(),
              QStringList{QStringLiteral("发行器通讯正常,请读卡!")});
}

TEST_F(SearchTest, AReplySlowerThanTheNextPortStillLinksItsOwnPort)
{
    FakeIssuer *slow = plug(1);
    slow->delayMs = 150; // the search has moved on to COM2 by then
    plug(2)->modeReply.clear();
    TForm1 &f = login();
    ASSERT_SOON(linked(), 10000);
    EXPECT_EQ(PortNo, 1);
    EXPECT_EQ(systemTab(&f).tab->serialLink()->openPorts(), QList<int>{1});
    // Frames now go to the issuer that answered.
    const qsizetype before = slow->frames.size();
    QTest::mouseClick(systemTab(&f).btn2, Qt::LeftButton);
    ASSERT_SOON((slow->frames.size()) == (before + 1), 5000);
}

TEST_F(SearchTest, FifteenFramesWithoutALinkAskTheOperator)
{
    // A silent port, and one whose answer the program counts but that never means a link.
    for (const QByteArray &reply : {QByteArray(), QByteArray("0400")}) {
        SCOPED_TRACE(reply.toStdString());
        issuers.clear();
        panes.clear();
        plug(1)->modeReply = reply;
        TForm1 &f = login();
        recordPanes();
        QString caption, label;
        QSize size;
        bool mainTimersOff = false;
        bool portClosed = false;
        onPrompt([&](TForm9 *prompt) {
            portClosed = !systemTab(&f).tab->serialLink()->isOpen(1);
            caption = prompt->windowTitle();
            label = prompt->lbl1->text();
            size = prompt->size();
            mainTimersOff = !systemTab(&f).tmr5->isActive() && !systemTab(&f).tmr6->isActive();
            QTest::mouseClick(prompt->btn2, Qt::LeftButton); // "否"
        });
        ASSERT_SOON(appexit::programEnded(), 20000);
        EXPECT_EQ(caption, QStringLiteral(" 通讯失败,发送超时!"));
        EXPECT_EQ(label, QStringLiteral("未找到发行器，继续扫描请按\"是\". 退出系统请按\"否\"。"));
        EXPECT_EQ(size, QSize(405, 110));
        EXPECT_TRUE(mainTimersOff);
        EXPECT_TRUE(panes.contains(QStringLiteral("正在发送通讯指令......")));
        EXPECT_EQ(panes.contains(QStringLiteral("与COM1通讯失败，COM1不是发行器端口!")),
                  reply.isEmpty());
        EXPECT_TRUE(panes.contains(QStringLiteral("通讯失败，发行器端口不存在或被占用!")));
        EXPECT_TRUE(portClosed);
        // "否" saved the window and did not look for the issuer again.
        EXPECT_TRUE(QFile::exists(f.windowSettingsPath()));
        EXPECT_EQ(systemTab(form.get()).tab->notFoundPrompt(), nullptr);
        EXPECT_NE(systemTab(&f).edt6->text(), QStringLiteral("0"));
        form.reset();
        appexit::reset();
    }
}

TEST_F(SearchTest, YesOnThePromptReconnectsOnce)
{
    plug(1)->modeReply.clear();
    TForm1 &f = login();
    int resets = 0;
    QObject::connect(systemTab(&f).edt6, &QLineEdit::textChanged, systemTab(&f).edt6,
                     [&](const QString &t) {
                         if (t == QStringLiteral("0"))
                             ++resets;
                     });
    bool answered = false;
    onPrompt([&](TForm9 *prompt) {
        QTest::mouseClick(prompt->btn1, Qt::LeftButton); // "是"
        answered = true;
    });
    ASSERT_SOON(answered, 20000);
    ASSERT_SOON(systemTab(form.get()).tab->notFoundPrompt() == nullptr, 5000);
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(systemTab(&f).tmr6->isActive());
    EXPECT_TRUE(systemTab(&f).tmr1->isActive()); // looking again
    EXPECT_FALSE(appexit::programEnded());
}

TEST_F(SearchTest, AReplyArrivingWhileThePromptIsOpenClosesIt)
{
    FakeIssuer *first = plug(1);
    FakeIssuer *second = plug(2);
    first->modeReply.clear();
    second->modeReply.clear();
    TForm1 &f = login();
    // A line left from before the prompt does not close it.
    systemTab(&f).RzMemo1->addLine(QStringLiteral("earlier"));
    bool stillOpenAfterTwoTicks = false;
    QList<int> open;
    onPrompt([&](TForm9 *prompt) {
        QSignalSpy ticks(prompt->tmr1, &QTimer::timeout);
        EXPECT_TRUE(ticks.wait(3000) && ticks.wait(3000));
        stillOpenAfterTwoTicks = prompt->isVisible();
        // The search left the other port open: the issuer there answers now.
        open = systemTab(&f).tab->serialLink()->openPorts();
        EXPECT_EQ(open.size(), 1);
        FakeIssuer *answering = open.value(0) == 1 ? first : second;
        answering->modeReply = "0500";
        answering->send("0500");
    });
    ASSERT_SOON(!open.isEmpty(), 20000);
    EXPECT_TRUE(stillOpenAfterTwoTicks);
    ASSERT_SOON(systemTab(form.get()).tab->notFoundPrompt() == nullptr, 5000);
    ASSERT_SOON(linked(), 10000);
    EXPECT_EQ(PortNo, open.first());
}

TEST_F(SearchTest, UnpluggingTheIssuerSearchesUntilItIsBack)
{
    plug(1)->modeReply.clear();
    FakeIssuer *issuer = plug(2);
    TForm1 &f = login();
    ASSERT_SOON(linked(), 10000);
    recordPanes();
    // Should the search give up before the adapter is back, go on looking.
    onPrompt([](TForm9 *prompt) { QTest::mouseClick(prompt->btn1, Qt::LeftButton); });
    issuer->unplug();
    ASSERT_SOON(!systemTab(&f).tab->linkUp(), 5000);
    EXPECT_EQ(f.findChild<QLabel *>(QStringLiteral("linkIndicator"))->text(),
              QStringLiteral("发行器：查找中…"));
    EXPECT_FALSE(systemTab(&f).tab->serialLink()->isOpen(2));
    EXPECT_TRUE(panes.contains(QStringLiteral("与发行器通讯中断，系统重新扫描...")));
    EXPECT_TRUE(systemTab(&f).RzMemo1->lines().isEmpty());
    issuer->plugIn();
    ASSERT_SOON(linked(), 10000);
    EXPECT_EQ(PortNo, 2);
    EXPECT_TRUE(Dialogs::shown().isEmpty());
}

TEST_F(SearchTest, ALostLinkEndsAnIssueMode)
{
    // The issuer comes back in read mode: the card tab must not go on looking like a batch.
    FakeIssuer *issuer = plug(1);
    TForm1 &f = login();
    ASSERT_SOON(linked(), 10000);
    f.rzpgcntrlrzpcrl1->setCurrentWidget(f.rztbshtTabSheet3);
    QTest::mouseClick(cardTab(&f).btn14, Qt::LeftButton);
    ASSERT_TRUE(cardTab(&f).rb2->isChecked());
    onPrompt([](TForm9 *prompt) { QTest::mouseClick(prompt->btn1, Qt::LeftButton); });
    issuer->unplug();
    ASSERT_SOON(!systemTab(&f).tab->linkUp(), 5000);
    EXPECT_FALSE(cardTab(&f).rb2->isChecked());
    EXPECT_FALSE(cardTab(&f).tab->issuingActive());
    EXPECT_TRUE(cardTab(&f).btn14->isEnabled());
}

TEST_F(SearchTest, AllPortsVanishingWhileSearchingEndsInOnePrompt)
{
    FakeIssuer *only = plug(1);
    only->modeReply.clear();
    TForm1 &f = login();
    ASSERT_SOON(!systemTab(&f).tab->serialLink()->openPorts().isEmpty(), 5000);
    only->unplug();
    int prompts = 0;
    std::function<void(TForm9 *)> answer = [&](TForm9 *prompt) {
        ++prompts;
        QTest::mouseClick(prompt->btn2, Qt::LeftButton);
    };
    onPrompt(answer);
    ASSERT_SOON(appexit::programEnded(), 20000);
    EXPECT_EQ(prompts, 1);
    EXPECT_TRUE(Dialogs::shown().isEmpty()); // no box along the way
}

TEST_F(SearchTest, NoSerialPortEndsTheProgram)
{
    TForm1 &f = login();
    expectBox();
    ASSERT_SOON(appexit::programEnded(), 5000);
    EXPECT_EQ(lastShown().text, QStringLiteral("串口不存在,请确认后重启软件!"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("未找到端口（串口）"));
    EXPECT_EQ(lastShown().icon, Dialogs::Warning);
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("查看电脑\"设备管理器--端口--COM#\"是否存在?"));
}

TEST_F(SearchTest, ManualTestsWithoutAReply)
{
    FakeIssuer *issuer = plug(1);
    TForm1 &f = login();
    ASSERT_SOON(linked(), 10000);
    systemTab(&f).tmr1->setInterval(1000); // a test without a reply sets the search going again
    // Each test reaches the issuer before the next one is made.
    auto test = [&] {
        const qsizetype before = issuer->frames.size();
        QTest::mouseClick(systemTab(&f).btn2, Qt::LeftButton);
        ASSERT_SOON((issuer->frames.size()) == (before + 1), 5000);
    };
    issuer->modeReply.clear();
    test();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("数据已发送,请查看修改结果!"));
    EXPECT_TRUE(Dialogs::shown().isEmpty());
    expectBox();
    test();
    EXPECT_EQ(shownTexts(), QStringList{QStringLiteral("通讯失败，请检查设备端口")});
    // Still nothing since the last test; then an answer resets the count.
    issuer->modeReply = "0500";
    expectBox();
    test();
    EXPECT_EQ(Dialogs::shown().size(), 2);
    ASSERT_SOON((TestsWithoutReply) == (0), 5000);
    test();
    EXPECT_EQ(Dialogs::shown().size(), 2);
}

class PasswordTest : public SearchTest
{
protected:
    void SetUp() override
    {
        SearchTest::SetUp();
        issuer = plug(1);
        login();
        ASSERT_SOON(linked(), 10000);
        systemTab(form.get())
            .tmr1->setInterval(1000); // a link check sets the search going until it is answered
        QApplication::setActiveWindow(form.get());
    }
    // Unlocks the fields and types the three passwords as a user does.
    void typePasswords(const QString &old, const QString &neu, const QString &confirm)
    {
        TForm1 &f = *form;
        systemTab(&f).edt4->setFocus();
        QTest::keyClicks(systemTab(&f).edt4, QStringLiteral("731406258"));
        QTest::keyClick(systemTab(&f).edt4, Qt::Key_Return);
        QTest::keyClicks(systemTab(&f).edtmm1, old);
        QTest::keyClick(systemTab(&f).edtmm1, Qt::Key_Return);
        QTest::keyClicks(systemTab(&f).edtmm2, neu);
        QTest::keyClick(systemTab(&f).edtmm2, Qt::Key_Return);
        QTest::keyClicks(systemTab(&f).edtmm3, confirm);
        QTest::keyClick(systemTab(&f).edtmm3, Qt::Key_Return);
    }
    QByteArray lastFrame() const
    {
        return issuer->frames.isEmpty() ? QByteArray() : issuer->frames.last();
    }

    FakeIssuer *issuer = nullptr;
};

TEST_F(PasswordTest, AChangeTheIssuerAcceptsIsStoredAndUsedByTheNextFrame)
{
    TForm1 &f = *form;
    EXPECT_FALSE(systemTab(&f).edtmm1->isVisible());
    typePasswords(QStringLiteral("12345f"), QStringLiteral("654321"), QStringLiteral("654321"));
    EXPECT_EQ(systemTab(&f).edtmm1->text(), QStringLiteral("12345F"));
    EXPECT_FALSE(systemTab(&f).edt4->isVisible());
    EXPECT_FALSE(systemTab(&f).lbl4->isVisible());
    ASSERT_TRUE(systemTab(&f).btn10->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(systemTab(&f).btn10));
    // A visit to the help tab closes the password query before the answer comes.
    Datafrm->closeAll();
    const int sent = systemTab(&f).edt6->text().toInt();
    QTest::mouseClick(systemTab(&f).btn10, Qt::LeftButton);
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("修改用户密码命令已发送,请查看修改结果!"));
    EXPECT_EQ(systemTab(&f).edt6->text().toInt(), sent + 1);
    QTest::mouseClick(systemTab(&f).btn10, Qt::LeftButton); // a double press sends nothing more
    ASSERT_SOON((f.wtxt->text()) == (QStringLiteral("发行器用户密码修改成功.请备份好新密码.")),
                5000);
    EXPECT_EQ(storedPassword(), QStringLiteral("654321"));
    EXPECT_EQ(issuer->frames.count(
                  PasswordChangeFrame(QStringLiteral("12345F"), QStringLiteral("654321"))),
              1);
    EXPECT_TRUE(systemTab(&f).edtmm1->text().isEmpty() && systemTab(&f).edtmm2->text().isEmpty());
    EXPECT_FALSE(systemTab(&f).edtmm1->isVisible());
    EXPECT_TRUE(systemTab(&f).edt4->isVisible() && systemTab(&f).edt4->text().isEmpty());
    EXPECT_FALSE(systemTab(&f).btn10->isEnabled());

    // Later lines store nothing; the next mode frame carries the new password.
    systemTab(&f).RzMemo1->addLine(QStringLiteral("卡号:12345678\r"));
    QTest::mouseClick(systemTab(&f).btn2, Qt::LeftButton);
    ASSERT_SOON((lastFrame()) == (ReadModeFrame(QStringLiteral("654321"))), 5000);
    EXPECT_EQ(storedPassword(), QStringLiteral("654321"));
}

TEST_F(PasswordTest, APasswordTheIssuerTookButThatCouldNotBeStoredKeepsItsWarning)
{
    TForm1 &f = *form;
    typePasswords(QStringLiteral("123456"), QStringLiteral("654321"), QStringLiteral("654321"));
    ASSERT_TRUE(systemTab(&f).btn10->isEnabled());
    Datafrm->closeAll();
    execSql(QStringLiteral("alter table usersmm rename to usersmm_away"));
    QTest::mouseClick(systemTab(&f).btn10, Qt::LeftButton);
    ASSERT_SOON(!systemTab(&f).RzMemo5->lines().isEmpty() &&
                    systemTab(&f).RzMemo5->lines().last() == " 0600",
                5000);
    // The pane does not go on to say the change succeeded.
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("出现异常情况"));
}

TEST_F(PasswordTest, AnswersThatStoreNothing)
{
    TForm1 &f = *form;
    // The issuer refuses the old password: the fields stay, the button goes off.
    issuer->passwordReply = "0601";
    typePasswords(QStringLiteral("FFFFFF"), QStringLiteral("111111"), QStringLiteral("111111"));
    QTest::mouseClick(systemTab(&f).btn10, Qt::LeftButton);
    ASSERT_SOON((f.wtxt->text()) == (QStringLiteral("发行器用户密码修改失败，原始密码错误.")),
                5000);
    EXPECT_FALSE(systemTab(&f).btn10->isEnabled());
    EXPECT_EQ(systemTab(&f).edtmm3->text(), QStringLiteral("111111"));
    EXPECT_FALSE(systemTab(&f).tab->passwordChangePending());

    // Fields ready, but what arrives is a stray "0600" and then "00" answering a link check.
    systemTab(&f).edtmm3->clear();
    QTest::keyClicks(systemTab(&f).edtmm3, QStringLiteral("111111"));
    ASSERT_TRUE(systemTab(&f).btn10->isEnabled());
    issuer->send("0600");
    ASSERT_SOON((systemTab(&f).btn10->isEnabled()) == (false), 5000);
    systemTab(&f).edtmm3->clear();
    QTest::keyClicks(systemTab(&f).edtmm3, QStringLiteral("111111"));
    issuer->modeReply = "00";
    QTest::mouseClick(systemTab(&f).btn2, Qt::LeftButton);
    ASSERT_SOON((systemTab(&f).btn10->isEnabled()) == (false), 5000);
    EXPECT_EQ(storedPassword(), QStringLiteral("123456"));

    // No answer at all: after the time-out the change may be sent again.
    issuer::timings().passwordReplyTimeout = 50;
    issuer->passwordReply.clear();
    systemTab(&f).edtmm3->clear();
    QTest::keyClicks(systemTab(&f).edtmm3, QStringLiteral("111111"));
    QTest::mouseClick(systemTab(&f).btn10, Qt::LeftButton);
    EXPECT_FALSE(systemTab(&f).btn10->isEnabled());
    ASSERT_SOON(systemTab(&f).btn10->isEnabled(), 5000);
    EXPECT_EQ(storedPassword(), QStringLiteral("123456"));
    // The answer comes late: the issuer took the new password, and so does the database, also
    // when the fields were changed meanwhile.
    systemTab(&f).edtmm3->clear();
    QTest::keyClicks(systemTab(&f).edtmm3, QStringLiteral("11111"));
    issuer->send("0600");
    ASSERT_SOON(storedPassword() == QStringLiteral("111111"), 5000);
    EXPECT_FALSE(systemTab(&f).tab->passwordChangePending());
}

TEST_F(PasswordTest, WhatTheFieldsTake)
{
    TForm1 &f = *form;
    // A wrong pass code.
    systemTab(&f).edt4->setFocus();
    QTest::keyClicks(systemTab(&f).edt4, QStringLiteral("123"));
    expectBox();
    QTest::keyClick(systemTab(&f).edt4, Qt::Key_Return);
    EXPECT_EQ(shownTexts(), QStringList{QStringLiteral("出错了，请输入正确密码.")});
    EXPECT_TRUE(systemTab(&f).edt4->text().isEmpty());
    EXPECT_FALSE(systemTab(&f).edtmm1->isEnabled());

    QTest::keyClicks(systemTab(&f).edt4, QStringLiteral("731406258"));
    QTest::keyClick(systemTab(&f).edt4, Qt::Key_Return);
    ASSERT_TRUE(systemTab(&f).edtmm1->isEnabled());
    QTest::keyClicks(systemTab(&f).edtmm1, QStringLiteral("1a2f -9E"));
    EXPECT_EQ(systemTab(&f).edtmm1->text(), QStringLiteral("12F9"));
    EXPECT_FALSE(systemTab(&f).edtmm2->isEnabled());
    // Pasted text that is no password is refused as a whole.
    QGuiApplication::clipboard()->setText(QStringLiteral("密码"));
    systemTab(&f).edtmm1->paste();
    QGuiApplication::clipboard()->setText(QStringLiteral("x1"));
    systemTab(&f).edtmm1->paste();
    EXPECT_EQ(systemTab(&f).edtmm1->text(), QStringLiteral("12F9"));
    QGuiApplication::clipboard()->setText(QStringLiteral("ff"));
    systemTab(&f).edtmm1->paste();
    EXPECT_EQ(systemTab(&f).edtmm1->text(), QStringLiteral("12F9FF"));
    QTest::keyClicks(systemTab(&f).edtmm1, QStringLiteral("1")); // a seventh character
    EXPECT_EQ(systemTab(&f).edtmm1->text(), QStringLiteral("12F9FF"));
    ASSERT_TRUE(systemTab(&f).edtmm2->isEnabled());

    QTest::keyClick(systemTab(&f).edtmm1, Qt::Key_Return);
    QTest::keyClicks(systemTab(&f).edtmm2, QStringLiteral("12F345f6"));
    EXPECT_EQ(systemTab(&f).edtmm2->text(), QStringLiteral("123456"));
    QTest::keyClick(systemTab(&f).edtmm2, Qt::Key_Return);
    QTest::keyClicks(systemTab(&f).edtmm3, QStringLiteral("123450"));
    QTest::keyClick(systemTab(&f).edtmm3, Qt::Key_Return);
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("两次输入密码不一致!"));
    EXPECT_FALSE(systemTab(&f).btn10->isEnabled());
    QTest::keyClick(systemTab(&f).edtmm3, Qt::Key_Backspace);
    QTest::keyClicks(systemTab(&f).edtmm3, QStringLiteral("6"));
    EXPECT_TRUE(systemTab(&f).btn10->isEnabled());

    // Changing the old password clears both new ones and takes the button away.
    QTest::keyClick(systemTab(&f).edtmm1, Qt::Key_Backspace);
    EXPECT_TRUE(systemTab(&f).edtmm2->text().isEmpty());
    EXPECT_TRUE(systemTab(&f).edtmm3->text().isEmpty());
    EXPECT_FALSE(systemTab(&f).edtmm2->isEnabled());
    EXPECT_FALSE(systemTab(&f).btn10->isEnabled());
}

} // namespace
