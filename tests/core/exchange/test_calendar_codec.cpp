// iCalendar files: our own rows through a file and back, files as other
// calendar programs write them, and text that is no calendar.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/data/period.h"
#include "core/exchange/calendar_codec.h"
#include "core/time/datetime.h"

using namespace ostrel;
using namespace ostrel::exchange;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return encodeDateTime({{y, mo, d}, {h, mi, s, 0}});
}

std::string fixture(const char* name) {
    std::ifstream f(std::string(OSTREL_SOURCE_DIR) + "/tests/fixtures/exchange/" + name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

CalendarEntry entry(EntryKind kind, const char* title, DateTime start, int periodInt = 0, int periodType = 0,
                    int elapseInt = 1, int elapseType = puHours) {
    CalendarEntry e;
    e.kind = kind;
    e.uid = std::string("uid-") + title;
    e.title = title;
    e.start = start;
    e.periodInt = periodInt;
    e.periodType = static_cast<PeriodUnit>(periodType);
    e.elapseInt = elapseInt;
    e.elapseType = static_cast<PeriodUnit>(elapseType);
    return e;
}

std::vector<CalendarEntry> everyKindOfRow() {
    std::vector<CalendarEntry> rows;
    CalendarEntry once = entry(EntryKind::Task, "Once", at(2027, 3, 27, 2, 30, 15), 0, 0, 15, puMinutes);
    once.comment = "Line one\nLine two, with; separators \\ and a backslash";
    rows.push_back(once);
    // A time the spring clock change skips: kept as entered where the file
    // names our zone.
    rows.push_back(entry(EntryKind::Task, "In the skipped hour", at(2027, 3, 28, 2, 30), 0, 0, 1, puHours));
    const char* units[] = {"Every minute", "Every 2 hours",  "Every 3 days",
                           "Every week",   "Every 6 months", "Every year"};
    const int counts[] = {1, 2, 3, 1, 6, 1};
    for (int u = puMinutes; u <= puYears; ++u)
        rows.push_back(
            entry(EntryKind::Task, units[u - 1], at(2026, 1, 31, 9, 0), counts[u - 1], u, 2, u <= 3 ? u : 3));
    CalendarEntry done = entry(EntryKind::Task, "Done already", at(2025, 6, 1, 8, 0));
    done.done = true;
    rows.push_back(done);
    CalendarEntry afterStart = entry(EntryKind::AfterStart, "After start", 30 / 1440.0, 0, 0, 10, puMinutes);
    afterStart.dueAt = at(2026, 12, 10, 8, 30);
    rows.push_back(afterStart);
    CalendarEntry afterStartRepeating = entry(EntryKind::AfterStart, "Hourly after start", 2 / 24.0, 1, puHours);
    afterStartRepeating.dueAt = at(2026, 12, 10, 10, 0);
    rows.push_back(afterStartRepeating);
    CalendarEntry holiday = entry(EntryKind::Holiday, "День рождения — Юра", at(1984, 2, 29), 0, 0, 7, 0);
    holiday.comment = "Не забыть торт";
    rows.push_back(holiday);
    rows.push_back(entry(EntryKind::Holiday, "No reminder", at(2026, 1, 1), 0, 0, 0, 0));
    rows.push_back(entry(EntryKind::Plan, "Plan over three slots", at(2027, 1, 5, 10, 0), 0, 0, 3, 0));
    rows.push_back(entry(EntryKind::Plan, "Whole day", at(2027, 1, 6), 0, 0, 48, 0));
    return rows;
}

}  // namespace

TEST(CalendarCodec, EveryKindOfRowComesBackUnchanged) {
    // With the zone named (TZID and VTIMEZONE) and without one (UTC, where
    // the skipped hour cannot be told).
    for (const std::string zone : {"Europe/Berlin", ""}) {
        SCOPED_TRACE(zone);
        std::vector<CalendarEntry> rows = everyKindOfRow();
        if (zone.empty()) std::erase_if(rows, [](const CalendarEntry& e) { return e.title == "In the skipped hour"; });
        const std::string text = writeCalendar(rows, zone);
        const CalendarRead back = readCalendar(text, zone, at(2026, 12, 10, 12, 0));
        EXPECT_EQ(back.skipped, 0);
        EXPECT_TRUE(back.ruleNotKept.empty());
        ASSERT_EQ(back.entries.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows[i].title);
            EXPECT_EQ(back.entries[i].uid, rows[i].uid);
            EXPECT_TRUE(sameEntry(back.entries[i], rows[i]))
                << "start " << back.entries[i].start << " vs " << rows[i].start << ", period "
                << back.entries[i].periodInt << "/" << static_cast<int>(back.entries[i].periodType) << ", elapse "
                << back.entries[i].elapseInt << "/" << static_cast<int>(back.entries[i].elapseType);
        }
    }
}

