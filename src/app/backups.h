#pragma once
// The backup commands of the program: the check of the database at start,
// "Back up now", "Restore from backup..." and the daily copy.

class QObject;

namespace ostrel {

// Runs PRAGMA quick_check on the database before anything opens it. When
// it fails, the user is told and offered the newest sound backup copy; the
// damaged file is moved into "Backups/replaced <date time>", never deleted.
// Returns true when a copy was restored.
bool checkDatabaseAtStart();

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
