// Calendar and contact files of 10,000 rows: export, import into an empty
// database (every row new) and import again (every row unchanged). Then
// hostile files, each imported once with its peak memory (the process's
// peak resident size, reset before each through /proc/self/clear_refs).
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_exchange
//   TZ=Europe/Berlin build/bench/bench_exchange

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <fstream>
#include <string>

#include "base/app_paths.h"
#include "data/data_module.h"
#include "data/exchange_service.h"
#include "fake_clock.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

constexpr int kRows = 10000;

struct World {
    ostrel::testing::TempDir dir{"ostrel bench exchange"};
    ostrel::testing::ScopedFakeClock clock{46366.5};
    std::unique_ptr<TDataModule1> dm;
    QString root = QString::fromStdString(dir.str());

    // tasks / contacts: rows to start with.
    World(int tasks, int contacts) {
        setExeDirForTesting(root);
        const auto db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        const std::string n = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ";
        if (tasks > 0)
            // One-time, repeating (every unit) and after-start tasks.
            ostrel::testing::execSql(
                db, n + std::to_string(tasks) +
                        ") INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, "
                        "ElapseInt, ElapseType) SELECT CASE WHEN i % 10 = 0 THEN 3 ELSE 0 END, "
                        "CASE WHEN i % 10 = 0 THEN 0.0125 ELSE 46000 + i / 48.0 END, 46000 + i / 48.0, "
                        "'Task number ' || i, 'A comment, with; separators ' || i, i % 3, "
                        "CASE WHEN i % 3 = 0 THEN 0 ELSE 1 + i % 6 END, 1 + i % 5, 1 + i % 3 FROM n;");
        if (contacts > 0)
            ostrel::testing::execSql(
                db, n + std::to_string(contacts) +
                        ") INSERT INTO AddressBook (FirstName, LastName, Birthday, HomePhone, MobilePhone, Address, "
                        "Mail, Comment, [Group]) SELECT 'Анна ' || i, 'Иванова ' || i, 30000 + i, '+7 495 ' || i, "
                        "'+7 916 ' || i, 'ул. Тверская, д. ' || i, 'anna' || i || '@example.ru', "
                        "'Met at the conference number ' || i, 1 + i % 4 FROM n;");
        dm = std::make_unique<TDataModule1>(QString::fromStdString(db.string()));
    }
    ~World() { setExeDirForTesting({}); }
    QString file(const char* name) const { return root + QLatin1Char('/') + QLatin1String(name); }
};

void BM_ExportCalendar(benchmark::State& state) {
    World world(kRows, 0);
    ExchangeService service(*world.dm);
    for (auto _ : state) benchmark::DoNotOptimize(service.exportCalendar(world.file("c.ics")).written);
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ExportCalendar)->Unit(benchmark::kMillisecond);

