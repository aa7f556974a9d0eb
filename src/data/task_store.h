#pragma once
// The ToDo table as the windows see it: every statement a window runs on
// it. Each write is followed by changed(), so views refresh themselves.
// The reminder engine's own statements stay with TDataModule1.

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

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
    std::int64_t PeriodType = 0;
    std::int64_t ElapseInt = 0;
    std::int64_t ElapseType = 0;
};

class TaskStore : public QObject {
    Q_OBJECT
public:
    explicit TaskStore(sql::Connection& conn, QObject* parent = nullptr);

    // The row with that TDID; a row of empty fields (TDID 0) when there is
    // none.
    TaskRow task(std::int32_t taskId);
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

signals:
    // After every write of this store.
    void changed();

private:
    sql::Connection& conn_;
};

}  // namespace ostrel
