// The spreadsheet writers, read back cell by cell by independent readers.
#include "archive/sheetwriters.h"
#include "readback.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using sheet::StringTable;

namespace {

const QStringList ArchiveColumns = {
    QStringLiteral("id"),           QStringLiteral("车辆编号"), QStringLiteral("卡片内码"),
    QStringLiteral("车主姓名"),     QStringLiteral("车牌号码"), QStringLiteral("汽车类型"),
    QStringLiteral("车主手机"),     QStringLiteral("车辆信息"), QStringLiteral("车场车位"),
    QStringLiteral("卡片有效期限"), QStringLiteral("住址"),     QStringLiteral("卡片状态")};

QString repeated(const QString &unit, int times)
{
    QString s;
    for (int i = 0; i < times; ++i)
        s += unit;
    return s;
}

// Values that readers like to turn into something else, Chinese text, empty values, and long
// strings that run across the continuation records of the shared string table.
StringTable trickyTable()
{
    StringTable t;
    t.columns = ArchiveColumns;
    t.rows << QStringList{QStringLiteral("1"),           QStringLiteral("1001"),
                          QStringLiteral("12E45678"),    QStringLiteral("张三"),
                          QStringLiteral("京A12345"),    QStringLiteral("小汽车"),
                          QStringLiteral("13800138000"), QStringLiteral("0001"),
                          QStringLiteral("1.5"),         QStringLiteral("2099年12月31日"),
                          QStringLiteral("-3"),          QStringLiteral("已启用")};
    t.rows << QStringList{QStringLiteral("2"),
                          QStringLiteral("1002"),
                          QStringLiteral("0000ABCD"),
                          QString(),
                          QString(),
                          QString(),
                          QStringLiteral(" 007 "),
                          QStringLiteral("TRUE"),
                          QStringLiteral("=1+1"),
                          QStringLiteral("2000年00月00日"),
                          QString(),
                          QString()};
    t.rows << QStringList{QStringLiteral("3"),
                          QStringLiteral("1003"),
                          QStringLiteral("1E5"),
                          QStringLiteral("a,\"b\"\nc"),
                          QStringLiteral("café"),
                          QStringLiteral("🚗车"),
                          QStringLiteral("1/2"),
                          QString(),
                          QString(),
                          QString(),
                          QStringLiteral("北京市朝阳区建国路88号"),
                          QStringLiteral("已挂失")};
    // Long strings: compressed and two-byte ones, each longer than a whole record.
    t.rows << QStringList{QStringLiteral("4"),
                          QStringLiteral("1004"),
                          QStringLiteral("FFFFFFFF"),
                          repeated(QStringLiteral("停车场"), 3000),
                          repeated(QStringLiteral("AB12"), 5000),
                          QString(),
                          QString(),
                          repeated(QStringLiteral("x车"), 4000)};
    // Around the longest text a cell record of its own holds (255 characters): more bytes than
    // that in few characters, the last that fits and the first that does not, characters outside
    // the basic plane, Latin letters beyond ASCII.
    t.rows << QStringList{QStringLiteral("5"),
                          QStringLiteral("1005"),
                          QString(255, QLatin1Char('a')),
                          QString(256, QLatin1Char('b')),
                          repeated(QStringLiteral("长"), 100),
                          repeated(QStringLiteral("长"), 255),
                          repeated(QStringLiteral("长"), 256),
                          repeated(QStringLiteral("🚗"), 127) + QStringLiteral("x"),
                          repeated(QStringLiteral("🚗"), 128),
                          QStringLiteral("ÀÉÎ ñ"),
                          QStringLiteral("é"),
                          QString()};
    // Many distinct short Chinese strings, so that record boundaries fall inside them too.
    for (int i = 0; i < 1500; ++i)
        t.rows << QStringList{QString::number(5 + i),
                              QString::asprintf("%.4d", 1005 + i),
                              QString::asprintf("%08X", 0x10000000 + i * 7),
                              QStringLiteral("车主") + QString::number(i),
                              QStringLiteral("沪B") + QString::number(10000 + i),
                              QStringLiteral("越野车"),
                              QString(),
                              QStringLiteral("白色") + repeated(QStringLiteral("长"), i % 37),
                              QString(),
                              QStringLiteral("2025年06月30日"),
                              QStringLiteral("住址") + QString::number(i),
                              QString()};
    return t;
}

class WritersTest : public ::testing::TestWithParam<QString>
{
protected:
    // VELMORA_KEEP_EXPORTS=1 keeps the files for a look with another program.
    void SetUp() override
    {
        if (qEnvironmentVariableIsSet("VELMORA_KEEP_EXPORTS")) {
            dir.setAutoRemove(false);
            std::printf("exports in %s\n", qPrintable(dir.path()));
        }
    }
    QString save(const sheet::Table &t, const QString &name = QStringLiteral("out"))
    {
        const QString path = dir.filePath(name + QLatin1Char('.') + GetParam());
        sheet::saveTable(t, path);
        return path;
    }
    QTemporaryDir dir;
};

void expectSameCells(const readback::Sheet &s, const StringTable &t)
{
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    ASSERT_EQ(s.rowCount(), t.rowCount() + 1);
    for (int r = 0; r <= t.rowCount(); ++r)
        for (int c = 0; c < t.columnCount(); ++c) {
            const QString want = r == 0 ? t.columnName(c) : t.text(r - 1, c);
            const readback::Cell got = s.cell(r, c);
            SCOPED_TRACE(QStringLiteral("row %1 column %2").arg(r).arg(c).toStdString());
            if (want.isEmpty()) {
                EXPECT_TRUE(got.empty);
                continue;
            }
            EXPECT_EQ(got.kind, QStringLiteral("s"));
            EXPECT_EQ(got.text, want);
            EXPECT_EQ(got.format, QStringLiteral("@"));
        }
}

TEST_P(WritersTest, EveryCellReadsBackAsTheSameText)
{
    const StringTable t = trickyTable();
    const readback::Sheet s = readback::read(save(t));
    expectSameCells(s, t);
    EXPECT_EQ(s.sheetNames, QStringList{QStringLiteral("Sheet1")});
}

TEST_P(WritersTest, NoRowsGiveTheTitleRowOnly)
{
    const StringTable t(ArchiveColumns, {});
    const QString path = save(t);
    expectSameCells(readback::read(path), t);
    QString error;
    const QStringList lines = readback::ssconvertLines(path, &error);
    ASSERT_EQ(lines.size(), 1) << error.toStdString();
    EXPECT_EQ(lines.first(), ArchiveColumns.join(QLatin1Char(',')));
}

// The last row .xls holds, past the size at which the compound file needs more FAT sectors
// than its header lists; and one more row, which .xlsx still holds.
TEST_P(WritersTest, SixtyFiveThousandRows)
{
    const bool xls = GetParam() == QLatin1String("xls");
    StringTable t;
    t.columns = ArchiveColumns;
    const int rows = xls ? sheet::XlsMaxRows - 1 : sheet::XlsMaxRows;
    for (int i = 0; i < rows; ++i) {
        QStringList row;
        for (int c = 0; c < t.columnCount(); ++c)
            row << QStringLiteral("车%1-%2").arg(i).arg(c);
        t.rows << row;
    }
    const QString path = save(t);
    if (xls) {
        EXPECT_GT(QFile(path).size(), 109 * 128 * 512);
    }
    const readback::Sheet s = readback::read(path, {1, 32768, rows});
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    ASSERT_EQ(s.rowCount(), rows + 1);
    for (int r : {1, 32768, rows})
        for (int c : {0, 11})
            EXPECT_EQ(s.cell(r, c).text, t.rows[r - 1][c]);
    if (xls) {
        // The sectors past the header's FAT list, through a second reader.
        QString error;
        const QStringList lines = readback::ssconvertLines(path, &error);
        ASSERT_EQ(lines.size(), rows + 1) << error.toStdString();
        EXPECT_EQ(lines.last(), t.rows.last().join(QLatin1Char(',')));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, WritersTest,
                         ::testing::Values(QStringLiteral("xls"), QStringLiteral("xlsx")),
                         [](const auto &info) { return info.param.toStdString(); });

TEST(XlsWriter, MoreRowsThanXlsHoldsAreRefusedNamingXlsx)
{
    StringTable t({QStringLiteral("a")}, QVector<QStringList>(sheet::XlsMaxRows, {"1"}));
    try {
        sheet::xlsBytes(t);
        FAIL() << "no error";
    } catch (const sheet::ExportError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral(".xlsx"))) << e.what();
        EXPECT_TRUE(e.text().contains(QStringLiteral("65536"))) << e.what();
    }
}

