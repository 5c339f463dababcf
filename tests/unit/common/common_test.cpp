// GBK byte handling, settings files and the program directory.
#include "common/gbk.h"
#include "common/inifile.h"
#include "common/programdir.h"
#include "coresupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct MidCase
{
    const char *text;
    int from;
    int length;
    const char *expected;
};

TEST(Gbk, SlicesByBytePositions)
{
    // Chinese characters and full-width signs count two bytes, ASCII one.
    const MidCase cases[] = {
        {"卡号:12345678\r", 6, 8, "12345678"},
        {"卡片内码:ABCDEF01   有效期：2015年05月09日", 10, 8, "ABCDEF01"},
        {"卡片内码:ABCDEF01   有效期：2015年05月09日", 29, 14, "2015年05月09日"},
        {"状态: 挂失   卡号: 00123456", 20, 8, "00123456"},
        {"abc", 2, 10, "bc"},
        {"abc", 4, 1, ""},
        {"abc", 0, 2, ""},
        {"", 1, 1, ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(gbk::mid(QString::fromUtf8(c.text), c.from, c.length),
                  QString::fromUtf8(c.expected))
            << c.text << " from " << c.from;
    }
}

TEST(Gbk, DecodingNeverLosesABytePosition)
{
    // Bytes that are not valid GBK each stand for one character of one byte, so the byte
    // positions of what follows them stay where they were.
    for (const QByteArray &bytes : {QByteArray("\x81"), QByteArray("AB\x81"),
                                    QByteArray("\x81"
                                               "1"),
                                    QByteArray("\xff"),
                                    QByteArray("\x81"
                                               "0\x81"),
                                    QByteArray("\x80\xfe"), QByteArray("\xa1\xa1\x81")}) {
        const QString text = gbk::decode(bytes);
        EXPECT_EQ(gbk::byteLength(text), bytes.size()) << bytes.toHex().constData();
    }
    EXPECT_EQ(gbk::decode(QByteArray("AB\x81")).left(2), QStringLiteral("AB"));
    EXPECT_EQ(gbk::decode(gbk::encode(QStringLiteral("卡片内码:"))), QStringLiteral("卡片内码:"));
}

TEST(Gbk, MeasuresAndLimitsBytes)
{
    EXPECT_EQ(gbk::byteLength(QStringLiteral("发行器通讯正常,请读卡!")), 22);
    EXPECT_EQ(gbk::byteLength(QStringLiteral("发行器通讯正常，请读卡!")), 23);
    EXPECT_EQ(gbk::byteLength(QStringLiteral("       此")), 9);
    // A limit that falls inside a character keeps only whole characters.
    EXPECT_EQ(gbk::limitBytes(QStringLiteral("张三丰abc"), 5), QStringLiteral("张三"));
    EXPECT_EQ(gbk::limitBytes(QStringLiteral("ab张三"), 4), QStringLiteral("ab张"));
    EXPECT_EQ(gbk::encode(QStringLiteral("卡")), QByteArray("\xBF\xA8"));
    EXPECT_EQ(gbk::decode(QByteArray("\xBF\xA8")), QStringLiteral("卡"));
}

TEST(Gbk, ExternalTextIsUtf8WhenValidElseGbk)
{
    const QString text = QStringLiteral("停车场管理");
    EXPECT_EQ(gbk::decodeExternal(text.toUtf8()), text);
    EXPECT_EQ(gbk::decodeExternal(gbk::encode(text)), text);
    EXPECT_EQ(gbk::decodeExternal(QByteArray("\xEF\xBB\xBF") + text.toUtf8()), text);
}

class IniFileTest : public ::testing::Test
{
protected:
    QString write(const QByteArray &bytes)
    {
        const QString p = dir.filePath(QStringLiteral("System.ini"));
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return p;
    }
    QTemporaryDir dir;
};

TEST_F(IniFileTest, ReadsGbkAndUtf8Files)
{
    const QString body =
        QStringLiteral("[title]\r\nTitleName=远距离停车场\r\n[GS]\r\nGSName=某某科技\r\n");
    for (const QByteArray &bytes : {gbk::encode(body), body.toUtf8()}) {
        const IniFile ini(write(bytes));
        EXPECT_EQ(ini.readString(QStringLiteral("title"), QStringLiteral("TitleName")),
                  QStringLiteral("远距离停车场"));
        EXPECT_EQ(ini.readString(QStringLiteral("GS"), QStringLiteral("GSName")),
                  QStringLiteral("某某科技"));
        EXPECT_EQ(ini.readString(QStringLiteral("WZ"), QStringLiteral("WZName")), QString());
    }
}

TEST_F(IniFileTest, MissingFileAndKeysGiveDefaults)
{
    const IniFile ini(dir.filePath(QStringLiteral("none.ini")));
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.readInteger(QStringLiteral("Form"), QStringLiteral("Top"), 100), 100);
    EXPECT_FALSE(ini.readBool(QStringLiteral("Form"), QStringLiteral("InitMax"), false));
    const IniFile garbage(write("Top=5\n[Form]\nWidth=abc\n"));
    EXPECT_EQ(garbage.readInteger(QStringLiteral("Form"), QStringLiteral("Width"), 500), 500);
    EXPECT_EQ(garbage.readInteger(QStringLiteral("Form"), QStringLiteral("Top"), 100), 100);
}

