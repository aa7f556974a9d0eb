// One typed line read into a task, in English and Russian, at a fixed
// present: Thursday 10 December 2026, 10:30:15.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/time/quick_add.h"
#include "dates.h"

using namespace ostrel;
using ostrel::testing::at;

namespace {

const DateTime kNow = at(2026, 12, 10, 10, 30, 15);
constexpr auto En = QuickAddLanguage::English;
constexpr auto Ru = QuickAddLanguage::Russian;
using K = QuickAddIssueKind;

struct TaskCase {
    const char* line;
    QuickAddLanguage lang;
    const char* title;
    DateTime due;
    std::int32_t repeatCount = 0;
    PeriodUnit repeatUnit = puNone;
    bool timeAssumed = false;
};

std::string describe(const QuickAddResult& r) {
    std::string s = "title '" + r.title + "' due " + std::to_string(r.due) + " issues:";
    for (const auto& i : r.issues) s += " [" + std::to_string(static_cast<int>(i.kind)) + " '" + i.fragment + "']";
    return s;
}

}  // namespace

namespace ostrel {
void PrintTo(const QuickAddIssue& i, std::ostream* os) {
    *os << "[" << static_cast<int>(i.kind) << " '" << i.fragment << "']";
}
}  // namespace ostrel

TEST(QuickAdd, SentencesBecomeTasks) {
    const TaskCase cases[] = {
        {"Dentist tomorrow 9:00", En, "Dentist", at(2026, 12, 11, 9)},
        {"Call Ann in 2 hours", En, "Call Ann", at(2026, 12, 10, 12, 30, 15)},
        {"Meeting Friday 14:30 every week", En, "Meeting", at(2026, 12, 11, 14, 30), 1, puWeeks},
        {"Check the oven in 45 min", En, "Check the oven", at(2026, 12, 10, 11, 15, 15)},
        {"Tea in an hour", En, "Tea", at(2026, 12, 10, 11, 30, 15)},
        {"Trip in 2 days at 8:00", En, "Trip", at(2026, 12, 12, 8)},
        // A time already over today is tomorrow's.
        {"Gym every 2 days at 7am", En, "Gym", at(2026, 12, 11, 7), 2, puDays},
        {"Lunch at noon", En, "Lunch", at(2026, 12, 10, 12)},
        {"Flight tomorrow 12am", En, "Flight", at(2026, 12, 11, 0)},
        {"Call back at 5:30 pm", En, "Call back", at(2026, 12, 10, 17, 30)},
        // Today is Thursday: "Thursday" is next week's.
        {"Review thursday 11:00", En, "Review", at(2026, 12, 17, 11)},
        {"Standup next Monday 9:15", En, "Standup", at(2026, 12, 14, 9, 15)},
        {"Tax the day after tomorrow at 10", En, "Tax", at(2026, 12, 12, 10)},
        {"Nightly backup 23:59 daily", En, "Nightly backup", at(2026, 12, 10, 23, 59), 1, puDays},
        {"Report March 12 2027 at 5:30pm", En, "Report", at(2027, 3, 12, 17, 30)},
        // A day without a time takes the default time and says so.
        {"Party 12th March", En, "Party", at(2027, 3, 12, 9), 0, puNone, true},
        {"Pay rent 01.01 every month", En, "Pay rent", at(2027, 1, 1, 9), 1, puMonths, true},
        {"Cards 2026-12-24 12pm", En, "Cards", at(2026, 12, 24, 12)},
        // 29 February without a year: the next leap year's.
        {"Leap day 29.02", En, "Leap day", at(2028, 2, 29, 9), 0, puNone, true},
        // Words that only look like a phrase stay in the title.
        {"Buy 2.5 kg of apples today 18:00", En, "Buy 2.5 kg of apples", at(2026, 12, 10, 18)},
        {"Lunch in town at 13:00", En, "Lunch in town", at(2026, 12, 10, 13)},
        {"Call May tomorrow, at 9", En, "Call May", at(2026, 12, 11, 9)},
        {"DENTIST TOMORROW 9:00", En, "DENTIST", at(2026, 12, 11, 9)},

        {"Стоматолог завтра 9:00", Ru, "Стоматолог", at(2026, 12, 11, 9)},
        {"Позвонить Ане через 2 часа", Ru, "Позвонить Ане", at(2026, 12, 10, 12, 30, 15)},
        {"Совещание в пятницу в 14:30 каждую неделю", Ru, "Совещание", at(2026, 12, 11, 14, 30), 1, puWeeks},
        {"Полить цветы через час", Ru, "Полить цветы", at(2026, 12, 10, 11, 30, 15)},
        {"Чай через полчаса", Ru, "Чай", at(2026, 12, 10, 11, 0, 15)},
        {"Ужин в 7 вечера", Ru, "Ужин", at(2026, 12, 10, 19)},
        {"Обед в 2 дня", Ru, "Обед", at(2026, 12, 10, 14)},
        {"Зарядка ежедневно в 7 утра", Ru, "Зарядка", at(2026, 12, 11, 7), 1, puDays},
        {"Отчёт 12 марта 2027 года в 10:00", Ru, "Отчёт", at(2027, 3, 12, 10)},
        {"ЗАВТРА ВСТРЕЧА В 9", Ru, "ВСТРЕЧА", at(2026, 12, 11, 9)},
        {"Ёлка послезавтра", Ru, "Ёлка", at(2026, 12, 12, 9), 0, puNone, true},
        {"Уборка каждую субботу в 10:00", Ru, "Уборка", at(2026, 12, 12, 10), 1, puWeeks},
        {"Планёрка каждые 2 недели в понедельник 9:30", Ru, "Планёрка", at(2026, 12, 14, 9, 30), 2, puWeeks},
        {"Встреча в следующую среду в 11:00", Ru, "Встреча", at(2026, 12, 16, 11)},
        {"Отпуск на 3 дня с 21.12", Ru, "Отпуск на 3 дня с", at(2026, 12, 21, 9), 0, puNone, true},
    };
    for (const auto& c : cases) {
        const QuickAddResult r = parseQuickAdd(c.line, kNow, c.lang);
        SCOPED_TRACE(c.line);
        EXPECT_TRUE(r.issues.empty()) << describe(r);
        EXPECT_TRUE(r.isTask());
        EXPECT_EQ(r.title, c.title);
        EXPECT_NEAR(r.due, c.due, 1e-9) << describe(r);
        EXPECT_EQ(r.repeatCount, c.repeatCount);
        EXPECT_EQ(static_cast<int>(r.repeatUnit), static_cast<int>(c.repeatUnit));
        EXPECT_EQ(r.timeAssumed, c.timeAssumed);
    }
}

