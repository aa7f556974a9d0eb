// iCalendar files of any content: read, and what was read written and read
// again to the same entries. Written without a zone (UTC times): the zone's
// VTIMEZONE, written and parsed again with every input, made each run a
// hundred times slower; scripts/fuzz.sh keeps the inputs small.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/exchange/calendar_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel::exchange;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ostrel::DateTime now = 46366.5;  // 2026-12-10 12:00
    // A small budget for the rules: a rule that spends it is left out, as
    // one that spends a file's budget is.
    static const ReadLimits limits = [] {
        ReadLimits l;
        l.ruleSteps = 2000;
        l.ruleSeconds = 0.05;
        return l;
    }();
    CalendarRead first;
    try {
        first = readCalendar(text, "Europe/Berlin", now, limits);
    } catch (const ExchangeError&) {
        return 0;
    }
    if (first.entries.empty()) return 0;
    const CalendarRead second = readCalendar(writeCalendar(first.entries, ""), "Europe/Berlin", now, limits);
    if (second.entries.size() != first.entries.size()) __builtin_trap();
    for (std::size_t i = 0; i < first.entries.size(); ++i)
        if (second.entries[i].uid != first.entries[i].uid || second.entries[i].kind != first.entries[i].kind)
            __builtin_trap();
    return 0;
}
