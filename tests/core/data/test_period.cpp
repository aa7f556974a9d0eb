// AddPeriod: day amounts, calendar months with month ends, negative counts,
// dates before 1899-12-30 and unknown units.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/data/period.h"

using namespace ostrel;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return encodeDateTime({{y, mo, d}, {h, mi, s, 0}});
}

std::string show(DateTime dt) {
    const CivilDateTime c = decodeDateTime(dt);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", c.date.year, c.date.month, c.date.day,
                  c.time.hour, c.time.minute, c.time.second, c.time.msec);
    return buf;
}

}  // namespace

TEST(AddPeriod, TableOfCases) {
    struct Case {
        const char* what;
        PeriodUnit unit;
        std::int32_t count;
        DateTime start;
        DateTime expected;
    };
    const Case cases[] = {
        // Day amounts.
        {"minute over midnight", puMinutes, 1, at(2024, 3, 9, 23, 59, 30), at(2024, 3, 10, 0, 0, 30)},
        {"90 minutes", puMinutes, 90, at(2024, 3, 9, 23, 0), at(2024, 3, 10, 0, 30)},
        {"minutes back over midnight", puMinutes, -2, at(2024, 3, 10, 0, 1), at(2024, 3, 9, 23, 59)},
        {"1440 minutes is a day", puMinutes, 1440, at(2024, 1, 1, 8), at(2024, 1, 2, 8)},
        {"hours", puHours, 30, at(2024, 2, 28, 20), at(2024, 3, 1, 2)},
        {"days over leap day", puDays, 2, at(2024, 2, 28, 9), at(2024, 3, 1, 9)},
        {"negative days", puDays, -366, at(2024, 12, 31), at(2023, 12, 31)},
        {"weeks", puWeeks, 3, at(2024, 12, 20, 7), at(2025, 1, 10, 7)},
        {"zero count", puWeeks, 0, at(2024, 12, 20, 7), at(2024, 12, 20, 7)},
        // Month ends.
        {"31 Jan + 1 month", puMonths, 1, at(2003, 1, 31, 10), at(2003, 2, 28, 10)},
        {"31 Jan + 1 month, leap", puMonths, 1, at(2004, 1, 31, 10), at(2004, 2, 29, 10)},
        {"31 Jan + 1 month, 1900", puMonths, 1, at(1900, 1, 31), at(1900, 2, 28)},
        {"31 Jan + 1 month, 2000", puMonths, 1, at(2000, 1, 31), at(2000, 2, 29)},
        {"31 Mar - 1 month", puMonths, -1, at(2003, 3, 31, 18), at(2003, 2, 28, 18)},
        {"31 Mar - 1 month, leap", puMonths, -1, at(2004, 3, 31, 18), at(2004, 2, 29, 18)},
        {"31 May + 1 month", puMonths, 1, at(2024, 5, 31), at(2024, 6, 30)},
        {"29 Feb + 1 year", puYears, 1, at(2004, 2, 29, 6), at(2005, 2, 28, 6)},
        {"29 Feb + 4 years", puYears, 4, at(2004, 2, 29, 6), at(2008, 2, 29, 6)},
        {"29 Feb - 4 years", puYears, -4, at(2004, 2, 29, 6), at(2000, 2, 29, 6)},
        {"29 Feb 2096 + 4 years", puYears, 4, at(2096, 2, 29), at(2100, 2, 28)},
        // Carries between years, both directions.
        {"Nov + 3 months", puMonths, 3, at(2004, 11, 15), at(2005, 2, 15)},
        {"Feb - 3 months", puMonths, -3, at(2005, 2, 15), at(2004, 11, 15)},
        {"Jan - 13 months", puMonths, -13, at(2005, 1, 15), at(2003, 12, 15)},
        {"Dec + 25 months", puMonths, 25, at(2005, 12, 15), at(2008, 1, 15)},
        {"Jan - 12 months", puMonths, -12, at(2005, 1, 1), at(2004, 1, 1)},
        {"Dec + 12 months", puMonths, 12, at(2005, 12, 1), at(2006, 12, 1)},
        // Before 1899-12-30 the time of day counts down.
        {"before the epoch, month", puMonths, 1, at(1899, 11, 15, 6), at(1899, 12, 15, 6)},
        {"over the epoch, month", puMonths, 1, at(1899, 12, 29, 6), at(1900, 1, 29, 6)},
        {"back over the epoch", puMonths, -1, at(1900, 1, 29, 18), at(1899, 12, 29, 18)},
        {"before the epoch, years", puYears, -1, at(1899, 6, 1, 12), at(1898, 6, 1, 12)},
        // Unknown units give 0.0 whatever the count.
        {"unit 0", puNone, 5, at(2024, 1, 1), 0.0},
        {"unit 0, no count", puNone, 0, at(2024, 1, 1), 0.0},
        {"unit 7", static_cast<PeriodUnit>(7), 1, at(2024, 1, 1), 0.0},
        {"unit 255", static_cast<PeriodUnit>(255), -1, at(2024, 1, 1), 0.0},
    };
    for (const auto& c : cases) {
        const DateTime got = AddPeriod(c.unit, c.count, c.start);
        EXPECT_NEAR(got, c.expected, 1e-9) << c.what << ": got " << show(got) << ", expected " << show(c.expected);
    }
}

