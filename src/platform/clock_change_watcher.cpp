#include "platform/clock_change_watcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>

#include <sys/timerfd.h>
#include <unistd.h>

namespace ostrel {

ClockChangeWatcher::ClockChangeWatcher(QObject* parent) : QObject(parent) {
    fd_ = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0) return;
    arm();
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ClockChangeWatcher::readEvent);
}

ClockChangeWatcher::~ClockChangeWatcher() {
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

void ClockChangeWatcher::arm() {
    // An absolute expiry that never comes: only a clock change cancels it.
    itimerspec spec{};
    // 2200-01-01 (2038 where time_t has 32 bits).
    spec.it_value.tv_sec = sizeof(time_t) > 4 ? static_cast<time_t>(7258118400LL) : static_cast<time_t>(0x7fffffff);
    if (timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr) != 0) {
        if (notifier_) notifier_->setEnabled(false);
        ::close(fd_);
        fd_ = -1;
    }
}

void ClockChangeWatcher::readEvent() {
    std::uint64_t expirations = 0;
    const ssize_t n = ::read(fd_, &expirations, sizeof expirations);
    if (n < 0 && errno == EAGAIN) return;
    // ECANCELED: the clock was changed; the timer must be armed again. (An
    // expiry, in 2038, is treated the same way.)
    arm();
    emit clockChanged();
}

}  // namespace ostrel
