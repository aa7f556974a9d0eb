#include "data/day_queries.h"

#include "core/data/sql/query.h"

namespace ostrel {

using sql::ParamType;

std::vector<TaskOfDay> DayQueries::tasksOfDay(DateTime day) {
    sql::Query q(conn_);
    q.add("SELECT TDID, ShowDT, Title");
    q.add("FROM ToDo");
    q.add("WHERE (MesType IN (0, 3, 10, 13)) AND (Int(ShowDT) = Int(:ToDoDate))");
    // The same day as a range the ShowDT index answers (dialect.h, 7).
    q.add("  AND (ShowDT > Int(:ToDoDateFrom) - 1) AND (ShowDT < Int(:ToDoDateTo) + 1)");
    q.add("ORDER BY ShowDT");
    q.param("ToDoDate", ParamType::DateTime, day);
    q.param("ToDoDateFrom", ParamType::DateTime, day);
    q.param("ToDoDateTo", ParamType::DateTime, day);
    q.open();
    std::vector<TaskOfDay> out;
    for (; !q.eof(); q.next())
        out.push_back({q.asInteger("TDID"), q.asDateTime("ShowDT"), QString::fromStdString(q.asString("Title"))});
    return out;
}

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
