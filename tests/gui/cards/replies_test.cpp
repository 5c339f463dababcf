// The issuer's replies reaching the card tab, the event memos and the archive window's card
// field, through a real port.
#include "archive/tform7.h"
#include "cardtabview.h"
#include "common/globals.h"
#include "db/datafrm.h"
#include "db/starter.h"
#include "issuer/seriallink.h"
#include "issuer/timings.h"
#include "shell/forms.h"
#include "shell/tform1.h"
#include "shell/widgets.h"
#include "systemtabview.h"
#include "testpty.h"
#include "testsupport.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <memory>

using testsupport::ScriptedTest;

namespace {

// The main window with a test pseudo-terminal as COM3, opened from the system tab, and the
// archive window attached as at start-up.
class RepliesTest : public ScriptedTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        resetGlobals();
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(testsupport::enterInPortMap(dir, pty.slavePath(), QStringLiteral("COM3")));
        form = std::make_unique<TForm1>();
        archive = std::make_unique<TForm7>();
        Form7 = archive.get();
        TForm1 &f = *form;
        f.attachArchiveWindow(archive.get());
        // Record the order in which the event controls change, keeping their own handlers.
        for (auto [memo, name] : {std::pair{systemTab(&f).RzMemo1, "RzMemo1"},
                                  std::pair{cardTab(&f).RzMemo2, "RzMemo2"},
                                  std::pair{systemTab(&f).RzMemo5, "RzMemo5"}}) {
            auto original = memo->onChange;
            memo->onChange = [this, memo, name, original] {
                events << QString::fromLatin1(name) + QStringLiteral(" + ") + memo->lines().last();
                if (original)
                    original();
            };
        }
        for (auto [edit, name] :
             {std::pair{cardTab(&f).edt17, "edt17"}, std::pair{cardTab(&f).edt10, "edt10"},
              std::pair{Form7->edt1, "Form7.edt1"}}) {
            QObject::connect(edit, &QLineEdit::textChanged, edit, [this, name](const QString &t) {
                events << QString::fromLatin1(name) + QStringLiteral(" = ") + t;
            });
        }
        systemTab(&f).ComTxt->clear();
        systemTab(&f).ComTxt->addItem(QStringLiteral("COM3"));
        systemTab(&f).ComTxt->setCurrentIndex(0);
        systemTab(&f).tab->openPortButtonClick();
        ASSERT_TRUE(systemTab(&f).tab->serialLink()->isOpen(3));
    }
    void TearDown() override
    {
        form.reset();
        Form7 = nullptr;
        archive.reset();
        database.reset();
        ScriptedTest::TearDown();
    }

    issuer::ShortTimings shortTimings{1, 1};
    TestPty pty;
    std::unique_ptr<TForm1> form;

    std::unique_ptr<TForm7> archive;
    std::unique_ptr<TDatafrm> database;
    QStringList events;
};

TEST_F(RepliesTest, CardDataAndLossTokenReachTheControlsInOrder)
{
    pty.send("9F0832A50F0509FF\r\n");
    QTRY_COMPARE(cardTab(form.get()).RzMemo2->lineCount(), 1);
    const QString line = QStringLiteral("卡片内码:9F0832A5   有效期：2015年05月09日");
    // After the line, the card tab's card read shows the code (edt17 was " 读卡录入." before); the
    // archive window's card field is emptied first (it held its "读卡自动录入" hint).
    EXPECT_EQ(
        events,
        (QStringList{QStringLiteral("RzMemo1 +        此") + line,
                     QStringLiteral("RzMemo2 + ") + line, QStringLiteral("edt17 = "),
                     QStringLiteral("Form7.edt1 = "), QStringLiteral("edt10 = 9F0832A5"),
                     QStringLiteral("edt17 = 9F0832A5"), QStringLiteral("Form7.edt1 = 9F0832A5")}));
    EXPECT_EQ(cardTab(form.get()).edt8->text(), QStringLiteral("255"));

    events.clear();
    pty.send("0000000000A1B2C3\r\n");
    QTRY_COMPARE(Form7->edt1->text(), QStringLiteral("00A1B2C3"));
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("RzMemo2 + 状态: 挂失   卡号: 00A1B2C3\r"),
                           // the card read empties the card's fields (no loss is pending) ...
                           QStringLiteral("edt10 = "), QStringLiteral("edt17 = "),
                           QStringLiteral("Form7.edt1 = "),
                           // ... and the receive path then fills them with the token's code
                           QStringLiteral("edt17 = 00A1B2C3"), QStringLiteral("edt10 = 00A1B2C3"),
                           QStringLiteral("Form7.edt1 = 00A1B2C3")}));
}

