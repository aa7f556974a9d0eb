#pragma once
// One line typed by the user ("Dentist tomorrow 9:00", "Call Ann in 2
// hours", "Meeting Friday 14:30 every week", "Позвонить маме завтра в 18:00")
// read into a task: its title, when it is due and how it repeats.
//
// Rules:
// - The words of the given language are read, numbers in either language:
//   times "9:00", "9:30pm", "at 9", "9 am" / "в 9", "в 9 вечера"; days
//   "today", "tomorrow", "the day after tomorrow", weekdays ("Friday",
//   "on Friday", "next Friday") / "сегодня", "завтра", "послезавтра",
//   "в пятницу"; dates "12.03", "12.03.2027", "2027-03-12", "March 12",
//   "12 March" / "12 марта"; a span from the present "in 2 hours",
//   "in an hour" / "через 2 часа", "через час", "через полчаса"; a repeat
//   "every week", "every 2 days", "every Friday", "daily" / "каждую
//   неделю", "каждые 2 дня", "каждую пятницу", "ежедневно".
// - Whatever is not read as one of these stays in the title, in the order
//   and case typed.
// - A weekday is its next date after today (a week ahead when today is that
//   day). A date without a year is its next date from the present on.
// - A time without a day is today when it is still ahead, otherwise
//   tomorrow. A day without a time takes defaultTime and says so
//   (timeAssumed).
// - Nothing is guessed silently: a phrase that begins like one of the above
//   but is not one ("in 2 boxes") stays in the title and is reported as
//   unclear; an impossible date or time, two days, two times, two repeats, a
//   span beside a day or time it contradicts, a moment already past, a line
//   without a title and a line that says no day or time are errors, and
//   such a line is not a task.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/period.h"
#include "core/time/datetime.h"

namespace ostrel {

enum class QuickAddLanguage : std::uint8_t { English, Russian };

enum class QuickAddIssueKind : std::uint8_t {
    Unclear,      // kept in the title; the line is still a task
    InvalidDate,  // "31.02", "February 30"
    InvalidTime,  // "25:00", "13pm"
    Conflict,     // two days, two times, two repeats, a span beside a day or time
    Past,         // the moment is already over
    NoTitle,      // nothing left for the title
    NoWhen,       // neither a day nor a time nor a span
};

struct QuickAddIssue {
    QuickAddIssueKind kind = QuickAddIssueKind::Unclear;
    std::string fragment;  // the words concerned, as typed (empty for NoTitle, NoWhen)
    friend bool operator==(const QuickAddIssue&, const QuickAddIssue&) = default;
};

struct QuickAddResult {
    std::string title;
    DateTime due = 0.0;        // valid when isTask()
    bool timeAssumed = false;  // a day was given without a time
    std::int32_t repeatCount = 0;
    PeriodUnit repeatUnit = puNone;  // puNone: does not repeat
    std::vector<std::string> understood;  // the phrases read, as typed, in order
    std::vector<QuickAddIssue> issues;

    // True when no issue but Unclear was found.
    bool isTask() const;
};

struct QuickAddTime {
    int hour = 9;
    int minute = 0;
};

QuickAddResult parseQuickAdd(std::string_view line, DateTime now, QuickAddLanguage language,
                             QuickAddTime defaultTime = {});

}  // namespace ostrel
