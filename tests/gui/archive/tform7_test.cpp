// The owner archive window driven as the operator uses it: showing, the three searches with
// the automatic card-code search, the expired and expiring-soon lists, the status colours,
// edit / save / delete with their questions, Add, Exit and Close back to the card tab.
#include "archive/archivegrid.h"
#include "archive/cardhistory.h"
#include "archive/reportpreview.h"
#include "archive/texts.h"
#include "archive/tform7.h"
#include "cards/issuesession.h"
#include "cardtabview.h"
#include "common/clock.h"
#include "common/globals.h"
#include "db/datafrm.h"
#include "db/dberror.h"
#include "rowcounter.h"
#include "shell/forms.h"
#include "shell/tform1.h"
#include "systemtabview.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <memory>
#include <sqlite3.h>
#include <utility>

// Readable failure output for texts.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

namespace T = texts::archive;

const QDateTime Now(QDate(2024, 3, 5), QTime(9, 30));

// Types text that has no key of its own on the keyboard (Chinese characters, signs).
void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

class ArchiveWindowTest : public testsupport::WindowsTest
{
protected:
    ArchiveWindowTest()
        : WindowsTest(QString())
    {}

    void SetUp() override
    {
        WindowsTest::SetUp();
        form = std::make_unique<TForm7>();
        Form7 = form.get();
        main->attachArchiveWindow(form.get());
        tester = std::make_unique<QAbstractItemModelTester>(
            form->DBFLGridModel, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override
    {
        tester.reset();
        Form7 = nullptr;
        form.reset();
        WindowsTest::TearDown();
    }

    // Owners: 1001.. with the given card codes, names, plates, validities and statuses.
    void addOwner(int number, const QString &code, const QString &name, const QString &plate,
                  const QString &validity, const QString &status = QString())
    {
        execSql(QStringLiteral("insert into CZdata(车辆编号,卡片内码,车主姓名,车牌号码,"
                               "卡片有效期限,卡片状态) values(%1,'%2','%3','%4','%5','%6')")
                    .arg(number)
                    .arg(code, QString(name).replace(QLatin1Char('\''), QStringLiteral("''")),
                         plate, validity, status));
    }
    void addSample()
    {
        addOwner(1001, QStringLiteral("A1B2C3D4"), QStringLiteral("张三"),
                 QStringLiteral("京A12345"), QStringLiteral("2024年03月01日"));
        addOwner(1002, QStringLiteral("00FF00FF"), QStringLiteral("李四"),
                 QStringLiteral("京B99999"), QStringLiteral("2024年03月10日"),
                 QStringLiteral("已挂失"));
        addOwner(1003, QStringLiteral("DEADBEEF"), QStringLiteral("O'Brien"),
                 QStringLiteral("沪C_1234"), QStringLiteral("2025年01月01日"),
                 QStringLiteral("已启用"));
        addOwner(1004, QStringLiteral("12345678"), QStringLiteral("王%五"),
                 QStringLiteral("沪C01234"), QStringLiteral("2000年00月00日"),
                 QStringLiteral("初始化"));
    }

    void open()
    {
        form->showArchive();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    // Card codes in the grid, top to bottom.
    QStringList gridCodes() const
    {
        QStringList out;
        const auto *m = form->DBFLGridModel;
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 1).data().toString();
        return out;
    }
    QString stored(const QString &column, const QString &code)
    {
        Connection c;
        c.setDatabase(databasePath());
        Query q(&c);
        q.setSQL(QStringLiteral("select %1 from CZdata where 卡片内码='%2'").arg(column, code));
        q.open();
        const QString v = q.isEmpty() ? QStringLiteral("<none>") : q.field(0).asString();
        q.close();
        return v;
    }
    int storedCount()
    {
        Connection c;
        c.setDatabase(databasePath());
        Query q(&c);
        q.setSQL(QStringLiteral("select * from CZdata"));
        q.open();
        const int n = q.recordCount();
        q.close();
        return n;
    }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); }

    appclock::ScopedNow clock{Now};
    std::unique_ptr<TForm7> form;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(ArchiveWindowTest, ShowingListsTheWholeArchiveWithItsFixedLayout)
{
    addSample();
    cardTab(main.get()).dtp1->setDate(QDate(2030, 1, 1));
    open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("车主档案表"));
    EXPECT_EQ(form->size(), QSize(1024, 630));
    EXPECT_EQ(form->wtxt1->text(),
              QStringLiteral("进入车主档案管理界面.当前共有4 笔车主档案记录,请做好数据库备份!"));
    EXPECT_EQ(form->lbl6->text(), QStringLiteral("2024年03月05日"));
    EXPECT_EQ(cardTab(main.get()).dtp1->date(), QDate(2024, 3, 5));
    EXPECT_EQ(form->edt1->text(), QStringLiteral("读卡自动录入"));
    EXPECT_EQ(form->edt1->maxLength(), 10);
    EXPECT_FALSE(form->btnSeaCmd->isEnabled());
    EXPECT_FALSE(form->btn2->isEnabled());
    EXPECT_EQ(gridCodes().size(), 4);

