// Writes a fresh organizer database from the schema file, unless the target
// already exists. The new file is built under a temporary name in the same
// folder and renamed into place, so a failed run never leaves half a file.
//
//   ostrel-make-database SCHEMA.sql TARGET.qdb

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SCHEMA.sql TARGET.qdb\n", argv[0]);
        return 2;
    }
    const fs::path schemaPath = argv[1];
    const fs::path target = argv[2];
    std::error_code ec;
    if (fs::exists(target, ec)) return 0;

    std::ifstream in(schemaPath, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", schemaPath.c_str());
        return 1;
    }
    std::stringstream buf;
    buf << in.rdbuf();
    const std::string schema = buf.str();

    fs::create_directories(target.parent_path().empty() ? fs::path(".") : target.parent_path(), ec);
    fs::path temp = target;
    temp += ".new";
    fs::remove(temp, ec);

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s: %s\n", temp.c_str(), sqlite3_errmsg(db));
        sqlite3_close(db);
        return 1;
    }
    char* err = nullptr;
    const std::string script = "BEGIN;\n" + schema + "\nCOMMIT;";
    const int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "schema error: %s\n", err ? err : "?");
        sqlite3_free(err);
        sqlite3_close(db);
        fs::remove(temp, ec);
        return 1;
    }
    sqlite3_close(db);
    fs::rename(temp, target, ec);
    if (ec) {
        std::fprintf(stderr, "cannot move %s into place: %s\n", temp.c_str(), ec.message().c_str());
        return 1;
    }
    return 0;
}
