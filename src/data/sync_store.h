#pragma once
// What the server sync (ostrel-sync, docs/sync.md) keeps between two runs:
// per collection its sync token, per item what was last synced (href,
// UID, ETag, a hash of the mapped content, the local row), and the last
// run's status for the settings page. The tables are made by the helper
// when it opens the database; a program that does not know them ignores
// them.

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/data/sql/connection.h"

namespace ostrel {

// One item as it was last synced. rowId 0: an item this program cannot
// represent, kept on the server as it is.
struct SyncItemRecord {
    std::string href;  // the item's path on the server, decoded
    std::string uid;
    std::string etag;
    std::string hash;
    std::int64_t rowId = 0;
};

// The outcome of the last run, shown by the settings page.
struct SyncStatusRecord {
    double finishedAt = 0.0;  // DateTime of the end; 0 when never run
    bool ok = false;
    std::string summary;  // the one-line summary, or the error
};

class SyncStore : public QObject {
    Q_OBJECT
public:
    explicit SyncStore(sql::Connection& connection, QObject* parent = nullptr);

    // Makes the tables when the file has none.
    void ensureTables();
    // Whether the tables exist (a database never synced has none).
    bool hasTables();

    std::string token(const std::string& collection);
    void setToken(const std::string& collection, const std::string& token);

    std::vector<SyncItemRecord> items(const std::string& collection);
    // Inserts or replaces the record of the item at record.href.
    void putItem(const std::string& collection, const SyncItemRecord& record);
    void removeItem(const std::string& collection, const std::string& href);
    // Forgets a collection: its token and every item record (the account
    // or the collection was changed; the next run matches by UID).
    void forgetCollection(const std::string& collection);
    // Forgets every collection but the ones given.
    void forgetOtherCollections(const std::vector<std::string>& keep);

    std::optional<SyncStatusRecord> status();
    void setStatus(const SyncStatusRecord& status);

private:
    sql::Connection& conn_;
    bool hasTables_ = false;
};

}  // namespace ostrel