    const auto *m = form->DBFLGridModel;
    const QStringList titles = {"车辆编号",     "卡片内码", "车主姓名", "车牌号码",
                                "汽车类型",     "车主手机", "车辆信息", "车场车位",
                                "卡片有效期限", "住址",     "卡片状态"};
    ASSERT_EQ(m->columnCount(), titles.size());
    for (int c = 0; c < titles.size(); ++c) {
        EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), titles.at(c));
        const bool readOnly = c == 0 || c == 1 || c == 8 || c == 10;
        EXPECT_EQ(bool(m->flags(m->index(0, c)) & Qt::ItemIsEditable), !readOnly) << c;
        EXPECT_EQ(m->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).isValid(), c < 9) << c;
    }
}

TEST_F(ArchiveWindowTest, AnEmptyArchiveDisablesTheManualTestOfTheMainWindow)
{
    systemTab(main.get()).btn2->setEnabled(true);
    QSignalSpy saveOff(form.get(), &TForm7::archiveSaveDisableRequested);
    open();
    EXPECT_FALSE(systemTab(main.get()).btn2->isEnabled());
    EXPECT_EQ(saveOff.count(), 1);
    EXPECT_EQ(form->wtxt1->text(),
              QStringLiteral("进入车主档案管理界面.当前共有0 笔车主档案记录,请做好数据库备份!"));
}

TEST_F(ArchiveWindowTest, EveryCellOfARecordIsDrawnInTheColourOfItsStatus)
{
    addOwner(1001, "AAAA0001", "a", "p", "2024年01月01日", "未启用");
    addOwner(1002, "AAAA0002", "b", "p", "2024年01月01日", "已挂失");
    addOwner(1003, "AAAA0003", "c", "p", "2024年01月01日", "已解挂");
    addOwner(1004, "AAAA0004", "d", "p", "2024年01月01日", "初始化");
    addOwner(1005, "AAAA0005", "e", "p", "2024年01月01日", "已启用");
    addOwner(1006, "AAAA0006", "f", "p", "2024年01月01日", "");
    open();
    click(form->btnAllSeaCmd);
    const QMap<QString, QVariant> expected = {
        {"AAAA0001", QColor(0, 128, 0)}, {"AAAA0002", QColor(255, 0, 0)},
        {"AAAA0003", QColor(0, 0, 255)}, {"AAAA0004", QColor(0, 128, 0)},
        {"AAAA0005", QVariant()},        {"AAAA0006", QVariant()}};
    const auto *m = form->DBFLGridModel;
    ASSERT_EQ(m->rowCount(), 6);
    for (int r = 0; r < m->rowCount(); ++r) {
        const QString code = m->index(r, 1).data().toString();
        for (int c = 0; c < m->columnCount(); ++c)
            EXPECT_EQ(m->index(r, c).data(Qt::ForegroundRole), expected.value(code))
                << code.toStdString() << " column " << c;
    }
}

TEST_F(ArchiveWindowTest, SearchesFindWhatTheEditContainsAndNeverRunTypedText)
{
    addSample();
    open();
    struct Case
    {
        const char *edit; // which edit is clicked and typed into
        const char *text;
        QStringList expected;
    } cases[] = {
        {"edt1", "b2c3", {"A1B2C3D4"}},
        {"edt1", "00", {"00FF00FF"}},
        {"edtGhCode", "京", {"A1B2C3D4", "00FF00FF"}},
        {"edtGhCode", "沪C_", {"DEADBEEF"}},
        {"edtGhCode", "_", {"DEADBEEF"}},
        {"edtGhCode", "%", {}},
        {"edtGhCode", "' or '1'='1", {}},
        {"edtGhCode", "\" or \"\"=\"", {}},
        {"edtXmEdt", "%", {"12345678"}},
        {"edtXmEdt", "O'B", {"DEADBEEF"}},
        {"edtXmEdt", "\"", {}},
        {"edtXmEdt", "'); delete from CZdata; --", {}},
        {"edtXmEdt", "张", {"A1B2C3D4"}},
    };
    for (const Case &c : cases) {
        QLineEdit *edit = form->findChild<QLineEdit *>(QString::fromLatin1(c.edit));
        ASSERT_TRUE(edit);
        click(edit); // empties the other two
        edit->clear();
        typeText(edit, QString::fromUtf8(c.text));
        ASSERT_EQ(edit->text(), QString::fromUtf8(c.text).left(edit->maxLength())) << c.text;
        ASSERT_TRUE(form->btnSeaCmd->isEnabled()) << c.text;
        if (c.expected.isEmpty())
            expectBox();
        click(form->btnSeaCmd);
        QStringList got = gridCodes(), want = c.expected;
        got.sort();
        want.sort();
        EXPECT_EQ(got, want) << c.edit << " " << c.text;
        if (want.isEmpty()) {
            EXPECT_EQ(form->wtxt1->text(), QStringLiteral("没有找到相关记录."));
            EXPECT_EQ(lastShown().text, QStringLiteral("没有找到相关记录!"));
        } else {
            EXPECT_EQ(form->wtxt1->text(), QStringLiteral("当前查询到%1 笔记录").arg(want.size()));
        }
    }
    EXPECT_EQ(storedCount(), 4);
}

