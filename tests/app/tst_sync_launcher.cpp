// When the running clock starts the sync helper: a while after a local
// change or a resume, and only with an account set up; changes another
// process committed (the helper itself among them) start no run.

#include <QtTest>

#include "app/sync_launcher.h"
#include "base/app_paths.h"
#include "data/data_module.h"
#include "data/database_watcher.h"
#include "data/task_store.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "platform/clock_change_watcher.h"
#include "ui/settings_model.h"

using namespace ostrel;

class TestSyncLauncher : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TempDir> dir;
    std::unique_ptr<testing::ScopedFakeClock> clock;

    void setAccount(bool on) {
        settings().setValue(QStringLiteral("Sync"), QStringLiteral("Url"),
                            on ? QStringLiteral("http://127.0.0.1:5232/") : QString());
        settings().setValue(QStringLiteral("Sync"), QStringLiteral("User"), on ? QStringLiteral("ann") : QString());
    }
    static void addTask(TDataModule1& data) {
        TaskRow row;
        row.FirstDT = row.ShowDT = testing::at(2026, 12, 24, 9, 0);
        row.Title = QStringLiteral("local");
        data.tasks().insertTask(row);
    }

private slots:
    void init() {
        dir = std::make_unique<testing::TempDir>("ostrel sync launcher");
        setExeDirForTesting(QString::fromStdString(dir->str()));
        clock = std::make_unique<testing::ScopedFakeClock>(testing::at(2026, 12, 10, 15, 0));
        testing::createOrganizerDatabase(databaseFilePath().toStdString());
    }
    void cleanup() {
        clock.reset();
        setExeDirForTesting({});
        dir.reset();
    }

    void startsOnlyWithAnAccount_data() {
        QTest::addColumn<bool>("account");
        QTest::newRow("no account") << false;
        QTest::newRow("account set up") << true;
    }
    void startsOnlyWithAnAccount() {
        QFETCH(bool, account);
        TDataModule1 data(databaseFilePath());
        DatabaseWatcher watcher(data, databaseFilePath());
        SyncLauncher launcher(data, &watcher);
        setAccount(account);

        // A resume or a step of the system clock.
        emit launcher.clockWatcher()->clockChanged();
        QCOMPARE(launcher.resumeTimer()->isActive(), account);
        QCOMPARE(launcher.resumeTimer()->interval(), SyncLauncher::kAfterResumeMs);

        // A change made in this program.
        addTask(data);
        QCOMPARE(launcher.changeTimer()->isActive(), account);
        setAccount(false);
    }

    // The helper's own commits (or any other process's) reach the clock
    // through the watcher and must not start the next run.
    void anotherProcessCommitStartsNoRun() {
        TDataModule1 data(databaseFilePath());
        DatabaseWatcher watcher(data, databaseFilePath());
        SyncLauncher launcher(data, &watcher);
        setAccount(true);
        QSignalSpy outside(&watcher, &DatabaseWatcher::changedOutside);
        testing::execSql(dir->path() / "Tamo.qdb",
                         "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, ElapseInt, ElapseType) VALUES (0, 46000, "
                         "46000, 'from the server', 1, 2)");
        watcher.check();
        QCOMPARE(outside.count(), 1);
        QVERIFY(!launcher.changeTimer()->isActive());
        setAccount(false);
    }
};

QTEST_GUILESS_MAIN(TestSyncLauncher)
#include "tst_sync_launcher.moc"