void BM_ImportCalendar(benchmark::State& state) {
    World source(kRows, 0);
    ExchangeService(*source.dm).exportCalendar(source.file("c.ics"));
    for (auto _ : state) {
        state.PauseTiming();
        World target(0, 0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(ExchangeService(*target.dm).importCalendar(source.file("c.ics")).added);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ImportCalendar)->Unit(benchmark::kMillisecond);

void BM_ImportCalendarAgain(benchmark::State& state) {
    World world(kRows, 0);
    ExchangeService service(*world.dm);
    service.exportCalendar(world.file("c.ics"));
    for (auto _ : state) benchmark::DoNotOptimize(service.importCalendar(world.file("c.ics")).unchanged);
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ImportCalendarAgain)->Unit(benchmark::kMillisecond);

void BM_ExportContacts(benchmark::State& state) {
    World world(0, kRows);
    ExchangeService service(*world.dm);
    for (auto _ : state) benchmark::DoNotOptimize(service.exportContacts(world.file("c.vcf")).written);
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ExportContacts)->Unit(benchmark::kMillisecond);

void BM_ImportContacts(benchmark::State& state) {
    World source(0, kRows);
    ExchangeService(*source.dm).exportContacts(source.file("c.vcf"));
    for (auto _ : state) {
        state.PauseTiming();
        World target(0, 0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(ExchangeService(*target.dm).importContacts(source.file("c.vcf")).added);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ImportContacts)->Unit(benchmark::kMillisecond);

void BM_ImportContactsAgain(benchmark::State& state) {
    World world(0, kRows);
    ExchangeService service(*world.dm);
    service.exportContacts(world.file("c.vcf"));
    for (auto _ : state) benchmark::DoNotOptimize(service.importContacts(world.file("c.vcf")).unchanged);
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ImportContactsAgain)->Unit(benchmark::kMillisecond);

// ---- hostile files ----

// The peak resident size since the last reset, in MB.
double peakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

QByteArray event(int i, const QByteArray& rule, const QByteArray& title = "Event") {
    return "BEGIN:VEVENT\r\nUID:e" + QByteArray::number(i) + "\r\nSUMMARY:" + title +
           "\r\nDTSTART:19000101T000000\r\n" + (rule.isEmpty() ? QByteArray() : "RRULE:" + rule + "\r\n") +
           "END:VEVENT\r\n";
}

QByteArray calendarOf(const QByteArray& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n" + events + "END:VCALENDAR\r\n";
}

// One import of the file made by make(), timed, with the peak memory and
// whether it was refused as counters.
template <typename Make>
void importHostile(benchmark::State& state, Make make) {
    World world(0, 0);
    const QString file = world.file("hostile.ics");
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(make());
    }
    state.counters["file_MB"] = static_cast<double>(QFileInfo(file).size()) / (1024.0 * 1024.0);
    for (auto _ : state) {
        resetPeak();
        bool refused = false;
        try {
            benchmark::DoNotOptimize(ExchangeService(*world.dm).importCalendar(file).added);
        } catch (const ExchangeFailure&) {
            refused = true;
        }
        state.counters["peak_MB"] = peakMegabytes();
        state.counters["refused"] = refused ? 1 : 0;
    }
}

// The 228-byte rule whose parts never meet (it searched for ever).
void BM_HostileRuleNeverMeets(benchmark::State& state) {
    importHostile(state, [] { return calendarOf(event(0, "FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30")); });
}
BENCHMARK(BM_HostileRuleNeverMeets)->Unit(benchmark::kMillisecond)->Iterations(1);

// A thousand events of an occurrence a second since 1900.
void BM_HostileThousandSecondly(benchmark::State& state) {
    importHostile(state, [] {
        QByteArray events;
        for (int i = 0; i < 1000; ++i) events += event(i, "FREQ=SECONDLY");
        return calendarOf(events);
    });
}
BENCHMARK(BM_HostileThousandSecondly)->Unit(benchmark::kMillisecond)->Iterations(1);

// A thousand rules whose parts never meet, of every frequency a budget
// must stop.
void BM_HostileThousandNeverMeet(benchmark::State& state) {
    importHostile(state, [] {
        const char* rules[] = {"FREQ=HOURLY;BYMONTH=2;BYMONTHDAY=30", "FREQ=DAILY;BYMONTH=4;BYMONTHDAY=31",
                               "FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=30", "FREQ=YEARLY;BYDAY=5MO;BYMONTHDAY=1"};
        QByteArray events;
        for (int i = 0; i < 1000; ++i) events += event(i, rules[i % 4]);
        return calendarOf(events);
    });
}
BENCHMARK(BM_HostileThousandNeverMeet)->Unit(benchmark::kMillisecond)->Iterations(1);

// The most events an import takes, each plain.
void BM_HostileMostEvents(benchmark::State& state) {
    importHostile(state, [] {
        QByteArray events;
        for (int i = 0; i < ImportLimits::kMaxEntries; ++i) events += event(i, {});
        return calendarOf(events);
    });
}
BENCHMARK(BM_HostileMostEvents)->Unit(benchmark::kMillisecond)->Iterations(1);

// A million events (130 MB): over the size limit, refused unread.
void BM_HostileMillionEvents(benchmark::State& state) {
    importHostile(state, [] {
        QByteArray events;
        for (int i = 0; i < 1000000; ++i) events += event(i, {});
        return calendarOf(events);
    });
}
BENCHMARK(BM_HostileMillionEvents)->Unit(benchmark::kMillisecond)->Iterations(1);

// A 10 MB title, unfolded: left out unread.
void BM_HostileTenMegabyteTitle(benchmark::State& state) {
    importHostile(state, [] { return calendarOf(event(0, {}, QByteArray(10 * 1024 * 1024, 't'))); });
}
BENCHMARK(BM_HostileTenMegabyteTitle)->Unit(benchmark::kMillisecond)->Iterations(1);

// A title just under the limit (64 KB), unfolded.
void BM_HostileLongestTitle(benchmark::State& state) {
    importHostile(state, [] { return calendarOf(event(0, {}, QByteArray(64 * 1024 - 1, 't'))); });
}
BENCHMARK(BM_HostileLongestTitle)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
