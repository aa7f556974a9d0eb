#include "core/time/clock_service.h"

#include <chrono>
#include <ctime>

namespace ostrel {
namespace {
SystemClock g_systemClock;
ClockService* g_clock = &g_systemClock;
}  // namespace

DateTime SystemClock::now() const {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const double secs = std::chrono::duration<double>(since).count();
    return fromUnixSecondsLocal(secs);
}

std::uint64_t SystemClock::msSinceBoot() const {
#if defined(__linux__)
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
#else
    // steady_clock counts from boot on the other supported systems.
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
#endif
}

ClockService& clock() { return *g_clock; }

ClockService* setClockService(ClockService* service) {
    ClockService* previous = g_clock;
    g_clock = service ? service : &g_systemClock;
    return previous == &g_systemClock ? nullptr : previous;
}

}  // namespace ostrel