TEST(XlsWriter, AnEmptyWorkbookKeepsItsStreamOutOfTheMiniStream)
{
    // Header, the workbook stream padded to 4096 bytes, one directory and one FAT sector.
    const QByteArray bytes = sheet::xlsBytes(StringTable({}, {}));
    EXPECT_EQ(bytes.size(), 512 + 4096 + 512 + 512);
    EXPECT_TRUE(bytes.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")));
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("e.xls")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const readback::Sheet s = readback::read(f.fileName());
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.rowCount(), 0); // no columns: no cell at all
}

TEST(CsvWriter, CellsThatWouldRunAsFormulasOpenAsText)
{
    const StringTable t({QStringLiteral("v")}, {{QStringLiteral("=1+1")},
                                                {QStringLiteral("=HYPERLINK(\"http://x\",\"y\")")},
                                                {QStringLiteral("+8613800138000")},
                                                {QStringLiteral("-5")},
                                                {QStringLiteral("@SUM(A1)")},
                                                {QStringLiteral("\tx")},
                                                {QStringLiteral("0E363747")},
                                                {QStringLiteral("a=b")}});
    EXPECT_EQ(sheet::csvBytes(t), QByteArray("\xEF\xBB\xBF"
                                             "v\r\n"
                                             "'=1+1\r\n"
                                             "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"\r\n"
                                             "'+8613800138000\r\n"
                                             "'-5\r\n"
                                             "'@SUM(A1)\r\n"
                                             "'\tx\r\n"
                                             "0E363747\r\n"
                                             "a=b\r\n"));
}

