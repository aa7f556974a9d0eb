#pragma once
// Notices a commit to the database by another process (the sync helper, a
// command-line import, any SQLite client) within moments, without reading
// the database on a timer: the file's change notifications (inotify through
// QFileSystemWatcher) wake it, and SQLite's data_version tells another
// connection's commit from this process's own writes. On such a commit the
// stores announce a change (open views re-read) and changedOutside() lets
// the reminder engine recompute its gate from the new rows.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

namespace ostrel {

class TDataModule1;

class DatabaseWatcher : public QObject {
    Q_OBJECT
public:
    // Changes closer together than this are taken as one.
    static constexpr int kSettleMs = 250;

    DatabaseWatcher(TDataModule1& data, const QString& databasePath, QObject* parent = nullptr);

    // Checks at once whether another connection has committed (the file's
    // notification calls this after kSettleMs).
    void check();
    // True while the stores announce another process's change (a listener
    // that sends local changes elsewhere ignores those).
    bool announcing() const { return announcing_; }

signals:
    // Another process changed the database; the stores have announced it.
    void changedOutside();

private:
    std::int64_t dataVersion();
    void rewatch();
    TDataModule1& data_;
    QString path_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::int64_t version_ = -1;
    bool announcing_ = false;
};

}  // namespace ostrel
