// Opening the holidays list over 5,000 holidays (time to first paint), and
// scrolling through it.
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_holidays
//   QT_QPA_PLATFORM=offscreen build/bench/bench_holidays

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>

#include "data/data_module.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "planning/holiday_list.h"

using namespace ostrel;

namespace {

struct World {
    ostrel::testing::TempDir dir{"ostrel bench"};
    ostrel::testing::ScopedFakeClock clock{46000.5};
    std::unique_ptr<TDataModule1> data;
    std::unique_ptr<TfrmHolidayList> list;

    explicit World(int holidays) {
        const auto db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        // Holidays spread over the year and over a century of stored years,
        // with some tasks and plans in the same table.
        ostrel::testing::execSql(
            db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(holidays) +
                    ") INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, "
                    "ElapseType) SELECT 2, 9000 + (i * 7919) % 36500, 46100 + i % 365, 'Holiday number ' || i, "
                    "'A comment for holiday ' || i, 1, 6, i % 8, 3 FROM n;"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                    "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title) SELECT i % 2, 45000 + i / 10.0, "
                    "45000 + i / 10.0, 'Task ' || i FROM n;");
        data = std::make_unique<TDataModule1>(QString::fromStdString(db.string()));
        list = std::make_unique<TfrmHolidayList>(data->holidays());
    }
};

// Show: the list statement, the model, the first paint of the window.
void BM_OpenHolidayList(benchmark::State& state) {
    World world(static_cast<int>(state.range(0)));
    auto* model = world.list->findChild<HolidayListModel*>(QStringLiteral("dsHolidaysList"));
    for (auto _ : state) {
        world.list->show();
        world.list->repaint();
        QApplication::processEvents();
        benchmark::DoNotOptimize(model->rowCount());
        state.PauseTiming();
        world.list->hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenHolidayList)->Arg(50)->Arg(5000)->Unit(benchmark::kMillisecond);

// The list statement alone, read whole.
void BM_HolidayListQuery(benchmark::State& state) {
    World world(5000);
    for (auto _ : state) benchmark::DoNotOptimize(world.data->holidays().listHolidays());
}
BENCHMARK(BM_HolidayListQuery)->Unit(benchmark::kMillisecond);

// A save re-reads the shown list, keeping the row.
void BM_RefreshShownList(benchmark::State& state) {
    World world(5000);
    world.list->show();
    QApplication::processEvents();
    world.list->setCurrentRow(2500);
    for (auto _ : state) {
        world.list->RefreshHolidayList();
        world.list->repaint();
    }
}
BENCHMARK(BM_RefreshShownList)->Unit(benchmark::kMillisecond);

void BM_ScrollPage(benchmark::State& state) {
    World world(5000);
    world.list->show();
    QApplication::processEvents();
    auto* grid = world.list->findChild<QTableView*>(QStringLiteral("grToDoList"));
    QScrollBar* bar = grid->verticalScrollBar();
    int value = 0;
    for (auto _ : state) {
        value = (value + bar->pageStep()) % bar->maximum();
        bar->setValue(value);
        grid->viewport()->repaint();
    }
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
