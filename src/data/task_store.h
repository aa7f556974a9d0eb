#pragma once
// The ToDo table as the windows see it: every statement a window runs on
// it. Each write is followed by changed(), so views refresh themselves.
// The reminder engine's own statements stay with TDataModule1.

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/data/period.h"
#include "core/data/sql/connection.h"
#include "core/data/sql/query.h"
#include "core/time/datetime.h"

namespace ostrel {

// One ToDo row as the task editor reads and writes it.
struct TaskRow {
    std::int32_t TDID = 0;  // 0 for a row not stored yet
    DateTime FirstDT = 0.0;
    DateTime ShowDT = 0.0;
    std::int64_t MesType = 0;
    QString Title;
    QString Comment;
    std::int64_t PeriodInt = 0;
    PeriodUnit PeriodType = puNone;  // puNone when the task does not repeat
    std::int64_t ElapseInt = 0;
    PeriodUnit ElapseType = puNone;
};

// A task of one day, for the day-info panel.
struct TaskOfDay {
    std::int64_t id = 0;
    DateTime showDT = 0.0;
    QString title;
};

class TaskStore : public QObject {
    Q_OBJECT
public:
    explicit TaskStore(sql::Connection& conn, QObject* parent = nullptr);

    // The row with that TDID; a row of empty fields (TDID 0) when there is
    // none.
    TaskRow task(std::int32_t taskId);
    // Every task (kinds 0, 3, 10 and 13), in TDID order.
    std::vector<TaskRow> allTasks();
    // Stores a new row (row.TDID is not used) and returns its TDID.
    std::int64_t insertTask(const TaskRow& row);
    // Changes every field of the row row.TDID.
    void updateTask(const TaskRow& row);
    // Deletes one row; nothing when there is none.
    void removeTask(std::int32_t taskId);

    // The to-do list: every pending task (one-time and repeating) with its
    // active time and cycle as text, in ShowDT order. The query is open and
    // reads its rows on demand (fetchMore); the caller owns it.
    std::unique_ptr<sql::Query> openToDoList();

    // The tasks (kinds 0 and 3, shown or not) whose ShowDT falls on the day,
    // in ShowDT order; found through the ShowDT index.
    std::vector<TaskOfDay> tasksOfDay(DateTime day);
    // The first of those tasks of the day of `from` whose ShowDT is at or
    // after `from`; none when no task is left that day.
    std::optional<TaskOfDay> nextTaskOfDay(DateTime from);

signals:
    // After every write of this store.
    void changed();

private:
    sql::Connection& conn_;
};

}  // namespace ostrel
