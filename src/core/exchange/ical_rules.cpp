#include "core/exchange/ical_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "core/data/period.h"

namespace ostrel::exchange::ical {

// ---- times ----

// A civil date and time written into a libical time (its zone and
// date-only mark stay as they are).
void setCivil(icaltimetype& t, const CivilDateTime& c) {
    t.year = c.date.year;
    t.month = c.date.month;
    t.day = c.date.day;
    t.hour = c.time.hour;
    t.minute = c.time.minute;
    t.second = c.time.second;
}

icaltimezone* zoneNamed(const std::string& tzid) {
    if (tzid.empty()) return nullptr;
    return icaltimezone_get_builtin_timezone(tzid.c_str());
}

icaltimetype localTime(DateTime dt, icaltimezone* zone) {
    const CivilDateTime c = decodeDateTime(dt);
    if (!zone) {
        // Not a zone libical knows: UTC through the machine's local time.
        const double unix = std::floor(toUnixSecondsLocal(dt) + 0.5);
        return icaltime_from_timet_with_zone(static_cast<time_t>(unix), 0, icaltimezone_get_utc_timezone());
    }
    icaltimetype t = icaltime_null_time();
    setCivil(t, c);
    t.is_date = 0;
    t.zone = zone;
    return t;
}

icaltimetype dateOnly(DateTime dt) {
    const CivilDate d = decodeDate(dt);
    icaltimetype t = icaltime_null_date();
    t.year = d.year;
    t.month = d.month;
    t.day = d.day;
    return t;
}

// The local zone's name while a file is read: a time in that zone is taken
// as written (also one in the hour a spring clock change skips, which the
// editor lets the user enter).
namespace {
thread_local std::string g_localZone;
}  // namespace

void setLocalZone(const std::string& tzid) { g_localZone = tzid; }

bool isLocalZone(const icaltimezone* zone) {
    if (!zone || g_localZone.empty()) return false;
    auto* z = const_cast<icaltimezone*>(zone);
    const char* tzid = icaltimezone_get_tzid(z);
    const char* location = icaltimezone_get_location(z);
    return (tzid && g_localZone == tzid) || (location && g_localZone == location);
}

// A time read from a file as a local date-time value.
DateTime toLocal(icaltimetype t) {
    if (t.is_date) return encodeDate(t.year, t.month, t.day);
    if (t.zone && !icaltime_is_utc(t) && isLocalZone(t.zone)) {
        CivilDateTime c;
        c.date = {t.year, t.month, t.day};
        c.time = {t.hour, t.minute, std::min(t.second, 59), 0};
        return encodeDateTime(c);
    }
    if (t.zone) {
        const time_t unix = icaltime_as_timet_with_zone(t, t.zone);
        return fromUnixSecondsLocal(static_cast<double>(unix));
    }
    if (icaltime_is_utc(t)) return fromUnixSecondsLocal(static_cast<double>(icaltime_as_timet(t)));
    CivilDateTime c;
    c.date = {t.year, t.month, t.day};
    c.time = {t.hour, t.minute, t.second, 0};
    return encodeDateTime(c);
}

bool validTime(icaltimetype t) {
    return !icaltime_is_null_time(t) && icaltime_is_valid_time(t) && isValidDate(t.year, t.month, t.day) &&
           (t.is_date || isValidTime(t.hour, t.minute, std::min(t.second, 59)));
}

namespace {

// ---- rules taken as their next occurrence ----

bool hasAnyBy(const icalrecurrencetype& r) {
    return !emptyBy(r.by_second) || !emptyBy(r.by_minute) || !emptyBy(r.by_hour) || !emptyBy(r.by_day) ||
           !emptyBy(r.by_month_day) || !emptyBy(r.by_year_day) || !emptyBy(r.by_week_no) || !emptyBy(r.by_month) ||
           !emptyBy(r.by_set_pos);
}

bool hasDayFilter(const icalrecurrencetype& r) {
    return !emptyBy(r.by_day) || !emptyBy(r.by_month_day) || !emptyBy(r.by_year_day) || !emptyBy(r.by_week_no) ||
           !emptyBy(r.by_month) || !emptyBy(r.by_set_pos);
}

bool hasPositionalDay(const icalrecurrencetype& r) {
    for (int i = 0; i < ICAL_BY_DAY_SIZE && r.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        if (icalrecurrencetype_day_position(r.by_day[i]) != 0) return true;
    return false;
}

// Seconds of a wall-clock time counted from 1899-12-30 00:00 (no zone
// applied: the fields as written).
std::int64_t wallSeconds(const icaltimetype& t) {
    const auto day = static_cast<std::int64_t>(serialDay(t.year, t.month, t.day));
    if (t.is_date) return day * kSecondsPerDay;
    return day * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
}

// The wall-clock time of those seconds, in the zone (and of the kind, date
// or time) of like.
icaltimetype fromWallSeconds(std::int64_t seconds, const icaltimetype& like) {
    std::int64_t day = seconds / kSecondsPerDay;
    std::int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --day;
    }
    const CivilDate d = decodeDate(static_cast<double>(day));
    icaltimetype t = like;
    t.year = d.year;
    t.month = d.month;
    t.day = d.day;
    if (!t.is_date) {
        t.hour = static_cast<int>(rest / 3600);
        t.minute = static_cast<int>(rest / 60 % 60);
        t.second = static_cast<int>(rest % 60);
    }
    return t;
}

// The present as a wall-clock time of the zone start is written in.
icaltimetype presentLike(const icaltimetype& start, DateTime now) {
    icaltimetype t;
    const bool zoned = start.zone && !isLocalZone(start.zone);
    if (!start.is_date && (zoned || icaltime_is_utc(start))) {
        const auto unix = static_cast<time_t>(std::floor(toUnixSecondsLocal(now)));
        t = icaltime_from_timet_with_zone(unix, 0, const_cast<icaltimezone*>(start.zone));
    } else {
        t = start;
        setCivil(t, decodeDateTime(now));
    }
    t.is_date = start.is_date;
    if (t.is_date) t.hour = t.minute = t.second = 0;
    return t;
}

// Whether a date is the weekday of a BYDAY value, at its place when it has
// one (the 2nd Monday, the last Friday) in the month, or in the year of a
// yearly rule without BYMONTH.
bool weekdayPasses(const icalrecurrencetype& r, short value, int year, int month, int day, int weekday) {
    if (static_cast<int>(icalrecurrencetype_day_day_of_week(value)) != weekday) return false;
    const int position = icalrecurrencetype_day_position(value);
    if (position == 0) return true;
    const bool inYear = r.freq == ICAL_YEARLY_RECURRENCE && emptyBy(r.by_month);
    const int index = inYear ? static_cast<int>(serialDay(year, month, day) - serialDay(year, 1, 1)) : day - 1;
    const int length = inYear ? (isLeapYear(year) ? 366 : 365) : daysInMonth(year, month);
    return position > 0 ? index / 7 + 1 == position : (length - 1 - index) / 7 + 1 == -position;
}

// Whether a date passes the day-level parts of a rule that a day can be
// told by alone (BYMONTH, BYMONTHDAY, BYYEARDAY, BYDAY).
bool dayPasses(const icalrecurrencetype& r, int year, int month, int day) {
    auto listed = [](const short* by, int size, auto&& match) {
        if (emptyBy(by)) return true;
        for (int i = 0; i < size && by[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
            if (match(by[i])) return true;
        return false;
    };
    const int dim = daysInMonth(year, month);
    const int yearDay = static_cast<int>(serialDay(year, month, day) - serialDay(year, 1, 1)) + 1;
    const int yearDays = isLeapYear(year) ? 366 : 365;
    const int weekday = dayOfWeek(encodeDate(year, month, day));  // 1 = Sunday
    return listed(r.by_month, ICAL_BY_MONTH_SIZE, [&](short m) { return m == month; }) &&
           listed(r.by_month_day, ICAL_BY_MONTHDAY_SIZE,
                  [&](short v) { return v == day || (v < 0 && dim + 1 + v == day); }) &&
           listed(r.by_year_day, ICAL_BY_YEARDAY_SIZE,
                  [&](short v) { return v == yearDay || (v < 0 && yearDays + 1 + v == yearDay); }) &&
           listed(r.by_day, ICAL_BY_DAY_SIZE, [&](short v) { return weekdayPasses(r, v, year, month, day, weekday); });
}

// Whether some day of the twelve years from the date passes the rule's
// day-level parts. Their pattern repeats within eight years (29 February),
// so a rule that fails here never has an occurrence.
bool someDayPasses(const icalrecurrencetype& r, const icaltimetype& from) {
    const auto first = static_cast<std::int64_t>(serialDay(from.year, from.month, from.day));
    for (std::int64_t day = first; day < first + 12 * 366; ++day) {
        const CivilDate d = decodeDate(static_cast<double>(day));
        if (dayPasses(r, d.year, d.month, d.day)) return true;
    }
    return false;
}

// Whether libical can be handed the rule without a search it cannot be
// stopped in: a part that narrows the days of a rule repeating within a day
// makes libical test every second or minute between two days that pass.
bool ruleIsBounded(const icalrecurrencetype& r) {
    if (r.freq == ICAL_SECONDLY_RECURRENCE) return false;  // any part: a day of seconds per step
    if (r.freq == ICAL_MINUTELY_RECURRENCE && hasDayFilter(r)) return false;
    const bool coarse = r.freq == ICAL_MONTHLY_RECURRENCE || r.freq == ICAL_YEARLY_RECURRENCE;
    if (!coarse && (hasPositionalDay(r) || !emptyBy(r.by_set_pos) || !emptyBy(r.by_year_day))) return false;
    if (r.freq != ICAL_YEARLY_RECURRENCE && !emptyBy(r.by_week_no)) return false;
    if (r.freq == ICAL_WEEKLY_RECURRENCE && !emptyBy(r.by_month_day)) return false;
    return true;
}

std::int64_t stepSeconds(icalrecurrencetype_frequency f) {
    switch (f) {
        case ICAL_SECONDLY_RECURRENCE: return 1;
        case ICAL_MINUTELY_RECURRENCE: return 60;
        case ICAL_HOURLY_RECURRENCE: return 3600;
        case ICAL_DAILY_RECURRENCE: return kSecondsPerDay;
        case ICAL_WEEKLY_RECURRENCE: return 7 * kSecondsPerDay;
        default: return 0;
    }
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The latest start of a period of the series not after the present (the
// start itself when the series begins later): the series from there on is
// the series from its start on.
icaltimetype periodStartNear(const icalrecurrencetype& r, const icaltimetype& start, const icaltimetype& present) {
    const std::int64_t interval = std::max<std::int64_t>(1, r.interval);
    if (const std::int64_t unit = stepSeconds(r.freq); unit > 0) {
        const std::int64_t step = unit * interval;
        const std::int64_t s0 = wallSeconds(start);
        const std::int64_t k = floorDiv(wallSeconds(present) - s0, step);
        return k > 0 ? fromWallSeconds(s0 + k * step, start) : start;
    }
    const std::int64_t months = r.freq == ICAL_YEARLY_RECURRENCE ? 12 * interval : interval;
    const std::int64_t elapsed =
        (std::int64_t{present.year} - start.year) * 12 + (std::int64_t{present.month} - start.month);
    for (std::int64_t k = floorDiv(elapsed, months); k > 0; --k) {
        const std::int64_t m = start.month - 1 + k * months;
        icaltimetype t = start;
        t.year = static_cast<int>(start.year + m / 12);
        t.month = static_cast<int>(m % 12 + 1);
        if (isValidDate(t.year, t.month, t.day) && wallSeconds(t) <= wallSeconds(present)) return t;
    }
    return start;
}

// The end of a series as seconds of the start's wall clock.
std::optional<std::int64_t> untilSeconds(const icalrecurrencetype& r, const icaltimetype& start) {
    if (icaltime_is_null_time(r.until)) return std::nullopt;
    icaltimetype u = r.until;
    if (!u.is_date && icaltime_is_utc(u) && start.zone && !icaltime_is_utc(start))
        u = icaltime_convert_to_zone(u, const_cast<icaltimezone*>(start.zone));
    return wallSeconds(u) + (u.is_date ? kSecondsPerDay - 1 : 0);
}


}  // namespace

std::optional<icaltimetype> RuleSearch::next(const icalrecurrencetype& r, icaltimetype start, DateTime now) {
    if (exhausted()) return std::nullopt;
    const icaltimetype present = presentLike(start, now);
    const std::int64_t interval = std::max<std::int64_t>(1, r.interval);
    if (!hasAnyBy(r) && stepSeconds(r.freq) > 0) {
        // Equal steps: worked out, not walked.
        const std::int64_t step = stepSeconds(r.freq) * interval;
        const std::int64_t s0 = wallSeconds(start);
        const std::int64_t gap = wallSeconds(present) - s0;
        std::int64_t k = gap <= 0 ? 0 : (gap + step - 1) / step;
        if (r.count > 0) k = std::min<std::int64_t>(k, r.count - 1);
        if (const auto until = untilSeconds(r, start)) {
            if (*until < s0) return start;
            k = std::min(k, (*until - s0) / step);
        }
        return fromWallSeconds(s0 + k * step, start);
    }
    if (!ruleIsBounded(r)) return std::nullopt;
    if (hasDayFilter(r) && !someDayPasses(r, r.count > 0 ? start : present)) return std::nullopt;
    icaltimetype found = start;
    if (r.count > 0) {
        // Counted from the start: walked from there.
        const Walk w = walk(r, start, now, found);
        if (w == Walk::Spent) return std::nullopt;
        return found;
    }
    const auto until = untilSeconds(r, start);
    if (until && *until < wallSeconds(present)) {
        // Ended: its last occurrence, searched for in a growing stretch
        // before the end (the parts of a rule meet again within eight
        // years).
        for (const std::int64_t days : {1, 32, 367, 9 * 366}) {
            const icaltimetype from = periodStartNear(r, start, fromWallSeconds(*until - days * kSecondsPerDay, start));
            const Walk w = walk(r, from, now, found);
            if (w == Walk::Spent) return std::nullopt;
            if (w == Walk::Found || wallSeconds(from) == wallSeconds(start)) return found;
        }
        return start;
    }
    const Walk w = walk(r, periodStartNear(r, start, present), now, found);
    if (w != Walk::Found) return std::nullopt;
    return found;
}

RuleSearch::Walk RuleSearch::walk(const icalrecurrencetype& r, icaltimetype from, DateTime now, icaltimetype& found) {
    icalrecur_iterator* it = icalrecur_iterator_new(r, from);
    if (!it) return Walk::None;
    Walk result = Walk::None;
    for (int calls = 0;; ++calls) {
        if (calls >= kStepsPerRule || !spend()) {
            result = Walk::Spent;
            break;
        }
        const icaltimetype t = icalrecur_iterator_next(it);
        if (icaltime_is_null_time(t)) break;
        found = t;
        result = Walk::Found;
        if (toLocal(t) >= now) break;
    }
    icalrecur_iterator_free(it);
    return result;
}


}  // namespace ostrel::exchange::ical
