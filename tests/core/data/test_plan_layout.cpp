// Laying a day's plans out over its 48 half-hour slots.

#include <gtest/gtest.h>

#include "core/data/plan_layout.h"

using namespace ostrel;

namespace {

// A full day of query rows, with plans (start slot, length, title).
std::vector<SlotQueryRow> day(std::initializer_list<std::tuple<int, std::int64_t, const char*>> plans) {
    std::vector<SlotQueryRow> rows;
    for (int k = 0; k < kSlotsPerDay; ++k) {
        SlotQueryRow r;
        r.time = k * 1800 / 86400.0;
        rows.push_back(r);
        for (const auto& [slot, length, title] : plans) {
            if (slot != k) continue;
            if (!rows.back().elapseNull) rows.push_back(r);  // a second plan of the same start
            rows.back().elapseNull = false;
            rows.back().elapse = length;
            rows.back().title = title;
        }
    }
    return rows;
}

std::string marks(const std::array<SlotCell, kSlotsPerDay>& cells, int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) s += static_cast<char>('0' + cells[static_cast<std::size_t>(i)].mark);
    return s;
}

}  // namespace

TEST(PlanLayout, MarksOfEachKindOfPlan) {
    const auto cells = layoutDayPlans(day({{20, 3, "Meeting"}, {24, 1, "Call"}, {26, 0, "Zero"}, {28, 2, "Two"}}));
    EXPECT_EQ(marks(cells, 19, 30), "012304040130");
    EXPECT_EQ(cells[20].title, "Meeting");
    EXPECT_TRUE(cells[20].stepStart);
    EXPECT_FALSE(cells[21].stepStart);
    EXPECT_TRUE(cells[21].title.empty());
    EXPECT_DOUBLE_EQ(cells[22].time, 22 * 1800 / 86400.0);
    for (const SlotCell& c : cells) EXPECT_TRUE(c.hasTime);
}

TEST(PlanLayout, APlanPastMidnightEndsInTheLastSlot) {
    const auto cells = layoutDayPlans(day({{46, 5, "Late"}}));
    EXPECT_EQ(marks(cells, 45, 47), "013");
    const auto last = layoutDayPlans(day({{47, 3, "Last"}}));
    EXPECT_EQ(last[47].mark, smOnly);
}

TEST(PlanLayout, APlanStartingInsideAnotherIsNotShownAndLaterSlotsKeepTheirPlace) {
    const auto cells = layoutDayPlans(day({{10, 3, "Outer"}, {11, 4, "Inner"}, {20, 1, "After"}}));
    EXPECT_EQ(marks(cells, 9, 13), "01230");
    EXPECT_EQ(cells[20].mark, smOnly);
    EXPECT_EQ(cells[20].title, "After");
}

TEST(PlanLayout, TwoPlansOfOneStartShowTheFirstAndShiftNothing) {
    const auto cells = layoutDayPlans(day({{10, 2, "First"}, {10, 3, "Second"}, {30, 1, "Later"}}));
    EXPECT_EQ(marks(cells, 9, 12), "0130");
    EXPECT_EQ(cells[10].title, "First");
    EXPECT_EQ(cells[30].mark, smOnly);
    EXPECT_DOUBLE_EQ(cells[30].time, 30 * 1800 / 86400.0);
}

TEST(PlanLayout, MissingSlotRowsLeaveFreeSlotsWithoutTime) {
    auto rows = day({{2, 10, "Long"}});
    rows.resize(5);
    const auto cells = layoutDayPlans(rows);
    EXPECT_EQ(marks(cells, 0, 5), "001230");
    EXPECT_FALSE(cells[5].hasTime);
    EXPECT_TRUE(layoutDayPlans({})[0].title.empty());
}

TEST(PlanLayout, SlotOfTheTimeOfDay) {
    EXPECT_EQ(slotOfTime(0.0), 0);
    EXPECT_EQ(slotOfTime(10.0 / 24), 20);  // exactly 10:00, despite rounding
    EXPECT_EQ(slotOfTime((23 * 60 + 45) / 1440.0), 47);
    EXPECT_EQ(slotOfTime(46000 + (12 * 60 + 29) / 1440.0), 24);
    EXPECT_EQ(slotOfTime(0.999999999), 47);
}
