#include "core/time/datetime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>

namespace ostrel {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp + (mp < 10 ? 3 : -9);
    return CivilDate{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr std::int64_t kEpochOffsetDays = 25569;  // 1899-12-30 .. 1970-01-01

// Serial days decoded at most: about a million years either side, so that
// every year fits an int and every day count an int64.
constexpr double kDecodeLimit = 4e8;

DateTime decodable(DateTime dt) {
    if (std::isnan(dt)) return 0.0;
    return std::clamp(dt, -kDecodeLimit, kDecodeLimit);
}

}  // namespace

std::int64_t saturatingRound(double x) {
    if (std::isnan(x)) return 0;
    // 2^63 is a double; every double below it converts.
    constexpr double kTop = 9223372036854775808.0;
    if (x >= kTop) return INT64_MAX;
    if (x <= -kTop) return INT64_MIN;
    return std::llround(x);
}

int saturatingRoundToInt(double x) {
    return static_cast<int>(std::clamp<std::int64_t>(saturatingRound(x), INT32_MIN, INT32_MAX));
}

bool isLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(std::int64_t year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

bool isValidTime(int hour, int minute, int second, int msec) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 && msec >= 0 &&
           msec < 1000;
}

double encodeDate(int year, int month, int day) { return serialDay(year, month, day); }

double serialDay(std::int64_t year, std::int64_t month, std::int64_t day) {
    return static_cast<double>(daysFromCivil(year, month, day) + kEpochOffsetDays);
}

double encodeTime(int hour, int minute, int second, int msec) {
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec;
    return ms / kMsPerDay;
}

DateTime combineDateTime(double date, double timeOfDay) { return date < 0 ? date - timeOfDay : date + timeOfDay; }

DateTime encodeDateTime(const CivilDateTime& dt) {
    return combineDateTime(encodeDate(dt.date.year, dt.date.month, dt.date.day),
                           encodeTime(dt.time.hour, dt.time.minute, dt.time.second, dt.time.msec));
}

double datePart(DateTime dt) { return std::trunc(dt); }

double timePart(DateTime dt) { return std::fabs(dt - std::trunc(dt)); }

CivilDate decodeDate(DateTime dt) { return decodeDateTime(dt).date; }

CivilTime decodeTime(DateTime dt) { return decodeDateTime(dt).time; }

CivilDateTime decodeDateTime(DateTime dt) {
    dt = decodable(dt);
    double date = datePart(dt);
    auto ms = static_cast<std::int64_t>(std::llround(timePart(dt) * kMsPerDay));
    if (ms >= static_cast<std::int64_t>(kMsPerDay)) {
        // 23:59:59.9996 rounds to the next midnight.
        ms -= static_cast<std::int64_t>(kMsPerDay);
        date += 1;
    }
    CivilDateTime out;
    out.date = civilFromDays(static_cast<std::int64_t>(date) - kEpochOffsetDays);
    out.time.msec = static_cast<int>(ms % 1000);
    ms /= 1000;
    out.time.second = static_cast<int>(ms % 60);
    ms /= 60;
    out.time.minute = static_cast<int>(ms % 60);
    out.time.hour = static_cast<int>(ms / 60);
    return out;
}

int dayOfWeek(DateTime dt) {
    // 1899-12-30 was a Saturday (7).
    const auto days = static_cast<std::int64_t>(datePart(decodable(dt)));
    const auto r = ((days + 6) % 7 + 7) % 7;  // 0 = Sunday
    return static_cast<int>(r) + 1;
}

DateTime fromUnixSecondsLocal(double unixSeconds) {
    // Beyond the decodable range nothing is local time any more.
    constexpr double kLimit = kDecodeLimit * kSecondsPerDay;
    if (std::isnan(unixSeconds)) unixSeconds = 0.0;
    unixSeconds = std::clamp(unixSeconds, -kLimit, kLimit);
    const double whole = std::floor(unixSeconds);
    const std::time_t t = static_cast<std::time_t>(whole);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    const double frac = unixSeconds - whole;
    CivilDateTime c;
    c.date = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
    c.time = {tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59), 0};
    return encodeDateTime(c) + frac / kSecondsPerDay;
}

double toUnixSecondsLocal(DateTime dt) {
    const CivilDateTime c = decodeDateTime(dt);
    std::tm tm{};
    tm.tm_year = c.date.year - 1900;
    tm.tm_mon = c.date.month - 1;
    tm.tm_mday = c.date.day;
    tm.tm_hour = c.time.hour;
    tm.tm_min = c.time.minute;
    tm.tm_sec = c.time.second;
    tm.tm_isdst = -1;
    return static_cast<double>(std::mktime(&tm)) + c.time.msec / 1000.0;
}

}  // namespace ostrel
