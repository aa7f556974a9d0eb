// The walk of a repeating entry: jumps land exactly where stepping lands,
// active windows, and the occurrences a start-up pass shows.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/data/reminder_walk.h"

using namespace ostrel;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return encodeDateTime({{y, mo, d}, {h, mi, s, 0}});
}

// The occurrences a start-up pass shows, by stepping from t one by one.
std::vector<DateTime> activeByStepping(DateTime t, PeriodUnit unit, std::int32_t count, PeriodUnit eType,
                                       std::int32_t eInt, DateTime now) {
    std::vector<DateTime> out;
    while (true) {
        if (occurrenceActive(now, t, eType, eInt)) out.push_back(t);
        if (!(now >= t)) break;
        t = AddPeriod(unit, count, t);
    }
    return out;
}

std::vector<DateTime> activeByJumping(DateTime t, PeriodUnit unit, std::int32_t count, PeriodUnit eType,
                                      std::int32_t eInt, DateTime now) {
    std::vector<DateTime> out;
    t = firstPossiblyActive(t, unit, count, eType, eInt, now);
    while (true) {
        if (occurrenceActive(now, t, eType, eInt)) out.push_back(t);
        if (!(now >= t)) break;
        t = AddPeriod(unit, count, t);
    }
    return out;
}

}  // namespace

TEST(ActiveWindow, OneTimeIncludesTheEndRepeatingExcludesIt) {
    const DateTime due = at(2024, 5, 6, 9);
    const DateTime end = AddPeriod(puHours, 1, due);
    EXPECT_TRUE(onceTaskActive(end, due, puHours, 1));
    EXPECT_FALSE(occurrenceActive(end, due, puHours, 1));
    EXPECT_TRUE(onceTaskActive(at(2024, 5, 6, 9, 30), due, puHours, 1));
    EXPECT_TRUE(occurrenceActive(at(2024, 5, 6, 9, 30), due, puHours, 1));
    EXPECT_FALSE(onceTaskActive(at(2024, 5, 6, 10, 1), due, puHours, 1));
    EXPECT_FALSE(occurrenceActive(at(2024, 5, 6, 8, 59), due, puHours, 1));
    // An empty active window: a holiday reminding 0 days ahead never shows.
    EXPECT_FALSE(occurrenceActive(due, due, puDays, 0));
    // An unknown active-time unit ends the window at 0.0.
    EXPECT_FALSE(occurrenceActive(due, due, static_cast<PeriodUnit>(9), 1));
}

TEST(ReminderWalk, MinuteTaskFiveYearsBackLandsWhereSteppingLands) {
    const DateTime first = at(2019, 3, 1, 8, 0, 0);
    const DateTime now = at(2024, 3, 1, 12, 34, 56) + 0.000123;
    const DateTime jumped = nextOccurrenceAfter(first, puMinutes, 1, now);
    const DateTime stepped = nextOccurrenceAfterByStepping(first, puMinutes, 1, now);
    EXPECT_EQ(jumped, stepped);
    EXPECT_GT(jumped, now);
    EXPECT_LE(AddPeriod(puMinutes, -1, jumped), now + 1e-9);
    // Some 2.6 million periods are walked; how long jumping and stepping
    // take is measured by bench_reminders (BM_WalkMinuteTaskFiveYears,
    // BM_StepMinuteTaskFiveYears).
}

