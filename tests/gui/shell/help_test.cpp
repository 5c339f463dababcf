// The online-help tab (manual, release of the database file, pending archive edits), the help
// window with and without a page, the shipped help page, and the about box.
#include "cards/cardfields.h"
#include "cards/issuesession.h"
#include "cardtabview.h"
#include "common/globals.h"
#include "db/datafrm.h"
#include "shell/helppage.h"
#include "shell/texts.h"
#include "shell/tform1.h"
#include "shell/tform4.h"
#include "shell/tform5.h"
#include "systemtabview.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

namespace t = texts::shell;

constexpr int HelpTab = 3;

class HelpTest : public testsupport::WindowsTest
{
protected:
    HelpTest()
        : WindowsTest(QStringLiteral("('op','op123','操作员')"))
    {}

    void openTab(int index)
    {
        // From another tab, so that the change really happens.
        main->rzpgcntrlrzpcrl1->setCurrentIndex(index == 0 ? 4 : 0);
        main->rzpgcntrlrzpcrl1->setCurrentIndex(index);
    }

    // Runs `press` (which opens a modal window); `inside` sees the window while it is open and
    // closes it.
    template <typename W>
    void whileModal(const std::function<void()> &press, const std::function<void(W &)> &inside)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<W *>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            seen = true;
            inside(*w);
            if (w->isVisible())
                w->close();
        });
        press();
        EXPECT_TRUE(seen);
        EXPECT_TRUE(main->findChildren<W *>().isEmpty()) << "freed after it closed";
    }

    QString archiveName(int id)
    {
        Query *q = Datafrm->Qryda1;
        q->close();
        q->setSQL(QStringLiteral("select * from CZdata where id=%1").arg(id));
        q->open();
        const QString name = q->fieldByName(QStringLiteral("车主姓名")).asString();
        q->close();
        return name;
    }
};

TEST_F(HelpTest, ManualHasItsThreeSectionsInAlternatingLines)
{
    const QTextDocument *doc =
        testsupport::find<QPlainTextEdit>(main.get(), "RzMemommo4")->document();
    ASSERT_EQ(doc->blockCount(), 154);
    QStringList text;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.blockNumber() % 2 == 1)
            EXPECT_TRUE(b.text().isEmpty()) << "line " << b.blockNumber() + 1;
        else
            text << b.text();
    }
    EXPECT_FALSE(text.contains(QString())) << "every other line carries text";
    // Headings and subheadings exactly, in this order.
    const QStringList headings = {
        QStringLiteral(" 一、界面主要功能介绍："), QStringLiteral(" 二、发行器功能介绍："),
        QStringLiteral(" 三、卡片发行介绍："),     QStringLiteral(" 1、单卡发行；"),
        QStringLiteral(" 2、批量发行；"),          QStringLiteral(" 3、卡片延期；"),
        QStringLiteral(" 4、卡片挂失；")};
    int at = -1;
    for (const QString &h : headings) {
        const int next = text.indexOf(h);
        EXPECT_GT(next, at) << h.toStdString();
        at = next;
    }
    // Six numbered tabs, eight numbered issuer features.
    const int tabs = text.indexOf(headings[0]), issuer = text.indexOf(headings[1]),
              issuing = text.indexOf(headings[2]);
    EXPECT_EQ(issuer - tabs - 1, 6);
    EXPECT_EQ(issuing - issuer - 1, 8);
    for (int i = 1; i <= 8; ++i)
        EXPECT_TRUE(text.at(issuer + i).startsWith(QStringLiteral("  %1、").arg(i)));
    EXPECT_TRUE(testsupport::find<QPlainTextEdit>(main.get(), "RzMemommo4")->isReadOnly());
    EXPECT_EQ(testsupport::find<QPlainTextEdit>(main.get(), "RzMemommo4")->font().pointSize(), 12);
}

