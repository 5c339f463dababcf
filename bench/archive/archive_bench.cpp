// The spreadsheet exports, each paired in turns with a baseline (bench/support/paired.h), and the
// printed report:
//   ExportXlsx  program: sheet::saveTable of the archive query (100 000 owners, 12 fields) to
//               .xlsx, as the export button runs it after the file dialog. baseline: a bare
//               libxlsxwriter loop with the same options (constant memory, text format) writing
//               the same cells, held ready as UTF-8 strings.
//   ExportCsv   the same to .csv; baseline: a bare loop that writes the same cells with the same
//               quoting, byte-order mark and line ends through stdio, and syncs the file.
//   ExportXls   65 000 owners to .xls; baseline: a bare BIFF8 loop of its own that writes the
//               same cells, held ready as UTF-8 strings, as LABEL records (UTF-16 through
//               QString::fromUtf8 where a cell is not plain ASCII) into the same compound file
//               layout through stdio, and syncs the file.
//   ArchiveReportPdf  10 000 owners paginated and painted to a PDF file; baseline: a bare
//               QPainter loop on a QPrinter set up the same way (PDF, A4, 10 mm margins) that
//               draws the same column captions on every page and the same fields of every row at
//               the layout's places, 48 rows on the first page and 49 on the others, in the
//               report's font, without measuring or cutting anything.
// program_peak_mb is the memory an export adds to the open query's (the grid's) resting memory.
#include "archive/reportmodel.h"
#include "archive/reportpreview.h"
#include "archive/sheetwriters.h"
#include "archiveseed.h"
#include "common/filewrite.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/starter.h"
#include "paired.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <functional>
#include <unistd.h>
#include <vector>
#include <xlsxwriter.h>

namespace {

sheet::StringTable owners(int n)
{
    sheet::StringTable t;
    t.columns = {
        QStringLiteral("车辆编号"), QStringLiteral("卡片内码"), QStringLiteral("车主姓名"),
        QStringLiteral("车牌号码"), QStringLiteral("汽车类型"), QStringLiteral("车主手机"),
        QStringLiteral("车辆信息"), QStringLiteral("车场车位"), QStringLiteral("卡片有效期限"),
        QStringLiteral("住址"),     QStringLiteral("卡片状态")};
    const QStringList types = {QStringLiteral("小汽车"), QStringLiteral("越野车"),
                               QStringLiteral("客车"), QStringLiteral("货车")};
    t.rows.reserve(n);
    for (int i = 0; i < n; ++i)
        t.rows << QStringList{QString::asprintf("%.4d", 1001 + i),
                              QString::asprintf("%08X", 0x3A000000u + unsigned(i) * 977u),
                              QStringLiteral("车主%1").arg(i),
                              QStringLiteral("京A%1").arg(10000 + i % 90000),
                              types[i % 4],
                              QStringLiteral("139%1").arg(10000000 + i),
                              i % 3 ? QStringLiteral("白色轿车") : QStringLiteral("黑色SUV"),
                              QStringLiteral("B%1-%2").arg(i % 3 + 1).arg(i % 1000),
                              QStringLiteral("2025年%1月28日").arg(i % 12 + 1, 2, 10, QChar(u'0')),
                              QStringLiteral("某市某区幸福路%1号").arg(i + 1),
                              i % 5 ? QStringLiteral("已启用") : QStringLiteral("已挂失")};
    return t;
}

// ---- the exports, paired with bare writers of the same cells ----

constexpr int XlsxRows = 100000;
constexpr int XlsRows = 65000;

// 100 000 owners in a database, and the archive grid's statement open on it (12 fields).
struct Archive
{
    QTemporaryDir dir;
    Connection con;
    std::unique_ptr<Query> query;
    Archive()
    {
        const QString file =
            createStarterDatabase(dir.path(), QStringLiteral("admin"), QStringLiteral("admin1"));
        seedArchive(
            file, XlsxRows, 15,
            QStringLiteral("CASE i%3 WHEN 0 THEN '已启用' WHEN 1 THEN '已挂失' ELSE '' END"));
        con.setDatabase(file);
    }
    // The query with `rows` records, open; the cells as UTF-8 (empty for an empty value).
    Query &open(int rows)
    {
        query = std::make_unique<Query>(&con);
        query->setSQL(QStringLiteral("select * from CZdata order by 车辆编号 limit %1").arg(rows));
        query->open();
        return *query;
    }
};

Archive &archive()
{
    static Archive a;
    return a;
}

// The same cells as the export writes: the title row, then every value as text.
std::vector<std::vector<std::string>> cellsOf(const Query &q)
{
    std::vector<std::vector<std::string>> cells;
    std::vector<std::string> title;
    for (const QString &name : q.fieldNames())
        title.push_back(name.toStdString());
    cells.push_back(std::move(title));
    for (int r = 0; r < q.rows(); ++r) {
        std::vector<std::string> row;
        for (int f = 0; f < q.fieldCount(); ++f)
            row.push_back(q.textAt(r, f).toStdString());
        cells.push_back(std::move(row));
    }
    return cells;
}

void bareXlsx(const std::vector<std::vector<std::string>> &cells, const QString &path)
{
    const QByteArray tmp = QFile::encodeName(QFileInfo(path).absolutePath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(tmp.constData());
    lxw_workbook *book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *text = workbook_add_format(book);
    format_set_num_format(text, "@");
    worksheet_set_column(sheet, 0, lxw_col_t(cells[0].size() - 1), 14, text);
    for (size_t r = 0; r < cells.size(); ++r)
        for (size_t c = 0; c < cells[r].size(); ++c)
            if (!cells[r][c].empty())
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), cells[r][c].c_str(),
                                       text);
    workbook_close(book);
}

