#include "core/data/sql/query.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "core/data/sql/dialect.h"

namespace ostrel::sql {
namespace {

bool iequals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool istartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && iequals(text.substr(0, prefix.size()), prefix);
}

struct StmtDeleter {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using StmtPtr = std::unique_ptr<sqlite3_stmt, StmtDeleter>;

// The engine's reason and the database it concerns ("no such table: ToDo"
// alone does not say which file lacks it).
std::string errorText(sqlite3* db) {
    std::string text = sqlite3_errmsg(db);
    const char* file = sqlite3_db_filename(db, "main");
    if (file && *file) text += std::string(" (database \"") + file + "\")";
    return text;
}

bool isBusy(sqlite3* db) {
    const int code = sqlite3_errcode(db) & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

[[noreturn]] void fail(sqlite3* db) { throw DbError(errorText(db), isBusy(db)); }

StmtPtr prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) fail(db);
    if (!raw) throw DbError("The statement is empty.");
    return StmtPtr(raw);
}

// Top-level words of a statement, upper-cased, with string literals,
// bracketed and quoted names kept as single tokens and parenthesised
// sub-expressions marked by depth.
struct Token {
    std::string text;
    int depth;
    std::size_t pos;  // offset just past the token in the original text
};

std::vector<Token> tokenize(const std::string& sql) {
    std::vector<Token> out;
    int depth = 0;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '(') {
            ++depth;
            ++i;
        } else if (c == ')') {
            --depth;
            ++i;
        } else if (c == '\'' || c == '"' || c == '[' || c == '`') {
            const char close = c == '[' ? ']' : c;
            std::size_t j = sql.find(close, i + 1);
            j = j == std::string::npos ? sql.size() : j + 1;
            out.push_back({sql.substr(i, j - i), depth, j});
            i = j;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t j = i;
            while (j < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_')) ++j;
            std::string word = sql.substr(i, j - i);
            std::transform(word.begin(), word.end(), word.begin(), [](unsigned char ch) { return std::toupper(ch); });
            out.push_back({word, depth, j});
            i = j;
        } else {
            out.push_back({std::string(1, c), depth, i + 1});
            ++i;
        }
    }
    return out;
}

std::string unquote(const std::string& name) {
    if (name.size() >= 2 && (name.front() == '[' || name.front() == '"' || name.front() == '`'))
        return name.substr(1, name.size() - 2);
    return name;
}

// For "SELECT <columns> FROM <one table> [WHERE|ORDER|GROUP ...]" returns the
// table's name and the offset where FROM begins; otherwise an empty name.
std::pair<std::string, std::size_t> singleTableSelect(const std::string& sql) {
    const auto tokens = tokenize(sql);
    if (tokens.empty() || tokens[0].text != "SELECT" || tokens[0].depth != 0) return {};
    if (tokens.size() > 1 && (tokens[1].text == "DISTINCT" || tokens[1].text == "ALL")) return {};
    std::size_t from = 0;
    for (std::size_t k = 1; k < tokens.size(); ++k) {
        const Token& t = tokens[k];
        if (t.depth != 0) continue;
        if (t.text == "UNION" || t.text == "JOIN" || t.text == "INTERSECT" || t.text == "EXCEPT") return {};
        if (t.text == "FROM" && from == 0) from = k;
    }
    if (from == 0 || from + 1 >= tokens.size()) return {};
    const Token& table = tokens[from + 1];
    if (table.depth != 0 || table.text == "(") return {};
    if (from + 2 < tokens.size()) {
        const std::string& next = tokens[from + 2].text;
        if (next != "WHERE" && next != "ORDER" && next != "GROUP" && next != "LIMIT" && next != ";") return {};
    }
    // Original spelling of the table name.
    const std::size_t end = table.pos;
    const std::size_t begin = end - table.text.size();
    const std::size_t fromBegin = tokens[from].pos - tokens[from].text.size();
    return {unquote(sql.substr(begin, end - begin)), fromBegin};
}

std::string quoteName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

constexpr const char* kRowIdColumn = "__ostrel_rowid__";

Value readColumn(sqlite3_stmt* s, int i) {
    switch (sqlite3_column_type(s, i)) {
        case SQLITE_INTEGER: return static_cast<std::int64_t>(sqlite3_column_int64(s, i));
        case SQLITE_FLOAT: return sqlite3_column_double(s, i);
        case SQLITE_NULL: return std::monostate{};
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
            return std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(s, i)));
        }
    }
}

const Value kNull{};

}  // namespace

