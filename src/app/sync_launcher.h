#pragma once
// Starts the sync helper ostrel-sync (docs/sync.md) from the running
// clock: on the chosen interval ([Sync] Interval, minutes, 0 = off), a
// short while after a local change, and when asked. The helper syncs and
// exits; the clock never loads its network or keyring code.

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

namespace ostrel {

class TDataModule1;
class ClockChangeWatcher;
class DatabaseWatcher;
class ReminderEngine;

class SyncLauncher : public QObject {
    Q_OBJECT
public:
    // The delay between a local change and the sync it starts.
    static constexpr int kAfterChangeMs = 60 * 1000;
    // The delay between a resume (or a step of the system clock) and the
    // sync it starts: the network is seldom back at once.
    static constexpr int kAfterResumeMs = 30 * 1000;

    // watcher: changes it announces came from another process and start
    // no sync.
    SyncLauncher(TDataModule1& data, DatabaseWatcher* watcher, QObject* parent = nullptr);

    // Starts the helper now unless no account is set up or a run is going.
    void runNow();
    // Whether an account is set up ([Sync] Url and User).
    static bool configured();
    // The helper's arguments for one run.
    static QStringList arguments();

    QTimer* intervalTimer() { return &interval_; }
    QTimer* changeTimer() { return &afterChange_; }
    QTimer* resumeTimer() { return &afterResume_; }
    ClockChangeWatcher* clockWatcher() { return clockWatcher_; }

private:
    void followInterval();
    QTimer interval_;
    QTimer afterChange_;
    QTimer afterResume_;
    ClockChangeWatcher* clockWatcher_ = nullptr;
    QProcess* helper_ = nullptr;
};

// Made once by the application after the data module, with the watcher
// that lets the clock see other processes' commits (data/database_watcher.h).
void startSyncLauncher(TDataModule1& data, ReminderEngine& engine);

}  // namespace ostrel