void bareCsv(const std::vector<std::vector<std::string>> &cells, const QString &path)
{
    std::FILE *f = std::fopen(QFile::encodeName(path).constData(), "wb");
    std::string out = "\xEF\xBB\xBF";
    for (const auto &row : cells) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                out += ',';
            const std::string &v = row[c];
            const bool guard = !v.empty() && std::strchr("=+-@\t\r", v[0]);
            const std::string cell = guard ? "'" + v : v;
            if (cell.find_first_of(",\"\r\n") == std::string::npos) {
                out += cell;
            } else {
                out += '"';
                for (const char ch : cell) {
                    if (ch == '"')
                        out += '"';
                    out += ch;
                }
                out += '"';
            }
        }
        out += "\r\n";
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), f);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), f);
    std::fflush(f);
    ::fsync(fileno(f));
    std::fclose(f);
}

// The program's export of an open query (sheet::saveTable, what the export button runs after
// the file dialog) against a bare writer of the same cells, in pairs.
void pairedExport(
    benchmark::State &state, int rows, const char *suffix,
    const std::function<void(const std::vector<std::vector<std::string>> &, const QString &)> &bare)
{
    Query &q = archive().open(rows);
    const auto cells = cellsOf(q);
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("ours.") + QLatin1String(suffix));
    const QString theirs = dir.filePath(QStringLiteral("bare.") + QLatin1String(suffix));
    paired::run(
        state, [] {}, [&] { sheet::saveTable(sheet::QueryTable(q), ours); }, [] {},
        [&] { bare(cells, theirs); });
    state.counters["rows"] = rows;
    state.counters["MB"] = double(QFile(ours).size()) / 1e6;
}

void ExportXlsx(benchmark::State &state)
{
    pairedExport(state, XlsxRows, "xlsx", bareXlsx);
}
BENCHMARK(ExportXlsx)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(paired::pairs());

void ExportCsv(benchmark::State &state)
{
    pairedExport(state, XlsxRows, "csv", bareCsv);
}
BENCHMARK(ExportCsv)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(paired::pairs());

// ---- a bare .xls writer: LABEL cells in a BIFF8 stream, in a version 3 compound file ----

void le16(std::string &b, unsigned v)
{
    b += char(v & 0xFF);
    b += char((v >> 8) & 0xFF);
}