namespace {

// Queries that read their rows on demand and have not read them all, per
// connection. Before a statement writes, each of them reads the rest of its
// rows: a row the write moves within the order being read (a reminder pass
// moving a task's ShowDT while the to-do list reads) would otherwise be read
// twice or not at all. The list then shows the table as it was when its
// query opened.
std::vector<std::pair<const Connection*, const Query*>>& pendingReaders() {
    static std::vector<std::pair<const Connection*, const Query*>> readers;
    return readers;
}

void readPendingRows(const Connection& conn, const Query* writer) {
    std::vector<const Query*> readers;
    for (const auto& [c, q] : pendingReaders())
        if (c == &conn && q != writer) readers.push_back(q);
    for (const Query* reader : readers) {
        try {
            reader->fetchMore(-1);
        } catch (const DbError&) {
            // The reader keeps the rows it has read; the write goes on.
        }
    }
}

}  // namespace

Query::Query(Connection& connection) : conn_(connection) {}

Query::~Query() { finishFetching(); }

Query& Query::add(std::string_view line) {
    lines_.emplace_back(line);
    return *this;
}

void Query::clearText() {
    close();
    lines_.clear();
}

std::string Query::text() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i) out += kLineBreak;
        out += lines_[i];
    }
    return out;
}

Query::Param* Query::findParam(std::string_view name) {
    for (auto& p : params_)
        if (iequals(p.name, name)) return &p;
    return nullptr;
}

void Query::declare(std::string_view name, ParamType type) {
    if (Param* p = findParam(name)) {
        p->type = type;
        if (p->assigned) p->value = convert(p->value, type);
        return;
    }
    params_.push_back({std::string(name), type, std::monostate{}, false});
}

void Query::set(std::string_view name, Value value) {
    Param* p = findParam(name);
    if (!p) throw DbError("Parameter '" + std::string(name) + "' not found");
    p->value = convert(value, p->type);
    p->assigned = true;
}

void Query::param(std::string_view name, ParamType type, Value value) {
    declare(name, type);
    set(name, std::move(value));
}

Value Query::convert(const Value& v, ParamType type) {
    if (ostrel::sql::isNull(v)) return v;
    switch (type) {
        case ParamType::Integer: return toInteger(v);
        case ParamType::DateTime: return toDouble(v);
        case ParamType::Text:
        case ParamType::LongText: return toText(v);
    }
    return v;
}

void Query::bindAll(sqlite3_stmt* stmt) {
    const int count = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= count; ++i) {
        const char* raw = sqlite3_bind_parameter_name(stmt, i);
        std::string_view name = raw ? raw : "";
        if (!name.empty() && (name[0] == ':' || name[0] == '@' || name[0] == '$')) name.remove_prefix(1);
        Param* p = findParam(name);
        if (!p || !p->assigned)
            throw DbError("No value given for one or more required parameters (" + std::string(name) + ").");
        int rc = SQLITE_OK;
        if (auto* iv = std::get_if<std::int64_t>(&p->value)) {
            rc = sqlite3_bind_int64(stmt, i, *iv);
        } else if (auto* dv = std::get_if<double>(&p->value)) {
            rc = sqlite3_bind_double(stmt, i, *dv);
        } else if (auto* sv = std::get_if<std::string>(&p->value)) {
            rc = sqlite3_bind_text(stmt, i, sv->data(), static_cast<int>(sv->size()), SQLITE_TRANSIENT);
        } else {
            rc = sqlite3_bind_null(stmt, i);
        }
        if (rc != SQLITE_OK) fail(sqlite3_db_handle(stmt));
    }
}

void Query::open() {
    close();
    sqlite3* db = conn_.handle();
    const std::string sql = text();

    StmtPtr stmt;
    std::string table;
    bool withRowId = false;  // a hidden last column holds each row's identity
    auto [single, fromPos] = singleTableSelect(sql);
    if (!single.empty()) {
        // Read each row's identity too, so the row can be posted or deleted.
        // It goes last, so positions in ORDER BY keep their meaning.
        const std::string withId = sql.substr(0, fromPos) + ", _rowid_ AS " + kRowIdColumn + " " + sql.substr(fromPos);
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db, withId.c_str(), -1, &raw, nullptr) == SQLITE_OK && raw) {
            stmt.reset(raw);
            table = single;
            withRowId = true;
        } else {
            sqlite3_finalize(raw);
        }
    }
    if (!stmt) stmt = prepare(db, sql);
    bindAll(stmt.get());

    const int total = sqlite3_column_count(stmt.get());
    const int n = withRowId ? total - 1 : total;
    std::vector<std::string> columns;
    std::vector<std::string> origins;
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(stmt.get(), i);
        columns.emplace_back(name ? name : "");
        const char* origin = sqlite3_column_origin_name(stmt.get(), i);
        origins.emplace_back(origin ? origin : "");
    }

    columns_ = std::move(columns);
    originColumns_ = std::move(origins);
    table_ = std::move(table);
    withRowId_ = withRowId;
    width_ = n;
    current_ = 0;
    if (!sqlite3_stmt_readonly(stmt.get())) readPendingRows(conn_, this);
    pending_stmt_ = stmt.release();
    pendingReaders().emplace_back(&conn_, this);
    active_ = true;
    if (!fetchOnDemand_) fetchAll();
}