TEST_F(ArchiveWindowTest, TypingIntoOneSearchEditEmptiesTheOthersButKeepsItsOwnText)
{
    open();
    click(form->edtXmEdt);
    typeText(form->edtXmEdt, QStringLiteral("张"));
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("请按查询键查找相关档案."));
    form->edtGhCode->setFocus();
    typeText(form->edtGhCode, QStringLiteral("京"));
    EXPECT_EQ(form->edtGhCode->text(), QStringLiteral("京"));
    EXPECT_EQ(form->edtXmEdt->text(), QString());
    EXPECT_EQ(form->edt1->text(), QString());
    EXPECT_TRUE(form->btnSeaCmd->isEnabled());
    QTest::keyClick(form->edtGhCode, Qt::Key_Backspace);
    EXPECT_FALSE(form->btnSeaCmd->isEnabled()) << "an empty edit leaves nothing to search";
    typeText(form->edtGhCode, QStringLiteral(" "));
    EXPECT_FALSE(form->btnSeaCmd->isEnabled()) << "blanks alone are no condition";
    typeText(form->edtGhCode, QStringLiteral("京"));
    QTest::keyClick(form->edtGhCode, Qt::Key_Return);
    EXPECT_TRUE(form->btnSeaCmd->hasFocus() || QApplication::focusWidget() == form->btnSeaCmd);
}

TEST_F(ArchiveWindowTest, NoConditionAtAllIsAWarning)
{
    open();
    click(form->edtGhCode); // clears the card code edit and enables the search
    ASSERT_TRUE(form->btnSeaCmd->isEnabled());
    expectBox();
    click(form->btnSeaCmd);
    EXPECT_EQ(lastShown().text, QStringLiteral("请输入查询条件!"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("检查输入"));
    EXPECT_EQ(lastShown().icon, Dialogs::Warning);
}

TEST_F(ArchiveWindowTest, EightHexDigitsInTheCardCodeEditSearchAtOnce)
{
    addSample();
    open();
    Query *q = Datafrm->Qryda1;
    click(form->edt1);
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("输入8位卡片内码会自动查询!"));
    form->edt1->clear();
    form->wtxt1->clear();
    QTest::keyClicks(form->edt1, QStringLiteral("a1b2c3d"));
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("输入8位卡片内码会自动查询!"));
    EXPECT_EQ(gridCodes().size(), 4) << "seven characters do not search";
    QTest::keyClick(form->edt1, Qt::Key_4);
    EXPECT_EQ(gridCodes(), QStringList{"A1B2C3D4"});
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("当前查询到1 笔记录"));

    // Characters nine and ten are taken without a new search; an eleventh does not fit.
    q->close();
    QTest::keyClicks(form->edt1, QStringLiteral("EF9"));
    EXPECT_EQ(form->edt1->text(), QStringLiteral("a1b2c3d4EF"));
    EXPECT_FALSE(q->isActive());

    // Not hexadecimal: discarded. Backspace works, and back at eight characters it searches.
    QTest::keyClicks(form->edt1, QStringLiteral("G z"));
    typeText(form->edt1, QStringLiteral("中"));
    EXPECT_EQ(form->edt1->text(), QStringLiteral("a1b2c3d4EF"));
    QTest::keyClick(form->edt1, Qt::Key_Backspace);
    EXPECT_FALSE(q->isActive());
    QTest::keyClick(form->edt1, Qt::Key_Backspace);
    EXPECT_EQ(form->edt1->text(), QStringLiteral("a1b2c3d4"));
    EXPECT_EQ(gridCodes(), QStringList{"A1B2C3D4"});
}

TEST_F(ArchiveWindowTest, ACardReadSearchesOnlyWhileVisibleAndNoCardModeIsActive)
{
    addSample();
    Query *q = Datafrm->Qryda1;
    // Hidden window: the code is written, nothing is searched.
    form->edt1->clear();
    form->edt1->setText(QStringLiteral("DEADBEEF"));
    EXPECT_FALSE(q->isActive());
    EXPECT_TRUE(form->btnSeaCmd->isEnabled());

    open();
    form->edt1->clear();
    form->edt1->setText(QStringLiteral("00FF00FF"));
    EXPECT_EQ(gridCodes(), QStringList{"00FF00FF"});

    // Issuing: the record being issued in Qryda1 must survive the card read.
    {
        form->cardModeActive = [] { return true; };
        q->close();
        q->setSQL(QStringLiteral("select * from CZdata order by 车辆编号"));
        q->open();
        q->append();
        form->edt1->clear();
        form->edt1->setText(QStringLiteral("A1B2C3D4"));
        EXPECT_EQ(q->state(), Query::Insert);
        q->cancel();
    }
    // What the operator types is searched for also while the card tab is issuing.
    click(form->edt1);
    form->edt1->clear();
    QTest::keyClicks(form->edt1, QStringLiteral("deadbeef"));
    EXPECT_EQ(gridCodes(), QStringList{"DEADBEEF"});

    form->cardModeActive = [] { return false; };
    form->edt1->clear();
    form->edt1->setText(QStringLiteral("A1B2C3D4"));
    EXPECT_EQ(gridCodes(), QStringList{"A1B2C3D4"});
}

