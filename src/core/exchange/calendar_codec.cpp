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
#include "core/exchange/ical_rules.h"

namespace ostrel::exchange {
namespace {

using ical::dateOnly;
using ical::isLocalZone;
using ical::localTime;
using ical::RuleSearch;
using ical::setCivil;
using ical::toLocal;
using ical::validTime;
using ical::zoneNamed;

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

using ical::emptyBy;

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
    ical::setLocalZone(tzid);
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
