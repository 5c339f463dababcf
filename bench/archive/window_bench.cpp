// The owner archive window on a large archive (1 000 000 owners; VELMORA_BENCH_OWNERS for
// another size) with its grid model and view, on the offscreen platform unless QT_QPA_PLATFORM
// says else. Each operation is paired in turns with a baseline (bench/support/paired.h): the
// statements the operation needs, run bare on a handle of its own (prepared, parameters bound,
// every row stepped with every column read as text), with nothing held and nothing painted.
//   OpenWindow  program: showing the window (the whole archive, its count in the status line)
//               and painting the grid's first screen. baseline: the first page of "select *
//               from CZdata" (FetchBatch + 1 rows: the page and whether more follow) and, as more
//               do, the statement's count.
//   ShowAll     program: "全部显示", the ordered archive ending on its last record, painted.
//               baseline: the ordered statement's first page and count, and the two pages at its
//               end that the last screen shows.
//   Search      program: "查询" with a name (few rows) or a plate (every row), painted.
//               baseline: the search statement's first page and, when more follow, its count,
//               the text bound.
//   Scroll      program: the scroll bar moved to a place not shown before, painted.
//               baseline: the pages of the ordered statement that hold the rows on screen.
// program_peak_mb is the memory a run adds to the window's resting memory; the window holds
// the previous result until the run replaces it, as the program does. rss_mb is the process's
// resident memory after the runs, the window's result in it.
#include "archive/archivegrid.h"
#include "archive/archivelogic.h"
#include "archive/tform7.h"
#include "archiveseed.h"
#include "common/globals.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "db/starter.h"
#include "paired.h"
#include "shell/forms.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>
#include <sqlite3.h>

namespace {

const int Owners = paired::sizeFromEnv("VELMORA_BENCH_OWNERS", 1000000);
constexpr int Page = Query::FetchBatch;

struct Fixture
{
    QTemporaryDir dir;
    QString file;
    std::unique_ptr<TDatafrm> data;
    std::unique_ptr<TForm7> form;
    db::Handle bare;

