// The main window frame: caption and settings, role gating, size rules, exit paths, tray,
// minimising and the skin toggle.
#include "archive/tform7.h"
#include "cardtabview.h"
#include "common/gbk.h"
#include "common/globals.h"
#include "common/inifile.h"
#include "db/datafrm.h"
#include "passages/tform10.h"
#include "shell/appexit.h"
#include "shell/forms.h"
#include "shell/tform1.h"
#include "shell/widgets.h"
#include "shell/windowplace.h"
#include "systemtabview.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

class MainWindowTest : public testsupport::DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        appexit::setTestMode(true);
        appexit::reset();
    }
    void TearDown() override
    {
        form.reset();
        systemtray::setAvailableForTests(std::nullopt);
        DatabaseTest::TearDown();
    }
    TForm1 &make()
    {
        form = std::make_unique<TForm1>();
        return *form;
    }
    IniFile settings() const { return IniFile(form->windowSettingsPath()); }

    std::unique_ptr<TForm1> form;
};

TEST_F(MainWindowTest, CaptionAndPaneFollowTheBrandingFile)
{
    {
        TForm1 &f = make();
        EXPECT_EQ(f.windowTitle(), QStringLiteral("_Velmora V1.6"));
        EXPECT_EQ(f.wtxt->text(), QString());
        EXPECT_EQ(GSName, QString());
    }
    // A legacy GBK file is read as well as a UTF-8 one.
    dir.write(QStringLiteral("IniFile/System.ini"),
              gbk::encode(QStringLiteral("[title]\r\nTitleName=东门停车场\r\n[GS]\r\nGSName=某某"
                                         "物业\r\n[WZ]\r\nWZName=www.example.com\r\n")));
    TForm1 &f = make();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("东门停车场_Velmora V1.6"));
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("某某物业"));
    EXPECT_EQ(GSName, QStringLiteral("某某物业"));
    EXPECT_EQ(f.lbl6->text(), QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")));
    EXPECT_EQ(f.lbl5->text(), QStringLiteral("系统当前日期:"));
    EXPECT_EQ(f.wtxt1->text(), QStringLiteral(" 请合理利用Enter键"));
}

TEST_F(MainWindowTest, WindowSettingsDefaultsAndStoredValues)
{
    {
        TForm1 &f = make();
        EXPECT_EQ(f.pos(), QPoint(100, 100));
        EXPECT_EQ(f.size(), QSize(500, 300));
        EXPECT_FALSE(f.windowState() & Qt::WindowMaximized);
        EXPECT_FALSE(cardTab(&f).dtp1->isEnabled());
        EXPECT_EQ(cardTab(&f).dtp2->date(), QDate::currentDate().addDays(10));
    }
    dir.write(QStringLiteral("mainwindow_test.ini"),
              "[Form]\nTop=40\nLeft=30\nWidth=800\nHeight=640\nInitMax=1\n");
    TForm1 &f = make();
    EXPECT_EQ(f.pos(), QPoint(30, 40));
    EXPECT_TRUE(f.windowState() & Qt::WindowMaximized);
}

TEST_F(MainWindowTest, SettingsThatPutTheWindowOffScreenBringItBack)
{
    const char *files[] = {"[Form]\nTop=-2147483648\nLeft=30\nWidth=800\nHeight=640\n",
                           "[Form]\nTop=-5000\nLeft=-5000\nWidth=800\nHeight=640\n",
                           "[Form]\nTop=40000\nLeft=90000\nWidth=99999\nHeight=99999\n"};
    for (const char *file : files) {
        dir.write(QStringLiteral("mainwindow_test.ini"), file);
        TForm1 &f = make();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_TRUE(screen.intersects(QRect(f.pos(), f.size()))) << file;
        EXPECT_LE(f.width(), screen.width()) << file;
    }
}

