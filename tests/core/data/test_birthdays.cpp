// Birthdays from the address book: their day in a year across leap years,
// the age, the next one and the start of their reminder.

#include <gtest/gtest.h>

#include <optional>

#include "core/data/birthdays.h"
#include "dates.h"

using namespace ostrel;
using ostrel::testing::at;

TEST(Birthdays, DayInAYearAndAgeAcrossLeapYears) {
    struct Case {
        const char* name;
        DateTime birth;
        DateTime day;
        bool isBirthday;
        std::optional<int> age;
    };
    const DateTime leapling = at(2000, 2, 29, 7, 30);  // born at 7:30
    const Case cases[] = {
        {"29 Feb in a leap year", leapling, at(2024, 2, 29, 23), true, 24},
        {"28 Feb the day before in a leap year", leapling, at(2024, 2, 28), false, 23},
        {"28 Feb in a common year", leapling, at(2025, 2, 28), true, 25},
        {"27 Feb in a common year", leapling, at(2025, 2, 27, 23, 59), false, 24},
        {"1 Mar in a common year", leapling, at(2025, 3, 1), false, 25},
        {"2100 is no leap year", leapling, at(2100, 2, 28), true, 100},
        {"the day of birth, before the hour", leapling, at(2000, 2, 29, 0), true, 0},
        {"the day before birth", leapling, at(2000, 2, 28), false, std::nullopt},
        {"31 Dec, the day before", at(1990, 12, 31), at(2026, 12, 30), false, 35},
        {"31 Dec", at(1990, 12, 31), at(2026, 12, 31), true, 36},
        {"1 Jan, the day after", at(1990, 12, 31), at(2027, 1, 1), false, 36},
        {"born before 1899-12-30", at(1850, 6, 15), at(2026, 6, 15), true, 176},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isBirthdayOn(c.birth, c.day), c.isBirthday) << c.name;
        EXPECT_EQ(ageOn(c.birth, c.day), c.age) << c.name;
    }
    EXPECT_EQ(birthdayInYear(leapling, 2027), at(2027, 2, 28));
    EXPECT_EQ(birthdayInYear(leapling, 2028), at(2028, 2, 29));
    EXPECT_EQ(birthdayInYear(leapling, 1999), std::nullopt);
}

TEST(Birthdays, NextBirthdayAndItsReminder) {
    struct Case {
        const char* name;
        DateTime birth;
        std::int32_t advance;
        DateTime now;
        DateTime next;
        std::optional<DateTime> reminder;
    };
    const DateTime dec12 = at(1990, 12, 12);
    const DateTime leapling = at(2000, 2, 29);
    const Case cases[] = {
        {"before the window", dec12, 1, at(2026, 12, 10, 10), at(2026, 12, 12), at(2026, 12, 11)},
        {"inside the window: due now", dec12, 1, at(2026, 12, 11, 8), at(2026, 12, 12), at(2026, 12, 11)},
        {"on the day: still this one", dec12, 1, at(2026, 12, 12, 23, 59), at(2026, 12, 12), at(2026, 12, 11)},
        {"the day after: next year's", dec12, 1, at(2026, 12, 13), at(2027, 12, 12), at(2027, 12, 11)},
        {"a week ahead", dec12, 7, at(2026, 12, 1), at(2026, 12, 12), at(2026, 12, 5)},
        {"off", dec12, 0, at(2026, 12, 11), at(2026, 12, 12), std::nullopt},
        {"the window crosses the year", at(1985, 1, 2), 3, at(2026, 12, 30, 12), at(2027, 1, 2), at(2026, 12, 30)},
        {"29 Feb, common year ahead", leapling, 1, at(2025, 3, 1), at(2026, 2, 28), at(2026, 2, 27)},
        {"29 Feb, leap year ahead", leapling, 1, at(2027, 3, 1), at(2028, 2, 29), at(2028, 2, 28)},
        {"not born yet", at(2030, 5, 5), 2, at(2026, 12, 10), at(2030, 5, 5), at(2030, 5, 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nextBirthday(c.birth, c.now), c.next) << c.name;
        EXPECT_EQ(birthdayReminderTime(c.birth, c.advance, c.now), c.reminder) << c.name;
    }
}
