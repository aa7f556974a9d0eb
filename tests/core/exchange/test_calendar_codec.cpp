// iCalendar files: our own rows through a file and back, files as other
// calendar programs write them, and text that is no calendar.

#include <gtest/gtest.h>

#include <algorithm>
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

namespace {

std::string foreignEvent(const std::string& title, const std::string& start, const std::string& rule) {
    return "BEGIN:VEVENT\r\nUID:" + title + "\r\nSUMMARY:" + title + "\r\nDTSTART" + start + "\r\nRRULE:" + rule +
           "\r\nEND:VEVENT\r\n";
}

std::string calendarOf(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + events + "END:VCALENDAR\r\n";
}

}  // namespace

// Rules other programs write that a task cannot follow: each is taken as its
// next occurrence, worked out near the present and within a budget, or left
// out and listed when it cannot be worked out. Every case ends at once,
// also a rule of an occurrence a second narrowed to a day that never comes.
TEST(CalendarCodec, RulesTakenAsTheirNextOccurrenceAreWorkedOutOrLeftOut) {
    const DateTime now = at(2026, 12, 10, 12, 0);  // a Thursday
    struct Case {
        const char* title;
        const char* start;
        const char* rule;
        DateTime expected;  // 0: left out and listed
    };
    const Case table[] = {
        {"never-second", ":19000101T000000", "FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30", 0},
        {"never-minute", ":19000101T000000", "FREQ=MINUTELY;BYMONTHDAY=31;BYMONTH=4", 0},
        {"never-hour", ":19000101T000000", "FREQ=HOURLY;BYMONTH=2;BYMONTHDAY=30", 0},
        {"never-day", ":19000101T000000", "FREQ=DAILY;BYMONTH=2;BYMONTHDAY=30", 0},
        {"never-month", ":19000101T000000", "FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=30", 0},
        {"never-year", ":19000101T000000", "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30", 0},
        {"never-fifth-monday-on-the-first", ":19000101T000000", "FREQ=MONTHLY;BYDAY=5MO;BYMONTHDAY=1", 0},
        {"never-all-day", ";VALUE=DATE:19000101", "FREQ=DAILY;BYMONTH=11;BYMONTHDAY=31", 0},
        {"second-narrowed", ":19000101T000000", "FREQ=SECONDLY;BYHOUR=23", 0},
        // Equal steps are worked out, not walked: every second since 1900 is
        // due now, not on a day of 1900.
        {"every-second", ":19000101T000000", "FREQ=SECONDLY", now},
        {"every-7-seconds", ":20261210T115959", "FREQ=SECONDLY;INTERVAL=7", at(2026, 12, 10, 12, 0, 6)},
        // 66,764,885 minutes from 1899-12-31 23:55 to now: 9,537,841 steps of 7 reach 12:02.
        {"every-7-minutes", ":18991231T235500", "FREQ=MINUTELY;INTERVAL=7;COUNT=100000000", at(2026, 12, 10, 12, 2)},
        {"every-second-ended", ":19000101T000000", "FREQ=SECONDLY;COUNT=5", at(1900, 1, 1, 0, 0, 4)},
        {"every-minute-until", ":19000101T000000", "FREQ=MINUTELY;UNTIL=19000101T001030", at(1900, 1, 1, 0, 10)},
        {"every-hour-on-saturdays", ":19000101T093000", "FREQ=HOURLY;BYDAY=SA", at(2026, 12, 12, 0, 30)},
        {"leap-day", ":19000101T090000", "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29", at(2028, 2, 29, 9, 0)},
        {"weekdays", ":19000101T080000", "FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR", at(2026, 12, 11, 8, 0)},
        {"last-friday", ":19000105T170000", "FREQ=MONTHLY;BYDAY=-1FR", at(2026, 12, 25, 17, 0)},
        {"last-sunday-of-march", ":19000101T010000", "FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU", at(2027, 3, 28, 1, 0)},
        {"first-monday-of-the-year", ":19000101T010000", "FREQ=YEARLY;BYDAY=1MO", at(2027, 1, 4, 1, 0)},
        {"monthly-31st", ":19000131T100000", "FREQ=MONTHLY;COUNT=2000", at(2026, 12, 31, 10, 0)},
        {"month-ends", ":19000131T100000", "FREQ=MONTHLY;BYMONTHDAY=31,-1", at(2026, 12, 31, 10, 0)},
        {"leap-day-ended", ":19000101T090000", "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29;UNTIL=20260101T000000",
         at(2024, 2, 29, 9, 0)},
        {"ended-weekdays", ":20261101T080000", "FREQ=DAILY;BYDAY=MO;UNTIL=20261125T000000", at(2026, 11, 23, 8, 0)},
    };
    std::string events;
    for (const Case& c : table) events += foreignEvent(c.title, c.start, c.rule);
    const CalendarRead read = readCalendar(calendarOf(events), "Europe/Berlin", now);
    std::vector<std::string> refused;
    for (const Case& c : table) {
        SCOPED_TRACE(c.title);
        const auto it = std::find_if(read.entries.begin(), read.entries.end(),
                                     [&](const CalendarEntry& e) { return e.title == c.title; });
        if (c.expected == 0) {
            refused.push_back(c.title);
            EXPECT_EQ(it, read.entries.end());
            continue;
        }
        ASSERT_NE(it, read.entries.end());
        EXPECT_NEAR(it->start, c.expected, 0.5 / 86400) << decodeDateTime(it->start).date.year;
        EXPECT_EQ(it->periodInt, 0);
    }
    EXPECT_EQ(read.ruleRefused, refused);
    EXPECT_EQ(read.skipped, static_cast<int>(refused.size()));
}