TEST_F(ArchiveWindowTest, ExpiredRecordsAreThoseBeforeTodayWhateverTheDatePickerSays)
{
    addSample();
    open();
    cardTab(main.get()).dtp1->setDate(QDate(2099, 1, 1)); // issuing moves the picker
    click(form->btn3);
    QStringList got = gridCodes();
    got.sort();
    EXPECT_EQ(got, (QStringList{"12345678", "A1B2C3D4"}));
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("当前查询到2 笔过期记录"));
    EXPECT_EQ(Datafrm->Qryda1->recNo(), 2) << "the last record is current";

    appclock::ScopedNow early(QDateTime(QDate(1999, 12, 31), QTime(8, 0)));
    click(form->btn3);
    EXPECT_TRUE(gridCodes().isEmpty());
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("没有找到过期记录."));
}

TEST_F(ArchiveWindowTest, ShowAllOrdersByVehicleNumberAndEndsOnTheLast)
{
    addOwner(1010, "0000000A", "a", "p", "2024年01月01日");
    addOwner(999, "0000000B", "b", "p", "2024年01月01日");
    addOwner(10000, "0000000C", "c", "p", "2024年01月01日");
    open();
    form->btn2->setEnabled(true);
    click(form->btnAllSeaCmd);
    EXPECT_EQ(gridCodes(), (QStringList{"0000000B", "0000000A", "0000000C"}));
    EXPECT_EQ(Datafrm->Qryda1->recNo(), 3);
    EXPECT_EQ(form->DBFLGrid->currentIndex().row(), 2);
    EXPECT_FALSE(form->btn2->isEnabled());
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("显示全部车主档案.当前共有3 笔记录"));

    // A vehicle number that is no number sorts last and reads as empty.
    execSql(QStringLiteral("insert into CZdata(车辆编号,卡片内码) values('','0000000D')"));
    expectBox();
    click(form->btnAllSeaCmd);
    EXPECT_EQ(lastShown().text, QStringLiteral("错误，存在空的ID值!"));
}

TEST_F(ArchiveWindowTest, ExpiringModeListsTheComingDaysOrStepsAsideAndForgetsTheMode)
{
    addSample();
    cardTab(main.get()).dtp2->setDate(QDate(2024, 3, 15));
    form->showExpiringArchive();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(gridCodes(), QStringList{"00FF00FF"});
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("当前查询到1 笔即将过期记录"));
    form->close();

    cardTab(main.get()).dtp2->setDate(QDate(2024, 3, 6));
    form->showExpiringArchive();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("没有找到即将过期记录!"));
    EXPECT_FALSE(form->listsExpiring());
    open(); // the next opening is the normal one
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(gridCodes().size(), 4);
}

TEST_F(ArchiveWindowTest, EditingANameInTheGridIsStoredBySave)
{
    addSample();
    open();
    click(form->btnAllSeaCmd);
    QTableView *grid = form->DBFLGrid;
    const QModelIndex name = form->DBFLGridModel->index(0, 2);
    grid->setCurrentIndex(name);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_X); // typing opens the cell
    EXPECT_TRUE(form->btn2->isEnabled());
    EXPECT_EQ(form->wtxt1->text(),
              QStringLiteral("编辑完成后单击\"保存\"键保存资料，并做好数据库备份!"));
    form->activateWindow();
    QTRY_VERIFY(form->isActiveWindow());
    QWidget *editor = QApplication::focusWidget();
    ASSERT_TRUE(editor && editor != grid);
    QTest::keyClicks(editor, QStringLiteral("yz"));
    // Alt+S with the cell still open: the button takes the focus and clicks a moment later.
    QTest::keyClick(form->windowHandle(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(stored("车主姓名", QStringLiteral("A1B2C3D4")), QStringLiteral("xyz"));
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("数据已保存.请及时做好数据库备份!"));
    EXPECT_FALSE(form->btn2->isEnabled());
    EXPECT_EQ(Datafrm->Qryda1->state(), Query::Browse);

    // The four fixed fields refuse values once a key was typed in the grid.
    Datafrm->Qryda1->edit();
    EXPECT_THROW(Datafrm->Qryda1->fieldByName(QStringLiteral("卡片状态")).setValue("已启用"),
                 DbError);
    Datafrm->Qryda1->cancel();
}

