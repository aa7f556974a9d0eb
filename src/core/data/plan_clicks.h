#pragma once
// What a click on the schedule's grid means, by the state of a title entry.
// The schedule window reads the grid (its current cell, its selection, the
// slot marks, the typed title) into a GridClick and carries out the
// ClickAction it gets back; the entry's state and the selected rows live
// here.
//
// The states: idle (a click selects the plan under the cursor, or none);
// adding or editing (a title is being typed: a click ends the entry and
// saves it, or refuses it); busy (an editor is being opened: clicks pass);
// move armed (Edit was pressed on a selected plan: the next click picks the
// plan's new slots and opens the title for editing there).

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace ostrel {

enum class EntryState { Idle, Adding, Editing, Busy, MoveArmed };

enum class ClickAction {
    None,          // nothing changes
    Select,        // the selection changed (selStartRow()..selEndRow(), none when selStartRow() is -1)
    NoTitle,       // the entry ended without a title: the typed cell is cleared, the user told
    SlotsTaken,    // the entry ended on slots another plan holds: the grid is read afresh, the user told
    MoveRefused,   // the armed move picked no slots or taken ones: the selection is gone, the user told
    AddPlan,       // a new plan in selStartRow()..selEndRow() of the day is stored, the grid read afresh
    MovePlan,      // the moved plan is stored in selStartRow()..selEndRow() of the day, the grid read afresh
    StartEditing,  // the title editor opens in editCol(), selStartRow() with the moved plan's title
};

// The grid at the moment of a click. Rows count from 1 (the grid's title
// row is 0); col 0 is the time column.
struct GridClick {
    int col = 0;  // the grid's current cell
    int row = 0;
    int selTop = -1;  // the grid selection's rows (what an armed move picks)
    int selBottom = -1;
    int dayCol = -1;  // the column that shows the day a plan goes to; -1 when none does
    int oldCol = -1;  // the column that shows the moved plan's day; -1 when none does
    std::string title;  // the typed title, trimmed
    std::function<std::uint8_t(int col, int row)> mark;  // a cell's SlotMark (plan_layout.h)
};

class PlanClicks {
public:
    // The text a new plan's cell starts with; a title equal to it is none.
    explicit PlanClicks(std::string prompt = {}) : prompt_(std::move(prompt)) {}
    void setPrompt(std::string prompt) { prompt_ = std::move(prompt); }

    ClickAction click(const GridClick& c);

    EntryState state() const { return state_; }
    bool entryRunning() const { return state_ == EntryState::Adding || state_ == EntryState::Editing; }
    int selStartRow() const { return selStartRow_; }
    int selEndRow() const { return selEndRow_; }
    int editCol() const { return editCol_; }
    // The moved plan's rows when Edit was pressed.
    int oldStart() const { return oldStart_; }
    int oldEnd() const { return oldEnd_; }

    // New: a new plan's title is to be typed in rows top..bottom of col;
    // busy until entryOpened().
    void beginNew(int col, int top, int bottom);
    // Edit: arms a move of the selected plan; false (nothing changes) while
    // an entry runs or no plan is selected.
    bool armMove();
    // The title editor is open: adding a new plan or editing a moved one.
    void entryOpened(bool adding);
    // Ends whatever runs without saving (the grid is read afresh, Escape).
    void reset() { state_ = EntryState::Idle; }
    void clearSelection() { selStartRow_ = selEndRow_ = -1; }

private:
    // Whether rows top..bottom of col hold no plan, rows ownTop..ownBottom
    // counting as free.
    static bool slotsFree(const GridClick& c, int col, int top, int bottom, int ownTop, int ownBottom);
    ClickAction endEntry(const GridClick& c);
    ClickAction pickMoveTarget(const GridClick& c);

    std::string prompt_;
    EntryState state_ = EntryState::Idle;
    int selStartRow_ = -1;
    int selEndRow_ = -1;
    int editCol_ = 0;
    int oldStart_ = -1;
    int oldEnd_ = -1;
};

}  // namespace ostrel
