#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>

namespace ostrel::sql {

// An error raised by the SQL engine or by the query layer. what() holds the
// engine's own text.
class DbError : public std::runtime_error {
public:
    explicit DbError(const std::string& what, bool busy = false) : std::runtime_error(what), busy_(busy) {}
    // Another connection held the lock the statement needed (the engine's
    // "database is locked"): the same work may succeed later.
    bool busy() const noexcept { return busy_; }

private:
    bool busy_;
};

// Declared kind of a named parameter.
enum class ParamType { Integer, DateTime, Text, LongText };

// A value read from or bound to a statement. monostate is SQL null.
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool isNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// Conversions used by typed reads: null reads as 0, 0.0 or "".
std::int64_t toInteger(const Value& v);
double toDouble(const Value& v);
std::string toText(const Value& v);

}  // namespace ostrel::sql
