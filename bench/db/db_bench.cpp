// Speed and size of the records database layer on an archive of 100 000 cards. The first three
// pair the program with a baseline in turn (program, baseline, ...; bench/support/paired.h):
//   QueryOpen      "select * from CZdata" through Query, all rows held; baseline: a bare
//                  prepare/step loop on a handle of its own that reads the same columns as text
//   ContainsSearch card code or owner name containing a typed text, bound, through Query;
//                  baseline: the same statement with the same bound text stepped bare
//   PostEdit       100 edited records written through Query, one post each; baseline: the same
//                  100 updates of the same column as bare bound UPDATE statements
// The others time the program alone:
//   Compact        the file with 50 000 deleted passage rows
//   ResultMemory   heap held by a 100 000-row result (heap_MB), with the page cache and RSS
#include "archiveseed.h"
#include "db/compact.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/starter.h"
#include "paired.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr int Cards = 100000;
constexpr int DeletedPassages = 50000;

const QString Password = QString::fromLatin1(db::DatabasePassword);

struct Fixture
{
    QTemporaryDir dir;
    QString archive;     // 100 000 cards
    QString withDeleted; // the same, plus 50 000 passage rows inserted and deleted again

    Fixture()
    {
        archive =
            createStarterDatabase(dir.path(), QStringLiteral("admin"), QStringLiteral("admin1"));
        seedArchive(archive, Cards, 10, QStringLiteral("'已启用'"));
        withDeleted = dir.filePath(QStringLiteral("deleted.mdb"));
        QFile::copy(archive, withDeleted);
        db::Handle h = db::openDatabase(withDeleted, Password);
        db::exec(
            h.get(),
            QStringLiteral(
                "BEGIN;"
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<%1) "
                "INSERT INTO "
                "CRJL(卡片内码,车主姓名,车牌号码,进出时间,进出状态,读卡地址,门号,通道号,记录原文) "
                "SELECT printf('%08X',i), '车主'||i, '京A'||i, '2013年01月02日08:30分', '进', "
                "'01', "
                "'1 ', '2 ', '01 1 ' || printf('%08X',i) || ' 201301020830' FROM n;"
                "COMMIT;"
                "DELETE FROM CRJL;")
                .arg(DeletedPassages - 1));
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

long rssKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs first so that the RSS growth is not hidden by memory freed by earlier runs. heap_MB is
// the result alone (the page cache warmed before), with_cache_MB and rss_growth_MB include the
// connection's page cache.
void ResultMemory(benchmark::State &state)
{
    Connection con;
    con.setDatabase(fixture().archive);
    double resultMB = 0, totalMB = 0, rssMB = 0;
    for (auto _ : state) {
        const size_t heapStart = mallinfo2().uordblks;
        const long rssStart = rssKiB();
        Query holder(&con);
        holder.setSQL(QStringLiteral("select * from usersmm"));
        holder.open();
        Query q(&con);
        q.setSQL(QStringLiteral("select * from CZdata"));
        q.open();
        q.close();
        const size_t heapBefore = mallinfo2().uordblks;
        q.open();
        const size_t heapAfter = mallinfo2().uordblks;
        resultMB = double(heapAfter - heapBefore) / (1024 * 1024);
        totalMB = double(heapAfter - heapStart) / (1024 * 1024);
        rssMB = double(rssKiB() - rssStart) / 1024;
        benchmark::DoNotOptimize(q.recordCount());
    }
    state.counters["heap_MB"] = resultMB;
    state.counters["with_cache_MB"] = totalMB;
    state.counters["rss_growth_MB"] = rssMB;
}
BENCHMARK(ResultMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// Steps a statement to its end, reading every column of every row as text.
size_t stepAll(db::Statement &st)
{
    const int n = sqlite3_column_count(st.get());
    size_t bytes = 0;
    while (st.step()) {
        for (int c = 0; c < n; ++c) {
            benchmark::DoNotOptimize(sqlite3_column_text(st.get(), c));
            bytes += sqlite3_column_bytes(st.get(), c);
        }
    }
    return bytes;
}

void QueryOpen(benchmark::State &state)
{
    db::Handle bare = db::openDatabase(fixture().archive, Password);
    Connection con;
    con.setDatabase(fixture().archive);
    // A second open query keeps the connection open between the runs, as in the program while a
    // window shows a result; the bare loop's handle is open too.
    Query holder(&con);
    holder.setSQL(QStringLiteral("select * from usersmm"));
    holder.open();
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata"));
    const auto nothing = [] {};
    paired::run(
        state, [&] { q.close(); },
        [&] {
            q.open();
            benchmark::DoNotOptimize(q.recordCount());
        },
        nothing,
        [&] {
            db::Statement st(bare.get(), QStringLiteral("select * from CZdata"));
            benchmark::DoNotOptimize(stepAll(st));
        });
    state.counters["rows"] = q.recordCount();
}
BENCHMARK(QueryOpen)->Iterations(paired::pairs())->UseManualTime()->Unit(benchmark::kMillisecond);

// Opening with a closed connection also derives the key from the password.
void QueryOpenCold(benchmark::State &state)
{
    Connection con;
    con.setDatabase(fixture().archive);
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata"));
    for (auto _ : state) {
        q.open();
        benchmark::DoNotOptimize(q.recordCount());
        q.close();
    }
}
BENCHMARK(QueryOpenCold)->Iterations(5)->Unit(benchmark::kMillisecond);

void ContainsSearch(benchmark::State &state)
{
    const QString sql = QStringLiteral("select * from CZdata where 卡片内码 like '%' || ? || '%' "
                                       "or 车主姓名 like '%' || ? || '%'");
    const QString key = QStringLiteral("车主9999");
    db::Handle bare = db::openDatabase(fixture().archive, Password);
    Connection con;
    con.setDatabase(fixture().archive);
    con.connect();
    Query holder(&con);
    holder.setSQL(QStringLiteral("select * from usersmm"));
    holder.open();
    Query q(&con);
    const auto nothing = [] {};
    paired::run(
        state, [&] { q.close(); },
        [&] {
            q.setSQL(sql);
            q.addBindValue(key);
            q.addBindValue(key);
            q.open();
            benchmark::DoNotOptimize(q.recordCount());
        },
        nothing,
        [&] {
            db::Statement st(bare.get(), sql);
            const QByteArray text = key.toUtf8();
            for (int i = 1; i <= 2; ++i)
                sqlite3_bind_text(st.get(), i, text.constData(), int(text.size()),
                                  SQLITE_TRANSIENT);
            benchmark::DoNotOptimize(stepAll(st));
        });
    state.counters["found"] = q.recordCount();
}
BENCHMARK(ContainsSearch)
    ->Iterations(paired::pairs())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void PostEdit(benchmark::State &state)
{
    constexpr int Edits = 100;
    db::Handle bare = db::openDatabase(fixture().archive, Password);
    Connection con;
    con.setDatabase(fixture().archive);
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata order by id"));
    q.open();
    int n = 0;
    const auto mobile = [](int i) {
        return QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0'));
    };
    const auto nothing = [] {};
    paired::run(
        state, nothing,
        [&] {
            for (int i = 0; i < Edits; ++i, ++n) {
                q.moveTo((n * 7919) % Cards);
                q.edit();
                q.fieldByName(QStringLiteral("车主手机")).setAsString(mobile(n));
                q.post();
            }
        },
        nothing,
        [&] {
            for (int i = 0; i < Edits; ++i, ++n) {
                db::Statement st(bare.get(),
                                 QStringLiteral("update CZdata set 车主手机 = ? where id = ?"));
                const QByteArray text = mobile(n).toUtf8();
                sqlite3_bind_text(st.get(), 1, text.constData(), int(text.size()),
                                  SQLITE_TRANSIENT);
                sqlite3_bind_int64(st.get(), 2, (n * 7919) % Cards + 1);
                st.step();
            }
        });
}
BENCHMARK(PostEdit)->Iterations(paired::pairs())->UseManualTime()->Unit(benchmark::kMillisecond);

void Compact(benchmark::State &state)
{
    const QString work = fixture().dir.filePath(QStringLiteral("work.mdb"));
    qint64 before = 0, after = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(work);
        QFile::copy(fixture().withDeleted, work);
        before = QFileInfo(work).size();
        state.ResumeTiming();
        if (!compactDatabase(work, Password))
            state.SkipWithError("compaction failed");
        state.PauseTiming();
        after = QFileInfo(work).size();
        state.ResumeTiming();
    }
    state.counters["before_MB"] = double(before) / (1024 * 1024);
    state.counters["after_MB"] = double(after) / (1024 * 1024);
}
BENCHMARK(Compact)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
