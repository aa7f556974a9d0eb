#include "core/time/quick_add.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "core/text/fold.h"

namespace ostrel {

bool QuickAddResult::isTask() const {
    for (const auto& issue : issues)
        if (issue.kind != QuickAddIssueKind::Unclear) return false;
    return true;
}

namespace {

constexpr int kMaxCount = 999;

struct Token {
    std::size_t begin = 0;  // byte range in the line
    std::size_t end = 0;
    std::string key;  // folded, without trailing punctuation
};

struct Named {
    const char* word;
    int value;
};

std::optional<int> lookup(const std::string& key, std::initializer_list<Named> table) {
    for (const auto& n : table)
        if (key == n.word) return n.value;
    return std::nullopt;
}

std::optional<int> smallNumber(std::string_view s) {
    if (s.empty() || s.size() > 4) return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// "12", "12th", "1st": a day of the month.
std::optional<int> dayNumber(const std::string& key, QuickAddLanguage lang) {
    if (auto n = smallNumber(key)) return n;
    if (lang == QuickAddLanguage::English && key.size() > 2) {
        const std::string_view tail = std::string_view(key).substr(key.size() - 2);
        if (tail == "st" || tail == "nd" || tail == "rd" || tail == "th")
            return smallNumber(std::string_view(key).substr(0, key.size() - 2));
    }
    return std::nullopt;
}

std::optional<PeriodUnit> unitWord(const std::string& k, QuickAddLanguage lang) {
    std::optional<int> u;
    if (lang == QuickAddLanguage::English)
        u = lookup(k, {{"minute", puMinutes}, {"minutes", puMinutes}, {"min", puMinutes}, {"mins", puMinutes},
                       {"hour", puHours},     {"hours", puHours},     {"hr", puHours},   {"hrs", puHours},
                       {"h", puHours},        {"day", puDays},        {"days", puDays},  {"week", puWeeks},
                       {"weeks", puWeeks},    {"month", puMonths},    {"months", puMonths},
                       {"year", puYears},     {"years", puYears}});
    else
        u = lookup(k, {{"минута", puMinutes}, {"минуты", puMinutes}, {"минут", puMinutes}, {"минуту", puMinutes},
                       {"мин", puMinutes},    {"час", puHours},      {"часа", puHours},    {"часов", puHours},
                       {"день", puDays},      {"дня", puDays},       {"дней", puDays},     {"сутки", puDays},
                       {"неделя", puWeeks},   {"недели", puWeeks},   {"недель", puWeeks},  {"неделю", puWeeks},
                       {"месяц", puMonths},   {"месяца", puMonths},  {"месяцев", puMonths}, {"год", puYears},
                       {"года", puYears},     {"лет", puYears}});
    if (!u) return std::nullopt;
    return static_cast<PeriodUnit>(*u);
}

// 1 = Sunday ... 7 = Saturday, as dayOfWeek.
std::optional<int> weekdayWord(const std::string& k, QuickAddLanguage lang) {
    if (lang == QuickAddLanguage::English)
        return lookup(k, {{"sunday", 1},   {"sun", 1},    {"monday", 2},   {"mon", 2},   {"tuesday", 3},
                          {"tue", 3},      {"tues", 3},   {"wednesday", 4}, {"wed", 4},  {"thursday", 5},
                          {"thu", 5},      {"thur", 5},   {"thurs", 5},    {"friday", 6}, {"fri", 6},
                          {"saturday", 7}, {"sat", 7}});
    return lookup(k, {{"воскресенье", 1}, {"вс", 1},      {"понедельник", 2}, {"пн", 2},      {"вторник", 3},
                      {"вт", 3},          {"среда", 4},    {"среду", 4},       {"ср", 4},      {"четверг", 5},
                      {"чт", 5},          {"пятница", 6},  {"пятницу", 6},     {"пт", 6},      {"суббота", 7},
                      {"субботу", 7},     {"сб", 7}});
}

std::optional<int> monthWord(const std::string& k, QuickAddLanguage lang) {
    if (lang == QuickAddLanguage::English)
        return lookup(k, {{"january", 1}, {"jan", 1},  {"february", 2}, {"feb", 2},  {"march", 3},      {"mar", 3},
                          {"april", 4},   {"apr", 4},  {"may", 5},      {"june", 6}, {"jun", 6},        {"july", 7},
                          {"jul", 7},     {"august", 8}, {"aug", 8},    {"september", 9}, {"sep", 9},   {"sept", 9},
                          {"october", 10}, {"oct", 10}, {"november", 11}, {"nov", 11}, {"december", 12}, {"dec", 12}});
    return lookup(k, {{"января", 1}, {"февраля", 2}, {"марта", 3},     {"апреля", 4},  {"мая", 5},
                      {"июня", 6},   {"июля", 7},    {"августа", 8},   {"сентября", 9}, {"октября", 10},
                      {"ноября", 11}, {"декабря", 12}});
}

// The part of a typed time or date that was read.
struct DayPart {
    enum Kind { Offset, Weekday, Date } kind = Offset;
    int offset = 0;
    int weekday = 0;
    int year = 0;  // 0: no year given
    int month = 0;
    int day = 0;
};

struct Slot {
    bool set = false;
    std::string fragment;
};

struct Span {
    int count = 0;
    PeriodUnit unit = puNone;
};

enum class TimeShape { None, Clock, Invalid };

// "9:30", "14:00", "9:30pm"; the suffix, when glued on, is returned apart.
TimeShape clockTime(std::string_view k, int& h, int& m, std::string_view& suffix) {
    const auto colon = k.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2) return TimeShape::None;
    const std::string_view hs = k.substr(0, colon);
    std::string_view rest = k.substr(colon + 1);
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    const auto hv = smallNumber(hs);
    if (!hv || digits == 0) return TimeShape::None;
    suffix = rest.substr(digits);
    if (!suffix.empty() && suffix != "am" && suffix != "pm") return TimeShape::None;
    const auto mv = smallNumber(rest.substr(0, digits));
    if (digits != 2 || !mv || *mv > 59 || *hv > 23) return TimeShape::Invalid;
    h = *hv;
    m = *mv;
    return TimeShape::Clock;
}

// Applies "am"/"pm" to an hour 1..12; false when the hour cannot take it.
bool applyMeridiem(int& h, std::string_view meridiem) {
    if (meridiem.empty()) return true;
    if (h < 1 || h > 12) return false;
    if (meridiem == "am") h = h == 12 ? 0 : h;
    else h = h == 12 ? 12 : h + 12;
    return true;
}

// Russian parts of the day after an hour: "утра", "дня", "вечера", "ночи".
std::optional<bool> applyRussianDayPart(int& h, const std::string& word) {
    if (word == "утра") {
        if (h < 1 || h > 12) return false;
        if (h == 12) h = 0;
        return true;
    }
    if (word == "дня") {
        if (h == 12 || (h >= 13 && h <= 17)) return true;
        if (h < 1 || h > 5) return false;
        h += 12;
        return true;
    }
    if (word == "вечера") {
        if (h >= 17 && h <= 23) return true;
        if (h < 4 || h > 11) return false;
        h += 12;
        return true;
    }
    if (word == "ночи") {
        if (h == 12) h = 0;
        return h >= 0 && h <= 5;
    }
    return std::nullopt;
}

enum class DateShape { None, Date, Invalid };

// "12.03", "12.03.2027", "12.03.27", "2027-03-12".
DateShape numericDate(std::string_view k, int& y, int& m, int& d) {
    if (k.empty() || k.front() < '0' || k.front() > '9') return DateShape::None;
    const char sep = k.find('-') != std::string_view::npos ? '-' : '.';
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= k.size(); ++i) {
        if (i == k.size() || k[i] == sep) {
            parts.push_back(k.substr(start, i - start));
            start = i + 1;
        } else if (k[i] < '0' || k[i] > '9') {
            return DateShape::None;
        }
    }
    if (parts.size() < 2 || parts.size() > 3) return DateShape::None;
    for (auto p : parts)
        if (p.empty() || p.size() > 4) return DateShape::None;
    if (sep == '-') {
        if (parts.size() != 3 || parts[0].size() != 4) return DateShape::None;
        y = *smallNumber(parts[0]);
        m = *smallNumber(parts[1]);
        d = *smallNumber(parts[2]);
    } else {
        // Two digits of month: "2.5" is a number, "2.05" a date.
        if (parts[0].size() > 2 || parts[1].size() != 2) return DateShape::None;
        d = *smallNumber(parts[0]);
        m = *smallNumber(parts[1]);
        y = 0;
        if (parts.size() == 3) {
            if (parts[2].size() != 2 && parts[2].size() != 4) return DateShape::Invalid;
            y = *smallNumber(parts[2]);
            if (parts[2].size() == 2) y += 2000;
        }
    }
    if (y != 0 && (y < 1900 || y > 9999)) return DateShape::Invalid;
    if (m < 1 || m > 12 || d < 1 || d > 31) return DateShape::Invalid;
    if (y != 0 && !isValidDate(y, m, d)) return DateShape::Invalid;
    if (y == 0 && d > daysInMonth(2000, m)) return DateShape::Invalid;  // 2000: a leap year
    return DateShape::Date;
}

class Parser {
public:
    Parser(std::string_view line, DateTime now, QuickAddLanguage lang, QuickAddTime defaultTime)
        : line_(line), now_(now), lang_(lang), defaultTime_(defaultTime) {
        tokenize();
    }