void le32(std::string &b, quint32 v)
{
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

void record(std::string &b, unsigned type, const std::string &data)
{
    le16(b, type);
    le16(b, unsigned(data.size()));
    b += data;
}

void bareXls(const std::vector<std::vector<std::string>> &cells, const QString &path)
{
    std::FILE *f = std::fopen(QFile::encodeName(path).constData(), "wb");
    std::string out(512, '\0'); // the header, written last
    const auto bof = [](unsigned kind) {
        std::string d;
        le16(d, 0x0600);
        le16(d, kind);
        le16(d, 0x0DBB);
        le16(d, 0x07CC);
        le32(d, 0xC1);
        le32(d, 6);
        return d;
    };
    // Globals: what a reader needs to find the one sheet and its text cells' format.
    std::string g;
    record(g, 0x0809, bof(0x0005));
    record(g, 0x0042, std::string("\xB0\x04", 2));
    for (int i = 0; i < 4; ++i)
        record(g, 0x0031,
               std::string("\xDC\x00\x00\x00\xFF\x7F\x90\x01\x00\x00\x00\x00\x00\x00"
                           "\x05\x00"
                           "Arial",
                           21));
    const auto xf = [](unsigned format, bool style) {
        std::string d;
        le16(d, 0);
        le16(d, format);
        le16(d, style ? 0xFFF5 : 0x0001);
        d += std::string("\x20\x00", 2);
        le16(d, style ? 0xF400 : 0x0400);
        le32(d, 0);
        le32(d, 0);
        le16(d, 0x20C0);
        return d;
    };
    for (int i = 0; i < 15; ++i)
        record(g, 0x00E0, xf(0, true));
    record(g, 0x00E0, xf(0, false));
    for (int i = 0; i < 5; ++i)
        record(g, 0x00E0, xf(0, true));
    record(g, 0x00E0, xf(0x31, false)); // XF 21: text
    const size_t sheetPosAt = g.size() + 4;
    record(g, 0x0085, std::string("\0\0\0\0\0\0\x06\0Sheet1", 14));
    record(g, 0x000A, {});
    const quint32 sheetPos = quint32(g.size());
    std::memcpy(&g[sheetPosAt], &sheetPos, 4);
    out += g;
    record(out, 0x0809, bof(0x0010));
    std::string dim;
    le32(dim, 0);
    le32(dim, quint32(cells.size()));
    le16(dim, 0);
    le16(dim, unsigned(cells[0].size()));
    le16(dim, 0);
    record(out, 0x0200, dim);
    size_t streamSize = 0;
    for (size_t r = 0; r < cells.size(); ++r) {
        for (size_t c = 0; c < cells[r].size(); ++c) {
            const std::string &v = cells[r][c];
            if (v.empty())
                continue;
            bool ascii = true;
            for (const char ch : v)
                ascii = ascii && uchar(ch) < 0x80;
            const QString wide =
                ascii ? QString() : QString::fromUtf8(v.data(), qsizetype(v.size()));
            const size_t chars = ascii ? v.size() : size_t(wide.size());
            le16(out, 0x0204);
            le16(out, unsigned(9 + (ascii ? chars : 2 * chars)));
            le16(out, unsigned(r));
            le16(out, unsigned(c));
            le16(out, 21);
            le16(out, unsigned(chars));
            out += char(ascii ? 0 : 1);
            if (ascii)
                out += v;
            else
                out.append(reinterpret_cast<const char *>(wide.utf16()), 2 * chars);
        }
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), f);
            streamSize += out.size();
            out.clear();
        }
    }
    record(out, 0x023E, std::string("\xB6\x06\0\0\0\0\x40\0\0\0\0\0\0\0\0\0\0\0", 18));
    record(out, 0x000A, {});
    streamSize += out.size() - 512;
    // The compound file: stream sectors, the directory, the FAT (DIFAT beyond 109 FAT sectors).
    const quint32 size = quint32(std::max<size_t>(streamSize, 4096));
    const quint32 sectors = (size + 511) / 512;
    quint32 fat = 1, difat = 0;
    for (;;) {
        const quint32 need = (sectors + 1 + fat + difat + 127) / 128;
        const quint32 needDifat = need > 109 ? (need - 109 + 126) / 127 : 0;
        if (need == fat && needDifat == difat)
            break;
        fat = std::max(fat, need);
        difat = std::max(difat, needDifat);
    }
    out.append(size_t(sectors) * 512 - streamSize, '\0');
    const auto entry = [&](const char16_t *name, unsigned type, quint32 child, quint32 start,
                           quint32 bytes) {
        std::string e(128, '\0');
        size_t n = 0;
        for (; name[n]; ++n)
            qToLittleEndian(quint16(name[n]), &e[2 * n]);
        qToLittleEndian(quint16(n ? 2 * (n + 1) : 0), &e[64]);
        e[66] = char(type);
        e[67] = 1;
        std::memset(&e[68], 0xFF, 8);
        qToLittleEndian(child, &e[76]);
        qToLittleEndian(start, &e[116]);
        qToLittleEndian(bytes, &e[120]);
        out += e;
    };
    entry(u"Root Entry", 5, 1, 0xFFFFFFFE, 0);
    entry(u"Workbook", 2, 0xFFFFFFFF, 0, size);
    entry(u"", 0, 0xFFFFFFFF, 0, 0);
    entry(u"", 0, 0xFFFFFFFF, 0, 0);
    const quint32 firstFat = sectors + 1, firstDifat = firstFat + fat;
    for (quint32 s = 0; s < fat * 128; ++s)
        le32(out, s < sectors                       ? (s + 1 == sectors ? 0xFFFFFFFE : s + 1)
                  : s == sectors                    ? 0xFFFFFFFE
                  : s >= firstFat && s < firstDifat ? 0xFFFFFFFD
                  : s >= firstDifat && s < firstDifat + difat ? 0xFFFFFFFC
                                                              : 0xFFFFFFFF);
    for (quint32 d = 0; d < difat; ++d) {
        for (quint32 i = 0; i < 127; ++i) {
            const quint32 k = 109 + d * 127 + i;
            le32(out, k < fat ? firstFat + k : 0xFFFFFFFF);
        }
        le32(out, d + 1 < difat ? firstDifat + d + 1 : 0xFFFFFFFE);
    }
    std::fwrite(out.data(), 1, out.size(), f);
    std::string h = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    h.append(16, '\0');
    for (unsigned v : {0x3Eu, 3u, 0xFFFEu, 9u, 6u})
        le16(h, v);
    h.append(6, '\0');
    for (quint32 v :
         {0u, fat, sectors, 0u, 4096u, 0xFFFFFFFEu, 0u, difat ? firstDifat : 0xFFFFFFFEu, difat})
        le32(h, v);
    for (quint32 i = 0; i < 109; ++i)
        le32(h, i < fat ? firstFat + i : 0xFFFFFFFF);
    std::fseek(f, 0, SEEK_SET);
    std::fwrite(h.data(), 1, h.size(), f);
    std::fflush(f);
    ::fsync(fileno(f));
    std::fclose(f);
}