TEST_F(ArchiveWindowTest, ADoubleClickEditIsSavedOrDroppedAsTheUserAnswersOnLeavingTheRow)
{
    // Moving to another row used to write the change without a word, and a double-click never
    // enabled 保存.
    const struct
    {
        Dialogs::Button answer;
        const char *stored;
        bool saveStillEnabled;
    } cases[] = {{Dialogs::Yes, "张三X", false}, {Dialogs::No, "张三", false}};
    addSample();
    open();
    for (const auto &c : cases) {
        execSql(QStringLiteral("update CZdata set 车主姓名='张三' where 车辆编号=1001"));
        click(form->btnAllSeaCmd);
        QTableView *grid = form->DBFLGrid;
        const QModelIndex name = form->DBFLGridModel->index(0, 2);
        grid->setCurrentIndex(name);
        form->activateWindow();
        QTRY_VERIFY(form->isActiveWindow());
        const QPoint at = grid->visualRect(name).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        EXPECT_TRUE(form->btn2->isEnabled()) << c.stored;
        EXPECT_EQ(form->wtxt1->text(),
                  QStringLiteral("编辑完成后单击\"保存\"键保存资料，并做好数据库备份!"));
        QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget() != grid);
        QWidget *editor = QApplication::focusWidget();
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, QStringLiteral("X"));

        expectBox(c.answer);
        const QModelIndex other = form->DBFLGridModel->index(2, 2);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(other).center());
        EXPECT_EQ(lastShown().text, texts::archive::SaveChangeQuestion);
        EXPECT_EQ(stored("车主姓名", QStringLiteral("A1B2C3D4")), QString::fromUtf8(c.stored));
        EXPECT_EQ(grid->currentIndex().row(), 2);
        EXPECT_EQ(Datafrm->Qryda1->state(), Query::Browse);
        EXPECT_EQ(form->btn2->isEnabled(), c.saveStillEnabled);
        EXPECT_EQ(form->DBFLGridModel->index(0, 2).data().toString(), QString::fromUtf8(c.stored));
    }
}

TEST_F(ArchiveWindowTest, GridEditsKeepWhatTheCardTabsFieldsKeep)
{
    addSample();
    open();
    click(form->btnAllSeaCmd);
    QAbstractItemModel *model = form->DBFLGridModel;
    auto columnOf = [&](const QString &field) {
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString() == field)
                return c;
        return -1;
    };
    const struct
    {
        QString field;
        QString typed;
        QString stored;
    } edits[] = {
        {QStringLiteral("车主姓名"), QString(10000, QLatin1Char('N')),
         QString(15, QLatin1Char('N'))},
        {QStringLiteral("车牌号码"), QStringLiteral("京A\n12345"), QStringLiteral("京A")},
        {QStringLiteral("车主手机"), QStringLiteral("abc😀13812345678"),
         QStringLiteral("13812345678")},
    };
    for (const auto &e : edits) {
        const int column = columnOf(e.field);
        ASSERT_GE(column, 0) << e.field.toStdString();
        ASSERT_TRUE(model->setData(model->index(0, column), e.typed));
    }
    Datafrm->Qryda1->post();
    for (const auto &e : edits)
        EXPECT_EQ(stored(e.field, QStringLiteral("A1B2C3D4")), e.stored) << e.field.toStdString();
}

TEST_F(ArchiveWindowTest, EditButtonAndSaveWithoutAndWithRecords)
{
    open();
    // Empty archive: every record operation points to Add.
    expectBox();
    click(form->btnEditCmd);
    EXPECT_EQ(lastShown().text, QStringLiteral("没有档案记录，请添加车主档案."));
    EXPECT_TRUE(form->btnAddCmd->hasFocus());
    form->btn2->setEnabled(true);
    expectBox();
    click(form->btn2);
    EXPECT_EQ(lastShown().text, QStringLiteral("档案为空，请先添加车档案再按保存."));
    EXPECT_FALSE(form->btn2->isEnabled());
    expectBox();
    QTest::mouseClick(form->DBFLGrid->viewport(), Qt::LeftButton);
    EXPECT_EQ(lastShown().text, QStringLiteral("没有档案记录，请添加车主档案."));
    form->DBFLGrid->setFocus();
    expectBox();
    QTest::keyClick(form->DBFLGrid, Qt::Key_A);
    EXPECT_EQ(lastShown().text, QStringLiteral("没有档案记录，请添加车主档案."));
    EXPECT_FALSE(form->btn2->isEnabled());
    form->close();

    addSample();
    open();
    expectBox();
    click(form->btnEditCmd);
    EXPECT_EQ(lastShown().text,
              QStringLiteral("车辆编号,卡片内码,卡片有效期限,卡片状态等不允许手动修改."));
    EXPECT_EQ(form->wtxt1->text(),
              QStringLiteral("进入编辑模式，双击需修改位置，改完后请按保存键."));
    EXPECT_EQ(Datafrm->Qryda1->state(), Query::Edit);
    EXPECT_TRUE(form->btn2->isEnabled());
    // Save with nothing changed leaves edit state; a second Save has nothing to store.
    click(form->btn2);
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("数据已保存.请及时做好数据库备份!"));
    form->btn2->setEnabled(true);
    expectBox();
    click(form->btn2);
    EXPECT_EQ(lastShown().text, QStringLiteral("保存无效!要增加车主档案请按添加键."));
    EXPECT_EQ(form->wtxt1->text(),
              QStringLiteral("若需增加车主档案请按添加键.可以选择手动或自动添加!"));
    EXPECT_TRUE(form->btnAddCmd->hasFocus());
}