TEST(CsvWriter, BytesAreUtf8WithBomQuotedAsRfc4180)
{
    const StringTable t({QStringLiteral("卡片内码"), QStringLiteral("b")},
                        {{QStringLiteral("0001"), QString()},
                         {QStringLiteral("a,b"), QStringLiteral("say \"hi\"")},
                         {QStringLiteral("two\nlines"), QStringLiteral("cr\r")}});
    EXPECT_EQ(sheet::csvBytes(t),
              QByteArray("\xEF\xBB\xBF"
                         "\xE5\x8D\xA1\xE7\x89\x87\xE5\x86\x85\xE7\xA0\x81,b\r\n"
                         "0001,\r\n"
                         "\"a,b\",\"say \"\"hi\"\"\"\r\n"
                         "\"two\nlines\",\"cr\r\"\r\n"));
}

TEST(ExportFile, TheExtensionChoosesTheFormat)
{
    struct Case
    {
        const char *chosen;
        const char *type; // the file type chosen in the dialog
        const char *saved;
        sheet::Format format;
    } cases[] = {
        {"车主档案表", "", "车主档案表.xls", sheet::Format::Xls},
        {"a.xls", "", "a.xls", sheet::Format::Xls},
        {"a.XLSX", "", "a.XLSX", sheet::Format::Xlsx},
        {"a.Csv", "", "a.Csv", sheet::Format::Csv},
        {"a.txt", "", "a.txt.xls", sheet::Format::Xls},
        {"archive.2024", "", "archive.2024.xls", sheet::Format::Xls},
        {"/tmp/x.y/name", "", "/tmp/x.y/name.xls", sheet::Format::Xls},
        // A name without extension takes the chosen type's; a typed extension still wins.
        {"车主档案表", "*.xlsx", "车主档案表.xlsx", sheet::Format::Xlsx},
        {"passages", "*.csv", "passages.csv", sheet::Format::Csv},
        {"a.xls", "*.xlsx", "a.xls", sheet::Format::Xls},
        {"all", "*.*", "all.xls", sheet::Format::Xls},
    };
    for (const Case &c : cases) {
        const QString saved =
            sheet::exportFileName(QString::fromUtf8(c.chosen), QString::fromUtf8(c.type));
        EXPECT_EQ(saved, QString::fromUtf8(c.saved));
        EXPECT_EQ(sheet::formatOf(saved), c.format) << c.chosen;
    }
}

TEST(ExportFile, SavedFilesStartWithTheirFormatsSignature)
{
    QTemporaryDir dir;
    const StringTable t({QStringLiteral("a")}, {{QStringLiteral("1")}});
    const struct
    {
        const char *name;
        QByteArray head;
    } cases[] = {{"a.xls", QByteArray::fromHex("D0CF11E0")},
                 {"a.xlsx", QByteArray("PK\x03\x04")},
                 {"a.csv", QByteArray("\xEF\xBB\xBF"
                                      "a\r\n")}};
    for (const auto &c : cases) {
        const QString path = dir.filePath(QString::fromUtf8(c.name));
        sheet::saveTable(t, path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << c.name;
        EXPECT_TRUE(f.read(c.head.size()) == c.head) << c.name;
    }
}

// A write that fails half way (here: the file size limit, as on a full disk) leaves the old
// file as it was, and no temporary file behind.
TEST(ExportFile, AFailedWriteLeavesTheExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.xls"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old content");
    }
    StringTable t;
    t.columns = ArchiveColumns;
    for (int i = 0; i < 200; ++i)
        t.rows << ArchiveColumns;

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 2000;
    setrlimit(RLIMIT_FSIZE, &small);
    bool threw = false;
    try {
        sheet::saveTable(t, path);
    } catch (const sheet::ExportError &e) {
        threw = true;
        EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(path))) << e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(threw);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.xls")});
}

TEST(ExportFile, RefusedRowsLeaveTheExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.xls"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old content");
    }
    const StringTable t({QStringLiteral("a")}, QVector<QStringList>(sheet::XlsMaxRows, {"1"}));
    EXPECT_THROW(sheet::saveTable(t, path), sheet::ExportError);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old content"));
}

} // namespace
