// A flood of due reminders: the first few open windows, the rest gather in
// one list window where each can still be answered.

#include <QtTest>

#include <QApplication>
#include <QScreen>

#include "app/forms.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "tasks/reminder_list.h"
#include "tasks/reminder_window.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::at;
using ostrel::testing::child;

namespace {

std::string num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

QList<TfrmToDo*> reminderWindows() {
    QList<TfrmToDo*> list;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* r = qobject_cast<TfrmToDo*>(w); r && r->isVisible()) list.append(r);
    return list;
}

}  // namespace

class TestReminderList : public QObject {
    Q_OBJECT

    std::unique_ptr<ostrel::testing::TempDir> dir;

    std::filesystem::path db() const { return dir->path() / "Tamo.qdb"; }
    // n one-time tasks (ids 1..n) due at 14:00, active for a day.
    void insertDueTasks(int n) {
        ostrel::testing::execSql(
            db(), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(n) +
                      ") INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, "
                      "ElapseInt, ElapseType) SELECT i, 0, " +
                      num(at(2024, 5, 6, 14)) + ", " + num(at(2024, 5, 6, 14)) +
                      ", 'task ' || i, 'c', 0, 0, 1, 3 FROM n");
    }
    std::pair<std::int64_t, DateTime> row(int id) {
        sql::Query q = DataModule1->newQuery();
        q.add("SELECT MesType, ShowDT FROM ToDo WHERE TDID = " + std::to_string(id));
        q.open();
        return {q.asInteger("MesType"), q.asDateTime("ShowDT")};
    }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel list test");
        ostrel::testing::createOrganizerDatabase(db());
        DataModule1 = new TDataModule1(QString::fromStdString(db().string()));
        createReminderEngine();
    }
    void cleanup() {
        for (TfrmToDo* w : reminderWindows()) delete w;
        delete reminderListWindow();
        destroyReminderEngine();
        ostrel::testing::destroyGlobal(DataModule1);
        dir.reset();
    }

    // 25 tasks due at once: 20 windows, the other 5 in the list; answering
    // there marks done or postpones exactly the rows chosen, and the list
    // closes with its last row.
    void theRestGoToOneListAndAreAnsweredThere() {
        ostrel::testing::ScopedFakeClock clock(at(2024, 5, 6, 14, 30));
        insertDueTasks(25);
        reminderEngine->InitReminders();
        QCOMPARE(reminderWindows().size(), kMaxReminderWindows);
        QPointer<ReminderListWindow> list = reminderListWindow();
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->objectName(), QStringLiteral("frmReminderList"));
        QCOMPARE(list->property("helpContext").toInt(), 4);
        QCOMPARE(list->reminderCount(), 5);
        QCOMPARE(child<QTableWidget>(*list, "grReminders")->item(0, 0)->text(), QStringLiteral("task 21"));
        QCOMPARE(list->taskIdAt(4), 25);
        QCOMPARE(list->taskTimeAt(4), at(2024, 5, 6, 14));
        QCOMPARE(child<QComboBox>(*list, "cbPostpone")->count(), 6);
        // The list stays clear of the reminder windows' column.
        for (TfrmToDo* w : reminderWindows())
            QVERIFY(!list->frameGeometry().intersects(QRect(w->x(), 0, w->width(), 1024)));
        QVERIFY(QGuiApplication::primaryScreen()->geometry().contains(list->frameGeometry()));

        // The next pass lists nothing twice.
        reminderEngine->RunTickPass();
        QCOMPARE(list->reminderCount(), 5);

        // Done for tasks 21 and 23.
        child<QTableWidget>(*list, "grReminders")->clearSelection();
        child<QTableWidget>(*list, "grReminders")
            ->selectionModel()
            ->select(child<QTableWidget>(*list, "grReminders")->model()->index(0, 0),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        child<QTableWidget>(*list, "grReminders")
            ->selectionModel()
            ->select(child<QTableWidget>(*list, "grReminders")->model()->index(2, 0),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(child<QPushButton>(*list, "btnOK")->isEnabled());
        child<QPushButton>(*list, "btnOK")->click();
        QCOMPARE(list->reminderCount(), 3);
        QVERIFY(row(21).first >= 10);
        QVERIFY(row(23).first >= 10);
        QCOMPARE(row(22).first, 0);

        // Postpone task 24 by 2 hours (from its task time).
        child<QTableWidget>(*list, "grReminders")->clearSelection();
        child<QTableWidget>(*list, "grReminders")->selectRow(1);
        QCOMPARE(list->taskIdAt(1), 24);
        child<QRadioButton>(*list, "rbPostpone")->setChecked(true);
        QVERIFY(child<QSpinBox>(*list, "sePostpone")->isEnabled() &&
                child<QComboBox>(*list, "cbPostpone")->isEnabled());
        child<QSpinBox>(*list, "sePostpone")->setValue(2);
        child<QComboBox>(*list, "cbPostpone")->setCurrentIndex(1);
        child<QPushButton>(*list, "btnOK")->click();
        QCOMPARE(row(24).first, 0);
        QVERIFY(std::fabs(row(24).second - at(2024, 5, 6, 16)) < 1e-9);
        QCOMPARE(list->reminderCount(), 2);
        QCOMPARE(row(22).first, 0);
        QCOMPARE(row(25).first, 0);

        // Nothing selected: OK cannot be pressed.
        child<QTableWidget>(*list, "grReminders")->clearSelection();
        QVERIFY(!child<QPushButton>(*list, "btnOK")->isEnabled());

        // The rest at once; the list goes.
        child<QRadioButton>(*list, "rbDone")->setChecked(true);
        child<QTableWidget>(*list, "grReminders")->selectAll();
        child<QPushButton>(*list, "btnOK")->click();
        QVERIFY(row(22).first >= 10 && row(25).first >= 10);
        QTRY_VERIFY(list.isNull());
    }

    // Once a reminder window has been answered, the next reminder opens a
    // window again rather than joining the list.
    void aFreedPlaceOpensAWindowAgain() {
        ostrel::testing::ScopedFakeClock clock(at(2024, 5, 6, 14, 30));
        insertDueTasks(21);
        reminderEngine->InitReminders();
        QCOMPARE(reminderWindows().size(), 20);
        QCOMPARE(reminderListWindow()->reminderCount(), 1);
        delete reminderWindows().first();
        TTaskParams p;
        p.TaskID = 99;
        p.TaskTitle = QString(100000, QLatin1Char('x'));
        p.TaskTime = at(2024, 5, 6, 14);
        ShowReminderOrList(*reminderEngine, p, QStringLiteral("Reminder"));
        QCOMPARE(reminderWindows().size(), 20);
        QCOMPARE(reminderListWindow()->reminderCount(), 1);
        // Full again: to the list, once per task and time; a huge title is
        // cut in the list's cell.
        p.TaskTime = at(2024, 5, 7, 14);
        ShowReminderOrList(*reminderEngine, p, QStringLiteral("Reminder"));
        ShowReminderOrList(*reminderEngine, p, QStringLiteral("Reminder"));
        QCOMPARE(reminderListWindow()->reminderCount(), 2);
        QCOMPARE(reminderListWindow()->taskIdAt(1), 99);
        QVERIFY(child<QTableWidget>(*reminderListWindow(), "grReminders")->item(1, 0)->text().size() < 1000);
    }
};

QTEST_MAIN(TestReminderList)
#include "tst_reminder_list.moc"