TEST(QuickAdd, WhatWasReadIsListedAsTyped) {
    EXPECT_EQ(parseQuickAdd("Meeting Friday 14:30 every week", kNow, En).understood,
              (std::vector<std::string>{"Friday", "14:30", "every week"}));
    EXPECT_EQ(parseQuickAdd("Совещание в пятницу в 14:30", kNow, Ru).understood,
              (std::vector<std::string>{"в пятницу", "в 14:30"}));
}

TEST(QuickAdd, TheDefaultTimeIsTheCallersChoice) {
    const QuickAddResult r = parseQuickAdd("Dentist tomorrow", kNow, En, {14, 45});
    EXPECT_EQ(r.due, at(2026, 12, 11, 14, 45));
    EXPECT_TRUE(r.timeAssumed);
}

TEST(QuickAdd, WhatIsNotUnderstoodIsSaid) {
    struct Case {
        const char* line;
        QuickAddLanguage lang;
        std::vector<QuickAddIssue> issues;
        bool isTask;
        const char* title;
    };
    const Case cases[] = {
        // Kept in the title and reported; still a task.
        {"Call in 2 boxes tomorrow 9:00", En, {{K::Unclear, "in 2 boxes"}}, true, "Call in 2 boxes"},
        {"Run every fortnight tomorrow 9:00", En, {{K::Unclear, "every fortnight"}}, true, "Run every fortnight"},
        {"Water every 0 days tomorrow 9:00", En, {{K::Unclear, "every 0 days"}}, true, "Water every 0 days"},
        {"Корм через 2 попугая завтра 9:00", Ru, {{K::Unclear, "через 2 попугая"}}, true, "Корм через 2 попугая"},
        // Impossible values.
        {"Dentist tomorrow 25:00", En, {{K::InvalidTime, "25:00"}}, false, "Dentist"},
        {"Tea at 13pm", En, {{K::InvalidTime, "at 13pm"}}, false, "Tea"},
        {"Tea 9:5", En, {{K::InvalidTime, "9:5"}}, false, "Tea"},
        {"Ужин в 25:00", Ru, {{K::InvalidTime, "в 25:00"}}, false, "Ужин"},
        {"Сон в 9 ночи", Ru, {{K::InvalidTime, "в 9 ночи"}}, false, "Сон"},
        {"Party 31.02", En, {{K::InvalidDate, "31.02"}}, false, "Party"},
        {"Party February 30", En, {{K::InvalidDate, "February 30"}}, false, "Party"},
        {"Party 29.02.2027", En, {{K::InvalidDate, "29.02.2027"}}, false, "Party"},
        {"Отчёт 32 марта", Ru, {{K::InvalidDate, "32 марта"}}, false, "Отчёт"},
        // Two of a kind, or a span beside what it contradicts.
        {"Meet tomorrow Friday 9:00", En, {{K::Conflict, "Friday"}}, false, "Meet"},
        {"Call at 9 at 10", En, {{K::Conflict, "at 10"}}, false, "Call"},
        {"Call in 2 hours at 9:00", En, {{K::Conflict, "in 2 hours"}}, false, "Call"},
        {"Trip tomorrow in 2 days", En, {{K::Conflict, "in 2 days"}}, false, "Trip"},
        {"Gym daily every week tomorrow 9:00", En, {{K::Conflict, "every week"}}, false, "Gym"},
        {"Уборка завтра каждую субботу", Ru, {{K::Conflict, "каждую субботу"}}, false, "Уборка"},
        // Over already.
        {"Dentist today 9:00", En, {{K::Past, "today 9:00"}}, false, "Dentist"},
        {"Meeting 01.12.2026 10:00", En, {{K::Past, "01.12.2026 10:00"}}, false, "Meeting"},
        // Nothing to call it, or nothing saying when.
        {"tomorrow 9:00", En, {{K::NoTitle, ""}}, false, ""},
        {"Buy milk", En, {{K::NoWhen, ""}}, false, "Buy milk"},
        {"Standup every day", En, {{K::NoWhen, ""}}, false, "Standup"},
        {"Отпуск 3 дня", Ru, {{K::NoWhen, ""}}, false, "Отпуск 3 дня"},
        {"   ", En, {{K::NoTitle, ""}, {K::NoWhen, ""}}, false, ""},
        // The words of the other language are not read.
        {"Call Ann in 2 hours", Ru, {{K::NoWhen, ""}}, false, "Call Ann in 2 hours"},
        {"Стоматолог завтра", En, {{K::NoWhen, ""}}, false, "Стоматолог завтра"},
    };
    for (const auto& c : cases) {
        const QuickAddResult r = parseQuickAdd(c.line, kNow, c.lang);
        SCOPED_TRACE(c.line);
        EXPECT_EQ(r.issues, c.issues) << describe(r);
        EXPECT_EQ(r.isTask(), c.isTask);
        EXPECT_EQ(r.title, c.title);
    }
}
