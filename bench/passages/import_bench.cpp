// The passage import of 100 000 record lines, as the window runs it (read the stick, write
// RD.TXT, store the rows in slices from the event loop), against a bare prepared-insert loop in
// one transaction on the same kind of file, measured in the same run:
//   BareInsert  open the file, one transaction, 100 000 prepared inserts of fixed text
//   Import      the whole import; counters: max_pause_ms (longest stretch between two turns of
//               the event loop, which is how long the window cannot react), bare_ratio
#include "db/connection.h"
#include "db/starter.h"
#include "passages/passageimport.h"
#include "passages/recordfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int Lines = 100000;
const QString Password = QString::fromLatin1(db::DatabasePassword);

struct Stick
{
    QTemporaryDir dir;
    QString folder;
    Stick()
    {
        folder = dir.filePath(QStringLiteral("TALVERK"));
        QDir().mkpath(folder);
        QFile f(folder + QStringLiteral("/records.txt"));
        f.open(QIODevice::WriteOnly);
        // 2 000 vehicles, each passing many times, as at a car park; 张三<n> and 京A<n> in GBK.
        for (int i = 0; i < Lines; ++i) {
            const QByteArray vehicle = QByteArray::number(i % 2000);
            f.write("0001 ," + QByteArray("\xD5\xC5\xC8\xFD") + vehicle + " ," +
                    QByteArray("\xBE\xA9") + "A" + vehicle + " ,01," + QByteArray::number(i % 2) +
                    "," + QByteArray::number(i, 16).toUpper().rightJustified(8, '0') + ",20130102" +
                    QByteArray::number(i % 24).rightJustified(2, '0') + "30\r\n");
        }
    }
};

Stick &stick()
{
    static Stick s;
    return s;
}

double bareSeconds = 0;

// A fresh database for each run, made while the clock is stopped.
QString freshDatabase(QTemporaryDir &dir)
{
    return createStarterDatabase(dir.path(), QStringLiteral("admin"), QStringLiteral("admin1"));
}

void BareInsert(benchmark::State &state)
{
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString file = freshDatabase(dir);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        db::Handle h = db::openDatabase(file, Password);
        db::exec(h.get(), QStringLiteral("BEGIN IMMEDIATE"));
        {
            db::Statement st(h.get(),
                             QStringLiteral("INSERT INTO CRJL VALUES (NULL,?,?,?,?,?,?,?,?,?)"));
            const QByteArray values[] = {
                "ABCDEF12", "张三 ", "京A12345 ", "2013年01月02日08:30分",     "进",
                "01",       "",      "",          "01,1,ABCDEF12,201301020830"};
            for (int i = 0; i < Lines; ++i) {
                for (int c = 0; c < 9; ++c)
                    sqlite3_bind_text(st.get(), c + 1, values[c].constData(), int(values[c].size()),
                                      SQLITE_TRANSIENT);
                sqlite3_step(st.get());
                sqlite3_reset(st.get());
            }
        }
        db::exec(h.get(), QStringLiteral("COMMIT"));
        h.reset();
        total += t.nsecsElapsed() / 1e9;
    }
    bareSeconds = total / double(state.iterations());
}

void Import(benchmark::State &state)
{
    stick();
    double total = 0;
    qint64 maxPause = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString file = freshDatabase(dir);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();

        const QList<QByteArray> lines = records::readRecordLines(stick().folder);
        QFile working(dir.filePath(QStringLiteral("RD.TXT")));
        working.open(QIODevice::WriteOnly | QIODevice::Truncate);
        working.write(records::joinLines(lines));
        working.close();

        PassageImport import;
        QEventLoop loop;
        QObject::connect(&import, &PassageImport::finished, &loop, &QEventLoop::quit);
        // A probe that runs at every turn of the event loop measures the stretches between.
        QElapsedTimer sinceTurn;
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            maxPause = std::max(maxPause, sinceTurn.elapsed());
            sinceTurn.restart();
        });
        import.start(file, Password, lines);
        sinceTurn.start();
        probe.start();
        loop.exec();
        maxPause = std::max(maxPause, sinceTurn.elapsed());
        if (import.rowsStored() != Lines)
            state.SkipWithError("not every line was stored");
        total += t.nsecsElapsed() / 1e9;
    }
    state.counters["max_pause_ms"] = double(maxPause);
    if (bareSeconds > 0)
        state.counters["bare_ratio"] = total / double(state.iterations()) / bareSeconds;
}

BENCHMARK(BareInsert)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(Import)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
