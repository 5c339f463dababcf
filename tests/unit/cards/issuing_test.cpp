// The logic of issuing without widgets: numbering, the frame and text a validity becomes, the
// fields of a card line, group numbers, the mobile number and the duplicate-card refusal.
#include "cards/issuing.h"
#include "common/gbk.h"
#include "dbfixture.h"
#include "issuer/frames.h"

#include <gtest/gtest.h>

namespace {

TEST(VehicleNumber, NextIsTheLargestPlusOneZeroPaddedToFourDigits)
{
    const struct
    {
        bool empty;
        QVariant last;
        const char *text;
        bool append;
    } cases[] = {
        {true, {}, "1001", true},
        {false, QVariant(1041), "1042", true},
        {false, QVariant(QStringLiteral("1041")), "1042", true},
        {false, QVariant(7), "0008", true},
        {false, QVariant(9999), "10000", true},
        {false, QVariant(10000), "10001", true},
        // A record without a number: no record may be appended after it.
        {false, QVariant(QMetaType(QMetaType::LongLong)), "1000", false},
    };
    for (const auto &c : cases) {
        const cards::VehicleNumber n = cards::nextVehicleNumber(c.empty, c.last);
        EXPECT_EQ(n.text, QString::fromLatin1(c.text)) << c.text;
        EXPECT_EQ(n.append, c.append) << c.text;
    }
}

TEST(Validity, FrameBytesAndTextForEachDateAndMask)
{
    // The date travels as packed decimal yymmdd, the mask as two ASCII hex digits.
    const struct
    {
        QDate date;
        const char *dateBytes;
        const char *text;
    } dates[] = {
        {QDate(2000, 1, 1), "000101", "2000年01月01日"},
        {QDate(2015, 5, 9), "150509", "2015年05月09日"},
        {QDate(2099, 12, 31), "991231", "2099年12月31日"},
    };
    const struct
    {
        int mask;
        const char *maskBytes;
    } masks[] = {{0, "3030"}, {1, "3031"}, {44, "3243"}, {255, "4646"}};
    for (const auto &d : dates) {
        EXPECT_EQ(cards::validityText(d.date), QString::fromUtf8(d.text));
        EXPECT_EQ(gbk::byteLength(cards::validityText(d.date)), 14);
        for (const auto &m : masks) {
            const QByteArray expected = QByteArray::fromHex(
                QByteArray("09080706B9FFFFFF") + d.dateBytes + "31" + m.maskBytes + "0D");
            EXPECT_EQ(IssueFrame(d.date, m.mask).toHex(), expected.toHex())
                << d.text << " mask " << m.mask;
        }
    }
    EXPECT_EQ(cards::firstValidityDate(), QDate(2000, 1, 1));
    EXPECT_EQ(cards::lastValidityDate(), QDate(2099, 12, 31));
}

TEST(GroupNumber, TextToTheEightGroupsOfTheCard)
{
    const struct
    {
        const char *text;
        int number;
        QList<int> groups;
    } cases[] = {
        {"255", 255, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"44", 44, {3, 4, 6}},
        {"1", 1, {1}},
        {"0", 0, {}},
        {"300", 44, {3, 4, 6}}, // only the low eight bits
        {"abc", 0, {}},
        {"", 0, {}},
    };
    for (const auto &c : cases) {
        const int n = cards::groupNumber(QString::fromLatin1(c.text));
        EXPECT_EQ(n, c.number) << c.text;
        QList<int> groups;
        for (int g = 1; g <= 8; ++g) {
            if (cards::groupSelected(n, g))
                groups << g;
        }
        EXPECT_EQ(groups, c.groups) << c.text;
    }
    EXPECT_EQ(cards::groupMask({1, 0, 4, 8, 0, 32, 0, 0}), 45);
    EXPECT_EQ(cards::groupMask({1, 2, 4, 8, 16, 32, 64, 128}), 255);
    EXPECT_EQ(cards::groupListText(45), QStringLiteral("1,3,4,6"));
    EXPECT_EQ(cards::groupListText(255), QStringLiteral("1,2,3,4,5,6,7,8"));
    EXPECT_EQ(cards::groupListText(0), QString());
}

TEST(OwnerFields, MobileNumberAndLimits)
{
    const struct
    {
        const char *text;
        bool ok;
    } mobiles[] = {{"13812345678", true},  {"1381234567", false}, {"138123456789", false},
                   {"1381234567a", false}, {"", false},           {"1381234 678", false}};
    for (const auto &m : mobiles)
        EXPECT_EQ(cards::isMobileNumber(QString::fromLatin1(m.text)), m.ok) << m.text;

    const struct
    {
        const char *control;
        int bytes;
    } limits[] = {{"edt9", 4},   {"edt10", 8},  {"edt11", 15}, {"edt12", 8},
                  {"edt13", 11}, {"edt14", 30}, {"edt15", 14}, {"edt16", 50},
                  {"edt20", 50}, {"edt3", 8},   {"DBcbb3", 0}};
    for (const auto &l : limits)
        EXPECT_EQ(cards::maxBytesOf(QString::fromLatin1(l.control)), l.bytes) << l.control;
}

TEST(OwnerFields, WhatAFieldKeepsOfTypedOrPastedText)
{
    const QString many = QString(5000, QChar(0x4e2d)) + QString(5000, QLatin1Char('L'));
    const struct
    {
        const char *name;
        QString column;
        QString text;
        QString kept;
    } cases[] = {
        {"name past its 15 bytes", QStringLiteral("车主姓名"),
         QStringLiteral("ABCDEFGHIJKLMNOPQRS"), QStringLiteral("ABCDEFGHIJKLMNO")},
        {"plate cut at a whole character", QStringLiteral("车牌号码"), QStringLiteral("欧阳A12345"),
         QStringLiteral("欧阳A123")},
        {"a pasted second line", QStringLiteral("车辆信息"), QStringLiteral("第一行\n第二行"),
         QStringLiteral("第一行")},
        {"CR LF too", QStringLiteral("住址"), QStringLiteral("A栋\r\nB栋"), QStringLiteral("A栋")},
        {"control and direction marks", QStringLiteral("车主姓名"),
         QStringLiteral("\u202e张\x01三\t"), QStringLiteral("张三")},
        {"mobile: digits only, eleven", QStringLiteral("车主手机"), QStringLiteral("139123456789"),
         QStringLiteral("13912345678")},
        {"mobile without letters or emoji", QStringLiteral("车主手机"), QStringLiteral("abc😀138"),
         QStringLiteral("138")},
        {"5 000 characters", QStringLiteral("车场车位"), many, QString(25, QChar(0x4e2d))},
        {"car type unlimited, one line", QStringLiteral("汽车类型"), QStringLiteral("货车\n客车"),
         QStringLiteral("货车")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cards::ownerColumnText(c.column, c.text), c.kept) << c.name;
    EXPECT_EQ(cards::ownerFieldText(QStringLiteral("ABCDEFGHIJKLMNOPQRS"), 15),
              QStringLiteral("ABCDEFGHIJKLMNO"));
}

class ArchiveRecords : public DbTest
{
protected:
    QString refusal(const QString &sql)
    {
        try {
            Query q(&con);
            q.setSQL(sql);
            q.execSQL();
        } catch (const DbError &e) {
            return e.text();
        }
        return {};
    }
};

TEST_F(ArchiveRecords, VehicleNumbersOrderNumerically)
{
    exec(QStringLiteral("INSERT INTO CZdata(车辆编号,卡片内码) VALUES (1000,'A'),(999,'B')"));
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata order by 车辆编号"));
    q.open();
    q.last();
    EXPECT_EQ(
        cards::nextVehicleNumber(q.isEmpty(), q.fieldByName(QStringLiteral("车辆编号")).value())
            .text,
        QStringLiteral("1001"));
}

TEST_F(ArchiveRecords, OnlyTheDuplicateCardCodeIsTheDuplicateRefusal)
{
    exec(QStringLiteral("INSERT INTO CZdata(车辆编号,卡片内码) VALUES (1001,'9F0832A5')"));
    const QString duplicate =
        refusal(QStringLiteral("INSERT INTO CZdata(车辆编号,卡片内码) VALUES (1002,'9F0832A5')"));
    ASSERT_FALSE(duplicate.isEmpty());
    EXPECT_TRUE(cards::isDuplicateCardRefusal(duplicate)) << duplicate.toStdString();
    const QString noCode = refusal(QStringLiteral("INSERT INTO CZdata(车辆编号) VALUES (1003)"));
    ASSERT_FALSE(noCode.isEmpty());
    EXPECT_FALSE(cards::isDuplicateCardRefusal(noCode)) << noCode.toStdString();
    const QString tooLong =
        refusal(QStringLiteral("INSERT INTO CZdata(车辆编号,卡片内码) VALUES (1003,'123456789')"));
    ASSERT_FALSE(tooLong.isEmpty());
    EXPECT_FALSE(cards::isDuplicateCardRefusal(tooLong)) << tooLong.toStdString();
}

TEST_F(ArchiveRecords, AWriteSelectsTheExactCardNotAnIdOrAContainingCode)
{
    // id 1 holds 12345678; the all-digit code 00000001 would also select it by id.
    exec(QStringLiteral("INSERT INTO CZdata(车辆编号,卡片内码) VALUES "
                        "(1001,'12345678'),(1002,'00000001'),(1003,'AB000001')"));
    Query q(&con);
    const struct
    {
        const char *code;
        QStringList selected;
    } cases[] = {
        {"00000001", {QStringLiteral("00000001")}},
        {"12345678", {QStringLiteral("12345678")}},
        {"'x' or 1", {}},
        {"FFFFFFFF", {}},
        // Not a full code: the search's lookup, which for digits also takes the id.
        {"0001",
         {QStringLiteral("12345678"), QStringLiteral("00000001"), QStringLiteral("AB000001")}},
    };
    for (const auto &c : cases) {
        cards::openCardRecord(&q, QString::fromLatin1(c.code));
        QStringList got;
        for (q.first(); !q.eof(); q.next())
            got << q.fieldByName(QStringLiteral("卡片内码")).asString();
        EXPECT_EQ(got, c.selected) << c.code;
    }
}

} // namespace