    QuickAddResult run() {
        std::size_t i = 0;
        while (i < tokens_.size()) {
            const std::size_t used = lang_ == QuickAddLanguage::English ? matchEnglish(i) : matchRussian(i);
            if (used == 0) {
                titleTokens_.push_back(i);
                ++i;
            } else {
                i += used;
            }
        }
        resolve();
        return std::move(result_);
    }

private:
    std::string_view line_;
    DateTime now_;
    QuickAddLanguage lang_;
    QuickAddTime defaultTime_;
    std::vector<Token> tokens_;
    std::vector<std::size_t> titleTokens_;
    QuickAddResult result_;

    Slot daySlot_, timeSlot_, spanSlot_, repeatSlot_;
    DayPart day_;
    int hour_ = 0, minute_ = 0;
    Span span_, repeat_;

    void tokenize() {
        std::size_t i = 0;
        while (i < line_.size()) {
            while (i < line_.size() && isSpace(line_[i])) ++i;
            if (i >= line_.size()) break;
            const std::size_t b = i;
            while (i < line_.size() && !isSpace(line_[i])) ++i;
            Token t{b, i, foldForMatch(line_.substr(b, i - b))};
            while (!t.key.empty() && std::string_view(",;!?").find(t.key.back()) != std::string_view::npos)
                t.key.pop_back();
            // A word's closing full stop ("Friday."); "12.03." keeps its date.
            if (!t.key.empty() && t.key.back() == '.') t.key.pop_back();
            tokens_.push_back(std::move(t));
        }
    }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

