#pragma once
// Date and time texts in the user's regional formats.

#include <QDateTime>
#include <QString>

#include "core/time/datetime.h"

namespace ostrel {

// The locale's long time format (hours, minutes, seconds) without a time
// zone name.
QString longTimeFormat();
QString longDateFormat();
// The locale's short time format (hours and minutes) without a time zone
// name.
QString shortTimeFormat();
QString shortDateFormat();

QDateTime toQDateTime(DateTime dt);
DateTime fromQDateTime(const QDateTime& dt);

QString formatLongTime(DateTime dt);
// A time of day (a fraction of a day) in the short time format.
QString formatShortTime(double timeOfDay);
// Short date, one blank, long time (how lists show a date-time).
QString formatShortDateTime(DateTime dt);
// Long date, one blank, long time.
QString formatLongDateTime(DateTime dt);

}  // namespace ostrel
