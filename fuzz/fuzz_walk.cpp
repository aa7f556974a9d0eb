// The walk of repeating entries on arbitrary start times, periods, active
// times and presents: it ends, lands where stepping lands, and never runs
// outside the years the engine works with.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/data/reminder_walk.h"

namespace {

template <typename T>
T take(const std::uint8_t*& p, std::size_t& n) {
    T v{};
    const std::size_t k = n < sizeof v ? n : sizeof v;
    std::memcpy(&v, p, k);
    p += k;
    n -= k;
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel;
    const auto t = take<double>(data, size);
    const auto unit = static_cast<PeriodUnit>(take<std::uint8_t>(data, size));
    const auto count = take<std::int32_t>(data, size);
    const auto eType = static_cast<PeriodUnit>(take<std::uint8_t>(data, size));
    const auto eInt = take<std::int32_t>(data, size);
    // The present: an offset from the start in days, or a value of its own.
    const auto nowRaw = take<double>(data, size);
    const bool nowAbsolute = (take<std::uint8_t>(data, size) & 1) != 0;
    const DateTime now = nowAbsolute ? nowRaw : t + std::fmod(nowRaw, 100000.0);

    (void)onceTaskActive(now, t, eType, eInt);
    (void)occurrenceActive(now, t, eType, eInt);
    if (!isRepeating(unit, count)) return 0;
    const PeriodUnit u = unit;

    const DateTime next = nextOccurrenceAfter(t, u, count, now);
    if (inServiceRange(t) && inServiceRange(next) && !(next > now) && inServiceRange(now)) __builtin_trap();
    if (!inServiceRange(t) && !(next == t || (std::isnan(t) && std::isnan(next)))) __builtin_trap();

    // Where few steps are needed, the jumps must land where stepping lands.
    const double stepDays = std::fabs(AddPeriod(u, count, t) - t);
    if (inServiceRange(t) && inServiceRange(now) && stepDays > 0 && (now - t) / stepDays < 20000) {
        if (nextOccurrenceAfterByStepping(t, u, count, now) != next) __builtin_trap();
    }

    // The start-up pass: from the first occurrence that may be active, step
    // on while the present is reached (bounded here; the engine's own bound
    // is its business).
    DateTime x = firstPossiblyActive(t, u, count, eType, eInt, now);
    for (int i = 0; i < 1000 && inServiceRange(x) && now >= x; ++i) {
        (void)occurrenceActive(now, x, eType, eInt);
        const DateTime step = AddPeriod(u, count, x);
        if (!(step > x)) break;
        x = step;
    }
    return 0;
}