bool Query::fetchMore(int count) const {
    sqlite3_stmt* stmt = pending_stmt_;
    if (!stmt) return false;
    for (int done = 0; count < 0 || done < count; ++done) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) {
            finishFetching();
            return false;
        }
        if (rc != SQLITE_ROW) {
            sqlite3* const db = sqlite3_db_handle(stmt);
            DbError error(errorText(db), isBusy(db));
            finishFetching();
            throw error;
        }
        if (withRowId_)
            rowIds_.push_back(sqlite3_column_type(stmt, width_) == SQLITE_NULL ? -1
                                                                               : sqlite3_column_int64(stmt, width_));
        std::vector<Value> row;
        row.reserve(static_cast<std::size_t>(width_));
        for (int i = 0; i < width_; ++i) row.push_back(readColumn(stmt, i));
        rows_.push_back(std::move(row));
    }
    return true;
}

void Query::ensureRows(std::size_t count) const {
    if (rows_.size() < count) fetchMore(static_cast<int>(count - rows_.size()));
}

void Query::finishFetching() const {
    if (pending_stmt_) {
        sqlite3_finalize(pending_stmt_);
        pending_stmt_ = nullptr;
        auto& readers = pendingReaders();
        const std::pair<const Connection*, const Query*> self(&conn_, this);
        readers.erase(std::remove(readers.begin(), readers.end(), self), readers.end());
    }
}

int Query::exec() {
    close();
    sqlite3* db = conn_.handle();
    StmtPtr stmt = prepare(db, text());
    bindAll(stmt.get());
    if (!sqlite3_stmt_readonly(stmt.get())) readPendingRows(conn_, this);
    for (;;) {
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) fail(db);
    }
    return sqlite3_changes(db);
}

void Query::close() {
    finishFetching();
    active_ = false;
    editing_ = false;
    pending_.clear();
    columns_.clear();
    originColumns_.clear();
    rows_.clear();
    rowIds_.clear();
    table_.clear();
    current_ = 0;
}

bool Query::eof() const {
    if (!active_) return true;
    ensureRows(static_cast<std::size_t>(current_) + 1);
    return current_ >= static_cast<int>(rows_.size());
}

bool Query::bof() const { return !active_ || rows_.empty() || current_ <= 0; }

void Query::next() {
    if (editing_) post();
    ensureRows(static_cast<std::size_t>(current_) + 1);
    if (current_ < static_cast<int>(rows_.size())) ++current_;
}

void Query::prior() {
    if (editing_) post();
    if (current_ > 0) --current_;
}

void Query::first() {
    if (editing_) post();
    current_ = 0;
}

void Query::last() {
    if (editing_) post();
    fetchAll();
    current_ = rows_.empty() ? 0 : static_cast<int>(rows_.size()) - 1;
}

int Query::recordCount() const {
    if (!active_) return 0;
    fetchAll();
    return static_cast<int>(rows_.size());
}

int Query::recNo() const { return eof() ? 0 : current_ + 1; }

void Query::setRecNo(int n) {
    if (editing_) post();
    ensureRows(static_cast<std::size_t>(std::max(n, 1)));
    if (rows_.empty()) return;
    current_ = std::clamp(n, 1, static_cast<int>(rows_.size())) - 1;
}

bool Query::locate(std::string_view column, std::string_view prefix) {
    const int col = fieldIndex(column);
    if (col < 0) throw DbError("Field '" + std::string(column) + "' not found");
    fetchAll();
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        if (istartsWith(toText(rows_[r][static_cast<std::size_t>(col)]), prefix)) {
            if (editing_) post();
            current_ = static_cast<int>(r);
            return true;
        }
    }
    return false;
}

