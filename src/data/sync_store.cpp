#include "data/sync_store.h"

#include <set>

#include "core/data/sql/query.h"

namespace ostrel {

using sql::ParamType;

SyncStore::SyncStore(sql::Connection& connection, QObject* parent) : QObject(parent), conn_(connection) {
    setObjectName(QStringLiteral("SyncStore"));
}

bool SyncStore::hasTables() {
    if (!hasTables_) {
        sql::Query q(conn_);
        q.add("SELECT name FROM sqlite_master");
        q.add("WHERE (type = 'table') AND (name = 'SyncItem')");
        q.open();
        hasTables_ = !q.eof();
    }
    return hasTables_;
}

void SyncStore::ensureTables() {
    if (hasTables_) return;
    const char* statements[] = {
        "CREATE TABLE IF NOT EXISTS SyncCollection (Url TEXT NOT NULL PRIMARY KEY, Token TEXT NOT NULL)",
        "CREATE TABLE IF NOT EXISTS SyncItem (Collection TEXT NOT NULL, Href TEXT NOT NULL, UID TEXT NOT NULL, "
        "ETag TEXT NOT NULL, Hash TEXT NOT NULL, RowID INTEGER NOT NULL, PRIMARY KEY (Collection, Href))",
        "CREATE INDEX IF NOT EXISTS SyncItem_Row ON SyncItem (Collection, RowID)",
        "CREATE TABLE IF NOT EXISTS SyncStatus (Id INTEGER NOT NULL PRIMARY KEY, FinishedAt REAL NOT NULL, "
        "Ok INTEGER NOT NULL, Summary TEXT NOT NULL)",
    };
    for (const char* s : statements) {
        sql::Query q(conn_);
        q.add(s);
        q.exec();
    }
    hasTables_ = true;
}

std::string SyncStore::token(const std::string& collection) {
    if (!hasTables()) return {};
    sql::Query q(conn_);
    q.add("SELECT Token FROM SyncCollection WHERE Url = :Url");
    q.param("Url", ParamType::Text, collection);
    q.open();
    return q.eof() ? std::string() : q.asString("Token");
}

void SyncStore::setToken(const std::string& collection, const std::string& token) {
    sql::Query q(conn_);
    q.add("INSERT OR REPLACE INTO SyncCollection (Url, Token) VALUES (:Url, :Token)");
    q.param("Url", ParamType::Text, collection);
    q.param("Token", ParamType::Text, token);
    q.exec();
}

std::vector<SyncItemRecord> SyncStore::items(const std::string& collection) {
    std::vector<SyncItemRecord> out;
    if (!hasTables()) return out;
    sql::Query q(conn_);
    q.add("SELECT Href, UID, ETag, Hash, RowID FROM SyncItem WHERE Collection = :Collection");
    q.param("Collection", ParamType::Text, collection);
    q.open();
    const int cHref = q.fieldIndex("Href"), cUid = q.fieldIndex("UID"), cTag = q.fieldIndex("ETag"),
              cHash = q.fieldIndex("Hash"), cRow = q.fieldIndex("RowID");
    out.reserve(static_cast<std::size_t>(q.recordCount()));
    for (int r = 0; r < q.recordCount(); ++r)
        out.push_back({sql::toText(q.valueAt(r, cHref)), sql::toText(q.valueAt(r, cUid)),
                       sql::toText(q.valueAt(r, cTag)), sql::toText(q.valueAt(r, cHash)),
                       sql::toInteger(q.valueAt(r, cRow))});
    return out;
}

void SyncStore::putItem(const std::string& collection, const SyncItemRecord& record) {
    sql::Query q(conn_);
    q.add("INSERT OR REPLACE INTO SyncItem (Collection, Href, UID, ETag, Hash, RowID)");
    q.add("VALUES (:Collection, :Href, :UID, :ETag, :Hash, :RowID)");
    q.param("Collection", ParamType::Text, collection);
    q.param("Href", ParamType::Text, record.href);
    q.param("UID", ParamType::Text, record.uid);
    q.param("ETag", ParamType::Text, record.etag);
    q.param("Hash", ParamType::Text, record.hash);
    q.param("RowID", ParamType::Integer, record.rowId);
    q.exec();
}

void SyncStore::removeItem(const std::string& collection, const std::string& href) {
    sql::Query q(conn_);
    q.add("DELETE FROM SyncItem WHERE (Collection = :Collection) AND (Href = :Href)");
    q.param("Collection", ParamType::Text, collection);
    q.param("Href", ParamType::Text, href);
    q.exec();
}

void SyncStore::forgetCollection(const std::string& collection) {
    if (!hasTables()) return;
    sql::Query items(conn_);
    items.add("DELETE FROM SyncItem WHERE Collection = :Collection");
    items.param("Collection", ParamType::Text, collection);
    items.exec();
    sql::Query token(conn_);
    token.add("DELETE FROM SyncCollection WHERE Url = :Url");
    token.param("Url", ParamType::Text, collection);
    token.exec();
}

void SyncStore::forgetOtherCollections(const std::vector<std::string>& keep) {
    if (!hasTables()) return;
    const std::set<std::string> kept(keep.begin(), keep.end());
    std::set<std::string> known;
    {
        sql::Query q(conn_);
        q.add("SELECT DISTINCT Collection FROM SyncItem");
        q.open();
        for (q.first(); !q.eof(); q.next()) known.insert(q.asString("Collection"));
        sql::Query t(conn_);
        t.add("SELECT Url FROM SyncCollection");
        t.open();
        for (t.first(); !t.eof(); t.next()) known.insert(t.asString("Url"));
    }
    for (const std::string& c : known)
        if (!kept.count(c)) forgetCollection(c);
}

std::optional<SyncStatusRecord> SyncStore::status() {
    if (!hasTables()) return std::nullopt;
    sql::Query q(conn_);
    q.add("SELECT FinishedAt, Ok, Summary FROM SyncStatus WHERE Id = 1");
    q.open();
    if (q.eof()) return std::nullopt;
    return SyncStatusRecord{q.asFloat("FinishedAt"), q.asInteger("Ok") != 0, q.asString("Summary")};
}

void SyncStore::setStatus(const SyncStatusRecord& status) {
    sql::Query q(conn_);
    q.add("INSERT OR REPLACE INTO SyncStatus (Id, FinishedAt, Ok, Summary)");
    q.add("VALUES (1, :FinishedAt, :Ok, :Summary)");
    q.param("FinishedAt", ParamType::DateTime, status.finishedAt);
    q.param("Ok", ParamType::Integer, std::int64_t{status.ok ? 1 : 0});
    q.param("Summary", ParamType::Text, status.summary);
    q.exec();
}

}  // namespace ostrel
