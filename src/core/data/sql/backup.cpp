#include "core/data/sql/backup.h"

#include <sqlite3.h>

#include "core/data/sql/sql_value.h"

namespace ostrel::sql {
namespace {

constexpr int kCheckBusyWaitMs = 3000;
constexpr int kCheckBusyStepMs = 20;

// A handle closed on every way out.
struct Handle {
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
    std::string error() const { return db ? sqlite3_errmsg(db) : "out of memory"; }
};

}  // namespace

void backupDatabase(const std::string& sourcePath, const std::string& destPath) {
    Handle src;
    if (sqlite3_open_v2(sourcePath.c_str(), &src.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw DbError("Cannot open the database \"" + sourcePath + "\": " + src.error());
    // A writer holding its lock for a moment makes the copy wait, not fail.
    sqlite3_busy_timeout(src.db, 5000);
    Handle dst;
    if (sqlite3_open_v2(destPath.c_str(), &dst.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        throw DbError("Cannot create the copy \"" + destPath + "\": " + dst.error());
    // One read transaction on the source around the whole copy: the copy is
    // the state of one moment, and writers wait for it (not the other way
    // round). The busy timeout lets a writer's commit finish first.
    char* err = nullptr;
    if (sqlite3_exec(src.db, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string msg = err ? err : src.error();
        sqlite3_free(err);
        throw DbError("Cannot read the database \"" + sourcePath + "\": " + msg);
    }
    sqlite3_backup* backup = sqlite3_backup_init(dst.db, "main", src.db, "main");
    if (!backup) throw DbError("Cannot copy the database \"" + sourcePath + "\": " + dst.error());
    const int rc = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    sqlite3_exec(src.db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_DONE) throw DbError("Cannot copy the database \"" + sourcePath + "\": " + sqlite3_errstr(rc));
    if (finish != SQLITE_OK) throw DbError("Cannot copy the database \"" + sourcePath + "\": " + dst.error());
}

std::vector<std::string> checkDatabase(const std::string& path, bool full, const std::function<bool()>& stop) {
    Handle h;
    if (sqlite3_open_v2(path.c_str(), &h.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return {h.error()};
    // Waits for another connection's lock up to kCheckBusyWaitMs, and
    // stops waiting or checking soon after stop() turns true.
    struct Waiting {
        const std::function<bool()>* stop;
        bool stopped = false;
    } waiting{&stop};
    sqlite3_busy_handler(
        h.db,
        [](void* data, int count) -> int {
            auto* w = static_cast<Waiting*>(data);
            if (count * kCheckBusyStepMs >= kCheckBusyWaitMs || (*w->stop && (*w->stop)())) return 0;
            sqlite3_sleep(kCheckBusyStepMs);
            return 1;
        },
        &waiting);
    if (stop)
        sqlite3_progress_handler(
            h.db, 10000,
            [](void* data) -> int {
                auto* w = static_cast<Waiting*>(data);
                w->stopped = (*w->stop)();
                return w->stopped ? 1 : 0;
            },
            &waiting);
    // Another connection's lock says nothing about the file's state: it is
    // thrown as busy, never returned as a problem.
    const auto busy = [&h] {
        const int code = sqlite3_errcode(h.db) & 0xff;
        return code == SQLITE_BUSY || code == SQLITE_LOCKED;
    };
    sqlite3_stmt* stmt = nullptr;
    const char* sql = full ? "PRAGMA integrity_check" : "PRAGMA quick_check";
    if (sqlite3_prepare_v2(h.db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        if (busy()) throw DbError(h.error(), true);
        return {h.error()};
    }
    std::vector<std::string> problems;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        const std::string line = text ? text : "";
        if (line != "ok") problems.push_back(line);
    }
    const std::string error = rc == SQLITE_DONE ? std::string() : h.error();
    const bool locked = rc != SQLITE_DONE && busy();
    sqlite3_finalize(stmt);
    if (waiting.stopped || (rc != SQLITE_DONE && stop && stop())) throw DbError("The check was stopped.", true);
    if (rc != SQLITE_DONE) {
        if (locked) throw DbError(error, true);
        problems.push_back(error);
    }
    return problems;
}

}  // namespace ostrel::sql