TEST_F(HelpTest, ManualNamesTheCardTabButtonsAsTheyAre)
{
    // Each button the procedures tell the user to press exists on the card tab with that caption
    // and is named in the manual in quotes.
    const QString manual =
        testsupport::find<QPlainTextEdit>(main.get(), "RzMemommo4")->toPlainText();
    const std::pair<QPushButton *, QString> buttons[] = {
        {cardTab(main.get()).btn12, QStringLiteral("单卡发行")},
        {cardTab(main.get()).btn14, QStringLiteral("批量发行")},
        {cardTab(main.get()).btn3, QStringLiteral("开始发行")},
        {cardTab(main.get()).btn4, QStringLiteral("结束发行")},
        {cardTab(main.get()).btn18, QStringLiteral("查询")},
        {cardTab(main.get()).btn13, QStringLiteral("卡片延期")},
        {cardTab(main.get()).btn22, QStringLiteral("卡片挂失")},
        {cardTab(main.get()).btn23, QStringLiteral("卡片解挂")},
        {cardTab(main.get()).btn11, QStringLiteral("全选")},
        {cardTab(main.get()).btn19, QStringLiteral("显示车主档案")},
        {systemTab(main.get()).opencmd, QStringLiteral("打开串口")}};
    for (const auto &[button, caption] : buttons) {
        EXPECT_EQ(button->text().trimmed(), caption);
        EXPECT_TRUE(manual.contains(QStringLiteral("“%1”").arg(caption))) << caption.toStdString();
    }
    // The prompts it quotes are the ones the card tab shows.
    for (const QString &prompt :
         {QStringLiteral("命令已发送，请将卡片放在发行器上面读写!"),
          QStringLiteral("车主档案已保存,如需继续发行,请按单卡发行或选择批量发行."),
          QStringLiteral("请设置车辆允许通行的组号，可全选或单选!")})
        EXPECT_TRUE(manual.contains(prompt)) << prompt.toStdString();
}

TEST_F(HelpTest, ShowingTheTabReleasesTheDatabaseAndTheOthersReconnect)
{
    for (const QString &type : {QStringLiteral("管理员"), QStringLiteral("操作员")}) {
        UserType = type;
        Query *queries[] = {Datafrm->LGqry1, Datafrm->Qrymm1, Datafrm->Qryda1, Datafrm->QryJL1,
                            Datafrm->Qrybb1};
        const QString tables[] = {QStringLiteral("users"), QStringLiteral("usersmm"),
                                  QStringLiteral("CZdata"), QStringLiteral("CRJL"),
                                  QStringLiteral("CZdata")};
        for (int i = 0; i < 5; ++i) {
            queries[i]->close();
            queries[i]->setSQL(QStringLiteral("select * from ") + tables[i]);
            queries[i]->open();
        }
        ASSERT_TRUE(Datafrm->con->connected());
        openTab(HelpTab);
        for (Query *q : queries)
            EXPECT_FALSE(q->isActive()) << type.toStdString();
        EXPECT_FALSE(Datafrm->con->connected());
        EXPECT_EQ(main->wtxt->text(), QStringLiteral("在线帮助界面."));
    }
    // The user tab opens its list again; the card tab numbers a new record.
    UserType = QStringLiteral("管理员");
    main->rzpgcntrlrzpcrl1->setCurrentWidget(main->rztbshtTabSheet2);
    EXPECT_TRUE(Datafrm->con->connected());
    EXPECT_EQ(Datafrm->LGqry1->recordCount(), 2);
    openTab(HelpTab);
    EXPECT_FALSE(Datafrm->con->connected());
    main->rzpgcntrlrzpcrl1->setCurrentWidget(main->rztbshtTabSheet3);
    cardTab(main.get()).btn12->click();
    EXPECT_EQ(cardTab(main.get()).edt9->text(), QStringLiteral("1001"));
    EXPECT_EQ(cardTab(main.get()).tab->ownerRecords()->state(), Query::Insert);
}

TEST_F(HelpTest, APendingArchiveEditIsSavedOrDroppedAsTheUserAnswers)
{
    struct Case
    {
        Dialogs::Button answer;
        QString stored;
    };
    const Case cases[] = {{Dialogs::Yes, QStringLiteral("王五")},
                          {Dialogs::No, QStringLiteral("张三")}};
    int id = 0;
    for (const Case &c : cases) {
        ++id;
        execSql(QStringLiteral("insert into CZdata(id,车辆编号,卡片内码,车主姓名) values "
                               "(%1,100%1,'0000000%1','张三')")
                    .arg(id));
        Query *q = Datafrm->Qryda1;
        q->close();
        q->setSQL(QStringLiteral("select * from CZdata where id=%1").arg(id));
        q->open();
        q->edit();
        q->fieldByName(QStringLiteral("车主姓名")).setAsString(QStringLiteral("王五"));
        Dialogs::clearShown();
        expectBox(c.answer);
        openTab(HelpTab);
        ASSERT_EQ(shownTexts(), QStringList{t::UnsavedEdit});
        EXPECT_EQ(lastShown().buttons, Dialogs::YesNo);
        EXPECT_FALSE(q->isActive());
        EXPECT_FALSE(Datafrm->con->connected());
        EXPECT_EQ(archiveName(id), c.stored);
    }
    // An edit without a change asks nothing.
    Query *q = Datafrm->Qryda1;
    q->setSQL(QStringLiteral("select * from CZdata"));
    q->open();
    q->edit();
    Dialogs::clearShown();
    openTab(HelpTab);
    EXPECT_TRUE(shownTexts().isEmpty());
}

