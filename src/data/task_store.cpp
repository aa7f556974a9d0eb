#include "data/task_store.h"

#include "core/data/sql/transaction.h"

namespace ostrel {

using sql::ParamType;

namespace {

void bindFields(sql::Query& q, const TaskRow& row) {
    q.param("FirstDT", ParamType::DateTime, row.FirstDT);
    q.param("ShowDT", ParamType::DateTime, row.ShowDT);
    q.param("MesType", ParamType::Integer, storedMesType(row.mesType));
    q.param("Title", ParamType::Text, row.Title.toStdString());
    q.param("Comment", ParamType::LongText, row.Comment.toStdString());
    q.param("PeriodInt", ParamType::Integer, row.PeriodInt);
    q.param("PeriodType", ParamType::Integer, storedPeriodUnit(row.PeriodType));
    q.param("ElapseInt", ParamType::Integer, row.ElapseInt);
    q.param("ElapseType", ParamType::Integer, storedPeriodUnit(row.ElapseType));
}

const std::string kTaskTypes =
    storedMesTypeList({mtOnceAtTime, mtOnceAfterStart, mtOnceAtTimeDone, mtOnceAfterStartDone});

}  // namespace

TaskRow readTaskRow(const sql::Query& q) {
    TaskRow row;
    row.TDID = static_cast<std::int32_t>(q.asInteger("TDID"));
    row.FirstDT = q.asDateTime("FirstDT");
    row.ShowDT = q.asDateTime("ShowDT");
    row.mesType = mesTypeFromStored(q.asInteger("MesType"));
    row.Title = QString::fromStdString(q.asString("Title"));
    row.Comment = QString::fromStdString(q.asString("Comment"));
    row.PeriodInt = q.asInteger("PeriodInt");
    row.PeriodType = periodUnitFromStored(q.asInteger("PeriodType"));
    row.ElapseInt = q.asInteger("ElapseInt");
    row.ElapseType = periodUnitFromStored(q.asInteger("ElapseType"));
    return row;
}

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
    return readTaskRow(q);
}

std::vector<TaskRow> TaskStore::allTasks() {
    sql::Query q(conn_);
    q.add("SELECT *");
    q.add("FROM ToDo");
    q.add("WHERE MesType IN " + kTaskTypes);
    q.add("ORDER BY TDID");
    q.open();
    std::vector<TaskRow> rows;
    rows.reserve(static_cast<std::size_t>(q.recordCount()));
    for (q.first(); !q.eof(); q.next()) rows.push_back(readTaskRow(q));
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
    emit reminderTimeChanged(row.ShowDT);
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
    emit reminderTimeChanged(row.ShowDT);
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

bool TaskStore::hasPostponedColumn() {
    if (postponedColumn_) return true;
    sql::Query q(conn_);
    q.add("SELECT COUNT(*) AS N");
    q.add("FROM pragma_table_info('ToDo')");
    q.add("WHERE name = 'PostponedDT'");
    q.open();
    postponedColumn_ = !q.eof() && q.asInteger("N") > 0;
    return postponedColumn_;
}

bool TaskStore::addPostponedColumn() {
    if (hasPostponedColumn()) return true;
    try {
        // Nullable: a program that does not know the column ignores it.
        sql::Transaction t(conn_);
        sql::Query a(conn_);
        a.add("ALTER TABLE ToDo ADD COLUMN PostponedDT REAL");
        a.exec();
        sql::Query i(conn_);
        i.add("CREATE INDEX IF NOT EXISTS ToDo_PostponedDT ON ToDo (PostponedDT)");
        i.exec();
        t.commit();
        postponedColumn_ = true;
    } catch (const std::exception&) {
        postponedColumn_ = false;
    }
    return postponedColumn_;
}

std::unique_ptr<ToDoListCursor> TaskStore::openToDoList() {
    auto q = std::make_unique<sql::Query>(conn_);
    q->add("SELECT TDID, ShowDT, Title, MesType, ElapseInt, ElapseType, PeriodInt, PeriodType");
    q->add("FROM ToDo INDEXED BY ToDo_ShowDT");
    q->add("WHERE (MesType IN " + kTaskTypes + ") AND (PeriodInt > 0)");
    q->add("  UNION");
    q->add("SELECT TDID, ShowDT, Title, MesType, ElapseInt, ElapseType, PeriodInt, PeriodType");
    q->add("FROM ToDo INDEXED BY ToDo_ShowDT");
    q->add("WHERE (MesType IN " + kTaskTypes + ") AND (PeriodInt = 0)");
    q->add("ORDER BY ShowDT");
    // The rows come in ShowDT order straight from the index.
    q->setFetchOnDemand(true);
    q->open();
    return std::make_unique<ToDoListCursor>(std::move(q));
}

ToDoListCursor::ToDoListCursor(std::unique_ptr<sql::Query> query) : query_(std::move(query)) {
    static const char* const names[fieldCount] = {"TDID",      "ShowDT",     "Title",     "MesType",
                                                  "ElapseInt", "ElapseType", "PeriodInt", "PeriodType"};
    for (int f = 0; f < fieldCount; ++f) columns_[f] = query_->fieldIndex(names[f]);
}

ToDoListCursor::~ToDoListCursor() = default;

int ToDoListCursor::fetchedCount() const { return query_->fetchedCount(); }

bool ToDoListCursor::fetchedAll() const { return query_->fetchedAll(); }

void ToDoListCursor::fetchMore(int count) { query_->fetchMore(count); }

ToDoListRow ToDoListCursor::row(int index) const {
    const auto value = [&](Field f) -> const sql::Value& { return query_->valueAt(index, columns_[f]); };
    ToDoListRow r;
    r.TDID = static_cast<std::int32_t>(sql::toInteger(value(fTDID)));
    r.hasShowDT = !sql::isNull(value(fShowDT));
    r.ShowDT = sql::toDouble(value(fShowDT));
    r.Title = QString::fromStdString(sql::toText(value(fTitle)));
    r.mesType = mesTypeFromStored(sql::toInteger(value(fMesType)));
    r.ElapseInt = sql::toInteger(value(fElapseInt));
    r.ElapseType = periodUnitFromStored(sql::toInteger(value(fElapseType)));
    r.PeriodInt = sql::toInteger(value(fPeriodInt));
    r.PeriodType = periodUnitFromStored(sql::toInteger(value(fPeriodType)));
    return r;
}

std::vector<TaskOfDay> TaskStore::tasksOfDay(DateTime day) {
    sql::Query q(conn_);
    q.add("SELECT TDID, ShowDT, Title");
    q.add("FROM ToDo");
    q.add("WHERE (MesType IN " + kTaskTypes + ") AND (Int(ShowDT) = Int(:ToDoDate))");
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
    q.add("WHERE (MesType IN " + kTaskTypes + ") AND (Int(ShowDT) = Int(:ToDoDate))");
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
