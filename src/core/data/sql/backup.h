#pragma once
// Whole-database copies and checks, on connections of their own.

#include <functional>
#include <string>
#include <vector>

namespace ostrel::sql {

// Copies the database at sourcePath into destPath (replaced if it exists)
// with the engine's online backup: the copy is one consistent state of the
// source, also while another connection writes to it. Throws DbError.
void backupDatabase(const std::string& sourcePath, const std::string& destPath);

// Runs PRAGMA quick_check (or integrity_check when full is set) on the file,
// opened read-only. Returns the problems found; empty when the file is a
// sound database. A file that cannot be opened or is not a database gives
// one problem naming the engine's error. A missing file is a problem too.
// A file that another connection holds locked (SQLITE_BUSY or
// SQLITE_LOCKED after a short wait) is not checked: DbError with busy() set
// is thrown, since a lock is never a sign of damage.
// A lock is waited for about three seconds first. stop, when given, is
// asked while waiting and checking (from the calling thread): once it
// answers true the check ends soon with a busy DbError.
std::vector<std::string> checkDatabase(const std::string& path, bool full = false,
                                       const std::function<bool()>& stop = {});

}  // namespace ostrel::sql
