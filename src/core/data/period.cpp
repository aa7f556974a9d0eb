#include "core/data/period.h"

#include <cmath>

#include "core/time/datetime.h"

namespace ostrel {
namespace {

DateTime addMonths(std::int64_t months, DateTime start) {
    const double date = std::trunc(start);
    const double tod = std::fabs(start - date);
    const CivilDate c = decodeDate(date);
    std::int64_t year = c.year + months / 12;
    std::int64_t month = c.month + months % 12;
    if (month < 1) {
        month += 12;
        --year;
    } else if (month > 12) {
        month -= 12;
        ++year;
    }
    std::int64_t day = c.day;
    const int len = daysInMonth(year, static_cast<int>(month));
    if (day > len) day = len;
    return combineDateTime(serialDay(year, month, day), tod);
}

}  // namespace

DateTime AddPeriod(PeriodUnit Unit, std::int32_t Count, DateTime Start) {
    const long double n = Count;
    long double days = 0.0L;
    switch (Unit) {
        case puMinutes: days = n / 60.0L / 24.0L; break;
        case puHours: days = n / 24.0L; break;
        case puDays: days = n; break;
        case puWeeks:
            // 64-bit product: a huge week count must not wrap round to a
            // date in the other direction.
            days = static_cast<long double>(std::int64_t{7} * Count);
            break;
        case puMonths: return addMonths(Count, Start);
        case puYears: return addMonths(std::int64_t{12} * Count, Start);
        default: return 0.0;
    }
    return static_cast<double>(static_cast<long double>(Start) + days);
}

}  // namespace ostrel
