#pragma once
// The dates of a birthday kept in the address book: the day it falls on in
// a year, the age on a day, the next one, and when its reminder starts.
// 29 February falls on 28 February in a year without it. Nothing is stored
// for a birthday: these are worked out from the contact's date each time.

#include <cstdint>
#include <optional>

#include "core/time/datetime.h"

namespace ostrel {

// The birthday's date (midnight) in year; nothing before the year of birth.
std::optional<DateTime> birthdayInYear(DateTime birth, int year);

// Whether day (any time of it) is the birthday of birth, the day of birth
// itself included.
bool isBirthdayOn(DateTime birth, DateTime day);

// The completed years on day: the age turns on the birthday itself.
// Nothing before the day of birth.
std::optional<int> ageOn(DateTime birth, DateTime day);

// The first birthday on or after the date of from (midnight).
DateTime nextBirthday(DateTime birth, DateTime from);

// The reminder of a birthday advanceDays days ahead: the start (midnight)
// of the reminder window of the first birthday whose window, from that
// start to the end of the birthday, has not ended at now. Inside a window
// the result is not later than now, so a pass shows it at once. Nothing
// when advanceDays is 0 or less (birthday reminders off).
std::optional<DateTime> birthdayReminderTime(DateTime birth, std::int32_t advanceDays, DateTime now);

}  // namespace ostrel
