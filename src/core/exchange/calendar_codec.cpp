#include "core/exchange/calendar_codec.h"

#include <libical/ical.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <random>

#include "core/data/period.h"

namespace ostrel::exchange {
namespace {

constexpr const char* kKind = "X-OSTREL-KIND";
constexpr const char* kActive = "X-OSTREL-ACTIVE";
constexpr const char* kDelay = "X-OSTREL-AFTER-START";
constexpr const char* kDone = "X-OSTREL-DONE";
constexpr double kHalfSecond = 0.5 / 86400.0;
// A task imported without a length of its own is active for an hour, as a
// new task in the editor is.
constexpr std::int32_t kDefaultActiveHours = 1;

// libical keeps the strings it hands out for a while in a ring of
// buffers; once a file is read or written none is in use any more.
void releaseTemporaries() { icalmemory_free_ring(); }

struct ComponentDeleter {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentDeleter>;

const char* kindName(EntryKind k) {
    switch (k) {
        case EntryKind::Task: return "TASK";
        case EntryKind::AfterStart: return "AFTER-START";
        case EntryKind::Holiday: return "HOLIDAY";
        case EntryKind::Plan: return "PLAN";
    }
    return "TASK";
}

std::optional<EntryKind> kindFromName(std::string_view s) {
    if (s == "TASK") return EntryKind::Task;
    if (s == "AFTER-START") return EntryKind::AfterStart;
    if (s == "HOLIDAY") return EntryKind::Holiday;
    if (s == "PLAN") return EntryKind::Plan;
    return std::nullopt;
}

icalrecurrencetype_frequency frequencyOf(PeriodUnit unit) {
    switch (unit) {
        case puMinutes: return ICAL_MINUTELY_RECURRENCE;
        case puHours: return ICAL_HOURLY_RECURRENCE;
        case puDays: return ICAL_DAILY_RECURRENCE;
        case puWeeks: return ICAL_WEEKLY_RECURRENCE;
        case puMonths: return ICAL_MONTHLY_RECURRENCE;
        case puYears: return ICAL_YEARLY_RECURRENCE;
        default: return ICAL_NO_RECURRENCE;
    }
}

PeriodUnit unitOf(icalrecurrencetype_frequency f) {
    switch (f) {
        case ICAL_MINUTELY_RECURRENCE: return puMinutes;
        case ICAL_HOURLY_RECURRENCE: return puHours;
        case ICAL_DAILY_RECURRENCE: return puDays;
        case ICAL_WEEKLY_RECURRENCE: return puWeeks;
        case ICAL_MONTHLY_RECURRENCE: return puMonths;
        case ICAL_YEARLY_RECURRENCE: return puYears;
        default: return puNone;
    }
}

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
thread_local std::string g_localZone;

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

// ---- writing ----

void addText(icalcomponent* c, icalproperty* p) { icalcomponent_add_property(c, p); }

void addX(icalcomponent* c, const char* name, const std::string& value) {
    icalproperty* p = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(c, p);
}

void addTime(icalcomponent* c, icalproperty* p, const icaltimetype& t, const char* tzid) {
    if (tzid && !t.is_date && t.zone && !icaltime_is_utc(t))
        icalproperty_add_parameter(p, icalparameter_new_tzid(tzid));
    icalcomponent_add_property(c, p);
}

icaldurationtype durationOf(std::int32_t count, PeriodUnit unit) {
    const std::int64_t minutes = unit == puMinutes ? count
                                 : unit == puHours ? std::int64_t{count} * 60
                                                   : std::int64_t{count} * 1440;
    return icaldurationtype_from_int(static_cast<int>(std::clamp<std::int64_t>(minutes * 60, 0, 0x7fffffff)));
}

void addAlarm(icalcomponent* event, icaldurationtype before, const std::string& title) {
    icalcomponent* alarm = icalcomponent_new_valarm();
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = before;
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    icalcomponent_add_property(alarm, icalproperty_new_description(title.c_str()));
    icalcomponent_add_component(event, alarm);
}

std::string countAndUnit(std::int32_t count, PeriodUnit unit) {
    return std::to_string(count) + "/" + std::to_string(storedPeriodUnit(unit));
}

bool parseCountAndUnit(const char* s, std::int32_t& count, PeriodUnit& unit) {
    if (!s) return false;
    char* end = nullptr;
    const long c = std::strtol(s, &end, 10);
    if (end == s || *end != '/') return false;
    const char* u = end + 1;
    const long un = std::strtol(u, &end, 10);
    if (end == u || *end != '\0' || c < 0 || c > 1000000 || un < puMinutes || un > puDays) return false;
    count = static_cast<std::int32_t>(c);
    unit = periodUnitFromStored(un);
    return true;
}

icalcomponent* eventOf(const CalendarEntry& e, icaltimezone* zone, const char* tzid, icaltimetype stamp) {
    icalcomponent* ev = icalcomponent_new_vevent();
    addText(ev, icalproperty_new_uid(e.uid.c_str()));
    addText(ev, icalproperty_new_dtstamp(stamp));
    addText(ev, icalproperty_new_summary(e.title.c_str()));
    if (!e.comment.empty()) addText(ev, icalproperty_new_description(e.comment.c_str()));
    addX(ev, kKind, kindName(e.kind));
    switch (e.kind) {
        case EntryKind::Task:
        case EntryKind::AfterStart: {
            const DateTime at = e.kind == EntryKind::Task ? e.start : e.dueAt;
            addTime(ev, icalproperty_new_dtstart(localTime(at, zone)), localTime(at, zone), tzid);
            addText(ev, icalproperty_new_duration(durationOf(e.elapseInt, e.elapseType)));
            addX(ev, kActive, countAndUnit(e.elapseInt, e.elapseType));
            if (e.kind == EntryKind::AfterStart) {
                const std::int64_t minutes = saturatingRound(e.start * 1440.0);
                addX(ev, kDelay,
                     icaldurationtype_as_ical_string(icaldurationtype_from_int(
                         static_cast<int>(std::clamp<std::int64_t>(minutes * 60, 0, 0x7fffffff)))));
            }
            if (e.done) addX(ev, kDone, "TRUE");
            if (e.periodInt > 0 && frequencyOf(e.periodType) != ICAL_NO_RECURRENCE) {
                icalrecurrencetype r;
                icalrecurrencetype_clear(&r);
                r.freq = frequencyOf(e.periodType);
                r.interval = static_cast<short>(std::min<std::int32_t>(e.periodInt, 32767));
                addText(ev, icalproperty_new_rrule(r));
            }
            addAlarm(ev, icaldurationtype_null_duration(), e.title);
            break;
        }
        case EntryKind::Holiday: {
            addText(ev, icalproperty_new_dtstart(dateOnly(e.start)));
            addText(ev, icalproperty_new_dtend(dateOnly(e.start + 1.0)));
            addText(ev, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
            icalrecurrencetype r;
            icalrecurrencetype_clear(&r);
            r.freq = ICAL_YEARLY_RECURRENCE;
            addText(ev, icalproperty_new_rrule(r));
            if (e.elapseInt > 0) {
                icaldurationtype before = icaldurationtype_null_duration();
                before.is_neg = 1;
                before.days = static_cast<unsigned int>(e.elapseInt);
                addAlarm(ev, before, e.title);
            }
            break;
        }
        case EntryKind::Plan: {
            const icaltimetype s = localTime(e.start, zone);
            addTime(ev, icalproperty_new_dtstart(s), s, tzid);
            const icaltimetype end = localTime(e.start + e.elapseInt / 48.0, zone);
            addTime(ev, icalproperty_new_dtend(end), end, tzid);
            break;
        }
    }
    return ev;
}

// ---- reading ----

const char* xValue(icalcomponent* c, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
        const char* n = icalproperty_get_x_name(p);
        if (n && std::string_view(n) == name) return icalproperty_get_x(p);
    }
    return nullptr;
}

std::string textOf(icalcomponent* c, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    if (!p) return {};
    const char* s = kind == ICAL_SUMMARY_PROPERTY ? icalproperty_get_summary(p) : icalproperty_get_description(p);
    return s ? std::string(s) : std::string();
}

// The rule of a component, when it has one.
std::optional<icalrecurrencetype> ruleOf(icalcomponent* c) {
    icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
    if (!p) return std::nullopt;
    icalrecurrencetype r = icalproperty_get_rrule(p);
    if (r.freq == ICAL_NO_RECURRENCE) return std::nullopt;
    return r;
}

bool emptyBy(const short* by) { return by[0] == ICAL_RECURRENCE_ARRAY_MAX; }

// Whether a task repeats by the rule: FREQ and INTERVAL alone, endless, with
// at most BY-parts that only restate the start (BYDAY of the start's weekday
// in a weekly rule, BYMONTHDAY of its day in a monthly one, BYMONTH and
// BYMONTHDAY of its date in a yearly one).
bool ruleIsOurs(const icalrecurrencetype& r, icaltimetype start) {
    if (unitOf(r.freq) == puNone || r.count != 0 || !icaltime_is_null_time(r.until)) return false;
    if (!emptyBy(r.by_second) || !emptyBy(r.by_minute) || !emptyBy(r.by_hour) || !emptyBy(r.by_year_day) ||
        !emptyBy(r.by_week_no) || !emptyBy(r.by_set_pos))
        return false;
    const int weekday = icaltime_day_of_week(start);  // 1 = Sunday
    if (!emptyBy(r.by_day)) {
        if (r.freq != ICAL_WEEKLY_RECURRENCE || r.by_day[1] != ICAL_RECURRENCE_ARRAY_MAX) return false;
        if (icalrecurrencetype_day_position(r.by_day[0]) != 0 ||
            static_cast<int>(icalrecurrencetype_day_day_of_week(r.by_day[0])) != weekday)
            return false;
    }
    if (!emptyBy(r.by_month_day)) {
        if (r.freq != ICAL_MONTHLY_RECURRENCE && r.freq != ICAL_YEARLY_RECURRENCE) return false;
        if (r.by_month_day[1] != ICAL_RECURRENCE_ARRAY_MAX || r.by_month_day[0] != start.day) return false;
    }
    if (!emptyBy(r.by_month)) {
        if (r.freq != ICAL_YEARLY_RECURRENCE || r.by_month[1] != ICAL_RECURRENCE_ARRAY_MAX ||
            r.by_month[0] != start.month)
            return false;
    }
    return true;
}

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

// Works out the next occurrences of the rules of one file within a budget
// of steps and time shared by all of them.
class RuleSearch {
public:
    RuleSearch(long steps, double seconds)
        : stepsLeft_(steps),
          deadline_(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                           std::chrono::duration<double>(seconds))) {}

