#pragma once
// A clock that stands still until a test moves it.

#include "core/time/clock_service.h"

namespace ostrel::testing {

class FakeClock final : public ClockService {
public:
    explicit FakeClock(DateTime now = 46000.5, std::uint64_t msSinceBoot = 3600000) : now_(now), boot_(msSinceBoot) {}
    DateTime now() const override { return now_; }
    std::uint64_t msSinceBoot() const override { return boot_; }

    void setNow(DateTime now) { now_ = now; }
    void setMsSinceBoot(std::uint64_t ms) { boot_ = ms; }
    // Moves both clocks on together.
    void advanceMs(std::uint64_t ms) {
        now_ += static_cast<double>(ms) / kMsPerDay;
        boot_ += ms;
    }

private:
    DateTime now_;
    std::uint64_t boot_;
};

// Installs a FakeClock for the lifetime of the object.
class ScopedFakeClock {
public:
    explicit ScopedFakeClock(DateTime now = 46000.5, std::uint64_t msSinceBoot = 3600000) : clock_(now, msSinceBoot) {
        previous_ = setClockService(&clock_);
    }
    ~ScopedFakeClock() { setClockService(previous_); }
    ScopedFakeClock(const ScopedFakeClock&) = delete;
    ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;
    FakeClock* operator->() { return &clock_; }
    FakeClock& get() { return clock_; }

private:
    FakeClock clock_;
    ClockService* previous_ = nullptr;
};

}  // namespace ostrel::testing