TEST_F(IniFileTest, RoundTripKeepsOtherSectionsAndValues)
{
    const QString p = write("[Other]\nKeep=1\n[Form]\nTop=7\n");
    IniFile ini(p);
    ini.writeInteger(QStringLiteral("Form"), QStringLiteral("Top"), 42);
    ini.writeBool(QStringLiteral("Form"), QStringLiteral("InitMax"), true);
    ini.writeString(QStringLiteral("Form"), QStringLiteral("Caption"),
                    QStringLiteral("甲_Velmora V1.6"));
    ASSERT_TRUE(ini.save());
    const IniFile back(p);
    EXPECT_EQ(back.readInteger(QStringLiteral("Form"), QStringLiteral("Top"), 0), 42);
    EXPECT_TRUE(back.readBool(QStringLiteral("Form"), QStringLiteral("InitMax"), false));
    EXPECT_EQ(back.readString(QStringLiteral("Form"), QStringLiteral("Caption")),
              QStringLiteral("甲_Velmora V1.6"));
    EXPECT_EQ(back.readString(QStringLiteral("Other"), QStringLiteral("Keep")),
              QStringLiteral("1"));
}

TEST_F(IniFileTest, SaveReportsAnUnwritableFile)
{
    const QString p = dir.filePath(QStringLiteral("blocked"));
    ASSERT_TRUE(QDir().mkpath(p)); // a folder where the file should be
    IniFile ini(p);
    ini.writeInteger(QStringLiteral("Form"), QStringLiteral("Top"), 1);
    EXPECT_FALSE(ini.save());
}

TEST(ProgramDir, OptionBeatsEnvironmentBeatsExecutableFolder)
{
    QTemporaryDir a, b;
    qputenv("VELMORA_DIR", b.path().toUtf8());
    EXPECT_EQ(programdir::init({QStringLiteral("velmora"), QStringLiteral("--dir"), a.path()}),
              QDir(a.path()).absolutePath());
    EXPECT_EQ(programdir::init({QStringLiteral("velmora")}), QDir(b.path()).absolutePath());
    qunsetenv("VELMORA_DIR");
    EXPECT_EQ(programdir::init({QStringLiteral("velmora")}),
              QDir(QCoreApplication::applicationDirPath()).absolutePath());
    programdir::setRoot(a.path());
    EXPECT_EQ(programdir::path(QStringLiteral("Data\\Data.mdb")),
              QDir(a.path()).absolutePath() + QStringLiteral("/Data/Data.mdb"));
}

// A directory a group shares (set-group-ID) lets the group read and write what the program
// makes there; any other keeps it to the user. A missing directory is treated as private.
TEST(ProgramDir, FilesInAGroupsDirectoryAreTheGroupsToo)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path());
    const struct
    {
        mode_t mode;
        unsigned mask;
    } cases[] = {{02770, 007}, {0700, 077}, {0770, 077}, {02700, 007}};
    for (const auto &c : cases) {
        ASSERT_EQ(::chmod(path.constData(), c.mode), 0);
        EXPECT_EQ(programdir::creationMask(dir.path()), c.mask) << std::oct << c.mode;
    }
    EXPECT_EQ(programdir::creationMask(dir.path() + QStringLiteral("/missing")), 077u);
    ::chmod(path.constData(), 0700);
}

} // namespace