TEST(WindowPlace, AWindowStaysWhereItWasUnlessNoScreenShowsItsTitleBar)
{
    const QList<QRect> screens = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 1920, 1080)};
    const struct
    {
        QRect saved;
        QRect placed;
    } cases[] = {
        {QRect(100, 120, 1024, 630), QRect(100, 120, 1024, 630)},
        {QRect(2000, 50, 1024, 630), QRect(2000, 50, 1024, 630)},   // on the second screen
        {QRect(-900, 100, 1024, 630), QRect(-900, 100, 1024, 630)}, // 124 px still on screen
        {QRect(30, -5000, 800, 640), QRect(240, 192, 800, 640)},
        {QRect(5000, 5000, 4000, 3000), QRect(0, 0, 1280, 1024)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(windowplace::keptOnScreen(c.saved, screens), c.placed) << c.saved.x();
}

TEST_F(MainWindowTest, SavingTheSettingsWritesPositionSizeCaptionAndState)
{
    TForm1 &f = make();
    f.show();
    f.saveWindowSettings();
    const IniFile ini = settings();
    EXPECT_EQ(ini.readInteger(QStringLiteral("Form"), QStringLiteral("Width"), 0), 1024);
    EXPECT_EQ(ini.readInteger(QStringLiteral("Form"), QStringLiteral("Height"), 0), 630);
    EXPECT_EQ(ini.readString(QStringLiteral("Form"), QStringLiteral("Caption")),
              QStringLiteral("_Velmora V1.6"));
    EXPECT_EQ(ini.readString(QStringLiteral("Form"), QStringLiteral("InitMax")),
              QStringLiteral("0"));
    EXPECT_TRUE(ini.readString(QStringLiteral("Form"), QStringLiteral("Top")).size() > 0);
}

TEST_F(MainWindowTest, ShowingAppliesTheRole)
{
    struct Case
    {
        QString role;
        bool admin;
    };
    for (const Case &c :
         {Case{QStringLiteral("操作员"), false}, Case{QStringLiteral("测试员"), false},
          Case{QStringLiteral("管理员"), true}, Case{QStringLiteral("管理员 "), false}}) {
        UserType = c.role;
        TForm1 &f = make();
        f.show();
        EXPECT_EQ(f.size(), QSize(1024, 630));
        EXPECT_EQ(systemTab(&f).RzGroupBox5->isEnabled(), c.admin) << c.role.toStdString();
        EXPECT_EQ(systemTab(&f).CLpc1->isEnabled(), c.admin);
        EXPECT_EQ(systemTab(&f).tmr4->isActive(), c.admin) << "no issuer search for other roles";
        EXPECT_EQ(cardTab(&f).tmr3->isActive(), c.admin);
        EXPECT_EQ(f.wtxt->text(), c.admin ? QStringLiteral("系统管理界面.")
                                          : QStringLiteral("非管理员登录，权限受限!"));
        if (!c.admin) {
            EXPECT_FALSE(systemTab(&f).btn10->isEnabled());
            EXPECT_FALSE(systemTab(&f).edt4->isEnabled());
        } else {
            EXPECT_EQ(systemTab(&f).btn5->text(), QStringLiteral("开始"));
        }
        form.reset();
    }
}

TEST_F(MainWindowTest, TabShowHandlersByRole)
{
    struct Case
    {
        bool admin;
        int tab;
        QString pane;
        bool box;
    };
    const Case cases[] = {
        {true, 0, QStringLiteral("系统管理界面."), false},
        {false, 0, QStringLiteral("非管理员登录，权限受限!"), false},
        {true, 1, QStringLiteral("进入卡片发行界面,请添加车主档案."), false},
        {false, 1, QStringLiteral("非管理员登录，权限不足!"), true},
        {true, 3, QStringLiteral("在线帮助界面."), false},
        {false, 3, QStringLiteral("在线帮助界面."), false},
        {true, 4, QStringLiteral("进入系统退出界面."), false},
        {false, 4, QStringLiteral("进入系统退出界面."), false},
    };
    for (const Case &c : cases) {
        UserType = c.admin ? QStringLiteral("管理员") : QStringLiteral("操作员");
        TForm1 &f = make();
        Dialogs::clearShown();
        if (c.box)
            expectBox();
        // Start from another tab so that the change really happens.
        f.rzpgcntrlrzpcrl1->setCurrentIndex(c.tab == 3 ? 4 : 3);
        f.rzpgcntrlrzpcrl1->setCurrentIndex(c.tab);
        EXPECT_EQ(f.wtxt->text(), c.pane) << "tab " << c.tab << " admin " << c.admin;
        EXPECT_EQ(shownTexts().contains(QStringLiteral("非管理员登录，权限不足!")), c.box);
        if (c.tab == 0) {
            EXPECT_EQ(systemTab(&f).RzGroupBox5->isEnabled(), c.admin);
            EXPECT_EQ(systemTab(&f).CLpc1->isEnabled(), c.admin);
        }
        form.reset();
    }
}

TEST_F(MainWindowTest, SizeStaysWithinTheRules)
{
    UserType = QStringLiteral("操作员");
    TForm1 &f = make();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    struct Case
    {
        QSize asked;
        QSize expected;
    };
    for (const Case &c : {Case{{800, 900}, {1024, 768}}, Case{{1200, 500}, {1024, 630}},
                          Case{{1024, 700}, {1024, 700}}}) {
        f.resize(c.asked);
        QTRY_COMPARE(f.size(), c.expected);
    }
    EXPECT_EQ(testsupport::find<ClickLabel>(&f, "lbl12")->pos(), QPoint(208, 266));
    EXPECT_EQ(systemTab(&f).RzGroupBox4->width(), 449);
    EXPECT_EQ(systemTab(&f).RzGroupBox5->x(), 456);
}

struct ExitCase
{
    const char *name;
    std::function<void(TForm1 &)> trigger;
    QStringList boxesBefore; // plain messages shown before the question
    QString question;
    Dialogs::Buttons buttons;
    Dialogs::Icon icon;
    bool savesSettings;
};

TEST_F(MainWindowTest, EveryExitPathAsksAndEndsOnlyOnConsent)
{
    const ExitCase cases[] = {
        {"exit tab background",
         [](TForm1 &f) { f.rztbshtTabSheet5MouseDown(); },
         {QStringLiteral("没到这里吗")},
         QStringLiteral("真的退出系统吗?"),
         Dialogs::OkCancel,
         Dialogs::Question,
         true},
        {"exit button",
         [](TForm1 &f) { systemTab(&f).btn1->click(); },
         {},
         QStringLiteral("真的要退出吗？"),
         Dialogs::YesNo,
         Dialogs::Information,
         true},
        {"hidden exit",
         [](TForm1 &f) { f.Ent1Click(); },
         {},
         QStringLiteral("真的要退出吗？"),
         Dialogs::YesNo,
         Dialogs::Information,
         true},
        {"exit picture",
         [](TForm1 &f) { f.img2MouseDown(); },
         {},
         QStringLiteral("真的要退出吗？"),
         Dialogs::YesNo,
         Dialogs::NoIcon,
         true},
        {"exit label",
         [](TForm1 &f) { f.lbl12Click(); },
         {},
         QStringLiteral("真的退出吗？"),
         Dialogs::YesNo,
         Dialogs::NoIcon,
         false},
        {"window close",
         [](TForm1 &f) { f.close(); },
         {},
         QStringLiteral("真的退出吗？"),
         Dialogs::YesNo,
         Dialogs::NoIcon,
         true},
        {"tray exit",
         [](TForm1 &f) { f.N2->trigger(); },
         {},
         QStringLiteral("真的退出吗？"),
         Dialogs::YesNo,
         Dialogs::NoIcon,
         true},
    };
    for (const bool consent : {false, true}) {
        for (const ExitCase &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (consent ? " consent" : " refusal"));
            appexit::reset();
            QFile::remove(dir.path(QStringLiteral("mainwindow_test.ini")));
            TForm1 &f = make();
            f.show();
            Dialogs::clearShown();
            for (int i = 0; i < c.boxesBefore.size(); ++i)
                expectBox(Dialogs::Ok);
            const bool okCancel = c.buttons == Dialogs::OkCancel;
            expectBox(consent ? (okCancel ? Dialogs::Ok : Dialogs::Yes)
                              : (okCancel ? Dialogs::Cancel : Dialogs::No));
            c.trigger(f);
            ASSERT_EQ(Dialogs::shown().size(), c.boxesBefore.size() + 1);
            const Dialogs::Shown &q = Dialogs::shown().last();
            EXPECT_EQ(q.text, c.question);
            EXPECT_EQ(q.caption, QStringLiteral("系统提示"));
            EXPECT_EQ(q.buttons, c.buttons);
            EXPECT_EQ(q.icon, c.icon);
            for (int i = 0; i < c.boxesBefore.size(); ++i)
                EXPECT_EQ(Dialogs::shown().at(i).text, c.boxesBefore.at(i));
            EXPECT_EQ(appexit::programEnded(), consent);
            EXPECT_EQ(QFile::exists(dir.path(QStringLiteral("mainwindow_test.ini"))),
                      c.savesSettings);
            if (!consent) {
                EXPECT_TRUE(f.isVisible());
            }
            form.reset();
        }
    }
}

