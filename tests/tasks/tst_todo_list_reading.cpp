// The to-do list reads its rows a slice at a time while the window idles.
// A reminder pass that moves a task's ShowDT in the meantime must not make a
// row appear twice or go missing.

#include <QTableView>
#include <QtTest>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/forms.h"
#include "core/data/period.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "recording_dialogs.h"
#include "tasks/todo_list.h"

using namespace ostrel;
using ostrel::testing::at;

namespace {

const DateTime kNow = at(2026, 12, 10, 10, 0, 0);

std::string num(DateTime v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// Every TDID the list shows, in its order, after it has read every row.
std::vector<int> listedIds(TfrmToDoList& list) {
    auto* grid = list.findChild<QTableView*>(QStringLiteral("grToDoList"));
    auto* model = qobject_cast<ToDoListModel*>(grid->model());
    while (model->showMore(4096)) {
    }
    std::vector<int> ids;
    for (int r = 0; r < model->rowCount(); ++r) ids.push_back(model->index(r, 0).data(Qt::UserRole).toInt());
    return ids;
}

std::set<int> pendingIds() {
    sql::Query q(DataModule1->connTAMO);
    q.add("SELECT TDID FROM ToDo WHERE MesType IN (0, 3, 10, 13)");
    q.open();
    std::set<int> ids;
    for (; !q.eof(); q.next()) ids.insert(static_cast<int>(q.asInteger("TDID")));
    return ids;
}

}  // namespace

class TestToDoListReading : public QObject {
    Q_OBJECT
private slots:
    void passMovingShowDTWhileTheListReads_data() {
        QTest::addColumn<int>("repeating");  // due repeating tasks at the top of the list
        QTest::newRow("one") << 1;
        QTest::newRow("many") << 40;
    }
    void passMovingShowDTWhileTheListReads() {
        QFETCH(int, repeating);
        ostrel::testing::TempDir dir("ostrel todo reading");
        const auto db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        ostrel::testing::ScopedFakeClock clock(kNow);
        ostrel::testing::RecordingDialogs dialogs;

        // Due repeating tasks first (ShowDT before the present), then far
        // more tasks than the list reads at once; a pass moves every due one
        // a day on, past every row the list has not read yet.
        std::string values;
        auto add = [&](int mesType, DateTime show, int periodInt, int periodType) {
            if (!values.empty()) values += ", ";
            values += "(" + num(show) + ", " + num(show) + ", " + std::to_string(mesType) + ", 't', '', " +
                      std::to_string(periodInt) + ", " + std::to_string(periodType) + ", 1, " +
                      std::to_string(puHours) + ")";
        };
        // Their hour of activity is over, so the pass shows nothing and lets
        // no window message run between its writes.
        for (int i = 0; i < repeating; ++i) add(0, kNow - 2.0 / 24 - (i + 1) / 1440.0, 1, puDays);
        // Every tenth of the later ones repeats too, so both halves of the
        // list's query are still being read when the pass runs.
        for (int i = 0; i < 1000; ++i) add(0, kNow + (i + 1) / 1440.0 / 4.0, i % 10 == 0 ? 1 : 0, puDays);
        ostrel::testing::execSql(db,
                                 "INSERT INTO ToDo (FirstDT, ShowDT, MesType, Title, Comment, PeriodInt, "
                                 "PeriodType, ElapseInt, ElapseType) VALUES " +
                                     values);

        DataModule1 = new TDataModule1(QString::fromStdString(db.string()));
        ReminderEngine engine(DataModule1->connTAMO, DataModule1->tasks(), DataModule1->holidays());
        frmToDoList = new TfrmToDoList(DataModule1->tasks());
        frmToDoList->show();
        auto* grid = frmToDoList->findChild<QTableView*>(QStringLiteral("grToDoList"));
        QVERIFY(grid);
        QVERIFY(grid->model()->rowCount() < repeating + 1000);  // still reading

        engine.RunTickPass();
        {
            sql::Query q(DataModule1->connTAMO);
            q.add("SELECT Count(*) AS Moved FROM ToDo WHERE ShowDT > :Later");
            q.param("Later", sql::ParamType::DateTime, kNow + 0.5);
            q.open();
            QCOMPARE(q.asInteger("Moved"), std::int64_t{repeating});  // the pass did move them
        }

        const std::vector<int> ids = listedIds(*frmToDoList);
        const std::set<int> unique(ids.begin(), ids.end());
        QCOMPARE(unique.size(), ids.size());  // no row twice
        QCOMPARE(unique, pendingIds());       // none missing

        ostrel::testing::destroyGlobal(frmToDoList);
        ostrel::testing::destroyGlobal(DataModule1);
    }
};

int main(int argc, char** argv) {
    OstrelApplication app(argc, argv);
    TestToDoListReading test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_todo_list_reading.moc"
