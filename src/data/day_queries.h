#pragma once
// TEMPORARY HOME: the day-info panel's task and holiday queries. They move
// into the task store and the holiday store (one store per table) as soon as
// those exist; nothing else should start using this class.

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

#include "core/data/sql/connection.h"
#include "core/time/datetime.h"

namespace ostrel {

struct TaskOfDay {
    std::int64_t id = 0;
    DateTime showDT = 0.0;
    QString title;
};

struct HolidayOfDay {
    std::int64_t id = 0;
    QString title;
};

class DayQueries {
public:
    explicit DayQueries(sql::Connection& connection) : conn_(connection) {}

    // Tasks (kinds 0 and 3, shown or not) whose ShowDT falls on the day, by
    // ShowDT.
    std::vector<TaskOfDay> tasksOfDay(DateTime day);
    // Holidays whose FirstDT has the day's day and month, whatever its year.
    std::vector<HolidayOfDay> holidaysOfDay(DateTime day);

private:
    sql::Connection& conn_;
};

}  // namespace ostrel