TEST_F(MainWindowTest, AnUnwritableSettingsFileDoesNotStopTheExit)
{
    ASSERT_TRUE(QDir().mkpath(dir.path(QStringLiteral("mainwindow_test.ini"))));
    TForm1 &f = make();
    expectBox(Dialogs::Yes);
    f.Ent1Click();
    EXPECT_TRUE(appexit::programEnded());
}

TEST_F(MainWindowTest, ExitTabBackgroundSetsThePaneBeforeAsking)
{
    TForm1 &f = make();
    QString paneAtQuestion;
    Dialogs::setShowHook([&](const Dialogs::Shown &s) {
        if (s.text == QStringLiteral("真的退出系统吗?"))
            paneAtQuestion = f.wtxt->text();
    });
    expectBox(Dialogs::Ok);
    expectBox(Dialogs::Cancel);
    QTest::mouseClick(f.rztbshtTabSheet5, Qt::LeftButton);
    EXPECT_EQ(paneAtQuestion, QStringLiteral("系统退出."));
    EXPECT_FALSE(appexit::programEnded());
}

TEST_F(MainWindowTest, TrayMenuMinimiseAndShowAgain)
{
    systemtray::setAvailableForTests(true);
    TForm7 archive;
    TForm10 passages;
    Form7 = &archive;
    Form10 = &passages;
    TForm1 &f = make();
    f.attachArchiveWindow(&archive);
    f.attachPassageWindow(&passages);
    EXPECT_EQ(f.N1->text(), QStringLiteral("显示"));
    EXPECT_EQ(f.N2->text(), QStringLiteral("退出"));
    EXPECT_EQ(f.rzstspn1->text(), QStringLiteral("最小化"));

    f.IconOnClick(1025, 513); // a left press does not open the menu
    EXPECT_FALSE(f.pm1->isVisible());
    f.IconOnClick(1025, 516);
    EXPECT_TRUE(f.pm1->isVisible());
    f.pm1->hide();

    f.show();
    archive.show();
    QTest::mouseClick(f.rzstspn1, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(archive.isVisible());
    EXPECT_FALSE(passages.isVisible());

    f.N1->trigger();
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(archive.isVisible()) << "the archive window was open before";
    EXPECT_FALSE(passages.isVisible()) << "the passage window was not";
    Form7 = nullptr;
    Form10 = nullptr;
}

TEST_F(MainWindowTest, MinimisingWithoutATrayKeepsTheWindowsReachable)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the offscreen desktop has no tray";
    TForm7 archive;
    Form7 = &archive;
    TForm1 &f = make();
    f.attachArchiveWindow(&archive);
    f.show();
    archive.show();
    QTest::mouseClick(f.rzstspn1, Qt::LeftButton);
    QTRY_VERIFY(f.isMinimized());
    EXPECT_TRUE(f.isVisible()) << "a hidden window could only be brought back by the tray";
    EXPECT_TRUE(archive.isVisible());
    EXPECT_FALSE(f.RzTrayIcon1->isVisible());
    f.showNormal();
    EXPECT_FALSE(f.isMinimized());
    Form7 = nullptr;
}

