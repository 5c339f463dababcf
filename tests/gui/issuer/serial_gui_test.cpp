// The port controls of the system tab.
#include "cardtabview.h"
#include "common/globals.h"
#include "db/datafrm.h"
#include "db/starter.h"
#include "issuer/frames.h"
#include "issuer/seriallink.h"
#include "issuer/timings.h"
#include "shell/forms.h"
#include "shell/tform1.h"
#include "shell/widgets.h"
#include "simulator.h"
#include "systemtabview.h"
#include "testpty.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

using testsupport::ScriptedTest;

namespace {

class SerialTabTest : public ScriptedTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        resetGlobals();
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(testsupport::enterInPortMap(dir, pty.slavePath(), QStringLiteral("COM3")));
        form = std::make_unique<TForm1>();
    }
    void TearDown() override
    {
        form.reset();
        ScriptedTest::TearDown();
    }
    void choose(const QString &port)
    {
        systemTab(form.get()).ComTxt->clear();
        systemTab(form.get()).ComTxt->addItem(port);
        systemTab(form.get()).ComTxt->setCurrentIndex(0);
    }
    bool portOpen(int n) const { return systemTab(form.get()).tab->serialLink()->isOpen(n); }

    issuer::ShortTimings shortTimings{1, 1};
    TestPty pty;
    std::unique_ptr<TForm1> form;
};

TEST_F(SerialTabTest, OpeningAndClosingByHand)
{
    TForm1 &f = *form;
    systemTab(&f).ComTxt->clear();
    expectBox();
    systemTab(&f).tab->openPortButtonClick();
    EXPECT_EQ(shownTexts(), QStringList{QStringLiteral("串口不能为空!")});

    choose(QStringLiteral("COM7"));
    systemTab(&f).tab->openPortButtonClick();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("不能打开COM7,请检查设备端口."));
    EXPECT_EQ(PortNo, 7);

    // Not a port name: nothing happens at all.
    f.wtxt->setText(QStringLiteral("before"));
    choose(QStringLiteral("ttyUSB0"));
    systemTab(&f).tab->openPortButtonClick();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("before"));

    TestsWithoutReply = 4;
    choose(QStringLiteral("COM3"));
    systemTab(&f).tab->openPortButtonClick();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("端口COM3已打开."));
    EXPECT_TRUE(portOpen(3));
    EXPECT_FALSE(systemTab(&f).opencmd->isEnabled());
    EXPECT_TRUE(systemTab(&f).btn2->isEnabled());
    EXPECT_TRUE(systemTab(&f).CLpc1->isEnabled());
    EXPECT_EQ(systemTab(&f).shp3->color(), colors::Green);
    EXPECT_EQ(TestsWithoutReply, 0);

    // A second press reopens the same port cleanly.
    f.wtxt->clear();
    systemTab(&f).tab->openPortButtonClick();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("端口COM3已打开."));
    EXPECT_TRUE(portOpen(3));

    systemTab(&f).tab->closePortButtonClick();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("端口COM3已关闭."));
    EXPECT_FALSE(portOpen(3));
    EXPECT_TRUE(systemTab(&f).opencmd->isEnabled());
    EXPECT_FALSE(systemTab(&f).btn2->isEnabled());
    EXPECT_FALSE(systemTab(&f).CLpc1->isEnabled());
    EXPECT_EQ(systemTab(&f).shp3->color(), colors::Yellow);
    // Closing again is harmless.
    systemTab(&f).tab->closePortButtonClick();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("端口COM3已关闭."));
}