TEST_F(ArchiveWindowTest, DeleteAsksAndNoKeepsTheRecord)
{
    addSample();
    open();
    click(form->btnAllSeaCmd); // ends on 1004
    expectBox(Dialogs::No);
    click(form->btnDelCmd);
    EXPECT_EQ(lastShown().text, QStringLiteral("删除的档案不能恢复，是否删除？"));
    EXPECT_EQ(lastShown().caption, QStringLiteral("确认删除"));
    EXPECT_EQ(lastShown().buttons, Dialogs::YesNo);
    EXPECT_EQ(lastShown().icon, Dialogs::Question);
    EXPECT_EQ(storedCount(), 4);

    form->btn2->setEnabled(true);
    expectBox(Dialogs::Yes);
    click(form->btnDelCmd);
    EXPECT_EQ(stored("卡片内码", QStringLiteral("12345678")), QStringLiteral("<none>"));
    EXPECT_EQ(storedCount(), 3);
    EXPECT_EQ(gridCodes().size(), 3);
    EXPECT_FALSE(form->btn2->isEnabled());
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("档案已经删除!"));

    for (int i = 0; i < 3; ++i) {
        expectBox(Dialogs::Yes);
        click(form->btnDelCmd);
    }
    EXPECT_EQ(storedCount(), 0);
    expectBox();
    click(form->btnDelCmd);
    EXPECT_EQ(lastShown().text, QStringLiteral("档案已经全部删除!"));
    EXPECT_FALSE(form->btnDelCmd->isEnabled());
    EXPECT_TRUE(form->btnAddCmd->hasFocus());
}

TEST_F(ArchiveWindowTest, ExitAndCloseReturnToTheIdleCardTabEachInItsOwnWay)
{
    addSample();
    struct Case
    {
        bool exitButton;
        const char *pane;
        bool connected; // the shared connection after leaving
    } cases[] = {
        {true, "返回卡片管理主界面.若发行请按单卡或批量发行,或读卡查询延期!", false},
        {false, "进入卡片发行界面,请添加车主档案.", true},
    };
    for (const Case &c : cases) {
        Datafrm->QryJL1->open(); // another window's query keeps the connection open
        cardTab(main.get()).btn14->setEnabled(true);
        cardTab(main.get()).btn14->click(); // a batch is being issued
        ASSERT_TRUE(cardTab(main.get()).tab->issueSession().active());
        open();
        click(form->btnAllSeaCmd);
        // An unsaved name edited in the grid.
        QTableView *grid = form->DBFLGrid;
        grid->setCurrentIndex(form->DBFLGridModel->index(0, 2));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Q);
        // Exit shows the main window itself; Close leaves it to the main window's own showing.
        if (c.exitButton)
            main->hide();
        else
            main->show();
        cardTab(main.get()).dtp1->show();
        cardTab(main.get()).edt17->setText(QStringLiteral("x"));
        form->showExpiringArchive(); // the window lists the expiring-soon records
        QStringList order;
        auto note = [&](const char *what) { order << QString::fromLatin1(what); };
        auto a = QObject::connect(form.get(), &TForm7::lookupsClearRequested, [&] {
            note("lookups");
            EXPECT_EQ(cardTab(main.get()).edt17->text(), QStringLiteral("读卡录入..."));
        });
        auto b = QObject::connect(form.get(), &TForm7::cardTabResetRequested, [&] {
            note("reset");
            EXPECT_FALSE(form->isVisible());
            EXPECT_FALSE(cardTab(main.get()).dtp1->isVisible());
        });
        if (c.exitButton)
            click(form->btnExitCmd);
        else
            form->close();
        QObject::disconnect(a);
        QObject::disconnect(b);
        EXPECT_EQ(order, (QStringList{"lookups", "reset"}));
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(main->isVisible());
        EXPECT_EQ(main->wtxt->text(), QString::fromUtf8(c.pane));
        EXPECT_FALSE(cardTab(main.get()).tab->issueSession().active());
        EXPECT_FALSE(form->listsExpiring());
        EXPECT_FALSE(Datafrm->Qryda1->isActive());
        EXPECT_EQ(Datafrm->QryJL1->isActive(), c.connected);
        EXPECT_EQ(Datafrm->con->connected(), c.connected);
        EXPECT_EQ(stored("车主姓名", QStringLiteral("A1B2C3D4")), QStringLiteral("张三"));
        Datafrm->QryJL1->close();
    }
}

