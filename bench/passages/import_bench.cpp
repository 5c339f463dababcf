// The passage import through the real passage window, against a bare loop, in pairs (see
// bench/support/paired.h):
//
//   ImportClickToGrid  program: the passage window TForm10 on a program directory with a fresh
//                      database of 2 000 owners and a stick of VELMORA_BENCH_LINES record lines
//                      (default 1 000 000) in four files; timed from the click on "导入记录"
//                      until the import has ended and the grid's first screen is painted (the
//                      reload after the import included), as the operator waits for it.
//                      baseline: a bare loop on the same kind of fresh database that reads the
//                      same four files in 1 MiB pieces, splits them into lines and each line
//                      into its fields by the same rule, decodes the GBK fields, and inserts the
//                      same rows through one prepared statement in one transaction. No working
//                      file, no grid, no event loop. The first pair checks that both stored the
//                      same rows.
//
//   ShowAllFirstScreen program: "全部显示" in the window after such an import, until the grid's
//                      first screen is painted (the status line's whole count included).
//                      baseline: the window's statement run on a connection of its own up to
//                      its first row. The difference of the medians is what the window adds
//                      to the query's first row.
//
// Counters: ratio_min/ratio_median (program ÷ baseline time), program_s/baseline_s, the peak
// memory each run added (program_peak_mb, baseline_peak_mb, mem_ratio) and max_pause_ms, the
// longest stretch the program's window could not react (one turn of its event loop), and
// after_last_row_s, the program's time from storing its last line to the grid shown (the last
// commit and the reload).
// Runs on the offscreen platform unless QT_QPA_PLATFORM says else.
#include "common/globals.h"
#include "common/programdir.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "db/starter.h"
#include "paired.h"
#include "passages/drives.h"
#include "passages/passageimport.h"
#include "passages/tform10.h"
#include "shell/appexit.h"
#include "shell/forms.h"
#include "shell/tform12.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QStringDecoder>
#include <QTableView>
#include <QTemporaryDir>
#include <memory>
#include <sqlite3.h>

