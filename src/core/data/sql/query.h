#pragma once
// A short-lived statement on the program's one connection.
//
//   Query q(conn);
//   q.add("SELECT ShowDT, MesType, PeriodInt");
//   q.add("FROM ToDo");
//   q.add("WHERE TDID = :ToDoID");
//   q.param("ToDoID", ParamType::Integer, taskId);
//   q.open();
//   if (!q.eof()) { q.edit(); q.setField("MesType", q.asInteger("MesType") - 10); q.post(); }
//
// open() reads the whole result, so a result can report its row count, be
// positioned by row number and searched. With setFetchOnDemand(true) rows are
// read only as they are reached (a long list shows its first rows at once);
// asking for the row count or the last row then reads the rest. A select from one table (no join, no
// union) is updatable: the current row can be edited and posted, or deleted.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/sql/connection.h"
#include "core/data/sql/sql_value.h"

struct sqlite3_stmt;

namespace ostrel::sql {

class Query {
public:
    explicit Query(Connection& connection);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Statement text, one line at a time.
    Query& add(std::string_view line);
    void clearText();
    std::string text() const;

    // Declares a parameter's kind; set() then converts values to it.
    void declare(std::string_view name, ParamType type);
    void set(std::string_view name, Value value);
    // declare() and set() in one call.
    void param(std::string_view name, ParamType type, Value value);

    // Runs a statement that returns rows and reads them all (or, fetching on
    // demand, none yet).
    void open();
    void setFetchOnDemand(bool onDemand) { fetchOnDemand_ = onDemand; }
    // Reads up to count more rows of an open result; false once all are read.
    bool fetchMore(int count) const;
    int fetchedCount() const { return static_cast<int>(rows_.size()); }
    bool fetchedAll() const { return pending_stmt_ == nullptr; }
    // Runs a statement without a result; returns the number of rows changed.
    int exec();
    void close();
    bool active() const { return active_; }

    // Forward and positioned reading.
    bool eof() const;
    bool bof() const;
    void next();
    void prior();
    void first();
    void last();
    int recordCount() const;
    // Current row, 1-based; 0 when there is none.
    int recNo() const;
    // Moves to row n (1-based), clamped to the result.
    void setRecNo(int n);
    // Makes the first row whose column starts with prefix current. Case is
    // ignored for ASCII letters, as the engine's text comparison does.
    // Returns false (current row unchanged) when no row matches.
    bool locate(std::string_view column, std::string_view prefix);

    // Reads of the current row by column name; null reads as 0, 0.0, "".
    const std::vector<std::string>& columnNames() const { return columns_; }
    int fieldIndex(std::string_view column) const;  // -1 when absent
    bool hasField(std::string_view column) const { return fieldIndex(column) >= 0; }
    Value value(std::string_view column) const;
    // Random access to the result, for views: row and column 0-based; the
    // row must have been read (see fetchedCount()).
    const Value& valueAt(int row, int column) const {
        return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    bool isNull(std::string_view column) const;
    std::int64_t asInteger(std::string_view column) const;
    double asFloat(std::string_view column) const;
    double asDateTime(std::string_view column) const { return asFloat(column); }
    std::string asString(std::string_view column) const;

    // Editing the current row of an updatable result.
    bool updatable() const { return !table_.empty(); }
    void edit();
    void setField(std::string_view column, Value value);
    void post();
    void cancel();
    // Deletes the current row from its table; the next row becomes current
    // (the new last row when the last was deleted).
    void deleteRow();

private:
    struct Param {
        std::string name;
        ParamType type;
        Value value;
        bool assigned = false;
    };

    Param* findParam(std::string_view name);
    void bindAll(sqlite3_stmt* stmt);
    const Value& cell(std::string_view column) const;
    void requireRow(const char* what) const;
    static Value convert(const Value& v, ParamType type);
    // Makes sure the first count rows have been read, as far as there are.
    void ensureRows(std::size_t count) const;
    void fetchAll() const { fetchMore(-1); }
    void finishFetching() const;

    Connection& conn_;
    std::vector<std::string> lines_;
    std::vector<Param> params_;

    bool active_ = false;
    std::vector<std::string> columns_;
    std::vector<std::string> originColumns_;  // table column behind each result column, "" for expressions
    // Rows read so far; while fetching on demand the statement stays open in
    // pending_stmt_ until its last row has been read.
    mutable std::vector<std::vector<Value>> rows_;
    mutable std::vector<std::int64_t> rowIds_;
    mutable sqlite3_stmt* pending_stmt_ = nullptr;
    bool fetchOnDemand_ = false;
    bool withRowId_ = false;
    int width_ = 0;
    std::string table_;  // non-empty when the result is updatable
    int current_ = 0;    // 0-based index into rows_
    bool editing_ = false;
    std::vector<std::optional<Value>> pending_;
};

}  // namespace ostrel::sql
