#pragma once
// The data module: the program's one database connection and the reminder
// engine's state. Created first at start-up and alive for the whole run.

#include <QObject>

#include "core/data/sql/connection.h"
#include "core/data/sql/query.h"
#include "core/time/datetime.h"

namespace ostrel {

class TDataModule1 : public QObject {
    Q_OBJECT
public:
    // databasePath: the organizer database; empty means "Tamo.qdb" beside
    // the executable.
    explicit TDataModule1(const QString& databasePath = {}, QObject* parent = nullptr);
    ~TDataModule1() override;

    // The reminder gate of the clock's tick: 65535.0 until the start-up pass
    // has ended, afterwards the earliest ShowDT after the present (0.0 when
    // none lies in the future).
    DateTime NextReminderTime = kFarFuture;

    // The connection every query uses. It opens at the first statement.
    sql::Connection connTAMO;

    // A query object on connTAMO.
    sql::Query newQuery() { return sql::Query(connTAMO); }

    // Recomputes NextReminderTime.
    void UpdateNextReminderTime();
    // The reminder engine's start-up pass.
    void InitReminders();
    // Deletes one ToDo row.
    void DeleteTask(int TaskID);
};

}  // namespace ostrel
