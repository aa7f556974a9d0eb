#pragma once
// The shared date-time value: a double counting days since 1899-12-30 00:00
// local time, the fraction being the time of day. Dates before the epoch
// count down: -1.25 is 1899-12-29 06:00 (whole part is the date, the
// magnitude of the fraction is the time of day).

#include <cstdint>

namespace ostrel {

using DateTime = double;

// Value held by the reminder gate until the start-up pass has finished
// (2079-06-04 00:00).
inline constexpr DateTime kFarFuture = 65535.0;

inline constexpr double kMsPerDay = 86400000.0;

// The date-times the reminder engine works with: 0100-01-01 00:00 up to,
// not including, 10000-01-01. A stored value outside (a damaged row, an
// infinite or absurd number) is never due and never walked.
inline constexpr double kFirstServiceDate = -657434.0;  // 0100-01-01
inline constexpr double kEndServiceDate = 2958466.0;    // 10000-01-01
inline bool inServiceRange(DateTime dt) {
    // Dates before the epoch count down: 0100-01-01 12:00 is -657434.5.
    return dt > kFirstServiceDate - 1.0 && dt < kEndServiceDate;  // false for NaN
}

// Whole number nearest to x (halves away from zero), saturated to the range
// of the result type; NaN gives 0. For every double that becomes an integer.
std::int64_t saturatingRound(double x);
int saturatingRoundToInt(double x);
inline constexpr int kSecondsPerDay = 86400;

struct CivilDate {
    int year = 1899;
    int month = 12;
    int day = 30;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

struct CivilTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;
    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

struct CivilDateTime {
    CivilDate date;
    CivilTime time;
    friend bool operator==(const CivilDateTime&, const CivilDateTime&) = default;
};

bool isLeapYear(std::int64_t year);
int daysInMonth(std::int64_t year, int month);
bool isValidDate(int year, int month, int day);
bool isValidTime(int hour, int minute, int second, int msec = 0);

// Serial day number of a calendar date (1899-12-30 is 0).
double encodeDate(int year, int month, int day);
// The same for any proleptic Gregorian date; 64-bit years, so that absurd
// counts give absurd dates rather than overflow. Month 1..12.
double serialDay(std::int64_t year, std::int64_t month, std::int64_t day);
// Fraction of a day for a time of day.
double encodeTime(int hour, int minute, int second, int msec = 0);
// Joins a serial date and a time-of-day fraction following the negative
// date convention above.
DateTime combineDateTime(double date, double timeOfDay);
DateTime encodeDateTime(const CivilDateTime& dt);

// Whole days of a date-time: its date (truncated toward zero).
double datePart(DateTime dt);
// Time of day as a non-negative fraction of a day.
double timePart(DateTime dt);

// Decoding is defined for every double: a value beyond about a million
// years either side is decoded as that limit, NaN as 0 (1899-12-30).
CivilDate decodeDate(DateTime dt);
// Time of day rounded to the nearest millisecond.
CivilTime decodeTime(DateTime dt);
// Full decode; a time that rounds up to 24:00 carries into the next day.
CivilDateTime decodeDateTime(DateTime dt);

// Day of the week, 1 = Sunday ... 7 = Saturday.
int dayOfWeek(DateTime dt);

// Conversions to and from seconds since the Unix epoch, interpreted in the
// machine's local time zone (localtime_r / mktime).
DateTime fromUnixSecondsLocal(double unixSeconds);
double toUnixSecondsLocal(DateTime dt);

}  // namespace ostrel
