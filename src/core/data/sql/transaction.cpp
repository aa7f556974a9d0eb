#include "core/data/sql/transaction.h"

#include <sqlite3.h>

#include "core/data/sql/query.h"

namespace ostrel::sql {

namespace {
void run(Connection& conn, const char* statement) {
    Query q(conn);
    q.add(statement);
    q.exec();
}
}  // namespace

bool inTransaction(Connection& conn) { return conn.isOpen() && !sqlite3_get_autocommit(conn.handle()); }

Transaction::Transaction(Connection& conn) : conn_(conn) {
    if (!sqlite3_get_autocommit(conn_.handle())) return;  // joined
    run(conn_, "BEGIN");
    owns_ = true;
}

Transaction::~Transaction() { rollback(); }

void Transaction::commit() {
    if (!owns_) return;
    owns_ = false;
    // An error inside SQLite may already have rolled the transaction back.
    if (!inTransaction(conn_)) return;
    try {
        run(conn_, "COMMIT");
    } catch (...) {
        // Never leave a transaction open behind the program's back.
        if (inTransaction(conn_)) sqlite3_exec(conn_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void Transaction::rollback() noexcept {
    if (!owns_) return;
    owns_ = false;
    if (conn_.isOpen() && !sqlite3_get_autocommit(conn_.handle()))
        sqlite3_exec(conn_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace ostrel::sql
