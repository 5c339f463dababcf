// The grid export over the data module's queries: dialogs, files, failures.
#include "archive/exportdbgrid.h"
#include "archive/sheetwriters.h"
#include "archive/texts.h"
#include "db/datafrm.h"
#include "readback.h"
#include "smalldisk.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

const QStringList CZdataColumns = {
    QStringLiteral("id"),           QStringLiteral("车辆编号"), QStringLiteral("卡片内码"),
    QStringLiteral("车主姓名"),     QStringLiteral("车牌号码"), QStringLiteral("汽车类型"),
    QStringLiteral("车主手机"),     QStringLiteral("车辆信息"), QStringLiteral("车场车位"),
    QStringLiteral("卡片有效期限"), QStringLiteral("住址"),     QStringLiteral("卡片状态")};

const QString Joined = QStringLiteral(
    "select cj.序号,cj.卡片内码,cz.车主姓名,cz.车牌号码,cj.进出时间,cj.进出状态,cj.读卡地址 from "
    "CZdata as cz left join CRJL as cj on cj.卡片内码=cz.卡片内码 order by 序号");

class ExportTest : public testsupport::DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        out = dir.path(QStringLiteral("out"));
        QDir().mkpath(out);
    }

    // Three owners; the second has empty (NULL) fields, and its code and phone look like
    // numbers.
    void threeOwners()
    {
        execSql(QStringLiteral(
            "insert into CZdata (车辆编号, 卡片内码, 车主姓名, 车牌号码, 汽车类型, 车主手机, "
            "车辆信息, 车场车位, 卡片有效期限, 住址, 卡片状态) values "
            "(1001, '12E45678', '张三', '京A12345', '小汽车', '13800138000', '白色', 'B1-001', "
            "'2025年12月31日', '北京市朝阳区', '已启用'),"
            "(1002, '00001234', null, null, '货车', '0001', null, null, '2000年00月00日', null, "
            "'初始化'),"
            "(1003, 'ABCDEF01', '李四', '沪C88888', '客车', '13912345678', '黑色', 'A2-017', "
            "'2024年01月05日', '上海市浦东新区', '已挂失')"));
    }

    Query *archive()
    {
        Query *q = Datafrm->Qryda1;
        q->close();
        q->setSQL(QStringLiteral("select * from CZdata;"));
        q->open();
        return q;
    }

    QString out;
};

TEST_F(ExportTest, ArchiveExportWritesEveryFieldAndRecordAndEndsOnTheLastRecord)
{
    threeOwners();
    Query *q = archive();
    q->moveTo(1);
    expectFile(out + QStringLiteral("/档案"));
    EXPECT_TRUE(exportArchiveGrid(q));

    ASSERT_EQ(Dialogs::shown().size(), 1);
    const Dialogs::Shown &dialog = Dialogs::shown().first();
    EXPECT_EQ(dialog.kind, Dialogs::Shown::SaveFile);
    EXPECT_EQ(dialog.text, QString());
    EXPECT_EQ(dialog.defaultName, QStringLiteral("车主档案表"));
    EXPECT_EQ(dialog.caption, texts::archive::ExportFilter);
    EXPECT_EQ(q->recNo(), 3);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    const readback::Sheet s = readback::read(out + QStringLiteral("/档案.xls"));
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    ASSERT_EQ(s.rowCount(), 4);
    for (int c = 0; c < CZdataColumns.size(); ++c)
        EXPECT_EQ(s.cell(0, c).text, CZdataColumns[c]);
    const QStringList second = {QStringLiteral("2"),
                                QStringLiteral("1002"),
                                QStringLiteral("00001234"),
                                QString(),
                                QString(),
                                QStringLiteral("货车"),
                                QStringLiteral("0001"),
                                QString(),
                                QString(),
                                QStringLiteral("2000年00月00日"),
                                QString(),
                                QStringLiteral("初始化")};
    for (int c = 0; c < second.size(); ++c) {
        EXPECT_EQ(s.cell(2, c).empty, second[c].isEmpty()) << c;
        EXPECT_EQ(s.cell(2, c).text, second[c]) << c;
        if (!second[c].isEmpty()) {
            EXPECT_EQ(s.cell(2, c).kind, QStringLiteral("s")) << c;
        }
    }
    EXPECT_EQ(s.cell(1, 2).text, QStringLiteral("12E45678"));
    EXPECT_EQ(s.cell(3, 10).text, QStringLiteral("上海市浦东新区"));
}

