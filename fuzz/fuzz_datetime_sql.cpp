// The date-time arithmetic and the SQL functions registered on the
// connection, on arbitrary doubles, integers and texts (bound as the
// program binds them).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/data/period.h"
#include "core/data/sql/connection.h"
#include "core/data/sql/query.h"
#include "core/data/sql/sql_functions.h"
#include "core/time/datetime.h"

namespace {

struct Input {
    const std::uint8_t* p;
    std::size_t n;
    template <typename T>
    T take() {
        T v{};
        const std::size_t k = n < sizeof v ? n : sizeof v;
        std::memcpy(&v, p, k);
        p += k;
        n -= k;
        return v;
    }
    std::string rest() { return std::string(reinterpret_cast<const char*>(p), n); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel;
    Input in{data, size};
    const double x = in.take<double>();
    const auto i = in.take<std::int64_t>();
    const auto unit = in.take<std::uint8_t>();
    const auto count = in.take<std::int32_t>();
    const std::string text = in.rest();

    const CivilDateTime c = decodeDateTime(x);
    if (c.date.month < 1 || c.date.month > 12 || c.date.day < 1 || c.date.day > 31 || c.time.hour > 23)
        __builtin_trap();
    if (dayOfWeek(x) < 1 || dayOfWeek(x) > 7) __builtin_trap();
    // Decoded and encoded again, a date-time comes back to within the
    // rounding to milliseconds. (Only from the epoch on: before it the
    // fraction counts the other way, so a time rounded up to midnight lands
    // a whole day away in value though next to it in time.)
    if (inServiceRange(x) && x >= 0 && std::fabs(encodeDateTime(c) - x) > 1e-3) __builtin_trap();
    (void)AddPeriod(static_cast<PeriodUnit>(unit), count, x);
    (void)encodeDate(static_cast<int>(i % 20000), static_cast<int>(unit % 12) + 1, 1);
    (void)serialDay(i % 4000000000LL, unit % 12 + 1, count % 40);
    (void)sql::numberText(x);
    (void)sql::numberText(i);
    const double tv = sql::timeOfDayToSecond(x);
    if (!(tv >= 0.0 && tv < 1.0)) __builtin_trap();
    (void)saturatingRound(x);
    (void)toUnixSecondsLocal(x);
    (void)fromUnixSecondsLocal(x);

    static sql::Connection conn(":memory:");
    try {
        sql::Query q(conn);
        q.add("SELECT Int(:X) AS A, TimeValue(:X) AS B, Month(:X) AS C, Day(:X) AS D, Str(:X) AS E,");
        q.add("Int(:I) AS F, Str(:I) AS G, Int(:T) AS H, TimeValue(:T) AS J, Month(:T) AS K, Str(:T) AS L");
        q.param("X", sql::ParamType::DateTime, x);
        q.param("I", sql::ParamType::Integer, i);
        q.param("T", sql::ParamType::Text, text);
        q.open();
        for (const char* col : {"A", "B", "C", "D", "E", "F", "G", "H", "J", "K", "L"}) {
            (void)q.asInteger(col);
            (void)q.asDateTime(col);
            (void)q.asString(col);
        }
    } catch (const sql::DbError&) {
        // A text that is not a number is "Data type mismatch".
    }
    return 0;
}
