// The reminder engine's costs: the walk of a repeating entry, and tick and
// start-up passes over a table of 100,000 ToDo rows of which few are due.

#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "core/data/period.h"
#include "core/data/reminder_walk.h"
#include "core/data/sql/query.h"
#include "core/time/clock_service.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"

using namespace ostrel;
namespace fs = std::filesystem;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return encodeDateTime({{y, mo, d}, {h, mi, s, 0}});
}

class StillClock final : public ClockService {
public:
    DateTime present = at(2024, 5, 6, 12, 0, 30);
    DateTime now() const override { return present; }
    std::uint64_t msSinceBoot() const override { return 3 * 3600000; }  // up for three hours
};

StillClock g_clock;

void exec(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string msg = err ? err : "?";
        sqlite3_free(err);
        throw std::runtime_error(msg);
    }
}

// The rows marked 'due' become due again by resetDue().
constexpr int kRows = 100000;

fs::path buildDatabase() {
    const fs::path dir = fs::temp_directory_path() / ("ostrel-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "Tamo.qdb";
    fs::remove(file);
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    std::ifstream in(fs::path(OSTREL_SOURCE_DIR) / "schema" / "tamo.sql");
    std::stringstream schema;
    schema << in.rdbuf();
    exec(db, schema.str());
    exec(db, "BEGIN");
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, "
                       "ElapseInt, ElapseType) VALUES (?, ?, ?, ?, 'some words about it', ?, ?, ?, ?)",
                       -1, &ins, nullptr);
    std::mt19937 rng(7);
    const DateTime now = g_clock.present;
    auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    auto row = [&](int mes, DateTime first, DateTime show, const char* title, int pi, int pt, int ei, int et) {
        sqlite3_bind_int(ins, 1, mes);
        sqlite3_bind_double(ins, 2, first);
        sqlite3_bind_double(ins, 3, show);
        sqlite3_bind_text(ins, 4, title, -1, SQLITE_STATIC);
        sqlite3_bind_int(ins, 5, pi);
        sqlite3_bind_int(ins, 6, pt);
        sqlite3_bind_int(ins, 7, ei);
        sqlite3_bind_int(ins, 8, et);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    };
    int due = 0;
    for (int i = 0; i < kRows; ++i) {
        const int kind = static_cast<int>(rng() % 100);
        if (kind < 45) {  // one-time tasks dealt with, years of history
            const DateTime t = now - uni(1, 3000);
            row(10, t, t, "done", 0, 0, 1, 2);
        } else if (kind < 60) {  // one-time tasks ahead
            const DateTime t = now + uni(0.01, 400);
            row(0, t, t, "ahead", 0, 0, 1, 2);
        } else if (kind < 85) {  // plans, past and future
            const DateTime t = std::floor(now + uni(-1500, 60)) + (rng() % 48) / 48.0;
            row(1, 0, t, "plan", 0, 0, 2, 0);
        } else if (kind < 86) {  // after-start-up tasks (the fraction due depends on their delays)
            row(rng() % 2 ? 3 : 13, (rng() % 600) / 1440.0, now - 1, "boot", 0, 0, 1, 2);
        } else if (kind < 97) {  // repeating tasks, next occurrence ahead
            const int unit = 1 + static_cast<int>(rng() % 6);
            const DateTime first = now - uni(10, 2000);
            row(0, first,
                nextOccurrenceAfter(first, static_cast<PeriodUnit>(unit), 1 + static_cast<int>(rng() % 5), now),
                "repeat", 1 + static_cast<int>(rng() % 5), unit, 1, 2);
        } else {  // holidays, next reminder ahead
            const DateTime first = at(1950 + static_cast<int>(rng() % 70), 1 + static_cast<int>(rng() % 12),
                                      1 + static_cast<int>(rng() % 28));
            row(2, first, nextOccurrenceAfter(first - 3, puYears, 1, now), "holiday", 1, 6, 3, 3);
        }
        if (i % 2000 == 0) {  // 50 due entries: one-time, repeating (minutes since years), holidays
            ++due;
            const int k = due % 3;
            if (k == 0) row(0, now - 0.001, now - 0.001, "due", 0, 0, 1, 2);
            if (k == 1)
                row(0, now - uni(365, 1800), now - 0.0005, "due", 1 + static_cast<int>(rng() % 3), puMinutes, 5, 1);
            if (k == 2) row(2, at(2000, 5, 8), now - 1, "due", 1, 6, 3, 3);
        }
    }
    sqlite3_finalize(ins);
    exec(db, "COMMIT");
    exec(db, "UPDATE ToDo SET Comment = ShowDT WHERE Title = 'due'");
    sqlite3_close(db);
    return file;
}

