#pragma once
// A transaction on the connection, held for a scope: it begins when it is
// made and rolls back when it is left without commit() (an error on the
// way). A transaction that someone else has open already is joined, not
// nested: committing or rolling it back stays with its owner.

#include "core/data/sql/connection.h"

namespace ostrel::sql {

// Whether a transaction is open on the connection (false while closed).
bool inTransaction(Connection& conn);

class Transaction {
public:
    explicit Transaction(Connection& conn);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Whether this object began the transaction (and so ends it).
    bool owns() const { return owns_; }
    // Writes the transaction to the file. When COMMIT fails the transaction
    // is rolled back and the error passes on. Nothing for a joined one.
    void commit();
    // Undoes the transaction's writes. Nothing for a joined one.
    void rollback() noexcept;

private:
    Connection& conn_;
    bool owns_ = false;
};

}  // namespace ostrel::sql
