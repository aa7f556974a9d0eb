#include "core/time/clock_from_environment.h"

#include <chrono>
#include <cstdlib>
#include <string>

#include "core/time/clock_service.h"

namespace ostrel {
namespace {

class StartedClock final : public ClockService {
public:
    StartedClock(DateTime start, std::uint64_t uptimeMs)
        : start_(start), uptime_(uptimeMs), began_(std::chrono::steady_clock::now()) {}
    DateTime now() const override { return start_ + static_cast<double>(elapsedMs()) / kMsPerDay; }
    std::uint64_t msSinceBoot() const override { return uptime_ + elapsedMs(); }

private:
    std::uint64_t elapsedMs() const {
        const auto d = std::chrono::steady_clock::now() - began_;
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
    }
    DateTime start_;
    std::uint64_t uptime_;
    std::chrono::steady_clock::time_point began_;
};

}  // namespace

bool installClockFromEnvironment() {
    const char* start = std::getenv("OSTREL_CLOCK_START");
    if (!start || !*start) return false;
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start || !inServiceRange(value)) return false;
    std::uint64_t uptime = SystemClock().msSinceBoot();
    if (const char* up = std::getenv("OSTREL_CLOCK_UPTIME_MS"); up && *up) uptime = std::strtoull(up, nullptr, 10);
    static StartedClock clock(value, uptime);
    setClockService(&clock);
    return true;
}

}  // namespace ostrel
