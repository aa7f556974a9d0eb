// The SQL functions with the meaning the stored statements expect.

#include <gtest/gtest.h>

#include <cmath>

#include "core/data/sql/connection.h"
#include "core/data/sql/query.h"
#include "core/data/sql/sql_functions.h"
#include "core/time/datetime.h"
#include "fake_clock.h"
#include "fixture_db.h"

using namespace ostrel;
using namespace ostrel::sql;
using ostrel::testing::ScopedFakeClock;
using ostrel::testing::TempDir;

namespace {

class SqlFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        ostrel::testing::createOrganizerDatabase(dir.path() / "Tamo.qdb");
        conn.setPath((dir.path() / "Tamo.qdb").string());
    }
    Value eval(const std::string& expr, Value arg = std::monostate{}, ParamType type = ParamType::DateTime) {
        Query q(conn);
        q.add("SELECT " + expr + " AS R");
        if (expr.find(":X") != std::string::npos) q.param("X", type, arg);
        q.open();
        return q.value("R");
    }

    TempDir dir;
    Connection conn;
};

}  // namespace

TEST_F(SqlFunctions, IntIsTheDateOfADateTime) {
    const struct {
        double in, out;
    } cases[] = {{0.0, 0.0}, {0.75, 0.0}, {45000.99999, 45000.0}, {-1.25, -1.0}, {-0.5, 0.0}, {-700.9, -700.0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(toDouble(eval("Int(:X)", c.in)), c.out) << c.in;
        EXPECT_DOUBLE_EQ(dateOf(c.in), c.out) << c.in;
    }
    EXPECT_EQ(toInteger(eval("Int(7)")), 7);
    EXPECT_TRUE(isNull(eval("Int(NULL)")));
}

TEST_F(SqlFunctions, TimeValueEqualsEveryStoredHalfHourOnManyDays) {
    Query slots(conn);
    slots.add("SELECT Time FROM Halfhours");
    slots.open();
    ASSERT_EQ(slots.recordCount(), 48);
    int k = 0;
    for (; !slots.eof(); slots.next(), ++k) {
        const double stored = slots.asDateTime("Time");
        EXPECT_EQ(stored, k * 1800 / 86400.0) << k;  // stored order is ascending
        for (int day : {0, 1, 366, 36526, 45291, 46000, 73050, -3}) {
            // The slot time as the windows build it: a date plus h:m:s.
            const double dt = combineDateTime(day, encodeTime(k / 2, (k % 2) * 30, 0));
            EXPECT_EQ(timeOfDayToSecond(dt), stored) << "slot " << k << " day " << day;
            // And through SQL: the join condition the schedule uses.
            Query q(conn);
            q.add("SELECT Count(*) AS N FROM Halfhours WHERE Time = TimeValue(:X)");
            q.param("X", ParamType::DateTime, dt);
            q.open();
            EXPECT_EQ(q.asInteger("N"), 1) << "slot " << k << " day " << day;
        }
    }
    // Seconds are kept, milliseconds rounded away.
    EXPECT_EQ(timeOfDayToSecond(encodeTime(10, 30, 15, 400)), (10 * 3600 + 30 * 60 + 15) / 86400.0);
    EXPECT_EQ(timeOfDayToSecond(encodeTime(23, 59, 59, 700)), 0.0);
}

TEST_F(SqlFunctions, MonthAndDayOfDates) {
    const double d = encodeDateTime({{2024, 2, 29}, {23, 0, 0, 0}});
    EXPECT_EQ(toInteger(eval("Month(:X)", d)), 2);
    EXPECT_EQ(toInteger(eval("Day(:X)", d)), 29);
    EXPECT_EQ(toInteger(eval("Month(:X)", -1.25)), 12);
    EXPECT_EQ(toInteger(eval("Day(:X)", -1.25)), 29);
    EXPECT_TRUE(isNull(eval("Day(NULL)")));
}

TEST_F(SqlFunctions, StrHasALeadingBlankWhenNotNegative) {
    const struct {
        const char* expr;
        const char* out;
    } cases[] = {{"Str(5)", " 5"},        {"Str(0)", " 0"},     {"Str(-3)", "-3"}, {"Str(2.5)", " 2.5"},
                 {"Str(-0.25)", "-0.25"}, {"Str(10.0)", " 10"}, {"Str('7')", " 7"}};
    for (const auto& c : cases) EXPECT_EQ(toText(eval(c.expr)), c.out) << c.expr;
    EXPECT_TRUE(isNull(eval("Str(NULL)")));
    EXPECT_THROW(eval("Str('abc')"), DbError);
}

TEST_F(SqlFunctions, JoiningWithNullGivesNull) {
    EXPECT_EQ(toText(eval("Str(2) || ' ' || 'days'")), " 2 days");
    EXPECT_TRUE(isNull(eval("Str(2) || ' ' || NULL")));
    EXPECT_TRUE(isNull(eval("TRIM(NULL || '  ' || 'Smith')")));
    EXPECT_EQ(toText(eval("TRIM(' ' || '  ' || 'Smith')")), "Smith");
    EXPECT_EQ(toText(eval("TRIM('Ann' || '  ' || ' ')")), "Ann");
}

TEST_F(SqlFunctions, NowReadsTheClockService) {
    ScopedFakeClock fake(45000.25);
    EXPECT_DOUBLE_EQ(toDouble(eval("Now()")), 45000.25);
    fake->setNow(46000.75);
    EXPECT_DOUBLE_EQ(toDouble(eval("Now()")), 46000.75);
}

TEST_F(SqlFunctions, MinOverNoRowsIsOneNullRow) {
    ScopedFakeClock fake(45000.0);
    Query q(conn);
    q.add("SELECT Min(ShowDT) AS FirstShowDT");
    q.add("FROM ToDo");
    q.add("WHERE ShowDT > Now()");
    q.open();
    EXPECT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.recNo(), 1);
    EXPECT_TRUE(q.isNull("FirstShowDT"));
    EXPECT_EQ(q.asDateTime("FirstShowDT"), 0.0);
}
