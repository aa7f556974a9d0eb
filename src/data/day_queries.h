#pragma once
// TEMPORARY HOME: the day-info panel's holiday query. It moves into the
// holiday store (one store per table) as soon as that exists here; nothing
// else should start using this class.

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

#include "core/data/sql/connection.h"
#include "core/time/datetime.h"

namespace ostrel {

struct HolidayOfDay {
    std::int64_t id = 0;
    QString title;
};

class DayQueries {
public:
    explicit DayQueries(sql::Connection& connection) : conn_(connection) {}

    // Holidays whose FirstDT has the day's day and month, whatever its year.
    std::vector<HolidayOfDay> holidaysOfDay(DateTime day);

private:
    sql::Connection& conn_;
};

}  // namespace ostrel