    const std::string& key(std::size_t i) const {
        static const std::string empty;
        return i < tokens_.size() ? tokens_[i].key : empty;
    }

    std::string fragment(std::size_t first, std::size_t count) const {
        const std::size_t last = std::min(first + count, tokens_.size()) - 1;
        return std::string(line_.substr(tokens_[first].begin, tokens_[last].end - tokens_[first].begin));
    }

    void issue(QuickAddIssueKind kind, std::string fragment) {
        result_.issues.push_back({kind, std::move(fragment)});
    }

    // Fills a slot; a second filling of the same slot is a conflict.
    bool take(Slot& slot, std::size_t first, std::size_t count) {
        const std::string f = fragment(first, count);
        if (slot.set) {
            issue(QuickAddIssueKind::Conflict, f);
            return false;
        }
        slot.set = true;
        slot.fragment = f;
        result_.understood.push_back(f);
        return true;
    }

    std::size_t setDay(std::size_t first, std::size_t count, DayPart part) {
        if (take(daySlot_, first, count)) day_ = part;
        return count;
    }

    std::size_t setTime(std::size_t first, std::size_t count, int h, int m) {
        if (take(timeSlot_, first, count)) {
            hour_ = h;
            minute_ = m;
        }
        return count;
    }

    // An impossible value: reported, and the words are used up.
    std::size_t invalid(QuickAddIssueKind kind, std::size_t first, std::size_t count) {
        issue(kind, fragment(first, count));
        return count;
    }

    // Words that began like a phrase but are not one: reported, the first
    // word goes to the title and reading goes on after it.
    std::size_t unclear(std::size_t first, std::size_t count) {
        issue(QuickAddIssueKind::Unclear, fragment(first, count));
        return 0;
    }

    // A count and a unit at i ("2 hours", "a week", "час"); the number of
    // words, 0 when there is none.
    std::size_t countAndUnit(std::size_t i, Span& out, bool unitAloneIsOne) {
        const std::string& k = key(i);
        std::optional<int> n = smallNumber(k);
        if (!n && lang_ == QuickAddLanguage::English && (k == "a" || k == "an" || k == "one")) n = 1;
        if (n) {
            const auto u = unitWord(key(i + 1), lang_);
            if (!u) return 0;
            out = {*n, *u};
            return 2;
        }
        if (unitAloneIsOne) {
            if (const auto u = unitWord(k, lang_)) {
                out = {1, *u};
                return 1;
            }
        }
        return 0;
    }

