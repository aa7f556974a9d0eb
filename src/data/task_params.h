#pragma once
// What the reminder engine hands to a reminder window.

#include <QString>

#include <cstdint>

#include "core/time/datetime.h"

namespace ostrel {

struct TTaskParams {
    std::int32_t TaskID = 0;  // TDID of the ToDo row
    QString TaskTitle;
    QString TaskComment;
    // The time the reminder stands for: the task's ShowDT, the occurrence of
    // a repeating task, or the holiday's date.
    DateTime TaskTime = 0.0;
};

}  // namespace ostrel
