#include "data/task_store.h"

namespace ostrel {

using sql::ParamType;

namespace {

void bindFields(sql::Query& q, const TaskRow& row) {
    q.param("FirstDT", ParamType::DateTime, row.FirstDT);
    q.param("ShowDT", ParamType::DateTime, row.ShowDT);
    q.param("MesType", ParamType::Integer, row.MesType);
    q.param("Title", ParamType::Text, row.Title.toStdString());
    q.param("Comment", ParamType::LongText, row.Comment.toStdString());
    q.param("PeriodInt", ParamType::Integer, row.PeriodInt);
    q.param("PeriodType", ParamType::Integer, storedPeriodUnit(row.PeriodType));
    q.param("ElapseInt", ParamType::Integer, row.ElapseInt);
    q.param("ElapseType", ParamType::Integer, storedPeriodUnit(row.ElapseType));
}

TaskRow taskOf(const sql::Query& q) {
    TaskRow row;
    row.TDID = static_cast<std::int32_t>(q.asInteger("TDID"));
    row.FirstDT = q.asDateTime("FirstDT");
    row.ShowDT = q.asDateTime("ShowDT");
    row.MesType = q.asInteger("MesType");
    row.Title = QString::fromStdString(q.asString("Title"));
    row.Comment = QString::fromStdString(q.asString("Comment"));
    row.PeriodInt = q.asInteger("PeriodInt");
    row.PeriodType = periodUnitFromStored(q.asInteger("PeriodType"));
    row.ElapseInt = q.asInteger("ElapseInt");
    row.ElapseType = periodUnitFromStored(q.asInteger("ElapseType"));
    return row;
}

}  // namespace

TaskStore::TaskStore(sql::Connection& conn, QObject* parent) : QObject(parent), conn_(conn) {
    setObjectName(QStringLiteral("tasks"));
}

TaskRow TaskStore::task(std::int32_t taskId) {
    sql::Query q(conn_);
    q.add("SELECT *");
    q.add("FROM ToDo");
    q.add("WHERE TDID = :TDID");
    q.param("TDID", ParamType::Integer, std::int64_t{taskId});
    q.open();
    return taskOf(q);
}

std::vector<TaskRow> TaskStore::allTasks() {
    sql::Query q(conn_);
    q.add("SELECT *");
    q.add("FROM ToDo");
    q.add("WHERE MesType IN (0, 3, 10, 13)");
    q.add("ORDER BY TDID");
    q.open();
    std::vector<TaskRow> rows;
    rows.reserve(static_cast<std::size_t>(q.recordCount()));
    for (q.first(); !q.eof(); q.next()) rows.push_back(taskOf(q));
    return rows;
}

std::int64_t TaskStore::insertTask(const TaskRow& row) {
    sql::Query q(conn_);
    q.add(
        "INSERT INTO ToDo (FirstDT, ShowDT, MesType, Title, Comment, PeriodInt, PeriodType, ElapseInt, "
        "ElapseType)");
    q.add(
        "VALUES (:FirstDT, :ShowDT, :MesType, :Title, :Comment, :PeriodInt, :PeriodType, :ElapseInt, "
        ":ElapseType)");
    bindFields(q, row);
    q.exec();
    const std::int64_t id = conn_.lastInsertRowId();
    emit changed();
    return id;
}

void TaskStore::updateTask(const TaskRow& row) {
    sql::Query q(conn_);
    q.add("UPDATE ToDo");
    q.add(
        "SET FirstDT = :FirstDT, ShowDT = :ShowDT, MesType = :MesType, Title = :Title, Comment = :Comment, "
        "PeriodInt = :PeriodInt, PeriodType = :PeriodType, ElapseInt = :ElapseInt, ElapseType = :ElapseType");
    q.add("WHERE TDID = :TDID");
    q.param("TDID", ParamType::Integer, std::int64_t{row.TDID});
    bindFields(q, row);
    q.exec();
    emit changed();
}

void TaskStore::removeTask(std::int32_t taskId) {
    sql::Query q(conn_);
    q.add("DELETE");
    q.add("FROM ToDo");
    q.add("WHERE TDID = :TDID");
    q.param("TDID", ParamType::Integer, std::int64_t{taskId});
    q.exec();
    emit changed();
}

std::unique_ptr<sql::Query> TaskStore::openToDoList() {
    auto q = std::make_unique<sql::Query>(conn_);
    const char* const from =
        "FROM (ToDo INDEXED BY ToDo_ShowDT LEFT JOIN TimePeriods ON ToDo.ElapseType = TimePeriods.TPID) LEFT "
        "JOIN TimePeriods AS TimePeriods1 ON ToDo.PeriodType = TimePeriods1.TPID";
    // The counts and unit ids come too, so the window can put the unit in
    // the language's plural form and tell pending tasks from finished ones.
    q->add(
        "SELECT TDID, ShowDT, Title, Str(ElapseInt) || ' '  || TimePeriods.Descript AS ActiveTime, "
        "Str(PeriodInt) || ' ' || TimePeriods1.Descript AS Cycle, MesType, ElapseInt, ElapseType, PeriodInt, "
        "PeriodType");
    q->add(from);
    q->add("WHERE (MesType IN (0, 3, 10, 13)) AND (PeriodInt > 0)");
    q->add("  UNION");
    q->add(
        "SELECT TDID, ShowDT, Title, Str(ElapseInt) || ' '  || TimePeriods.Descript, ' --- ', MesType, ElapseInt, "
        "ElapseType, PeriodInt, PeriodType");
    q->add(from);
    q->add("WHERE (MesType IN (0, 3, 10, 13)) AND (PeriodInt = 0)");
    q->add("ORDER BY ShowDT");
    // The rows come in ShowDT order straight from the index, so the first
    // screenful shows at once and the rest is read while the window idles.
    q->setFetchOnDemand(true);
    q->open();
    return q;
}

std::vector<TaskOfDay> TaskStore::tasksOfDay(DateTime day) {
    sql::Query q(conn_);
    q.add("SELECT TDID, ShowDT, Title");
    q.add("FROM ToDo");
    q.add("WHERE (MesType IN (0, 3, 10, 13)) AND (Int(ShowDT) = Int(:ToDoDate))");
    // The same day as a range the ShowDT index answers (dialect.h, 7).
    q.add("  AND (ShowDT > Int(:ToDoDateFrom) - 1) AND (ShowDT < Int(:ToDoDateTo) + 1)");
    q.add("ORDER BY ShowDT");
    q.param("ToDoDate", sql::ParamType::DateTime, day);
    q.param("ToDoDateFrom", sql::ParamType::DateTime, day);
    q.param("ToDoDateTo", sql::ParamType::DateTime, day);
    q.open();
    std::vector<TaskOfDay> out;
    for (; !q.eof(); q.next())
        out.push_back({q.asInteger("TDID"), q.asDateTime("ShowDT"), QString::fromStdString(q.asString("Title"))});
    return out;
}

std::optional<TaskOfDay> TaskStore::nextTaskOfDay(DateTime from) {
    sql::Query q(conn_);
    q.add("SELECT TDID, ShowDT, Title");
    q.add("FROM ToDo");
    q.add("WHERE (MesType IN (0, 3, 10, 13)) AND (Int(ShowDT) = Int(:ToDoDate))");
    q.add("  AND (ShowDT > Int(:ToDoDateFrom) - 1) AND (ShowDT < Int(:ToDoDateTo) + 1)");
    q.add("  AND (ShowDT >= :FromDT)");
    q.add("ORDER BY ShowDT");
    q.add("LIMIT 1");
    q.param("ToDoDate", sql::ParamType::DateTime, from);
    q.param("ToDoDateFrom", sql::ParamType::DateTime, from);
    q.param("ToDoDateTo", sql::ParamType::DateTime, from);
    q.param("FromDT", sql::ParamType::DateTime, from);
    q.open();
    if (q.eof()) return std::nullopt;
    return TaskOfDay{q.asInteger("TDID"), q.asDateTime("ShowDT"), QString::fromStdString(q.asString("Title"))};
}

}  // namespace ostrel
