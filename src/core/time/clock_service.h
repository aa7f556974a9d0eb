#pragma once
// The one source of "the present" and of the time since system start.
// Production code asks clock(); tests install their own service with
// ScopedClock (tests/support) or setClockService().

#include <cstdint>

#include "core/time/datetime.h"

namespace ostrel {

class ClockService {
public:
    virtual ~ClockService() = default;
    // The present as a local date-time.
    virtual DateTime now() const = 0;
    // Milliseconds since the operating system started (64-bit, no wrap).
    virtual std::uint64_t msSinceBoot() const = 0;

    // Estimated moment the operating system started.
    DateTime bootTime() const { return now() - static_cast<double>(msSinceBoot()) / kMsPerDay; }
};

// Reads the machine's real-time and boot-time clocks.
class SystemClock final : public ClockService {
public:
    DateTime now() const override;
    std::uint64_t msSinceBoot() const override;
};

ClockService& clock();
// Replaces the service (nullptr restores the system clock). Returns the
// previous one. The caller keeps ownership.
ClockService* setClockService(ClockService* service);

}  // namespace ostrel
