// The card tab driven as an administrator drives it, against an issuer on a test
// pseudo-terminal: single issue, batch, extension and duplicate cards, each ending in the
// archive, with the owner entry, the gate groups and the counters on the way.
#include "archive/tform7.h"
#include "cards/cardfields.h"
#include "cards/cardlookup.h"
#include "cards/issuesession.h"
#include "cards/texts.h"
#include "cardtabfixture.h"
#include "cardtabview.h"
#include "common/clock.h"
#include "common/globals.h"
#include "db/datafrm.h"
#include "issuer/frames.h"
#include "issuer/replies.h"
#include "issuer/seriallink.h"
#include "issuer/timings.h"
#include "shell/forms.h"
#include "shell/texts.h"
#include "shell/tform1.h"
#include "shell/widgets.h"
#include "systemtabview.h"
#include "testpty.h"
#include "testsupport.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>

namespace t = texts::cards;

namespace {

class CardTabTest : public CardTabFixture
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(testsupport::enterInPortMap(dir, pty.slavePath(), QStringLiteral("COM3")));
        openCardTab();
    }
    // Typing: ASCII as keys, other characters as the text of a key without a key code (what
    // arrives from a keyboard layout that has them).
    void type(QWidget *w, const QString &text)
    {
        w->setFocus();
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(w, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void enter(QWidget *w) { QTest::keyClick(w, Qt::Key_Return); }
    QWidget *focused() const { return QApplication::focusWidget(); }

    // The user picks a date in the open picker.
    void pick(const QDate &date)
    {
        ASSERT_TRUE(cardTab(main.get()).dtp1->isVisible());
        cardTab(main.get()).dtp1->setFocus();
        cardTab(main.get()).dtp1->setDate(date);
    }

    // The issuer writes a card and reports it; waits for the card read.
    void layCard(const QString &code, const QDate &validity, int mask)
    {
        const int reads = cardTab(main.get()).edt2->text().toInt();
        pty.send(cardReply(code, validity, mask));
        QTRY_COMPARE(cardTab(main.get()).edt2->text().toInt(), reads + 1);
    }

    QByteArray readModeFrame() const { return ReadModeFrame(QStringLiteral("123456")); }

    static QByteArray cardReply(const QString &code, const QDate &validity, int mask)
    {
        return QStringLiteral("%1%2%3%4%5\r\n")
            .arg(code)
            .arg(validity.year() % 100, 2, 16, QLatin1Char('0'))
            .arg(validity.month(), 2, 16, QLatin1Char('0'))
            .arg(validity.day(), 2, 16, QLatin1Char('0'))
            .arg(mask, 2, 16, QLatin1Char('0'))
            .toUpper()
            .toLatin1();
    }

    // Batch issue started for all groups with the given validity; the issue frame is read.
    void startBatch(const QDate &validity)
    {
        TForm1 &f = *main;
        click(cardTab(&f).btn14);
        click(cardTab(&f).edt15);
        pick(validity);
        click(cardTab(&f).btn11);
        expectBox();
        click(cardTab(&f).btn3);
        ASSERT_EQ(pty.receive(15), IssueFrame(validity, 255));
    }

    // Rows of CZdata read on a connection of the test's own, ordered by id.
    QStringList records(const QString &columns)
    {
        Connection c;
        c.setDatabase(databasePath());
        Query q(&c);
        q.setSQL(QStringLiteral("select ") + columns + QStringLiteral(" from CZdata order by id"));
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next()) {
            QStringList row;
            for (int i = 0; i < q.fieldCount(); ++i)
                row << (q.field(i).isNull() ? QStringLiteral("<null>") : q.field(i).asString());
            out << row.join(QLatin1Char('|'));
        }
        q.close();
        c.disconnect();
        return out;
    }

    // Single issue up to the open date picker, the owner fields typed with Enter.
    void enterOwner(const QString &name)
    {
        TForm1 &f = *main;
        click(cardTab(&f).btn12);
        type(cardTab(&f).edt11, name);
        enter(cardTab(&f).edt11);
        type(cardTab(&f).edt12, QStringLiteral("京A12345"));
        enter(cardTab(&f).edt12);
        type(cardTab(&f).DBcbb3, QStringLiteral("货车"));
        enter(cardTab(&f).DBcbb3);
        type(cardTab(&f).edt13, QStringLiteral("13812345678"));
        enter(cardTab(&f).edt13);
        type(cardTab(&f).edt14, QStringLiteral("黑色奔驰"));
        enter(cardTab(&f).edt14);
        type(cardTab(&f).edt16, QStringLiteral("A区201"));
        enter(cardTab(&f).edt16);
        type(cardTab(&f).edt20, QStringLiteral("1'; drop table CZdata;--\""));
        enter(cardTab(&f).edt20);
    }

    issuer::ShortTimings shortTimings{1, 1};
    appclock::ScopedNow now{QDateTime(QDate(2024, 3, 5), QTime(9, 0))};
    TestPty pty;
};

