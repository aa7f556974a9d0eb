// The data module's connection and its schema step, the reminder gate's
// first value, and the stored codes of a row's kind.

#include <QtTest>

#include <sqlite3.h>

#include "core/data/period.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/mes_type.h"
#include "data/reminder_engine.h"
#include "fake_clock.h"
#include "fixture_db.h"

using namespace ostrel;

class TestDataModule : public QObject {
    Q_OBJECT
private slots:
    void gateIsFarFutureAndConnectionOpensAtTheFirstQuery() {
        testing::TempDir dir("ostrel data module");
        const auto db = dir.path() / "Tamo.qdb";
        testing::createOrganizerDatabase(db);
        TDataModule1 dm(QString::fromStdString(db.string()));
        ReminderEngine engine(dm.connTAMO, dm.tasks(), dm.holidays());
        QCOMPARE(engine.NextReminderTime(), 65535.0);
        QVERIFY(!dm.connTAMO.isOpen());
        sql::Query q(dm.connTAMO);
        q.add("SELECT Count(*) AS N FROM TimePeriods");
        q.open();
        QVERIFY(dm.connTAMO.isOpen());
        QCOMPARE(q.asInteger("N"), std::int64_t{6});
    }

    // Opening the database adds the column of postponed occurrences to a
    // file made without it. A file another program holds locked opens as it
    // is; the column comes when a postponement needs it.
    void openingAddsThePostponementColumn() {
        testing::TempDir dir("ostrel data module");
        const auto db = dir.path() / "Tamo.qdb";
        testing::createOrganizerDatabase(db);
        testing::ScopedFakeClock clock(45000.5);
        const auto hasColumn = [&] {
            sqlite3* h = nullptr;
            sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr);
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(h, "SELECT count(*) FROM pragma_table_info('ToDo') WHERE name = 'PostponedDT'", -1, &st,
                               nullptr);
            const bool has = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) == 1;
            sqlite3_finalize(st);
            sqlite3_close(h);
            return has;
        };
        // A file made before the column existed.
        testing::execSql(db, "DROP INDEX ToDo_PostponedDT; ALTER TABLE ToDo DROP COLUMN PostponedDT");
        testing::execSql(db,
                         "INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, PeriodInt, PeriodType, ElapseInt, "
                         "ElapseType) VALUES (1, 0, 45000.4, 45000.4, 1, 3, 1, 2)");
        QVERIFY(!hasColumn());
        {
            sqlite3* other = nullptr;
            QCOMPARE(sqlite3_open(db.c_str(), &other), SQLITE_OK);
            QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
            TDataModule1 dm(QString::fromStdString(db.string()));
            ReminderEngine engine(dm.connTAMO, dm.tasks(), dm.holidays());
            QCOMPARE(dm.tasks().allTasks().size(), std::size_t(1));  // opens and reads
            QVERIFY(!dm.tasks().hasPostponedColumn());
            QCOMPARE(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(other);
            engine.ApplyReminderAnswer(1, 10, puMinutes, 45000.4);
            QVERIFY(hasColumn());
        }
        testing::execSql(db, "DROP INDEX ToDo_PostponedDT; ALTER TABLE ToDo DROP COLUMN PostponedDT");
        QVERIFY(!hasColumn());
        TDataModule1 dm(QString::fromStdString(db.string()));
        QCOMPARE(dm.tasks().allTasks().size(), std::size_t(1));
        QVERIFY(hasColumn());
    }

    // Every kind has its stored code and reads back from it; a code this
    // program does not know reads as mtUnknown and is never a task.
    void mesTypeCodes() {
        const std::pair<MesType, std::int64_t> codes[] = {
            {mtOnceAtTime, 0},          {mtPlan, 1}, {mtHoliday, 2}, {mtOnceAfterStart, 3}, {mtOnceAtTimeDone, 10},
            {mtOnceAfterStartDone, 13},
        };
        for (const auto& [type, stored] : codes) {
            QCOMPARE(storedMesType(type), stored);
            QCOMPARE(mesTypeFromStored(stored), type);
        }
        for (const std::int64_t unknown : {-1, 4, 11, 12, 20, 255, 256})
            QCOMPARE(mesTypeFromStored(unknown), mtUnknown);
        QVERIFY(!isTask(mtUnknown) && !isTask(mtHoliday) && !isTask(mtPlan));
        QCOMPARE(dealtWith(mtOnceAfterStart), mtOnceAfterStartDone);
        QCOMPARE(pending(mtOnceAtTimeDone), mtOnceAtTime);
        QCOMPARE(dealtWith(mtHoliday), mtHoliday);
        QCOMPARE(storedMesTypeList({mtOnceAtTime, mtOnceAfterStart, mtOnceAfterStartDone}), std::string("(0, 3, 13)"));
    }

    void gateFollowsTheEarliestFutureShowDT() {
        testing::TempDir dir("ostrel data module");
        const auto db = dir.path() / "Tamo.qdb";
        testing::createOrganizerDatabase(db);
        testing::ScopedFakeClock clock(45000.5);
        TDataModule1 dm(QString::fromStdString(db.string()));
        ReminderEngine engine(dm.connTAMO, dm.tasks(), dm.holidays());
        engine.UpdateNextReminderTime();
        QCOMPARE(engine.NextReminderTime(), 0.0);  // nothing ahead: every tick checks
        testing::execSql(db,
                         "INSERT INTO ToDo (MesType, FirstDT, ShowDT) VALUES (0, 45000.7, 45000.7), (0, 45000.6, "
                         "45000.6), (10, 45000.4, 45000.4), (2, 0, NULL)");
        engine.UpdateNextReminderTime();
        QCOMPARE(engine.NextReminderTime(), 45000.6);
        clock->setNow(45000.6);  // equal is not "after"...
        engine.UpdateNextReminderTime();
        // ...but that task is due and no pass has shown it: the next tick
        // runs one.
        QCOMPARE(engine.NextReminderTime(), 45000.6);
        engine.RunTickPass();
        QCOMPARE(engine.NextReminderTime(), 45000.7);
    }
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "tst_data_module.moc"
