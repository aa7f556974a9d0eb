#include "core/data/birthdays.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

std::optional<DateTime> birthdayInYear(DateTime birth, int year) {
    const CivilDate b = decodeDate(birth);
    if (year < b.year || year < 1 || year > 9999) return std::nullopt;
    const int day = std::min(b.day, daysInMonth(year, b.month));
    return encodeDate(year, b.month, day);
}

bool isBirthdayOn(DateTime birth, DateTime day) {
    const DateTime date = std::floor(day);
    const auto inYear = birthdayInYear(birth, decodeDate(date).year);
    return inYear && *inYear == date;
}

std::optional<int> ageOn(DateTime birth, DateTime day) {
    const DateTime date = std::floor(day);
    if (date < std::floor(birth)) return std::nullopt;
    const int year = decodeDate(date).year;
    const int born = decodeDate(birth).year;
    const auto thisYear = birthdayInYear(birth, year);
    return year - born - (thisYear && date < *thisYear ? 1 : 0);
}

DateTime nextBirthday(DateTime birth, DateTime from) {
    const DateTime date = std::floor(from);
    const int year = decodeDate(date).year;
    for (int y = year; y <= year + 1; ++y)
        if (const auto b = birthdayInYear(birth, y); b && *b >= date) return *b;
    // Born after from: the day of birth itself.
    return std::floor(birth);
}

std::optional<DateTime> birthdayReminderTime(DateTime birth, std::int32_t advanceDays, DateTime now) {
    if (advanceDays <= 0) return std::nullopt;
    // The window of a birthday ends with its day; the first not ended yet
    // belongs to the next birthday from today on.
    const DateTime birthday = nextBirthday(birth, now);
    return birthday - advanceDays;
}

}  // namespace ostrel
