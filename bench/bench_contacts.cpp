// The address book over 10,000 contacts: opening it, and one keystroke of
// the search (the row moves to the first name with the typed prefix).
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_contacts
//   QT_QPA_PLATFORM=offscreen build/bench/bench_contacts

#include <benchmark/benchmark.h>

#include <QApplication>

#include "contacts/address_book.h"
#include "contacts/person_editor.h"
#include "contacts/person_viewer.h"
#include "data/contact_store.h"
#include "data/data_module.h"
#include "fake_clock.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

struct World {
    ostrel::testing::TempDir dir{"ostrel bench"};
    ostrel::testing::ScopedFakeClock clock{46000.5};
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<TfrmViewPerson> viewer;
    std::unique_ptr<TfrmPersonEdit> editor;
    std::unique_ptr<TfrmAddressBook> book;

    explicit World(int contacts) {
        const auto db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        // Names spread over the alphabet, in no particular order; every
        // fifth contact has a last name only.
        ostrel::testing::execSql(
            db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(contacts) +
                    "), a(s) AS (SELECT 'abcdefghijklmnopqrstuvwxyz') "
                    "INSERT INTO AddressBook (FirstName, LastName, HomePhone, Comment, [Group]) "
                    "SELECT CASE WHEN i % 5 = 0 THEN ' ' ELSE upper(substr(s, (i * 7) % 26 + 1, 1)) || "
                    "substr(s, (i * 11) % 26 + 1, 1) || substr(s, (i * 13) % 26 + 1, 1) || 'ina' END, "
                    "upper(substr(s, (i * 17) % 26 + 1, 1)) || substr(s, (i * 3) % 26 + 1, 1) || 'ova ' || i, "
                    "'+7 495 ' || i, 'Met at the conference number ' || i, 1 + i % 4 FROM n, a;");
        dm = std::make_unique<TDataModule1>(QString::fromStdString(db.string()));
        viewer = std::make_unique<TfrmViewPerson>(dm->contacts());
        editor = std::make_unique<TfrmPersonEdit>(dm->contacts());
        book = std::make_unique<TfrmAddressBook>(dm->contacts(), viewer.get(), editor.get());
    }
};

// From the window being asked to show to its first paint.
void BM_OpenAddressBook(benchmark::State& state) {
    World world(static_cast<int>(state.range(0)));
    auto* model = world.book->findChild<ContactListModel*>(QStringLiteral("dsContactList"));
    for (auto _ : state) {
        world.book->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(model->rowCount());
        state.PauseTiming();
        world.book->hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAddressBook)->Arg(10000)->Unit(benchmark::kMillisecond);

// The first opening of a newly made window (its widgets polished and laid
// out for the first time), as the first time a session opens the book.
void BM_FirstOpenAddressBook(benchmark::State& state) {
    World world(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        world.book = std::make_unique<TfrmAddressBook>(world.dm->contacts(), world.viewer.get(), world.editor.get());
        auto* model = world.book->findChild<ContactListModel*>(QStringLiteral("dsContactList"));
        state.ResumeTiming();
        world.book->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(model->rowCount());
        state.PauseTiming();
        world.book.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstOpenAddressBook)->Arg(10000)->Unit(benchmark::kMillisecond);

// One keystroke: the search text changes, the row moves, the grid repaints.
// The texts cycle through prefixes found early, late and nowhere (a full
// scan of the list).
void BM_SearchKeystroke(benchmark::State& state) {
    World world(10000);
    world.book->show();
    QApplication::processEvents();
    auto* search = world.book->findChild<QLineEdit*>(QStringLiteral("edSearch"));
    auto* grid = world.book->findChild<QTableView*>(QStringLiteral("dgContactList"));
    const QStringList typed = {"a", "ab", "m", "mi", "zz", "zzz", "Z", "Zu", "Zuq", "x", "Xova 9", "q", ""};
    int i = 0;
    for (auto _ : state) {
        search->setText(typed[i]);
        grid->viewport()->repaint();
        benchmark::DoNotOptimize(world.book->currentRow());
        i = (i + 1) % typed.size();
    }
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMicrosecond);

// The slowest keystroke: a prefix no name has, so every name is compared.
void BM_SearchWithoutMatch(benchmark::State& state) {
    World world(10000);
    world.book->show();
    QApplication::processEvents();
    auto* search = world.book->findChild<QLineEdit*>(QStringLiteral("edSearch"));
    auto* grid = world.book->findChild<QTableView*>(QStringLiteral("dgContactList"));
    int i = 0;
    for (auto _ : state) {
        search->setText(i++ % 2 ? QStringLiteral("zzzzz") : QStringLiteral("zzzzy"));
        grid->viewport()->repaint();
    }
}
BENCHMARK(BM_SearchWithoutMatch)->Unit(benchmark::kMicrosecond);

// The list statement alone: run and read whole.
void BM_ListStatement(benchmark::State& state) {
    World world(10000);
    for (auto _ : state) benchmark::DoNotOptimize(world.dm->contacts().openContactList({}));
}
BENCHMARK(BM_ListStatement)->Unit(benchmark::kMillisecond);

// A group toggle: the list statement runs again and the row is kept.
void BM_ToggleGroup(benchmark::State& state) {
    World world(10000);
    world.book->show();
    QApplication::processEvents();
    auto* job = world.book->findChild<QToolButton*>(QStringLiteral("tbJob"));
    for (auto _ : state) {
        job->toggle();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ToggleGroup)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
