#include "data/day_queries.h"

#include "core/data/sql/query.h"

namespace ostrel {

using sql::ParamType;

std::vector<HolidayOfDay> DayQueries::holidaysOfDay(DateTime day) {
    sql::Query q(conn_);
    q.add("SELECT TDID, Title");
    q.add("FROM ToDo ");
    q.add("WHERE (MesType = 2) AND (Day(FirstDT) = Day(:HolidDate)) AND (Month(FirstDT) = Month(:HolidDate1))");
    q.param("HolidDate", ParamType::DateTime, day);
    q.param("HolidDate1", ParamType::DateTime, day);
    q.open();
    std::vector<HolidayOfDay> out;
    for (; !q.eof(); q.next()) out.push_back({q.asInteger("TDID"), QString::fromStdString(q.asString("Title"))});
    return out;
}

}  // namespace ostrel