TEST_F(CardTabTest, SingleIssueFromTheOwnerFieldsToTheSavedRecord)
{
    TForm1 &f = *main;
    enterOwner(QStringLiteral("张三"));
    EXPECT_EQ(cardTab(&f).edt9->text(), QStringLiteral("1001"));
    ASSERT_TRUE(cardTab(&f).dtp1->isVisible());
    EXPECT_EQ(focused(), static_cast<QWidget *>(cardTab(&f).dtp1));
    EXPECT_EQ(f.wtxt->text(), t::ValidityPrompt);
    EXPECT_EQ(cardTab(&f).dtp1->date(), QDate(2024, 3, 5));

    pick(QDate(2030, 6, 15));
    EXPECT_EQ(cardTab(&f).edt15->text(), QStringLiteral("2030年06月15日"));
    EXPECT_FALSE(cardTab(&f).btn3->isEnabled());
    click(cardTab(&f).chk3);
    EXPECT_TRUE(cardTab(&f).btn3->isEnabled());
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("设置ID3有效.请按开始发行键."));
    click(cardTab(&f).chk6);
    expectBox();
    click(cardTab(&f).btn3);
    EXPECT_EQ(lastShown().text, t::CommandSent);
    EXPECT_EQ(pty.receive(15), IssueFrame(QDate(2030, 6, 15), 36));
    EXPECT_EQ(cardTab(&f).edt1->text(), QStringLiteral("1"));

    expectBox(); // the saved record
    layCard(QStringLiteral("9F0832A5"), QDate(2030, 6, 15), 36);
    EXPECT_EQ(shownTexts().last(), t::SingleSavedBox);
    EXPECT_EQ(f.wtxt->text(), t::SingleSaved);
    EXPECT_EQ(pty.receive(12), readModeFrame());
    EXPECT_FALSE(cardTab(&f).rb1->isChecked());
    EXPECT_FALSE(cardTab(main.get()).tab->issueSession().open());
    EXPECT_FALSE(cardTab(&f).btn3->isEnabled());
    EXPECT_FALSE(cardTab(&f).dtp1->isVisible());
    // Groups 3 and 6 of the card shown in the group display.
    EXPECT_EQ(cardTab(&f).chklst1->item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(cardTab(&f).chklst1->item(5)->checkState(), Qt::Checked);
    EXPECT_EQ(cardTab(&f).chklst1->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(Form7->edt1->text(), QStringLiteral("9F0832A5"));

    EXPECT_EQ(records(QStringLiteral("车辆编号,卡片内码,车主姓名,车牌号码,汽车类型,车主手机,"
                                     "车辆信息,车场车位,住址,卡片有效期限,卡片状态")),
              QStringList{QStringLiteral("1001|9F0832A5|张三|京A12345|货车|13812345678|黑色奔驰|"
                                         "A区201|1'; drop table CZdata;--\"|2030年06月15日|")});
}

TEST_F(CardTabTest, WhatIsSavedIsExactlyWhatTheFieldsShow)
{
    // Typing past a field's limit, and pasting long or multi-line text, save what is shown.
    TForm1 &f = *main;
    click(cardTab(&f).btn12);
    type(cardTab(&f).edt11, QStringLiteral("ABCDEFGHIJKLMNOPQRS"));
    auto paste = [](QLineEdit *field, const QString &text) {
        field->setFocus();
        QApplication::clipboard()->setText(text);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    };
    paste(cardTab(&f).edt12, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    type(cardTab(&f).edt13, QStringLiteral("139123456789"));
    paste(cardTab(&f).edt14, QStringLiteral("第一行\n第二行"));
    paste(cardTab(&f).edt16, QString(3000, QChar(0x4e2d)));
    paste(cardTab(&f).edt20, QStringLiteral("\u202eA栋\x01"));
    const QStringList shown = {cardTab(&f).edt11->text(), cardTab(&f).edt12->text(),
                               cardTab(&f).edt13->text(), cardTab(&f).edt14->text(),
                               cardTab(&f).edt16->text(), cardTab(&f).edt20->text()};
    EXPECT_EQ(shown, (QStringList{QStringLiteral("ABCDEFGHIJKLMNO"), QStringLiteral("ABCDEFGH"),
                                  QStringLiteral("13912345678"), QStringLiteral("第一行"),
                                  QString(25, QChar(0x4e2d)), QStringLiteral("A栋")}));
    click(cardTab(&f).edt15);
    pick(QDate(2030, 1, 1));
    click(cardTab(&f).chk1);
    expectBox();
    click(cardTab(&f).btn3);
    pty.receive(15);
    expectBox();
    layCard(QStringLiteral("5A5A5A5A"), QDate(2030, 1, 1), 1);
    EXPECT_EQ(records(QStringLiteral("车主姓名,车牌号码,车主手机,车辆信息,车场车位,住址")),
              QStringList{shown.join(QLatin1Char('|'))});
}

// Each issuing operation leaves one history row with what it wrote, saved or refused, written by
// the account logged in.
TEST_F(CardTabTest, IssuingLeavesTheHistoryOfEachCard)
{
    UserName = QStringLiteral("张管理");
    execSql(QStringLiteral("create trigger refuse before insert on CZdata when "
                           "new.卡片内码 = 'FA11FA11' begin "
                           "select raise(abort, 'database or disk is full'); end"));
    TForm1 &f = *main;
    enterOwner(QStringLiteral("张三"));
    pick(QDate(2030, 6, 15));
    click(cardTab(&f).chk3);
    expectBox();
    click(cardTab(&f).btn3);
    pty.receive(15);
    expectBox();
    layCard(QStringLiteral("9F0832A5"), QDate(2030, 6, 15), 4);
    pty.receive(12);

    const QDate validity(2027, 7, 7);
    startBatch(validity);
    layCard(QStringLiteral("B0000001"), validity, 255);
    expectBox();
    expectBox();
    layCard(QStringLiteral("9F0832A5"), validity, 255); // already issued above
    expectBox();
    pty.send(cardReply(QStringLiteral("FA11FA11"), validity, 255));
    QTRY_COMPARE(Dialogs::pendingAnswers(), 0);
    pty.receive(12);

    cards::openCardLookup(cardTab(&f).tab->ownerRecords(), QStringLiteral("9F0832A5"));
    cardTab(&f).btn13->setEnabled(true);
    click(cardTab(&f).btn13);
    pick(QDate(2031, 1, 31));
    click(cardTab(&f).chk1);
    expectBox();
    click(cardTab(&f).btn3);
    pty.receive(15);
    expectBox();
    layCard(QStringLiteral("9F0832A5"), QDate(2031, 1, 31), 1);

    const QStringList history = cardHistory();
    ASSERT_EQ(history.size(), 5);
    EXPECT_EQ(
        history.mid(0, 3),
        (QStringList{QStringLiteral("单张发行|9F0832A5||2030年06月15日|||3|已保存"),
                     QStringLiteral("批量发行|B0000001||2027年07月07日|||1,2,3,4,5,6,7,8|已保存"),
                     QStringLiteral("重复发卡被拒|9F0832A5||2027年07月07日|||1,2,3,4,5,6,7,8|"
                                    "未保存：UNIQUE constraint failed: CZdata.卡片内码")}));
    EXPECT_TRUE(history[3].startsWith(
        QStringLiteral("批量发行|FA11FA11||2027年07月07日|||1,2,3,4,5,6,7,8|未保存：")));
    EXPECT_TRUE(history[3].contains(QStringLiteral("database or disk is full")));
    EXPECT_EQ(history[4],
              QStringLiteral("卡片延期|9F0832A5|2030年06月15日|2031年01月31日||已启用|1|已保存"));
    EXPECT_EQ(selectTexts(QStringLiteral("select distinct 操作员 || ' ' || 操作时间 from CardLog")),
              QStringList{QStringLiteral("张管理 2024-03-05 09:00:00")});
    UserName.clear();
}

TEST_F(CardTabTest, ACardLaidBeforeTheStartSavesNothing)
{
    TForm1 &f = *main;
    click(cardTab(&f).btn12);
    type(cardTab(&f).edt11, QStringLiteral("李四"));
    layCard(QStringLiteral("11112222"), QDate(2025, 1, 1), 1);
    EXPECT_EQ(f.wtxt->text(), t::ReadNormal);
    EXPECT_TRUE(cardTab(&f).rb1->isChecked());
    EXPECT_EQ(cardTab(&f).tab->ownerRecords()->state(), Query::Insert);
    EXPECT_EQ(records(QStringLiteral("卡片内码")), QStringList());
}

TEST_F(CardTabTest, BatchOfCardsWithADuplicateAndNumbersPastTenThousand)
{
    execSql(QStringLiteral("insert into CZdata(车辆编号,卡片内码,卡片有效期限) values "
                           "(9999,'0000AAAA','2015年05月09日')"));
    TForm1 &f = *main;
    click(cardTab(&f).btn14);
    EXPECT_TRUE(cardTab(&f).rb2->isChecked());
    EXPECT_FALSE(cardTab(&f).rb1->isEnabled());
    EXPECT_EQ(cardTab(&f).edt9->text(), QStringLiteral("10000"));
    EXPECT_EQ(f.wtxt->text(), t::BatchPrompt);
    click(cardTab(&f).edt15);
    pick(QDate(2026, 12, 31));
    click(cardTab(&f).btn11);
    EXPECT_EQ(f.wtxt->text(), t::AllSelected);
    EXPECT_TRUE(cardTab(&f).btn3->isEnabled());
    expectBox();
    click(cardTab(&f).btn3);
    EXPECT_EQ(pty.receive(15), IssueFrame(QDate(2026, 12, 31), 255));
    EXPECT_EQ(f.wtxt->text(), t::BatchStarted);

    layCard(QStringLiteral("B0000001"), QDate(2026, 12, 31), 255);
    EXPECT_EQ(f.wtxt->text(), t::BatchSaved);
    EXPECT_EQ(cardTab(&f).edt9->text(), QStringLiteral("10001"));
    layCard(QStringLiteral("B0000002"), QDate(2026, 12, 31), 255);
    // The same card again: reported with its stored validity, nothing saved, the batch goes on.
    expectBox();
    expectBox();
    layCard(QStringLiteral("0000AAAA"), QDate(2026, 12, 31), 255);
    EXPECT_EQ(
        shownTexts().mid(shownTexts().size() - 2),
        (QStringList{t::DuplicateCard.arg(QStringLiteral("2015年05月09日")), t::BatchContinue}));
    EXPECT_NE(f.wtxt->text(), t::BatchSaved);
    EXPECT_EQ(cardTab(&f).edt9->text(), QStringLiteral("10002"));
    EXPECT_TRUE(cardTab(&f).rb2->isChecked());
    layCard(QStringLiteral("B0000003"), QDate(2026, 12, 31), 255);
    EXPECT_EQ(cardTab(&f).edt1->text(), QStringLiteral("1"));
    EXPECT_EQ(cardTab(&f).edt2->text(), QStringLiteral("4"));
    // A batch writes no frame between its cards.
    EXPECT_EQ(pty.receive(1), QByteArray());

    click(cardTab(&f).btn4);
    EXPECT_EQ(pty.receive(12), readModeFrame());
    EXPECT_EQ(f.wtxt->text(), t::IssueEnded);
    EXPECT_EQ(records(QStringLiteral("车辆编号,卡片内码,卡片有效期限,汽车类型")),
              (QStringList{QStringLiteral("9999|0000AAAA|2015年05月09日|小汽车"),
                           QStringLiteral("10000|B0000001|2026年12月31日|小汽车"),
                           QStringLiteral("10001|B0000002|2026年12月31日|小汽车"),
                           QStringLiteral("10002|B0000003|2026年12月31日|小汽车")}));
    EXPECT_EQ(cardTab(&f).edt1->text(), QStringLiteral("0"));
    EXPECT_EQ(cardTab(&f).edt2->text(), QStringLiteral("0"));
    EXPECT_EQ(cardTab(&f).RzMemo2->lineCount(), 0);
}

TEST_F(CardTabTest, BatchOfAHundredCardsGetsAHundredConsecutiveRecords)
{
    TForm1 &f = *main;
    click(cardTab(&f).btn14);
    click(cardTab(&f).edt15);
    pick(QDate(2028, 2, 29));
    click(cardTab(&f).btn11);
    expectBox();
    click(cardTab(&f).btn3);
    for (int i = 0; i < 100; ++i)
        layCard(QStringLiteral("D%1").arg(i, 7, 10, QLatin1Char('0')), QDate(2028, 2, 29), 255);
    EXPECT_EQ(f.wtxt->text(), t::BatchSaved);
    EXPECT_EQ(cardTab(&f).edt9->text(), QStringLiteral("1101"));
    click(cardTab(&f).btn4);
    const QStringList rows = records(QStringLiteral("车辆编号,卡片内码,卡片有效期限"));
    ASSERT_EQ(rows.size(), 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(
            rows[i],
            QStringLiteral("%1|D%2|2028年02月29日").arg(1001 + i).arg(i, 7, 10, QLatin1Char('0')));
}

TEST_F(CardTabTest, BatchCarriesEachCardsGroupsToTheNextCard)
{
    TForm1 &f = *main;
    click(cardTab(&f).btn14);
    click(cardTab(&f).edt15);
    pick(QDate(2027, 1, 1));
    click(cardTab(&f).chk1);
    expectBox();
    click(cardTab(&f).btn3);
    layCard(QStringLiteral("C0000001"), QDate(2027, 1, 1), 44);
    // btn14 for the next record cleared the boxes again; the bits of the card went to the save.
    EXPECT_EQ(records(QStringLiteral("卡片内码")), QStringList{QStringLiteral("C0000001")});
    EXPECT_EQ(cardTab(&f).edt8->text(), QStringLiteral("44"));
    EXPECT_EQ(cardTab(&f).chklst1->item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(cardTab(&f).chklst1->item(3)->checkState(), Qt::Checked);
    EXPECT_EQ(cardTab(&f).chklst1->item(5)->checkState(), Qt::Checked);
}

TEST_F(CardTabTest, ExtensionSavesWhatTheIssuerWroteOntoTheLaidCard)
{
    // The issuer writes whatever card lies on it: the record follows that card, unless the card
    // belongs to another record, which keeps it (the duplicate path tells the operator).
    const struct
    {
        const char *name;
        QString laid;
        QString record;    // the extended record afterwards
        QString other;     // the other record afterwards
        QString box;       // the last message
        QString pane;      // the status line
        QByteArray frames; // read-mode frames after the card
    } cases[] = {
        {"its own card", QStringLiteral("9F0832A5"),
         QStringLiteral("1001|9F0832A5|王五|2031年01月31日|已启用"),
         QStringLiteral("1002|5555AAAA|钱七|2016年01月01日|"), t::ExtendUpdatedBox, t::ExtendDone,
         readModeFrame() + readModeFrame()},
        {"a blank card", QStringLiteral("77778888"),
         QStringLiteral("1001|77778888|王五|2031年01月31日|已启用"),
         QStringLiteral("1002|5555AAAA|钱七|2016年01月01日|"), t::ExtendUpdatedBox,
         t::ExtendOtherCardPane.arg(QStringLiteral("77778888"), QStringLiteral("9F0832A5")),
         readModeFrame() + readModeFrame()},
        {"another owner's card", QStringLiteral("5555AAAA"),
         QStringLiteral("1001|9F0832A5|王五|2015年05月09日|"),
         QStringLiteral("1002|5555AAAA|钱七|2016年01月01日|"),
         t::DuplicateCard.arg(QStringLiteral("2016年01月01日")),
         t::ExtendOtherRecordPane.arg(QStringLiteral("5555AAAA")), readModeFrame()},
    };
    for (const auto &c : cases) {
        execSql(QStringLiteral("delete from CZdata"));
        execSql(QStringLiteral("insert into CZdata(车辆编号,卡片内码,车主姓名,卡片有效期限) values "
                               "(1001,'9F0832A5','王五','2015年05月09日'),"
                               "(1002,'5555AAAA','钱七','2016年01月01日')"));
        TForm1 &f = *main;
        // What a lookup that found the card leaves behind.
        cards::openCardLookup(cardTab(&f).tab->ownerRecords(), QStringLiteral("9F0832A5"));
        cardTab(&f).btn13->setEnabled(true);
        click(cardTab(&f).btn13);
        EXPECT_EQ(f.wtxt->text(), t::ExtendPrompt) << c.name;
        EXPECT_EQ(cardTab(&f).edt11->text(), QStringLiteral("王五"));
        pick(QDate(2031, 1, 31));
        click(cardTab(&f).chk1);
        ASSERT_TRUE(cardTab(&f).btn3->isEnabled());
        expectBox();
        click(cardTab(&f).btn3);
        EXPECT_EQ(pty.receive(15), IssueFrame(QDate(2031, 1, 31), 1));
        expectBox();
        layCard(c.laid, QDate(2031, 1, 31), 1);
        EXPECT_EQ(lastShown().text, c.box) << c.name;
        EXPECT_EQ(f.wtxt->text(), c.pane) << c.name;
        EXPECT_EQ(pty.receive(24), c.frames) << c.name;
        EXPECT_NE(cardTab(main.get()).tab->issueSession().mode(),
                  cards::IssueSession::Mode::Extension);
        EXPECT_FALSE(cardTab(main.get()).tab->issueSession().open());
        EXPECT_EQ(records(QStringLiteral("车辆编号,卡片内码,车主姓名,卡片有效期限,卡片状态")),
                  (QStringList{c.record, c.other}))
            << c.name;
    }
}

TEST_F(CardTabTest, SingleIssueOfARegisteredCardReportsItAndEndsUnsaved)
{
    execSql(QStringLiteral("insert into CZdata(车辆编号,卡片内码,卡片有效期限) values "
                           "(1001,'9F0832A5','2015年05月09日')"));
    TForm1 &f = *main;
    click(cardTab(&f).btn12);
    type(cardTab(&f).edt11, QStringLiteral("赵六"));
    click(cardTab(&f).edt15);
    pick(QDate(2029, 2, 28));
    click(cardTab(&f).chk2);
    expectBox();
    click(cardTab(&f).btn3);
    pty.receive(15);
    expectBox();
    layCard(QStringLiteral("9F0832A5"), QDate(2029, 2, 28), 2);
    EXPECT_EQ(shownTexts().last(), t::DuplicateCard.arg(QStringLiteral("2015年05月09日")));
    EXPECT_EQ(pty.receive(12), readModeFrame());
    EXPECT_FALSE(cardTab(main.get()).tab->issueSession().open());
    EXPECT_FALSE(cardTab(main.get()).tab->issueSession().started());
    EXPECT_FALSE(cardTab(&f).rb1->isChecked());
    EXPECT_NE(f.wtxt->text(), t::SingleSaved);
    EXPECT_EQ(records(QStringLiteral("车辆编号,卡片内码,车主姓名")),
              QStringList{QStringLiteral("1001|9F0832A5|<null>")});
}

TEST_F(CardTabTest, ACardAnsweredInLowerCaseIsTheRegisteredCard)
{
    // The issuer may answer in lower case: the card is still the one in the archive.
    execSql(QStringLiteral("insert into CZdata(车辆编号,卡片内码,卡片有效期限) values "
                           "(1001,'9F0832A5','2015年05月09日')"));
    const QDate validity(2029, 2, 28);
    startBatch(validity);
    expectBox();
    expectBox();
    pty.send(cardReply(QStringLiteral("9F0832A5"), validity, 255).toLower());
    QTRY_COMPARE(cardTab(main.get()).edt2->text(), QStringLiteral("1"));
    EXPECT_EQ(
        shownTexts().mid(shownTexts().size() - 2),
        (QStringList{t::DuplicateCard.arg(QStringLiteral("2015年05月09日")), t::BatchContinue}));
    EXPECT_EQ(records(QStringLiteral("车辆编号,卡片内码")),
              QStringList{QStringLiteral("1001|9F0832A5")});
}

TEST_F(CardTabTest, ALastRecordWithoutNumberKeepsTheModeFromStarting)
{
    execSql(QStringLiteral("insert into CZdata(车辆编号,卡片内码) values (null,'AAAA0001')"));
    TForm1 &f = *main;
    expectBox();
    click(cardTab(&f).btn12);
    EXPECT_EQ(shownTexts(), QStringList{t::NullVehicleNumber});
    EXPECT_FALSE(cardTab(&f).rb1->isChecked());
    EXPECT_FALSE(cardTab(main.get()).tab->issueSession().open());
    EXPECT_EQ(pty.receive(12), readModeFrame());
    EXPECT_EQ(records(QStringLiteral("车辆编号,卡片内码")),
              QStringList{QStringLiteral("<null>|AAAA0001")});
}

TEST_F(CardTabTest, EnterChainPromptsAndChecks)
{
    TForm1 &f = *main;
    // Without a mode every key in an owner field asks for one.
    expectBox();
    expectBox();
    type(cardTab(&f).edt11, QStringLiteral("ab"));
    EXPECT_EQ(shownTexts(), (QStringList{t::NameNoMode, t::NameNoMode}));
    EXPECT_EQ(cardTab(&f).edt11->text(), QString()); // no record to type into

    click(cardTab(&f).btn12);
    Dialogs::clearShown();
    // Enter in an empty field only repeats the prompt.
    cardTab(&f).edt11->setFocus();
    enter(cardTab(&f).edt11);
    EXPECT_EQ(focused(), static_cast<QWidget *>(cardTab(&f).edt11));
    EXPECT_EQ(f.wtxt->text(), t::NamePrompt);
    // Past the byte limit: typing stops at 15 bytes, a paste is cut at a whole character.
    type(cardTab(&f).edt11, QStringLiteral("一二三四五六七八"));
    EXPECT_EQ(cardTab(&f).edt11->text(), QStringLiteral("一二三四五六七"));
    cardTab(&f).edt11->clear();
    QApplication::clipboard()->setText(QStringLiteral("AB一二三四五六七八"));
    cardTab(&f).edt11->paste();
    EXPECT_EQ(cardTab(&f).edt11->text(), QStringLiteral("AB一二三四五六"));
    enter(cardTab(&f).edt11);
    EXPECT_EQ(focused(), static_cast<QWidget *>(cardTab(&f).edt12));
    EXPECT_EQ(f.wtxt->text(), t::NameDone);

    // The mobile number: letters are dropped, ten digits are short, eleven move on.
    const struct
    {
        const char *typed;
        const char *shown;
        bool movesOn;
    } mobiles[] = {{"1a3b8", "138", false},
                   {"1381234567", "1381234567", false},
                   {"13812345678", "13812345678", true}};
    for (const auto &m : mobiles) {
        cardTab(&f).edt13->clear();
        type(cardTab(&f).edt13, QString::fromLatin1(m.typed));
        EXPECT_EQ(cardTab(&f).edt13->text(), QString::fromLatin1(m.shown));
        if (!m.movesOn)
            expectBox();
        enter(cardTab(&f).edt13);
        EXPECT_EQ(focused() == cardTab(&f).edt14, m.movesOn) << m.typed;
        if (!m.movesOn) {
            EXPECT_EQ(lastShown().text, t::MobileShort);
        }
    }
    // Each field's prompt on its keys, and the status after Enter moved on.
    const struct
    {
        QLineEdit *field;
        QString prompt;
        QWidget *next;
        QString after;
    } chain[] = {
        {cardTab(&f).edt12, t::PlatePrompt, cardTab(&f).DBcbb3, t::PlateDone},
        {cardTab(&f).edt14, t::VehiclePrompt, cardTab(&f).edt16, t::VehicleDone},
        {cardTab(&f).edt16, t::SpacePrompt, cardTab(&f).edt20, t::AddressPrompt},
        {cardTab(&f).edt20, t::AddressPrompt, cardTab(&f).dtp1, t::ValidityPrompt},
    };
    for (const auto &c : chain) {
        type(c.field, QStringLiteral("x"));
        EXPECT_EQ(f.wtxt->text(), c.prompt);
        enter(c.field);
        EXPECT_EQ(focused(), c.next);
        EXPECT_EQ(f.wtxt->text(), c.after);
    }
    EXPECT_TRUE(cardTab(&f).dtp1->isVisible());
}

TEST_F(CardTabTest, GateGroupsFollowTheBoxes)
{
    TForm1 &f = *main;
    // Select all with nothing to issue is refused.
    expectBox();
    cardTab(&f).btn11->setEnabled(true);
    click(cardTab(&f).btn11);
    EXPECT_EQ(shownTexts(), QStringList{t::SelectAllRefused});
    EXPECT_FALSE(cardTab(&f).chk1->isChecked());

    click(cardTab(&f).btn12);
    click(cardTab(&f).edt15);
    pick(QDate(2028, 8, 8));
    click(cardTab(&f).chk1);
    click(cardTab(&f).chk2);
    click(cardTab(&f).chk2);
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("设置ID2无效."));
    EXPECT_FALSE(cardTab(&f).btn3->isEnabled()); // unchecking any box disables the start
    click(cardTab(&f).chk4);
    expectBox();
    click(cardTab(&f).btn3);
    EXPECT_EQ(cardTab(main.get()).tab->issueSession().groupMask(), 9);
    EXPECT_EQ(pty.receive(15), IssueFrame(QDate(2028, 8, 8), 9));
    click(cardTab(&f).btn15);
    EXPECT_EQ(f.wtxt->text(), t::AllCancelled);
    EXPECT_FALSE(cardTab(&f).btn3->isEnabled());
    EXPECT_EQ(cardTab(main.get()).tab->issueSession().groupMask(), 0);
    // The second start without any card read warns.
    click(cardTab(&f).chk8);
    expectBox();
    expectBox();
    click(cardTab(&f).btn3);
    EXPECT_EQ(shownTexts().mid(shownTexts().size() - 2),
              (QStringList{t::NoReplyBox, t::CommandSent}));
    EXPECT_EQ(pty.receive(15), IssueFrame(QDate(2028, 8, 8), 128));
}

TEST_F(CardTabTest, ShowingTheTabAgainEndsAnActiveMode)
{
    TForm1 &f = *main;
    click(cardTab(&f).btn14);
    ASSERT_TRUE(cardTab(main.get()).tab->issueSession().open());
    f.rzpgcntrlrzpcrl1->setCurrentWidget(f.rztbshtTabSheet1);
    f.rzpgcntrlrzpcrl1->setCurrentWidget(f.rztbshtTabSheet3);
    EXPECT_EQ(pty.receive(12), readModeFrame());
    EXPECT_FALSE(cardTab(main.get()).tab->issueSession().open());
    EXPECT_FALSE(cardTab(&f).rb2->isChecked());
    EXPECT_EQ(f.wtxt->text(), texts::shell::CardTabAdmin);
    // Idle: showing the tab sends nothing.
    f.rzpgcntrlrzpcrl1->setCurrentWidget(f.rztbshtTabSheet1);
    f.rzpgcntrlrzpcrl1->setCurrentWidget(f.rztbshtTabSheet3);
    EXPECT_EQ(pty.receive(1), QByteArray());
}

TEST_F(CardTabTest, StartIssuingFlushesThePortEvenWhenRefused)
{
    // A reply waiting in the port's buffer when 开始发行 is pressed is gone afterwards.
    issuer::ShortTimings slowRead{600, 1};
    cardTab(main.get()).btn3->setEnabled(true);
    pty.send(cardReply(QStringLiteral("DEAD0001"), QDate(2030, 1, 1), 1));
    QTest::qWait(50); // the receive handler is in its first pause
    expectBox();
    click(cardTab(main.get()).btn3);
    EXPECT_EQ(lastShown().text, t::StartRefused);
    layCard(QStringLiteral("BEEF0002"), QDate(2030, 1, 1), 1);
    EXPECT_EQ(cardTab(main.get()).edt2->text(), QStringLiteral("1"));
    EXPECT_EQ(cardTab(main.get()).edt10->text(), QStringLiteral("BEEF0002"));
}

TEST_F(CardTabTest, TheHighlightedPickersCalendarKeepsItsOwnColours)
{
    TForm1 &f = *main;
    click(cardTab(&f).btn14);
    click(cardTab(&f).edt15);
    ASSERT_TRUE(cardTab(&f).dtp1->isVisible());
    const QColor yellow(Qt::yellow);
    const QImage field = cardTab(&f).dtp1->grab().toImage();
    EXPECT_EQ(field.pixelColor(field.width() / 4, field.height() / 2), yellow);
    QWidget *header = cardTab(&f).dtp1->calendarWidget()->findChild<QWidget *>(
        QStringLiteral("qt_calendar_navigationbar"));
    ASSERT_NE(header, nullptr);
    header->ensurePolished();
    const QImage headerImage = header->grab().toImage();
    EXPECT_NE(headerImage.pixelColor(2, 2), yellow);
}

TEST_F(CardTabTest, EnterPressesTheFocusedButton)
{
    TForm1 &f = *main;
    cardTab(&f).btn12->setFocus();
    ASSERT_TRUE(cardTab(&f).btn12->hasFocus());
    QTest::keyClick(cardTab(&f).btn12, Qt::Key_Return);
    EXPECT_TRUE(cardTab(&f).rb1->isChecked());
    EXPECT_EQ(cardTab(&f).edt9->text(), QStringLiteral("1001"));
    // The keypad's Enter as well; 返回 sends the read-mode frame.
    cardTab(&f).btn25->setFocus();
    QTest::keyClick(cardTab(&f).btn25, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(cardTab(&f).rb1->isChecked());
    EXPECT_EQ(pty.receive(12), readModeFrame());
    // A disabled button stays unpressed.
    cardTab(&f).btn3->setEnabled(false);
    QTest::keyClick(cardTab(&f).btn3, Qt::Key_Return);
    EXPECT_EQ(cardTab(&f).edt1->text(), QStringLiteral("0"));
}

TEST_F(CardTabTest, CardReadWhileIdleOnlyShowsTheCard)
{
    TForm1 &f = *main;
    layCard(QStringLiteral("ABCDEF01"), QDate(2033, 3, 3), 5);
    EXPECT_EQ(cardTab(&f).edt10->text(), QStringLiteral("ABCDEF01"));
    EXPECT_EQ(cardTab(&f).edt17->text(), QStringLiteral("ABCDEF01"));
    EXPECT_EQ(cardTab(&f).edt15->text(), QStringLiteral("2033年03月03日"));
    EXPECT_EQ(f.wtxt->text(), t::ReadNormal);
    EXPECT_TRUE(cardTab(&f).chklst1->isVisible());
    // A card-number-only reply gives the whole code.
    pty.send("12AB34CD\r\n");
    QTRY_COMPARE(cardTab(&f).edt2->text(), QStringLiteral("2"));
    EXPECT_EQ(cardTab(&f).edt10->text(), QStringLiteral("12AB34CD"));
    EXPECT_EQ(Form7->edt1->text(), QStringLiteral("12AB34CD"));
    EXPECT_EQ(cardTab(&f).edt15->text(), QString());
    EXPECT_EQ(records(QStringLiteral("卡片内码")), QStringList());
}

TEST_F(CardTabTest, TheCardMemoKeepsTheNewestLineWhenItIsEmptied)
{
    TForm1 &f = *main;
    for (int i = 0; i < 3001; ++i)
        cardTab(&f).RzMemo2->addLine(QStringLiteral("old"));
    cardTab(&f).edt8->setText(QStringLiteral("255"));
    // As the receive path hands on a card read: its line first, then the read.
    const issuer::CardRead read{QStringLiteral("0A0B0C0D"), QStringLiteral("2030年01月01日"),
                                QStringLiteral("255"),
                                QStringLiteral("卡片内码:0A0B0C0D   有效期：2030年01月01日")};
    cardTab(&f).tab->cardRead(read);
    EXPECT_EQ(cardTab(&f).RzMemo2->lineCount(), 1);
    EXPECT_EQ(cardTab(&f).edt10->text(), QStringLiteral("0A0B0C0D"));
    EXPECT_EQ(cardTab(&f).shp4->color(), colors::Green);
}

TEST_F(CardTabTest, DatePickerOnlyOffersTheYearsACardCarries)
{
    TForm1 &f = *main;
    EXPECT_EQ(cardTab(&f).dtp1->minimumDate(), QDate(2000, 1, 1));
    EXPECT_EQ(cardTab(&f).dtp1->maximumDate(), QDate(2099, 12, 31));
    click(cardTab(&f).btn12);
    click(cardTab(&f).edt15);
    pick(QDate(2100, 1, 1));
    EXPECT_EQ(cardTab(&f).edt15->text(), QStringLiteral("2099年12月31日"));
    QTest::keyClick(cardTab(&f).dtp1, Qt::Key_1);
    EXPECT_EQ(f.wtxt->text(), t::DateKey);
}

TEST_F(CardTabTest, CardsLaidCloseTogetherInABatchEachGetTheirRecord)
{
    // Replies that reach the port within one notification's pauses come in one read.
    const QDate validity(2029, 9, 30);
    startBatch(validity);
    pty.send(cardReply(QStringLiteral("E0000001"), validity, 255) +
             cardReply(QStringLiteral("E0000002"), validity, 255) +
             cardReply(QStringLiteral("E0000003"), validity, 255));
    QTRY_COMPARE(cardTab(main.get()).edt2->text(), QStringLiteral("3"));
    EXPECT_EQ(main->wtxt->text(), t::BatchSaved);

    // Two cards laid while the duplicate-card message is open are both kept.
    execSql(QStringLiteral("insert into CZdata(车辆编号,卡片内码,卡片有效期限) values "
                           "(9000,'0000AAAA','2015年05月09日')"));
    bool laid = false;
    Dialogs::setShowHook([&](const Dialogs::Shown &shown) {
        if (laid || !shown.text.startsWith(QStringLiteral("此卡片已注册")))
            return;
        laid = true;
        pty.send(cardReply(QStringLiteral("E0000004"), validity, 255));
        QTest::qWait(20);
        pty.send(cardReply(QStringLiteral("E0000005"), validity, 255));
        QTest::qWait(50);
    });
    expectBox();
    expectBox();
    pty.send(cardReply(QStringLiteral("0000AAAA"), validity, 255));
    QTRY_COMPARE(cardTab(main.get()).edt2->text(), QStringLiteral("6"));
    Dialogs::setShowHook({});
    EXPECT_TRUE(laid);
    EXPECT_EQ(records(QStringLiteral("车辆编号,卡片内码")),
              (QStringList{QStringLiteral("1001|E0000001"), QStringLiteral("1002|E0000002"),
                           QStringLiteral("1003|E0000003"), QStringLiteral("9000|0000AAAA"),
                           QStringLiteral("9001|E0000004"), QStringLiteral("9002|E0000005")}));
    EXPECT_EQ(pty.receive(1), QByteArray()); // the batch went on without a frame
}

TEST_F(CardTabTest, ARecordThatCannotBeSavedEndsTheBatchAndNamesTheCard)
{
    // The archive refuses one card's record as a full disk would.
    execSql(QStringLiteral("create trigger refuse before insert on CZdata when "
                           "new.卡片内码 = 'FA11FA11' begin "
                           "select raise(abort, 'database or disk is full'); end"));
    const QDate validity(2027, 7, 7);
    startBatch(validity);
    layCard(QStringLiteral("B0000001"), validity, 255);
    expectBox();
    pty.send(cardReply(QStringLiteral("FA11FA11"), validity, 255));
    // The issuer is back in read mode, and the operator knows which card has no record.
    EXPECT_EQ(pty.receive(12), readModeFrame());
    QTRY_COMPARE(Dialogs::pendingAnswers(), 0);
    EXPECT_EQ(lastShown().text,
              t::WrittenUnsavedBox.arg(QStringLiteral("FA11FA11"),
                                       db::explained(QStringLiteral("database or disk is full"))));
    EXPECT_EQ(main->wtxt->text(), t::WrittenUnsavedPane.arg(QStringLiteral("FA11FA11")));
    EXPECT_FALSE(cardTab(main.get()).rb2->isChecked());
    EXPECT_FALSE(cardTab(main.get()).tab->issueSession().open());
    // A card laid now is only read.
    pty.send(cardReply(QStringLiteral("B0000003"), validity, 255));
    QTRY_COMPARE(cardTab(main.get()).edt10->text(), QStringLiteral("B0000003"));
    EXPECT_EQ(records(QStringLiteral("卡片内码")), QStringList{QStringLiteral("B0000001")});
    EXPECT_EQ(pty.receive(1), QByteArray());
}

TEST_F(CardTabTest, EveryRouteOutOfABatchPutsTheIssuerBackInReadMode)
{
    TForm1 &f = *main;
    auto clickTab = [&](QWidget *page) {
        QTabBar *bar = f.rzpgcntrlrzpcrl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->tabRect(f.rzpgcntrlrzpcrl1->indexOf(page)).center());
    };
    const struct
    {
        const char *name;
        std::function<void()> leave;
    } routes[] = {
        {"the archive window's exit button",
         [&] {
             Form7->show();
             click(Form7->btnExitCmd);
         }},
        {"the archive window's close box",
         [&] {
             Form7->show();
             Form7->close();
         }},
        {"the exit tab", [&] { clickTab(f.rztbshtTabSheet5); }},
        {"minimising", [&] { click(f.rzstspn1); }},
        {"re-login",
         [&] {
             clickTab(f.rztbshtTabSheet2);
             click(systemTab(&f).btnClose1);
         }},
    };
    const QDate validity(2028, 8, 8);
    for (const auto &r : routes) {
        f.showNormal();
        QApplication::setActiveWindow(&f);
        clickTab(f.rztbshtTabSheet3);
        startBatch(validity);
        r.leave();
        EXPECT_EQ(pty.receive(12), readModeFrame()) << r.name;
        EXPECT_FALSE(cardTab(&f).rb2->isChecked()) << r.name;
        EXPECT_FALSE(cardTab(main.get()).tab->issueSession().open()) << r.name;
        // The next card laid is not written by the issuer; if it is read, nothing is saved.
        layCard(QStringLiteral("C0FFEE01"), validity, 255);
        EXPECT_EQ(records(QStringLiteral("卡片内码")), QStringList()) << r.name;
    }
}

class OperatorCardTabTest : public testsupport::WindowsTest
{
protected:
    OperatorCardTabTest()
        : WindowsTest({})
    {}
};

TEST_F(OperatorCardTabTest, ANonAdministratorGetsNoIssuing)
{
    UserType = QStringLiteral("操作员");
    TForm1 &f = *main;
    f.show();
    expectBox();
    f.rzpgcntrlrzpcrl1->setCurrentWidget(f.rztbshtTabSheet3);
    EXPECT_EQ(shownTexts(), QStringList{texts::shell::NoRights});
    EXPECT_EQ(f.wtxt->text(), texts::shell::NoRights);
    for (QWidget *w :
         std::initializer_list<QWidget *>{cardTab(&f).rz2, cardTab(&f).rz3, cardTab(&f).rz5,
                                          cardTab(&f).btn25, cardTab(&f).lbl13})
        EXPECT_FALSE(w->isEnabled());
}

} // namespace
