#pragma once
// The ToDo table as the windows see it: every statement a window runs on
// it. Each write is followed by changed(), so views refresh themselves, and
// a write that sets a reminder time announces it (reminderTimeChanged) for
// the reminder engine. The engine's own passes are in reminder_engine.h.

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
#include "data/mes_type.h"

namespace ostrel {

// One ToDo row as the task editor reads and writes it.
struct TaskRow {
    std::int32_t TDID = 0;  // 0 for a row not stored yet
    DateTime FirstDT = 0.0;
    DateTime ShowDT = 0.0;
    MesType mesType = mtOnceAtTime;
    QString Title;
    QString Comment;
    std::int64_t PeriodInt = 0;
    PeriodUnit PeriodType = puNone;  // puNone when the task does not repeat
    std::int64_t ElapseInt = 0;
    PeriodUnit ElapseType = puNone;
};

// The row a query stands on (every column of ToDo selected).
TaskRow readTaskRow(const sql::Query& q);

// A task of one day, for the day-info panel.
struct TaskOfDay {
    std::int64_t id = 0;
    DateTime showDT = 0.0;
    QString title;
};

// One row of the to-do list.
struct ToDoListRow {
    std::int32_t TDID = 0;
    DateTime ShowDT = 0.0;
    bool hasShowDT = false;  // false: the row has no ShowDT (shown as empty)
    QString Title;
    MesType mesType = mtOnceAtTime;
    std::int64_t ElapseInt = 0;
    PeriodUnit ElapseType = puNone;
    std::int64_t PeriodInt = 0;  // 0: the task does not repeat
    PeriodUnit PeriodType = puNone;
};

// The to-do list's rows in ShowDT order, read from the file on demand: the
// first screenful shows at once and the rest is read while a window idles.
class ToDoListCursor {
public:
    explicit ToDoListCursor(std::unique_ptr<sql::Query> query);
    ~ToDoListCursor();
    ToDoListCursor(const ToDoListCursor&) = delete;
    ToDoListCursor& operator=(const ToDoListCursor&) = delete;

    // Rows read so far, and whether that is every row.
    int fetchedCount() const;
    bool fetchedAll() const;
    // Reads up to count more rows.
    void fetchMore(int count);
    // A row read already (0 <= index < fetchedCount()).
    ToDoListRow row(int index) const;

private:
    enum Field { fTDID, fShowDT, fTitle, fMesType, fElapseInt, fElapseType, fPeriodInt, fPeriodType, fieldCount };
    std::unique_ptr<sql::Query> query_;
    int columns_[fieldCount] = {};
};

class TaskStore : public QObject {
    Q_OBJECT
public:
    explicit TaskStore(sql::Connection& conn, QObject* parent = nullptr);

    // The row with that TDID; a row of empty fields (TDID 0) when there is
    // none.
    TaskRow task(std::int32_t taskId);
    // Every task (isTask), in TDID order.
    std::vector<TaskRow> allTasks();
    // Stores a new row (row.TDID is not used) and returns its TDID.
    std::int64_t insertTask(const TaskRow& row);
    // Changes every field of the row row.TDID.
    void updateTask(const TaskRow& row);
    // Deletes one row; nothing when there is none.
    void removeTask(std::int32_t taskId);

    // Whether ToDo has the column of postponed occurrences (PostponedDT).
    // Asked of the file until it has it (another copy of the program may add
    // it meanwhile).
    bool hasPostponedColumn();
    // The schema step run when the database is opened: adds the nullable
    // PostponedDT column and its index to a file made without them. False
    // when that cannot be done (a read-only or locked file): postponements of
    // repeating entries are then not kept.
    bool addPostponedColumn();

    // The to-do list: every task (one-time and repeating, dealt with or
    // not), in ShowDT order.
    std::unique_ptr<ToDoListCursor> openToDoList();

    // The tasks (isTask, dealt with or not) whose ShowDT falls on the day,
    // in ShowDT order; found through the ShowDT index.
    std::vector<TaskOfDay> tasksOfDay(DateTime day);
    // The first of those tasks of the day of `from` whose ShowDT is at or
    // after `from`; none when no task is left that day.
    std::optional<TaskOfDay> nextTaskOfDay(DateTime from);

signals:
    // After every write of this store.
    void changed();
    // A save has set a task's reminder time (ShowDT).
    void reminderTimeChanged(DateTime showDT);

private:
    sql::Connection& conn_;
    bool postponedColumn_ = false;
};

}  // namespace ostrel
