// The passage archive's search on a busy site's year: 2 000 000 passages (about 5 500 a day from
// 5 000 cards at four readers), one plate searched over the whole year, as the passage window runs
// it (bench/support/paired.h pairs it with its baseline in turn):
//   ArchivePlateSearch  the window's statement (passagearchive::searchStatement) through the
//                       record view's Query, read as the grid reads it (first page and the whole
//                       count); baseline: the same statement with the same bound values stepped
//                       bare on a handle of its own, every column read as text
// scan_s is one run of the same search with the indexes set aside (NOT INDEXED): what the plate
// index saves.
//
// Environment: VELMORA_BENCH_ARCHIVE_ROWS (default 2 000 000), VELMORA_BENCH_PAIRS.
#include "db/connection.h"
#include "db/query.h"
#include "db/starter.h"
#include "paired.h"
#include "passages/passagearchive.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sqlite3.h>

namespace {

const QString Password = QString::fromLatin1(db::DatabasePassword);
const int Rows = paired::sizeFromEnv("VELMORA_BENCH_ARCHIVE_ROWS", 2000000);
constexpr int Cards = 5000;

struct Fixture
{
    QTemporaryDir dir;
    QString file;
    Fixture()
    {
        file = createStarterDatabase(dir.path(), QStringLiteral("admin"), QStringLiteral("admin1"));
        db::Handle h = db::openDatabase(file, Password);
        // One passage every 15 seconds from 2025-01-01 on: a year for 2 000 000 rows.
        db::exec(
            h.get(),
            QStringLiteral(
                "BEGIN;"
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<%1) "
                "INSERT INTO CRJLDA(卡片内码,车主姓名,车牌号码,进出时间,进出状态,读卡地址,"
                "门号,通道号,记录原文) "
                "SELECT printf('%08X', i % %2), '车主' || (i % %2) || ' ', "
                "printf('京A%05d ', i % %2), "
                "strftime('%Y年%m月%d日%H:%M分', '2025-01-01', '+' || (i * 15) || ' seconds'), "
                "CASE i % 2 WHEN 0 THEN '进' ELSE '出' END, printf('%02d', i % 4 + 1), "
                "'', '', '' FROM n;"
                "COMMIT;")
                .arg(Rows - 1)
                .arg(Cards));
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

passagearchive::Statement plateSearch()
{
    passagearchive::Search search;
    search.from = QDateTime(QDate(2025, 1, 1), QTime(0, 0));
    search.to = QDateTime(QDate(2025, 12, 31), QTime(23, 59));
    search.plate = QStringLiteral("京A01234");
    return passagearchive::searchStatement(search);
}

size_t stepBound(sqlite3 *db, const QString &sql, const passagearchive::Statement &statement)
{
    db::Statement st(db, sql);
    for (const auto &[name, value] : statement.parameters) {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(st.get(),
                          sqlite3_bind_parameter_index(st.get(), (":" + name).toUtf8().constData()),
                          utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    size_t bytes = 0;
    const int n = sqlite3_column_count(st.get());
    while (st.step())
        for (int c = 0; c < n; ++c) {
            benchmark::DoNotOptimize(sqlite3_column_text(st.get(), c));
            bytes += size_t(sqlite3_column_bytes(st.get(), c));
        }
    return bytes;
}

void ArchivePlateSearch(benchmark::State &state)
{
    const passagearchive::Statement statement = plateSearch();
    Connection con;
    con.setDatabase(fixture().file);
    con.connect();
    // The window's connection stays open while it shows (a query of its own keeps it so here):
    // a search does not derive the key again.
    Query holder(&con);
    holder.setSQL(QStringLiteral("select * from usersmm"));
    holder.open();
    Query q(&con);
    q.setFetchOnDemand(true); // as the passage window's record view
    db::Handle bare = db::openDatabase(fixture().file, Password);
    const auto nothing = [] {};
    paired::run(
        state, [&] { q.close(); },
        [&] {
            q.setSQL(statement.sql);
            for (const auto &[name, value] : statement.parameters)
                q.setParameter(name, value);
            q.open();
            benchmark::DoNotOptimize(q.recordCount());
        },
        nothing,
        [&] { benchmark::DoNotOptimize(stepBound(bare.get(), statement.sql, statement)); });
    state.counters["found"] = q.recordCount();
    state.counters["archive_rows"] = Rows;
    QString scan = statement.sql;
    scan.replace(QStringLiteral(" from CRJLDA "), QStringLiteral(" from CRJLDA NOT INDEXED "));
    const auto t0 = std::chrono::steady_clock::now();
    stepBound(bare.get(), scan, statement);
    state.counters["scan_s"] =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}
BENCHMARK(ArchivePlateSearch)
    ->Iterations(paired::pairs())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
