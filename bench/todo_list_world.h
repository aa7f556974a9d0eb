#pragma once
// The to-do list's world for benchmarks: a database of N tasks of every
// kind (some repeating), the data module, the task editor and the list.

#include <string>

#include "app/forms.h"
#include "data/data_module.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"

namespace ostrel::bench {

struct ToDoListWorld {
    ostrel::testing::TempDir dir{"ostrel bench"};
    ostrel::testing::ScopedFakeClock clock{46000.5};

    explicit ToDoListWorld(int tasks) {
        const auto db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        ostrel::testing::execSql(
            db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(tasks) +
                    ") INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, "
                    "PeriodType, ElapseInt, ElapseType) SELECT CASE i % 4 WHEN 0 THEN 10 WHEN 1 "
                    "THEN 0 WHEN 2 THEN 3 ELSE 13 END, 45000 + i / 50.0, 45000 + i / 50.0, "
                    "'Task number ' || i, 'A comment for task ' || i, CASE WHEN i % 5 = 0 THEN 1 + "
                    "i % 3 ELSE 0 END, CASE WHEN i % 5 = 0 THEN 1 + i % 6 ELSE 0 END, 1 + i % 30, "
                    "1 + i % 3 FROM n;");
        DataModule1 = new TDataModule1(QString::fromStdString(db.string()));
        frmCreateToDo = new TfrmCreateToDo(DataModule1->tasks());
        frmToDoList = new TfrmToDoList(DataModule1->tasks(), frmCreateToDo);
    }
    ~ToDoListWorld() {
        ostrel::testing::destroyGlobal(frmToDoList);
        ostrel::testing::destroyGlobal(frmCreateToDo);
        ostrel::testing::destroyGlobal(DataModule1);
    }
};

}  // namespace ostrel::bench