    // A span from the present after its leading word ("in", "через") at i.
    std::size_t span(std::size_t i, bool unitAloneIsOne) {
        Span s;
        const std::size_t n = countAndUnit(i + 1, s, unitAloneIsOne);
        if (n == 0) {
            if (smallNumber(key(i + 1))) return unclear(i, 3);
            return 0;  // "Lunch in town": plain words
        }
        if (s.count < 1 || s.count > kMaxCount) return unclear(i, n + 1);
        if (take(spanSlot_, i, n + 1)) span_ = s;
        return n + 1;
    }

    // A repeat after its leading word ("every", "каждую") at i.
    std::size_t repeat(std::size_t i) {
        Span s;
        if (const auto wd = weekdayWord(key(i + 1), lang_)) {
            if (!take(repeatSlot_, i, 2)) return 2;
            repeat_ = {1, puWeeks};
            // The weekday is the day as well.
            if (daySlot_.set) issue(QuickAddIssueKind::Conflict, fragment(i, 2));
            else {
                daySlot_.set = true;
                daySlot_.fragment = fragment(i, 2);
                day_ = DayPart{DayPart::Weekday, 0, *wd};
            }
            return 2;
        }
        const std::size_t n = countAndUnit(i + 1, s, true);
        if (n == 0) return unclear(i, 2);
        if (s.count < 1 || s.count > kMaxCount) return unclear(i, n + 1);
        if (take(repeatSlot_, i, n + 1)) repeat_ = s;
        return n + 1;
    }

    std::size_t repeatWord(std::size_t i, PeriodUnit unit) {
        if (take(repeatSlot_, i, 1)) repeat_ = {1, unit};
        return 1;
    }

    // A clock time at i, with the leading "at"/"в" already passed (lead
    // words before it). A bare hour counts only when lead is 1 or a part of
    // the day follows.
    std::size_t time(std::size_t i, std::size_t lead) {
        const std::size_t first = i - lead;
        const std::string& k = key(i);
        int h = 0, m = 0;
        std::string_view glued;
        const TimeShape shape = clockTime(k, h, m, glued);
        if (shape == TimeShape::Invalid) return invalid(QuickAddIssueKind::InvalidTime, first, lead + 1);
        std::size_t used = lead + 1;
        bool hourOnly = false;
        if (shape == TimeShape::None) {
            // "9", "9pm", "9am"
            std::string_view digits = k;
            if (lang_ == QuickAddLanguage::English && k.size() > 2 &&
                (k.ends_with("am") || k.ends_with("pm"))) {
                digits = std::string_view(k).substr(0, k.size() - 2);
                glued = std::string_view(k).substr(k.size() - 2);
            }
            const auto n = smallNumber(digits);
            if (!n || digits.size() > 2) return 0;
            h = *n;
            hourOnly = true;
        }
        if (lang_ == QuickAddLanguage::English) {
            std::string_view meridiem = glued;
            const std::string& next = key(i + 1);
            if (meridiem.empty() && (next == "am" || next == "pm" || next == "a.m" || next == "p.m")) {
                meridiem = next.substr(0, 1) == "a" ? "am" : "pm";
                ++used;
            }
            if (hourOnly && meridiem.empty() && lead == 0) return 0;
            if (!applyMeridiem(h, meridiem)) return invalid(QuickAddIssueKind::InvalidTime, first, used);
        } else {
            const std::string& next = key(i + 1);
            // Without "в" an hour needs "утра", "вечера" or "ночи": "3 дня"
            // is as often three days as three in the afternoon.
            if (hourOnly && lead == 0 && next != "утра" && next != "вечера" && next != "ночи") return 0;
            const auto part = applyRussianDayPart(h, next);
            if (part) {
                ++used;
                if (!*part) return invalid(QuickAddIssueKind::InvalidTime, first, used);
            } else if (next == "час" || next == "часа" || next == "часов") {
                if (!hourOnly) return 0;
                ++used;
            }
        }
        if (h > 23) return invalid(QuickAddIssueKind::InvalidTime, first, used);
        return setTime(first, used, h, m);
    }