TEST_F(ArchiveWindowTest, AddHandsOverToSingleIssuingOnTheCardTab)
{
    open();
    main->hide();
    // The name field's "姓名" would empty the card field again through the fields' exclusion.
    cardTab(main.get()).edt19->clear();
    QString edt17AtHandOver;
    QObject::connect(form.get(), &TForm7::addRequested,
                     [&] { edt17AtHandOver = cardTab(main.get()).edt17->text(); });
    click(form->btnAddCmd);
    EXPECT_EQ(edt17AtHandOver, QStringLiteral("读卡录入..."));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->wtxt->text(),
              QStringLiteral("请输入车主姓名,按Enter键进入下一步!  也可选批量发行."));
}

TEST_F(ArchiveWindowTest, PrintPreviewsTheArchiveAndExportWritesTheGrid)
{
    open();
    const QString pdf = dir.path(QStringLiteral("archive.pdf"));
    ReportPreview::queuePdf(pdf);
    click(form->btn1);
    EXPECT_GT(QFileInfo(pdf).size(), 0);
    EXPECT_EQ(form->wtxt1->text(), QStringLiteral("打印车主档案表"));

    const QString csv = dir.path(QStringLiteral("archive.csv"));
    expectFile(csv);
    click(form->btn4);
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(exported.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("卡片内码"))) << "the field names head the file";
    EXPECT_EQ(text.count(QLatin1Char('\n')), Datafrm->Qryda1->recordCount() + 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ArchiveWindowTest, ALargeArchiveShowsItsScreensWithoutReadingEveryRecord)
{
    const int owners = 40 * Query::FetchBatch;
    execSql(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                           "WHERE i<%1) INSERT INTO CZdata(车辆编号,卡片内码,车主姓名,车牌号码,"
                           "卡片有效期限) SELECT 1000+i, printf('%08X', i), 'n' || i, '京A', "
                           "'2030年01月01日' FROM n")
                .arg(owners));
    RowCounter stepped(*Datafrm->con, true);
    open();
    QApplication::processEvents();
    EXPECT_EQ(form->wtxt1->text(), T::Entered(owners)) << "the whole count";
    EXPECT_EQ(form->DBFLGridModel->rowCount(), owners);
    EXPECT_LE(stepped.take(), 2 * Query::FetchBatch);

    // Show all ends on the last record, and the grid shows it.
    click(form->btnAllSeaCmd);
    QApplication::processEvents();
    EXPECT_EQ(form->wtxt1->text(), T::AllShown(owners));
    EXPECT_EQ(Datafrm->Qryda1->recNo(), owners);
    EXPECT_EQ(form->DBFLGrid->currentIndex().row(), owners - 1);
    EXPECT_TRUE(form->DBFLGrid->viewport()->rect().intersects(
        form->DBFLGrid->visualRect(form->DBFLGridModel->index(owners - 1, 1))));
    EXPECT_EQ(form->DBFLGridModel->index(owners - 1, 1).data().toString(),
              QString::asprintf("%08X", owners));
    EXPECT_LE(stepped.take(), 3 * Query::FetchBatch);

    // A search over every record counts them all and reads its first screen.
    click(form->edtGhCode);
    typeText(form->edtGhCode, QStringLiteral("京"));
    click(form->btnSeaCmd);
    QApplication::processEvents();
    EXPECT_EQ(form->wtxt1->text(), T::Found(owners));
    EXPECT_LE(stepped.take(), 2 * Query::FetchBatch);

    // An edit far down is saved; the export still writes every record.
    click(form->btnAllSeaCmd);
    QTableView *grid = form->DBFLGrid;
    const QModelIndex name = form->DBFLGridModel->index(owners - 3, 2);
    ASSERT_TRUE(form->DBFLGridModel->setData(name, QStringLiteral("改名")));
    Datafrm->Qryda1->post();
    EXPECT_EQ(stored("车主姓名", QString::asprintf("%08X", owners - 2)), QStringLiteral("改名"));
    EXPECT_EQ(grid->currentIndex().row(), owners - 3);
    const QString csv = dir.path(QStringLiteral("large.csv"));
    expectFile(csv);
    click(form->btn4);
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = exported.readAll().split('\n');
    ASSERT_EQ(lines.size(), owners + 2) << "the names, every record, the empty end";
    QStringList codes;
    for (int r = 1; r <= owners; ++r)
        codes << QString::fromUtf8(lines.at(r).split(',').value(2));
    QStringList want;
    for (int i = 1; i <= owners; ++i)
        want << QString::asprintf("%08X", i);
    EXPECT_EQ(codes, want);
}

} // namespace

