// Record files: the line split and record part over the byte-exact fixtures, and the file finder.
#include "common/errors.h"
#include "common/gbk.h"
#include "coresupport.h"
#include "passages/recordfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using records::PassageRow;

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

QList<PassageRow> rowsOf(const QString &fixture)
{
    QList<PassageRow> rows;
    const QByteArray raw =
        fileBytes(testsupport::dataFile(QStringLiteral("passages/lines/") + fixture));
    for (const QByteArray &line : records::splitLines(records::recordText(raw)))
        rows << records::passageRow(line);
    return rows;
}

struct Row
{
    const char *card, *owner, *plate, *time, *direction, *address, *col8, *col9, *col10;
};

constexpr const char *Rec = "01,1,ABCDEF12,201301020830";
constexpr const char *Time = "2013年01月02日08:30分";
constexpr const char *NoTime = "年月日:分";
const Row Full{"ABCDEF12", "张三 ", "京A12345 ", Time, "进", "01", "", "", Rec};
const Row Second{"12345678", "李四 ", "沪B67890 ", "2013年12月31日23:59分",     "出",
                 "02",       "",      "",          "02,0,12345678,201312312359"};
const Row Empty{"", "", "", NoTime, "出", "", "", "", ""};

void expectRow(const PassageRow &got, const Row &want, const std::string &where)
{
    auto s = [](const char *t) { return QString::fromUtf8(t); };
    EXPECT_EQ(got.cardCode, s(want.card)) << where;
    EXPECT_EQ(got.ownerName, s(want.owner)) << where;
    EXPECT_EQ(got.plate, s(want.plate)) << where;
    EXPECT_EQ(got.passageTime, s(want.time)) << where;
    EXPECT_EQ(got.direction, s(want.direction)) << where;
    EXPECT_EQ(got.readerAddress, s(want.address)) << where;
    EXPECT_EQ(got.column8, s(want.col8)) << where;
    EXPECT_EQ(got.column9, s(want.col9)) << where;
    EXPECT_EQ(got.column10, s(want.col10)) << where;
}

TEST(RecordLines, FixturesGiveTheRowsOfTheirBytes)
{
    Row lfSecond = Second;
    lfSecond.col10 = "02,2,12345678,201312312359"; // flag "2" is an exit as well
    Row leading = Full;                            // the byte after each blank is lost
    leading.owner = "001 ";
    leading.plate = "张三 ";
    Row tabs = Full; // a tab is no separator, and trimming takes it off the end
    tabs.owner = "京A12345 ";
    tabs.plate = "";
    Row shortPart{"ABC", "张三 ", "京A12345 ", NoTime, "进", "01", "", "", "01,1,ABC"};
    Row onlyAddress{"", "", "", NoTime, "出", "01", "", "", "01"};
    Row longPart = Full;
    longPart.col10 = "01,1,ABCDEF12,201301020830,99,门岗东";
    Row lower = Full;
    lower.card = "abcdef12";
    lower.col10 = "01,1,abcdef12,201301020830";
    Row tenFields{"ABCDEF12", "f2 ", "f3 ", Time, "进", "01", "f7 ", "f8 ", Rec};
    Row leadByte = Full;
    leadByte.col10 = "01,1,ABCDEF12,201301020830\xEF\xBF\xBD"; // U+FFFD, one byte again in GBK

    const struct
    {
        const char *file;
        QList<Row> rows;
    } cases[] = {
        {"crlf.txt", {Full, Second}},
        {"lf-no-final-newline.txt", {Full, lfSecond}},
        {"lone-cr.txt", {Full, Second}},
        {"empty.txt", {}},
        {"blank-only.txt", {Empty, Empty}},
        {"leading-blank.txt", {leading}},
        {"trailing-blank.txt", {Empty, Full}},
        {"tabs.txt", {tabs}},
        {"short-record.txt", {shortPart, onlyAddress}},
        {"long-record.txt", {longPart}},
        {"lower-case-code.txt", {lower}},
        {"ten-fields.txt", {tenFields}},
        {"utf8-bom.txt", {Full}},
        {"nul-tail.txt", {Full}},
        {"lone-lead-byte.txt", {leadByte}},
    };
    for (const auto &c : cases) {
        const QList<PassageRow> rows = rowsOf(QString::fromUtf8(c.file));
        ASSERT_EQ(rows.size(), c.rows.size()) << c.file;
        for (int i = 0; i < rows.size(); ++i)
            expectRow(rows.at(i), c.rows.at(i),
                      std::string(c.file) + " line " + std::to_string(i + 1));
    }
}

