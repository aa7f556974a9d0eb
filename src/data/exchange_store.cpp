#include "data/exchange_store.h"

#include "core/data/sql/query.h"

namespace ostrel {

using sql::ParamType;

ExchangeStore::ExchangeStore(sql::Connection& connection, QObject* parent) : QObject(parent), conn_(connection) {
    setObjectName(QStringLiteral("ExchangeStore"));
}

bool ExchangeStore::hasTable() {
    // Only a found table is remembered: another process (an import from
    // the command line) may make it while this one runs.
    if (hasTable_ != 1) {
        sql::Query q(conn_);
        q.add("SELECT name FROM sqlite_master");
        q.add("WHERE (type = 'table') AND (name = 'ExchangeUid')");
        q.open();
        hasTable_ = q.eof() ? 0 : 1;
    }
    return hasTable_ == 1;
}

bool ExchangeStore::ensureTable() {
    if (hasTable()) return true;
    try {
        sql::Query t(conn_);
        t.add("CREATE TABLE IF NOT EXISTS ExchangeUid (");
        t.add("  TableName TEXT NOT NULL,");
        t.add("  UID TEXT NOT NULL,");
        t.add("  RowID INTEGER NOT NULL,");
        t.add("  PRIMARY KEY (TableName, UID))");
        t.exec();
        sql::Query i(conn_);
        i.add("CREATE INDEX IF NOT EXISTS ExchangeUid_Row ON ExchangeUid (TableName, RowID)");
        i.exec();
    } catch (const sql::DbError&) {
        return false;
    }
    hasTable_ = 1;
    return true;
}

std::unordered_map<std::int64_t, std::string> ExchangeStore::uidsOf(const char* table) {
    std::unordered_map<std::int64_t, std::string> uids;
    if (!hasTable()) return uids;
    sql::Query q(conn_);
    q.add("SELECT RowID, UID FROM ExchangeUid");
    q.add("WHERE TableName = :TableName");
    q.param("TableName", ParamType::Text, std::string(table));
    q.open();
    const int cRow = q.fieldIndex("RowID");
    const int cUid = q.fieldIndex("UID");
    uids.reserve(static_cast<std::size_t>(q.recordCount()));
    for (int r = 0; r < q.recordCount(); ++r)
        uids[sql::toInteger(q.valueAt(r, cRow))] = sql::toText(q.valueAt(r, cUid));
    return uids;
}

std::optional<std::int64_t> ExchangeStore::rowOf(const char* table, const std::string& uid) {
    if (!hasTable()) return std::nullopt;
    sql::Query q(conn_);
    q.add("SELECT RowID FROM ExchangeUid");
    q.add("WHERE (TableName = :TableName) AND (UID = :UID)");
    q.param("TableName", ParamType::Text, std::string(table));
    q.param("UID", ParamType::Text, uid);
    q.open();
    if (q.eof()) return std::nullopt;
    return q.asInteger("RowID");
}

void ExchangeStore::setUid(const char* table, const std::string& uid, std::int64_t rowId) {
    // Two statements, each found through its own index (an OR of the two
    // made every call read the whole table).
    sql::Query byRow(conn_);
    byRow.add("DELETE FROM ExchangeUid");
    byRow.add("WHERE (TableName = :TableName) AND (RowID = :RowID)");
    byRow.param("TableName", ParamType::Text, std::string(table));
    byRow.param("RowID", ParamType::Integer, rowId);
    byRow.exec();
    sql::Query byUid(conn_);
    byUid.add("DELETE FROM ExchangeUid");
    byUid.add("WHERE (TableName = :TableName) AND (UID = :UID)");
    byUid.param("TableName", ParamType::Text, std::string(table));
    byUid.param("UID", ParamType::Text, uid);
    byUid.exec();
    sql::Query q(conn_);
    q.add("INSERT INTO ExchangeUid (TableName, UID, RowID)");
    q.add("VALUES (:TableName, :UID, :RowID)");
    q.param("TableName", ParamType::Text, std::string(table));
    q.param("UID", ParamType::Text, uid);
    q.param("RowID", ParamType::Integer, rowId);
    q.exec();
}

}  // namespace ostrel