namespace {

// The card history window as the archive window opens it: the selected owner's card, the
// searches, the export and print, and the deletion an administrator may make.
class CardHistoryTest : public ArchiveWindowTest
{
protected:
    void SetUp() override
    {
        ArchiveWindowTest::SetUp();
        ReportPreview::beginScript();
        addSample();
        execSql(QStringLiteral("delete from CardLog")); // the sample's own rows
        const char *rows[][4] = {{"2024-03-01 08:00:00", "甲", "单张发行", "A1B2C3D4"},
                                 {"2024-03-02 09:00:00", "乙", "单张发行", "DEADBEEF"},
                                 {"2024-03-04 10:00:00", "甲", "卡片延期", "DEADBEEF"},
                                 {"2024-03-05 09:00:00", "甲", "档案编辑", "A1B2C3D4"}};
        for (const auto &r : rows)
            execSql(QStringLiteral("insert into CardLog(操作时间,操作员,操作,卡片内码,结果) "
                                   "values('%1','%2','%3','%4','已保存')")
                        .arg(QString::fromUtf8(r[0]), QString::fromUtf8(r[1]),
                             QString::fromUtf8(r[2]), QString::fromUtf8(r[3])));
    }
    void TearDown() override
    {
        ReportPreview::endScript();
        ArchiveWindowTest::TearDown();
    }

    // Shows the archive, clicks the owner of `code` in the grid and then "卡片历史".
    CardHistoryWindow *openHistoryOf(const QString &code)
    {
        open();
        const int row = int(gridCodes().indexOf(code));
        EXPECT_GE(row, 0);
        const QModelIndex cell = form->DBFLGridModel->index(row, 2);
        QTest::mouseClick(form->DBFLGrid->viewport(), Qt::LeftButton, {},
                          form->DBFLGrid->visualRect(cell).center());
        click(form->btnHistory);
        return form->historyWindow();
    }
    // 操作时间 and 卡片内码 of the rows shown, top to bottom.
    static QStringList shown(CardHistoryWindow *w)
    {
        auto *grid = testsupport::find<QTableView>(w, "histGrid");
        QStringList out;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            out << grid->model()->index(r, 0).data().toString() + QLatin1Char(' ') +
                       grid->model()->index(r, 3).data().toString();
        return out;
    }
};

TEST_F(CardHistoryTest, TheSelectedOwnersCardNewestFirstThenAnySearch)
{
    CardHistoryWindow *w = openHistoryOf(QStringLiteral("DEADBEEF"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(testsupport::find<QLineEdit>(w, "histCard")->text(), QStringLiteral("DEADBEEF"));
    EXPECT_EQ(shown(w),
              (QStringList{"2024-03-04 10:00:00 DEADBEEF", "2024-03-02 09:00:00 DEADBEEF"}));
    EXPECT_EQ(testsupport::find<QLabel>(w, "histCount")->text(), T::HistoryCount.arg(2));

    // One account over two days, every card.
    testsupport::find<QLineEdit>(w, "histCard")->clear();
    testsupport::find<QLineEdit>(w, "histAccount")->setText(QStringLiteral("甲"));
    click(testsupport::find<QCheckBox>(w, "histByDays"));
    testsupport::find<QDateEdit>(w, "histFrom")->setDate(QDate(2024, 3, 4));
    testsupport::find<QDateEdit>(w, "histTo")->setDate(QDate(2024, 3, 5));
    click(testsupport::find<QPushButton>(w, "histSearch"));
    EXPECT_EQ(shown(w),
              (QStringList{"2024-03-05 09:00:00 A1B2C3D4", "2024-03-04 10:00:00 DEADBEEF"}));

    // Exported as the grid shows it, and printed.
    const QString csv = dir.path(QStringLiteral("history.csv"));
    expectFile(csv);
    click(testsupport::find<QPushButton>(w, "histExport"));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("操作时间"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2024-03-05 09:00:00"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("2024-03-02"))) << text.toStdString();
    const QString pdf = dir.path(QStringLiteral("history.pdf"));
    ReportPreview::queuePdf(pdf);
    click(testsupport::find<QPushButton>(w, "histPrint"));
    EXPECT_EQ(ReportPreview::lastCaption(), T::HistoryReportCaption);
    EXPECT_GT(QFileInfo(pdf).size(), 0);
}

TEST_F(CardHistoryTest, OnlyAnAdministratorDeletesTheHistoryOfOneCard)
{
    UserType = QStringLiteral("操作员");
    CardHistoryWindow *w = openHistoryOf(QStringLiteral("A1B2C3D4"));
    EXPECT_FALSE(testsupport::find<QPushButton>(w, "histDelete")->isEnabled());
    click(testsupport::find<QPushButton>(w, "histClose"));
    EXPECT_FALSE(w->isVisible());

    UserType = AdminRole;
    w = openHistoryOf(QStringLiteral("A1B2C3D4"));
    ASSERT_TRUE(testsupport::find<QPushButton>(w, "histDelete")->isEnabled());
    expectBox(Dialogs::No);
    click(testsupport::find<QPushButton>(w, "histDelete"));
    EXPECT_EQ(shown(w).size(), 2);
    expectBox(Dialogs::Yes);
    expectBox();
    click(testsupport::find<QPushButton>(w, "histDelete"));
    EXPECT_EQ(lastShown().text, T::HistoryDeleted.arg(QStringLiteral("A1B2C3D4")).arg(2));
    EXPECT_TRUE(shown(w).isEmpty());
    EXPECT_EQ(cardHistory().size(), 2) << "the other card's history stays";
}

} // namespace