int Query::fieldIndex(std::string_view column) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (iequals(columns_[i], column)) return static_cast<int>(i);
    // "Table.Column" may be asked for by its column name alone and vice versa.
    const auto dot = column.rfind('.');
    if (dot != std::string_view::npos) return fieldIndex(column.substr(dot + 1));
    return -1;
}

const Value& Query::cell(std::string_view column) const {
    const int col = fieldIndex(column);
    if (col < 0) throw DbError("Field '" + std::string(column) + "' not found");
    if (eof()) return kNull;
    const auto c = static_cast<std::size_t>(col);
    if (editing_ && pending_[c]) return *pending_[c];
    return rows_[static_cast<std::size_t>(current_)][c];
}

Value Query::value(std::string_view column) const { return cell(column); }

bool Query::isNull(std::string_view column) const { return ostrel::sql::isNull(cell(column)); }

std::int64_t Query::asInteger(std::string_view column) const { return toInteger(cell(column)); }

double Query::asFloat(std::string_view column) const { return toDouble(cell(column)); }

std::string Query::asString(std::string_view column) const { return toText(cell(column)); }

void Query::requireRow(const char* what) const {
    if (eof()) throw DbError(std::string("Cannot ") + what + ": there is no current row.");
    if (table_.empty() || rowIds_[static_cast<std::size_t>(current_)] < 0)
        throw DbError(std::string("Cannot ") + what + ": the result is read-only.");
}

void Query::edit() {
    requireRow("edit the row");
    if (!editing_) {
        editing_ = true;
        pending_.assign(columns_.size(), std::nullopt);
    }
}

void Query::setField(std::string_view column, Value value) {
    if (!editing_) edit();
    const int col = fieldIndex(column);
    if (col < 0) throw DbError("Field '" + std::string(column) + "' not found");
    pending_[static_cast<std::size_t>(col)] = std::move(value);
}

void Query::post() {
    if (!editing_) return;
    std::string sql = "UPDATE " + quoteName(table_) + " SET ";
    std::vector<std::size_t> changed;
    for (std::size_t c = 0; c < pending_.size(); ++c) {
        if (!pending_[c]) continue;
        const std::string& origin = originColumns_[c].empty() ? columns_[c] : originColumns_[c];
        if (!changed.empty()) sql += ", ";
        sql += quoteName(origin) + " = ?";
        changed.push_back(c);
    }
    if (changed.empty()) {
        cancel();
        return;
    }
    sql += " WHERE _rowid_ = ?";
    sqlite3* db = conn_.handle();
    StmtPtr stmt = prepare(db, sql);
    int i = 1;
    for (std::size_t c : changed) {
        const Value& v = *pending_[c];
        if (auto* iv = std::get_if<std::int64_t>(&v)) sqlite3_bind_int64(stmt.get(), i, *iv);
        else if (auto* dv = std::get_if<double>(&v)) sqlite3_bind_double(stmt.get(), i, *dv);
        else if (auto* sv = std::get_if<std::string>(&v))
            sqlite3_bind_text(stmt.get(), i, sv->data(), static_cast<int>(sv->size()), SQLITE_TRANSIENT);
        else sqlite3_bind_null(stmt.get(), i);
        ++i;
    }
    sqlite3_bind_int64(stmt.get(), i, rowIds_[static_cast<std::size_t>(current_)]);
    readPendingRows(conn_, this);
    if (sqlite3_step(stmt.get()) != SQLITE_DONE) fail(db);
    auto& row = rows_[static_cast<std::size_t>(current_)];
    for (std::size_t c : changed) row[c] = *pending_[c];
    cancel();
}

void Query::cancel() {
    editing_ = false;
    pending_.clear();
}

void Query::deleteRow() {
    requireRow("delete the row");
    cancel();
    sqlite3* db = conn_.handle();
    StmtPtr stmt = prepare(db, "DELETE FROM " + quoteName(table_) + " WHERE _rowid_ = ?");
    sqlite3_bind_int64(stmt.get(), 1, rowIds_[static_cast<std::size_t>(current_)]);
    readPendingRows(conn_, this);
    if (sqlite3_step(stmt.get()) != SQLITE_DONE) fail(db);
    const auto at = static_cast<std::ptrdiff_t>(current_);
    rows_.erase(rows_.begin() + at);
    rowIds_.erase(rowIds_.begin() + at);
    ensureRows(static_cast<std::size_t>(current_) + 1);
    if (current_ >= static_cast<int>(rows_.size()) && current_ > 0) current_ = static_cast<int>(rows_.size()) - 1;
}

}  // namespace ostrel::sql
