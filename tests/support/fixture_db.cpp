#include "fixture_db.h"

#include <sqlite3.h>

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace ostrel::testing {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& prefix) {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / (prefix + "-" + std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path schemaFile() { return fs::path(OSTREL_SOURCE_DIR) / "schema" / "tamo.sql"; }

void execSql(const fs::path& db, const std::string& sql) {
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(h);
        throw std::runtime_error("cannot open " + db.string());
    }
    char* err = nullptr;
    const int rc = sqlite3_exec(h, sql.c_str(), nullptr, nullptr, &err);
    std::string msg = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(h);
    if (rc != SQLITE_OK) throw std::runtime_error("SQL failed: " + msg);
}

void createOrganizerDatabase(const fs::path& target) {
    std::ifstream in(schemaFile(), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the schema");
    std::stringstream buf;
    buf << in.rdbuf();
    execSql(target, buf.str());
}

}  // namespace ostrel::testing
