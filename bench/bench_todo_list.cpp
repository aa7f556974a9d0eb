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
#include "todo_list_world.h"

using namespace ostrel;

namespace {

using World = ostrel::bench::ToDoListWorld;

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
