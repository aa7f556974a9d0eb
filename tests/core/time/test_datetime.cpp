#include <gtest/gtest.h>

#include "core/time/datetime.h"

using namespace ostrel;

TEST(DateTime, EncodesAndDecodesAcrossTheEpoch) {
    struct Case {
        CivilDateTime civil;
        double value;
    };
    const Case cases[] = {
        {{{1899, 12, 30}, {0, 0, 0, 0}}, 0.0},
        {{{1899, 12, 30}, {12, 0, 0, 0}}, 0.5},
        {{{1899, 12, 29}, {6, 0, 0, 0}}, -1.25},
        {{{1899, 12, 28}, {18, 0, 0, 0}}, -2.75},
        {{{1900, 1, 1}, {0, 0, 0, 0}}, 2.0},
        {{{2079, 6, 4}, {0, 0, 0, 0}}, kFarFuture},
        {{{2000, 2, 29}, {6, 0, 0, 0}}, 36585.25},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(encodeDateTime(c.civil), c.value) << c.value;
        EXPECT_EQ(decodeDateTime(c.value), c.civil) << c.value;
    }
}

TEST(DateTime, TimeRoundingCarriesIntoTheNextDay) {
    const double almostMidnight = encodeDate(2024, 12, 31) + (kMsPerDay - 0.3) / kMsPerDay;
    const CivilDateTime c = decodeDateTime(almostMidnight);
    EXPECT_EQ(c.date, (CivilDate{2025, 1, 1}));
    EXPECT_EQ(c.time, (CivilTime{0, 0, 0, 0}));
}

TEST(DateTime, LeapYearsAndMonthLengths) {
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_TRUE(isLeapYear(2024));
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_FALSE(isLeapYear(2023));
    EXPECT_EQ(daysInMonth(2024, 2), 29);
    EXPECT_EQ(daysInMonth(2100, 2), 28);
    EXPECT_EQ(daysInMonth(2023, 4), 30);
    EXPECT_EQ(daysInMonth(2023, 13), 0);
}

TEST(DateTime, DayOfWeek) {
    EXPECT_EQ(dayOfWeek(0.0), 7);                          // 1899-12-30, Saturday
    EXPECT_EQ(dayOfWeek(encodeDate(2026, 12, 10)), 5);     // Thursday
    EXPECT_EQ(dayOfWeek(-1.25), 6);                        // 1899-12-29, Friday
}
