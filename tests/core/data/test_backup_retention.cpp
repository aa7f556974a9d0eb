// Which backup copies the retention rule keeps.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/data/backup_retention.h"
#include "core/time/datetime.h"

using namespace ostrel;

namespace {

DateTime at(int y, int m, int d, int hour = 12) { return encodeDate(y, m, d) + hour / 24.0; }

// Copies every day from first to last (inclusive) at noon.
std::vector<DateTime> daily(int y, int m, int firstDay, int count) {
    std::vector<DateTime> out;
    for (int i = 0; i < count; ++i) out.push_back(encodeDate(y, m, firstDay) + i + 0.5);
    return out;
}

std::vector<DateTime> kept(const std::vector<DateTime>& stamps, RetentionRule rule = {}) {
    const std::vector<bool> keep = backupsToKeep(stamps, rule);
    std::vector<DateTime> out;
    for (std::size_t i = 0; i < stamps.size(); ++i)
        if (keep[i]) out.push_back(stamps[i]);
    return out;
}

}  // namespace

TEST(BackupRetention, Table) {
    struct Case {
        const char* name;
        std::vector<DateTime> stamps;
        std::vector<DateTime> expected;  // in input order
    };
    // 2026-11-30 is a Monday, 2026-12-10 a Thursday.
    std::vector<DateTime> sixty = daily(2026, 10, 12, 60);  // 2026-10-12 .. 2026-12-10
    std::vector<DateTime> sixtyKept;
    for (DateTime t : sixty) {
        const CivilDate c = decodeDate(t);
        const bool lastSevenDays = t >= encodeDate(2026, 12, 4);
        // Newest copy of each of the four newest weeks: Sundays 12-06, 11-29, 11-22 (12-10 is among the days).
        const bool sunday = (c.month == 11 && (c.day == 29 || c.day == 22));
        if (lastSevenDays || sunday) sixtyKept.push_back(t);
    }
    const std::vector<DateTime> sparse = {at(2026, 9, 1),   at(2026, 9, 15),  at(2026, 10, 1),
                                          at(2026, 10, 10), at(2026, 10, 20), at(2026, 11, 1),
                                          at(2026, 11, 12), at(2026, 12, 1),  at(2026, 12, 9)};
    const Case cases[] = {
        {"none", {}, {}},
        {"one", {at(2026, 12, 10)}, {at(2026, 12, 10)}},
        {"same day: only the newest",
         {at(2026, 12, 10, 9), at(2026, 12, 10, 18), at(2026, 12, 10, 12)},
         {at(2026, 12, 10, 18)}},
        {"eight days in two weeks: the oldest goes", daily(2026, 11, 30, 8), daily(2026, 12, 1, 7)},
        {"sixty days: seven days and four weeks", sixty, sixtyKept},
        // The seven newest days that have copies, however far apart.
        {"sparse copies count by the days that have them", sparse,
         std::vector<DateTime>(sparse.begin() + 2, sparse.end())},
        {"an unreadable stamp is never removed",
         {std::nan(""), at(2026, 12, 10, 9), at(2026, 12, 10, 10)},
         {std::nan(""), at(2026, 12, 10, 10)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<DateTime> got = kept(c.stamps);
        ASSERT_EQ(got.size(), c.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (std::isnan(c.expected[i])) EXPECT_TRUE(std::isnan(got[i]));
            else EXPECT_EQ(got[i], c.expected[i]);
        }
    }
}

TEST(BackupRetention, OrderOfInputDoesNotMatter) {
    std::vector<DateTime> stamps = daily(2026, 10, 12, 60);
    const std::vector<bool> sorted = backupsToKeep(stamps);
    std::vector<DateTime> reversed(stamps.rbegin(), stamps.rend());
    const std::vector<bool> rev = backupsToKeep(reversed);
    for (std::size_t i = 0; i < stamps.size(); ++i) EXPECT_EQ(sorted[i], rev[stamps.size() - 1 - i]) << i;
}

TEST(BackupRetention, WeeksBeginOnMonday) {
    // Sunday 12-06 and Monday 12-07 are in different weeks; with one day and
    // two weeks kept, both stay.
    const std::vector<DateTime> stamps = {at(2026, 12, 5), at(2026, 12, 6), at(2026, 12, 7)};
    const std::vector<bool> keep = backupsToKeep(stamps, RetentionRule{1, 2});
    EXPECT_EQ(keep, (std::vector<bool>{false, true, true}));
}
