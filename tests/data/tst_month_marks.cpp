// The days of a month that hold something: every kind of entry, the
// month's first and last instants, shown and not shown tasks, holidays and
// birthdays on 29 February in common and leap years.

#include <QtTest>

#include "core/data/sql/connection.h"
#include "data/month_marks_store.h"
#include "dates.h"
#include "fixture_db.h"

using namespace ostrel;
using ostrel::testing::at;

namespace {

std::uint32_t days(std::initializer_list<int> list) {
    std::uint32_t bits = 0;
    for (int d : list) bits |= 1u << (d - 1);
    return bits;
}

std::string n(double v) { return QString::number(v, 'g', 17).toStdString(); }

}  // namespace

class TestMonthMarks : public QObject {
    Q_OBJECT
    std::unique_ptr<ostrel::testing::TempDir> dir;
    std::unique_ptr<sql::Connection> conn;

private slots:
    void initTestCase() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel marks");
        const auto db = dir->path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        auto row = [](int type, double first, double show) {
            return "(" + std::to_string(type) + ", " + n(first) + ", " + n(show) + ", 'x')";
        };
        ostrel::testing::execSql(
            db, "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title) VALUES " +
                    row(0, at(2027, 2, 3, 10), at(2027, 2, 3, 10)) + ", " +           // a task
                    row(10, at(2027, 2, 5, 8), at(2027, 2, 5, 8)) + ", " +            // shown already
                    row(3, 0.02, at(2027, 2, 7, 9)) + ", " +                          // after system start
                    row(1, at(2027, 2, 10, 9, 30), at(2027, 2, 10, 9, 30)) + ", " +   // a plan
                    row(1, at(2027, 3, 1), at(2027, 3, 1)) + ", " +                   // next month's first instant
                    row(0, at(2027, 1, 31, 23, 59), at(2027, 1, 31, 23, 59)) + ", " +  // last month's last minute
                    row(0, at(2027, 2, 28, 23, 59, 59), at(2027, 2, 28, 23, 59, 59)) + ", " +
                    row(2, at(1990, 2, 14), at(2027, 2, 11)) + ", " +  // a holiday; its reminder is no task
                    row(2, at(2000, 2, 29), at(2028, 2, 28)) + ";" +
                    "INSERT INTO AddressBook (FirstName, Birthday) VALUES ('A', " + n(at(1985, 2, 20)) + "), ('B', " +
                    n(at(2000, 2, 29)) + "), ('C', " + n(at(1985, 3, 20)) + "), ('D', NULL);");
        conn = std::make_unique<sql::Connection>(db.string());
    }
    void cleanupTestCase() {
        conn.reset();
        dir.reset();
    }

    void everyKindOfEntry_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<uint>("tasks");
        QTest::addColumn<uint>("plans");
        QTest::addColumn<uint>("holidays");
        QTest::addColumn<uint>("birthdays");
        QTest::newRow("February of a common year")
            << 2027 << 2 << days({3, 5, 7, 28}) << days({10}) << days({14}) << days({20, 28});
        QTest::newRow("February of a leap year") << 2028 << 2 << 0u << 0u << days({14, 29}) << days({20, 29});
        QTest::newRow("the month before") << 2027 << 1 << days({31}) << 0u << 0u << 0u;
        QTest::newRow("the month after") << 2027 << 3 << 0u << days({1}) << 0u << days({20});
        QTest::newRow("before a birth year") << 1999 << 2 << 0u << 0u << days({14}) << days({20});
        QTest::newRow("no such month") << 2027 << 13 << 0u << 0u << 0u << 0u;
    }
    void everyKindOfEntry() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(uint, tasks);
        QFETCH(uint, plans);
        QFETCH(uint, holidays);
        QFETCH(uint, birthdays);
        MonthMarksStore store(*conn);
        const MonthMarks m = store.marks(year, month);
        QCOMPARE(uint(m.tasks), tasks);
        QCOMPARE(uint(m.plans), plans);
        QCOMPARE(uint(m.holidays), holidays);
        QCOMPARE(uint(m.birthdays), birthdays);
    }
};

QTEST_MAIN(TestMonthMarks)
#include "tst_month_marks.moc"