TEST_F(MainWindowTest, ThePictureAndTheLabelOfTheExitTabAnswerOnlyForThemselves)
{
    struct Case
    {
        const char *name;
        std::function<QWidget *(TForm1 &)> target;
        QString question;
    };
    const Case cases[] = {
        {"exit picture",
         [](TForm1 &f) -> QWidget * { return testsupport::find<ClickLabel>(&f, "img2"); },
         QStringLiteral("真的要退出吗？")},
        {"exit label",
         [](TForm1 &f) -> QWidget * { return testsupport::find<ClickLabel>(&f, "lbl12"); },
         QStringLiteral("真的退出吗？")},
    };
    for (const bool consent : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (consent ? " consent" : " refusal"));
            appexit::reset();
            TForm1 &f = make();
            f.show();
            f.rzpgcntrlrzpcrl1->setCurrentWidget(f.rztbshtTabSheet5);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
            Dialogs::clearShown();
            expectBox(consent ? Dialogs::Yes : Dialogs::No);
            QTest::mouseClick(c.target(f), Qt::LeftButton);
            EXPECT_EQ(shownTexts(), QStringList{c.question}) << "one question, asked once";
            EXPECT_EQ(appexit::programEnded(), consent);
            form.reset();
        }
    }
}

TEST_F(MainWindowTest, SkinButtonTogglesItsCaption)
{
    TForm1 &f = make();
    EXPECT_EQ(systemTab(&f).btn16->text(), QStringLiteral("CloseVCL"));
    systemTab(&f).btn16->click();
    EXPECT_EQ(systemTab(&f).btn16->text(), QStringLiteral("OpenVCL"));
    EXPECT_FALSE(systemTab(&f).tab->skinOn());
    systemTab(&f).btn16->click();
    EXPECT_EQ(systemTab(&f).btn16->text(), QStringLiteral("CloseVCL"));
    EXPECT_FALSE(systemTab(&f).tab->skinOn());
}

