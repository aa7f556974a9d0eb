#pragma once
// The data module: the program's one database connection and the stores
// made on it, one per table. Created at start-up once the database's check
// has finished, and alive for the whole run. The reminder engine
// (reminder_engine.h) is an object of its own on the same connection.

#include <QObject>
#include <QString>

#include <memory>

#include "core/data/sql/connection.h"
#include "core/data/sql/query.h"
#include "data/contact_store.h"
#include "data/holiday_store.h"
#include "data/task_store.h"

namespace ostrel {
class PlanStore;
class BackupStore;
class ExchangeStore;
}  // namespace ostrel

namespace ostrel {

class TDataModule1 : public QObject {
    Q_OBJECT
public:
    // databasePath: the organizer database (the application passes
    // "Tamo.qdb" beside the executable). The connection opens at the first
    // statement; the schema steps of the file run then
    // (TaskStore::addPostponedColumn).
    explicit TDataModule1(const QString& databasePath = {}, QObject* parent = nullptr);
    ~TDataModule1() override;

    // The connection every store uses.
    sql::Connection connTAMO;

    // A query object on connTAMO.
    sql::Query newQuery() { return sql::Query(connTAMO); }

    // The ToDo table's tasks (task_store.h).
    TaskStore& tasks() { return *tasks_; }
    // The holidays (ToDo rows of mtHoliday).
    HolidayStore& holidays() { return *holidays_; }
    // The AddressBook table.
    ContactStore& contacts() { return *contacts_; }
    // The schedule's plans.
    PlanStore& plans();
    // Backup copies of the database, notes and settings (backup_store.h).
    BackupStore& backups();
    // The identifiers of exchanged rows (exchange_store.h).
    ExchangeStore& exchange();

private:
    std::unique_ptr<TaskStore> tasks_;
    std::unique_ptr<ContactStore> contacts_;
    std::unique_ptr<HolidayStore> holidays_;
    std::unique_ptr<PlanStore> plans_;
    std::unique_ptr<BackupStore> backups_;
    std::unique_ptr<ExchangeStore> exchange_;
};

// The program's data module, created at start-up by the application.
extern TDataModule1* DataModule1;

}  // namespace ostrel
