#pragma once
// A fresh organizer database in a temporary folder, made from the same
// schema file the build uses.

#include <filesystem>
#include <string>

namespace ostrel::testing {

class TempDir {
public:
    // prefix may hold blanks, to exercise paths with blanks.
    explicit TempDir(const std::string& prefix = "ostrel-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// Creates the organizer database at target from the repository's schema.
void createOrganizerDatabase(const std::filesystem::path& target);
// Runs SQL on a database file outside the program's connection.
void execSql(const std::filesystem::path& db, const std::string& sql);
std::filesystem::path schemaFile();

}  // namespace ostrel::testing
