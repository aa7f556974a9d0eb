// The schedule's clicks on its grid: selecting a plan, ending a title entry,
// and picking a moved plan's new slots, as sequences of clicks on a small
// two-day grid.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/data/plan_clicks.h"
#include "core/data/plan_layout.h"

using namespace ostrel;

namespace {

// Column 1: a plan in rows 5..7 and a one-slot plan in row 10.
// Column 2: a plan in rows 6..8.
const std::map<std::pair<int, int>, std::uint8_t> kPlans = {
    {{1, 5}, smFirst}, {{1, 6}, smInner}, {{1, 7}, smLast}, {{1, 10}, smOnly},
    {{2, 6}, smFirst}, {{2, 7}, smInner}, {{2, 8}, smLast},
};

std::uint8_t markAt(int col, int row) {
    const auto it = kPlans.find({col, row});
    return it == kPlans.end() ? std::uint8_t{smFree} : it->second;
}

GridClick at(int col, int row) {
    GridClick c;
    c.col = col;
    c.row = row;
    c.selTop = c.selBottom = row;
    c.dayCol = col;
    c.oldCol = 1;
    c.mark = markAt;
    return c;
}

GridClick titled(int col, const std::string& title) {
    GridClick c = at(col, 1);
    c.title = title;
    return c;
}

GridClick span(int col, int top, int bottom) {
    GridClick c = at(col, top);
    c.selBottom = bottom;
    return c;
}

const std::string kPrompt = "Input title";

// Selects the plan under (col, row) and arms its move.
void armMoveOf(PlanClicks& clicks, int col, int row) {
    ASSERT_EQ(clicks.click(at(col, row)), ClickAction::Select);
    ASSERT_TRUE(clicks.armMove());
}

struct Step {
    GridClick click;
    ClickAction action;
};

struct Case {
    const char* name;
    void (*setup)(PlanClicks&);
    std::vector<Step> steps;
    EntryState state;  // after the last step
    int selStartRow;
    int selEndRow;
};

void idle(PlanClicks&) {}
void newInRows12To13(PlanClicks& c) {
    c.beginNew(1, 12, 13);
    c.entryOpened(true);
}
void newOverThePlan(PlanClicks& c) {
    c.beginNew(1, 6, 8);
    c.entryOpened(true);
}
void moveOfTheFirstPlan(PlanClicks& c) { armMoveOf(c, 1, 6); }

GridClick otherDay(GridClick c) {
    c.dayCol = 2;
    return c;
}
GridClick dayNotShown(GridClick c) {
    c.dayCol = -1;
    return c;
}

const Case kCases[] = {
    {"a click inside a plan selects all of it", idle, {{at(1, 6), ClickAction::Select}}, EntryState::Idle, 5, 7},
    {"a one-slot plan", idle, {{at(1, 10), ClickAction::Select}}, EntryState::Idle, 10, 10},
    {"a free slot selects nothing",
     idle,
     {{at(1, 6), ClickAction::Select}, {at(1, 20), ClickAction::Select}},
     EntryState::Idle,
     -1,
     -1},
    {"the time column and the title row pass",
     idle,
     {{at(1, 6), ClickAction::Select}, {at(0, 6), ClickAction::None}, {at(1, 0), ClickAction::None}},
     EntryState::Idle,
     5,
     7},
    {"a typed title adds the plan", newInRows12To13, {{titled(1, "Lunch"), ClickAction::AddPlan}}, EntryState::Idle,
     12, 13},
    {"no title is refused", newInRows12To13, {{titled(1, ""), ClickAction::NoTitle}}, EntryState::Idle, -1, -1},
    {"the prompt left in the cell is no title", newInRows12To13, {{titled(1, kPrompt), ClickAction::NoTitle}},
     EntryState::Idle, -1, -1},
    {"a new plan over another is refused", newOverThePlan, {{titled(1, "Lunch"), ClickAction::SlotsTaken}},
     EntryState::Idle, 6, 8},
    {"a new plan for a day not shown is not checked here",
     newOverThePlan,
     {{dayNotShown(titled(1, "Lunch")), ClickAction::AddPlan}},
     EntryState::Idle,
     6,
     8},
    {"a move may overlap the plan's own slots",
     moveOfTheFirstPlan,
     {{span(1, 6, 8), ClickAction::StartEditing}},
     EntryState::Busy,
     6,
     8},
    {"a move onto another plan is refused",
     moveOfTheFirstPlan,
     {{span(1, 9, 10), ClickAction::MoveRefused}, {at(1, 6), ClickAction::Select}},
     EntryState::Idle,
     5,
     7},
    {"on another day the plan's own rows count as taken",
     moveOfTheFirstPlan,
     {{otherDay(span(1, 5, 6)), ClickAction::MoveRefused}},
     EntryState::Idle,
     -1,
     -1},
    {"on another day free rows take the plan",
     moveOfTheFirstPlan,
     {{otherDay(span(2, 10, 11)), ClickAction::StartEditing}},
     EntryState::Busy,
     10,
     11},
    {"a move to the title row is refused", moveOfTheFirstPlan, {{span(1, 0, 0), ClickAction::MoveRefused}},
     EntryState::Idle, -1, -1},
};

class PlanClickSequence : public ::testing::TestWithParam<Case> {};

TEST_P(PlanClickSequence, EndsAsExpected) {
    const Case& c = GetParam();
    PlanClicks clicks(kPrompt);
    c.setup(clicks);
    int n = 0;
    for (const Step& step : c.steps) {
        EXPECT_EQ(clicks.click(step.click), step.action) << c.name << ", click " << n;
        ++n;
    }
    EXPECT_EQ(clicks.state(), c.state) << c.name;
    EXPECT_EQ(clicks.selStartRow(), c.selStartRow) << c.name;
    EXPECT_EQ(clicks.selEndRow(), c.selEndRow) << c.name;
}

INSTANTIATE_TEST_SUITE_P(PlanClicks, PlanClickSequence, ::testing::ValuesIn(kCases));

// A whole move: the title typed at the new place is saved there; the old
// rows are remembered for the store's update.
TEST(PlanClicks, AMoveEndsInMovePlanWithTheNewRows) {
    PlanClicks clicks(kPrompt);
    armMoveOf(clicks, 1, 7);
    EXPECT_EQ(clicks.click(span(1, 14, 16)), ClickAction::StartEditing);
    EXPECT_EQ(clicks.editCol(), 1);
    clicks.entryOpened(false);
    EXPECT_TRUE(clicks.entryRunning());
    EXPECT_EQ(clicks.click(titled(1, kPrompt)), ClickAction::MovePlan);
    EXPECT_EQ(clicks.oldStart(), 5);
    EXPECT_EQ(clicks.oldEnd(), 7);
    EXPECT_EQ(clicks.selStartRow(), 14);
    EXPECT_EQ(clicks.selEndRow(), 16);
    EXPECT_EQ(clicks.state(), EntryState::Idle);
}

TEST(PlanClicks, EditNeedsASelectedPlanAndNoEntry) {
    PlanClicks clicks(kPrompt);
    EXPECT_FALSE(clicks.armMove());
    clicks.click(at(1, 20));
    EXPECT_FALSE(clicks.armMove());
    newInRows12To13(clicks);
    EXPECT_FALSE(clicks.armMove());
    EXPECT_EQ(clicks.state(), EntryState::Adding);
    // While an editor opens, clicks pass; a reset ends it without a save.
    clicks.beginNew(1, 12, 12);
    EXPECT_EQ(clicks.click(titled(1, "Lunch")), ClickAction::None);
    clicks.reset();
    EXPECT_EQ(clicks.state(), EntryState::Idle);
}

}  // namespace
