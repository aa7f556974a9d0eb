// Calendar and contact files of 10,000 rows: export, import into an empty
// database (every row new) and import again (every row unchanged).
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_exchange
//   TZ=Europe/Berlin build/bench/bench_exchange

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>

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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