TEST_F(ExportTest, PassageExportUsesItsDialogAndTheJoinedRowsWithEmptyPassageColumns)
{
    threeOwners();
    execSql(QStringLiteral("insert into CRJL (卡片内码, 车主姓名, 车牌号码, 进出时间, 进出状态, "
                           "读卡地址) values ('12E45678', 'x', 'y', '2024年03月01日08:15分', "
                           "'进', '01'), ('FFFF0000', 'z', 'w', '2024年03月01日09:00分', '出', "
                           "'02')"));
    Query *q = Datafrm->QryJL1;
    q->setSQL(Joined);
    q->open();
    expectFile(out + QStringLiteral("/passages.xlsx"));
    EXPECT_TRUE(exportPassageGrid(q));

    ASSERT_EQ(Dialogs::shown().size(), 1);
    EXPECT_EQ(Dialogs::shown().first().text, QStringLiteral("请输入要保存的文件名"));
    EXPECT_EQ(Dialogs::shown().first().defaultName, QStringLiteral("进出记录表"));

    const readback::Sheet s = readback::read(out + QStringLiteral("/passages.xlsx"));
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    // The owners without passages first (empty 序号), then the one passage of a known card.
    ASSERT_EQ(s.rowCount(), 4);
    EXPECT_EQ(s.cell(0, 0).text, QStringLiteral("序号"));
    EXPECT_EQ(s.cell(0, 6).text, QStringLiteral("读卡地址"));
    EXPECT_TRUE(s.cell(1, 0).empty);
    EXPECT_TRUE(s.cell(1, 4).empty);
    EXPECT_EQ(s.cell(3, 0).text, QStringLiteral("1"));
    EXPECT_EQ(s.cell(3, 2).text, QStringLiteral("张三"));
    EXPECT_EQ(s.cell(3, 4).text, QStringLiteral("2024年03月01日08:15分"));
    EXPECT_EQ(s.cell(3, 6).text, QStringLiteral("01"));
}

TEST_F(ExportTest, CancellingWritesAndShowsNothing)
{
    threeOwners();
    Query *q = archive();
    q->moveTo(1);
    expectFile(QString());
    EXPECT_FALSE(exportArchiveGrid(q));
    EXPECT_EQ(Dialogs::shown().size(), 1);
    EXPECT_TRUE(QDir(out).isEmpty());
    EXPECT_EQ(q->recNo(), 2);
}

TEST_F(ExportTest, TheChosenFileTypeGivesANameWithoutExtensionItsFormat)
{
    threeOwners();
    Dialogs::queueFile(out + QStringLiteral("/档案"), QStringLiteral("*.xlsx"));
    EXPECT_TRUE(exportArchiveGrid(archive()));
    QFile f(out + QStringLiteral("/档案.xlsx"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(2) == "PK") << "an Office Open XML workbook";
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("档案.xlsx")});
}

TEST_F(ExportTest, AnXlsxIsBuiltBesideTheChosenFileNotInTheTemporaryFolder)
{
    // A temporary folder that cannot be used (full, or gone) does not matter, and nothing of the
    // owners' data is left there.
    threeOwners();
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path(QStringLiteral("no-such-folder"))));
    expectFile(out + QStringLiteral("/档案.xlsx"));
    const bool exported = exportArchiveGrid(archive());
    if (savedTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTmp);
    EXPECT_TRUE(exported);
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("档案.xlsx")});
    EXPECT_FALSE(QFileInfo::exists(dir.path(QStringLiteral("no-such-folder"))));
}

