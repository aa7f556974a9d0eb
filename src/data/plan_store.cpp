#include "data/plan_store.h"

#include "core/data/sql/query.h"
#include "data/mes_type.h"

#include <string>

namespace ostrel {

namespace {
const std::string kPlan = std::to_string(storedMesType(mtPlan));
}  // namespace

using sql::ParamType;

PlanStore::PlanStore(sql::Connection& connection, QObject* parent) : QObject(parent), conn_(connection) {
    setObjectName(QStringLiteral("PlanStore"));
}

std::vector<SlotQueryRow> PlanStore::plansOfDay(DateTime day) {
    sql::Query q(conn_);
    q.add("SELECT Halfhours.Time, Title, ElapseInt");
    q.add("FROM Halfhours LEFT JOIN (");
    q.add("  SELECT TimeValue(ShowDT) AS ScheduleTime, Title, ElapseInt");
    q.add("  FROM ToDo");
    q.add("  WHERE (MesType = " + kPlan + ") AND (Int(ShowDT) = Int(:ScheduleDate))");
    // The same day as a range the ShowDT index answers (dialect.h, 7).
    q.add("    AND (ShowDT > Int(:ScheduleDateFrom) - 1) AND (ShowDT < Int(:ScheduleDateTo) + 1)");
    q.add(") AS qrSchedule");
    q.add("ON Halfhours.Time = qrSchedule.ScheduleTime");
    const DateTime date = datePart(day);
    q.param("ScheduleDate", ParamType::DateTime, date);
    q.param("ScheduleDateFrom", ParamType::DateTime, date);
    q.param("ScheduleDateTo", ParamType::DateTime, date);
    q.open();
    std::vector<SlotQueryRow> rows;
    rows.reserve(static_cast<std::size_t>(q.recordCount()));
    const int cTime = q.fieldIndex("Time");
    const int cTitle = q.fieldIndex("Title");
    const int cElapse = q.fieldIndex("ElapseInt");
    for (int r = 0; r < q.recordCount(); ++r) {
        SlotQueryRow row;
        row.time = sql::toDouble(q.valueAt(r, cTime));
        row.title = sql::toText(q.valueAt(r, cTitle));
        const sql::Value& e = q.valueAt(r, cElapse);
        row.elapseNull = sql::isNull(e);
        row.elapse = sql::toInteger(e);
        rows.push_back(std::move(row));
    }
    return rows;
}

namespace {

PlanRow planOf(const sql::Query& q) {
    PlanRow row;
    row.TDID = q.asInteger("TDID");
    row.ShowDT = q.asDateTime("ShowDT");
    row.Title = QString::fromStdString(q.asString("Title"));
    row.ElapseInt = static_cast<std::int32_t>(q.asInteger("ElapseInt"));
    return row;
}

}  // namespace

std::vector<PlanRow> PlanStore::allPlans() {
    sql::Query q(conn_);
    q.add("SELECT TDID, ShowDT, Title, ElapseInt");
    q.add("FROM ToDo");
    q.add("WHERE MesType = " + kPlan);
    q.add("ORDER BY TDID");
    q.open();
    std::vector<PlanRow> rows;
    rows.reserve(static_cast<std::size_t>(q.recordCount()));
    for (q.first(); !q.eof(); q.next()) rows.push_back(planOf(q));
    return rows;
}

std::optional<PlanRow> PlanStore::plan(std::int64_t TDID) {
    sql::Query q(conn_);
    q.add("SELECT TDID, ShowDT, Title, ElapseInt");
    q.add("FROM ToDo");
    q.add("WHERE (TDID = :TDID) AND (MesType = " + kPlan + ")");
    q.param("TDID", ParamType::Integer, TDID);
    q.open();
    if (q.eof()) return std::nullopt;
    return planOf(q);
}

void PlanStore::updatePlanRow(std::int64_t TDID, const QString& title, DateTime start, int slotCount) {
    {
        sql::Query q(conn_);
        q.add("UPDATE ToDo");
        q.add("SET Title = :Title, ShowDT = :ShowDT, ElapseInt = :ElapseInt");
        q.add("WHERE (TDID = :TDID) AND (MesType = " + kPlan + ")");
        q.param("Title", ParamType::Text, title.toStdString());
        q.param("ShowDT", ParamType::DateTime, start);
        q.param("ElapseInt", ParamType::Integer, std::int64_t{slotCount});
        q.param("TDID", ParamType::Integer, TDID);
        q.exec();
    }
    emit changed();
}

std::int64_t PlanStore::insertPlan(const QString& title, DateTime start, int slotCount) {
    std::int64_t id = 0;
    {
        sql::Query q(conn_);
        q.add("INSERT INTO ToDo (MesType, Title, ShowDT, ElapseInt)");
        q.add("VALUES (" + kPlan + ", :Title, :ShowDT, :ElapseInt)");
        q.param("Title", ParamType::Text, title.toStdString());
        q.param("ShowDT", ParamType::DateTime, start);
        q.param("ElapseInt", ParamType::Integer, std::int64_t{slotCount});
        q.exec();
        id = conn_.lastInsertRowId();
    }
    emit changed();
    return id;
}

void PlanStore::updatePlan(DateTime oldStart, const QString& title, DateTime start, int slotCount) {
    {
        sql::Query q(conn_);
        q.add("UPDATE ToDo");
        q.add("SET Title = :Title, ShowDT = :ShowDT, ElapseInt = :ElapseInt");
        q.add("WHERE (ShowDT = :ShowDTOld) AND (MesType = " + kPlan + ")");
        q.param("Title", ParamType::Text, title.toStdString());
        q.param("ShowDT", ParamType::DateTime, start);
        q.param("ElapseInt", ParamType::Integer, std::int64_t{slotCount});
        q.param("ShowDTOld", ParamType::DateTime, oldStart);
        q.exec();
    }
    emit changed();
}

void PlanStore::deletePlan(DateTime start) {
    {
        sql::Query q(conn_);
        q.add("DELETE FROM ToDo");
        q.add("WHERE (ShowDT = :ScheduleDT) AND (MesType = " + kPlan + ")");
        q.param("ScheduleDT", ParamType::DateTime, start);
        q.exec();
    }
    emit changed();
}

}  // namespace ostrel