TEST_F(HelpTest, AnIssueInProgressEndsAsReturnDoes)
{
    UserType = QStringLiteral("管理员");
    main->rzpgcntrlrzpcrl1->setCurrentWidget(main->rztbshtTabSheet3);
    cardTab(main.get()).btn12->click();
    ASSERT_TRUE(cardTab(main.get()).rb1->isChecked());
    cardTab(main.get()).edt11->setText(QStringLiteral("李四"));
    Dialogs::clearShown();
    openTab(HelpTab);
    EXPECT_TRUE(shownTexts().isEmpty()) << "a record without a card is not asked about";
    EXPECT_FALSE(cardTab(main.get()).rb1->isChecked());
    EXPECT_FALSE(cardTab(main.get()).tab->issueSession().open());
    EXPECT_FALSE(cardTab(main.get()).tab->ownerRecords()->isActive());
    EXPECT_EQ(main->wtxt->text(), QStringLiteral("在线帮助界面."));
}

TEST_F(HelpTest, HelpWindowShowsThePageOrSaysItIsMissing)
{
    // The shipped page, as the starter database puts it into the program directory.
    ASSERT_EQ(helppage::installIfMissing(dir.root()), helppage::Outcome::Written);
    HelpFile = dir.path(QStringLiteral("Help/index.htm"));
    whileModal<TForm5>([this] { testsupport::find<QPushButton>(main.get(), "btn7")->click(); },
                       [](TForm5 &w) {
                           EXPECT_EQ(w.windowTitle(), QStringLiteral("帮助支持"));
                           EXPECT_EQ(w.size(), QSize(696, 480));
                           EXPECT_EQ(w.wb1->documentTitle(), QStringLiteral("Velmora 帮助"));
                           EXPECT_TRUE(
                               w.wb1->toPlainText().contains(QStringLiteral("三、卡片发行介绍：")));
                       });

    // F1 from the card tab, wherever the focus is, opens the same window.
    main->show();
    main->activateWindow();
    QTRY_VERIFY(main->isActiveWindow());
    whileModal<TForm5>([this] { QTest::keyClick(main->windowHandle(), Qt::Key_F1); },
                       [](TForm5 &w) {
                           EXPECT_TRUE(
                               w.wb1->toPlainText().contains(QStringLiteral("三、卡片发行介绍：")));
                       });

    // Missing, and a folder where the page should be.
    for (const QString &path :
         {dir.path(QStringLiteral("Help/none.htm")), dir.path(QStringLiteral("Help/images"))}) {
        TForm5 w;
        EXPECT_FALSE(w.navigate(path));
        EXPECT_EQ(w.wb1->toPlainText().trimmed(),
                  t::HelpNotFound.arg(QDir::toNativeSeparators(path)));
    }
    QFile::remove(HelpFile);
    whileModal<TForm5>([this] { testsupport::find<QPushButton>(main.get(), "btn7")->click(); },
                       [this](TForm5 &w) {
                           EXPECT_TRUE(
                               w.wb1->toPlainText().contains(QStringLiteral("找不到帮助页面：")));
                           EXPECT_TRUE(w.wb1->toPlainText().contains(HelpFile));
                       });
}

