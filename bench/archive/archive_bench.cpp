// The spreadsheet exports, each paired in turns with a baseline (bench/support/paired.h), and the
// printed report:
//   ExportXlsx  program: sheet::saveTable of the archive query (100 000 owners, 12 fields) to
//               .xlsx, as the export button runs it after the file dialog. baseline: a bare
//               libxlsxwriter loop with the same options (constant memory, text format) writing
//               the same cells, held ready as UTF-8 strings.
//   ExportCsv   the same to .csv; baseline: a bare loop that writes the same cells with the same
//               quoting, byte-order mark and line ends through stdio, and syncs the file.
//   ExportXls   65 000 owners to .xls; baseline: the program's BIFF8 writer fed the same cells
//               ready in memory (there is no other .xls writer to compare with).
//   ArchiveReportPdf  10 000 owners paginated and painted to a PDF file (timed alone).
// program_peak_mb is the memory an export adds to the open query's (the grid's) resting memory.
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
#include <QTemporaryDir>
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

void ExportXls(benchmark::State &state)
{
    // No second .xls writer exists: the baseline is the program's BIFF8 writer fed from the
    // cells ready in memory, so the ratio is what reading the query costs the export.
    pairedExport(state, XlsRows, "xls",
                 [](const std::vector<std::vector<std::string>> &cells, const QString &path) {
                     sheet::StringTable t;
                     for (const std::string &c : cells[0])
                         t.columns << QString::fromStdString(c);
                     t.rows.reserve(int(cells.size()) - 1);
                     for (size_t r = 1; r < cells.size(); ++r) {
                         QStringList row;
                         for (const std::string &c : cells[r])
                             row << QString::fromStdString(c);
                         t.rows << row;
                     }
                     filewrite::replaceFile(path, sheet::xlsBytes(t));
                 });
}
BENCHMARK(ExportXls)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(paired::pairs());

void ArchiveReportPdf(benchmark::State &state)
{
    const sheet::StringTable t = owners(10000);
    QTemporaryDir dir;
    for (auto _ : state)
        writeReportPdf(report::archiveLayout(), t, dir.filePath(QStringLiteral("r.pdf")));
    state.counters["pages"] = report::pageCount(t.rowCount());
}
BENCHMARK(ArchiveReportPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

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
