#include "core/data/plan_layout.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

std::array<SlotCell, kSlotsPerDay> layoutDayPlans(const std::vector<SlotQueryRow>& input) {
    std::vector<const SlotQueryRow*> rows;
    rows.reserve(input.size());
    for (const SlotQueryRow& r : input)
        if (rows.empty() || r.time != rows.back()->time) rows.push_back(&r);

    std::array<SlotCell, kSlotsPerDay> cells{};
    std::size_t r = 0;
    int i = 0;
    auto take = [&](SlotCell& cell) {
        cell.hasTime = true;
        cell.time = rows[r]->time;
        ++r;
    };
    while (i < kSlotsPerDay && r < rows.size()) {
        const SlotQueryRow& row = *rows[r];
        SlotCell& first = cells[static_cast<std::size_t>(i)];
        first.stepStart = true;
        first.title = row.title;
        if (row.elapseNull) {
            first.mark = smFree;
            take(first);
            ++i;
            continue;
        }
        // The plan's last slot: within the day and within the rows read.
        const std::int64_t wanted = std::max<std::int64_t>(row.elapse, 1);
        const std::int64_t room = std::min<std::int64_t>(kSlotsPerDay - i, static_cast<std::int64_t>(rows.size() - r));
        const int length = static_cast<int>(std::min(wanted, room));
        if (length < 2) {
            first.mark = smOnly;
            take(first);
            ++i;
            continue;
        }
        first.mark = smFirst;
        take(first);
        ++i;
        for (int k = 1; k < length; ++k, ++i) {
            SlotCell& cell = cells[static_cast<std::size_t>(i)];
            cell.mark = k + 1 < length ? smInner : smLast;
            take(cell);
        }
    }
    return cells;
}

int slotOfTime(double timeOfDay) {
    // Counted in whole milliseconds, so 10:00 is slot 20 and not 19.
    const long long ms = std::llround(std::fabs(timeOfDay - std::trunc(timeOfDay)) * 86400000.0);
    return std::clamp(static_cast<int>(ms / 1800000), 0, kSlotsPerDay - 1);
}

}  // namespace ostrel
