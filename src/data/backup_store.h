#pragma once
// Backup copies of the organizer's files in "Backups" beside the program:
// one folder per copy, named by the local date and time it was made
// ("2026-12-10 15-04-05"), holding a consistent copy of the database (the
// engine's online backup), the notes file and the settings file. Old copies
// go by the retention rule (core/data/backup_retention.h).

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

#include "core/data/sql/connection.h"
#include "core/time/datetime.h"

namespace ostrel {

struct BackupCopy {
    QString folder;  // full path of the copy's folder
    QString name;    // the folder's name
    DateTime made = 0.0;
};

class BackupStore : public QObject {
    Q_OBJECT
public:
    // conn: the program's connection; a restore closes it, so the next
    // statement opens the restored file.
    explicit BackupStore(sql::Connection& conn, QObject* parent = nullptr);

    static QString backupsDir();  // "Backups" in the user's data folder (base/app_paths.h)

    // The copies, newest first. Folders whose name is not a date and time,
    // or without a database, are not copies.
    QList<BackupCopy> copies() const;
    // True when no copy was made on the day of `now`.
    bool isDue(DateTime now) const;

    // Makes a copy now (stamped with clock()), then removes the copies the
    // retention rule lets go. Returns the new folder. Throws on failure; a
    // half-written copy never appears under a copy's name.
    QString backUpNow();

    // The newest copy whose database passes the quick check; empty folder
    // when there is none.
    BackupCopy newestGoodCopy() const;

    // Puts the copy's database in place of the program's database. The
    // copy is written beside the database (restoreTemporaryPath()) and
    // flushed; the current database and its journal files are kept in a new
    // folder "Backups/replaced <date time>" (by a link, or a copy), which is
    // returned and never deleted; the journal files are removed and the copy
    // is renamed over the database. Whenever the work stops, a whole
    // database stands at the database's path: the current one or the copy.
    // Throws on failure.
    QString restoreDatabase(const BackupCopy& copy);

    // The steps of a restore, after each of which tests may stop it.
    enum class RestoreStep { CopyWritten, CurrentKept, CompanionsRemoved, Renamed };
    static std::function<void(RestoreStep)> restoreStepHook;
    // The copy on its way into place; what a stopped restore left there is
    // removed at the next start (after the instance lock is held).
    static QString restoreTemporaryPath();
    static void removeRestoreLeftovers();

    // The database's problems by PRAGMA quick_check (empty: sound). Another
    // program's lock is no problem: it throws sql::DbError with busy() set
    // (also once stop() answers true; sql::checkDatabase).
    static QStringList checkDatabaseFile(const QString& path, const std::function<bool()>& stop = {});

signals:
    void changed();   // a copy was made or removed
    void restored();  // the database was replaced; views re-read everything

private:
    sql::Connection& conn_;
};

}  // namespace ostrel
