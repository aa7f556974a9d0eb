#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

struct sqlite3;

namespace ostrel::sql {

// The one connection of the program. It opens by itself at the first
// statement and stays open until it is closed or destroyed. Opening never
// creates the file: a missing or damaged file makes the first statement fail
// with the engine's error.
class Connection {
public:
    Connection() = default;
    explicit Connection(std::string path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Closes the connection and sets the file for the next opening.
    void setPath(std::string path);
    const std::string& path() const { return path_; }
    // How long a statement waits for another process's write lock before
    // it fails with "database is locked" (250 ms unless set; from the next
    // opening on, and at once on an open connection).
    void setBusyTimeout(int milliseconds);

    bool isOpen() const { return db_ != nullptr; }
    // The open handle; opens the file first when needed. Throws DbError.
    sqlite3* handle();
    void close();

    std::int64_t lastInsertRowId();
    int changes();

    // Runs after every opening, on the open connection (schema steps of the
    // file). An error it throws is not the opening's: it is dropped.
    void setOpenedHook(std::function<void()> hook) { openedHook_ = std::move(hook); }

private:
    void open();

    std::string path_;
    sqlite3* db_ = nullptr;
    int busyTimeoutMs_ = 250;
    std::function<void()> openedHook_;
};

// Registers the date-time and text functions of dialect.h on a handle.
void registerSqlFunctions(sqlite3* db);

}  // namespace ostrel::sql