TEST(RecordLines, ANulInsideALineKeepsThePositionsAfterIt)
{
    const QByteArray raw("0001 ,\xd5\xc5\xc8\xfd ,\xbe\xa9"
                         "A12345 ,01\0"
                         "1,BEEFCAFE,202612100830\0\0\r\n\0\0\0",
                         55);
    const QList<QByteArray> lines = records::splitLines(records::recordText(raw));
    ASSERT_EQ(lines.size(), 1);
    const PassageRow row = records::passageRow(lines.first());
    EXPECT_EQ(row.cardCode, QStringLiteral("BEEFCAFE"));
    EXPECT_EQ(row.passageTime, QStringLiteral("2026年12月10日08:30分"));
    EXPECT_EQ(row.direction, QStringLiteral("进"));
}

TEST(RecordLines, SingleBlanksLoseTheFirstByteOfWhatFollows)
{
    // "0001 王五 京A12345 01,1,…": each blank takes the lead byte of the next character (or the
    // "0" of the record part) with it, exactly as the controllers' format expects a separator
    // there.
    const QByteArray raw = fileBytes(
        testsupport::dataFile(QStringLiteral("passages/lines/single-blanks-chinese.txt")));
    const QList<QByteArray> lines = records::splitLines(raw);
    ASSERT_EQ(lines.size(), 1);
    const records::SplitLine split = records::splitRecordLine(lines.at(0));
    ASSERT_EQ(split.fields.size(), 3);
    EXPECT_EQ(split.fields.at(0), QByteArray("0001 "));
    EXPECT_EQ(split.fields.at(1), QByteArray("\xF5\xCE\xE5 ")); // 王 (CD F5) lost its lead byte
    EXPECT_EQ(split.fields.at(2), QByteArray("\xA9"
                                             "A12345 ")); // 京 (BE A9) too
    EXPECT_EQ(split.recordPart, QByteArray("1,1,ABCDEF12,201301020830"));
    const PassageRow row = records::passageRow(lines.at(0));
    EXPECT_EQ(row.readerAddress, QStringLiteral("1,"));
    EXPECT_EQ(row.cardCode, QStringLiteral("BCDEF12,"));
}

TEST(RecordLines, SplitByThePositionsOfTheFirstBlank)
{
    const struct
    {
        QByteArray line;
        QList<QByteArray> fields;
        QByteArray part;
    } cases[] = {
        {"A B R", {"A "}, "R"},         // B goes with the blank before it
        {"A  B  R", {"A ", "B "}, "R"}, // a second blank is the dropped byte
        {"R ", {"R "}, ""},             // ending in a blank empties the record part
        {"", {}, ""},
        {"X ,\x01Y ,R\t", {"X ", "Y "}, "R"}, // control bytes are trimmed like blanks after a split
        {"noblank\t", {}, "noblank\t"},       // no blank: the line is the record part as it is
    };
    for (const auto &c : cases) {
        const records::SplitLine split = records::splitRecordLine(c.line);
        EXPECT_EQ(split.fields, c.fields) << c.line.toStdString();
        EXPECT_EQ(split.recordPart, c.part) << c.line.toStdString();
    }
}

TEST(RecordLines, LinesEndInCrLfLfOrCr)
{
    const struct
    {
        QByteArray text;
        QList<QByteArray> lines;
    } cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\r\nb\n\n", {"a", "", "b", ""}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(records::splitLines(c.text), c.lines) << c.text.toStdString();
    EXPECT_EQ(records::joinLines({"a", "", "b"}), QByteArray("a\r\n\r\nb\r\n"));
}

QStringList relative(const QString &folder, const QStringList &files)
{
    QStringList out;
    for (const QString &f : files)
        out << QDir(folder).relativeFilePath(f);
    return out;
}

TEST(RecordFiles, FinderTakesTxtFilesThenTxtFoldersByNameAndSurvivesALoop)
{
    const QString stick = testsupport::dataFile(QStringLiteral("passages/stick"));
    const QString folder = records::recordFolder(stick);
    ASSERT_FALSE(folder.isEmpty());
    // old/ is no "*.txt" folder, notes.log no record file, loop.txt leads back to the folder.
    EXPECT_EQ(relative(folder, records::findRecordFiles(folder)),
              QStringList({QStringLiteral("A.TXT"), QStringLiteral("b.txt"),
                           QStringLiteral("x.txt/d.txt")}));
    const QList<QByteArray> lines = records::readRecordLines(folder);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.at(3), lines.at(0)) << "the same record in two files is read twice";
    EXPECT_TRUE(lines.at(2).endsWith("201402031015")) << "a last line without its end";
}