const fs::path& databaseFile() {
    struct Built {
        fs::path file = buildDatabase();
        ~Built() {
            std::error_code ec;
            fs::remove_all(file.parent_path(), ec);
        }
    };
    static const Built built;
    return built.file;
}

// Makes the due rows due again (their first ShowDT is kept in Comment).
void resetDue(TDataModule1& dm) {
    sql::Query q(dm.connTAMO);
    q.add("UPDATE ToDo SET ShowDT = CAST(Comment AS REAL), MesType = MesType % 10 WHERE Title = 'due'");
    q.exec();
}

struct Engine {
    TDataModule1 dm;
    ReminderEngine engine;
    int windows = 0;
    Engine() : dm(QString::fromStdString(databaseFile().string())), engine(dm.connTAMO, dm.tasks(), dm.holidays()) {
        setClockService(&g_clock);
        QObject::connect(&engine, &ReminderEngine::reminderDue, &engine, [this] { ++windows; });
    }
    ~Engine() { setClockService(nullptr); }
};

void BM_WalkMinuteTaskFiveYears(benchmark::State& state) {
    const DateTime first = at(2019, 5, 6, 8, 0, 0);
    const DateTime now = at(2024, 5, 6, 12, 34, 56);
    for (auto _ : state) benchmark::DoNotOptimize(nextOccurrenceAfter(first, puMinutes, 1, now));
}
BENCHMARK(BM_WalkMinuteTaskFiveYears)->Unit(benchmark::kMicrosecond);

void BM_StepMinuteTaskFiveYears(benchmark::State& state) {
    const DateTime first = at(2019, 5, 6, 8, 0, 0);
    const DateTime now = at(2024, 5, 6, 12, 34, 56);
    for (auto _ : state) benchmark::DoNotOptimize(nextOccurrenceAfterByStepping(first, puMinutes, 1, now));
}
BENCHMARK(BM_StepMinuteTaskFiveYears)->Unit(benchmark::kMillisecond);

void BM_WalkMonthlyTaskHundredYears(benchmark::State& state) {
    const DateTime first = at(1924, 1, 31, 8, 0, 0);
    const DateTime now = at(2024, 5, 6, 12, 34, 56);
    for (auto _ : state) benchmark::DoNotOptimize(nextOccurrenceAfter(first, puMonths, 1, now));
}
BENCHMARK(BM_WalkMonthlyTaskHundredYears)->Unit(benchmark::kMicrosecond);

void BM_TickPass100kRows(benchmark::State& state) {
    Engine e;
    for (auto _ : state) {
        state.PauseTiming();
        resetDue(e.dm);
        state.ResumeTiming();
        e.engine.RunTickPass();
    }
    state.counters["windows"] = benchmark::Counter(e.windows, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TickPass100kRows)->Unit(benchmark::kMillisecond);

void BM_TickPassNothingDue100kRows(benchmark::State& state) {
    Engine e;
    e.engine.RunTickPass();
    for (auto _ : state) e.engine.RunTickPass();
}
BENCHMARK(BM_TickPassNothingDue100kRows)->Unit(benchmark::kMillisecond);

void BM_StartupPass100kRows(benchmark::State& state) {
    Engine e;
    for (auto _ : state) {
        state.PauseTiming();
        resetDue(e.dm);
        state.ResumeTiming();
        e.engine.InitReminders();
    }
    state.counters["windows"] = benchmark::Counter(e.windows, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StartupPass100kRows)->Unit(benchmark::kMillisecond);

void BM_UpdateNextReminderTime100kRows(benchmark::State& state) {
    Engine e;
    for (auto _ : state) e.engine.UpdateNextReminderTime();
}
BENCHMARK(BM_UpdateNextReminderTime100kRows)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
