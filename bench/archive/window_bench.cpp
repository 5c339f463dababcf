// The owner archive window on 100 000 owners, with its grid model and view attached:
//   OpenWindow   showing the window (the whole archive) and painting it
//   ShowAll      "全部显示": the ordered archive, ending on the last record
//   Search       a contains-search by owner name (few rows) and by plate (every row)
//   Scroll       moving the grid to another place and painting it
// Each reports query_ms, the same statement on a query without any view (connection open, the
// window's result released first), and beyond_query_ms, what the window adds to it. Runs on the
// offscreen platform unless QT_QPA_PLATFORM says else.
#include "archive/archivegrid.h"
#include "archive/archivelogic.h"
#include "archive/tform7.h"
#include "archiveseed.h"
#include "common/globals.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "db/starter.h"
#include "shell/forms.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>

namespace {

constexpr int Owners = 100000;

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<TDatafrm> data;
    std::unique_ptr<TForm7> form;

    Fixture()
    {
        const QString file =
            createStarterDatabase(dir.path(), QStringLiteral("admin"), QStringLiteral("admin1"));
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
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// The statement alone, on a query of its own (no data source, no view).
double queryOnly(const QString &sql, const std::function<void(Query *)> &bind = {})
{
    Query q(Datafrm->con);
    q.setSQL(sql);
    if (bind)
        bind(&q);
    const auto t0 = Clock::now();
    q.open();
    benchmark::DoNotOptimize(q.recordCount());
    const auto t1 = Clock::now();
    q.close();
    return ms(t1 - t0);
}

// Runs `step` (a window operation followed by painting) and the bare query in turns.
void measure(benchmark::State &state, const std::function<void()> &step,
             const std::function<double()> &query)
{
    double windowMs = 0, queryMs = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        step();
        QApplication::processEvents(); // layout and paint
        windowMs += ms(Clock::now() - t0);
        state.PauseTiming();
        // The bare statement under the same conditions: the connection open and the window's
        // result released, as the window's own step finds them.
        Query holder(Datafrm->con);
        holder.setSQL(QStringLiteral("select 1"));
        holder.open();
        Datafrm->Qryda1->close();
        queryMs += query();
        Datafrm->Qryda1->open();
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["rows"] = fixture().form->DBFLGridModel->rowCount();
    state.counters["window_ms"] = windowMs / n;
    state.counters["query_ms"] = queryMs / n;
    state.counters["beyond_query_ms"] = (windowMs - queryMs) / n;
}

void OpenWindow(benchmark::State &state)
{
    TForm7 *form = fixture().form.get();
    measure(
        state,
        [form] {
            form->hide();
            form->showArchive();
        },
        [] { return queryOnly(QStringLiteral("select * from CZdata;")); });
}
BENCHMARK(OpenWindow)->Iterations(10)->Unit(benchmark::kMillisecond);

void ShowAll(benchmark::State &state)
{
    TForm7 *form = fixture().form.get();
    measure(
        state, [form] { form->btnAllSeaCmd->click(); },
        [] { return queryOnly(QStringLiteral("select * from CZdata order by 车辆编号")); });
}
BENCHMARK(ShowAll)->Iterations(10)->Unit(benchmark::kMillisecond);

void Search(benchmark::State &state)
{
    TForm7 *form = fixture().form.get();
    const bool byPlate = state.range(0) == 1;
    QLineEdit *edit = byPlate ? form->edtGhCode : form->edtXmEdt;
    const QString text = byPlate ? QStringLiteral("京A") : QStringLiteral("车主9999");
    const archive::SearchField field =
        byPlate ? archive::SearchField::Plate : archive::SearchField::OwnerName;
    edit->setText(text);
    measure(
        state, [form] { form->btnSeaCmd->click(); },
        [&] {
            return queryOnly(archive::searchStatement(field), [&](Query *q) {
                q->setParameter(QStringLiteral("key"), archive::likeKey(text));
            });
        });
    state.SetLabel(byPlate ? "plate 京A (every row)" : "name 车主9999");
}
BENCHMARK(Search)->Arg(0)->Arg(1)->Iterations(10)->Unit(benchmark::kMillisecond);

void Scroll(benchmark::State &state)
{
    TForm7 *form = fixture().form.get();
    form->btnAllSeaCmd->click();
    QScrollBar *bar = form->DBFLGrid->verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        bar->setValue((bar->maximum() / 7) * (step++ % 8));
        form->DBFLGrid->viewport()->repaint();
    }
    state.counters["rows"] = form->DBFLGridModel->rowCount();
}
BENCHMARK(Scroll)->Iterations(50)->Unit(benchmark::kMillisecond);

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
    return 0;
}
