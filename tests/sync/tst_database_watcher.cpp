// The running program sees a commit of another process (here a second
// SQLite connection, as the sync helper or an import would make) within
// moments: the stores announce it and the reminder gate follows the new
// row. Its own writes are not taken for another process's.

#include <QSignalSpy>
#include <QtTest>

#include "base/app_paths.h"
#include "data/data_module.h"
#include "data/database_watcher.h"
#include "data/reminder_engine.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"

using namespace ostrel;

class TestDatabaseWatcher : public QObject {
    Q_OBJECT
private slots:
    void anotherProcessCommitIsSeen() {
        testing::TempDir dir{"ostrel watcher"};
        setExeDirForTesting(QString::fromStdString(dir.str()));
        testing::ScopedFakeClock clock{testing::at(2026, 12, 10, 15, 0)};
        testing::createOrganizerDatabase(databaseFilePath().toStdString());
        TDataModule1 data(databaseFilePath());
        ReminderEngine engine(data.connTAMO, data.tasks(), data.holidays());
        engine.InitReminders();
        DatabaseWatcher watcher(data, databaseFilePath());
        connect(&watcher, &DatabaseWatcher::changedOutside, &engine, &ReminderEngine::ClockChanged);
        QSignalSpy outside(&watcher, &DatabaseWatcher::changedOutside);
        QSignalSpy tasks(&data.tasks(), &TaskStore::changed);

        // Our own write: a change, but not another process's.
        TaskRow own;
        own.FirstDT = own.ShowDT = testing::at(2026, 12, 24, 9, 0);
        own.Title = QStringLiteral("own");
        data.tasks().insertTask(own);
        watcher.check();
        QCOMPARE(outside.count(), 0);

        // Another connection adds a task due tomorrow.
        testing::execSql(dir.path() / "Tamo.qdb",
                         "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, ElapseInt, ElapseType) VALUES (0, " +
                             std::to_string(testing::at(2026, 12, 11, 8, 0)) + ", " +
                             std::to_string(testing::at(2026, 12, 11, 8, 0)) + ", 'from the phone', 1, 2)");
        QVERIFY(outside.wait(2000));
        QVERIFY(tasks.count() >= 2);
        // The gate follows the new, earlier row.
        QVERIFY(std::abs(engine.NextReminderTime() - testing::at(2026, 12, 11, 8, 0)) < 1.0 / 86400);
        setExeDirForTesting({});
    }
};

QTEST_GUILESS_MAIN(TestDatabaseWatcher)
#include "tst_database_watcher.moc"
