#pragma once
// Period arithmetic: a count of period units added to a date-time. The unit
// ids are the TPID rows of the TimePeriods table and, shifted by one, the
// item positions of every unit list in the windows.

#include <cstdint>

#include "core/time/datetime.h"

namespace ostrel {

enum PeriodUnit : std::uint8_t {
    puMinutes = 1,
    puHours = 2,
    puDays = 3,
    puWeeks = 4,
    puMonths = 5,
    puYears = 6,
};

inline constexpr bool isPeriodUnit(int unit) {
    return unit >= puMinutes && unit <= puYears;
}

// Start plus Count units. Minutes, hours, days and weeks add a day amount
// (worked out in extended precision, rounded once); months and years move the
// calendar date, keeping the time of day and moving a day that the target
// month lacks to its last day. Count may be zero or negative. Any other unit
// id gives 0.0.
DateTime AddPeriod(std::uint8_t Unit, std::int32_t Count, DateTime Start);

}  // namespace ostrel