TEST(ReminderWalk, JumpsMatchSteppingBitForBit) {
    // Random periods, starts (also before 1899-12-30 and across binade
    // borders such as 32768 = 1989-09-17) and presents.
    std::mt19937_64 rng(12345);
    const PeriodUnit units[] = {puMinutes, puHours, puDays, puWeeks, puMonths, puYears};
    const DateTime starts[] = {at(2019, 1, 31, 23, 59, 59),
                               at(1989, 9, 10, 7, 30),
                               at(1899, 11, 30, 18),
                               at(2024, 2, 29, 12),
                               at(2000, 1, 1) + 0.1,
                               16383.77,
                               0.5,
                               -700.25};
    int compared = 0;
    for (DateTime start : starts) {
        for (PeriodUnit unit : units) {
            for (int i = 0; i < 6; ++i) {
                const std::int32_t count = static_cast<std::int32_t>(
                    unit <= puHours ? 1 + rng() % 97 : (unit >= puMonths ? 1 + rng() % 14 : 1 + rng() % 9));
                const double span = unit == puMinutes ? 400.0 : unit == puHours ? 4000.0 : 40000.0;
                const DateTime now = start + span * std::uniform_real_distribution<double>(0, 1)(rng);
                ASSERT_EQ(nextOccurrenceAfter(start, unit, count, now),
                          nextOccurrenceAfterByStepping(start, unit, count, now))
                    << "start " << start << " unit " << int(unit) << " count " << count << " now " << now;
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 8 * 6 * 6);
}

TEST(ReminderWalk, StartupSeesEveryActiveOccurrence) {
    struct Case {
        const char* what;
        DateTime first;
        PeriodUnit unit;
        std::int32_t count;
        PeriodUnit eType;
        std::int32_t eInt;
        DateTime now;
        std::size_t expected;  // active occurrences
    };
    const Case cases[] = {
        {"daily 08:00, 2 h active, 09:00 three days on", at(2024, 5, 1, 8), puDays, 1, puHours, 2, at(2024, 5, 4, 9),
         1},
        {"daily 08:00, found just after 10:00", at(2024, 5, 1, 8), puDays, 1, puHours, 2, at(2024, 5, 4, 10) + 1e-9, 0},
        {"every minute for a year, active 5 minutes", at(2023, 5, 1, 8), puMinutes, 1, puMinutes, 5,
         at(2024, 5, 4, 9, 0, 30), 5},
        {"every 10 minutes, active 1 hour", at(2024, 1, 1, 0, 3), puMinutes, 10, puHours, 1, at(2024, 5, 4, 9), 6},
        {"every hour, active 3 days", at(2024, 1, 1), puHours, 1, puDays, 3, at(2024, 5, 4, 9, 30), 72},
        {"monthly on the 31st, active 1 month", at(2023, 1, 31, 9), puMonths, 1, puMonths, 1, at(2024, 3, 1, 9), 1},
        // Month ends make the window ends go back and forth: 31 Jan 00:10
        // ends on 29 Feb 00:10, before 30 Jan 23:50 does.
        {"every minute, active 1 month", at(2024, 1, 30, 23), puMinutes, 1, puMonths, 1, at(2024, 2, 29, 0, 30),
         60 + (1440 - 31) + (28 * 1440 + 31)},
        {"empty active window", at(2024, 1, 1), puMinutes, 1, puDays, 0, at(2024, 5, 4, 9), 0},
        {"negative active time", at(2024, 1, 1), puHours, 1, puDays, -1, at(2024, 5, 4, 9), 0},
        {"unknown active unit", at(2024, 1, 1), puHours, 1, static_cast<PeriodUnit>(8), 1, at(2024, 5, 4, 9), 0},
        {"yearly holiday, 3 days ahead", at(2020, 5, 3), puYears, 1, puDays, 3, at(2024, 5, 4, 9), 1},
    };
    for (const auto& c : cases) {
        const auto stepped = activeByStepping(c.first, c.unit, c.count, c.eType, c.eInt, c.now);
        const auto jumped = activeByJumping(c.first, c.unit, c.count, c.eType, c.eInt, c.now);
        EXPECT_EQ(jumped, stepped) << c.what;
        EXPECT_EQ(jumped.size(), c.expected) << c.what;
    }
}

// A row whose date-time lies outside the years 100..9999 (a damaged value,
// -1e300, infinity) is never due and never walked: the walk returns it as
// it is, and a walk from a sound start stops at the first occurrence past
// the year 9999.
TEST(ReminderWalk, DateTimesOutsideTheServiceRangeAreNeverDueNorWalked) {
    const DateTime now = at(2024, 5, 4, 9);
    const double inf = std::numeric_limits<double>::infinity();
    const DateTime outside[] = {-1e300, 1e300, -inf, inf, at(99, 12, 31, 23, 59), at(10000, 1, 1), -1e15, 4e15};
    for (DateTime t : outside) {
        SCOPED_TRACE(t);
        EXPECT_FALSE(onceTaskActive(now, t, puYears, 100000));
        EXPECT_FALSE(occurrenceActive(now, t, puYears, 100000));
        for (PeriodUnit unit : {puMinutes, puDays, puMonths, puYears}) {
            EXPECT_EQ(nextOccurrenceAfter(t, unit, 1, now), t);
            EXPECT_EQ(firstPossiblyActive(t, unit, 1, puDays, 1, now), t);
            EXPECT_EQ(nextOccurrenceAfterByStepping(t, unit, 1, now), t);
        }
    }
    const DateTime nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(onceTaskActive(now, nan, puDays, 1));
    EXPECT_TRUE(std::isnan(nextOccurrenceAfter(nan, puMonths, 1, now)));

    // Huge counts from a sound start: one step past the range, then stop.
    const DateTime start = at(2020, 1, 15, 8);
    for (PeriodUnit unit : {puWeeks, puMonths, puYears}) {
        const DateTime next = nextOccurrenceAfter(start, unit, INT32_MAX, now);
        EXPECT_GT(next, now);
        EXPECT_FALSE(inServiceRange(next));
    }
    // A present past the range does not drag the walk beyond it.
    const DateTime far = nextOccurrenceAfter(at(9999, 1, 1), puMonths, 1, 1e300);
    EXPECT_FALSE(inServiceRange(far));
    EXPECT_LT(far, kEndServiceDate + 40);
}