TEST_F(ExportTest, ExportingAgainReplacesTheFileWithoutAQuestion)
{
    threeOwners();
    const QString path = out + QStringLiteral("/a.csv");
    expectFile(path);
    EXPECT_TRUE(exportArchiveGrid(archive()));
    execSql(QStringLiteral("delete from CZdata where 车辆编号 > 1001"));
    expectFile(path);
    EXPECT_TRUE(exportArchiveGrid(archive()));

    EXPECT_EQ(Dialogs::shown().size(), 2);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.size(), 3); // title, one record, the empty rest after the last line end
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("1,1001,12E45678,张三,")));
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("a.csv")});
}

TEST_F(ExportTest, AFolderThatCannotBeWrittenShowsTheReasonAndWritesNothing)
{
    threeOwners();
    // Root may write anywhere in a folder without write permission; sysfs refuses new files
    // even to root.
    QString folder = out + QStringLiteral("/readonly");
    if (geteuid() == 0) {
        folder = QStringLiteral("/sys");
    } else {
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    }
    Query *q = archive();
    expectFile(folder + QStringLiteral("/车主档案表"));
    expectBox(Dialogs::Ok);
    Dialogs::setShowHook([](const Dialogs::Shown &s) {
        if (s.kind == Dialogs::Shown::Box) {
            EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "hourglass over the box";
        }
    });
    EXPECT_FALSE(exportArchiveGrid(q));

    ASSERT_EQ(Dialogs::shown().size(), 2);
    const Dialogs::Shown &box = Dialogs::shown().at(1);
    EXPECT_EQ(box.icon, Dialogs::Critical);
    EXPECT_TRUE(box.text.startsWith(
        texts::archive::CannotWrite.arg(folder + QStringLiteral("/车主档案表.xls"), QString())))
        << box.text.toStdString();
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/车主档案表.xls")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ExportTest, AFullOrReadOnlyDiskIsNamedInChineseWithTheChosenFile)
{
    // Enough owners to need more than the disk holds in every format.
    execSql(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 6000) "
        "insert into CZdata (车辆编号, 卡片内码, 车主姓名, 住址) select 1000 + i, "
        "printf('%08X', i), '车主' || i, hex(randomblob(40)) from n"));
    testsupport::SmallDisk disk(out + QStringLiteral("/stick"), QStringLiteral("256k"));
    if (!disk.mounted())
        GTEST_SKIP() << "no file system of its own can be mounted here";
    const QString folder = out + QStringLiteral("/stick");
    Query *q = archive();
    const auto openFiles = [] {
        return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
    };
    const auto before = openFiles();
    for (const char *suffix : {"xls", "xlsx", "csv"}) {
        const QString chosen = folder + QStringLiteral("/车主档案表.") + QLatin1String(suffix);
        expectFile(chosen);
        expectBox(Dialogs::Ok);
        EXPECT_FALSE(exportArchiveGrid(q)) << suffix;
        const QString text = lastShown().text;
        EXPECT_TRUE(text.startsWith(texts::archive::CannotWrite.arg(chosen, QString())))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("磁盘已满"))) << text.toStdString();
        EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            << suffix << ": nothing half-written is left";
        EXPECT_EQ(openFiles(), before) << suffix << ": no file is left open";
    }
    ASSERT_TRUE(disk.makeReadOnly());
    expectFile(folder + QStringLiteral("/车主档案表.xls"));
    expectBox(Dialogs::Ok);
    EXPECT_FALSE(exportArchiveGrid(q));
    EXPECT_TRUE(lastShown().text.contains(QStringLiteral("只读")))
        << lastShown().text.toStdString();
}