TEST_F(MainWindowTest, TimersAndLamps)
{
    TForm1 &f = make();
    EXPECT_TRUE(systemTab(&f).tmr6->isActive());
    EXPECT_FALSE(systemTab(&f).tmr1->isActive());
    EXPECT_FALSE(cardTab(&f).tmr3->isActive());
    EXPECT_EQ(systemTab(&f).tmr5->interval(), 500);
    for (QTimer *t : {systemTab(&f).tmr1, cardTab(&f).tmr3, systemTab(&f).tmr4, systemTab(&f).tmr6})
        EXPECT_EQ(t->interval(), 1000);
    systemTab(&f).shp1->setColor(colors::Yellow);
    QTRY_COMPARE_WITH_TIMEOUT(systemTab(&f).shp1->color(), colors::Green, 3000);
    cardTab(&f).shp4->setColor(colors::Green);
    cardTab(&f).tmr3->start();
    QTRY_COMPARE_WITH_TIMEOUT(cardTab(&f).shp4->color(), colors::Red, 3000);
    EXPECT_EQ(cardTab(&f).shp4->color(), colors::Red);
    EXPECT_FALSE(cardTab(&f).chklst1->isEnabled());
}

TEST_F(MainWindowTest, BackupAndRestoreButtons)
{
    UserType = QStringLiteral("管理员");
    TForm1 &f = make();
    const QString target = dir.path(QStringLiteral("copy"));
    expectFile(target);
    expectBox(); // "数据库备份成功!"
    systemTab(&f).btnClosebtn5->click();
    EXPECT_EQ(lastShown().text, QStringLiteral("数据库备份成功!"));
    EXPECT_TRUE(QFile::exists(target + QStringLiteral(".mdb")));
    EXPECT_EQ(systemTab(&f).g1->value(), systemTab(&f).g1->maximum());

    // A change after the backup is undone by restoring it.
    execSql(QStringLiteral(
        "insert into users (user_name, user_pass, user_type) values ('late', 'x', '操作员')"));
    expectFile(target + QStringLiteral(".mdb"));
    expectBox(Dialogs::Yes);
    expectBox(); // "成功恢复数据库,请及时备份数据库!"
    systemTab(&f).btnClosebtn6->click();
    EXPECT_EQ(lastShown().text, QStringLiteral("成功恢复数据库,请及时备份数据库!"));
    Datafrm->LGqry1->close();
    Datafrm->LGqry1->open();
    EXPECT_EQ(Datafrm->LGqry1->recordCount(), 1);
}

