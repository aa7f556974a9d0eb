#pragma once
// The holidays: ToDo rows of MesType 2, a date that comes back every year
// with a title, a comment and a number of days of advance reminder.

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

#include "core/data/sql/connection.h"
#include "core/time/datetime.h"

namespace ostrel {

// One holiday as the list reads it and the editor writes it.
struct HolidayRow {
    std::int32_t TDID = 0;       // 0: not stored yet
    DateTime FirstDT = 0.0;      // the holiday's date at midnight
    QString Title;               // as typed, blanks kept
    std::int32_t ElapseInt = 0;  // days of advance reminder; 0 = no reminder
    QString Comment;
};

// A holiday of one day, for the day info panel.
struct DayHoliday {
    std::int32_t TDID = 0;
    QString Title;
};

class HolidayStore : public QObject {
    Q_OBJECT
public:
    explicit HolidayStore(sql::Connection& connection, QObject* parent = nullptr);

    // Every holiday, by month and day whatever the year (holidays of the
    // same day and month in the engine's order).
    std::vector<HolidayRow> listHolidays();
    // The holidays whose day and month are those of day, in the engine's
    // order.
    std::vector<DayHoliday> holidaysOfDay(DateTime day);

    // Stores a new holiday (row.TDID is not used) and returns its TDID. Its
    // reminder is timed from its values (see reminderTimeChanged).
    std::int32_t insertHoliday(const HolidayRow& row);
    // Changes the holiday row.TDID. When its date or its advance changes, its
    // pending reminder is timed afresh from the new values. A holiday deleted
    // meanwhile is stored again as a new one (the user's typing is not lost);
    // the return value is the TDID the holiday has afterwards.
    std::int32_t updateHoliday(const HolidayRow& row);
    // Deletes one row by TDID; an id that does not exist (0) removes nothing.
    void deleteHoliday(std::int32_t TDID);

signals:
    // After every write.
    void changed();
    // A holiday's reminder time (ShowDT) was set by a save. When it is not
    // later than the present, the holiday's reminder window is already open
    // and the reminder engine should run at its next tick.
    void reminderTimeChanged(DateTime showDT);

private:
    void setReminderTime(std::int32_t TDID, DateTime firstDT, std::int32_t elapseInt);
    sql::Connection& conn_;
};

}  // namespace ostrel
