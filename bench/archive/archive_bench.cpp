// Speed of the spreadsheet export and the printed report:
//   XlsxAgainstBareLoop 100 000 x 11 cells to .xlsx, against a bare libxlsxwriter loop that
//                       writes the same strings in the same run (counter ratio)
//   Xls                 65 000 x 11 cells to .xls
//   Csv                 100 000 x 11 cells to .csv
//   ArchiveReportPdf    10 000 owners paginated and painted to a PDF file
#include "archive/reportpreview.h"
#include "archive/sheetwriters.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
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

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void bareXlsx(const std::vector<std::string> &header,
              const std::vector<std::vector<std::string>> &rows, const QString &path)
{
    lxw_workbook *book = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    for (size_t c = 0; c < header.size(); ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), header[c].c_str(), nullptr);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            worksheet_write_string(sheet, lxw_row_t(r + 1), lxw_col_t(c), rows[r][c].c_str(),
                                   nullptr);
    workbook_close(book);
}

void XlsxAgainstBareLoop(benchmark::State &state)
{
    const sheet::StringTable t = owners(100000);
    std::vector<std::string> header;
    for (const QString &c : t.columns)
        header.push_back(c.toStdString());
    std::vector<std::vector<std::string>> rows;
    for (const QStringList &row : t.rows) {
        std::vector<std::string> r;
        for (const QString &v : row)
            r.push_back(v.toStdString());
        rows.push_back(std::move(r));
    }
    QTemporaryDir dir;
    double ours = 0, bare = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        bareXlsx(header, rows, dir.filePath(QStringLiteral("bare.xlsx")));
        const double b = seconds(start);
        start = std::chrono::steady_clock::now();
        sheet::saveTable(t, dir.filePath(QStringLiteral("ours.xlsx")));
        const double o = seconds(start);
        state.SetIterationTime(o);
        ours += o;
        bare += b;
    }
    state.counters["bare_ms"] = benchmark::Counter(bare * 1000 / state.iterations());
    state.counters["ratio"] = benchmark::Counter(ours / bare);
}
BENCHMARK(XlsxAgainstBareLoop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void Xls(benchmark::State &state)
{
    const sheet::StringTable t = owners(65000);
    QTemporaryDir dir;
    for (auto _ : state)
        sheet::saveTable(t, dir.filePath(QStringLiteral("out.xls")));
    state.counters["MB"] = double(QFile(dir.filePath(QStringLiteral("out.xls"))).size()) / 1e6;
}
BENCHMARK(Xls)->Unit(benchmark::kMillisecond)->Iterations(3);

void Csv(benchmark::State &state)
{
    const sheet::StringTable t = owners(100000);
    QTemporaryDir dir;
    for (auto _ : state)
        sheet::saveTable(t, dir.filePath(QStringLiteral("out.csv")));
}
BENCHMARK(Csv)->Unit(benchmark::kMillisecond)->Iterations(3);

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
