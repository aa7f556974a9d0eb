#pragma once
// The "Internet" time correction: asks the time servers (the settings'
// "InternetTime"/"Servers" list, or three public pools), shows the mean
// offset, and on Yes moves the system clock by it. Runs without blocking
// the event loop; runningChanged() tells the application when to disable
// and enable the menu item.

#include <QList>
#include <QObject>

#include <optional>
#include <vector>

#include "core/timesync/sntp.h"
#include "platform/system_clock.h"
#include "timesync/sntp_client.h"

namespace ostrel {

// The servers to ask: the settings' list when it names at least one
// usable entry, otherwise the defaults. Nothing when the settings file
// cannot be read (reported as the settings helper does).
std::optional<std::vector<TimeServer>> configuredTimeServers();

class InternetTimeCorrection : public QObject {
    Q_OBJECT
public:
    // The system's resolver and clock setter (systemClockSetter()).
    explicit InternetTimeCorrection(QObject* parent = nullptr);
    InternetTimeCorrection(HostResolver& resolver, SystemClockSetter& setter, QObject* parent = nullptr);

    // The command. Ignored while one is running.
    void start();
    bool isRunning() const { return running_; }

    SntpClient& client() { return client_; }

signals:
    void runningChanged(bool running);

private:
    void exchangeFinished(const QList<double>& offsetsMs);
    void stepDone(const ClockStepResult& result);
    void setRunning(bool running);

    SntpClient client_;
    SystemClockSetter* setter_ = nullptr;
    bool running_ = false;
};

}  // namespace ostrel
