#include "data/month_marks_store.h"

#include <cmath>

#include "core/data/birthdays.h"
#include "core/data/sql/query.h"

namespace ostrel {

using sql::ParamType;

MonthMarksStore::MonthMarksStore(sql::Connection& connection, QObject* parent) : QObject(parent), conn_(connection) {
    setObjectName(QStringLiteral("MonthMarksStore"));
}

MonthMarks MonthMarksStore::marks(int year, int month) {
    MonthMarks out;
    if (!isValidDate(year, month, 1)) return out;
    const double first = encodeDate(year, month, 1);
    const double end = first + daysInMonth(year, month);
    sql::Query q(conn_);
    // Kind 0: tasks, 1: plans (their days), 2: holidays (day of the month),
    // 3: birthdays (the date of birth).
    q.add("SELECT DISTINCT CASE MesType WHEN 1 THEN 1 ELSE 0 END AS Kind, Int(ShowDT) AS At");
    q.add("FROM ToDo");
    q.add("WHERE (ShowDT >= :MonthFrom) AND (ShowDT < :MonthTo) AND (MesType IN (0, 1, 3, 10, 13))");
    q.add("UNION ALL");
    q.add("SELECT DISTINCT 2, Day(FirstDT) FROM ToDo WHERE (MesType = 2) AND (Month(FirstDT) = :HolidayMonth)");
    q.add("UNION ALL");
    q.add("SELECT 3, Birthday FROM AddressBook WHERE (Birthday IS NOT NULL) AND (Month(Birthday) = :BirthMonth)");
    q.param("MonthFrom", ParamType::DateTime, first);
    q.param("MonthTo", ParamType::DateTime, end);
    q.param("HolidayMonth", ParamType::Integer, std::int64_t{month});
    q.param("BirthMonth", ParamType::Integer, std::int64_t{month});
    q.open();
    const int cKind = q.fieldIndex("Kind");
    const int cAt = q.fieldIndex("At");
    for (int r = 0; r < q.recordCount(); ++r) {
        const auto kind = sql::toInteger(q.valueAt(r, cKind));
        const double at = sql::toDouble(q.valueAt(r, cAt));
        int day = 0;
        if (kind == 0 || kind == 1) {
            day = static_cast<int>(at - first) + 1;
        } else if (kind == 2) {
            day = static_cast<int>(at);
            if (day > daysInMonth(year, month)) continue;  // 29 February, as the day's list
        } else if (const auto b = birthdayInYear(at, year)) {
            day = decodeDate(*b).day;
        }
        if (day < 1 || day > 31) continue;
        const std::uint32_t bit = 1u << (day - 1);
        if (kind == 0) out.tasks |= bit;
        else if (kind == 1) out.plans |= bit;
        else if (kind == 2) out.holidays |= bit;
        else out.birthdays |= bit;
    }
    return out;
}

}  // namespace ostrel
