#pragma once
// The reminder engine's decisions that need no database: active windows and
// the walk of a repeating entry from occurrence to occurrence.
//
// The occurrences of a repeating entry are T0, T1 = AddPeriod(T0), T2 =
// AddPeriod(T1), ... Stepping through them one by one costs time in
// proportion to the number of periods walked (a task repeating every minute
// since five years: 2.6 million steps), so the walk jumps: within a stretch
// where the result of one step is known to be exact, the k-th occurrence is
// computed directly. The jump lands on exactly the value that stepping would
// reach, bit for bit, so that times stored by one pass compare equal to the
// ones a later pass computes.

#include <cstdint>
#include <functional>

#include "core/data/period.h"
#include "core/time/datetime.h"

namespace ostrel {

// The end of the active window of an occurrence at t.
inline DateTime activeEnd(DateTime t, PeriodUnit elapseType, std::int32_t elapseInt) {
    return AddPeriod(elapseType, elapseInt, t);
}

// One-time task found at now, due at showDT: shown while now is not later
// than the end of its active window (the end itself included). Nothing
// outside inServiceRange() is ever active.
bool onceTaskActive(DateTime now, DateTime showDT, PeriodUnit elapseType, std::int32_t elapseInt);

// Occurrence of a repeating task or holiday at t: shown while t <= now and
// now is before the end of its active window (the end excluded).
bool occurrenceActive(DateTime now, DateTime t, PeriodUnit elapseType, std::int32_t elapseInt);

// Whether a row can be walked at all: a known unit and a positive count.
// A row failing this must not enter the walk (it would never leave it).
inline bool isRepeating(PeriodUnit periodType, std::int64_t periodInt) {
    return isPeriodUnit(periodType) && periodInt > 0 && periodInt <= INT32_MAX;
}

// Walks from t while keepGoing(occurrence) holds and returns the first
// occurrence for which it does not. keepGoing must hold for a leading run of
// the occurrences and fail for all after (a monotone test such as
// "occurrence <= now"). Requires isRepeating(unit, count). If the walk stops
// advancing (a date-time so large that a step no longer changes it), the
// last occurrence is returned. An occurrence outside inServiceRange() ends
// the walk: it is returned as it is (t itself when t lies outside).
DateTime skipOccurrences(DateTime t, PeriodUnit unit, std::int32_t count,
                         const std::function<bool(DateTime)>& keepGoing);

// The first occurrence from t on that lies after now (t itself when it does).
DateTime nextOccurrenceAfter(DateTime t, PeriodUnit unit, std::int32_t count, DateTime now);

// The first occurrence from t on whose active window may still contain now:
// every occurrence before it ends its window at or before now. Walking on
// one by one from here meets every active occurrence. When no occurrence can
// be active (an empty or negative active time, an unknown unit) this is the
// first occurrence after now.
DateTime firstPossiblyActive(DateTime t, PeriodUnit unit, std::int32_t count, PeriodUnit elapseType,
                             std::int32_t elapseInt, DateTime now);

// Steps one occurrence at a time (no jumps); for checking the walk.
DateTime nextOccurrenceAfterByStepping(DateTime t, PeriodUnit unit, std::int32_t count, DateTime now);

}  // namespace ostrel
