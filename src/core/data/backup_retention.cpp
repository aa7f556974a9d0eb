#include "core/data/backup_retention.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace ostrel {

std::vector<bool> backupsToKeep(const std::vector<DateTime>& stamps, RetentionRule rule) {
    std::vector<bool> keep(stamps.size(), false);
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        if (inServiceRange(stamps[i])) order.push_back(i);
        else keep[i] = true;
    }
    // Newest first; equal stamps keep their order.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return stamps[a] > stamps[b]; });

    auto dayOf = [&](std::size_t i) { return static_cast<std::int64_t>(std::floor(datePart(stamps[i]))); };
    // Day 0 (1899-12-30) was a Saturday; weeks begin on Monday (day 2).
    auto weekOf = [&](std::size_t i) {
        const std::int64_t d = dayOf(i) - 2;
        return d >= 0 ? d / 7 : -((-d + 6) / 7);
    };
    auto keepNewestPer = [&](auto periodOf, int count) {
        int seen = 0;
        bool first = true;
        std::int64_t last = 0;
        for (std::size_t i : order) {
            if (seen >= count) break;
            const std::int64_t p = periodOf(i);
            if (first || p != last) {
                keep[i] = true;
                ++seen;
                last = p;
                first = false;
            }
        }
    };
    keepNewestPer(dayOf, rule.days);
    keepNewestPer(weekOf, rule.weeks);
    return keep;
}

}  // namespace ostrel
