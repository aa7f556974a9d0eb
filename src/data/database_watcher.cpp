#include "data/database_watcher.h"

#include <QFileInfo>

#include "core/data/sql/query.h"
#include "data/contact_store.h"
#include "data/data_module.h"
#include "data/holiday_store.h"
#include "data/plan_store.h"
#include "data/task_store.h"

namespace ostrel {

DatabaseWatcher::DatabaseWatcher(TDataModule1& data, const QString& databasePath, QObject* parent)
    : QObject(parent), data_(data), path_(QFileInfo(databasePath).absoluteFilePath()) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &DatabaseWatcher::check);
    auto wake = [this](const QString&) {
        rewatch();
        settle_.start();
    };
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, wake);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, wake);
    rewatch();
    try {
        version_ = dataVersion();
    } catch (const std::exception&) {
    }
}

void DatabaseWatcher::rewatch() {
    // The file itself (a commit in rollback-journal mode writes it) and its
    // folder (a write-ahead log or journal appearing; a file replaced).
    QStringList paths{QFileInfo(path_).absolutePath()};
    for (const QString& p : {path_, path_ + QStringLiteral("-wal")})
        if (QFileInfo::exists(p)) paths << p;
    for (const QString& p : paths)
        if (!watcher_.files().contains(p) && !watcher_.directories().contains(p)) watcher_.addPath(p);
}

std::int64_t DatabaseWatcher::dataVersion() {
    sql::Query q(data_.connTAMO);
    q.add("PRAGMA data_version");
    q.open();
    return q.eof() ? -1 : sql::toInteger(q.valueAt(0, 0));
}

void DatabaseWatcher::check() {
    std::int64_t now = -1;
    try {
        now = dataVersion();
    } catch (const std::exception&) {
        return;  // locked for a moment: the next notification checks again
    }
    if (now == version_) return;
    version_ = now;
    announcing_ = true;
    emit data_.tasks().changed();
    emit data_.holidays().changed();
    emit data_.plans().changed();
    emit data_.contacts().changed();
    announcing_ = false;
    emit changedOutside();
}

}  // namespace ostrel