    // A date at i: numeric, or a day with a month name (either order) and
    // an optional year; lead words before it.
    std::size_t date(std::size_t i, std::size_t lead) {
        const std::size_t first = i - lead;
        int y = 0, m = 0, d = 0;
        switch (numericDate(key(i), y, m, d)) {
            case DateShape::Invalid: return invalid(QuickAddIssueKind::InvalidDate, first, lead + 1);
            case DateShape::Date: return setDay(first, lead + 1, DayPart{DayPart::Date, 0, 0, y, m, d});
            case DateShape::None: break;
        }
        std::size_t used = 0;
        if (const auto mo = monthWord(key(i), lang_); mo && lang_ == QuickAddLanguage::English) {
            if (const auto dn = dayNumber(key(i + 1), lang_)) {
                m = *mo;
                d = *dn;
                used = 2;
            }
        } else if (const auto dn = dayNumber(key(i), lang_)) {
            if (const auto mo2 = monthWord(key(i + 1), lang_)) {
                m = *mo2;
                d = *dn;
                used = 2;
            }
        }
        if (used == 0) return 0;
        // An optional year: "2027", and in Russian "2027 года" / "2027 г".
        if (const auto yr = smallNumber(key(i + used)); yr && key(i + used).size() == 4) {
            y = *yr;
            ++used;
            if (lang_ == QuickAddLanguage::Russian && (key(i + used) == "года" || key(i + used) == "г")) ++used;
        }
        const std::size_t count = lead + used;
        if (d < 1 || (y != 0 && (y < 1900 || !isValidDate(y, m, d))) || (y == 0 && d > daysInMonth(2000, m)))
            return invalid(QuickAddIssueKind::InvalidDate, first, count);
        return setDay(first, count, DayPart{DayPart::Date, 0, 0, y, m, d});
    }

    std::size_t weekday(std::size_t i, std::size_t lead) {
        const auto wd = weekdayWord(key(i), lang_);
        if (!wd) return 0;
        return setDay(i - lead, lead + 1, DayPart{DayPart::Weekday, 0, *wd});
    }

    std::size_t matchEnglish(std::size_t i) {
        const std::string& k = key(i);
        if (k == "every" || k == "each") return repeat(i);
        if (k == "daily") return repeatWord(i, puDays);
        if (k == "weekly") return repeatWord(i, puWeeks);
        if (k == "monthly") return repeatWord(i, puMonths);
        if (k == "yearly" || k == "annually") return repeatWord(i, puYears);
        if (k == "hourly") return repeatWord(i, puHours);
        if (k == "in") return span(i, false);
        if (k == "today") return setDay(i, 1, DayPart{DayPart::Offset, 0});
        if (k == "tomorrow") return setDay(i, 1, DayPart{DayPart::Offset, 1});
        if (k == "the" && key(i + 1) == "day" && key(i + 2) == "after" && key(i + 3) == "tomorrow")
            return setDay(i, 4, DayPart{DayPart::Offset, 2});
        if (k == "day" && key(i + 1) == "after" && key(i + 2) == "tomorrow")
            return setDay(i, 3, DayPart{DayPart::Offset, 2});
        if (k == "noon") return setTime(i, 1, 12, 0);
        if (k == "at") {
            if (key(i + 1) == "noon") return setTime(i, 2, 12, 0);
            return time(i + 1, 1);
        }
        if (k == "on" || k == "next" || k == "this") {
            if (std::size_t n = weekday(i + 1, 1)) return n;
            if (k == "on") return date(i + 1, 1);
            return 0;
        }
        if (std::size_t n = weekday(i, 0)) return n;
        if (std::size_t n = date(i, 0)) return n;
        return time(i, 0);
    }

    std::size_t matchRussian(std::size_t i) {
        const std::string& k = key(i);
        if (k == "каждый" || k == "каждую" || k == "каждое" || k == "каждые" || k == "каждых") return repeat(i);
        if (k == "ежедневно") return repeatWord(i, puDays);
        if (k == "еженедельно") return repeatWord(i, puWeeks);
        if (k == "ежемесячно") return repeatWord(i, puMonths);
        if (k == "ежегодно") return repeatWord(i, puYears);
        if (k == "ежечасно") return repeatWord(i, puHours);
        if (k == "через") {
            if (key(i + 1) == "полчаса") {
                if (take(spanSlot_, i, 2)) span_ = {30, puMinutes};
                return 2;
            }
            return span(i, true);
        }
        if (k == "сегодня") return setDay(i, 1, DayPart{DayPart::Offset, 0});
        if (k == "завтра") return setDay(i, 1, DayPart{DayPart::Offset, 1});
        if (k == "послезавтра") return setDay(i, 1, DayPart{DayPart::Offset, 2});
        if (k == "в" || k == "во") {
            if (key(i + 1) == "полдень") return setTime(i, 2, 12, 0);
            if (std::size_t n = weekday(i + 1, 1)) return n;
            if ((key(i + 1) == "следующий" || key(i + 1) == "следующую" || key(i + 1) == "следующее"))
                if (std::size_t n = weekday(i + 2, 2)) return n;
            return time(i + 1, 1);
        }
        if (k == "следующий" || k == "следующую" || k == "следующее")
            if (std::size_t n = weekday(i + 1, 1)) return n;
        if (std::size_t n = weekday(i, 0)) return n;
        if (std::size_t n = date(i, 0)) return n;
        return time(i, 0);
    }

