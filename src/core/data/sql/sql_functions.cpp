// Date-time and text functions with the meaning the program's statements
// expect (see dialect.h).

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/data/sql/connection.h"
#include "core/data/sql/sql_functions.h"
#include "core/text/fold.h"
#include "core/time/clock_service.h"
#include "core/time/datetime.h"

namespace ostrel::sql {
namespace {

// Reads a numeric argument; texts that hold a number are accepted. Returns
// false for null; sets an error and returns false for other texts.
bool numericArg(sqlite3_context* ctx, sqlite3_value* v, double& out) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_NULL: sqlite3_result_null(ctx); return false;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: out = sqlite3_value_double(v); return true;
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
            char* end = nullptr;
            out = text ? std::strtod(text, &end) : 0.0;
            if (!text || end == text) {
                sqlite3_result_error(ctx, "Data type mismatch in criteria expression.", -1);
                return false;
            }
            return true;
        }
    }
}

void fnNow(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_double(ctx, clock().now()); }

void fnInt(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        return;
    }
    double x = 0;
    if (numericArg(ctx, argv[0], x)) sqlite3_result_double(ctx, dateOf(x));
}

void fnTimeValue(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double x = 0;
    if (numericArg(ctx, argv[0], x)) sqlite3_result_double(ctx, timeOfDayToSecond(x));
}

void fnMonth(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double x = 0;
    if (numericArg(ctx, argv[0], x)) sqlite3_result_int(ctx, decodeDate(x).month);
}

void fnDay(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double x = 0;
    if (numericArg(ctx, argv[0], x)) sqlite3_result_int(ctx, decodeDate(x).day);
}

void fnStr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::string s;
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        s = numberText(static_cast<std::int64_t>(sqlite3_value_int64(argv[0])));
    } else {
        double x = 0;
        if (!numericArg(ctx, argv[0], x)) return;
        s = numberText(x);
    }
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// Fold(text): the text folded for matching (core/text/fold.h); null stays
// null.
void fnFold(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int bytes = sqlite3_value_bytes(argv[0]);
    const std::string folded = foldForMatch(std::string_view(text ? text : "", static_cast<std::size_t>(bytes)));
    sqlite3_result_text(ctx, folded.c_str(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

}  // namespace

double dateOf(double dateTime) { return datePart(dateTime); }

double timeOfDayToSecond(double dateTime) {
    // NaN has no time of day; every other value's fraction is below one.
    const long long secs = saturatingRound(timePart(dateTime) * kSecondsPerDay) % kSecondsPerDay;
    // A division, not a multiplication by the reciprocal, so that the result
    // equals the stored half-hour values k * 1800 / 86400.0 bit for bit.
    return static_cast<double>(secs) / 86400.0;
}

std::string numberText(std::int64_t value) {
    std::string s = std::to_string(value);
    return value >= 0 ? " " + s : s;
}

std::string numberText(double value) {
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        return numberText(static_cast<std::int64_t>(value));
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string s = buf;
    return value >= 0 ? " " + s : s;
}

void registerSqlFunctions(sqlite3* db) {
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "Now", 0, SQLITE_UTF8, nullptr, fnNow, nullptr, nullptr);
    sqlite3_create_function(db, "Int", 1, det, nullptr, fnInt, nullptr, nullptr);
    sqlite3_create_function(db, "TimeValue", 1, det, nullptr, fnTimeValue, nullptr, nullptr);
    sqlite3_create_function(db, "Month", 1, det, nullptr, fnMonth, nullptr, nullptr);
    sqlite3_create_function(db, "Day", 1, det, nullptr, fnDay, nullptr, nullptr);
    sqlite3_create_function(db, "Str", 1, det, nullptr, fnStr, nullptr, nullptr);
    sqlite3_create_function(db, "Fold", 1, det, nullptr, fnFold, nullptr, nullptr);
}

}  // namespace ostrel::sql