TEST(AddPeriod, CalendarUnitsKeepTheTimeOfDayExactly) {
    const DateTime start = at(2024, 1, 31) + 0.123456789;
    const double timeOfDay = start - at(2024, 1, 31);
    EXPECT_EQ(AddPeriod(puMonths, 1, start), at(2024, 2, 29) + timeOfDay);
    const DateTime before = at(1899, 3, 31) - 0.3;  // 1899-03-31 07:12, counting down
    EXPECT_EQ(AddPeriod(puMonths, -1, before), at(1899, 2, 28) - 0.3);
}

TEST(AddPeriod, ExtendedPrecisionRoundsOnce) {
    // A minute is 1/1440 of a day, which no double holds: the sum is the
    // double nearest to the exact value, not a rounding of a rounding.
    const DateTime start = at(2031, 5, 17, 13, 21);
    for (std::int32_t n : {1, 7, 59, 61, 1439, 100000}) {
        const long double exact = static_cast<long double>(start) + static_cast<long double>(n) / 1440.0L;
        const DateTime got = AddPeriod(puMinutes, n, start);
        const DateTime below = std::nextafter(got, 0.0);
        const DateTime above = std::nextafter(got, 1e9);
        EXPECT_LE(std::fabs(static_cast<long double>(got) - exact), std::fabs(static_cast<long double>(below) - exact));
        EXPECT_LE(std::fabs(static_cast<long double>(got) - exact), std::fabs(static_cast<long double>(above) - exact));
    }
}

TEST(AddPeriod, HugeCountsDoNotWrapRound) {
    // 7 * 400 million weeks does not fit 32 bits; the result still lies in
    // the future, not in the past.
    EXPECT_GT(AddPeriod(puWeeks, 400000000, at(2024, 1, 1)), at(2024, 1, 1));
    EXPECT_LT(AddPeriod(puWeeks, -400000000, at(2024, 1, 1)), at(2024, 1, 1));
    EXPECT_GT(AddPeriod(puYears, INT32_MAX, at(2024, 1, 1)), at(2024, 1, 1));
}

// Ids read from a database row or a file: the known ones come back as they
// are stored, anything else (a damaged row, a hostile file) is no unit; and
// the unit lists of the windows map one to one onto the known units.
TEST(PeriodUnitIds, StoredIdsAndListPositions) {
    const struct {
        std::int64_t stored;
        PeriodUnit unit;
    } cases[] = {
        {1, puMinutes}, {2, puHours}, {3, puDays},  {4, puWeeks},      {5, puMonths},       {6, puYears},
        {0, puNone},    {7, puNone},  {-1, puNone}, {256 + 3, puNone}, {INT64_MIN, puNone}, {INT64_MAX, puNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(periodUnitFromStored(c.stored), c.unit) << c.stored;
        if (c.unit != puNone) {
            EXPECT_EQ(storedPeriodUnit(c.unit), c.stored);
        }
    }
    EXPECT_EQ(storedPeriodUnit(puNone), 0);
    for (int index = 0; index < 6; ++index) EXPECT_EQ(listIndexOfPeriodUnit(periodUnitAtListIndex(index)), index);
    EXPECT_EQ(periodUnitAtListIndex(-1), puNone);  // a list with no item chosen
    EXPECT_EQ(periodUnitAtListIndex(6), puNone);
    EXPECT_EQ(listIndexOfPeriodUnit(puNone), -1);
}
