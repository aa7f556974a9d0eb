#pragma once
// The backup commands of the program: the check of the database at start,
// "Back up now", "Restore from backup..." and the daily copy.

#include <QString>
#include <QStringList>

#include <future>

class QObject;

namespace ostrel {

// The check of the database at start, run while the clock is made: the
// constructor starts PRAGMA quick_check on a worker thread (on its own
// read-only connection, which it closes); finish() waits for it and, when
// it fails, tells the user and offers the newest sound backup copy; the
// damaged file is kept in "Backups/replaced <date time>", never deleted.
// finish() returns true when a copy was restored. A database that another
// program holds locked is never called damaged: the user is told it is in
// use and may retry (StartupEnded with exit code 1 when not). A quit asked
// for meanwhile ends the start-up (StartupEnded, exit code 0). Nothing else
// may open the database before finish() returns.
class DatabaseCheck {
public:
    DatabaseCheck();
    ~DatabaseCheck();
    DatabaseCheck(const DatabaseCheck&) = delete;
    DatabaseCheck& operator=(const DatabaseCheck&) = delete;
    bool finish();

private:
    void start();
    QString db_;
    std::future<QStringList> problems_;
};

// The commands of the clock menu's "Exchange" submenu.
void backUpNow();
void restoreFromBackup();

// Makes the daily copy when none was made today (by clock()) and the
// program is idle: no modal dialog or menu open, no reminder pass running.
// A copy that fails is reported once and not tried again that day. Returns
// true when a copy was made.
bool runDailyBackupIfDue();
// Starts the minute timer that calls runDailyBackupIfDue.
void installDailyBackup(QObject* parent);

}  // namespace ostrel
