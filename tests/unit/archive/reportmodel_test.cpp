// The report page model: pagination, the header band on every page, positions, the count and
// page number that push their units, clipping at the right margin.
#include "archive/reportmodel.h"

#include <gtest/gtest.h>

using report::Page;
using report::PlacedText;

namespace {

// A stand-in for font metrics: Latin characters half as wide as Chinese ones.
double fakeWidth(const QString &text, double points, bool)
{
    double em = 0;
    for (QChar c : text)
        em += c.unicode() < 0x80 ? 0.55 : 1.0;
    return em * points * 25.4 / 72;
}

sheet::StringTable owners(int n)
{
    sheet::StringTable t;
    // Not in the layout's order, with a column the report does not print and one in other case.
    t.columns = {QStringLiteral("住址"),     QStringLiteral("id"),
                 QStringLiteral("车辆编号"), QStringLiteral("卡片内码"),
                 QStringLiteral("车主姓名"), QStringLiteral("车牌号码"),
                 QStringLiteral("车主手机"), QStringLiteral("卡片有效期限")};
    for (int i = 0; i < n; ++i)
        t.rows << QStringList{
            QStringLiteral("地址%1").arg(i), QString::number(i + 1),
            QString::number(1001 + i),       QString::asprintf("%08X", 0xA0000000u + unsigned(i)),
            QStringLiteral("车主%1").arg(i), QStringLiteral("京A%1").arg(10000 + i),
            QStringLiteral("13800000000"),   QStringLiteral("2025年01月01日")};
    return t;
}

QVector<Page> pagesOf(int rows, const report::Layout &layout = report::archiveLayout())
{
    return report::paginate(layout, owners(rows), fakeWidth);
}

const PlacedText *find(const Page &p, const QString &text)
{
    for (const PlacedText &t : p.texts)
        if (t.text == text)
            return &t;
    return nullptr;
}

QStringList textsOf(const Page &p)
{
    QStringList out;
    for (const PlacedText &t : p.texts)
        out << t.text;
    return out;
}

TEST(ReportPages, RowsFillTheFirstPageBelowTheTitleAndLaterPagesBelowTheHeader)
{
    EXPECT_EQ(report::rowsOnFirstPage(), 48);
    EXPECT_EQ(report::rowsOnLaterPages(), 49);
    struct Case
    {
        int rows;
        QVector<int> perPage;
    } cases[] = {{0, {0}}, {1, {1}}, {48, {48}}, {49, {48, 1}}, {97, {48, 49}}, {98, {48, 49, 1}}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rows);
        const QVector<Page> pages = pagesOf(c.rows);
        ASSERT_EQ(pages.size(), c.perPage.size());
        EXPECT_EQ(report::pageCount(c.rows), c.perPage.size());
        int first = 0;
        for (int i = 0; i < pages.size(); ++i) {
            const Page &p = pages[i];
            EXPECT_EQ(p.number, i + 1);
            EXPECT_EQ(p.firstRow, first);
            EXPECT_EQ(p.rowCount, c.perPage[i]);
            first += p.rowCount;
            // Title on the first page only; count (the total) and page number on every page.
            EXPECT_EQ(find(p, QStringLiteral("车主档案表")) != nullptr, i == 0);
            EXPECT_NE(find(p, QString::number(c.rows)), nullptr);
            EXPECT_NE(find(p, QStringLiteral("第")), nullptr);
            EXPECT_NE(find(p, QStringLiteral("卡片有效期")), nullptr);
            // Each row's vehicle number once; nothing below the printable area.
            for (int r = p.firstRow; r < p.firstRow + p.rowCount; ++r)
                EXPECT_EQ(textsOf(p).count(QString::number(1001 + r)), 1);
            for (const PlacedText &t : p.texts)
                EXPECT_LE(t.y + 5.3, report::PrintableHeight / 10.0) << t.text.toStdString();
        }
    }
}

TEST(ReportPages, BandsSitAtTheirMillimetres)
{
    const QVector<Page> pages = pagesOf(49);
    const PlacedText *title = find(pages[0], QStringLiteral("车主档案表"));
    ASSERT_TRUE(title);
    EXPECT_DOUBLE_EQ(title->x, 75.7);
    EXPECT_DOUBLE_EQ(title->y, 1.1);
    EXPECT_EQ(title->pointSize, 16);
    EXPECT_TRUE(title->bold);

    // First page: header band below the 7.1 mm title band, rows below its 12.7 mm.
    const PlacedText *caption = find(pages[0], QStringLiteral("车主手机"));
    ASSERT_TRUE(caption);
    EXPECT_DOUBLE_EQ(caption->x, 100.5);
    EXPECT_NEAR(caption->y, 7.1 + 8.5, 1e-9);
    const PlacedText *code = find(pages[0], QStringLiteral("A0000001"));
    ASSERT_TRUE(code);
    EXPECT_DOUBLE_EQ(code->x, 21.2);
    EXPECT_NEAR(code->y, 7.1 + 12.7 + 5.3 + 0.5, 1e-9);
    EXPECT_EQ(code->pointSize, 9);
    const PlacedText *address = find(pages[0], QStringLiteral("地址0"));
    ASSERT_TRUE(address);
    EXPECT_DOUBLE_EQ(address->x, 162.2);
    EXPECT_EQ(address->pointSize, 8);

    // Second page: the header band at the top, the 49th row right below it.
    const PlacedText *pageNumber = find(pages[1], QStringLiteral("2"));
    ASSERT_TRUE(pageNumber);
    EXPECT_DOUBLE_EQ(pageNumber->x, 166.4);
    EXPECT_DOUBLE_EQ(pageNumber->y, 1.3);
    const PlacedText *row49 = find(pages[1], QStringLiteral("1049"));
    ASSERT_TRUE(row49);
    EXPECT_NEAR(row49->y, 12.7 + 0.5, 1e-9);
    // Label, count, 条, 第, page number, 页, seven captions, and the seven printed fields of the
    // one row (not its id).
    EXPECT_EQ(pages[1].texts.size(), 6 + 7 + 7) << textsOf(pages[1]).join(u' ').toStdString();
}