// The budget is shared by a file's rules: once spent, the rules after are
// left out and listed; a file stops between two events when asked; more
// entries than allowed refuse the file before any is read; an entry of a
// title or comment over the limit is left out and listed.
TEST(CalendarCodec, LimitsOfOneFile) {
    const DateTime now = at(2026, 12, 10, 12, 0);
    std::string events;
    for (int i = 0; i < 5; ++i)
        events += foreignEvent("weekdays " + std::to_string(i), ":19900101T080000",
                               "FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR;COUNT=20000");
    ReadLimits limits;
    limits.ruleSteps = 12000;  // enough for the first rule (9,640 weekdays to the present), not for two
    const CalendarRead read = readCalendar(calendarOf(events), "Europe/Berlin", now, limits);
    ASSERT_EQ(read.entries.size(), 1u);
    EXPECT_NEAR(read.entries[0].start, at(2026, 12, 11, 8, 0), 0.5 / 86400);
    EXPECT_EQ(read.ruleRefused.size(), 4u);

    ReadLimits stopAtThird;
    std::size_t asked = 0;
    stopAtThird.step = [&](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, 5u);
        ++asked;
        return done < 2;
    };
    EXPECT_THROW(readCalendar(calendarOf(events), "Europe/Berlin", now, stopAtThird), ExchangeStopped);
    EXPECT_EQ(asked, 3u);

    ReadLimits four;
    four.maxEntries = 4;
    try {
        readCalendar(calendarOf(events), "Europe/Berlin", now, four);
        ADD_FAILURE() << "five entries read under a limit of four";
    } catch (const ExchangeLimitError& e) {
        EXPECT_EQ(e.which, ExchangeLimit::Entries);
        EXPECT_EQ(e.limit, 4u);
    }

    const std::string longTitle(70 * 1024, 'x');
    const std::string text =
        calendarOf("BEGIN:VEVENT\r\nUID:long\r\nSUMMARY:" + longTitle +
                   "\r\nDTSTART:20270101T100000\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:short\r\nSUMMARY:Short\r\n"
                   "DTSTART:20270101T100000\r\nEND:VEVENT\r\n");
    const CalendarRead longRead = readCalendar(text, "Europe/Berlin", now);
    ASSERT_EQ(longRead.entries.size(), 1u);
    EXPECT_EQ(longRead.entries[0].uid, "short");
    EXPECT_EQ(longRead.tooLong, (std::vector<std::string>{std::string(60, 'x') + "…"}));
    EXPECT_EQ(longRead.skipped, 1);
}

// A bare carriage return, a backspace or a form feed in a value does not
// survive libical's writer, nor a blank at the end of a UID (here from the
// unknown escape "\Z") its reader, so a UID holding one came back changed
// and the entry was imported again as a new one; a title holding one came
// back as another title.
TEST(CalendarCodec, ABareCarriageReturnDoesNotChangeAnEntryOnARoundTrip) {
    const DateTime now = at(2026, 12, 10, 12, 0);
    const std::string text = calendarOf(
        "BEGIN:VEVENT\r\nUID:ab\rc\bd\f@example.com\\Z\r\nSUMMARY:one\rtwo\b\r\nDESCRIPTION:three\f\r\r\n"
        "DTSTART:20270101T100000Z\r\nEND:VEVENT\r\n");
    const CalendarRead first = readCalendar(text, "Europe/Berlin", now);
    ASSERT_EQ(first.entries.size(), 1u);
    for (const std::string zone : {"Europe/Berlin", ""}) {
        SCOPED_TRACE(zone);
        const CalendarRead again = readCalendar(writeCalendar(first.entries, zone), "Europe/Berlin", now);
        ASSERT_EQ(again.entries.size(), 1u);
        EXPECT_EQ(again.entries[0].uid, first.entries[0].uid);
        EXPECT_TRUE(sameEntry(again.entries[0], first.entries[0]))
            << again.entries[0].title << " / " << first.entries[0].title;
    }
    // And the file itself read again gives the same identifier.
    EXPECT_EQ(readCalendar(text, "Europe/Berlin", now).entries[0].uid, first.entries[0].uid);
    EXPECT_FALSE(mayBeCalendar(std::string(4096, '\0')));
    EXPECT_TRUE(mayBeCalendar("\xEF\xBB\xBF\r\nbegin:vcal"));
}
