#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/time/datetime.h"

using namespace ostrel;

TEST(DateTime, EncodesAndDecodesAcrossTheEpoch) {
    struct Case {
        CivilDateTime civil;
        double value;
    };
    const Case cases[] = {
        {{{1899, 12, 30}, {0, 0, 0, 0}}, 0.0},     {{{1899, 12, 30}, {12, 0, 0, 0}}, 0.5},
        {{{1899, 12, 29}, {6, 0, 0, 0}}, -1.25},   {{{1899, 12, 28}, {18, 0, 0, 0}}, -2.75},
        {{{1900, 1, 1}, {0, 0, 0, 0}}, 2.0},       {{{2079, 6, 4}, {0, 0, 0, 0}}, kFarFuture},
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
    EXPECT_EQ(dayOfWeek(0.0), 7);                       // 1899-12-30, Saturday
    EXPECT_EQ(dayOfWeek(encodeDate(2026, 12, 10)), 5);  // Thursday
    EXPECT_EQ(dayOfWeek(-1.25), 6);                     // 1899-12-29, Friday
}

// Damaged rows may hold any double. Decoding one is defined (the sanitizer
// build checks that no conversion overflows) and gives a date far out, never
// one that looks near.
TEST(DateTime, AbsurdValuesDecodeWithoutOverflow) {
    const double values[] = {-1e300,
                             1e300,
                             1e18,
                             -1e18,
                             9.3e15,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::denorm_min()};
    for (double v : values) {
        SCOPED_TRACE(v);
        const CivilDateTime c = decodeDateTime(v);
        EXPECT_TRUE(c.date.month >= 1 && c.date.month <= 12 && c.date.day >= 1 && c.date.day <= 31);
        EXPECT_TRUE(isValidTime(c.time.hour, c.time.minute, c.time.second, c.time.msec));
        if (std::isfinite(v) && std::fabs(v) > 1e9) {
            EXPECT_GT(std::abs(c.date.year - 2000), 1000000);
        }
        const int dow = dayOfWeek(v);
        EXPECT_TRUE(dow >= 1 && dow <= 7);
        EXPECT_EQ(inServiceRange(v), v == std::numeric_limits<double>::denorm_min());
        (void)toUnixSecondsLocal(v);
        (void)fromUnixSecondsLocal(v * 86400.0);
    }
    EXPECT_EQ(decodeDate(std::numeric_limits<double>::quiet_NaN()), (CivilDate{1899, 12, 30}));
}

TEST(DateTime, ServiceRangeIsTheYears100To9999) {
    const auto at = [](int y, int mo, int d, int h, int mi) { return encodeDateTime({{y, mo, d}, {h, mi, 0, 0}}); };
    EXPECT_EQ(encodeDate(100, 1, 1), kFirstServiceDate);
    EXPECT_EQ(encodeDate(10000, 1, 1), kEndServiceDate);
    EXPECT_TRUE(inServiceRange(at(100, 1, 1, 0, 0)));
    EXPECT_TRUE(inServiceRange(at(100, 1, 1, 23, 59)));
    EXPECT_FALSE(inServiceRange(at(99, 12, 31, 23, 59)));
    EXPECT_TRUE(inServiceRange(at(9999, 12, 31, 23, 59)));
    EXPECT_FALSE(inServiceRange(at(10000, 1, 1, 0, 0)));
    EXPECT_TRUE(inServiceRange(-1.25));
    EXPECT_TRUE(inServiceRange(0.0));
}

TEST(DateTime, SaturatingRound) {
    EXPECT_EQ(saturatingRound(2.5), 3);
    EXPECT_EQ(saturatingRound(-2.5), -3);
    EXPECT_EQ(saturatingRound(1e300), INT64_MAX);
    EXPECT_EQ(saturatingRound(-1e300), INT64_MIN);
    EXPECT_EQ(saturatingRound(9223372036854775808.0), INT64_MAX);
    EXPECT_EQ(saturatingRound(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(saturatingRoundToInt(3e9), INT32_MAX);
    EXPECT_EQ(saturatingRoundToInt(-3e9), INT32_MIN);
    EXPECT_EQ(saturatingRoundToInt(-7.4), -7);
}