void ExportXls(benchmark::State &state)
{
    pairedExport(state, XlsRows, "xls", bareXls);
}
BENCHMARK(ExportXls)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(paired::pairs());

// The same texts as the report, drawn bare.
void barePdf(const sheet::StringTable &t, const QString &path)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setFullPage(false);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    const report::Layout layout = report::archiveLayout();
    QVector<int> fields;
    for (const report::Column &c : layout.columns)
        fields << int(t.columns.indexOf(c.field));
    const double unit = printer.resolution() / 25.4;
    QPainter painter(&printer);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8);
    painter.setFont(font);
    const double ascent = QFontMetricsF(font, &printer).ascent();
    int row = 0;
    for (int page = 0; row < t.rowCount() || page == 0; ++page) {
        if (page > 0)
            printer.newPage();
        const double top = page == 0 ? report::TitleBandHeight / 10.0 : 0;
        for (const report::Column &c : layout.columns)
            painter.drawText(QPointF(c.captionX * unit, (top + 8) * unit + ascent), c.caption);
        const int rows = page == 0 ? report::rowsOnFirstPage() : report::rowsOnLaterPages();
        for (int i = 0; i < rows && row < t.rowCount(); ++i, ++row) {
            const double y =
                top + report::HeaderBandHeight / 10.0 + i * report::DetailBandHeight / 10.0;
            for (int c = 0; c < layout.columns.size(); ++c)
                if (fields[c] >= 0)
                    painter.drawText(QPointF(layout.columns[c].fieldX * unit, y * unit + ascent),
                                     t.rows[row][fields[c]]);
        }
    }
}

void ArchiveReportPdf(benchmark::State &state)
{
    const sheet::StringTable t = owners(10000);
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("r.pdf"));
    const QString theirs = dir.filePath(QStringLiteral("bare.pdf"));
    paired::run(
        state, [] {}, [&] { writeReportPdf(report::archiveLayout(), t, ours); }, [] {},
        [&] { barePdf(t, theirs); });
    state.counters["pages"] = report::pageCount(t.rowCount());
}
BENCHMARK(ArchiveReportPdf)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(paired::pairs());

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