TEST_F(SerialTabTest, ChoosingAPortShowsTwoCharactersOfItsNumber)
{
    TForm1 &f = *form;
    systemTab(&f).ComTxt->clear();
    systemTab(&f).ComTxt->addItems(
        {QStringLiteral("COM1"), QStringLiteral("COM12"), QStringLiteral("COM123")});
    const struct
    {
        int index;
        const char *pane;
    } cases[] = {{0, "选择COM1"}, {1, "选择COM12"}, {2, "选择COM12"}};
    for (const auto &c : cases) {
        systemTab(&f).opencmd->setEnabled(false);
        systemTab(&f).ComTxt->setCurrentIndex(c.index);
        emit systemTab(&f).ComTxt->activated(c.index);
        EXPECT_EQ(f.wtxt->text(), QString::fromUtf8(c.pane));
        EXPECT_TRUE(systemTab(&f).opencmd->isEnabled());
    }
    // The program's own change of the text is not a choice.
    f.wtxt->clear();
    systemTab(&f).ComTxt->setCurrentIndex(0);
    EXPECT_TRUE(f.wtxt->text().isEmpty());
}

TEST_F(SerialTabTest, AKeyInThePortListGoesToTheOpenButton)
{
    TForm1 &f = *form;
    f.show();
    QApplication::setActiveWindow(&f);
    systemTab(&f).ComTxt->clear();
    systemTab(&f).ComTxt->addItems({QStringLiteral("COM1"), QStringLiteral("COM3")});
    systemTab(&f).ComTxt->setFocus();
    QTest::keyClick(systemTab(&f).ComTxt,
                    Qt::Key_C); // would pick the next "C..." item if it got through
    EXPECT_EQ(systemTab(&f).ComTxt->currentText(), QStringLiteral("COM1"));
    EXPECT_TRUE(systemTab(&f).opencmd->isEnabled());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(systemTab(&f).opencmd));

    systemTab(&f).ComTxt->clear();
    expectBox();
    EXPECT_FALSE(systemTab(&f).tab->portChoiceKeyPress(Qt::Key_Return));
    EXPECT_EQ(shownTexts(), QStringList{QStringLiteral("端口不能为空!")});
}

TEST_F(SerialTabTest, ReconnectClosesEveryListedPortAndClears)
{
    TForm1 &f = *form;
    choose(QStringLiteral("COM3"));
    systemTab(&f).tab->openPortButtonClick();
    ASSERT_TRUE(portOpen(3));
    // The search that ends the reconnection finds no port left to try.
    PortCount = 2;
    ASSERT_TRUE(QFile::remove(dir.path(QStringLiteral("Ports/COM3"))));
    systemTab(&f).RzMemo6->clearLines();
    systemTab(&f).RzMemo6->addLine(QStringLiteral("COM3"));
    systemTab(&f).RzMemo6->addLine(QStringLiteral("COM5"));
    systemTab(&f).RzMemo1->addLine(QStringLiteral("x"));
    systemTab(&f).RzMemo5->addLine(QStringLiteral(" 0500"));
    systemTab(&f).memo2->addLine(QStringLiteral("x"));
    systemTab(&f).edt6->setText(QStringLiteral("4"));
    systemTab(&f).edt7->setText(QStringLiteral("4"));
    systemTab(&f).tmr6->stop();
    QStringList panes;
    QObject::connect(systemTab(&f).edt6, &QLineEdit::textChanged, systemTab(&f).edt6,
                     [&](const QString &t) { panes << t + QStringLiteral(": ") + f.wtxt->text(); });
    systemTab(&f).tab->reconnectButtonClick();
    EXPECT_FALSE(portOpen(3));
    EXPECT_EQ(PortNo, 5);
    // Closed the last listed port, then cleared and searched (counting one round of it).
    EXPECT_EQ(panes, (QStringList{QStringLiteral("0: 端口COM5已关闭."),
                                  QStringLiteral("1: 打开COM5口失败,设备端口被占用或不存在.")}));
    EXPECT_EQ(systemTab(&f).RzMemo1->lineCount() + systemTab(&f).RzMemo5->lineCount() +
                  systemTab(&f).memo2->lineCount(),
              0);
    EXPECT_EQ(systemTab(&f).edt7->text(), QStringLiteral("0"));
    EXPECT_TRUE(systemTab(&f).tmr6->isActive());
    EXPECT_TRUE(systemTab(&f).tmr1->isActive());

    // An empty list closes nothing; a line that is no port name fails the reconnection.
    systemTab(&f).RzMemo6->clearLines();
    PortNo = 9;
    systemTab(&f).tab->reconnectButtonClick();
    EXPECT_EQ(PortNo, 9);
    systemTab(&f).RzMemo6->addLine(QStringLiteral("PRN"));
    expectBox();
    systemTab(&f).tab->reconnectButtonClick();
    EXPECT_EQ(shownTexts(), QStringList{QStringLiteral("重新联机失败!")});
}

