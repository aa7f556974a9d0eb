#pragma once
// Which days of a month hold something, for the calendar of the day panel:
// tasks and plans by their ShowDT, holidays by their day every year,
// birthdays of the address book by theirs (29 February on 28 February in a
// year without it). Read in one statement per month through the ShowDT
// index.

#include <QObject>

#include <cstdint>

#include "core/data/sql/connection.h"

namespace ostrel {

struct MonthMarks {
    // Bit d - 1 stands for day d of the month.
    std::uint32_t tasks = 0;
    std::uint32_t plans = 0;
    std::uint32_t holidays = 0;
    std::uint32_t birthdays = 0;

    std::uint32_t any() const { return tasks | plans | holidays | birthdays; }
    static bool has(std::uint32_t days, int day) { return day >= 1 && day <= 31 && (days >> (day - 1)) & 1u; }
    friend bool operator==(const MonthMarks&, const MonthMarks&) = default;
};

class MonthMarksStore : public QObject {
    Q_OBJECT
public:
    explicit MonthMarksStore(sql::Connection& connection, QObject* parent = nullptr);

    // The marks of month (1..12) of year.
    MonthMarks marks(int year, int month);

private:
    sql::Connection& conn_;
};

}  // namespace ostrel
