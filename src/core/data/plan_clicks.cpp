#include "core/data/plan_clicks.h"

#include "core/data/plan_layout.h"

namespace ostrel {

ClickAction PlanClicks::click(const GridClick& c) {
    switch (state_) {
        case EntryState::Idle: {
            if (c.col < 1 || c.row < 1) return ClickAction::None;
            if (c.mark(c.col, c.row) == smFree) {
                clearSelection();
                return ClickAction::Select;
            }
            // The whole plan under the cursor.
            int top = c.row;
            while (top > 1 && c.mark(c.col, top) != smFirst && c.mark(c.col, top) != smOnly) --top;
            int bottom = c.row;
            while (bottom < kSlotsPerDay && c.mark(c.col, bottom) != smLast && c.mark(c.col, bottom) != smOnly)
                ++bottom;
            selStartRow_ = top;
            selEndRow_ = bottom;
            return ClickAction::Select;
        }
        case EntryState::Adding:
        case EntryState::Editing: return endEntry(c);
        case EntryState::Busy: return ClickAction::None;
        case EntryState::MoveArmed: return pickMoveTarget(c);
    }
    return ClickAction::None;
}

ClickAction PlanClicks::endEntry(const GridClick& c) {
    const bool adding = state_ == EntryState::Adding;
    state_ = EntryState::Idle;
    if (c.title.empty() || (adding && c.title == prompt_)) {
        clearSelection();
        return ClickAction::NoTitle;
    }
    // The plan goes to the day the window shows as its date: its slots must
    // be free there, a moved plan's own slots counting as free.
    const bool own = !adding && c.dayCol == c.oldCol;
    if (c.dayCol > 0 && !slotsFree(c, c.dayCol, selStartRow_, selEndRow_, own ? oldStart_ : -1, own ? oldEnd_ : -1))
        return ClickAction::SlotsTaken;
    return adding ? ClickAction::AddPlan : ClickAction::MovePlan;
}

ClickAction PlanClicks::pickMoveTarget(const GridClick& c) {
    state_ = EntryState::Busy;
    editCol_ = c.col;
    selStartRow_ = c.selTop;
    selEndRow_ = c.selBottom;
    const bool own = c.dayCol == c.oldCol;
    if (editCol_ < 1 || selStartRow_ < 1 ||
        (c.dayCol > 0 && !slotsFree(c, c.dayCol, selStartRow_, selEndRow_, own ? oldStart_ : -1, own ? oldEnd_ : -1))) {
        state_ = EntryState::Idle;
        clearSelection();
        return ClickAction::MoveRefused;
    }
    return ClickAction::StartEditing;
}

void PlanClicks::beginNew(int col, int top, int bottom) {
    state_ = EntryState::Busy;
    editCol_ = col;
    selStartRow_ = top;
    selEndRow_ = bottom;
}

bool PlanClicks::armMove() {
    if (state_ != EntryState::Idle || selStartRow_ == -1) return false;
    oldStart_ = selStartRow_;
    oldEnd_ = selEndRow_;
    state_ = EntryState::MoveArmed;
    return true;
}

void PlanClicks::entryOpened(bool adding) { state_ = adding ? EntryState::Adding : EntryState::Editing; }

bool PlanClicks::slotsFree(const GridClick& c, int col, int top, int bottom, int ownTop, int ownBottom) {
    for (int r = top; r <= bottom; ++r) {
        if (r >= ownTop && r <= ownBottom) continue;
        if (c.mark(col, r) != smFree) return false;
    }
    return true;
}

}  // namespace ostrel
