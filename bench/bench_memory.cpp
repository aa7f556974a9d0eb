// What windows hold after they close: the resident set before and after
// showing and answering a thousand reminders, and opening and closing the
// to-do list over 100,000 tasks, each after a warm-up (fonts, style and the
// allocator's first growth). The figures are counters in kB; the time is
// only what the loop took.
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_memory
//   QT_QPA_PLATFORM=offscreen build/bench/bench_memory

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>

#include <cstdlib>

#include "app/forms.h"
#include "data/data_module.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "tasks/reminder_window.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "todo_list_world.h"

using namespace ostrel;

namespace {

// Resident set in kB (the second field of /proc/self/statm, in pages).
double residentKb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0.0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    if (fields.size() < 2) return 0.0;
    return fields[1].toDouble() * 4.0;
}

// Lets posted answers and deferred deletes run.
void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

// Closes and destroys the answering window without storing the answer.
class AnswerReceiver : public QObject {
protected:
    bool event(QEvent* e) override {
        if (e->type() != kReminderAnswerEvent) return QObject::event(e);
        if (TfrmToDo* w = static_cast<const TReminderAnswerEvent&>(*e).window) {
            w->Answered = true;
            w->close();
            delete w;
        }
        return true;
    }
};

void showAndAnswer(int count) {
    TTaskParams p;
    p.TaskTitle = QStringLiteral("Call the plumber about the kitchen tap");
    p.TaskComment = QStringLiteral("Number on the fridge.\nAsk about Saturday.");
    p.TaskTime = 46000.5;
    for (int i = 0; i < count; ++i) {
        p.TaskID = i + 1;
        TfrmToDo* w = ShowReminder(p, QStringLiteral("Once task"));
        QCoreApplication::processEvents();
        w->btnOKClick();  // "Done" is the default choice
        settle();
    }
}

// The answer only closes and destroys the window, so what stays is what
// the window itself left behind.
void BM_ReminderWindowsAnswered(benchmark::State& state) {
    AnswerReceiver receiver;
    setReminderAnswerReceiver(&receiver);
    showAndAnswer(100);  // warm-up
    const double before = residentKb();
    for (auto _ : state) showAndAnswer(static_cast<int>(state.range(0)));
    const double after = residentKb();
    state.counters["rss_before_kB"] = before;
    state.counters["rss_growth_kB"] = after - before;
    setReminderAnswerReceiver(nullptr);
}
BENCHMARK(BM_ReminderWindowsAnswered)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

using World = ostrel::bench::ToDoListWorld;

void openAndClose(int times, double* open) {
    for (int i = 0; i < times; ++i) {
        frmToDoList->show();
        QCoreApplication::processEvents();
        if (open) *open = residentKb();
        frmToDoList->hide();
        settle();
    }
}

// The list reads its rows while shown and lets them go when closed.
void BM_ToDoListOpenedAndClosed(benchmark::State& state) {
    World world(100000);
    double open = 0.0;
    openAndClose(3, &open);  // warm-up
    const double before = residentKb();
    for (auto _ : state) openAndClose(static_cast<int>(state.range(0)), &open);
    const double after = residentKb();
    state.counters["rss_closed_kB"] = before;
    state.counters["rss_open_kB"] = open;
    state.counters["rss_growth_kB"] = after - before;
}
BENCHMARK(BM_ToDoListOpenedAndClosed)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