TEST_F(HelpTest, ShippedPageCarriesTheManualItsPicturesAndItsLinks)
{
    ASSERT_EQ(helppage::installIfMissing(dir.root()), helppage::Outcome::Written);
    TForm5 w;
    ASSERT_TRUE(w.navigate(dir.path(QStringLiteral("Help/index.htm"))));
    const QString text = w.wb1->toPlainText();
    for (const QString &line : t::UserManual)
        EXPECT_TRUE(text.contains(line.trimmed())) << line.toStdString();

    QFile file(dir.path(QStringLiteral("Help/index.htm")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    int pictures = 0;
    for (const auto &m :
         QRegularExpression(QStringLiteral("<img src=\"([^\"]+)\"")).globalMatch(html)) {
        ++pictures;
        const QVariant image =
            w.wb1->loadResource(QTextDocument::ImageResource, QUrl(m.captured(1)));
        EXPECT_FALSE(QImage::fromData(image.toByteArray()).isNull()) << m.captured(1).toStdString();
    }
    EXPECT_GE(pictures, 3);
    int links = 0;
    for (const auto &m :
         QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(html)) {
        ++links;
        EXPECT_TRUE(html.contains(QStringLiteral("name=\"%1\"").arg(m.captured(1))))
            << m.captured(1).toStdString();
    }
    EXPECT_GE(links, 7);
}

TEST_F(HelpTest, HelpPageIsWrittenOnlyWhereItIsMissing)
{
    // The site's own page stays.
    dir.write(QStringLiteral("Help/index.htm"), "<html>site</html>");
    EXPECT_EQ(helppage::installIfMissing(dir.root()), helppage::Outcome::AlreadyThere);
    QFile own(dir.path(QStringLiteral("Help/index.htm")));
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    EXPECT_EQ(own.readAll(), QByteArray("<html>site</html>"));

    // A file where the folder should be: reported, nothing written.
    testsupport::TempProgramDir blocked;
    blocked.write(QStringLiteral("Help"), "not a folder");
    QString why;
    EXPECT_EQ(helppage::installIfMissing(blocked.root(), &why), helppage::Outcome::Failed);
    EXPECT_FALSE(why.isEmpty());
}

TEST_F(HelpTest, AboutBoxTextsFollowTheSettingsFile)
{
    struct Case
    {
        QByteArray ini; // empty: no file
        QString company;
        QString website;
    };
    const Case cases[] = {
        {"[GS]\r\nGSName=东门物业\r\n[WZ]\r\nWZName=www.example.com\r\n",
         QStringLiteral("东门物业"), QStringLiteral("软件官网:www.example.com")},
        {"[title]\r\nTitleName=东门\r\n[GS]\r\n[WZ]\r\nOther=x\r\n", QString(),
         QStringLiteral("软件官网:")},
        {QByteArray(), QString(), QStringLiteral("软件官网:")},
    };
    for (const Case &c : cases) {
        QFile::remove(dir.path(QStringLiteral("IniFile/System.ini")));
        if (!c.ini.isEmpty())
            dir.write(QStringLiteral("IniFile/System.ini"), c.ini);
        Dialogs::setApplicationTitle(QStringLiteral("Velmora"));
        TForm4 about;
        EXPECT_EQ(about.Label1->text(), c.company);
        EXPECT_EQ(about.Label5->text(), c.website);
        EXPECT_EQ(about.windowTitle(), QStringLiteral(" Velmora "));
        EXPECT_EQ(Dialogs::applicationTitle(), QStringLiteral("Velmora."));
        EXPECT_TRUE(about.Label1->font().bold());
        EXPECT_EQ(about.Ent1->text(), QStringLiteral("确定"));
        EXPECT_EQ(about.size(), QSize(383, 257));
        EXPECT_TRUE(about.windowFlags().testFlag(Qt::Tool));
    }
    whileModal<TForm4>([this] { testsupport::find<QPushButton>(main.get(), "btn8")->click(); },
                       [](TForm4 &w) { w.Ent1->click(); });
}

TEST_F(HelpTest, AboutBoxFollowsTheMouseWhileTheLeftButtonIsHeld)
{
    TForm4 about;
    about.show();
    about.move(100, 100);
    QTRY_COMPARE(about.pos(), QPoint(100, 100));
    // Grabbed on a text: the labels let the press through to the body.
    QWidget *target = about.childAt(about.Label4->geometry().center());
    const QPoint grabLocal = about.Label4->geometry().center();
    auto send = [&](QEvent::Type type, const QPoint &global, Qt::MouseButton button,
                    Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(about.mapFromGlobal(global)), QPointF(global), button, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(&about, &e);
    };
    EXPECT_TRUE(target == nullptr || target == &about) << "a label would swallow the press";
    const QPoint start = about.mapToGlobal(grabLocal);
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, start + QPoint(40, 25), Qt::NoButton, Qt::LeftButton);
    QTRY_COMPARE(about.pos(), QPoint(140, 125));
    send(QEvent::MouseButtonRelease, start + QPoint(40, 25), Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseMove, start + QPoint(90, 90), Qt::NoButton, Qt::NoButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(about.pos(), QPoint(140, 125)) << "without the button it stays";
}

} // namespace