    Fixture()
    {
        file = createStarterDatabase(dir.path(), QStringLiteral("admin"), QStringLiteral("admin1"));
        seedArchive(file, Owners, 15,
                    QStringLiteral("CASE i%5 WHEN 0 THEN '已启用' WHEN 1 THEN '已挂失' "
                                   "WHEN 2 THEN '已解挂' WHEN 3 THEN '初始化' ELSE '' END"));
        DataFile = file;
        data = std::make_unique<TDatafrm>();
        data->DataModuleCreate(file);
        form = std::make_unique<TForm7>();
        Form7 = form.get();
        form->showArchive();
        QApplication::processEvents();
        bare = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    }
};

std::unique_ptr<Fixture> theFixture; // ends before the application object

Fixture &fixture()
{
    if (!theFixture)
        theFixture = std::make_unique<Fixture>();
    return *theFixture;
}

// Steps a statement to its end, reading every column of every row as text.
void stepAll(sqlite3 *db, const QString &sql, const QString &key = {})
{
    db::Statement st(db, sql);
    if (!key.isNull()) {
        const QByteArray text = key.toUtf8();
        sqlite3_bind_text(st.get(), 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    const int n = sqlite3_column_count(st.get());
    while (st.step())
        for (int c = 0; c < n; ++c)
            benchmark::DoNotOptimize(sqlite3_column_text(st.get(), c));
}

int countOf(sqlite3 *db, const QString &from, const QString &key = {})
{
    db::Statement st(db, QStringLiteral("select count(*) from (") + from + QStringLiteral("\n)"));
    if (!key.isNull()) {
        const QByteArray text = key.toUtf8();
        sqlite3_bind_text(st.get(), 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    return st.step() ? sqlite3_column_int(st.get(), 0) : 0;
}

// The first page (and whether more follow), and the whole count only when they do: what a
// result read by page asks at its opening.
int firstPageAndCount(sqlite3 *db, const QString &sql, const QString &key = {})
{
    db::Statement st(db, sql + QStringLiteral("\nlimit %1").arg(Page + 1));
    if (!key.isNull()) {
        const QByteArray text = key.toUtf8();
        sqlite3_bind_text(st.get(), 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    const int n = sqlite3_column_count(st.get());
    int rows = 0;
    while (st.step()) {
        ++rows;
        for (int c = 0; c < n; ++c)
            benchmark::DoNotOptimize(sqlite3_column_text(st.get(), c));
    }
    if (rows <= Page)
        return rows;
    QString from = sql;
    from.truncate(sql.indexOf(QStringLiteral(" order by")) >= 0
                      ? sql.indexOf(QStringLiteral(" order by"))
                      : sql.size());
    return countOf(db, from, key);
}

QString pageOf(const QString &sql, int first, int rows)
{
    return sql + QStringLiteral("\nlimit %1 offset %2").arg(rows).arg(first);
}

void pairedStep(benchmark::State &state, const std::function<void()> &program,
                const std::function<void()> &baseline)
{
    paired::run(
        state, [] {},
        [&] {
            program();
            QApplication::processEvents(); // layout and paint
        },
        [] {}, baseline);
    state.counters["rows"] = fixture().form->DBFLGridModel->rowCount();
    state.counters["rss_mb"] = double(paired::statusKb("VmRSS")) / 1024;
}

void OpenWindow(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString sql = QStringLiteral("select * from CZdata");
    pairedStep(
        state,
        [&] {
            f.form->hide();
            f.form->showArchive();
        },
        [&] { benchmark::DoNotOptimize(firstPageAndCount(f.bare.get(), sql)); });
}
BENCHMARK(OpenWindow)->UseManualTime()->Iterations(paired::pairs())->Unit(benchmark::kMillisecond);

void ShowAll(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString sql = QStringLiteral("select * from CZdata order by 车辆编号");
    pairedStep(
        state, [&] { f.form->btnAllSeaCmd->click(); },
        [&] {
            const int n = firstPageAndCount(f.bare.get(), sql);
            const int last = (n - 1) / Page * Page;
            stepAll(f.bare.get(), pageOf(sql, last - Page, Page));
            stepAll(f.bare.get(), pageOf(sql, last, n - last));
        });
}
BENCHMARK(ShowAll)->UseManualTime()->Iterations(paired::pairs())->Unit(benchmark::kMillisecond);

void Search(benchmark::State &state)
{
    Fixture &f = fixture();
    const bool byPlate = state.range(0) == 1;
    QLineEdit *edit = byPlate ? f.form->edtGhCode : f.form->edtXmEdt;
    const QString text = byPlate ? QStringLiteral("京A") : QStringLiteral("车主9999");
    const archive::SearchField field =
        byPlate ? archive::SearchField::Plate : archive::SearchField::OwnerName;
    edit->setText(text);
    const owners::Selection search = archive::searchSelection({field, text});
    QString sql = search.sql;
    sql.replace(QStringLiteral(":key"), QStringLiteral("?1"));
    const QString key = search.parameters.first().second.toString();
    pairedStep(
        state, [&] { f.form->btnSeaCmd->click(); },
        [&] { benchmark::DoNotOptimize(firstPageAndCount(f.bare.get(), sql, key)); });
    state.SetLabel(byPlate ? "plate 京A (every row)" : "name 车主9999");
}
BENCHMARK(Search)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(paired::pairs())
    ->Unit(benchmark::kMillisecond);

void Scroll(benchmark::State &state)
{
    Fixture &f = fixture();
    f.form->btnAllSeaCmd->click();
    QApplication::processEvents();
    QTableView *grid = f.form->DBFLGrid;
    QScrollBar *bar = grid->verticalScrollBar();
    const int onScreen = grid->viewport()->height() / grid->verticalHeader()->defaultSectionSize();
    const QString sql = QStringLiteral("select * from CZdata order by 车辆编号");
    int step = 0, top = 0;
    paired::run(
        state,
        [&] {
            // A place not shown before, spread over the whole archive.
            ++step;
            top = int(qint64(bar->maximum()) * step / (paired::pairs() + 2)) + step * 37;
        },
        [&] {
            bar->setValue(top);
            grid->viewport()->repaint();
        },
        [] {},
        [&] {
            const int first = top / Page * Page;
            stepAll(f.bare.get(), pageOf(sql, first, Page));
            if ((top + onScreen) / Page * Page != first)
                stepAll(f.bare.get(), pageOf(sql, first + Page, Page));
        });
    state.counters["rows"] = f.form->DBFLGridModel->rowCount();
    state.counters["rss_mb"] = double(paired::statusKb("VmRSS")) / 1024;
}
BENCHMARK(Scroll)->UseManualTime()->Iterations(paired::pairs())->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Form7 = nullptr;
    theFixture.reset();
    return 0;
}
