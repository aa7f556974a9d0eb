#pragma once
// iCalendar (RFC 5545) files in and out, through libical, on plain rows.
//
// Date-times are the program's local date-time values. Writing names the
// local time zone (tzid, an IANA name such as "Europe/Berlin") on every
// time and adds its VTIMEZONE; without a zone libical knows, times are
// written in UTC. Reading converts every time with a zone (TZID, UTC) to
// local time; floating times are taken as local.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/period.h"
#include "core/time/datetime.h"

namespace ostrel::exchange {

// A file that cannot be read as what it claims to be.
class ExchangeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a file may hold at most; more refuses the whole file.
enum class ExchangeLimit : std::uint8_t {
    Entries,  // events and to-dos of a calendar
    Cards,    // cards of a vCard file
};

class ExchangeLimitError : public ExchangeError {
public:
    ExchangeLimitError(ExchangeLimit which, std::size_t limit)
        : ExchangeError("the file holds more than the limit"), which(which), limit(limit) {}
    ExchangeLimit which;
    std::size_t limit;
};

// The reading was stopped from outside (ReadLimits::step said so).
class ExchangeStopped : public ExchangeError {
public:
    ExchangeStopped() : ExchangeError("stopped") {}
};

// The work one file may cost. The defaults keep a file's reading within a
// few seconds and a few hundred megabytes (docs/exchange.md, Limits).
struct ReadLimits {
    std::size_t maxEntries = 100000;
    // An entry with a longer title or comment is left out (listed in
    // CalendarRead::tooLong).
    std::size_t maxTitleBytes = 64 * 1024;
    std::size_t maxCommentBytes = 1024 * 1024;
    // Occurrences worked out, and the time spent on them, for all rules of
    // one file taken as their next occurrence; a rule beyond is left out
    // (listed in CalendarRead::ruleRefused).
    long ruleSteps = 100000;
    double ruleSeconds = 2.0;
    // Called before each event with the number read and the number in all;
    // false stops the reading (ExchangeStopped is thrown).
    std::function<bool(std::size_t done, std::size_t total)> step;
};

enum class EntryKind : std::uint8_t {
    Task,        // due at a date and time (ToDo MesType 0/10)
    AfterStart,  // due a delay after the system started (MesType 3/13)
    Holiday,     // a date every year (MesType 2)
    Plan,        // a run of half-hour slots of one day (MesType 1)
};

// One ToDo row as it travels. Columns per kind as in the ToDo table:
//   Task:       start = FirstDT (due time), period*, elapse* = active time
//   AfterStart: start = FirstDT (the delay, a day fraction), same otherwise
//   Holiday:    start = FirstDT (the date), elapseInt = days of advance
//   Plan:       start = ShowDT, elapseInt = number of half-hour slots
struct CalendarEntry {
    EntryKind kind = EntryKind::Task;
    std::string uid;
    std::string title;    // UTF-8
    std::string comment;  // UTF-8
    DateTime start = 0.0;
    std::int32_t periodInt = 0;
    PeriodUnit periodType = puNone;
    std::int32_t elapseInt = 0;
    PeriodUnit elapseType = puNone;
    bool done = false;  // a one-time task the reminder engine has dealt with
    // Writing an AfterStart task only: when it is due in this session
    // (ShowDT), the time other programs show it at.
    DateTime dueAt = 0.0;
};

// Whether two entries hold the same row (times within half a second, blanks
// around the title and comment ignored; the uid and dueAt are not
// compared).
bool sameEntry(const CalendarEntry& a, const CalendarEntry& b);

struct CalendarRead {
    std::vector<CalendarEntry> entries;
    // Titles of repeating events whose rule a task cannot repeat by: each was
    // taken as its next occurrence (the last one when the series has ended).
    std::vector<std::string> ruleNotKept;
    // Titles of repeating events whose next occurrence cannot be worked out
    // (a rule whose parts never meet, an occurrence every second narrowed by
    // other parts, the file's budget spent): left out.
    std::vector<std::string> ruleRefused;
    // Titles (the first 60 bytes) of entries left out for a title or comment
    // longer than the limit.
    std::vector<std::string> tooLong;
    // Components left out: changed single occurrences, to-dos without a
    // date, events without a start, and those listed above.
    int skipped = 0;
};

// The text of a calendar holding the entries, CRLF lines folded at 75
// octets.
std::string writeCalendar(const std::vector<CalendarEntry>& entries, const std::string& tzid);

// Reads the events and to-dos of a calendar. One without a UID gets one
// made from its text ("event-<hash>"), the same each time it is read. now: the present, for the
// next occurrence of a rule not kept and for a holiday's stored year.
// Each event is parsed on its own (the file is never whole in libical's
// memory). Throws ExchangeError when the text is not an iCalendar object,
// ExchangeLimitError when it holds more entries than allowed.
CalendarRead readCalendar(std::string_view text, const std::string& tzid, DateTime now, const ReadLimits& limits = {});

// Whether a file beginning with these bytes may be a calendar (after a BOM
// and blank lines, BEGIN:VCALENDAR or the start of it): a file that cannot
// be is refused before the rest is read.
bool mayBeCalendar(std::string_view head);

// A new unique identifier ("<random hex>@ostrel-organizer").
std::string newUid();
// A random (version 4) UUID, "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".
std::string newUuid();

}  // namespace ostrel::exchange
