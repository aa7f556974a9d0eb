// Showing a reminder window whose title is long: the title is fitted into
// its label in bounded time, whatever its length (a title of a megabyte must
// show within 50 ms).

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>

#include "tasks/reminder_window.h"

using namespace ostrel;

namespace {

void showWithTitle(benchmark::State& state, const QString& title) {
    TTaskParams p;
    p.TaskID = 1;
    p.TaskTitle = title;
    p.TaskComment = QStringLiteral("comment");
    p.TaskTime = 45418.5;
    for (auto _ : state) {
        TfrmToDo* w = ShowReminder(p, QStringLiteral("Reminder"));
        benchmark::DoNotOptimize(w);
        delete w;
    }
}

void BM_ReminderShortTitle(benchmark::State& state) { showWithTitle(state, QStringLiteral("Call the plumber")); }
BENCHMARK(BM_ReminderShortTitle)->Unit(benchmark::kMillisecond);

void BM_ReminderTitleWithBlanks(benchmark::State& state) {
    showWithTitle(state, QStringLiteral("word ").repeated(static_cast<qsizetype>(state.range(0)) / 5));
}
// 5,000 characters, the editor's 32,767, a megabyte.
BENCHMARK(BM_ReminderTitleWithBlanks)->Arg(5000)->Arg(32767)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_ReminderTitleWithoutBlanks(benchmark::State& state) {
    showWithTitle(state, QString(1 << 20, QLatin1Char('x')));
}
BENCHMARK(BM_ReminderTitleWithoutBlanks)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