TEST(RecordFiles, FolderAndNamesMatchWithoutRegardToCase)
{
    QTemporaryDir drive;
    ASSERT_TRUE(QDir(drive.path()).mkpath(QStringLiteral("Talverk/Sub.Txt")));
    const QString folder = records::recordFolder(drive.path());
    EXPECT_EQ(QDir(folder).dirName(), QStringLiteral("Talverk"));
    for (const char *name : {"z.Txt", "a.txT", "Sub.Txt/m.TXT", "B.TXT", "c.text"}) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(relative(folder, records::findRecordFiles(folder)),
              QStringList({QStringLiteral("a.txT"), QStringLiteral("B.TXT"),
                           QStringLiteral("z.Txt"), QStringLiteral("Sub.Txt/m.TXT")}));
    EXPECT_TRUE(records::recordFolder(QString()).isEmpty()) << "no drive, no folder";
    EXPECT_TRUE(records::findRecordFiles(QString()).isEmpty());
    QTemporaryDir bare;
    EXPECT_TRUE(records::recordFolder(bare.path()).isEmpty());
}

TEST(RecordFiles, AFileThatCannotBeReadIsAnErrorNamingIt)
{
    QTemporaryDir drive;
    const QString folder = drive.path() + QStringLiteral("/TALVERK");
    ASSERT_TRUE(QDir().mkpath(folder));
    // Opens but every read fails (also for root, who may read any plain file).
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), folder + QStringLiteral("/bad.txt")));
    try {
        records::readRecordLines(folder);
        ADD_FAILURE() << "no error";
    } catch (const VelmoraError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("bad.txt"))) << e.text().toStdString();
    }
}

// The working file holds the joined text of the record files, written as they are read, and
// reads back line by line; lines that cross the read pieces (1 MiB) come out whole.
TEST(RecordFiles, TheWorkingFileIsTheJoinedTextAndReadsBackLineByLine)
{
    QByteArray big;
    while (big.size() < records::ReadPieceBytes + 100)
        big += "0001 ,\xD5\xC5\xC8\xFD ,\xBE\xA9"
               "A1 ,01,1,ABCDEF12,201301020830\r\n";
    big += QByteArray(300, 'x') + "\n\n" + QByteArray(records::ReadPieceBytes, 'y') + "\r";
    const struct
    {
        const char *name;
        QList<QPair<QString, QByteArray>> files;
        bool blank;
    } cases[] = {
        {"two files",
         {{"a.txt", "a\r\nb"},
          {"b.txt", "\xEF\xBB\xBF"
                    "c\xE5\xBC\xA0\r\r\n"}},
         false},
        {"pieces", {{"big.txt", big}}, false},
        {"blanks", {{"blank.txt", "  \r\n\t\r\n"}, {"empty.txt", ""}}, true},
        {"no files", {}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir drive;
        const QString folder = drive.path() + QStringLiteral("/TALVERK");
        ASSERT_TRUE(QDir().mkpath(folder));
        for (const auto &f : c.files) {
            QFile file(folder + QLatin1Char('/') + f.first);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(f.second);
        }
        const QList<QByteArray> lines = records::readRecordLines(folder);
        const QString working = drive.path() + QStringLiteral("/RD.TXT");
        const records::WorkingFileInfo info = records::writeWorkingFile(folder, working);
        EXPECT_EQ(fileBytes(working), records::joinLines(lines));
        EXPECT_EQ(info.lines, lines.size());
        EXPECT_EQ(info.blank, c.blank);
        EXPECT_EQ(records::trimmed(records::joinLines(lines)).isEmpty(), c.blank);

        records::WorkingFileReader reader;
        ASSERT_EQ(reader.open(working), 0);
        QList<QByteArray> back;
        QByteArrayView line;
        while (reader.next(line))
            back << line.toByteArray();
        EXPECT_EQ(reader.error(), 0);
        EXPECT_EQ(back, lines);
    }
}

TEST(RecordFiles, AnUnreadableRecordFileLeavesTheWorkingFileAsItWas)
{
    QTemporaryDir drive;
    const QString folder = drive.path() + QStringLiteral("/TALVERK");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile good(folder + QStringLiteral("/a.txt"));
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write("01,1,ABCDEF12,201301020830\r\n");
    good.close();
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), folder + QStringLiteral("/bad.txt")));
    const QString working = drive.path() + QStringLiteral("/RD.TXT");
    QFile old(working);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("before\r\n");
    old.close();
    try {
        records::writeWorkingFile(folder, working);
        ADD_FAILURE() << "no error";
    } catch (const VelmoraError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("bad.txt"))) << e.text().toStdString();
    }
    EXPECT_EQ(fileBytes(working), QByteArray("before\r\n"));
    EXPECT_EQ(QDir(drive.path()).entryList(QDir::Files), QStringList{QStringLiteral("RD.TXT")})
        << "nothing staged is left behind";
}

} // namespace
