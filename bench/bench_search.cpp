// Finding things over 100,000 tasks and 10,000 contacts: one search as the
// user types it (the window's list filled too), through the trigram index
// for three letters or more and the scan for fewer. The budget is 50 ms.
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_search
//   QT_QPA_PLATFORM=offscreen build/bench/bench_search

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>

#include "core/data/sql/connection.h"
#include "data/search_store.h"
#include "find/find_window.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

struct World {
    ostrel::testing::TempDir dir{"ostrel bench"};
    std::unique_ptr<sql::Connection> conn;
    std::unique_ptr<SearchStore> search;
    std::unique_ptr<TfrmFind> window;

    World() {
        const auto db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        // Titles and comments from a few dozen words in both languages,
        // every row a different mix; names spread over the alphabet.
        ostrel::testing::execSql(
            db,
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000), "
            "w(k, s) AS (VALUES (0, 'Call'), (1, 'Позвонить'), (2, 'report'), (3, 'отчёт'), (4, 'meeting'), "
            "(5, 'встреча'), (6, 'dentist'), (7, 'маме'), (8, 'review'), (9, 'ёлка'), (10, 'budget'), (11, 'план')) "
            "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment) "
            "SELECT CASE i % 10 WHEN 0 THEN 1 WHEN 1 THEN 2 ELSE 0 END, 46000 + i / 100.0, 46000 + i / 100.0, "
            "(SELECT s FROM w WHERE k = i % 12) || ' ' || (SELECT s FROM w WHERE k = (i / 12) % 12) || ' ' || i, "
            "'Comment ' || (SELECT s FROM w WHERE k = (i / 144) % 12) || ' number ' || i FROM n;");
        ostrel::testing::execSql(
            db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000), "
                "a(s) AS (SELECT 'abcdefghijklmnopqrstuvwxyz') "
                "INSERT INTO AddressBook (FirstName, LastName, MobilePhone, Mail) "
                "SELECT upper(substr(s, (i * 7) % 26 + 1, 1)) || substr(s, (i * 11) % 26 + 1, 1) || 'ina', "
                "upper(substr(s, (i * 17) % 26 + 1, 1)) || substr(s, (i * 3) % 26 + 1, 1) || 'ova ' || i, "
                "'+7 (495) ' || (1000000 + i), 'person' || i || '@example.org' FROM n, a;");
        conn = std::make_unique<sql::Connection>(db.string());
        search = std::make_unique<SearchStore>(*conn);
        search->ensureIndex();
        window = std::make_unique<TfrmFind>(*search);
        window->show();
        QApplication::processEvents();
    }
};

World& world() {
    static World w;
    return w;
}

// The store alone: the query and the ranking.
void BM_Find(benchmark::State& state, const char* query) {
    World& w = world();
    const QString q = QString::fromUtf8(query);
    for (auto _ : state) benchmark::DoNotOptimize(w.search->find(q).size());
}
BENCHMARK_CAPTURE(BM_Find, common_word, "meeting")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, cyrillic_any_case, "ОТЧЕТ")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, one_row, "number 98765")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, phone_digits, "1004321")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, nowhere, "zzzzq")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, two_letters_scan, "ёл")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, two_letters_nowhere, "zq")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, one_letter, "Й")->Unit(benchmark::kMillisecond);

// One keystroke in the window: the search and the list filled.
void BM_WindowKeystroke(benchmark::State& state) {
    World& w = world();
    auto* line = w.window->findChild<QLineEdit*>(QStringLiteral("edFind"));
    const QStringList typed = {"m", "me", "mee", "meet", "dent", "ден", "встр", "zz", "zzz", "ann"};
    int i = 0;
    for (auto _ : state) {
        line->setText(typed[i]);
        i = (i + 1) % typed.size();
    }
}
BENCHMARK(BM_WindowKeystroke)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
