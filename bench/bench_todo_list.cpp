// Opening the to-do list over 100,000 tasks, and scrolling through it.
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_todo_list
//   QT_QPA_PLATFORM=offscreen build/bench/bench_todo_list

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>

#include "app/forms.h"
#include "data/data_module.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"

using namespace ostrel;

namespace {

struct World {
    ostrel::testing::TempDir dir{"ostrel bench"};
    ostrel::testing::ScopedFakeClock clock{46000.5};

    explicit World(int tasks) {
        const auto db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        ostrel::testing::execSql(db,
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                                     std::to_string(tasks) +
                                     ") INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, "
                                     "PeriodType, ElapseInt, ElapseType) SELECT CASE i % 4 WHEN 0 THEN 10 WHEN 1 "
                                     "THEN 0 WHEN 2 THEN 3 ELSE 13 END, 45000 + i / 50.0, 45000 + i / 50.0, "
                                     "'Task number ' || i, 'A comment for task ' || i, CASE WHEN i % 5 = 0 THEN 1 + "
                                     "i % 3 ELSE 0 END, CASE WHEN i % 5 = 0 THEN 1 + i % 6 ELSE 0 END, 1 + i % 30, "
                                     "1 + i % 3 FROM n;");
        DataModule1 = new TDataModule1(QString::fromStdString(db.string()));
        frmCreateToDo = new TfrmCreateToDo();
        frmToDoList = new TfrmToDoList();
    }
    ~World() {
        ostrel::testing::destroyGlobal(frmToDoList);
        ostrel::testing::destroyGlobal(frmCreateToDo);
        ostrel::testing::destroyGlobal(DataModule1);
    }
};

void BM_OpenToDoList(benchmark::State& state) {
    World world(static_cast<int>(state.range(0)));
    auto* model = frmToDoList->findChild<ToDoListModel*>(QStringLiteral("dsToDoList"));
    for (auto _ : state) {
        frmToDoList->show();
        QApplication::processEvents();  // first paint
        benchmark::DoNotOptimize(model->rowCount());
        state.PauseTiming();
        frmToDoList->hide();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenToDoList)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The list statement alone: run and read whole.
void BM_ListQueryOnly(benchmark::State& state) {
    World world(100000);
    for (auto _ : state) {
        frmToDoList->show();
        state.PauseTiming();
        frmToDoList->hide();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ListQueryOnly)->Unit(benchmark::kMillisecond);

// Showing the list and reading all of it, slice by slice as the idle timer
// does.
void BM_ReadWholeList(benchmark::State& state) {
    World world(100000);
    auto* model = frmToDoList->findChild<ToDoListModel*>(QStringLiteral("dsToDoList"));
    for (auto _ : state) {
        frmToDoList->show();
        while (model->showMore(4096)) {
        }
        benchmark::DoNotOptimize(model->rowCount());
        state.PauseTiming();
        frmToDoList->hide();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadWholeList)->Unit(benchmark::kMillisecond);

void BM_ScrollPage(benchmark::State& state) {
    World world(100000);
    frmToDoList->show();
    QApplication::processEvents();
    auto* grid = frmToDoList->findChild<QTableView*>(QStringLiteral("grToDoList"));
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
