#pragma once
// The arithmetic behind the SQL functions of dialect.h, usable from C++ too.

#include <cstdint>
#include <string>

namespace ostrel::sql {

// Date of a date-time (truncation toward zero).
double dateOf(double dateTime);
// Time of day rounded to whole seconds, as seconds / 86400.0.
double timeOfDayToSecond(double dateTime);
// A number as text, with a leading blank when not negative.
std::string numberText(std::int64_t value);
std::string numberText(double value);

}  // namespace ostrel::sql