TEST(ReportPages, PassageLayoutPrintsItsOwnColumns)
{
    sheet::StringTable t({QStringLiteral("序号"), QStringLiteral("卡片内码"),
                          QStringLiteral("车主姓名"), QStringLiteral("车牌号码"),
                          QStringLiteral("进出时间"), QStringLiteral("进出状态"),
                          QStringLiteral("读卡地址")},
                         {{QString(), QString(), QStringLiteral("王伟"), QStringLiteral("京A1"),
                           QString(), QString(), QString()},
                          {QStringLiteral("7"), QStringLiteral("12E45678"), QStringLiteral("李芳"),
                           QStringLiteral("沪B2"), QStringLiteral("2024年03月01日08:15分"),
                           QStringLiteral("进"), QStringLiteral("01")}});
    const QVector<Page> pages = report::paginate(report::passageLayout(), t, fakeWidth);
    ASSERT_EQ(pages.size(), 1);
    const Page &p = pages[0];
    EXPECT_NE(find(p, QStringLiteral("出入记录表")), nullptr);
    const struct
    {
        const char *text;
        double x;
    } expected[] = {{"序号", 2.1},      {"读卡地址", 161.9}, {"7", 2.1},
                    {"12E45678", 16.9}, {"李芳", 40.2},      {"沪B2", 64.8},
                    {"进", 141.0},      {"01", 162.2},       {"2024年03月01日08:15分", 94.5}};
    for (const auto &e : expected) {
        const PlacedText *text = find(p, QString::fromUtf8(e.text));
        ASSERT_TRUE(text) << e.text;
        EXPECT_DOUBLE_EQ(text->x, e.x) << e.text;
    }
    // The count "2" is printed at 137.6 mm.
    const PlacedText *count = find(p, QStringLiteral("2"));
    ASSERT_TRUE(count);
    EXPECT_DOUBLE_EQ(count->x, 137.6);
}

// The count and page number never print over "条" and "页"; small ones leave them where the
// layout has them.
TEST(ReportPages, LongNumbersPushTheirUnitsRight)
{
    const double tiaoNatural = 122.5 + fakeWidth(QStringLiteral("记录总数：　　　"), 8, false);
    const double yeNatural = 162.7 + fakeWidth(QStringLiteral("第　"), 8, false);
    for (int rows : {0, 5, 1000, 4900}) {
        SCOPED_TRACE(rows);
        const QVector<Page> pages = pagesOf(rows);
        for (const Page &p : pages) {
            const QString count = QString::number(rows), page = QString::number(p.number);
            const PlacedText *countText = nullptr;
            const PlacedText *pageText = nullptr;
            for (const PlacedText &t : p.texts) {
                if (t.text == count && t.x == 140.2)
                    countText = &t;
                if (t.text == page && t.x == 166.4)
                    pageText = &t;
            }
            const PlacedText *tiao = find(p, QStringLiteral("条"));
            const PlacedText *ye = find(p, QStringLiteral("页"));
            ASSERT_TRUE(countText && pageText && tiao && ye);
            const double countEnd = 140.2 + fakeWidth(count, 8, false);
            const double pageEnd = 166.4 + fakeWidth(page, 8, false);
            EXPECT_GE(tiao->x, countEnd);
            EXPECT_GE(ye->x, pageEnd);
            EXPECT_EQ(tiao->x == tiaoNatural, countEnd + 0.5 <= tiaoNatural);
            EXPECT_EQ(ye->x == yeNatural, pageEnd + 0.5 <= yeNatural);
        }
    }
    // 4900 rows make 101 pages: a three-digit page number on the last one.
    EXPECT_EQ(pagesOf(4900).size(), 101);
}

TEST(ReportPages, TextsAreCutAtTheRightMarginOnWholeCharacters)
{
    sheet::StringTable t = owners(2);
    const QString longAddress = QStringLiteral("某省某市某区某街道幸福路一千二百三十四号院");
    t.rows[0][0] = longAddress;
    t.rows[1][0] = QStringLiteral("短址");
    const QVector<Page> pages = report::paginate(report::archiveLayout(), t, fakeWidth);
    const double right = report::PrintableWidth / 10.0;
    bool cut = false;
    for (const PlacedText &text : pages[0].texts) {
        EXPECT_LE(text.x + fakeWidth(text.text, text.pointSize, text.bold), right + 1e-9)
            << text.text.toStdString();
        if (text.x == 162.2 && text.text != QStringLiteral("短址")) {
            cut = true;
            EXPECT_TRUE(longAddress.startsWith(text.text));
            EXPECT_LT(text.text.size(), longAddress.size());
            // One more character would not fit.
            EXPECT_GT(text.x + fakeWidth(longAddress.left(text.text.size() + 1), 8, false), right);
        }
    }
    EXPECT_TRUE(cut);
    EXPECT_NE(find(pages[0], QStringLiteral("短址")), nullptr);
}

} // namespace