    void resolve() {
        // The title: every word not read, as typed.
        std::string title;
        for (std::size_t t : titleTokens_) {
            if (!title.empty()) title += ' ';
            title += line_.substr(tokens_[t].begin, tokens_[t].end - tokens_[t].begin);
        }
        while (!title.empty() && std::string_view(",;:-").find(title.back()) != std::string_view::npos)
            title.pop_back();
        while (!title.empty() && title.back() == ' ') title.pop_back();
        result_.title = title;
        if (title.empty()) issue(QuickAddIssueKind::NoTitle, {});

        result_.repeatCount = repeatSlot_.set ? repeat_.count : 0;
        result_.repeatUnit = repeatSlot_.set ? repeat_.unit : puNone;

        const DateTime present = std::floor(now_ * kSecondsPerDay + 1e-6) / kSecondsPerDay;
        const double today = std::floor(present);
        if (spanSlot_.set) {
            const bool shortSpan = span_.unit == puMinutes || span_.unit == puHours;
            if (daySlot_.set || (shortSpan && timeSlot_.set)) {
                issue(QuickAddIssueKind::Conflict, spanSlot_.fragment);
                return;
            }
            const DateTime due = AddPeriod(span_.unit, span_.count, present);
            if (!inServiceRange(due)) {
                issue(QuickAddIssueKind::InvalidDate, spanSlot_.fragment);
                return;
            }
            result_.due = timeSlot_.set ? std::floor(due) + encodeTime(hour_, minute_, 0) : due;
            return;
        }
        if (!daySlot_.set && !timeSlot_.set) {
            // An impossible day or time has been said already.
            for (const auto& i : result_.issues)
                if (i.kind == QuickAddIssueKind::InvalidDate || i.kind == QuickAddIssueKind::InvalidTime) return;
            issue(QuickAddIssueKind::NoWhen, {});
            return;
        }
        const QuickAddTime tod = timeSlot_.set ? QuickAddTime{hour_, minute_} : defaultTime_;
        result_.timeAssumed = !timeSlot_.set;
        const double timeOfDay = encodeTime(tod.hour, tod.minute, 0);
        double date = today;
        if (!daySlot_.set) {
            if (today + timeOfDay <= present) date = today + 1;
        } else if (day_.kind == DayPart::Offset) {
            date = today + day_.offset;
        } else if (day_.kind == DayPart::Weekday) {
            const int ahead = (day_.weekday - dayOfWeek(today) + 7) % 7;
            date = today + (ahead == 0 ? 7 : ahead);
        } else if (day_.year != 0) {
            date = encodeDate(day_.year, day_.month, day_.day);
        } else {
            // The next such date from today on (29 February: the next leap year).
            const int year = decodeDate(today).year;
            bool found = false;
            for (int y = year; y <= year + 8 && !found; ++y) {
                if (!isValidDate(y, day_.month, day_.day)) continue;
                const double d = encodeDate(y, day_.month, day_.day);
                if (d >= today) {
                    date = d;
                    found = true;
                }
            }
            if (!found) {
                issue(QuickAddIssueKind::InvalidDate, daySlot_.fragment);
                return;
            }
        }
        result_.due = date + timeOfDay;
        if (result_.due < present) {
            std::string f = daySlot_.fragment;
            if (timeSlot_.set) f += (f.empty() ? "" : " ") + timeSlot_.fragment;
            issue(QuickAddIssueKind::Past, f);
        }
    }
};

}  // namespace

QuickAddResult parseQuickAdd(std::string_view line, DateTime now, QuickAddLanguage language,
                             QuickAddTime defaultTime) {
    return Parser(line, now, language, defaultTime).run();
}

}  // namespace ostrel
