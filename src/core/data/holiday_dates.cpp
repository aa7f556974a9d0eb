#include "core/data/holiday_dates.h"

#include "core/data/period.h"
#include "core/data/reminder_walk.h"

namespace ostrel {

DateTime holidayStoredDate(DateTime date, DateTime now) {
    DateTime d = datePart(date);
    while (now < d) {
        const DateTime earlier = AddPeriod(puMonths, -12, d);
        if (!(earlier < d)) break;  // out of the calendar's range: keep what we have
        d = earlier;
    }
    return d;
}

DateTime holidayReminderTime(DateTime firstDT, std::int32_t advanceDays, DateTime now) {
    if (advanceDays <= 0) return nextOccurrenceAfter(firstDT, puYears, 1, now);
    const DateTime start = firstDT - advanceDays;
    const DateTime t = firstPossiblyActive(start, puYears, 1, puDays, advanceDays, now);
    if (occurrenceActive(now, t, puDays, advanceDays)) return t;
    return nextOccurrenceAfter(t, puYears, 1, now);
}

}  // namespace ostrel
