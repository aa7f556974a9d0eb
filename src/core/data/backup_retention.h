#pragma once
// Which backup copies to keep: the newest copy of each of the last `days`
// days that have copies, and the newest copy of each of the last `weeks`
// weeks (Monday to Sunday) that have copies. Everything else may go.

#include <vector>

#include "core/time/datetime.h"

namespace ostrel {

struct RetentionRule {
    int days = 7;
    int weeks = 4;
};

// stamps: when each copy was made, in any order. Returns one flag per stamp
// (true: keep). A value outside the service range (an unreadable name) is
// always kept: the rule never deletes what it does not understand.
std::vector<bool> backupsToKeep(const std::vector<DateTime>& stamps, RetentionRule rule = {});

}  // namespace ostrel
