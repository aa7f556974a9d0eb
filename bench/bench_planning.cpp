// The day panel and the schedule's week view over 100,000 ToDo rows.
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_planning
//   QT_QPA_PLATFORM=offscreen build/bench/bench_planning

#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/forms.h"
#include "data/data_module.h"
#include "data/holiday_store.h"
#include "data/plan_store.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "planning/day_info.h"
#include "planning/schedule_window.h"

using namespace ostrel;

namespace {

// 2026-12-10 10:00.
const double kNow = encodeDate(2026, 12, 10) + 10.0 / 24;

struct World {
    ostrel::testing::TempDir dir{"ostrel bench planning"};
    ostrel::testing::ScopedFakeClock clock{kNow};

    explicit World(int rows) {
        const auto db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        // Tasks, plans and holidays spread over about six years around the
        // present (some 45 rows a day), every tenth row a plan on its slot.
        ostrel::testing::execSql(
            db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(rows) +
                    ") INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, "
                    "ElapseType) SELECT CASE WHEN i % 10 = 0 THEN 1 WHEN i % 97 = 0 THEN 2 WHEN i % 4 = 0 THEN 10 "
                    "ELSE 0 END, 45000 + i / 45.0, CASE WHEN i % 10 = 0 THEN 45000 + CAST(i / 45 AS INTEGER) + "
                    "(i % 48) / 48.0 ELSE 45000 + i / 45.0 END, 'Row number ' || i, '', 0, 0, CASE WHEN i % 10 = 0 "
                    "THEN 1 ELSE 1 + i % 30 END, 2 FROM n;");
        DataModule1 = new TDataModule1(QString::fromStdString(db.string()));
        frmDayInfo = new TfrmDayInfo(DataModule1->tasks(), DataModule1->plans(), DataModule1->holidays());
        frmSchedule = new TfrmSchedule(DataModule1->plans());
    }
    ~World() {
        ostrel::testing::destroyGlobal(frmSchedule);
        ostrel::testing::destroyGlobal(frmDayInfo);
        ostrel::testing::destroyGlobal(DataModule1);
    }
};

// From the hover firing to the panel painted with the day's rows.
void BM_DayPanelShow(benchmark::State& state) {
    World world(static_cast<int>(state.range(0)));
    auto* tasks = frmDayInfo->findChild<StringGrid*>(QStringLiteral("sgToDo"));
    for (auto _ : state) {
        frmDayInfo->showPanel();
        QApplication::processEvents();  // first paint
        benchmark::DoNotOptimize(tasks->gridRowCount());
        state.PauseTiming();
        frmDayInfo->hidePanel();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DayPanelShow)->Arg(100000)->Unit(benchmark::kMillisecond);

// Seven day columns read and laid out again (a change of view or week).
void BM_WeekViewRebuild(benchmark::State& state) {
    World world(static_cast<int>(state.range(0)));
    frmSchedule->show();
    frmSchedule->findChild<QComboBox*>(QStringLiteral("cbSchedule"))->setCurrentIndex(1);
    QApplication::processEvents();
    for (auto _ : state) {
        frmSchedule->cbScheduleChange();
        QApplication::processEvents();  // repaint
        benchmark::DoNotOptimize(frmSchedule->weekStart());
    }
}
BENCHMARK(BM_WeekViewRebuild)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("TZ", "UTC");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
