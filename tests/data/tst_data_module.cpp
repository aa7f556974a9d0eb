// The data module's connection and the reminder gate's first value.

#include <QtTest>

#include "core/data/sql/query.h"
#include "data/data_module.h"
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
        QCOMPARE(dm.NextReminderTime, 65535.0);
        QVERIFY(!dm.connTAMO.isOpen());
        sql::Query q(dm.connTAMO);
        q.add("SELECT Count(*) AS N FROM TimePeriods");
        q.open();
        QVERIFY(dm.connTAMO.isOpen());
        QCOMPARE(q.asInteger("N"), std::int64_t{6});
    }

    void gateFollowsTheEarliestFutureShowDT() {
        testing::TempDir dir("ostrel data module");
        const auto db = dir.path() / "Tamo.qdb";
        testing::createOrganizerDatabase(db);
        testing::ScopedFakeClock clock(45000.5);
        TDataModule1 dm(QString::fromStdString(db.string()));
        dm.UpdateNextReminderTime();
        QCOMPARE(dm.NextReminderTime, 0.0);  // nothing ahead: every tick checks
        testing::execSql(db,
                         "INSERT INTO ToDo (MesType, FirstDT, ShowDT) VALUES (0, 45000.7, 45000.7), (0, 45000.6, "
                         "45000.6), (10, 45000.4, 45000.4), (2, 0, NULL)");
        dm.UpdateNextReminderTime();
        QCOMPARE(dm.NextReminderTime, 45000.6);
        clock->setNow(45000.6);  // equal is not "after"...
        dm.UpdateNextReminderTime();
        // ...but that task is due and no pass has shown it: the next tick
        // runs one.
        QCOMPARE(dm.NextReminderTime, 45000.6);
        std::uint8_t cascade = 0;
        dm.CheckOnceTasks(cascade);
        dm.UpdateNextReminderTime();
        QCOMPARE(dm.NextReminderTime, 45000.7);
    }
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "tst_data_module.moc"