    bool exhausted() const { return stepsLeft_ <= 0 || std::chrono::steady_clock::now() > deadline_; }

    // The next occurrence of a series not earlier than now; the last one
    // when the series has ended (its start when it has none). Nothing when
    // it cannot be worked out within the budget: a rule of an occurrence a
    // second with parts, one whose parts never meet, one that needs more
    // steps than are left.
    std::optional<icaltimetype> next(const icalrecurrencetype& r, icaltimetype start, DateTime now);

private:
    enum class Walk { Found, None, Spent };
    // Walks the series from a start of one of its periods to its first
    // occurrence not before now (found), or to its last one when it ends
    // before. None: no occurrence at all; Spent: the budget ran out.
    Walk walk(const icalrecurrencetype& r, icaltimetype from, DateTime now, icaltimetype& found);
    // Steps one rule may take: from a period start near the present a few
    // dozen reach it; a rule with COUNT is walked from its start.
    static constexpr int kStepsPerRule = 20000;
    bool spend() {
        if (--stepsLeft_ < 0) return false;
        return (stepsLeft_ & 63) != 0 || std::chrono::steady_clock::now() <= deadline_;
    }
    long stepsLeft_;
    std::chrono::steady_clock::time_point deadline_;
};

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

// A length in seconds as a count of minutes, hours or days (the largest
// unit that holds it whole).
void activeTimeOf(std::int64_t seconds, std::int32_t& count, PeriodUnit& unit) {
    if (seconds <= 0) {
        count = kDefaultActiveHours;
        unit = puHours;
        return;
    }
    const std::int64_t minutes = std::max<std::int64_t>(1, (seconds + 30) / 60);
    if (minutes % 1440 == 0) {
        count = static_cast<std::int32_t>(std::min<std::int64_t>(minutes / 1440, 1000000));
        unit = puDays;
    } else if (minutes % 60 == 0) {
        count = static_cast<std::int32_t>(minutes / 60);
        unit = puHours;
    } else {
        count = static_cast<std::int32_t>(std::min<std::int64_t>(minutes, 1000000));
        unit = puMinutes;
    }
}

// Days of advance reminder of a holiday: the earliest alarm before its
// start, in whole days (rounded up).
std::int32_t advanceDaysOf(icalcomponent* ev) {
    std::int32_t days = 0;
    for (icalcomponent* a = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(ev, ICAL_VALARM_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        if (!p) continue;
        const icaltriggertype t = icalproperty_get_trigger(p);
        if (!icaltime_is_null_time(t.time)) continue;
        const int secs = icaldurationtype_as_int(t.duration);
        if (secs >= 0) continue;
        const std::int32_t d = static_cast<std::int32_t>((-static_cast<std::int64_t>(secs) + 86399) / 86400);
        days = std::max(days, std::min<std::int32_t>(d, 366));
    }
    return days;
}

// The holiday date as the holiday editor stores it: the latest occurrence
// not later than now.
DateTime holidayDate(DateTime date, DateTime now) {
    DateTime d = date;
    for (int i = 0; i < 20000 && now < d; ++i) d = AddPeriod(puMonths, -12, d);
    return d;
}

bool readOurs(icalcomponent* ev, EntryKind kind, CalendarEntry& e) {
    e.kind = kind;
    const icaltimetype start = icalcomponent_get_dtstart(ev);
    switch (kind) {
        case EntryKind::Task:
        case EntryKind::AfterStart: {
            if (kind == EntryKind::Task) {
                if (!validTime(start)) return false;
                e.start = toLocal(start);
            } else {
                const char* d = xValue(ev, kDelay);
                if (!d) return false;
                const icaldurationtype dur = icaldurationtype_from_string(d);
                if (icaldurationtype_is_bad_duration(dur)) return false;
                const int secs = icaldurationtype_as_int(dur);
                if (secs < 0) return false;
                e.start = (secs / 60) / 1440.0;
            }
            if (!parseCountAndUnit(xValue(ev, kActive), e.elapseInt, e.elapseType)) {
                const icaldurationtype d = icalcomponent_get_duration(ev);
                activeTimeOf(icaldurationtype_as_int(d), e.elapseInt, e.elapseType);
            }
            if (const auto r = ruleOf(ev); r && unitOf(r->freq) != puNone) {
                e.periodInt = std::max<std::int32_t>(1, r->interval);
                e.periodType = unitOf(r->freq);
            }
            const char* done = xValue(ev, kDone);
            e.done = done && std::string_view(done) == "TRUE";
            return true;
        }
        case EntryKind::Holiday:
            if (!validTime(start)) return false;
            e.start = datePart(toLocal(start));
            e.elapseInt = advanceDaysOf(ev);
            return true;
        case EntryKind::Plan: {
            if (!validTime(start)) return false;
            e.start = toLocal(start);
            const icaltimetype end = icalcomponent_get_dtend(ev);
            const double len = validTime(end) ? toLocal(end) - e.start : 1.0 / 48.0;
            e.elapseInt = static_cast<std::int32_t>(std::clamp<std::int64_t>(saturatingRound(len * 48.0), 1, 48));
            return true;
        }
    }
    return false;
}

// An event or to-do from another program. False: left out.
bool readForeign(icalcomponent* c, DateTime now, RuleSearch& rules, CalendarEntry& e, CalendarRead& out) {
    const bool todo = icalcomponent_isa(c) == ICAL_VTODO_COMPONENT;
    icaltimetype start = icalcomponent_get_dtstart(c);
    if (todo) {
        icalproperty* due = icalcomponent_get_first_property(c, ICAL_DUE_PROPERTY);
        if (due) {
            const icaltimetype d = icalcomponent_get_due(c);
            if (validTime(d)) start = d;
        }
        if (!validTime(start)) return false;
        e.kind = EntryKind::Task;
        e.start = toLocal(start);
        e.elapseInt = kDefaultActiveHours;
        e.elapseType = puHours;
        e.done = icalcomponent_get_status(c) == ICAL_STATUS_COMPLETED ||
                 icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY) != nullptr;
        return true;
    }
    if (!validTime(start)) return false;
    const auto rule = ruleOf(c);
    if (start.is_date) {
        if (rule && rule->freq == ICAL_YEARLY_RECURRENCE && rule->interval <= 1) {
            e.kind = EntryKind::Holiday;
            e.start = holidayDate(toLocal(start), now);
            e.elapseInt = advanceDaysOf(c);
            return true;
        }
        icaltimetype day = start;
        if (rule) {
            const auto next = rules.next(*rule, start, datePart(now));
            if (!next) {
                out.ruleRefused.push_back(e.title);
                return false;
            }
            day = *next;
            out.ruleNotKept.push_back(e.title);
        }
        e.kind = EntryKind::Plan;
        e.start = toLocal(day);
        e.elapseInt = 48;
        return true;
    }
    e.kind = EntryKind::Task;
    e.start = toLocal(start);
    const icaltimetype end = icalcomponent_get_dtend(c);
    const std::int64_t seconds =
        validTime(end) ? icaltime_as_timet_with_zone(end, end.zone) - icaltime_as_timet_with_zone(start, start.zone)
                       : 0;
    activeTimeOf(seconds, e.elapseInt, e.elapseType);
    if (rule) {
        if (ruleIsOurs(*rule, start)) {
            e.periodInt = std::max<std::int32_t>(1, rule->interval);
            e.periodType = unitOf(rule->freq);
        } else {
            const auto next = rules.next(*rule, start, now);
            if (!next) {
                out.ruleRefused.push_back(e.title);
                return false;
            }
            e.start = toLocal(*next);
            out.ruleNotKept.push_back(e.title);
        }
    }
    return true;
}

// An identifier for a component that has none, made from its text (without
// its time stamp): the same event read again gets the same one.
std::string contentUid(icalcomponent* c) {
    ComponentPtr copy(icalcomponent_new_clone(c));
    while (icalproperty* p = icalcomponent_get_first_property(copy.get(), ICAL_DTSTAMP_PROPERTY)) {
        icalcomponent_remove_property(copy.get(), p);
        icalproperty_free(p);
    }
    char* text = icalcomponent_as_ical_string_r(copy.get());
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (const char* p = text; p && *p; ++p) {
        h ^= static_cast<std::uint8_t>(*p);
        h *= 1099511628211ull;
    }
    std::free(text);
    static const char* hex = "0123456789abcdef";
    std::string s = "event-";
    for (int i = 15; i >= 0; --i) s += hex[(h >> (i * 4)) & 15];
    return s;
}

std::string_view trimmedStart(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
        text.remove_prefix(1);
    return text;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

namespace {

// Blanks and line ends at either end of a text value do not survive every
// reader (libical drops trailing ones), so they do not tell rows apart.
std::string_view trimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

bool sameEntry(const CalendarEntry& a, const CalendarEntry& b) {
    return a.kind == b.kind && trimBlanks(a.title) == trimBlanks(b.title) &&
           trimBlanks(a.comment) == trimBlanks(b.comment) && std::fabs(a.start - b.start) < kHalfSecond &&
           a.periodInt == b.periodInt && a.periodType == b.periodType && a.elapseInt == b.elapseInt &&
           (a.kind == EntryKind::Holiday || a.kind == EntryKind::Plan || a.elapseType == b.elapseType) &&
           a.done == b.done;
}

std::string newUid() {
    static std::mt19937_64 rng{std::random_device{}()};
    static const char* hex = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < 2; ++i) {
        std::uint64_t v = rng();
        for (int k = 0; k < 16; ++k, v >>= 4) s += hex[v & 15];
    }
    return s + "@ostrel-organizer";
}

std::string newUuid() {
    static std::mt19937_64 rng{std::random_device{}()};
    static const char* hex = "0123456789abcdef";
    std::uint64_t a = rng();
    std::uint64_t b = rng();
    a = (a & 0xFFFFFFFFFFFF0FFFull) | 0x4000ull;              // version 4
    b = (b & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;  // variant 1
    std::string s;
    for (int i = 15; i >= 0; --i) {
        s += hex[(a >> (i * 4)) & 15];
        if (i == 8 || i == 4) s += '-';
    }
    s += '-';
    for (int i = 15; i >= 0; --i) {
        s += hex[(b >> (i * 4)) & 15];
        if (i == 12) s += '-';
    }
    return s;
}

std::string writeCalendar(const std::vector<CalendarEntry>& entries, const std::string& tzid) {
    icaltimezone* zone = zoneNamed(tzid);
    ComponentPtr cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//Ostrel//Ostrel Organizer//EN"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    if (zone) {
        // The zone under its plain name, so every reader can match it.
        icalcomponent* vtz = icalcomponent_new_clone(icaltimezone_get_component(zone));
        if (icalproperty* id = icalcomponent_get_first_property(vtz, ICAL_TZID_PROPERTY))
            icalproperty_set_tzid(id, tzid.c_str());
        icalcomponent_add_component(cal.get(), vtz);
    }
    const icaltimetype stamp = icaltime_from_timet_with_zone(std::time(nullptr), 0, icaltimezone_get_utc_timezone());
    for (const CalendarEntry& e : entries)
        icalcomponent_add_component(cal.get(), eventOf(e, zone, zone ? tzid.c_str() : nullptr, stamp));
    char* s = icalcomponent_as_ical_string_r(cal.get());
    std::string out = s ? s : "";
    std::free(s);
    cal.reset();
    releaseTemporaries();
    return out;
}

namespace {

// One calendar of a file: its zones' text and its events and to-dos, each
// as its own text.
struct CalendarText {
    bool ended = false;  // END:VCALENDAR seen
    std::string zones;
    std::vector<std::string_view> items;
};

// The name after "BEGIN:" or "END:" of a line, upper case; empty for any
// other line.
std::string componentName(std::string_view line, std::string_view keyword) {
    if (!startsWithNoCase(line, keyword)) return {};
    std::string name;
    for (const char c : line.substr(keyword.size())) {
        if (c == ' ' || c == '\t' || c == '\r') break;
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

// Splits a file into its calendars and their components by the BEGIN and
// END lines, without parsing a property: each event is then parsed on its
// own, so a big file never stands whole in libical's memory and the work
// can stop between two events.
std::vector<CalendarText> splitCalendars(std::string_view body) {
    std::vector<CalendarText> calendars;
    int depth = 0;
    std::size_t componentStart = 0;
    std::string componentKind;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t eol = body.find('\n', pos);
        const std::size_t next = eol == std::string_view::npos ? body.size() : eol + 1;
        const std::string_view line = body.substr(pos, next - pos);
        if (const std::string begin = componentName(line, "BEGIN:"); !begin.empty()) {
            if (depth == 0 && begin == "VCALENDAR") calendars.emplace_back();
            if (depth == 1) {
                componentStart = pos;
                componentKind = begin;
            }
            if (depth > 0 || begin == "VCALENDAR") ++depth;
        } else if (depth > 0 && !componentName(line, "END:").empty()) {
            --depth;
            if (depth == 0 && !calendars.empty()) calendars.back().ended = true;
            if (depth == 1 && !calendars.empty()) {
                const std::string_view component = body.substr(componentStart, next - componentStart);
                if (componentKind == "VTIMEZONE") calendars.back().zones.append(component);
                else if (componentKind == "VEVENT" || componentKind == "VTODO")
                    calendars.back().items.push_back(component);
            }
        }
        pos = next;
    }
    // A component the file does not end: taken as far as it goes.
    if (depth >= 2 && !calendars.empty() && (componentKind == "VEVENT" || componentKind == "VTODO"))
        calendars.back().items.push_back(body.substr(componentStart));
    return calendars;
}

// Backspace, form feed and carriage return are no part of a value as
// libical writes it (it drops them), so one read from a file would not
// come back: dropped from a UID as the writer drops them, and in text a
// carriage return is a line end like LF.
bool droppedByWriter(char c) { return c == '\b' || c == '\f' || c == '\r'; }

// Blanks at either end of a UID do not survive libical's reader either.
std::string uidAsWritten(std::string s) {
    std::erase_if(s, droppedByWriter);
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.back())) s.pop_back();
    std::size_t first = 0;
    while (first < s.size() && blank(s[first])) ++first;
    return s.substr(first);
}

std::string textAsWritten(const std::string& s) {
    if (std::none_of(s.begin(), s.end(), droppedByWriter)) return s;
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n')) out += '\n';
        else if (!droppedByWriter(s[i])) out += s[i];
    }
    return out;
}

// What an event may hold beside its title and comment.
constexpr std::size_t kItemSlackBytes = 64 * 1024;

// The start of the SUMMARY value of an event's text, as written (for the
// list of entries left out unread).
std::string summaryLineOf(std::string_view item) {
    std::size_t pos = 0;
    while (pos < item.size()) {
        const std::size_t eol = std::min(item.find('\n', pos), item.size());
        const std::string_view line = item.substr(pos, eol - pos);
        if (startsWithNoCase(line, "SUMMARY")) {
            const std::size_t colon = line.find(':');
            if (colon != std::string_view::npos) {
                std::string value(line.substr(colon + 1, 64));
                std::erase(value, '\r');
                return value;
            }
        }
        pos = eol + 1;
    }
    return {};
}

std::string shortTitle(const std::string& title) {
    constexpr std::size_t kShown = 60;
    if (title.size() <= kShown) return title;
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(title[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    return title.substr(0, cut) + "…";
}

}  // namespace

bool mayBeCalendar(std::string_view head) {
    head = trimmedStart(head);
    constexpr std::string_view kFirst = "BEGIN:VCALENDAR";
    return startsWithNoCase(head.substr(0, std::min(head.size(), kFirst.size())),
                            kFirst.substr(0, std::min(head.size(), kFirst.size())));
}

CalendarRead readCalendar(std::string_view text, const std::string& tzid, DateTime now, const ReadLimits& limits) {
    g_localZone = tzid;
    const std::string_view body = trimmedStart(text);
    if (!startsWithNoCase(body, "BEGIN:VCALENDAR")) throw ExchangeError("it does not begin with BEGIN:VCALENDAR");
    const std::vector<CalendarText> calendars = splitCalendars(body);
    std::size_t total = 0;
    bool anyEnded = false;
    for (const CalendarText& cal : calendars) {
        total += cal.items.size();
        anyEnded = anyEnded || cal.ended;
    }
    if (total == 0 && !anyEnded) throw ExchangeError("it holds no VCALENDAR that ends");
    if (total > limits.maxEntries) throw ExchangeLimitError(ExchangeLimit::Entries, limits.maxEntries);

    CalendarRead out;
    RuleSearch rules(limits.ruleSteps, limits.ruleSeconds);
    std::size_t done = 0;
    for (const CalendarText& cal : calendars) {
        // The events are read inside a calendar of the file's own zones, so
        // their TZIDs find them.
        const std::string shellText = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + cal.zones + "END:VCALENDAR\r\n";
        ComponentPtr shell(icalparser_parse_string(shellText.c_str()));
        if (!shell || icalcomponent_isa(shell.get()) != ICAL_VCALENDAR_COMPONENT)
            shell.reset(icalcomponent_new_vcalendar());
        for (const std::string_view itemText : cal.items) {
            if (limits.step && !limits.step(done, total)) throw ExchangeStopped();
            ++done;
            // An event longer than its longest title and comment can be is
            // not handed to libical (whose time grows with the square of a
            // long line's length).
            if (itemText.size() > limits.maxTitleBytes + limits.maxCommentBytes + kItemSlackBytes) {
                out.tooLong.push_back(shortTitle(summaryLineOf(itemText)));
                ++out.skipped;
                continue;
            }
            const std::string copy(itemText);
            ComponentPtr item(icalparser_parse_string(copy.c_str()));
            const icalcomponent_kind k = item ? icalcomponent_isa(item.get()) : ICAL_NO_COMPONENT;
            if (k != ICAL_VEVENT_COMPONENT && k != ICAL_VTODO_COMPONENT) {
                ++out.skipped;
                continue;
            }
            icalcomponent* c = item.get();
            icalcomponent_add_component(shell.get(), c);
            struct Detach {
                icalcomponent* shell;
                icalcomponent* c;
                ~Detach() { icalcomponent_remove_component(shell, c); }
            } detach{shell.get(), c};
            if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY)) {
                ++out.skipped;  // one changed occurrence of a series
                continue;
            }
            CalendarEntry e;
            if (icalproperty* u = icalcomponent_get_first_property(c, ICAL_UID_PROPERTY))
                if (const char* s = icalproperty_get_uid(u)) e.uid = uidAsWritten(s);
            if (e.uid.empty()) e.uid = contentUid(c);
            e.title = textAsWritten(textOf(c, ICAL_SUMMARY_PROPERTY));
            e.comment = textAsWritten(textOf(c, ICAL_DESCRIPTION_PROPERTY));
            if (e.title.size() > limits.maxTitleBytes || e.comment.size() > limits.maxCommentBytes) {
                out.tooLong.push_back(shortTitle(e.title));
                ++out.skipped;
                continue;
            }
            const char* kindText = xValue(c, kKind);
            const auto kind = kindText ? kindFromName(kindText) : std::nullopt;
            const bool ok =
                kind && k == ICAL_VEVENT_COMPONENT ? readOurs(c, *kind, e) : readForeign(c, now, rules, e, out);
            if (!ok || !inServiceRange(e.start)) {
                ++out.skipped;
                continue;
            }
            out.entries.push_back(std::move(e));
        }
    }
    releaseTemporaries();
    if (limits.step) limits.step(total, total);
    return out;
}

}  // namespace ostrel::exchange
