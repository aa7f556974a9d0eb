#pragma once
// The table ExchangeUid: the identifier (UID) each exported or imported
// row carries in iCalendar and vCard files, so that a file imported again
// updates its rows instead of doubling them. The table is made when it is
// first needed; everything else works on a database without it, and a
// program that does not know it ignores it.

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <unordered_map>

#include "core/data/sql/connection.h"

namespace ostrel {

class ExchangeStore : public QObject {
    Q_OBJECT
public:
    // The tables whose rows carry identifiers.
    static constexpr const char* kToDo = "ToDo";
    static constexpr const char* kAddressBook = "AddressBook";

    explicit ExchangeStore(sql::Connection& connection, QObject* parent = nullptr);

    // Makes the table (and its index) when the file has none. False when it
    // cannot be made (a read-only file).
    bool ensureTable();
    // Whether the table exists.
    bool hasTable();

    // Every identifier of one table's rows: row id -> UID.
    std::unordered_map<std::int64_t, std::string> uidsOf(const char* table);
    // The row an identifier names in the table.
    std::optional<std::int64_t> rowOf(const char* table, const std::string& uid);
    // Gives the row the identifier (replacing what either had).
    void setUid(const char* table, const std::string& uid, std::int64_t rowId);

private:
    sql::Connection& conn_;
    int hasTable_ = -1;  // unknown, 0 no, 1 yes
};

}  // namespace ostrel
