#include "core/data/reminder_walk.h"

#include <cmath>

#include "core/time/datetime.h"

namespace ostrel {
namespace {

// The power of two just above a (a > 0): a lies in [hi / 2, hi), where the
// spacing of doubles is the same throughout.
double binadeTop(double a) {
    int e = 0;
    std::frexp(a, &e);
    return std::ldexp(1.0, e);
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// A run of occurrences t = at(0), at(1), ..., at(kmax) that can be computed
// directly. valid(k) tells whether at(k) still lies in the run (the runs of
// calendar units are bounded by a test rather than a count).
class Run {
public:
    std::int64_t kmax = 0;

    DateTime at(std::int64_t k) const {
        if (!calendar_) return t0_ + static_cast<double>(k) * step_;
        return combineDateTime(dateAt(k), tod_);
    }
    bool valid(std::int64_t k) const { return !calendar_ || dateAt(k) <= lastDate_; }

    // Minutes, hours, days, weeks: within one binade every step adds the same
    // double (the day amount rounded to the spacing there), so the k-th
    // occurrence is t + k * step, computed exactly.
    static Run fixed(DateTime t, PeriodUnit unit, std::int32_t count) {
        Run r;
        if (t == 0.0 || !std::isfinite(t)) return r;
        const DateTime t1 = AddPeriod(unit, count, t);
        const DateTime t2 = AddPeriod(unit, count, t1);
        const double step = t1 - t;
        // A tie in the rounding can make the first step differ from the
        // following ones; start the run one step later then.
        if (!(step > 0.0) || t2 - t1 != step) return r;
        const double top = binadeTop(std::fabs(t));
        const double room = t > 0 ? top - t : -(top / 2) - t;
        const double k = std::floor(room / step) - 2;
        if (!(k >= 1)) return r;
        r.t0_ = t;
        r.step_ = step;
        r.kmax = static_cast<std::int64_t>(std::fmin(k, 1e15));
        return r;
    }

    // Months and years: once the day of the month is 28 or less it never
    // changes again, and the time of day stays the same while the values
    // stay within the binade of t (or move to finer ones), so the k-th
    // occurrence is the date k * months on plus that time of day.
    static Run calendar(DateTime t, PeriodUnit unit, std::int32_t count) {
        Run r;
        if (!(std::fabs(t) >= 1.0) || !std::isfinite(t)) return r;
        const double date = std::trunc(t);
        const double tod = std::fabs(t - date);
        const CivilDate c = decodeDate(date);
        if (c.day > 28) return r;
        const std::int64_t months = unit == puYears ? std::int64_t{12} * count : count;
        r.calendar_ = true;
        r.monthIndex_ = std::int64_t{c.year} * 12 + (c.month - 1);
        r.months_ = months;
        r.day_ = c.day;
        r.tod_ = tod;
        r.lastDate_ = binadeTop(std::fabs(t)) - 1;
        if (r.at(0) != t) return Run{};
        const double k = std::floor((r.lastDate_ - date) / (28.0 * static_cast<double>(months))) + 2;
        r.kmax = k >= 1 ? static_cast<std::int64_t>(std::fmin(k, 1e12)) : 0;
        return r;
    }

private:
    double dateAt(std::int64_t k) const {
        const std::int64_t mi = monthIndex_ + k * months_;
        const std::int64_t y = floorDiv(mi, 12);
        return serialDay(y, mi - y * 12 + 1, day_);
    }

    bool calendar_ = false;
    DateTime t0_ = 0.0;
    double step_ = 0.0;
    std::int64_t monthIndex_ = 0;
    std::int64_t months_ = 0;
    int day_ = 1;
    double tod_ = 0.0;
    double lastDate_ = 0.0;
};

}  // namespace

bool onceTaskActive(DateTime now, DateTime showDT, PeriodUnit elapseType, std::int32_t elapseInt) {
    if (!inServiceRange(showDT)) return false;
    return !(now > activeEnd(showDT, elapseType, elapseInt));
}

bool occurrenceActive(DateTime now, DateTime t, PeriodUnit elapseType, std::int32_t elapseInt) {
    if (!inServiceRange(t) || now < t) return false;
    return now < activeEnd(t, elapseType, elapseInt);
}

DateTime skipOccurrences(DateTime t, PeriodUnit unit, std::int32_t count,
                         const std::function<bool(DateTime)>& keepGoingInside) {
    // Nothing outside the years the engine works with is walked: the walk
    // stops at the first occurrence beyond them (or at t itself).
    const auto keepGoing = [&keepGoingInside](DateTime x) { return inServiceRange(x) && keepGoingInside(x); };
    while (keepGoing(t)) {
        const Run run =
            unit == puMonths || unit == puYears ? Run::calendar(t, unit, count) : Run::fixed(t, unit, count);
        if (run.kmax >= 1) {
            // The last occurrence of the run for which the walk goes on.
            std::int64_t lo = 0;
            std::int64_t hi = run.kmax;
            while (lo < hi) {
                const std::int64_t mid = lo + (hi - lo + 1) / 2;
                if (run.valid(mid) && keepGoing(run.at(mid))) lo = mid;
                else hi = mid - 1;
            }
            t = run.at(lo);
        }
        const DateTime next = AddPeriod(unit, count, t);
        if (!(next > t)) return t;
        t = next;
    }
    return t;
}

DateTime nextOccurrenceAfter(DateTime t, PeriodUnit unit, std::int32_t count, DateTime now) {
    return skipOccurrences(t, unit, count, [now](DateTime x) { return now >= x; });
}

DateTime firstPossiblyActive(DateTime t, PeriodUnit unit, std::int32_t count, PeriodUnit elapseType,
                             std::int32_t elapseInt, DateTime now) {
    if (elapseInt <= 0 || !isPeriodUnit(elapseType)) return nextOccurrenceAfter(t, unit, count, now);
    if (elapseType == puMonths || elapseType == puYears) {
        // The end of a window of n months lies at most 31 * n days (n years:
        // 366 * n days) after its start; finer than that is not needed.
        const double bound = (elapseType == puMonths ? 31.0 : 366.0) * elapseInt + 1.0;
        return skipOccurrences(t, unit, count, [now, bound](DateTime x) { return x + bound < now; });
    }
    return skipOccurrences(t, unit, count, [=](DateTime x) { return now >= AddPeriod(elapseType, elapseInt, x); });
}

DateTime nextOccurrenceAfterByStepping(DateTime t, PeriodUnit unit, std::int32_t count, DateTime now) {
    while (inServiceRange(t) && now >= t) {
        const DateTime next = AddPeriod(unit, count, t);
        if (!(next > t)) return t;
        t = next;
    }
    return t;
}

}  // namespace ostrel
