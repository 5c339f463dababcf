// Loss, unloss, initialisation and the lookups of the card tab, driven with clicks and keys
// against the simulated issuer in process (entered in the port map as COM3).
#include "archive/tform7.h"
#include "cards/issuesession.h"
#include "cards/texts.h"
#include "cardtabfixture.h"
#include "cardtabview.h"
#include "common/clock.h"
#include "common/globals.h"
#include "db/datafrm.h"
#include "issuer/frames.h"
#include "issuer/receivehandler.h"
#include "issuer/seriallink.h"
#include "issuer/timings.h"
#include "shell/forms.h"
#include "shell/texts.h"
#include "shell/tform1.h"
#include "shell/widgets.h"
#include "simulator.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <memory>

namespace t = texts::cards;

// Waits as QTRY_VERIFY does, failing the test visibly when the time runs out.
#define WAIT_FOR(condition)                                                                        \
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 10000)) << #condition

namespace {

class LossLookupTest : public CardTabFixture
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        ASSERT_TRUE(sim.start(dir.path(QStringLiteral("Ports")), 3))
            << sim.errorText().toStdString();
        // Read mode goes unanswered: an answer could share one read with the reply of the card
        // or token laid next, and the two together are no reply at all.
        sim.issuer().setModeStatus(QByteArray());
        openCardTab();
    }
    // ASCII as keys, other characters as the text of a key without a key code.
    void type(QWidget *w, const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(w, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    // Clicks into a field, empties it and types text.
    void retype(QLineEdit *field, const QString &text)
    {
        click(field);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        type(field, text);
    }
    // The user types the key into a query field and presses "查询".
    void lookUp(QLineEdit *field, const QString &key)
    {
        retype(field, key);
        click(cardTab(main.get()).btn18);
    }

    void seed(const QString &values)
    {
        execSql(
            QStringLiteral("insert into CZdata(车辆编号,卡片内码,车主姓名,车牌号码,卡片有效期限)"
                           " values ") +
            values);
    }
    // 卡片内码:卡片状态 of every record, by id.
    QStringList statuses()
    {
        Connection c;
        c.setDatabase(databasePath());
        Query q(&c);
        q.setSQL(QStringLiteral("select 卡片内码, 卡片状态, 卡片有效期限 from CZdata order by id"));
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.field(0).asString() + QLatin1Char(':') + q.field(1).asString() +
                       QLatin1Char(':') + q.field(2).asString();
        q.close();
        c.disconnect();
        return out;
    }
    QByteArray readMode() const { return ReadModeFrame(QStringLiteral("123456")); }
    // Waits until the issuer took `frames` frames, so that the next thing laid on it is read
    // in the mode they set.
    void settle(int frames) { WAIT_FOR(sim.issuer().frames().size() == frames); }
    // Waits for a card or token line of the card memo.
    void waitForRead(int reads) { WAIT_FOR(cardTab(main.get()).edt2->text().toInt() == reads); }

    issuer::ShortTimings shortTimings{1, 1};
    appclock::ScopedNow now{QDateTime(QDate(2024, 3, 5), QTime(9, 0))};
    IssuerSimulator sim{QStringLiteral("123456")};
};

// The archive of the loss cases: a card without "00", a card that shares its last six digits,
// and three codes that contain B2C3 with 00A1B2C3 the last of them.
const QString Archive = QStringLiteral(
    "(1001,'B2C30001','甲','京A1','2030年01月01日'),(1002,'12345678','乙','京A2','2030年01月01日'),"
    "(1003,'00345678','丙','京A3','2030年01月01日'),(1004,'77B2C3E0','丁','京A4','2030年01月01日'),"
    "(1005,'00A1B2C3','戊','京A5','2030年01月01日'),(1006,'00FF1234','己','京A6','2030年01月01日'"
    ")");

TEST_F(LossLookupTest, TheTokenConfirmsTheCardTheButtonWasPressedFor)
{
    const struct
    {
        const char *card;
        bool unloss;
        const char *deleteFirst; // a record removed before the token is read
        QByteArray frame;
        QString line;
        QStringList afterMessages; // boxes after the one that says the frame was sent
        const char *changed;       // the record whose status changes, if any
    } cases[] = {
        // 12345678 is confirmed as itself, not as 00345678 that the token's digits spell.
        {"12345678",
         false,
         nullptr,
         LossFrame(QStringLiteral("12345678")),
         QStringLiteral("状态: 挂失   卡号: 00345678\r"),
         {t::LossWritten},
         "12345678:已挂失"},
        {"00A1B2C3",
         false,
         nullptr,
         LossFrame(QStringLiteral("00A1B2C3")),
         QStringLiteral("状态: 挂失   卡号: 00A1B2C3\r"),
         {t::LossWritten},
         "00A1B2C3:已挂失"},
        // Three codes contain B2C3; only the card chosen is marked and shown.
        {"00A1B2C3",
         true,
         nullptr,
         UnlossFrame(QStringLiteral("00A1B2C3")),
         QStringLiteral("状态: 解挂   卡号: 00A1B2C3\r"),
         {t::UnlossWritten},
         "00A1B2C3:已解挂"},
        // The loss of 00FF1234 is the unloss frame of 1234: the token reports an unloss,
        // shown as the first card containing 1234, and confirms neither card.
        {"00FF1234",
         false,
         nullptr,
         LossFrame(QStringLiteral("00FF1234")),
         QStringLiteral("状态: 解挂   卡号: 12345678\r"),
         {t::CardCodeMismatch},
         nullptr},
        // The record went away meanwhile: nothing matches, nothing is written.
        {"77B2C3E0",
         true,
         "77B2C3E0",
         UnlossFrame(QStringLiteral("77B2C3E0")),
         QStringLiteral("状态: 解挂   卡号: \r"),
         {t::CardCodeEmpty},
         nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.card);
        execSql(QStringLiteral("delete from CZdata"));
        seed(Archive);
        const QStringList before = statuses();
        TForm1 &f = *main;
        Dialogs::clearShown();
        sim.issuer().clearFrames();
        lookUp(cardTab(&f).edt17, QString::fromLatin1(c.card));
        ASSERT_TRUE((c.unloss ? cardTab(&f).btn23 : cardTab(&f).btn22)->isEnabled());
        EXPECT_EQ(cardTab(&f).edt10->text(), QString::fromLatin1(c.card));
        expectBox(Dialogs::Yes);
        expectBox();
        click(c.unloss ? cardTab(&f).btn23 : cardTab(&f).btn22);
        EXPECT_EQ(shownTexts(), (QStringList{c.unloss ? t::UnlossQuestion : t::LossQuestion,
                                             c.unloss ? t::UnlossSent : t::LossSent}));
        EXPECT_EQ(Dialogs::shown().first().caption, c.unloss ? t::Unloss : t::Loss);
        EXPECT_FALSE(cardTab(&f).btn22->isEnabled());
        EXPECT_FALSE(cardTab(&f).btn23->isEnabled());
        WAIT_FOR(sim.issuer().frames() == QList<QByteArray>{c.frame});
        if (c.deleteFirst)
            execSql(QStringLiteral("delete from CZdata where 卡片内码='%1'").arg(c.deleteFirst));
        const QStringList seeded = statuses();

        for (int i = 0; i < c.afterMessages.size(); ++i)
            expectBox();
        settle(1);
        const int reads = cardTab(&f).edt2->text().toInt();
        sim.command(QStringLiteral("token"));
        waitForRead(reads + 1);
        WAIT_FOR(Dialogs::pendingAnswers() == 0);
        EXPECT_EQ(cardTab(&f).RzMemo2->lines().last(), c.line);
        EXPECT_EQ(shownTexts().mid(2), c.afterMessages);
        EXPECT_EQ(cardTab(main.get()).tab->issueSession().tokenPending(),
                  cards::IssueSession::Token::None);
        // The issuer goes back to read mode right after the token, confirmed or not.
        WAIT_FOR(sim.issuer().frames() == (QList<QByteArray>{c.frame, readMode()}));
        QStringList expected = seeded;
        if (c.changed) {
            const QString code = QString::fromUtf8(c.changed).left(8);
            for (QString &row : expected) {
                if (row.startsWith(code))
                    row.replace(QStringLiteral("::"), QStringLiteral(":") +
                                                          QString::fromUtf8(c.changed).mid(9) +
                                                          QStringLiteral(":"));
            }
            EXPECT_NE(expected, before);
            EXPECT_EQ(cardTab(&f).edt10->text(), code);
            EXPECT_EQ(Form7->edt1->text(), code);
        }
        EXPECT_EQ(statuses(), expected);
        cardTab(&f).btn25->click(); // back to idle for the next case
        WAIT_FOR(sim.issuer().frames().size() == 3);
        EXPECT_EQ(Dialogs::pendingAnswers(), 0);
    }
}

TEST_F(LossLookupTest, NoAtTheQuestionsSendsNothingAndClearsWhatWasPending)
{
    seed(Archive);
    TForm1 &f = *main;
    // An unloss is sent ...
    lookUp(cardTab(&f).edt17, QStringLiteral("00A1B2C3"));
    expectBox(Dialogs::Yes);
    expectBox();
    click(cardTab(&f).btn23);
    ASSERT_EQ(cardTab(main.get()).tab->issueSession().tokenPending(),
              cards::IssueSession::Token::Unloss);
    // ... then the loss of the same card is declined: the pending unloss goes too.
    lookUp(cardTab(&f).edt17, QStringLiteral("00A1B2C3"));
    expectBox(Dialogs::No);
    click(cardTab(&f).btn22);
    EXPECT_EQ(cardTab(main.get()).tab->issueSession().tokenPending(),
              cards::IssueSession::Token::None);
    EXPECT_FALSE(cardTab(&f).btn22->isEnabled());
    EXPECT_FALSE(cardTab(&f).btn23->isEnabled());
    lookUp(cardTab(&f).edt17, QStringLiteral("12345678"));
    expectBox(Dialogs::No);
    click(cardTab(&f).btn23);
    EXPECT_EQ(cardTab(main.get()).tab->issueSession().tokenPending(),
              cards::IssueSession::Token::None);
    // Initialisation declined.
    retype(cardTab(&f).edt17, QStringLiteral("12345678"));
    ASSERT_TRUE(cardTab(&f).btn27->isEnabled());
    expectBox(Dialogs::No);
    click(cardTab(&f).btn27);
    EXPECT_EQ(lastShown().caption, texts::shell::SystemPrompt);
    EXPECT_FALSE(cardTab(main.get()).tab->issueSession().initialisationPending());
    EXPECT_TRUE(cardTab(&f).btn27->isEnabled());

    // The token of the unloss sent first is now read like any token: nothing is recorded.
    const QStringList before = statuses();
    settle(1);
    const int reads = cardTab(&f).edt2->text().toInt();
    sim.command(QStringLiteral("token"));
    waitForRead(reads + 1);
    EXPECT_EQ(statuses(), before);
    // Only the unloss went out before the read mode of "返回".
    cardTab(&f).btn25->click();
    WAIT_FOR(sim.issuer().frames().size() == 2);
    EXPECT_EQ(sim.issuer().frames(),
              (QList<QByteArray>{UnlossFrame(QStringLiteral("00A1B2C3")), readMode()}));
}

TEST_F(LossLookupTest, LossRefusedWithoutAFullCardCode)
{
    seed(QStringLiteral("(1001,'A1B2','甲','京A1','2030年01月01日')"));
    TForm1 &f = *main;
    lookUp(cardTab(&f).edt19, QStringLiteral("甲"));
    EXPECT_EQ(cardTab(&f).edt10->text(), QStringLiteral("A1B2"));
    ASSERT_TRUE(cardTab(&f).btn22->isEnabled());
    for (QPushButton *b : {cardTab(&f).btn22, cardTab(&f).btn23}) {
        expectBox();
        b->setEnabled(true);
        click(b);
        EXPECT_EQ(lastShown().text, t::CardCodeEmpty);
    }
    EXPECT_EQ(cardTab(main.get()).tab->issueSession().tokenPending(),
              cards::IssueSession::Token::None);
    cardTab(&f).btn25->click();
    WAIT_FOR(sim.issuer().frames() == QList<QByteArray>{readMode()});
}

TEST_F(LossLookupTest, InitialisationMarksTheCardReadOrSaysItIsNotRegistered)
{
    seed(QStringLiteral("(1001,'00000003','甲','京A1','2030年01月01日'),"
                        "(1002,'CAFE0003','乙','京A2','2030年01月01日'),"
                        "(1003,'12345678','丙','京A3','2030年01月01日')"));
    TForm1 &f = *main;
    const struct
    {
        const char *card;
        QString message;
        QStringList archive;
    } cases[] = {
        // 00000003 is all digits: a containing lookup would also take the record with id 3.
        {"00000003",
         t::InitDone,
         {"00000003:初始化:2000年00月00日", "CAFE0003::2030年01月01日",
          "12345678::2030年01月01日"}},
        {"0BADF00D",
         t::InitUnregistered,
         {"00000003:初始化:2000年00月00日", "CAFE0003::2030年01月01日",
          "12345678::2030年01月01日"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.card);
        sim.issuer().clearFrames();
        retype(cardTab(&f).edt17, QStringLiteral("12345678"));
        ASSERT_TRUE(cardTab(&f).btn27->isEnabled());
        expectBox(Dialogs::Yes);
        expectBox();
        click(cardTab(&f).btn27);
        EXPECT_EQ(lastShown().text, t::InitSentBox);
        EXPECT_EQ(f.wtxt->text(), t::InitSentPane);
        EXPECT_FALSE(cardTab(&f).btn27->isEnabled());
        WAIT_FOR(sim.issuer().frames() == QList<QByteArray>{ValidityInitFrame()});
        expectBox();
        settle(1);
        const int reads = cardTab(&f).edt2->text().toInt();
        sim.command(QStringLiteral("card ") + QString::fromLatin1(c.card));
        waitForRead(reads + 1);
        EXPECT_EQ(lastShown().text, c.message);
        EXPECT_FALSE(cardTab(main.get()).tab->issueSession().initialisationPending());
        WAIT_FOR(sim.issuer().frames() == (QList<QByteArray>{ValidityInitFrame(), readMode()}));
        EXPECT_EQ(statuses(), c.archive);
    }
}

TEST_F(LossLookupTest, LossUnlossAndInitialisationLeaveTheirHistory)
{
    seed(Archive);
    execSql(QStringLiteral("delete from CardLog")); // the seed's own rows
    TForm1 &f = *main;
    const QString card = QStringLiteral("12345678");
    auto token = [&](QPushButton *button) {
        lookUp(cardTab(&f).edt17, card);
        expectBox(Dialogs::Yes);
        expectBox();
        sim.issuer().clearFrames();
        click(button);
        settle(1);
        expectBox();
        const int reads = cardTab(&f).edt2->text().toInt();
        sim.command(QStringLiteral("token"));
        waitForRead(reads + 1);
        WAIT_FOR(Dialogs::pendingAnswers() == 0);
        cardTab(&f).btn25->click();
        // The frame, read mode after the token and read mode again for 返回.
        WAIT_FOR(sim.issuer().frames().size() == 3);
    };
    token(cardTab(&f).btn22);
    token(cardTab(&f).btn23);
    retype(cardTab(&f).edt17, card);
    expectBox(Dialogs::Yes);
    expectBox();
    sim.issuer().clearFrames();
    click(cardTab(&f).btn27);
    settle(1);
    expectBox();
    const int reads = cardTab(&f).edt2->text().toInt();
    sim.command(QStringLiteral("card ") + card);
    waitForRead(reads + 1);

    EXPECT_EQ(cardHistory(),
              (QStringList{
                  QStringLiteral("卡片挂失|12345678|2030年01月01日|2030年01月01日||已挂失||已保存"),
                  QStringLiteral("卡片解挂|12345678|2030年01月01日|2030年01月01日|已挂失|已解挂||"
                                 "已保存"),
                  QStringLiteral("卡片初始化|12345678|2030年01月01日|2000年00月00日|已解挂|初始化||"
                                 "已保存")}));
}

TEST_F(LossLookupTest, EndingIssuingOrEnteringAModeDropsAPendingInitialisation)
{
    seed(QStringLiteral("(1001,'12345678','甲','京A1','2030年01月01日')"));
    TForm1 &f = *main;
    for (QPushButton *leave : {cardTab(&f).btn4, cardTab(&f).btn12}) {
        retype(cardTab(&f).edt17, QStringLiteral("12345678"));
        expectBox(Dialogs::Yes);
        expectBox();
        click(cardTab(&f).btn27);
        ASSERT_TRUE(cardTab(main.get()).tab->issueSession().initialisationPending());
        click(leave);
        EXPECT_FALSE(cardTab(main.get()).tab->issueSession().initialisationPending());
    }
    // In single issue now: the card read is that issue's, the record keeps its state.
    const int reads = cardTab(&f).edt2->text().toInt();
    settle(3);
    sim.command(QStringLiteral("card 12345678"));
    waitForRead(reads + 1);
    EXPECT_EQ(cardTab(&f).edt10->text(), QStringLiteral("12345678"));
    EXPECT_EQ(statuses(), QStringList{QStringLiteral("12345678::2030年01月01日")});
    EXPECT_EQ(Dialogs::pendingAnswers(), 0);
}

TEST_F(LossLookupTest, ModeBusyRefusesLookupsWindowsAndInitialisation)
{
    TForm1 &f = *main;
    click(cardTab(&f).btn14); // batch issue
    ASSERT_TRUE(cardTab(&f).tab->modeSelected());
    cardTab(&f).btn18->setEnabled(true);
    for (QPushButton *b :
         {cardTab(&f).btn18, cardTab(&f).btn19, cardTab(&f).btn21, cardTab(&f).btn28}) {
        expectBox();
        click(b);
        EXPECT_EQ(lastShown().text, t::ModeBusy);
    }
    expectBox();
    cardTab(&f).btn27->setEnabled(true);
    click(cardTab(&f).btn27);
    EXPECT_EQ(lastShown().text, t::ModeBusy);
    EXPECT_FALSE(cardTab(main.get()).tab->issueSession().initialisationPending());
    EXPECT_FALSE(Form7->listsExpiring());
    EXPECT_FALSE(Form7->isVisible());
}

// The three query fields empty each other, and "查询" follows the field in use.
TEST_F(LossLookupTest, QueryFieldsCascade)
{
    TForm1 &f = *main;
    auto fields = [&f] {
        return QStringList{cardTab(&f).edt17->text(), cardTab(&f).edt18->text(),
                           cardTab(&f).edt19->text()};
    };
    EXPECT_EQ(fields(), (QStringList{t::ReadEntryStart, QString(), t::NameHint}));
    // Clicking into the card field empties the name, whose reaction empties the card field.
    click(cardTab(&f).edt17);
    EXPECT_EQ(fields(), (QStringList{QString(), QString(), QString()}));
    EXPECT_EQ(f.wtxt->text(), t::CardFieldPrompt);
    // Only hex digits are typed; "查询" and "卡片初始化" come with the eighth.
    type(cardTab(&f).edt17, QStringLiteral("12g34-5x6 7"));
    EXPECT_EQ(cardTab(&f).edt17->text(), QStringLiteral("1234567"));
    EXPECT_FALSE(cardTab(&f).btn18->isEnabled());
    type(cardTab(&f).edt17, QStringLiteral("c"));
    EXPECT_EQ(cardTab(&f).edt17->text(), QStringLiteral("1234567c"));
    EXPECT_TRUE(cardTab(&f).btn18->isEnabled());
    EXPECT_TRUE(cardTab(&f).btn27->isEnabled());
    QTest::keyClick(cardTab(&f).edt17, Qt::Key_Return); // Enter in the card field looks nothing up
    EXPECT_TRUE(Dialogs::shown().isEmpty());
    // Typing into the plate field without clicking it: the card field is emptied, and its
    // reaction empties the plate field being typed into.
    cardTab(&f).edt18->setFocus();
    type(cardTab(&f).edt18, QStringLiteral("京"));
    EXPECT_EQ(fields(), (QStringList{QString(), QString(), QString()}));
    EXPECT_FALSE(cardTab(&f).btn18->isEnabled());
    EXPECT_FALSE(cardTab(&f).btn27->isEnabled());
    // Clicking first avoids it.
    cardTab(&f).edt19->setFocus();
    click(cardTab(&f).edt18);
    EXPECT_EQ(f.wtxt->text(), t::PlateFieldPrompt);
    type(cardTab(&f).edt18, QStringLiteral("京A"));
    EXPECT_EQ(fields(), (QStringList{QString(), QStringLiteral("京A"), QString()}));
    EXPECT_TRUE(cardTab(&f).btn18->isEnabled());
    click(cardTab(&f).edt19);
    EXPECT_EQ(f.wtxt->text(), t::NameFieldPrompt);
    EXPECT_EQ(fields(), (QStringList{QString(), QString(), QString()}));
    type(cardTab(&f).edt19, QStringLiteral("张"));
    EXPECT_TRUE(cardTab(&f).btn18->isEnabled());
    // A card read writes the card field: the name goes, and its reaction empties the card
    // field again; the card shows in the owner fields.
    sim.command(QStringLiteral("card 0BADF00D"));
    waitForRead(1);
    EXPECT_EQ(fields(), (QStringList{QString(), QString(), QString()}));
    EXPECT_EQ(cardTab(&f).edt10->text(), QStringLiteral("0BADF00D"));
    EXPECT_FALSE(cardTab(&f).btn18->isEnabled());
    // With the other fields empty the card stays, and "查询" follows it.
    sim.command(QStringLiteral("card 0BADF00E"));
    waitForRead(2);
    EXPECT_EQ(fields(), (QStringList{QStringLiteral("0BADF00E"), QString(), QString()}));
    EXPECT_TRUE(cardTab(&f).btn18->isEnabled());
    EXPECT_TRUE(cardTab(&f).btn27->isEnabled());
    // All fields empty: "查询" says so and is disabled.
    click(cardTab(&f).edt18);
    ASSERT_EQ(fields(), (QStringList{QString(), QString(), QString()}));
    cardTab(&f).btn18->setEnabled(true);
    expectBox();
    click(cardTab(&f).btn18);
    EXPECT_EQ(lastShown().text, t::NoQuery);
    EXPECT_EQ(lastShown().caption, t::NoQueryCaption);
    EXPECT_EQ(lastShown().icon, Dialogs::Warning);
    EXPECT_FALSE(cardTab(&f).btn18->isEnabled());
}

// The lookup's outcomes by role, field and number of records found.
TEST_F(LossLookupTest, TheCardFieldTakesOnlyHexDigitsByEveryRoute)
{
    TForm1 &f = *main;
    // Characters from other keyboard layouts: full-width letters and digits, Chinese, symbols
    // (their key codes are not the hex keys').
    const struct
    {
        int key;
        QString text;
    } foreign[] = {{0xff21, QStringLiteral("Ａ")},
                   {0xff11, QStringLiteral("１")},
                   {Qt::Key_unknown, QStringLiteral("张")},
                   {Qt::Key_unknown, QStringLiteral("三")},
                   {0x20ac, QStringLiteral("€")}};
    click(cardTab(&f).edt17);
    for (const auto &k : foreign)
        QTest::sendKeyEvent(QTest::Click, cardTab(&f).edt17, Qt::Key(k.key), k.text,
                            Qt::NoModifier);
    type(cardTab(&f).edt17, QStringLiteral("2B000001"));
    EXPECT_EQ(cardTab(&f).edt17->text(), QStringLiteral("2B000001"));
    EXPECT_TRUE(cardTab(&f).btn18->isEnabled());

    // Pasting by key and by the context menu's action, and a drop, keep the digits only.
    const QString pasted = QStringLiteral("'%\"_;--张三ab12Ｃ\n34");
    auto emptied = [&] {
        cardTab(&f).edt17->setFocus();
        QTest::keyClick(cardTab(&f).edt17, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(cardTab(&f).edt17, Qt::Key_Backspace);
    };
    QApplication::clipboard()->setText(pasted);
    emptied();
    QTest::keyClick(cardTab(&f).edt17, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cardTab(&f).edt17->text(), QStringLiteral("ab1234"));
    EXPECT_FALSE(cardTab(&f).btn18->isEnabled());
    emptied();
    std::unique_ptr<QMenu> menu(cardTab(&f).edt17->createStandardContextMenu());
    bool pastedByMenu = false;
    for (QAction *a : menu->actions()) {
        if (a->text().contains(QLatin1String("&Paste")) && a->isEnabled()) {
            a->trigger();
            pastedByMenu = true;
        }
    }
    EXPECT_TRUE(pastedByMenu);
    EXPECT_EQ(cardTab(&f).edt17->text(), QStringLiteral("ab1234"));
    emptied();
    QMimeData mime;
    mime.setText(pasted);
    const QPoint at = cardTab(&f).edt17->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(cardTab(&f).edt17, &enter);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(cardTab(&f).edt17, &drop);
    EXPECT_EQ(cardTab(&f).edt17->text(), QStringLiteral("ab1234"));
}

TEST_F(LossLookupTest, LookupOutcomesByRoleFieldAndRows)
{
    // 00000003 is all digits: as a card key it also selects the record with id 3.
    seed(QStringLiteral("(1001,'00000003','王五','京A11111','2030年01月01日'),"
                        "(1002,'33AA44BB','王小六','京A22222','2030年01月01日'),"
                        "(1003,'55CC66DD','孙七','沪B33333','2030年01月01日')"));
    TForm1 &f = *main;
    enum Field { Card, Plate, Name };
    const QString keys[3][3] = {
        {QStringLiteral("FFFFFFFF"), QStringLiteral("55CC66DD"), QStringLiteral("00000003")},
        {QStringLiteral("粤C"), QStringLiteral("沪B"), QStringLiteral("京A")},
        {QStringLiteral("李"), QStringLiteral("孙七"), QStringLiteral("王")}};
    const QString firstCode[3] = {QString(), QStringLiteral("55CC66DD"),
                                  QStringLiteral("00000003")};
    // Buttons as "13 22 23 12 14"; every one is enabled before each lookup, so an unchanged
    // button reads 1.
    struct Outcome
    {
        QString message;
        QString pane; // "-": left as it was
        const char *buttons;
        bool edited; // the record is in edit state
    };
    auto outcome = [&](bool admin, Field field, int rows) -> Outcome {
        const bool found = rows > 0;
        switch (field) {
        case Card:
            if (!admin)
                return found ? Outcome{t::FoundOperator, t::OperatorLookup, "0 1 1 1 1", false}
                             : Outcome{t::NotFound, t::NotFoundOperatorPane, "0 1 1 1 1", false};
            return found ? Outcome{QString(), t::FoundCard, "1 1 1 0 0", true}
                         : Outcome{t::CardNotRegistered, t::NotFoundIssue, "0 1 1 1 1", true};
        case Plate:
            return found ? Outcome{QString(), t::FoundRecords, "1 1 1 0 0", true}
                         : Outcome{t::NotFound, t::NotFoundIssuePlate, "0 0 0 1 1", true};
        case Name:
            break;
        }
        return found ? Outcome{QString(), t::FoundRecords, "1 1 1 0 0", true}
                     : Outcome{t::NotFoundIssue, QStringLiteral("-"), "0 0 0 1 1", true};
    };
    for (const bool admin : {true, false}) {
        for (const Field field : {Card, Plate, Name}) {
            for (int rows = 0; rows < 3; ++rows) {
                SCOPED_TRACE(QStringLiteral("admin %1 field %2 rows %3")
                                 .arg(admin)
                                 .arg(field)
                                 .arg(rows)
                                 .toStdString());
                UserType = admin ? AdminRole : QStringLiteral("操作员");
                for (QPushButton *b : {cardTab(&f).btn13, cardTab(&f).btn22, cardTab(&f).btn23,
                                       cardTab(&f).btn12, cardTab(&f).btn14})
                    b->setEnabled(true);
                Dialogs::clearShown();
                const Outcome expected = outcome(admin, field, rows);
                if (!expected.message.isEmpty())
                    expectBox();
                QLineEdit *edits[] = {cardTab(&f).edt17, cardTab(&f).edt18, cardTab(&f).edt19};
                retype(edits[field], keys[field][rows]);
                f.wtxt->setText(QStringLiteral("-"));
                click(cardTab(&f).btn18);
                EXPECT_EQ(shownTexts(), expected.message.isEmpty() ? QStringList()
                                                                   : QStringList{expected.message});
                EXPECT_EQ(f.wtxt->text(), expected.pane);
                QStringList buttons;
                for (QPushButton *b : {cardTab(&f).btn13, cardTab(&f).btn22, cardTab(&f).btn23,
                                       cardTab(&f).btn12, cardTab(&f).btn14})
                    buttons << QString::number(b->isEnabled());
                EXPECT_EQ(buttons.join(QLatin1Char(' ')), QLatin1String(expected.buttons));
                Query *q = cardTab(&f).tab->ownerRecords();
                EXPECT_EQ(q->recordCount(), rows);
                EXPECT_EQ(q->state() == Query::Edit || q->state() == Query::Insert,
                          expected.edited);
                EXPECT_EQ(cardTab(&f).edt10->text(), firstCode[rows]);
                // A plate or name found writes the card field, and the cascade empties all.
                if (field != Card && rows > 0) {
                    EXPECT_EQ(cardTab(&f).edt17->text(), QString());
                }
            }
        }
    }
}

TEST_F(LossLookupTest, QuotesAndSqlTextAreLookedUpAsTyped)
{
    seed(QStringLiteral("(1001,'0A1B2C3D','O''Brien\"','京A''1','2030年01月01日')"));
    TForm1 &f = *main;
    lookUp(cardTab(&f).edt19, QStringLiteral("'Brien\""));
    EXPECT_EQ(cardTab(&f).edt10->text(), QStringLiteral("0A1B2C3D"));
    const QString hostile[] = {QStringLiteral("\" or \"\"=\""),
                               QStringLiteral("' union select * from users --"),
                               QStringLiteral("x');drop table CZdata;--")};
    for (const QString &key : hostile) {
        expectBox();
        lookUp(cardTab(&f).edt18, key);
        EXPECT_EQ(lastShown().text, t::NotFound) << key.toStdString();
    }
    // A percent sign or an underscore is the character itself, as in the archive window.
    for (const QString &key : {QStringLiteral("%"), QStringLiteral("_")}) {
        expectBox();
        lookUp(cardTab(&f).edt18, key);
        EXPECT_EQ(lastShown().text, t::NotFound) << key.toStdString();
    }
}

// The expiring-soon list covers today to the tenth day, computed at the click.
TEST_F(LossLookupTest, ExpiringListBoundsAcrossMidnight)
{
    seed(QStringLiteral("(1001,'00000001','a','a','2024年03月04日'),"
                        "(1002,'00000002','b','b','2024年03月05日'),"
                        "(1003,'00000003','c','c','2024年03月15日'),"
                        "(1004,'00000004','d','d','2024年03月16日')"));
    TForm1 &f = *main;
    const struct
    {
        QDateTime now;
        QStringList codes; // empty: nothing expires soon
    } cases[] = {
        {QDateTime(QDate(2024, 3, 5), QTime(23, 59, 59)),
         {QStringLiteral("00000002"), QStringLiteral("00000003")}},
        {QDateTime(QDate(2024, 3, 6), QTime(0, 0)),
         {QStringLiteral("00000003"), QStringLiteral("00000004")}},
        // 2024 is a leap year: the tenth day after 23 February is 4 March.
        {QDateTime(QDate(2024, 2, 22), QTime(12, 0)), {}},
        {QDateTime(QDate(2024, 2, 23), QTime(12, 0)), {QStringLiteral("00000001")}},
        {QDateTime(QDate(2024, 3, 17), QTime(0, 0)), {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.now.toString(Qt::ISODate).toStdString());
        appclock::ScopedNow at(c.now);
        if (Form7->isVisible())
            Form7->close();
        if (c.codes.isEmpty())
            expectBox();
        click(cardTab(&f).btn21);
        if (c.codes.isEmpty()) {
            EXPECT_EQ(lastShown().text, t::NoneExpiring);
            EXPECT_FALSE(Form7->listsExpiring());
            EXPECT_FALSE(Form7->isVisible());
            continue;
        }
        EXPECT_TRUE(Form7->listsExpiring());
        EXPECT_TRUE(Form7->isVisible());
        Query *q = Datafrm->Qryda1;
        QStringList codes;
        for (q->first(); !q->eof(); q->next())
            codes << q->fieldByName(QStringLiteral("卡片内码")).asString();
        EXPECT_EQ(codes, c.codes);
        // The archive window reads the same range from the two pickers.
        EXPECT_EQ(cardTab(&f).dtp1->date(), c.now.date());
        EXPECT_EQ(cardTab(&f).dtp2->date(), c.now.date().addDays(10));
    }
}

// The archive window and the card tab each work on a query of their own: a list shown in the
// window while a record is being issued leaves that record, and what was typed into it, alone.
TEST_F(LossLookupTest, AnArchiveListLeavesTheRecordBeingIssued)
{
    TForm1 &f = *main;
    UserType = QStringLiteral("管理员");
    seed(Archive);
    click(cardTab(&f).btn19);
    ASSERT_TRUE(Form7->isVisible());
    click(cardTab(&f).btn12);
    ASSERT_TRUE(cardTab(&f).rb1->isChecked());
    type(cardTab(&f).edt11, QStringLiteral("王五"));
    const QString number = cardTab(&f).edt9->text();
    EXPECT_EQ(number, QStringLiteral("1007"));

    click(Form7->btnAllSeaCmd);
    retype(Form7->edtGhCode, QStringLiteral("京A"));
    click(Form7->btnSeaCmd);

    EXPECT_EQ(Datafrm->Qryda1->recordCount(), 6);
    EXPECT_EQ(cardTab(&f).tab->ownerRecords()->state(), Query::Insert);
    EXPECT_EQ(cardTab(&f).edt11->text(), QStringLiteral("王五"));
    EXPECT_EQ(cardTab(&f).edt9->text(), number);
    EXPECT_TRUE(cardTab(&f).rb1->isChecked());
}

TEST_F(LossLookupTest, ArchiveAndPassageWindows)
{
    TForm1 &f = *main;
    Datafrm->con->disconnect();
    click(cardTab(&f).btn19);
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_TRUE(Datafrm->con->connected());
    // This fixture has no passage window.
    ASSERT_EQ(Form10, nullptr);
    expectBox();
    click(cardTab(&f).btn28);
    EXPECT_EQ(lastShown().text, t::PassagesFailed);
}

} // namespace
