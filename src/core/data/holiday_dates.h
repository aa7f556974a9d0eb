#pragma once
// The dates of a yearly holiday: the date the editor stores for a picked
// date, and when the next advance reminder of a holiday starts.

#include <cstdint>

#include "core/time/datetime.h"

namespace ostrel {

// The stored date of a holiday picked as date at the present now: the date at
// midnight, stepped back by 12 months at a time while it lies after now. A
// date not later than now (today included) is kept with its year; 29 February
// stepped into a year without it becomes 28 February.
DateTime holidayStoredDate(DateTime date, DateTime now);

// The reminder time (ShowDT) of a holiday saved at now with the stored date
// firstDT and advanceDays days of advance reminder. The occurrences of the
// reminder are firstDT minus advanceDays days, moved on by whole years, as the
// reminder engine walks them. When the present lies inside the window of one
// of them (from its start, before the holiday's own day) the result is that
// occurrence, which is not later than now, so the engine's next pass shows it;
// otherwise it is the first occurrence after now. With no advance (0 or less)
// it is the first occurrence of the holiday itself after now, which never
// shows.
DateTime holidayReminderTime(DateTime firstDT, std::int32_t advanceDays, DateTime now);

}  // namespace ostrel
