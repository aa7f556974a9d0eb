#include "core/data/sql/sql_value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/time/datetime.h"

namespace ostrel::sql {

std::int64_t toInteger(const Value& v) {
    if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
    if (auto* d = std::get_if<double>(&v)) return std::isfinite(*d) ? saturatingRound(*d) : 0;
    if (auto* s = std::get_if<std::string>(&v)) return std::strtoll(s->c_str(), nullptr, 10);
    return 0;
}

double toDouble(const Value& v) {
    if (auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* s = std::get_if<std::string>(&v)) return std::strtod(s->c_str(), nullptr);
    return 0.0;
}

std::string toText(const Value& v) {
    if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", *d);
        return buf;
    }
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return {};
}

}  // namespace ostrel::sql