// The port row of the system tab: each control ends before the next begins, at the window's
// smallest size as at its usual one.
TEST_F(MainWindowTest, ThePortControlsDoNotOverlap)
{
    TForm1 &f = make();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    for (const QSize size : {f.minimumSize(), QSize(1024, 768)}) {
        f.resize(size);
        QCoreApplication::processEvents();
        const QWidget *row[] = {systemTab(&f).ComTxt, systemTab(&f).opencmd, systemTab(&f).CLpc1,
                                systemTab(&f).btnClose2, systemTab(&f).btn2};
        for (int i = 0; i + 1 < int(std::size(row)); ++i) {
            const QRect a(row[i]->mapTo(&f, QPoint(0, 0)), row[i]->size());
            const QRect b(row[i + 1]->mapTo(&f, QPoint(0, 0)), row[i + 1]->size());
            EXPECT_LT(a.right(), b.left()) << row[i]->objectName().toStdString() << " and "
                                           << row[i + 1]->objectName().toStdString() << " at "
                                           << size.width() << "x" << size.height();
        }
    }
}

// Alt+digit opens a tab and Alt+letter presses a button of the tab shown, with the captions
// unchanged; a button of a hidden tab does not answer.
TEST_F(MainWindowTest, TabsAndEverydayButtonsHaveKeys)
{
    UserType = QStringLiteral("管理员");
    TForm1 &f = make();
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QSignalSpy single(cardTab(&f).btn12, &QPushButton::clicked);
    QTest::keyClick(&f, Qt::Key_D, Qt::AltModifier);
    QTest::qWait(300); // a button pressed by its key is released after a moment
    EXPECT_EQ(single.count(), 0) << "the card tab is not shown";

    QTest::keyClick(&f, Qt::Key_2, Qt::AltModifier);
    ASSERT_EQ(f.rzpgcntrlrzpcrl1->currentWidget(), f.rztbshtTabSheet3);
    QTest::keyClick(&f, Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(single.count(), 1);
    EXPECT_EQ(cardTab(&f).btn12->text(), QStringLiteral("     单卡发行"));
    EXPECT_TRUE(cardTab(&f).btn12->toolTip().contains(QStringLiteral("Alt+D")))
        << cardTab(&f).btn12->toolTip().toStdString();
    EXPECT_EQ(f.rzpgcntrlrzpcrl1->tabText(1), QStringLiteral(" 卡片管理 "));

    QTest::keyClick(&f, Qt::Key_3, Qt::AltModifier);
    EXPECT_EQ(f.rzpgcntrlrzpcrl1->currentWidget(), f.rztbshtTabSheet2);
    QTest::keyClick(&f, Qt::Key_1, Qt::AltModifier);
    EXPECT_EQ(f.rzpgcntrlrzpcrl1->currentWidget(), f.rztbshtTabSheet1);
}

// A card line is shown whole in 卡有效期显示 at the window's usual size, without scrolling.
TEST_F(MainWindowTest, ACardLineFitsTheCardMemo)
{
    UserType = QStringLiteral("管理员");
    TForm1 &f = make();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.rzpgcntrlrzpcrl1->setCurrentWidget(f.rztbshtTabSheet3);
    cardTab(&f).RzMemo2->addLine(QStringLiteral("卡片内码:9F0832A5   有效期：2015年05月09日"));
    QCoreApplication::processEvents();
    EXPECT_EQ(cardTab(&f).RzMemo2->horizontalScrollBar()->maximum(), 0);
}

TEST_F(MainWindowTest, TabsInDisplayOrder)
{
    TForm1 &f = make();
    const QStringList expected = {QStringLiteral(" 系统管理 "), QStringLiteral(" 卡片管理 "),
                                  QStringLiteral(" 用户管理 "), QStringLiteral(" 在线帮助 "),
                                  QStringLiteral(" 退出系统 ")};
    QStringList captions;
    for (int i = 0; i < f.rzpgcntrlrzpcrl1->count(); ++i)
        captions << f.rzpgcntrlrzpcrl1->tabText(i);
    EXPECT_EQ(captions, expected);
    EXPECT_EQ(f.rzpgcntrlrzpcrl1->currentIndex(), 0);
    EXPECT_EQ(testsupport::find<ClickLabel>(&f, "lbl12")->text(),
              QStringLiteral("点击图片即可退出系统，谢谢支持！             "));
}

} // namespace
