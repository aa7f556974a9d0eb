#pragma once
// How a day's half-hour plans are laid out over the day's 48 slots: the
// slot marks that the schedule and the day-info panel frame plans with.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

inline constexpr int kSlotsPerDay = 48;

// The place of a slot in a plan.
enum SlotMark : std::uint8_t {
    smFree = 0,   // no plan
    smFirst = 1,  // first slot of a plan of two or more slots
    smInner = 2,  // inner slot of such a plan
    smLast = 3,   // last slot of such a plan
    smOnly = 4,   // the only slot of a one-slot plan
};

// One row of a day's slot query: a slot's start (fraction of a day) and the
// plan that starts there, if any.
struct SlotQueryRow {
    double time = 0.0;
    std::string title;        // empty when null
    bool elapseNull = true;   // no plan starts in this slot
    std::int64_t elapse = 0;  // slots the plan covers
};

struct SlotCell {
    bool hasTime = false;    // a query row fell on this slot
    double time = 0.0;       // the row's slot time
    bool stepStart = false;  // a free slot, or the first or only slot of a plan
    std::string title;       // the plan's title on its first slot, else empty
    std::uint8_t mark = smFree;
};

// Walks the query's rows (one per slot, in slot order) into the day's slots.
// A row whose time repeats the previous row's (two plans sharing a start in
// a damaged table) is passed over, so the rows after it keep their slots; a
// plan running past the last slot ends there; ElapseInt below 2 (0 too) is a
// one-slot plan. Slots without a row stay free and without a time.
std::array<SlotCell, kSlotsPerDay> layoutDayPlans(const std::vector<SlotQueryRow>& rows);

// The index of the half hour that contains a time of day (fraction), 0..47.
int slotOfTime(double timeOfDay);

}  // namespace ostrel
