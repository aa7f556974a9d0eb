// The day panel's calendar marks over 100,000 tasks, plans and holidays and
// 10,000 contacts with birthdays: one month read in one statement. The
// budget is 5 ms.
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_month_marks
//   build/bench/bench_month_marks

#include <benchmark/benchmark.h>

#include "core/data/sql/connection.h"
#include "data/month_marks_store.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

struct World {
    ostrel::testing::TempDir dir{"ostrel bench"};
    std::unique_ptr<sql::Connection> conn;
    std::unique_ptr<MonthMarksStore> store;

    World() {
        const auto db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        // Ten years of entries from 2020 on: tasks, plans and one holiday
        // in twenty.
        ostrel::testing::execSql(
            db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title) "
                "SELECT CASE WHEN i % 20 = 0 THEN 2 WHEN i % 3 = 0 THEN 1 ELSE 0 END, "
                "43831 + (i * 37 % 3650) + 0.5, 43831 + (i * 37 % 3650) + 0.5, 'Entry ' || i FROM n;");
        ostrel::testing::execSql(
            db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
                "INSERT INTO AddressBook (FirstName, Birthday) SELECT 'P' || i, 20000 + i * 3 FROM n;");
        conn = std::make_unique<sql::Connection>(db.string());
        store = std::make_unique<MonthMarksStore>(*conn);
    }
};

void BM_MonthMarks(benchmark::State& state) {
    World w;
    int month = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(w.store->marks(2024 + month / 12, month % 12 + 1).any());
        month = (month + 1) % 48;
    }
}
BENCHMARK(BM_MonthMarks)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
