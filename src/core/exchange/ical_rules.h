#pragma once
// Inside the calendar codec: libical times read as the program's local
// date-times, and repetition rules taken as their next occurrence within a
// budget of steps and time (a file's rules share it).

#include <libical/ical.h>

#include <chrono>
#include <optional>
#include <string>

#include "core/time/datetime.h"

namespace ostrel::exchange::ical {

// The local zone's name while a file is read on this thread: a time in
// that zone is taken as written.
void setLocalZone(const std::string& tzid);
// An empty BY part of a rule.
inline bool emptyBy(const short* by) { return by[0] == ICAL_RECURRENCE_ARRAY_MAX; }
void setCivil(icaltimetype& t, const CivilDateTime& c);
icaltimezone* zoneNamed(const std::string& tzid);
icaltimetype localTime(DateTime dt, icaltimezone* zone);
icaltimetype dateOnly(DateTime dt);
bool isLocalZone(const icaltimezone* zone);
DateTime toLocal(icaltimetype t);
bool validTime(icaltimetype t);

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

}  // namespace ostrel::exchange::ical
