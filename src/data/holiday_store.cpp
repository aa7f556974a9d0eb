#include "data/holiday_store.h"

#include <algorithm>
#include <limits>

#include "core/data/holiday_dates.h"
#include "core/data/period.h"
#include "core/data/sql/query.h"
#include "core/time/clock_service.h"
#include "data/mes_type.h"

namespace ostrel {

using sql::ParamType;

namespace {

std::int32_t int32Of(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

QString textOf(const sql::Query& q, const char* column) { return QString::fromStdString(q.asString(column)); }

// Parameters shared by the insert and the update.
void bindHoliday(sql::Query& q, const HolidayRow& row) {
    q.param("FirstDT", ParamType::DateTime, row.FirstDT);
    q.param("Title", ParamType::Text, row.Title.toStdString());
    q.param("Comment", ParamType::LongText, row.Comment.toStdString());
    q.param("ElapseInt", ParamType::Integer, std::int64_t{row.ElapseInt});
}

}  // namespace

HolidayStore::HolidayStore(sql::Connection& connection, QObject* parent) : QObject(parent), conn_(connection) {
    setObjectName(QStringLiteral("HolidayStore"));
}

std::vector<HolidayRow> HolidayStore::listHolidays() {
    sql::Query q(conn_);
    q.add("SELECT TDID, FirstDT, Title, ElapseInt, Comment");
    q.add("FROM ToDo");
    q.add("WHERE MesType = " + std::to_string(storedMesType(mtHoliday)));
    q.add("ORDER BY 40*Month(FirstDT) + Day(FirstDT)");
    q.open();
    std::vector<HolidayRow> rows;
    rows.reserve(static_cast<std::size_t>(q.recordCount()));
    const int id = q.fieldIndex("TDID");
    const int first = q.fieldIndex("FirstDT");
    const int title = q.fieldIndex("Title");
    const int elapse = q.fieldIndex("ElapseInt");
    const int comment = q.fieldIndex("Comment");
    for (int r = 0; r < q.fetchedCount(); ++r) {
        HolidayRow row;
        row.TDID = int32Of(sql::toInteger(q.valueAt(r, id)));
        row.FirstDT = sql::toDouble(q.valueAt(r, first));
        row.Title = QString::fromStdString(sql::toText(q.valueAt(r, title)));
        row.ElapseInt = int32Of(sql::toInteger(q.valueAt(r, elapse)));
        row.Comment = QString::fromStdString(sql::toText(q.valueAt(r, comment)));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<DayHoliday> HolidayStore::holidaysOfDay(DateTime day) {
    sql::Query q(conn_);
    q.add("SELECT TDID, Title");
    q.add("FROM ToDo ");
    q.add("WHERE (MesType = " + std::to_string(storedMesType(mtHoliday)) +
          ") AND (Day(FirstDT) = Day(:HolidDate)) AND (Month(FirstDT) = Month(:HolidDate1))");
    q.param("HolidDate", ParamType::DateTime, day);
    q.param("HolidDate1", ParamType::DateTime, day);
    q.open();
    std::vector<DayHoliday> out;
    for (; !q.eof(); q.next()) out.push_back({int32Of(q.asInteger("TDID")), textOf(q, "Title")});
    return out;
}

std::int32_t HolidayStore::insertHoliday(const HolidayRow& row) {
    sql::Query q(conn_);
    q.add("INSERT INTO ToDo (FirstDT, MesType, Title, Comment, PeriodInt, PeriodType, ElapseInt, ElapseType)");
    q.add("VALUES (:FirstDT, :MesType, :Title, :Comment, 1, :PeriodType, :ElapseInt, :ElapseType)");
    q.param("MesType", sql::ParamType::Integer, storedMesType(mtHoliday));
    q.param("PeriodType", sql::ParamType::Integer, storedPeriodUnit(puYears));
    q.param("ElapseType", sql::ParamType::Integer, storedPeriodUnit(puDays));
    bindHoliday(q, row);
    q.exec();
    const auto id = int32Of(conn_.lastInsertRowId());
    setReminderTime(id, row.FirstDT, row.ElapseInt);
    emit changed();
    return id;
}

std::int32_t HolidayStore::updateHoliday(const HolidayRow& row) {
    // The values the pending reminder was timed from.
    sql::Query old(conn_);
    old.add("SELECT FirstDT, ElapseInt");
    old.add("FROM ToDo");
    old.add("WHERE TDID = :TDID");
    old.param("TDID", ParamType::Integer, std::int64_t{row.TDID});
    old.open();
    if (old.eof() || row.TDID == 0) return insertHoliday(row);
    const bool retime = old.asDateTime("FirstDT") != row.FirstDT || old.asInteger("ElapseInt") != row.ElapseInt;
    old.close();

    sql::Query q(conn_);
    q.add("UPDATE ToDo");
    q.add("SET FirstDT = :FirstDT, Title = :Title, Comment = :Comment, ElapseInt = :ElapseInt");
    q.add("WHERE TDID = :TDID");
    bindHoliday(q, row);
    q.param("TDID", ParamType::Integer, std::int64_t{row.TDID});
    q.exec();
    if (retime) setReminderTime(row.TDID, row.FirstDT, row.ElapseInt);
    emit changed();
    return row.TDID;
}

void HolidayStore::deleteHoliday(std::int32_t TDID) {
    sql::Query q(conn_);
    q.add("DELETE");
    q.add("FROM ToDo");
    q.add("WHERE TDID = :TDID");
    q.param("TDID", ParamType::Integer, std::int64_t{TDID});
    q.exec();
    emit changed();
}

void HolidayStore::setReminderTime(std::int32_t TDID, DateTime firstDT, std::int32_t elapseInt) {
    const DateTime showDT = holidayReminderTime(firstDT, elapseInt, clock().now());
    sql::Query q(conn_);
    q.add("UPDATE ToDo");
    q.add("SET ShowDT = :ShowDT");
    q.add("WHERE TDID = :TDID");
    q.param("ShowDT", ParamType::DateTime, showDT);
    q.param("TDID", ParamType::Integer, std::int64_t{TDID});
    q.exec();
    emit reminderTimeChanged(showDT);
}

}  // namespace ostrel