TEST_F(SerialTabTest, RegistrationOnAPortThatIsNotOpenFails)
{
    PortNo = 9;
    EXPECT_FALSE(systemTab(form.get()).tab->initirq());
    EXPECT_EQ(form->wtxt->text(), QStringLiteral("事件设置时错误!"));
}

// The system tab against the simulated issuer in process, entered in the port map as COM2.
class SimulatedIssuerTabTest : public ScriptedTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        resetGlobals();
        ASSERT_TRUE(sim.start(dir.path(QStringLiteral("Ports")), 2))
            << sim.errorText().toStdString();
        form = std::make_unique<TForm1>();
        openByHand();
        ASSERT_EQ(form->wtxt->text(), QStringLiteral("端口COM2已打开."));
    }
    void TearDown() override
    {
        form.reset();
        ScriptedTest::TearDown();
    }
    void openByHand()
    {
        systemTab(form.get()).ComTxt->clear();
        systemTab(form.get()).ComTxt->addItem(QStringLiteral("COM2"));
        systemTab(form.get()).ComTxt->setCurrentIndex(0);
        systemTab(form.get()).tab->openPortButtonClick();
    }

    issuer::ShortTimings shortTimings{1, 1};
    IssuerSimulator sim{QStringLiteral("123456")};
    std::unique_ptr<TForm1> form;
};

TEST_F(SimulatedIssuerTabTest, AReaderSetToCardNumbersAsksForItsSwitch)
{
    TForm1 &f = *form;
    sim.issuer().setCardNumberOnly(true);
    const QByteArray issue = IssueFrame(QDate(2031, 7, 4), 0x81);
    systemTab(&f).tab->writeFrame(issue);
    QTRY_COMPARE(sim.issuer().frames(), QList<QByteArray>{issue});
    sim.command(QStringLiteral("card 1234ABCD"));
    QTRY_COMPARE(cardTab(&f).RzMemo2->lineCount(), 1);
    const QString line = QStringLiteral("卡号:1234ABCD\r");
    EXPECT_EQ(cardTab(&f).RzMemo2->lines().first(), line);
    EXPECT_EQ(systemTab(&f).RzMemo1->lines().last(), line);
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("此卡未显示有效期,请检查发行器底部的拨码开关的状态!"));
}

TEST_F(SimulatedIssuerTabTest, AnIssuerPulledOutCannotBeOpenedUntilItIsPluggedBack)
{
    TForm1 &f = *form;
    sim.unplug();
    QTRY_VERIFY(systemTab(&f).tab->serialLink()->isLost(2));
    EXPECT_TRUE(systemTab(&f).tab->GetComPortList().isEmpty());
    openByHand();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("不能打开COM2,请检查设备端口."));

    ASSERT_TRUE(sim.plug());
    EXPECT_EQ(systemTab(&f).tab->GetComPortList(), QStringList{QStringLiteral("COM2")});
    openByHand();
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("端口COM2已打开."));
    systemTab(&f).tab->writeFrame(ReadModeFrame(QStringLiteral("123456")));
    QTRY_COMPARE(systemTab(&f).RzMemo5->lineCount(), 1);
    EXPECT_EQ(systemTab(&f).RzMemo5->lines().first(), QStringLiteral(" 0500"));
}

} // namespace
