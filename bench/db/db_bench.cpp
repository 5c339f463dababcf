// Speed and size of the records database layer on an archive of 100 000 cards. Each pairs the
// program with a baseline in turn (program, baseline, ...; bench/support/paired.h):
//   QueryOpen      "select * from CZdata" through Query, all rows held; baseline: a bare
//                  prepare/step loop on a handle of its own that reads the same columns as text
//   QueryOpenCold  the same with the connection closed before each run, so that opening the
//                  file derives the key from the password; baseline: a bare handle opened with
//                  the same key (db::openDatabase), the same loop, the handle closed
//   ContainsSearch card code or owner name containing a typed text, bound, through Query;
//                  baseline: the same statement with the same bound text stepped bare
//   PostEdit       100 edited records written through Query, one post each; baseline: the same
//                  100 updates of the same column as bare bound UPDATE statements (each with its
//                  card history row, written by the same triggers)
//   Compact        the file with 50 000 deleted passage rows, through compactDatabase; baseline:
//                  the engine's own VACUUM of the same file on a bare handle (a compact copy
//                  and its way back into the file under the journal), on a fresh copy each run
//   ResultMemory   the memory a 100 000-row result holds (program_peak_mb), through Query;
//                  baseline: the same rows stepped bare and every cell's text kept in one
//                  contiguous buffer with an offset per cell, the leanest way to hold them
#include "archiveseed.h"
#include "db/cardlog.h"
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
#include <sqlite3.h>
#include <string>
#include <unistd.h>
#include <vector>

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
    const auto nothing = [] {};
    paired::run(
        state, nothing,
        [&] {
            q.open();
            benchmark::DoNotOptimize(q.recordCount());
            q.close();
        },
        nothing,
        [&] {
            db::Handle bare = db::openDatabase(fixture().archive, Password);
            db::Statement st(bare.get(), QStringLiteral("select * from CZdata"));
            benchmark::DoNotOptimize(stepAll(st));
        });
}
BENCHMARK(QueryOpenCold)
    ->Iterations(paired::pairs())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The rows held: the program's result against the same cells' text in one buffer.
void ResultMemory(benchmark::State &state)
{
    Connection con;
    con.setDatabase(fixture().archive);
    // Both sides find their connection open with its page cache warm.
    Query holder(&con);
    holder.setSQL(QStringLiteral("select * from CZdata"));
    holder.open();
    holder.close();
    holder.setSQL(QStringLiteral("select * from usersmm"));
    holder.open();
    db::Handle bare = db::openDatabase(fixture().archive, Password);
    {
        db::Statement warm(bare.get(), QStringLiteral("select * from CZdata"));
        stepAll(warm);
    }
    Query q(&con);
    q.setSQL(QStringLiteral("select * from CZdata"));
    std::string cells;
    std::vector<quint32> ends;
    paired::run(
        state, [&] { q.close(); },
        [&] {
            q.open();
            benchmark::DoNotOptimize(q.recordCount());
        },
        [&] {
            q.close();
            std::string().swap(cells);
            std::vector<quint32>().swap(ends);
        },
        [&] {
            db::Statement st(bare.get(), QStringLiteral("select * from CZdata"));
            const int n = sqlite3_column_count(st.get());
            while (st.step()) {
                for (int c = 0; c < n; ++c) {
                    const auto *t =
                        reinterpret_cast<const char *>(sqlite3_column_text(st.get(), c));
                    cells.append(t ? t : "", size_t(sqlite3_column_bytes(st.get(), c)));
                    ends.push_back(quint32(cells.size()));
                }
            }
        });
    state.counters["rows"] = Cards;
}
BENCHMARK(ResultMemory)
    ->Iterations(paired::pairs())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

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
    // Every change of an owner record writes its history row in its transaction: the bare
    // updates write it too, so that both sides do the same work.
    cardlog::install(bare.get());
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
    qint64 before = 0, after = 0, bareAfter = 0;
    const auto fresh = [&] {
        QFile::remove(work);
        QFile::copy(fixture().withDeleted, work);
        before = QFileInfo(work).size();
    };
    bool failed = false;
    paired::run(
        state, fresh,
        [&] {
            failed = failed || !compactDatabase(work, Password);
            after = QFileInfo(work).size();
        },
        fresh,
        [&] {
            db::Handle bare = db::openDatabase(work, Password);
            db::exec(bare.get(), QStringLiteral("VACUUM"));
            bareAfter = QFileInfo(work).size();
        });
    if (failed)
        state.SkipWithError("compaction failed");
    state.counters["before_MB"] = double(before) / (1024 * 1024);
    state.counters["after_MB"] = double(after) / (1024 * 1024);
    state.counters["bare_after_MB"] = double(bareAfter) / (1024 * 1024);
}
BENCHMARK(Compact)->Iterations(paired::pairs())->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
