#include "core/data/sql/connection.h"

#include <sqlite3.h>

#include "core/data/sql/sql_value.h"

namespace ostrel::sql {

Connection::Connection(std::string path) : path_(std::move(path)) {}

Connection::~Connection() { close(); }

void Connection::setPath(std::string path) {
    close();
    path_ = std::move(path);
}

void Connection::setBusyTimeout(int milliseconds) {
    busyTimeoutMs_ = milliseconds;
    if (db_) sqlite3_busy_timeout(db_, milliseconds);
}

sqlite3* Connection::handle() {
    if (!db_) open();
    return db_;
}

void Connection::open() {
    sqlite3* db = nullptr;
    // Read-write and shared; never create the file.
    const int rc = sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw DbError("Cannot open the database \"" + path_ + "\": " + msg);
    }
    sqlite3_extended_result_codes(db, 0);
    // Another program holding a write lock makes a statement wait at most
    // this long and then fail with "database is locked"; the reminder pass
    // tries again at its next round rather than freezing the windows.
    sqlite3_busy_timeout(db, busyTimeoutMs_);
    // Read the header now so that a file that is not a database is reported
    // at the first statement, not at some later write.
    char* err = nullptr;
    if (const int read = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err);
        read != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db);
        sqlite3_free(err);
        sqlite3_close(db);
        // Another program's lock: the same open may succeed later.
        const bool busy = (read & 0xff) == SQLITE_BUSY || (read & 0xff) == SQLITE_LOCKED;
        throw DbError("Cannot open the database \"" + path_ + "\": " + msg, busy);
    }
    registerSqlFunctions(db);
    db_ = db;
    if (openedHook_) {
        try {
            openedHook_();
        } catch (...) {
            // A read-only or locked file: the file is used as it is.
        }
    }
}

void Connection::close() {
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

std::int64_t Connection::lastInsertRowId() { return sqlite3_last_insert_rowid(handle()); }

int Connection::changes() { return sqlite3_changes(handle()); }

}  // namespace ostrel::sql