TEST_F(RepliesTest, StatusRepliesAreCountedAndTheEventMemoStaysShort)
{
    TForm1 &f = *form;
    for (int i = 1; i <= 4; ++i) {
        pty.send("0500\r\n");
        QTRY_COMPARE(systemTab(&f).edt7->text(), QString::number(i));
    }
    EXPECT_EQ(systemTab(&f).RzMemo5->lines().last(), QStringLiteral(" 0500"));
    EXPECT_EQ(f.wtxt->text(), QStringLiteral("发行器通讯正常，请读卡!"));
    EXPECT_EQ(systemTab(&f).RzMemo1->lineCount(), 3);
    EXPECT_EQ(events.first(), QStringLiteral("RzMemo1 + 发行器通讯正常,请读卡!"));
    EXPECT_EQ(events.at(1), QStringLiteral("RzMemo5 +  0500"));
}

TEST_F(RepliesTest, UnlossTokenLooksTheCardUpInTheArchive)
{
    const QString file =
        createStarterDatabase(dir.root(), QStringLiteral("admin"), QStringLiteral("admin1"));
    database = std::make_unique<TDatafrm>();
    database->DataModuleCreate(file);
    Query *q = Datafrm->Qryda1;
    q->setSQL(QStringLiteral("insert into CZdata(车辆编号, 卡片内码) values(1, '00A1B2C3')"));
    q->execSQL();
    q->close();

    const struct
    {
        const char *reply;
        QString code; // K, the card code found
    } cases[] = {
        {"0000000000FFB2C3", QStringLiteral("00A1B2C3")},
        {"0000000000FF0001", QStringLiteral("00A1B2C3")}, // all digits: also the row with id 1
        {"0000000000FF'%\"x", QString()},                 // no row; the key never becomes SQL
        {"0000000000FFEEEE", QString()},
    };
    for (const auto &c : cases) {
        cardTab(form.get()).RzMemo2->clearLines();
        pty.send(QByteArray(c.reply) + "\r\n");
        QTRY_COMPARE(cardTab(form.get()).RzMemo2->lineCount(), 1);
        EXPECT_EQ(cardTab(form.get()).RzMemo2->lines().first(),
                  QStringLiteral("状态: 解挂   卡号: ") + c.code + QStringLiteral("\r"))
            << c.reply;
        EXPECT_EQ(cardTab(form.get()).edt10->text(), c.code);
        EXPECT_EQ(Form7->edt1->text(), c.code);
        EXPECT_FALSE(q->isActive());
    }
}

TEST_F(RepliesTest, UnlossWithoutTheArchiveShowsTheMismatchMessage)
{
    ASSERT_EQ(Datafrm, nullptr);
    // With the name field empty its reaction leaves edt17 as the token set it.
    cardTab(form.get()).edt19->clear();
    expectBox();
    pty.send("0000000000FFB2C3\r\n");
    QTRY_COMPARE(Dialogs::shown().size(), 1);
    EXPECT_EQ(shownTexts(), QStringList{QStringLiteral("卡片内码不符!")});
    EXPECT_EQ(cardTab(form.get()).edt17->text(), QStringLiteral("B2C3"));
    EXPECT_TRUE(cardTab(form.get()).RzMemo2->lines().isEmpty());
}

} // namespace