TEST(CalendarCodec, WritesWhatOtherProgramsRead) {
    const std::string text = writeCalendar(everyKindOfRow(), "Europe/Berlin");
    // CRLF lines of at most 75 octets.
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 75u) << text.substr(start, end - start);
        start = end + 2;
    }
    for (const char* expected :
         {"DTSTART;TZID=Europe/Berlin:20270327T023015", "DTSTART;TZID=Europe/Berlin:20270328T023000",
          "RRULE:FREQ=MINUTELY", "RRULE:FREQ=HOURLY;INTERVAL=2", "RRULE:FREQ=DAILY;INTERVAL=3", "RRULE:FREQ=WEEKLY\r\n",
          "RRULE:FREQ=MONTHLY;INTERVAL=6", "RRULE:FREQ=YEARLY\r\n", "DTSTART;VALUE=DATE:19840229", "TRIGGER:-P7D",
          "TRIGGER:PT0S", "X-OSTREL-KIND:AFTER-START", "X-OSTREL-AFTER-START:PT30M", "DURATION:PT15M",
          "BEGIN:VTIMEZONE", "TZID:Europe/Berlin", "DTEND;TZID=Europe/Berlin:20270105T113000"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

TEST(CalendarCodec, ReadsFilesOfOtherCalendarPrograms) {
    const CalendarRead read = readCalendar(fixture("calendar_programs.ics"), "Europe/Berlin", at(2026, 12, 10, 15, 0));
    // The moved occurrence of a series and the to-do without a date.
    EXPECT_EQ(read.skipped, 2);
    EXPECT_EQ(read.ruleNotKept, (std::vector<std::string>{"Gym", "Course", "Rent (ended)"}));

    struct Expected {
        const char* uid;
        EntryKind kind;
        DateTime start;
        int periodInt, periodType, elapseInt, elapseType;
    };
    const Expected table[] = {
        // TZID with its VTIMEZONE: 09:00 in New York is 15:00 here; 90 minutes long.
        {"tz-event@example.com", EntryKind::Task, at(2027, 1, 15, 15, 0), 0, 0, 90, puMinutes},
        {"utc-event@example.com", EntryKind::Task, at(2027, 3, 1, 9, 0), 0, 0, 2, puHours},
        // A floating time is local; no length: the editor's hour.
        {"floating@example.com", EntryKind::Task, at(2027, 3, 2, 7, 0), 0, 0, 1, puHours},
        // BYDAY that only restates the start: a task repeating every two weeks.
        {"weekly-ours@example.com", EntryKind::Task, at(2027, 1, 4, 10, 0), 2, puWeeks, 1, puHours},
        // BYDAY of three days: the next occurrence.
        {"weekly-byday@example.com", EntryKind::Task, at(2026, 12, 14, 18, 0), 0, 0, 45, puMinutes},
        // COUNT and UNTIL in the past: the last occurrence.
        {"count@example.com", EntryKind::Task, at(2026, 12, 5, 9, 0), 0, 0, 1, puHours},
        {"until@example.com", EntryKind::Task, at(2026, 6, 5, 12, 0), 0, 0, 1, puHours},
        // Yearly all-day: holidays, dated as the holiday editor stores them.
        {"birthday@example.com", EntryKind::Holiday, at(1985, 6, 23), 0, 0, 3, 0},
        {"future-holiday@example.com", EntryKind::Holiday, at(2026, 7, 4), 0, 0, 0, 0},
        // All-day once: a plan over the whole day.
        {"allday@example.com", EntryKind::Plan, at(2027, 2, 10), 0, 0, 48, 0},
        {"todo@example.com", EntryKind::Task, at(2027, 1, 10, 18, 0), 0, 0, 1, puHours},
        {"unicode@example.com", EntryKind::Task, at(2027, 4, 1, 12, 0), 0, 0, 1, puHours},
    };
    ASSERT_EQ(read.entries.size(), std::size(table));
    for (std::size_t i = 0; i < std::size(table); ++i) {
        const CalendarEntry& e = read.entries[i];
        const Expected& x = table[i];
        SCOPED_TRACE(x.uid);
        EXPECT_EQ(e.uid, x.uid);
        EXPECT_EQ(e.kind, x.kind);
        EXPECT_NEAR(e.start, x.start, 0.5 / 86400);
        EXPECT_EQ(e.periodInt, x.periodInt);
        EXPECT_EQ(e.periodType, x.periodType);
        EXPECT_EQ(e.elapseInt, x.elapseInt);
        if (x.kind == EntryKind::Task) {
            EXPECT_EQ(e.elapseType, x.elapseType);
        }
    }
    EXPECT_EQ(read.entries[0].title, "Call with New York");
    EXPECT_EQ(read.entries[0].comment, "Agenda: budget, staffing; travel\nSecond line");
    EXPECT_EQ(read.entries[7].title, "Geburtstag von Jürgen");
    // Folded across lines in the middle of a UTF-8 character's run.
    EXPECT_EQ(read.entries[11].title,
              "Встреча с клиентом в переговорной комнате на третьем этаже — обсуждение договора");
}

TEST(CalendarCodec, RefusesWhatIsNoCalendar) {
    const std::string notCalendars[] = {
        "",
        "hello world",
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:A\r\nEND:VCARD\r\n",
        std::string("\x89PNG\r\n\x1a\n\0\0\0", 12),
        "BEGIN:VCALENDAR",  // nothing after the first line
    };
    for (const std::string& text : notCalendars) {
        SCOPED_TRACE(text);
        EXPECT_THROW(readCalendar(text, "Europe/Berlin", at(2026, 12, 10)), ExchangeError);
    }
}

TEST(CalendarCodec, NewIdentifiersDiffer) {
    EXPECT_NE(newUid(), newUid());
    const std::string u = newUuid();
    ASSERT_EQ(u.size(), 36u);
    EXPECT_EQ(u[14], '4');
    EXPECT_TRUE(u[19] == '8' || u[19] == '9' || u[19] == 'a' || u[19] == 'b');
}
