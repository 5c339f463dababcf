// The passage window driven as the operator uses it: a drive map on a temporary program
// directory, the import (arrival, import, re-import refused, removal mid-import), the searches,
// show all, clear and close.
#include "archive/reportpreview.h"
#include "cardtabview.h"
#include "common/clock.h"
#include "common/gbk.h"
#include "common/globals.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "db/dbcontrols.h"
#include "db/dberror.h"
#include "db/query.h"
#include "db/starter.h"
#include "passages/archivesearch.h"
#include "passages/drives.h"
#include "passages/passagechart.h"
#include "passages/passageimport.h"
#include "passages/recordfiles.h"
#include "passages/texts.h"
#include "passages/tform10.h"
#include "shell/forms.h"
#include "shell/texts.h"
#include "shell/tform1.h"
#include "shell/tform12.h"
#include "shell/widgets.h"
#include "smalldisk.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCalendarWidget>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sqlite3.h>

namespace {

namespace T = texts::passages;

const QString Stick = testsupport::dataFile(QStringLiteral("passages/stick"));

class PassageWindow : public testsupport::WindowsTest
{
protected:
    PassageWindow()
        : WindowsTest(QString())
    {}

    void SetUp() override
    {
        WindowsTest::SetUp();
        // Owners of two of the stick's cards, and one without any passage.
        execSql(QStringLiteral(
            "insert into CZdata (车辆编号, 卡片内码, 车主姓名, 车牌号码) values "
            "(1001, 'ABCDEF12', '张三丰', '京A00001'), (1002, '12345678', '李四光', '沪B00002'), "
            "(1003, '99999999', '赵六', '粤C00003')"));
        ASSERT_TRUE(QDir().mkpath(drives::mapFolder(dir.root())));
        progress = std::make_unique<TForm12>();
        Form12 = progress.get();
        form = std::make_unique<TForm10>();
        Form10 = form.get();
        main->attachPassageWindow(form.get());
        tester = std::make_unique<QAbstractItemModelTester>(
            form->DBFLGrid->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    }

    void TearDown() override
    {
        tester.reset();
        Form10 = nullptr;
        form.reset();
        Form12 = nullptr;
        progress.reset();
        WindowsTest::TearDown();
    }

    void plug(const QString &name, const QString &target)
    {
        ASSERT_TRUE(QFile::link(target, drives::mapFolder(dir.root()) + QLatin1Char('/') + name));
    }
    void unplug(const QString &name)
    {
        ASSERT_TRUE(QFile::remove(drives::mapFolder(dir.root()) + QLatin1Char('/') + name));
    }

    // Opens the window from the card tab and waits until it is the active one.
    void open()
    {
        form->openFromCardTab();
        QTRY_VERIFY(form->isActiveWindow());
    }

    void clickImportAndWait()
    {
        ASSERT_TRUE(form->btndaru->isEnabled());
        QTest::mouseClick(form->btndaru, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!form->importRunning(), 30000);
    }

    // Values of a statement's rows, columns joined by '|' (NULL as "-").
    QStringList rows(const QString &sql)
    {
        db::Handle h = db::openDatabase(databasePath(), QString::fromLatin1(db::DatabasePassword));
        db::Statement st(h.get(), sql);
        QStringList out;
        while (st.step()) {
            QStringList cells;
            for (int c = 0; c < sqlite3_column_count(st.get()); ++c) {
                const auto *t = sqlite3_column_text(st.get(), c);
                cells << (t ? QString::fromUtf8(reinterpret_cast<const char *>(t))
                            : QStringLiteral("-"));
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    int storedRows() { return rows(QStringLiteral("select count(*) from CRJL")).value(0).toInt(); }

    // What the grid shows, one row per line:
    // 序号|卡片内码|车主姓名|车牌号码|进出时间|进出状态|读卡地址.
    QStringList grid() const
    {
        const QAbstractItemModel *m = form->DBFLGrid->model();
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c)
                cells << m->index(r, c).data().toString();
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }

    // A stick with a record folder holding the given files.
    QString makeStick(const QString &name, const QList<QPair<QString, QByteArray>> &files)
    {
        const QString root = dir.path(name);
        for (const auto &f : files)
            dir.write(name + QStringLiteral("/TALVERK/") + f.first, f.second);
        QDir().mkpath(root);
        return root;
    }

    appclock::ScopedNow now{QDateTime(QDate(2013, 1, 2), QTime(8, 0, 5))};
    std::unique_ptr<TForm12> progress;
    std::unique_ptr<TForm10> form;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

const QString ShowAllFour = QStringLiteral("显示全部车辆进出记录.当前共有4 笔记录");
const QStringList JoinedAfterImport = {
    QStringLiteral("||赵六|粤C00003|||"), // the owner without passages comes first
    QStringLiteral("1|ABCDEF12|张三丰|京A00001|2013年01月02日08:30分|进|01"),
    QStringLiteral("2|12345678|李四光|沪B00002|2013年12月31日23:59分|出|02"),
    QStringLiteral("4|ABCDEF12|张三丰|京A00001|2013年01月02日08:30分|进|01"),
};

// Drops the picker's calendar down as a user does, with a click on its arrow, and closes it.
void dropDown(QDateTimeEdit *picker)
{
    QTest::mouseClick(picker, Qt::LeftButton, {},
                      QPoint(picker->width() - 6, picker->height() / 2));
    QWidget *popup = picker->calendarWidget()->window();
    QTRY_VERIFY(popup->isVisible());
    popup->hide();
}

// Types text key by key, also characters that have no key code of their own.
void type(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

TEST_F(PassageWindow, ArrivalImportAndTheRefusedReimport)
{
    QTemporaryDir noRecords;
    plug(QStringLiteral("a-camera"), noRecords.path());
    open();
    EXPECT_EQ(form->Wtxt1->text(), T::Welcome);
    EXPECT_TRUE(form->btndaru->isEnabled()) << "a drive was seen when the window opened";
    EXPECT_EQ(form->Labellbl6->text(), QStringLiteral("2013年01月02日"));

    // The stick arrives while the window is open; the poll notices within a second.
    plug(QStringLiteral("usb"), Stick);
    QTRY_COMPARE_WITH_TIMEOUT(form->Wtxt1->text(), T::DriveInserted, 5000);
    EXPECT_TRUE(form->btndaru->isEnabled());
    clickImportAndWait();

    // Two drives: the records come from the one listed last.
    EXPECT_EQ(RecordDrive, drives::mapFolder(dir.root()) + QStringLiteral("/usb/"));
    EXPECT_EQ(rows(QStringLiteral("select * from CRJL order by 序号")),
              QStringList({
                  QStringLiteral("1|ABCDEF12|张三 |京A12345 |2013年01月02日08:30分|进|01|||01,1,"
                                 "ABCDEF12,201301020830"),
                  QStringLiteral("2|12345678|李四 |沪B67890 |2013年12月31日23:59分|出|02|||02,0,"
                                 "12345678,201312312359"),
                  QStringLiteral("3|0000AAAA|王五 |粤C24680 |2014年02月03日10:15分|进|03|||03,1,"
                                 "0000AAAA,201402031015"),
                  QStringLiteral("4|ABCDEF12|张三 |京A12345 |2013年01月02日08:30分|进|01|||01,1,"
                                 "ABCDEF12,201301020830"),
              }));
    QFile working(dir.path(QStringLiteral("RD.TXT")));
    ASSERT_TRUE(working.open(QIODevice::ReadOnly));
    EXPECT_EQ(working.readAll(),
              records::joinLines(records::readRecordLines(Stick + QStringLiteral("/TALVERK"))));

    // Show all ran: owners joined, the unregistered card 0000AAAA left out.
    EXPECT_EQ(grid(), JoinedAfterImport);
    EXPECT_EQ(form->Wtxt1->text(), ShowAllFour);
    EXPECT_EQ(form->DBFLGrid->currentIndex().row(), 1) << "show all moves to the second row";
    EXPECT_FALSE(form->btndaru->isEnabled());
    EXPECT_EQ(form->Gauge1->value(), 4);
    EXPECT_FALSE(Form12->isVisible());
    EXPECT_EQ(Form12->Gauge1->value(), 0);
    EXPECT_EQ(form->statusPanels[1]->text(), QStringLiteral("开始时间:08:00:05"));
    EXPECT_EQ(form->statusPanels[2]->text(), QStringLiteral("结束时间:08:00:05"));
    EXPECT_EQ(form->statusPanels[0]->text(), QStringLiteral("总用时：  0"));

    // A search without hits empties the view; the table still holds the rows, so a new arrival
    // and a press of the button are refused and import nothing twice.
    type(form->edtXmEdt, QStringLiteral("无此人"));
    expectBox();
    QTest::mouseClick(form->btnSeaCmd, Qt::LeftButton);
    EXPECT_EQ(form->DBFLGrid->model()->rowCount(), 0);
    form->deviceArrived(QString());
    expectBox();
    QTest::mouseClick(form->btndaru, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, T::RecordsExistLeaveFirst);
    EXPECT_FALSE(form->btndaru->isEnabled());
    EXPECT_EQ(storedRows(), 4);
}

// The grid's columns fill its width at the window's size and when the window grows; the name
// and the time take the room, the others keep their widths.
TEST_F(PassageWindow, TheColumnsSpanTheGrid)
{
    plug(QStringLiteral("usb"), Stick);
    open();
    QTableView *grid = form->DBFLGrid;
    const auto spans = [&] {
        return grid->horizontalHeader()->length() == grid->viewport()->width();
    };
    QTRY_VERIFY(spans());
    const int codeWidth = grid->columnWidth(1);
    form->resize(form->width() + 300, form->height());
    QTRY_VERIFY(spans());
    EXPECT_EQ(grid->columnWidth(1), codeWidth);
}

TEST_F(PassageWindow, ActivationWithoutADriveSaysSoAndTheImportFindsNoFile)
{
    expectBox();
    open();
    QTRY_COMPARE(shownTexts(), QStringList({T::NoRecordDrive}));
    EXPECT_FALSE(form->btndaru->isEnabled());

    // A drive without the record folder, then one with only blank lines.
    const QString blank =
        makeStick(QStringLiteral("blank"), {{QStringLiteral("blank.txt"), "   \r\n \r\n"},
                                            {QStringLiteral("empty.TXT"), ""}});
    for (const QString &target : {dir.root(), blank}) {
        QFile::remove(drives::mapFolder(dir.root()) + QStringLiteral("/usb"));
        form->driveWatcher()->poll();
        plug(QStringLiteral("usb"), target);
        form->driveWatcher()->poll();
        ASSERT_TRUE(form->btndaru->isEnabled());
        expectBox();
        QTest::mouseClick(form->btndaru, Qt::LeftButton);
        EXPECT_EQ(lastShown().text, T::NoRecordFile);
        EXPECT_FALSE(form->btndaru->isEnabled());
        EXPECT_EQ(storedRows(), 0);
        EXPECT_TRUE(QFile::exists(dir.path(QStringLiteral("RD.TXT"))));
    }
    // With no drive at all the record folder is not looked for beside the program.
    QFile::remove(drives::mapFolder(dir.root()) + QStringLiteral("/usb"));
    form->driveWatcher()->poll();
    RecordDrive.clear();
    dir.write(QStringLiteral("TALVERK/here.txt"), "0001 ,x ,y ,01,1,ABCDEF12,201301020830\r\n");
    form->deviceArrived(QString());
    expectBox();
    QTest::mouseClick(form->btndaru, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, T::NoRecordFile);
    EXPECT_EQ(storedRows(), 0);
}

TEST_F(PassageWindow, AnUnreadableRecordFileGoesToTheGeneralErrorDisplay)
{
    const QString stick = makeStick(QStringLiteral("bad"), {{QStringLiteral("a.txt"), "x\r\n"}});
    ASSERT_TRUE(
        QFile::link(QStringLiteral("/proc/self/mem"), stick + QStringLiteral("/TALVERK/bad.txt")));
    plug(QStringLiteral("usb"), stick);
    open();
    form->deviceArrived(QString());
    expectBox();
    QTest::mouseClick(form->btndaru, Qt::LeftButton);
    EXPECT_EQ(lastShown().icon, Dialogs::Critical);
    EXPECT_TRUE(lastShown().text.contains(QStringLiteral("bad.txt")))
        << lastShown().text.toStdString();
    EXPECT_NE(lastShown().text, T::RecordsExistShowAll);
    EXPECT_FALSE(form->importRunning());
    EXPECT_EQ(storedRows(), 0);
}

// Many lines, so that the import needs several turns of the event loop.
QByteArray manyLines(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += "0001 ,x ,y ,01,1," + QByteArray::number(i, 16).rightJustified(8, '0') +
               ",201301020830\r\n";
    return out;
}

TEST_F(PassageWindow, RemovingTheStickStopsTheImportAndKeepsWhatWasStored)
{
    const int total = 60000;
    QTemporaryDir other;
    plug(QStringLiteral("aa-other"), other.path());
    plug(QStringLiteral("usb"),
         makeStick(QStringLiteral("big"), {{QStringLiteral("big.txt"), manyLines(total)}}));
    open();
    form->deviceArrived(QString());

    bool first = true;
    bool preparing = false;
    // usb is listed last, so it is the record drive.
    QObject::connect(form->passageImport(), &PassageImport::progress, form.get(), [&](int done) {
        if (!first)
            return;
        first = false;
        preparing = Form12->isVisible() && Form12->Label1->text() == texts::shell::ImportPreparing;
        unplug(QStringLiteral("aa-other"));
        form->driveWatcher()->poll();
        EXPECT_TRUE(form->importRunning()) << "not the record drive";
        EXPECT_GT(form->memo2, 0);
        unplug(QStringLiteral("usb"));
        form->driveWatcher()->poll();
        EXPECT_GT(done, 0);
    });
    expectBox();
    QTest::mouseClick(form->btndaru, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form->importRunning(), 30000);
    EXPECT_TRUE(preparing) << "the progress window opens at 0";
    EXPECT_EQ(lastShown().text, T::DriveRemovedDuringImport);
    const int stored = storedRows();
    EXPECT_GT(stored, 0) << "the rows stored before the removal stay";
    EXPECT_LT(stored, total);
    EXPECT_EQ(form->Gauge1->value(), stored);
    EXPECT_FALSE(Form12->isVisible());
    EXPECT_FALSE(form->btndaru->isEnabled());
}

TEST_F(PassageWindow, WhileImportingCommandsCloseAndTrayWaitAndTheSharedConnectionMayGo)
{
    const int total = 30000;
    plug(QStringLiteral("usb"),
         makeStick(QStringLiteral("big"), {{QStringLiteral("big.txt"), manyLines(total)}}));
    main->show();
    open();
    form->deviceArrived(QString());
    bool checked = false;
    QObject::connect(form->passageImport(), &PassageImport::progress, form.get(), [&] {
        if (checked)
            return;
        checked = true;
        EXPECT_FALSE(form->btnAllSeaCmd->isEnabled());
        EXPECT_FALSE(form->btndaru->isEnabled()) << "no second import";
        EXPECT_FALSE(form->edt1->isEnabled());
        form->close();
        EXPECT_TRUE(form->isVisible()) << "the close waits";
        QTest::mouseClick(main->rzstspn1, Qt::LeftButton);
        EXPECT_TRUE(form->isVisible()) << "the tray minimise waits";
        EXPECT_TRUE(main->isVisible());
        // The help tab releases the file; the import has its own connection.
        Datafrm->closeAll();
    });
    QTest::mouseClick(form->btndaru, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form->importRunning(), 30000);
    EXPECT_TRUE(checked);
    EXPECT_EQ(storedRows(), total);
    EXPECT_TRUE(form->btnAllSeaCmd->isEnabled());
    // None of the cards has an owner: show all finds the three owners only.
    EXPECT_EQ(form->Wtxt1->text(), QStringLiteral("显示全部车辆进出记录.当前共有3 笔记录"));
    // After the import the tray minimise works again (on a desktop with a tray: without one the
    // windows only minimise).
    systemtray::setAvailableForTests(true);
    QTest::mouseClick(main->rzstspn1, Qt::LeftButton);
    systemtray::setAvailableForTests(std::nullopt);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(PassageWindow, OtherWritersAreNotLockedOutWhileAnImportRuns)
{
    // The issuer has written a card while a large import runs: its owner record, an account and
    // the issuer password are saved through the shared connection from the same event loop.
    const int total = 60000;
    plug(QStringLiteral("usb"),
         makeStick(QStringLiteral("big"), {{QStringLiteral("big.txt"), manyLines(total)}}));
    open();
    form->deviceArrived(QString());
    int saves = 0;
    QStringList failures;
    QObject::connect(form->passageImport(), &PassageImport::progress, form.get(), [&](int done) {
        if (saves == 3 || done >= total)
            return;
        const QString statements[] = {
            QStringLiteral("insert into CZdata (车辆编号, 卡片内码) values (2001, '9F0832A5')"),
            QStringLiteral("insert into users (user_name, user_pass, user_type) values "
                           "('op', 'x', '操作员')"),
            QStringLiteral("update usersmm set pass_word = '654321'"),
        };
        try {
            Query q(Datafrm->con);
            q.setSQL(statements[saves]);
            q.execSQL();
        } catch (const DbError &e) {
            failures << e.text();
        }
        ++saves;
    });
    QTest::mouseClick(form->btndaru, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form->importRunning(), 60000);
    EXPECT_EQ(saves, 3);
    EXPECT_EQ(failures, QStringList());
    EXPECT_EQ(storedRows(), total);
    EXPECT_EQ(rows(QStringLiteral("select count(*) from CZdata where 卡片内码 = '9F0832A5'")),
              QStringList{QStringLiteral("1")});
    EXPECT_EQ(rows(QStringLiteral("select pass_word from usersmm")),
              QStringList{QStringLiteral("654321")});
}

TEST_F(PassageWindow, AGigabyteOfNulPaddingIsReadInPiecesWithTheProgressWindowUp)
{
    // A stick pulled while the controller wrote: one record, then a sparse NUL tail. The whole
    // file used to be read at once, with the window frozen and no progress shown.
    const QString stick = makeStick(QStringLiteral("padded"),
                                    {{QStringLiteral("a.txt"), "01,1,ABCDEF12,201301020830\r\n"}});
    QFile file(stick + QStringLiteral("/TALVERK/a.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(qint64(1) << 30));
    file.close();
    plug(QStringLiteral("usb"), stick);
    open();
    form->deviceArrived(QString());
    QString labelSeen;
    int mostShown = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (Form12->isVisible() && Form12->Label1->text() == texts::shell::ImportReading) {
            labelSeen = Form12->Label1->text();
            mostShown = qMax(mostShown, Form12->Gauge1->value());
        }
    });
    watch.start(10);
    clickImportAndWait();
    EXPECT_EQ(labelSeen, texts::shell::ImportReading) << "the window repaints while reading";
    EXPECT_GT(mostShown, 0);
    EXPECT_EQ(rows(QStringLiteral("select 卡片内码, 记录原文 from CRJL")),
              QStringList{QStringLiteral("ABCDEF12|01,1,ABCDEF12,201301020830")});
    EXPECT_FALSE(Form12->isVisible());
}

TEST_F(PassageWindow, AFileHeldByAnotherProgramIsSaidSoNotAsRecordsThatExist)
{
    plug(QStringLiteral("usb"), Stick);
    open();
    form->deviceArrived(QString());
    // Another program writing the file at length.
    db::Handle other = db::openDatabase(databasePath(), QString::fromLatin1(db::DatabasePassword));
    db::exec(other.get(), QStringLiteral("BEGIN EXCLUSIVE"));
    expectBox();
    QTest::mouseClick(form->btndaru, Qt::LeftButton);
    db::exec(other.get(), QStringLiteral("ROLLBACK"));
    EXPECT_NE(lastShown().text, T::RecordsExistShowAll);
    EXPECT_TRUE(lastShown().text.contains(QStringLiteral("正被其他程序使用")))
        << lastShown().text.toStdString();
    EXPECT_TRUE(form->btndaru->isEnabled()) << "the import can be tried again";
    EXPECT_FALSE(form->importRunning());
    clickImportAndWait();
    EXPECT_EQ(storedRows(), 4);
}

TEST(PassageImportAlone, AFullDiskEndsTheImportAtOnceAndSaysWhy)
{
    // Every line used to be tried against the full disk, and the window then only said that
    // the table was empty.
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("disk"));
    testsupport::SmallDisk disk(folder, QStringLiteral("1m"));
    if (!disk.mounted())
        GTEST_SKIP() << "no file system of its own can be mounted here";
    const QString file =
        createStarterDatabase(folder, QStringLiteral("admin"), QStringLiteral("admin123"));
    ASSERT_FALSE(file.isEmpty());
    const QList<QByteArray> lines = records::splitLines(manyLines(60000));
    PassageImport import;
    QSignalSpy finished(&import, &PassageImport::finished);
    import.start(file, QString::fromLatin1(db::DatabasePassword), lines);
    ASSERT_TRUE(finished.wait(120000));
    EXPECT_TRUE(import.failure().contains(QStringLiteral("磁盘已满")))
        << import.failure().toStdString();
    EXPECT_LT(import.rowsStored(), int(lines.size()));
    EXPECT_LT(import.linesDone(), int(lines.size())) << "the import ends at the first failure";
    // What was committed before the disk filled stays, and is counted as stored.
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    db::Statement count(h.get(), QStringLiteral("select count(*) from CRJL"));
    ASSERT_EQ(sqlite3_step(count.get()), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(count.get(), 0), import.rowsStored());
}

TEST_F(PassageWindow, SearchesByFieldAndTimeRange)
{
    expectBox();
    open(); // no drive yet
    expectBox();
    QTest::mouseClick(form->btnSeaCmd, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, T::NotImported) << "searching before any import";

    plug(QStringLiteral("usb"), Stick);
    form->driveWatcher()->poll();
    clickImportAndWait();
    ASSERT_EQ(storedRows(), 4);

    const struct
    {
        QLineEdit *field;
        QString text;
        QStringList found; // empty: nothing found
    } cases[] = {
        {form->edt1, QStringLiteral("CDEF"), {JoinedAfterImport.at(1), JoinedAfterImport.at(3)}},
        {form->edt1, QStringLiteral("cdef"), {JoinedAfterImport.at(1), JoinedAfterImport.at(3)}},
        {form->edt1, QStringLiteral("0000AAAA"), {}}, // a card without owner is never shown
        {form->edtGhCode, QStringLiteral("沪B"), {JoinedAfterImport.at(2)}},
        // A condition on the archive lists owners without passages too.
        {form->edtXmEdt, QStringLiteral("赵"), {JoinedAfterImport.at(0)}},
        {form->edtXmEdt, QStringLiteral("\" or \"\"=\""), {}},
        {form->edtGhCode, QStringLiteral("'); delete from CRJL; --"), {}},
        {form->edtXmEdt, QStringLiteral("%\"  "), {}},
        // % and _ are literal: no plate or name holds them.
        {form->edtGhCode, QStringLiteral("%"), {}},
        {form->edtXmEdt, QStringLiteral("_"), {}},
    };
    for (const auto &c : cases) {
        form->edt1->clear();
        form->edtGhCode->clear();
        form->edtXmEdt->clear();
        QTest::mouseClick(c.field, Qt::LeftButton);
        c.field->setText(c.text); // pasted: the key filter does not see it
        if (c.found.isEmpty())
            expectBox();
        QTest::mouseClick(form->btnSeaCmd, Qt::LeftButton);
        EXPECT_EQ(grid(), c.found) << c.text.toStdString();
        if (c.found.isEmpty()) {
            EXPECT_EQ(lastShown().text, T::NothingFound);
            EXPECT_EQ(form->Wtxt1->text(), T::NothingFoundPane);
        } else {
            EXPECT_EQ(form->Wtxt1->text(),
                      QStringLiteral("当前查询到%1 笔记录").arg(c.found.size()));
        }
        EXPECT_EQ(storedRows(), 4) << c.text.toStdString();
    }

    // All fields empty: the pickers' range, the start day from 00:00, the end day to 23:59.
    form->edt1->clear();
    form->edtGhCode->clear();
    form->edtXmEdt->clear();
    EXPECT_FALSE(form->btnSeaCmd->isEnabled());
    dropDown(form->dtp2);
    EXPECT_TRUE(form->btnSeaCmd->isEnabled());
    QTest::mouseClick(form->btnSeaCmd, Qt::LeftButton); // defaults: 2013-01-02 to 2013-01-09
    EXPECT_EQ(grid(), QStringList({JoinedAfterImport.at(1), JoinedAfterImport.at(3)}));
    form->dtp1->setDate(QDate(2013, 12, 31));
    form->dtp2->setDate(QDate(2013, 12, 31));
    QTest::mouseClick(form->btnSeaCmd, Qt::LeftButton);
    EXPECT_EQ(grid(), QStringList({JoinedAfterImport.at(2)}));
    form->dtp1->setDate(QDate(2013, 1, 3));
    form->dtp2->setDate(QDate(2013, 12, 30));
    expectBox();
    QTest::mouseClick(form->btnSeaCmd, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, T::NothingInRange);
}

TEST_F(PassageWindow, ConditionFieldsReact)
{
    plug(QStringLiteral("usb"), Stick);
    open();
    // Card code: hex digits only.
    form->btnSeaCmd->setEnabled(false);
    QTest::mouseClick(form->edt1, Qt::LeftButton);
    EXPECT_EQ(form->Wtxt1->text(), T::CardCodeHint);
    QTest::keyClicks(form->edt1, QStringLiteral("a1G-z F"));
    EXPECT_EQ(form->edt1->text(), QStringLiteral("a1F"));
    EXPECT_TRUE(form->btnSeaCmd->isEnabled());
    QTest::keyClick(form->edt1, Qt::Key_Backspace);
    QTest::keyClick(form->edt1, Qt::Key_Backspace);
    QTest::keyClick(form->edt1, Qt::Key_Backspace);
    EXPECT_FALSE(form->btnSeaCmd->isEnabled()) << "an empty card code disables the search";

    // Pressing into the plate field empties the others; typing there asks for the search.
    form->edt1->setText(QStringLiteral("AB"));
    QTest::mouseClick(form->edtGhCode, Qt::LeftButton);
    EXPECT_TRUE(form->edt1->text().isEmpty());
    type(form->edtGhCode, QStringLiteral("京A"));
    EXPECT_EQ(form->Wtxt1->text(), T::PressSearch);
    EXPECT_TRUE(form->btnSeaCmd->isEnabled());
    QTest::keyClick(form->edtGhCode, Qt::Key_Return);
    EXPECT_TRUE(form->btnSeaCmd->hasFocus()) << "Enter goes to the search button, no search yet";
    EXPECT_TRUE(Dialogs::shown().isEmpty());

    // The name field empties the plate field when typed into, the card code when pressed.
    QTest::mouseClick(form->edtXmEdt, Qt::LeftButton);
    EXPECT_TRUE(form->edtGhCode->text().isEmpty());
    type(form->edtXmEdt, QStringLiteral("张"));
    EXPECT_TRUE(form->btnSeaCmd->isEnabled());
    form->edtXmEdt->setText(QStringLiteral("  "));
    EXPECT_FALSE(form->btnSeaCmd->isEnabled()) << "blanks are no condition";

    // Dropping a calendar down enables the search.
    dropDown(form->dtp1);
    EXPECT_TRUE(form->btnSeaCmd->isEnabled());
}

TEST_F(PassageWindow, TheCardCodeFieldTakesOnlyHexDigitsAlsoWhenPasted)
{
    expectBox(); // no record drive
    open();
    form->edt1->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("'%\"_;--ab12张CD"));
    QTest::keyClick(form->edt1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form->edt1->text(), QStringLiteral("ab12CD"));
    QTest::keyClick(form->edt1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(form->edt1, Qt::Key_Backspace);
    QTest::sendKeyEvent(QTest::Click, form->edt1, Qt::Key(0xff21), QStringLiteral("Ａ"),
                        Qt::NoModifier);
    QTest::keyClicks(form->edt1, QStringLiteral("F0"));
    EXPECT_EQ(form->edt1->text(), QStringLiteral("F0"));
}

// Many passages of one owner's card: the grid reads its rows as it scrolls, the status says the
// whole count at once, and the export and the searches still take every row.
TEST_F(PassageWindow, TheGridReadsItsRowsAsItScrollsAndTheCountIsTheWholeOne)
{
    const int passages = 1000;
    QByteArray text;
    for (int i = 0; i < passages; ++i)
        text += "0001 ,x ,y ,01,1,ABCDEF12,2013010208" + QByteArray::number(10 + i % 50) + "\r\n";
    plug(QStringLiteral("usb"),
         makeStick(QStringLiteral("many"), {{QStringLiteral("many.txt"), text}}));
    open();
    form->deviceArrived(QString());
    clickImportAndWait();
    const int whole = passages + 2; // with the two owners without passages
    EXPECT_EQ(form->Wtxt1->text(), T::ShowAllCount + QString::number(whole) + T::RecordsSuffix);
    QAbstractItemModel *model = form->DBFLGrid->model();
    EXPECT_LT(model->rowCount(), whole) << "the first screen needs only the first rows";
    EXPECT_GT(model->rowCount(), 0);
    EXPECT_EQ(form->DBFLGrid->currentIndex().row(), 1);

    for (int i = 0; i < 20 && model->rowCount() < whole; ++i) {
        form->DBFLGrid->scrollToBottom();
        QApplication::processEvents();
    }
    ASSERT_EQ(model->rowCount(), whole) << "scrolling down reads the rest";
    EXPECT_EQ(model->index(whole - 1, 0).data().toString(), QString::number(passages));

    // A search by card code counts every row it finds, read or not.
    form->edt1->setText(QStringLiteral("ABCDEF12"));
    QTest::mouseClick(form->btnSeaCmd, Qt::LeftButton);
    EXPECT_EQ(form->Wtxt1->text(), T::FoundPrefix + QString::number(passages) + T::RecordsSuffix);
    EXPECT_LT(model->rowCount(), passages);

    const QString csv = dir.path(QStringLiteral("many.csv"));
    expectFile(csv);
    QTest::mouseClick(form->btndachu, Qt::LeftButton);
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_EQ(exported.readAll().count("\r\n"), whole + 1) << "the title row and every row";
}

TEST_F(PassageWindow, ClearShowAllCloseAndOpenAgain)
{
    expectBox();
    open();
    expectBox();
    QTest::mouseClick(form->btnAllSeaCmd, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, T::ShowAllEmpty);
    expectBox();
    QTest::mouseClick(form->btndachu, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, QStringLiteral("当前记录为空! 请先导入记录。"));

    plug(QStringLiteral("usb"), Stick);
    form->driveWatcher()->poll();
    clickImportAndWait();
    QTest::mouseClick(form->btnDelCmd, Qt::LeftButton);
    EXPECT_EQ(form->DBFLGrid->model()->rowCount(), 0);
    EXPECT_EQ(form->Wtxt1->text(), T::Cleared);
    EXPECT_FALSE(Datafrm->con->connected());
    EXPECT_EQ(storedRows(), 4) << "clearing the display keeps the rows";
    QTest::mouseClick(form->btnAllSeaCmd, Qt::LeftButton);
    EXPECT_EQ(grid(), JoinedAfterImport);

    // Export writes the joined rows; print previews them (to a PDF here) and releases the file.
    const QString csv = dir.path(QStringLiteral("passages.csv"));
    expectFile(csv);
    QTest::mouseClick(form->btndachu, Qt::LeftButton);
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(exported.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("李四光"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("粤C00003"))) << "owners without passages too";
    const QString pdf = dir.path(QStringLiteral("passages.pdf"));
    ReportPreview::queuePdf(pdf);
    QTest::mouseClick(form->btndayin, Qt::LeftButton);
    EXPECT_TRUE(QFileInfo(pdf).size() > 0);
    EXPECT_EQ(form->Wtxt1->text(), QStringLiteral("打印进出记录表"));
    EXPECT_FALSE(Datafrm->con->connected());

    // A tray restore shows the window again with its rows.
    form->hide();
    form->show();
    EXPECT_EQ(storedRows(), 4);

    cardTab(main.get()).edt17->setText(QString());
    QTest::mouseClick(form->btnExitCmd, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(cardTab(main.get()).edt17->text(), T::CardFieldIdle);
    EXPECT_EQ(storedRows(), 0);

    // Rows left behind (a program that was killed) go when the card tab opens the window.
    execSql(QStringLiteral("insert into CRJL (卡片内码) values ('ABCDEF12')"));
    open();
    EXPECT_EQ(storedRows(), 0);
    expectBox();
    QTest::mouseClick(form->btnSeaCmd, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, T::NotImported);

    // The emptied table numbers the next import from 1 again.
    form->driveWatcher()->poll();
    clickImportAndWait();
    EXPECT_EQ(rows(QStringLiteral("select min(序号) from CRJL")), QStringList{QStringLiteral("1")});
}

// ---------------------------------------------------------------------------------------------
// The passage archive

namespace A = texts::passages::archive;

// A stick of a gate whose controller 01 went back a fortnight and whose controller 02 jumped to
// 2099, read on 2014-03-01.
const QByteArray DriftedStick =
    gbk::encode(QStringLiteral("0001 ,张三 ,京A12345 ,01,1,ABCDEF12,201402010800\r\n"
                               "0001 ,张三 ,京A12345 ,01,0,ABCDEF12,201402011800\r\n"
                               "0002 ,李四 ,沪B67890 ,01,1,12345678,201401150900\r\n"
                               "0002 ,李四 ,沪B67890 ,02,1,12345678,209901010000\r\n"
                               "0002 ,李四 ,沪B67890 ,02,0,12345678,201402020700\r\n"));

template <typename W> W *control(QWidget *window, const char *name)
{
    W *w = window->findChild<W *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

TEST_F(PassageWindow, TheArchiveKeepsEveryStickOnceAndSaysWhatWasThereAlready)
{
    plug(QStringLiteral("usb"), Stick);
    open();
    QLabel *said = control<QLabel>(form.get(), "lblArchiveImport");
    EXPECT_EQ(said->text(), QString());
    clickImportAndWait();
    // The stick holds one record twice (A.TXT and x.txt/d.txt).
    EXPECT_EQ(said->text(), A::Imported.arg(3).arg(1));
    EXPECT_EQ(rows(QStringLiteral("select count(*) from CRJLDA")), QStringList{"3"});

    // Closing empties CRJL, the archive stays; the same stick again adds nothing.
    QTest::mouseClick(form->btnExitCmd, Qt::LeftButton);
    EXPECT_EQ(storedRows(), 0);
    open();
    EXPECT_EQ(said->text(), QString()) << "a new showing starts without the last import's note";
    clickImportAndWait();
    EXPECT_EQ(said->text(), A::Imported.arg(0).arg(4));
    EXPECT_EQ(storedRows(), 4);
    EXPECT_EQ(form->Wtxt1->text(), ShowAllFour);
    EXPECT_EQ(rows(QStringLiteral("select count(*) from CRJLDA")), QStringList{"3"});
}

TEST_F(PassageWindow, TheArchiveIsSearchedOverMonthsExportedPrintedAndItsFlaggedRowsShown)
{
    appclock::ScopedNow later(QDateTime(QDate(2014, 3, 1), QTime(9, 0)));
    // An earlier stick, already in the archive.
    execSql(QStringLiteral(
        "insert into CRJLDA (卡片内码, 车主姓名, 车牌号码, 进出时间, 进出状态, 读卡地址) values "
        "('ABCDEF12', '张三 ', '京A12345 ', '2013年11月20日08:00分', '进', '01')"));
    plug(QStringLiteral("usb"),
         makeStick(QStringLiteral("drifted"), {{QStringLiteral("a.txt"), DriftedStick}}));
    open();
    clickImportAndWait();
    EXPECT_EQ(control<QLabel>(form.get(), "lblArchiveImport")->text(), A::Imported.arg(5).arg(0));

    // From November to February: the earlier stick and this one, the year 2099 left out.
    auto *from = control<QDateTimeEdit>(form.get(), "dtpArchiveFrom");
    auto *to = control<QDateTimeEdit>(form.get(), "dtpArchiveTo");
    EXPECT_EQ(from->date(), QDate(2014, 2, 1)) << "a month back from today";
    EXPECT_EQ(to->date(), QDate(2014, 3, 1));
    from->setFocus();
    from->setDate(QDate(2013, 11, 1));
    to->setDate(QDate(2014, 2, 28));
    auto *search = control<QPushButton>(form.get(), "btnArchiveSearch");
    QTest::mouseClick(search, Qt::LeftButton);
    const QStringList all = {
        QStringLiteral("0|ABCDEF12|张三 |京A12345 |2013年11月20日08:00分|进|01"),
        QStringLiteral("3|12345678|李四 |沪B67890 |2014年01月15日09:00分|进|01"),
        QStringLiteral("1|ABCDEF12|张三 |京A12345 |2014年02月01日08:00分|进|01"),
        QStringLiteral("2|ABCDEF12|张三 |京A12345 |2014年02月01日18:00分|出|01"),
        QStringLiteral("5|12345678|李四 |沪B67890 |2014年02月02日07:00分|出|02"),
    };
    const auto withoutNumbers = [](QStringList rows) {
        for (QString &r : rows)
            r = r.section(QLatin1Char('|'), 1);
        return rows;
    };
    EXPECT_EQ(withoutNumbers(grid()), withoutNumbers(all));
    EXPECT_EQ(form->Wtxt1->text(), A::Found.arg(5));

    // The plate by its beginning.
    type(control<QLineEdit>(form.get(), "edtArchivePlate"), QStringLiteral("沪B"));
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_EQ(withoutNumbers(grid()), withoutNumbers({all[1], all[4]}));

    // Only the rows of a clock gone wrong: controller 01 went back more than a day; tinted, the
    // reason in the tooltip.
    control<QLineEdit>(form.get(), "edtArchivePlate")->clear();
    auto *flagged = control<QCheckBox>(form.get(), "chkArchiveFlagged");
    QTest::mouseClick(flagged, Qt::LeftButton);
    ASSERT_TRUE(flagged->isChecked());
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_EQ(withoutNumbers(grid()), withoutNumbers({all[1]}));
    EXPECT_EQ(form->Wtxt1->text(), A::FoundFlagged.arg(1));
    const QModelIndex cell = form->DBFLGrid->model()->index(0, 1);
    EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), A::FlagTip.arg(A::FlagOutOfOrder));
    EXPECT_TRUE(cell.data(Qt::BackgroundRole).isValid());
    // The year 2099 is flagged too, out of any sensible range.
    to->setDate(QDate(2099, 12, 31));
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_EQ(form->DBFLGrid->model()->rowCount(), 2);
    EXPECT_EQ(form->DBFLGrid->model()->index(1, 1).data(Qt::ToolTipRole).toString(),
              A::FlagTip.arg(A::FlagFuture));

    // Export and print take the archive's rows, the reason with them.
    const QString csv = dir.path(QStringLiteral("archive.csv"));
    expectFile(csv);
    QTest::mouseClick(control<QPushButton>(form.get(), "btnArchiveExport"), Qt::LeftButton);
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(exported.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("时间异常"))) << text.toStdString();
    EXPECT_TRUE(text.contains(A::FlagFuture) && text.contains(A::FlagOutOfOrder))
        << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 3) << text.toStdString();
    const QString pdf = dir.path(QStringLiteral("archive.pdf"));
    ReportPreview::queuePdf(pdf);
    QTest::mouseClick(control<QPushButton>(form.get(), "btnArchivePrint"), Qt::LeftButton);
    EXPECT_TRUE(QFileInfo(pdf).size() > 0);
    EXPECT_EQ(form->Wtxt1->text(), A::PrintingArchive);

    // A range that ends before it starts is refused; a search without hits says so.
    from->setDate(QDate(2014, 3, 1));
    to->setDate(QDate(2014, 2, 1));
    expectBox();
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, A::RangeReversed);
    to->setDate(QDate(2014, 3, 31));
    expectBox();
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_EQ(lastShown().text, A::NothingFound);
    EXPECT_EQ(form->DBFLGrid->model()->rowCount(), 0);

    // Show all gives the grid back to the imported rows; export then is the window's own.
    QTest::mouseClick(form->btnAllSeaCmd, Qt::LeftButton);
    expectBox();
    QTest::mouseClick(control<QPushButton>(form.get(), "btnArchiveExport"), Qt::LeftButton);
    EXPECT_EQ(lastShown().text, A::NothingToExport);
}

TEST_F(PassageWindow, TheChartWindowCountsDaysAndExpiringCardsAndSavesAPicture)
{
    appclock::ScopedNow later(QDateTime(QDate(2014, 3, 1), QTime(9, 0)));
    for (const char *update :
         {"update CZdata set 卡片有效期限 = '2014年03月20日' where 车辆编号 = 1001",
          "update CZdata set 卡片有效期限 = '2014年05月01日' where 车辆编号 = 1002",
          "update CZdata set 卡片有效期限 = '2014年02月01日' where 车辆编号 = 1003"})
        execSql(QString::fromUtf8(update));
    ASSERT_EQ(
        rows(QStringLiteral("select count(*) from CZdata where 卡片有效期限 >= '2014年03月01日'")),
        QStringList{QStringLiteral("2")});
    plug(QStringLiteral("usb"),
         makeStick(QStringLiteral("drifted"), {{QStringLiteral("a.txt"), DriftedStick}}));
    open();
    clickImportAndWait();
    control<QDateTimeEdit>(form.get(), "dtpArchiveFrom")->setDate(QDate(2014, 2, 1));
    control<QDateTimeEdit>(form.get(), "dtpArchiveTo")->setDate(QDate(2014, 2, 3));
    QTest::mouseClick(control<QPushButton>(form.get(), "btnArchiveChart"), Qt::LeftButton);
    PassageChart *chart = form->archivePanel->chartWindow();
    ASSERT_NE(chart, nullptr);
    QTRY_VERIFY(chart->isVisible());
    EXPECT_EQ(chart->windowTitle(), A::ChartCaption);
    // 1 February: one in, one out; 2 February: one out; 3 February: nothing.
    const QList<QAbstractSeries *> series = chart->dailyView()->chart()->series();
    ASSERT_EQ(series.size(), 2);
    const auto points = [](QAbstractSeries *s) {
        QList<qreal> ys;
        for (const QPointF &p : static_cast<QLineSeries *>(s)->points())
            ys << p.y();
        return ys;
    };
    EXPECT_EQ(points(series[0]), QList<qreal>({1, 0, 0}));
    EXPECT_EQ(points(series[1]), QList<qreal>({1, 1, 0}));
    // Of the three cards, the one of 20 March and the one of 1 May expire within the year.
    EXPECT_EQ(control<QLabel>(chart, "lblChartSummary")->text(),
              A::ChartSummary.arg(1).arg(2).arg(2));

    const QString png = dir.path(QStringLiteral("chart"));
    expectFile(png);
    QTest::mouseClick(control<QPushButton>(chart, "btnChartSave"), Qt::LeftButton);
    QImage picture(png + QStringLiteral(".png"));
    ASSERT_FALSE(picture.isNull());
    EXPECT_GT(picture.width(), 300);
    EXPECT_GT(picture.height(), 300);
    EXPECT_EQ(control<QLabel>(chart, "lblChartSummary")->text(),
              A::Saved.arg(png + QStringLiteral(".png")));
    chart->close();
}

} // namespace