// One row more than .xls holds: a message that names .xlsx, no file; .xlsx then takes it all.
TEST_F(ExportTest, MoreRowsThanXlsHoldsAskForXlsx)
{
    execSql(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 65536) "
        "insert into CZdata (车辆编号, 卡片内码, 车主姓名) select 1000 + i, printf('%08X', i), "
        "'车主' || i from n"));
    Query *q = archive();
    expectFile(out + QStringLiteral("/big.xls"));
    expectBox(Dialogs::Ok);
    EXPECT_FALSE(exportArchiveGrid(q));
    EXPECT_EQ(lastShown().text,
              texts::archive::XlsTooManyRows.arg(65536).arg(sheet::XlsMaxRows - 1));
    EXPECT_TRUE(lastShown().text.contains(QStringLiteral(".xlsx")));
    EXPECT_TRUE(QDir(out).isEmpty());

    expectFile(out + QStringLiteral("/big.xlsx"));
    EXPECT_TRUE(exportArchiveGrid(q));
    const readback::Sheet s = readback::read(out + QStringLiteral("/big.xlsx"), {65536});
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    ASSERT_EQ(s.rowCount(), 65537);
    EXPECT_EQ(s.cell(65536, 2).text, QStringLiteral("00010000"));
    EXPECT_EQ(s.cell(65536, 3).text, QStringLiteral("车主65536"));
}

// A realistic archive, exported as .xls and as .xlsx, opened by Gnumeric: both give the same
// rows as the archive holds.
TEST_F(ExportTest, ARealisticArchiveOpensInASecondReader)
{
    const QStringList surnames = {QStringLiteral("王"), QStringLiteral("李"), QStringLiteral("张"),
                                  QStringLiteral("刘"), QStringLiteral("陈"), QStringLiteral("杨")};
    const QStringList given = {QStringLiteral("伟"),   QStringLiteral("芳"), QStringLiteral("娜"),
                               QStringLiteral("秀英"), QStringLiteral("敏"), QStringLiteral("静")};
    const QStringList regions = {QStringLiteral("京A"), QStringLiteral("沪B"),
                                 QStringLiteral("粤C"), QStringLiteral("浙D")};
    const QStringList types = {QStringLiteral("小汽车"), QStringLiteral("越野车"),
                               QStringLiteral("客车"), QStringLiteral("货车")};
    const QStringList states = {QStringLiteral("已启用"), QString(), QStringLiteral("已挂失"),
                                QStringLiteral("已解挂"), QStringLiteral("初始化")};
    QStringList values;
    for (int i = 0; i < 300; ++i) {
        values << QStringLiteral("(%1, '%2', '%3', '%4', '%5', '%6', '%7', '%8', '%9', '%10', "
                                 "'%11')")
                      .arg(1001 + i)
                      .arg(QString::asprintf("%08X", 0x3A000000u + unsigned(i) * 977u))
                      .arg(surnames[i % 6] + given[(i / 6) % 6])
                      .arg(regions[i % 4] + QString::asprintf("%05d", 10000 + i * 37))
                      .arg(types[i % 4])
                      .arg(QStringLiteral("139%1").arg(10000000 + i * 4321))
                      .arg(i % 3 ? QStringLiteral("白色轿车") : QStringLiteral("黑色SUV"))
                      .arg(QStringLiteral("B%1-%2").arg(i % 3 + 1).arg(i, 3, 10, QLatin1Char('0')))
                      .arg(QStringLiteral("20%1年%2月28日")
                               .arg(24 + i % 3)
                               .arg(i % 12 + 1, 2, 10, QLatin1Char('0')))
                      .arg(QStringLiteral("某市某区幸福路%1号").arg(i + 1))
                      .arg(states[i % 5]);
    }
    execSql(QStringLiteral("insert into CZdata (车辆编号, 卡片内码, 车主姓名, 车牌号码, 汽车类型, "
                           "车主手机, 车辆信息, 车场车位, 卡片有效期限, 住址, 卡片状态) values ") +
            values.join(QLatin1Char(',')));
    Query *q = archive();
    QStringList expected{CZdataColumns.join(QLatin1Char(','))};
    for (int r = 0; r < q->rows(); ++r) {
        QStringList row;
        for (int c = 0; c < q->fieldCount(); ++c)
            row << q->textAt(r, c);
        expected << row.join(QLatin1Char(','));
    }
    for (const QString &name : {QStringLiteral("/archive.xls"), QStringLiteral("/archive.xlsx")}) {
        expectFile(out + name);
        ASSERT_TRUE(exportArchiveGrid(q));
        QString error;
        const QStringList lines = readback::ssconvertLines(out + name, &error);
        EXPECT_EQ(lines, expected) << name.toStdString() << error.toStdString();
    }
}

} // namespace
