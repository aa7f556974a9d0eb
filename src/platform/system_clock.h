#pragma once
// Stepping the computer's clock. The process sets it itself when it may
// (clock_settime); otherwise it asks the system's time-date service
// (org.freedesktop.timedate1 on the system bus), which may ask the user for
// authorisation. The answer comes back asynchronously, with the reason when
// the clock was not moved. Tests install a fake with setSystemClockSetter()
// and never move the real clock.

#include <QDBusConnection>
#include <QString>

#include <time.h>
#include <cstdint>
#include <functional>

namespace ostrel {

enum class ClockStepStatus {
    Done,           // the clock was moved
    NoPermission,   // neither the process nor the user may set the time
    AutomaticSync,  // the system synchronises its clock itself (NTP on)
    Refused,        // the time-date service refused (authorisation dismissed, other error)
    Unavailable,    // no way to set the time: no system bus or no time-date service
};

struct ClockStepResult {
    ClockStepStatus status = ClockStepStatus::Done;
    QString detail;  // the system's own words, when it gave any
};

class SystemClockSetter {
public:
    virtual ~SystemClockSetter() = default;
    // Moves the clock by offsetUs microseconds, counted from the moment
    // the step is made. done is called exactly once, possibly before step
    // returns.
    virtual void step(std::int64_t offsetUs, std::function<void(const ClockStepResult&)> done) = 0;
};

// clock_settime, then the time-date service over D-Bus.
class LinuxClockSetter final : public SystemClockSetter {
public:
    // How the process sets the clock itself; returns 0 or an errno value.
    using DirectSetter = std::function<int(std::int64_t offsetUs)>;

    // The real clock_settime and the system bus.
    LinuxClockSetter();
    // For tests: a stand-in for clock_settime and another bus.
    LinuxClockSetter(DirectSetter direct, QDBusConnection bus);

    void step(std::int64_t offsetUs, std::function<void(const ClockStepResult&)> done) override;

    // How long the service may take to answer (the user may be typing a
    // password into an authorisation dialog).
    int callTimeoutMs = 5 * 60 * 1000;

private:
    DirectSetter direct_;
    QDBusConnection bus_;
};

SystemClockSetter& systemClockSetter();
// Replaces the setter (nullptr restores the real one); the caller keeps
// ownership. Returns the previous replacement, if any.
SystemClockSetter* setSystemClockSetter(SystemClockSetter* setter);

}  // namespace ostrel
