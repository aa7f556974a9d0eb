#pragma once
// Whole-database copies and checks, on connections of their own.

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
std::vector<std::string> checkDatabase(const std::string& path, bool full = false);

}  // namespace ostrel::sql
