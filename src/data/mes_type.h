#pragma once
// The kind of a ToDo row (its MesType column). The stored integer appears
// only where a row is read or written (mesTypeFromStored, storedMesType) and
// in the code lists of SQL conditions (storedMesTypeList).

#include <cstdint>
#include <initializer_list>
#include <string>

namespace ostrel {

enum MesType : std::uint8_t {
    mtOnceAtTime,          // a task due at a date and time
    mtPlan,                // a run of half-hour slots of the schedule
    mtHoliday,             // a date every year
    mtOnceAfterStart,      // a task due a delay after the system started
    mtOnceAtTimeDone,      // mtOnceAtTime the reminder engine has dealt with
    mtOnceAfterStartDone,  // mtOnceAfterStart the reminder engine has dealt with
    mtUnknown,             // a stored code this program does not know
};

// A stored code; anything unknown reads as mtUnknown.
MesType mesTypeFromStored(std::int64_t stored);
// The code that stands for the kind in a row (-1 for mtUnknown, which is
// never written).
std::int64_t storedMesType(MesType type);
// The codes of the kinds as an SQL list: "(0, 3)".
std::string storedMesTypeList(std::initializer_list<MesType> types);

// The four kinds of a task (pending or dealt with).
inline constexpr bool isTask(MesType type) {
    return type == mtOnceAtTime || type == mtOnceAfterStart || type == mtOnceAtTimeDone || type == mtOnceAfterStartDone;
}
inline constexpr bool isAfterStart(MesType type) { return type == mtOnceAfterStart || type == mtOnceAfterStartDone; }
inline constexpr bool isDealtWith(MesType type) { return type == mtOnceAtTimeDone || type == mtOnceAfterStartDone; }
// A pending task marked dealt with, and back; other kinds as they are.
inline constexpr MesType dealtWith(MesType type) {
    return type == mtOnceAtTime ? mtOnceAtTimeDone : type == mtOnceAfterStart ? mtOnceAfterStartDone : type;
}
inline constexpr MesType pending(MesType type) {
    return type == mtOnceAtTimeDone ? mtOnceAtTime : type == mtOnceAfterStartDone ? mtOnceAfterStart : type;
}

}  // namespace ostrel
