// The year rule of the holiday editor and the reminder time of a saved
// holiday.

#include <gtest/gtest.h>

#include "core/data/holiday_dates.h"
#include "core/data/period.h"
#include "core/data/reminder_walk.h"

using namespace ostrel;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return encodeDateTime({{y, mo, d}, {h, mi, s, 0}});
}

struct StoredCase {
    const char* name;
    DateTime picked;
    DateTime now;
    DateTime stored;
};

}  // namespace

TEST(HolidayStoredDate, MostRecentOccurrenceNotLaterThanNow) {
    const StoredCase cases[] = {
        {"25 Dec picked on 10 Oct: last year's", at(2026, 12, 25), at(2026, 10, 10, 9), at(2025, 12, 25)},
        {"25 Dec picked on 25 Dec: kept", at(2026, 12, 25), at(2026, 12, 25, 0, 0, 1), at(2026, 12, 25)},
        {"today at midnight exactly: kept", at(2026, 12, 25), at(2026, 12, 25), at(2026, 12, 25)},
        {"a time of day is dropped", at(2026, 3, 1, 15, 30), at(2026, 10, 10), at(2026, 3, 1)},
        {"a birth year in the past is kept", at(1961, 4, 12), at(2026, 10, 10), at(1961, 4, 12)},
        {"29 Feb of a future leap year: 28 Feb", at(2028, 2, 29), at(2026, 10, 10), at(2026, 2, 28)},
        {"29 Feb of a past leap year is kept", at(2024, 2, 29), at(2026, 10, 10), at(2024, 2, 29)},
        {"far future comes back", at(2100, 7, 4), at(2026, 10, 10), at(2026, 7, 4)},
        {"tomorrow: a year back", at(2026, 10, 11), at(2026, 10, 10, 23, 59, 59), at(2025, 10, 11)},
    };
    for (const auto& c : cases) EXPECT_EQ(holidayStoredDate(c.picked, c.now), c.stored) << c.name;
}

TEST(HolidayReminderTime, InsideTheWindowTheReminderIsDueNow) {
    const DateTime now = at(2026, 12, 10, 10);
    // 12 December, three days ahead, saved on 10 December: the window opened on
    // 9 December and is still open.
    const DateTime first = holidayStoredDate(at(2026, 12, 12), now);
    EXPECT_EQ(first, at(2025, 12, 12));
    EXPECT_EQ(holidayReminderTime(first, 3, now), at(2026, 12, 9));
    // Saved on the holiday itself: the window has closed, next year's.
    EXPECT_EQ(holidayReminderTime(at(2026, 12, 10), 3, now), at(2027, 12, 7));
    // Before the window: this year's start.
    EXPECT_EQ(holidayReminderTime(at(2025, 12, 20), 3, now), at(2026, 12, 17));
    // At the first instant of a window.
    EXPECT_EQ(holidayReminderTime(at(2025, 12, 13), 3, at(2026, 12, 10)), at(2026, 12, 10));
    // No advance: the holiday's next day, never shown.
    EXPECT_EQ(holidayReminderTime(at(2025, 12, 20), 0, now), at(2026, 12, 20));
    EXPECT_EQ(holidayReminderTime(at(1961, 4, 12), 0, now), at(2027, 4, 12));
    // A birth year long ago walks like the engine does.
    const DateTime t = holidayReminderTime(at(1961, 4, 12), 10, now);
    EXPECT_EQ(t, nextOccurrenceAfterByStepping(at(1961, 4, 2), puYears, 1, now));
}

TEST(HolidayReminderTime, AgreesWithTheEngineWalkEveryDayOfAYear) {
    // For every present of a year: when the result is not after now it is an
    // active occurrence; when it is after now no occurrence is active and it
    // is the engine's next occurrence.
    const DateTime first = at(2024, 2, 29);
    for (int advance : {0, 1, 3, 40}) {
        for (DateTime now = at(2026, 1, 1, 12); now < at(2027, 1, 1); now += 1.0) {
            const DateTime t = holidayReminderTime(first, advance, now);
            if (t <= now) {
                EXPECT_TRUE(occurrenceActive(now, t, puDays, advance));
            } else {
                EXPECT_EQ(t, nextOccurrenceAfter(first - advance, puYears, 1, now));
                EXPECT_FALSE(occurrenceActive(now, AddPeriod(puYears, -1, t), puDays, advance));
            }
        }
    }
}
