#include "archive/reportmodel.h"

#include "archive/texts.h"

namespace report {

namespace {

constexpr double mm(int tenths)
{
    return tenths / 10.0;
}

constexpr double TitleX = 75.7;
constexpr double TitleY = 1.1;
constexpr double TitlePoints = 16;
constexpr double CountLabelX = 122.5;
constexpr double PageLabelX = 162.7;
constexpr double PageNumberX = 166.4;
constexpr double LabelY = 1.6;
constexpr double NumberY = 1.3;
constexpr double CaptionY = 8.5;
constexpr double FieldY = 0.5;
// The gap left between a number that outgrew its room and the unit after it.
constexpr double UnitGap = 0.5;

const QString IdeographicSpace = QString(QChar(0x3000));

// The longest run of whole characters from the start that fits into width (surrogate pairs
// stay whole).
QString fitted(const QString &text, double x, double pointSize, bool bold, const Measure &measure)
{
    const double room = mm(PrintableWidth) - x;
    if (measure(text, pointSize, bold) <= room)
        return text;
    qsizetype lo = 0, hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (measure(text.left(mid), pointSize, bold) <= room)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo > 0 && text.at(lo - 1).isHighSurrogate())
        --lo;
    return text.left(lo);
}

} // namespace

Layout archiveLayout()
{
    return {texts::archive::ArchiveReportTitle,
            140.2,
            {{QStringLiteral("车辆编号"), 2.1, QStringLiteral("车辆编号"), 2.1},
             {QStringLiteral("卡片内码"), 21.4, QStringLiteral("卡片内码"), 21.2, 9},
             {QStringLiteral("车主姓名"), 46.6, QStringLiteral("车主姓名"), 46.6},
             {QStringLiteral("车牌号码"), 73.6, QStringLiteral("车牌号码"), 73.3},
             {QStringLiteral("车主手机"), 100.5, QStringLiteral("车主手机"), 98.7},
             {QStringLiteral("卡片有效期"), 128.1, QStringLiteral("卡片有效期限"), 128.3},
             {QStringLiteral("住址"), 161.9, QStringLiteral("住址"), 162.2}}};
}

Layout historyLayout()
{
    return {texts::archive::HistoryReportTitle,
            140.2,
            {{QStringLiteral("操作时间"), 2.1, QStringLiteral("操作时间"), 2.1},
             {QStringLiteral("操作员"), 34.0, QStringLiteral("操作员"), 34.0},
             {QStringLiteral("操作"), 54.0, QStringLiteral("操作"), 54.0},
             {QStringLiteral("卡片内码"), 74.0, QStringLiteral("卡片内码"), 74.0},
             {QStringLiteral("原有效期"), 94.0, QStringLiteral("原有效期限"), 94.0},
             {QStringLiteral("新有效期"), 118.0, QStringLiteral("新有效期限"), 118.0},
             {QStringLiteral("门组"), 142.0, QStringLiteral("门组"), 142.0},
             {QStringLiteral("结果"), 162.0, QStringLiteral("结果"), 162.0}}};
}

Layout passageLayout()
{
    return {texts::archive::PassageReportTitle,
            137.6,
            {{QStringLiteral("序号"), 2.1, QStringLiteral("序号"), 2.1},
             {QStringLiteral("卡片内码"), 17.2, QStringLiteral("卡片内码"), 16.9, 9},
             {QStringLiteral("车主姓名"), 40.2, QStringLiteral("车主姓名"), 40.2},
             {QStringLiteral("车牌号码"), 65.1, QStringLiteral("车牌号码"), 64.8},
             {QStringLiteral("进出时间"), 94.2, QStringLiteral("进出时间"), 94.5},
             {QStringLiteral("进出状态"), 140.8, QStringLiteral("进出状态"), 141.0},
             {QStringLiteral("读卡地址"), 161.9, QStringLiteral("读卡地址"), 162.2}}};
}

int rowsOnFirstPage()
{
    return (PrintableHeight - TitleBandHeight - HeaderBandHeight) / DetailBandHeight;
}

int rowsOnLaterPages()
{
    return (PrintableHeight - HeaderBandHeight) / DetailBandHeight;
}

int pageCount(int rows)
{
    if (rows <= rowsOnFirstPage())
        return 1;
    const int rest = rows - rowsOnFirstPage();
    return 1 + (rest + rowsOnLaterPages() - 1) / rowsOnLaterPages();
}

Page pageAt(const Layout &layout, const sheet::Table &rows, const Measure &measure, int number)
{
    namespace t = texts::archive;
    QVector<int> fieldColumn;
    for (const Column &c : layout.columns) {
        int found = -1;
        for (int i = 0; i < rows.columnCount() && found < 0; ++i)
            if (rows.columnName(i).compare(c.field, Qt::CaseInsensitive) == 0)
                found = i;
        fieldColumn << found;
    }

    const auto place = [&](Page &page, double x, double y, const QString &text, double points = 8,
                           bool bold = false) {
        page.texts.append({x, y, fitted(text, x, points, bold, measure), points, bold});
    };
    // A number printed over the blanks of its label, and the unit after the blanks or, when the
    // number reaches it, after the number.
    const auto numberAndUnit = [&](Page &page, double top, double labelX, const QString &label,
                                   double numberX, const QString &number, const QString &unit) {
        const double natural = labelX + measure(label, 8, false);
        const double pushed = numberX + measure(number, 8, false) + UnitGap;
        place(page, numberX, top + NumberY, number);
        place(page, qMax(natural, pushed), top + LabelY, unit);
    };

    number = qBound(1, number, pageCount(rows.rowCount()));
    int next = number == 1 ? 0 : rowsOnFirstPage() + (number - 2) * rowsOnLaterPages();
    Page page{number, next, 0, {}};
    int top = 0; // tenths of a millimetre
    if (number == 1) {
        place(page, TitleX, TitleY, layout.title, TitlePoints, true);
        top += TitleBandHeight;
    }
    const double header = mm(top);
    place(page, CountLabelX, header + LabelY, t::CountLabel);
    numberAndUnit(page, header, CountLabelX, t::CountLabel + IdeographicSpace.repeated(3),
                  layout.countX, QString::number(rows.rowCount()), t::CountUnit);
    place(page, PageLabelX, header + LabelY, t::PageLabel);
    numberAndUnit(page, header, PageLabelX, t::PageLabel + IdeographicSpace, PageNumberX,
                  QString::number(number), t::PageUnit);
    for (const Column &c : layout.columns)
        place(page, c.captionX, header + CaptionY, c.caption);
    top += HeaderBandHeight;

    const int capacity = number == 1 ? rowsOnFirstPage() : rowsOnLaterPages();
    for (; next < rows.rowCount() && page.rowCount < capacity; ++next, ++page.rowCount) {
        const double y = mm(top) + FieldY;
        for (int i = 0; i < layout.columns.size(); ++i)
            if (fieldColumn[i] >= 0) {
                const QString text = rows.text(next, fieldColumn[i]);
                if (!text.isEmpty())
                    place(page, layout.columns[i].fieldX, y, text, layout.columns[i].pointSize);
            }
        top += DetailBandHeight;
    }
    return page;
}

QVector<Page> paginate(const Layout &layout, const sheet::Table &rows, const Measure &measure)
{
    QVector<Page> pages;
    const int total = pageCount(rows.rowCount());
    for (int number = 1; number <= total; ++number)
        pages << pageAt(layout, rows, measure, number);
    return pages;
}

} // namespace report
