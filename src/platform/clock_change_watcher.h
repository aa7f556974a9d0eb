#pragma once
// Tells when the system clock jumps: set by the user, stepped by a time
// correction, or the machine resumed from suspend. A timerfd on
// CLOCK_REALTIME armed far in the future with TFD_TIMER_CANCEL_ON_SET; the
// kernel cancels it on every discontinuous change of the real-time clock,
// and on resume, and the socket notifier wakes the GUI thread only then.
// Nothing wakes the process while the clock runs smoothly.

#include <QObject>

class QSocketNotifier;

namespace ostrel {

class ClockChangeWatcher : public QObject {
    Q_OBJECT
public:
    explicit ClockChangeWatcher(QObject* parent = nullptr);
    ~ClockChangeWatcher() override;

    // False where the facility is missing (then nothing is ever reported).
    bool isWatching() const { return fd_ >= 0; }

signals:
    // The real-time clock jumped or the machine resumed.
    void clockChanged();

private:
    void arm();
    void readEvent();
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace ostrel