namespace {

const QString Password = QString::fromLatin1(db::DatabasePassword);
constexpr int Vehicles = 2000;
constexpr int Files = 4;

int lines()
{
    static const int n = paired::sizeFromEnv("VELMORA_BENCH_LINES", 1000000);
    return n;
}

QByteArray cardOf(int vehicle)
{
    return QByteArray::number(0x3A000000 + vehicle * 977, 16).toUpper();
}

// The stick: TALVERK with four record files. 2 000 vehicles, each passing many times, as at a
// car park; 张三<n> and 京A<n> in GBK.
struct Stick
{
    QTemporaryDir dir;
    QStringList files;
    Stick()
    {
        const QString folder = dir.filePath(QStringLiteral("TALVERK"));
        QDir().mkpath(folder);
        const int n = lines();
        for (int f = 0; f < Files; ++f) {
            const QString path = folder + QStringLiteral("/r%1.txt").arg(f);
            files << path;
            QFile out(path);
            out.open(QIODevice::WriteOnly);
            QByteArray text;
            for (int i = f * n / Files; i < (f + 1) * n / Files; ++i) {
                const QByteArray vehicle = QByteArray::number(i % Vehicles);
                text += "0001 ," + QByteArray("\xD5\xC5\xC8\xFD") + vehicle + " ," +
                        QByteArray("\xBE\xA9") + "A" + vehicle + " ,01," +
                        QByteArray::number(i % 2) + "," + cardOf(i % Vehicles) + ",20130102" +
                        QByteArray::number(i % 24).rightJustified(2, '0') + "30\r\n";
                if (text.size() > (1 << 20)) {
                    out.write(text);
                    text.clear();
                }
            }
            out.write(text);
        }
    }
};

Stick &stick()
{
    static Stick s;
    return s;
}

// A program directory with a starter database and the owners of the stick's cards.
QString freshProgramDir(QTemporaryDir &dir)
{
    const QString file =
        createStarterDatabase(dir.path(), QStringLiteral("admin"), QStringLiteral("admin1"));
    db::Handle h = db::openDatabase(file, Password);
    db::exec(h.get(), QStringLiteral("BEGIN"));
    {
        db::Statement st(h.get(),
                         QStringLiteral("insert into CZdata (车辆编号, 卡片内码, 车主姓名, "
                                        "车牌号码) values (?,?,?,?)"));
        for (int v = 0; v < Vehicles; ++v) {
            const QByteArray code = cardOf(v);
            const QByteArray name = QStringLiteral("车主%1").arg(v).toUtf8();
            const QByteArray plate = QStringLiteral("京A%1").arg(v).toUtf8();
            sqlite3_bind_int(st.get(), 1, 1001 + v);
            sqlite3_bind_text(st.get(), 2, code.constData(), int(code.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st.get(), 3, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st.get(), 4, plate.constData(), int(plate.size()), SQLITE_TRANSIENT);
            sqlite3_step(st.get());
            sqlite3_reset(st.get());
        }
    }
    db::exec(h.get(), QStringLiteral("COMMIT"));
    return file;
}

// ---- the program: the passage window ----

struct Window
{
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TDatafrm> data;
    std::unique_ptr<TForm12> progress;
    std::unique_ptr<TForm10> form;
    QString database;
    qint64 maxPauseMs = 0;

    void prepare()
    {
        stick();
        close();
        dir = std::make_unique<QTemporaryDir>();
        database = freshProgramDir(*dir);
        programdir::setRoot(dir->path());
        DataFile = database;
        QDir().mkpath(drives::mapFolder(dir->path()));
        QFile::link(stick().dir.path(), drives::mapFolder(dir->path()) + QStringLiteral("/usb"));
        data = std::make_unique<TDatafrm>();
        data->DataModuleCreate(database);
        progress = std::make_unique<TForm12>();
        Form12 = progress.get();
        form = std::make_unique<TForm10>();
        Form10 = form.get();
        form->openFromCardTab();
        QApplication::processEvents();
        form->deviceArrived(QString());
    }

    void close()
    {
        Form10 = nullptr;
        form.reset();
        Form12 = nullptr;
        progress.reset();
        data.reset();
        dir.reset();
    }

    // Click to the grid's first screen painted; lastProgress is when the last lines were
    // stored, as seconds from the click.
    double lastProgress = 0;
    void run()
    {
        QElapsedTimer sinceClick;
        sinceClick.start();
        QObject::connect(form->passageImport(), &PassageImport::progress, form.get(),
                         [&] { lastProgress = sinceClick.nsecsElapsed() / 1e9; });
        form->btndaru->click();
        QElapsedTimer turn;
        while (form->importRunning()) {
            turn.start();
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            maxPauseMs = std::max(maxPauseMs, turn.elapsed());
        }
        turn.start();
        form->DBFLGrid->viewport()->repaint();
        QApplication::processEvents();
        maxPauseMs = std::max(maxPauseMs, turn.elapsed());
    }
};

// ---- the baseline: read, split, decode, insert ----

struct Bare
{
    sqlite3_stmt *st = nullptr;
    QStringDecoder decoder{"GBK"};
    QByteArray utf8[9];

    static QByteArray trimmed(const QByteArray &b)
    {
        qsizetype from = 0, to = b.size();
        while (from < to && static_cast<unsigned char>(b[from]) <= 0x20)
            ++from;
        while (to > from && static_cast<unsigned char>(b[to - 1]) <= 0x20)
            --to;
        return b.mid(from, to - from);
    }

    QByteArray text(const QByteArray &bytes)
    {
        for (const char c : bytes)
            if (static_cast<unsigned char>(c) >= 0x80)
                return QString(decoder.decode(bytes)).toUtf8();
        return bytes;
    }

    static QByteArray piece(const QByteArray &r, int from, int length)
    {
        return from > r.size() ? QByteArray() : r.mid(from - 1, length);
    }

    void line(const QByteArray &line)
    {
        // Fields: up to a blank (kept), then the blank and the next byte dropped, rest trimmed.
        QByteArray fields[8];
        int count = 0;
        QByteArray rest = line;
        qsizetype blank;
        while ((blank = rest.indexOf(' ')) >= 0) {
            if (count < 8)
                fields[count++] = rest.left(blank + 1);
            rest = trimmed(rest.mid(blank + 2));
        }
        const QByteArray &r = rest;
        utf8[0] = text(piece(r, 6, 8));
        utf8[1] = count >= 2 ? text(fields[1]) : QByteArray();
        utf8[2] = count >= 3 ? text(fields[2]) : QByteArray();
        utf8[3] = text(piece(r, 15, 4)) + "年" + text(piece(r, 19, 2)) + "月" +
                  text(piece(r, 21, 2)) + "日" + text(piece(r, 23, 2)) + ":" +
                  text(piece(r, 25, 2)) + "分";
        utf8[4] = piece(r, 4, 1) == "1" ? QByteArray("进") : QByteArray("出");
        utf8[5] = text(piece(r, 1, 2));
        utf8[6] = count >= 7 ? text(fields[6]) : QByteArray();
        utf8[7] = count >= 8 ? text(fields[7]) : QByteArray();
        utf8[8] = text(r);
        for (int c = 0; c < 9; ++c)
            sqlite3_bind_text(st, c + 1, utf8[c].constData(), int(utf8[c].size()), SQLITE_STATIC);
        sqlite3_step(st);
        sqlite3_reset(st);
    }

    void run(const QString &database)
    {
        db::Handle h = db::openDatabase(database, Password);
        db::exec(h.get(), QStringLiteral("BEGIN IMMEDIATE"));
        {
            db::Statement insert(
                h.get(), QStringLiteral("INSERT INTO CRJL VALUES (NULL,?,?,?,?,?,?,?,?,?)"));
            st = insert.get();
            QByteArray buffer(1 << 20, Qt::Uninitialized);
            for (const QString &path : std::as_const(stick().files)) {
                QFile f(path);
                f.open(QIODevice::ReadOnly);
                QByteArray current;
                bool afterCr = false;
                qint64 n;
                while ((n = f.read(buffer.data(), buffer.size())) > 0) {
                    qsizetype start = 0;
                    for (qsizetype i = 0; i < n; ++i) {
                        const char c = buffer[i];
                        if (c != '\r' && c != '\n') {
                            afterCr = false;
                            continue;
                        }
                        current.append(buffer.constData() + start, i - start);
                        // CR LF ends one line; the LF after a CR ends none.
                        if (!(c == '\n' && afterCr))
                            line(current);
                        afterCr = c == '\r';
                        current.clear();
                        start = i + 1;
                    }
                    current.append(buffer.constData() + start, n - start);
                }
                if (!current.isEmpty())
                    line(current);
            }
            st = nullptr;
        }
        db::exec(h.get(), QStringLiteral("COMMIT"));
    }
};

// What both sides stored, as one comparable text.
QString storedSummary(const QString &database)
{
    db::Handle h = db::openDatabase(database, Password);
    db::Statement st(h.get(),
                     QStringLiteral("select count(*), total(length(卡片内码||车主姓名||车牌号码||"
                                    "进出时间||进出状态||读卡地址||记录原文)), "
                                    "count(distinct 车主姓名||车牌号码) from CRJL"));
    st.step();
    return QStringLiteral("%1/%2/%3")
        .arg(sqlite3_column_int64(st.get(), 0))
        .arg(sqlite3_column_double(st.get(), 1), 0, 'f', 0)
        .arg(sqlite3_column_int64(st.get(), 2));
}

void ImportClickToGrid(benchmark::State &state)
{
    Window window;
    std::unique_ptr<QTemporaryDir> bareDir;
    QString bareDatabase;
    paired::Report report;
    std::vector<double> pauses, tails;
    bool checked = false;
    for (auto _ : state) {
        window.prepare();
        window.maxPauseMs = 0;
        const paired::Run a = paired::measure([&] { window.run(); });
        pauses.push_back(double(window.maxPauseMs));
        tails.push_back(a.seconds - window.lastProgress);
        const QString programDatabase = window.database;
        const QString programSummary = checked ? QString() : storedSummary(programDatabase);
        window.close();

        bareDir = std::make_unique<QTemporaryDir>();
        bareDatabase = freshProgramDir(*bareDir);
        const paired::Run b = paired::measure([&] { Bare().run(bareDatabase); });
        if (!checked) {
            checked = true;
            const QString bareSummary = storedSummary(bareDatabase);
            if (bareSummary != programSummary)
                state.SkipWithError(("not the same rows: " + programSummary + " vs " + bareSummary)
                                        .toStdString()
                                        .c_str());
        }
        bareDir.reset();
        report.add(a, b);
        state.SetIterationTime(a.seconds);
    }
    report.publish(state);
    state.counters["lines"] = lines();
    state.counters["max_pause_ms"] = paired::medianOf(pauses);
    state.counters["after_last_row_s"] = paired::medianOf(tails);
}

// "全部显示" on the imported passages: the window's query, its count and the grid's first screen
// painted, against the same statement's first row on a connection of its own (opened once,
// untimed, so its cache is as warm as the window's after the first pair).
void ShowAllFirstScreen(benchmark::State &state)
{
    Window window;
    window.prepare();
    window.run();
    db::Handle bare = db::openDatabase(window.database, Password);
    paired::run(
        state, [] {},
        [&] {
            window.form->btnAllSeaCmd->click();
            window.form->DBFLGrid->viewport()->repaint();
            QApplication::processEvents();
        },
        [] {},
        [&] {
            db::Statement st(bare.get(), TForm10::showAllQuery());
            st.step();
        });
    state.counters["lines"] = lines();
    state.counters["grid_rows"] = window.form->DBFLGrid->model()->rowCount();
    bare.reset();
    window.close();
}
BENCHMARK(ShowAllFirstScreen)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(paired::pairs());

BENCHMARK(ImportClickToGrid)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(paired::pairs());

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    appexit::setTestMode(true);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
