#pragma once
// Period arithmetic: a count of period units added to a date-time. The unit
// ids are the TPID rows of the TimePeriods table and, shifted by one, the
// item positions of every unit list in the windows.

#include <cstdint>

#include "core/time/datetime.h"

namespace ostrel {

enum PeriodUnit : std::uint8_t {
    puNone = 0,  // no unit: the stored value of an entry that does not repeat
    puMinutes = 1,
    puHours = 2,
    puDays = 3,
    puWeeks = 4,
    puMonths = 5,
    puYears = 6,
};

inline constexpr bool isPeriodUnit(std::int64_t unit) { return unit >= puMinutes && unit <= puYears; }

// A unit id as stored in a database row or a file; anything outside the
// known ids reads as puNone.
inline constexpr PeriodUnit periodUnitFromStored(std::int64_t stored) {
    return isPeriodUnit(stored) ? static_cast<PeriodUnit>(stored) : puNone;
}

// The id that stands for the unit in a database row or a file.
inline constexpr std::int64_t storedPeriodUnit(PeriodUnit unit) { return static_cast<std::int64_t>(unit); }

// A unit list in a window shows the units in id order from puMinutes on:
// the unit at an item position, and the position of a unit (-1, no item, for
// puNone).
inline constexpr PeriodUnit periodUnitAtListIndex(int index) { return periodUnitFromStored(std::int64_t{index} + 1); }
inline constexpr int listIndexOfPeriodUnit(PeriodUnit unit) { return static_cast<int>(unit) - 1; }

// Start plus Count units. Minutes, hours, days and weeks add a day amount
// (worked out in extended precision, rounded once); months and years move the
// calendar date, keeping the time of day and moving a day that the target
// month lacks to its last day. Count may be zero or negative. Any other unit
// (puNone) gives 0.0.
DateTime AddPeriod(PeriodUnit Unit, std::int32_t Count, DateTime Start);

}  // namespace ostrel
