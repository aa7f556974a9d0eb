// The clock's tick runs reminder passes: its gate, the tick paused during a
// pass, the stacking of the windows one pass opens, recovery from a failing
// statement, and the answers of reminder windows.

#include <QtTest>

#include "app/application.h"
#include "app/forms.h"
#include "clock/clock_window.h"
#include "core/data/period.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "recording_dialogs.h"
#include "tasks/reminder_window.h"
#include "ui/dialog_service.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::at;
using ostrel::testing::child;
using ostrel::testing::RecordingDialogs;

namespace {

// A date-time as SQL text, every bit kept.
std::string num(DateTime v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

struct Shown {
    int id;
    bool timerRunning;
};

}  // namespace

class TestClockReminderPass : public QObject {
    Q_OBJECT

    std::unique_ptr<ostrel::testing::TempDir> dir;
    std::unique_ptr<ostrel::testing::ScopedFakeClock> clock;
    RecordingDialogs dialogs;
    std::vector<Shown> shown;
    // Runs for each reminder when set, instead of recording it.
    std::function<void(const TTaskParams&, const QString&)> onReminder;

    void insert(const std::string& values) {
        ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                 "INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, PeriodInt, PeriodType, ElapseInt, "
                                 "ElapseType) VALUES " +
                                     values);
    }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel clock test");
        ostrel::testing::createOrganizerDatabase(dir->path() / "Tamo.qdb");
        clock = std::make_unique<ostrel::testing::ScopedFakeClock>(at(2024, 5, 6, 12, 0, 0));
        setDialogService(&dialogs);
        dialogs.messages.clear();
        shown.clear();
        DataModule1 = new TDataModule1(QString::fromStdString((dir->path() / "Tamo.qdb").string()));
        reminderEngine = new ReminderEngine(DataModule1->connTAMO, DataModule1->tasks(), DataModule1->holidays());
        onReminder = {};
        QObject::connect(reminderEngine, &ReminderEngine::reminderDue, reminderEngine,
                         [this](const TTaskParams& p, const QString& c) {
                             if (onReminder) onReminder(p, c);
                             else shown.push_back({p.TaskID, child<QTimer>(*frmClock, "tmrTime")->isActive()});
                         });
        frmClock = new TfrmClock();
        frmClock->connectData(*reminderEngine, DataModule1->tasks());
    }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* r = qobject_cast<TfrmToDo*>(w)) {
                r->Answered = true;
                delete r;
            }
        setReminderAnswerReceiver(nullptr);
        ostrel::testing::destroyGlobal(frmClock);
        ostrel::testing::destroyGlobal(reminderEngine);
        ostrel::testing::destroyGlobal(DataModule1);
        setDialogService(nullptr);
        clock.reset();
        dir.reset();
    }

    void noPassBeforeTheStartupPassHasRun() {
        insert("(1, 0, 45000, 45000, 0, 0, 1, 2)");
        QCOMPARE(reminderEngine->NextReminderTime(), kFarFuture);
        frmClock->tmrTimeTimer();
        QVERIFY(shown.empty());
    }

    void passRunsOnlyWhenThePresentIsLaterThanTheGate() {
        const DateTime due = at(2024, 5, 6, 12, 0, 0);
        insert("(1, 0, " + num(due) + ", " + num(due) + ", 0, 0, 1, 2)");
        insert("(2, 0, " + num(due - 1) + ", " + num(due) + ", 1, 3, 1, 2)");
        insert("(3, 0, " + num(due + 1) + ", " + num(due + 1) + ", 0, 0, 1, 2)");
        // Two rows due now and not shown yet, one tomorrow: the gate is the
        // present.
        reminderEngine->UpdateNextReminderTime();
        QCOMPARE(reminderEngine->NextReminderTime(), due);
        frmClock->tmrTimeTimer();  // equal: no pass
        QVERIFY(shown.empty());
        clock->get().advanceMs(1000);
        frmClock->tmrTimeTimer();
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[0].id, 1);
        QCOMPARE(shown[1].id, 2);
        QVERIFY(!shown[0].timerRunning);
        QVERIFY(!shown[1].timerRunning);
        QVERIFY(child<QTimer>(*frmClock, "tmrTime")->isActive());
        QCOMPARE(reminderEngine->NextReminderTime(), at(2024, 5, 7, 12, 0, 0));
    }

    // The windows one pass opens stand one above the other, 20 pixels
    // apart, the first in the lowest place.
    void windowsOfOnePassStack() {
        const DateTime due = at(2024, 5, 6, 11, 59, 0);
        for (int id = 1; id <= 3; ++id)
            insert("(" + std::to_string(id) + ", 0, " + num(due) + ", " + num(due) + ", 0, 0, 1, 2)");
        std::vector<QPointer<TfrmToDo>> windows;
        onReminder = [&](const TTaskParams& p, const QString& c) { windows.emplace_back(ShowReminder(p, c)); };
        reminderEngine->InitReminders();
        QCOMPARE(windows.size(), std::size_t(3));
        for (std::size_t i = 0; i < windows.size(); ++i) {
            for (int step = 0; child<QTimer>(*windows[i], "tmrShow")->isActive() && step < 100; ++step)
                windows[i]->tmrShowTimer();
            QCOMPARE(1024 - (windows[i]->frameGeometry().bottom() + 1), 25 + 20 * int(i));
        }
    }

    void noPassInsideAPass() {
        // A tick handled while the start-up pass lets messages run (after an
        // answer has already moved the gate) must not start a second pass.
        const DateTime due = at(2024, 5, 6, 11, 30, 0);
        insert("(1, 0, " + num(due) + ", " + num(due) + ", 10, 1, 1, 2)");
        insert("(2, 0, " + num(due) + ", " + num(due) + ", 0, 0, 1, 2)");
        int nested = 0;
        onReminder = [&](const TTaskParams& p, const QString&) {
            shown.push_back({p.TaskID, false});
            // A save or an answer has moved the gate behind the present.
            reminderEngine->UpdateNextReminderTime();
            clock->get().advanceMs(1000);
            if (nested++ == 0) frmClock->tmrTimeTimer();
        };
        reminderEngine->InitReminders();
        // The one-time task once, the repeating one once for the latest of
        // its four active occurrences (11:30 .. 12:00), nothing twice.
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[0].id, 2);
        QCOMPARE(shown[1].id, 1);
    }

    void failingPassKeepsTheClockTicking() {
        reminderEngine->UpdateNextReminderTime();  // an empty table: the gate is 0.0
        clock->get().advanceMs(1000);
        DataModule1->connTAMO.setPath((dir->path() / "missing" / "Tamo.qdb").string());
        // Through the event loop, as the timer delivers it (each tick arms
        // the single-shot timer anew, under a new id).
        const auto tick = [] {
            QTimerEvent e(child<QTimer>(*frmClock, "tmrTime")->timerId());
            QCoreApplication::sendEvent(child<QTimer>(*frmClock, "tmrTime"), &e);
        };
        tick();
        QCOMPARE(dialogs.texts().size(), 1);
        QVERIFY(child<QTimer>(*frmClock, "tmrTime")->isActive());
        // The next ticks do not fail again at once...
        clock->get().advanceMs(1000);
        tick();
        QCOMPARE(dialogs.texts().size(), 1);
        // ...and a minute later the pass runs again (and succeeds now).
        DataModule1->connTAMO.setPath((dir->path() / "Tamo.qdb").string());
        insert("(1, 0, " + num(at(2024, 5, 6, 12)) + ", " + num(at(2024, 5, 6, 12)) + ", 0, 0, 1, 2)");
        clock->get().advanceMs(60000);
        tick();
        QCOMPARE(dialogs.texts().size(), 1);
        QCOMPARE(shown.size(), std::size_t(1));
        QVERIFY(child<QTimer>(*frmClock, "tmrTime")->isActive());
    }

    void answersReachTheClockWindow() {
        onReminder = [](const TTaskParams& p, const QString& c) { ShowReminder(p, c); };
        ReminderAnswers answers(*reminderEngine);
        setReminderAnswerReceiver(&answers);
        const DateTime due = at(2024, 5, 6, 11, 50, 0);
        insert("(5, 0, " + num(due) + ", " + num(due) + ", 0, 0, 1, 2)");
        reminderEngine->UpdateNextReminderTime();
        clock->get().advanceMs(1000);
        frmClock->tmrTimeTimer();
        const auto windows = QApplication::topLevelWidgets();
        TfrmToDo* w = nullptr;
        for (QWidget* t : windows)
            if (auto* r = qobject_cast<TfrmToDo*>(t)) w = r;
        QVERIFY(w);
        QPointer<TfrmToDo> guard(w);
        QTest::mouseClick(child<QRadioButton>(*w, "rbPostpone"), Qt::LeftButton);
        child<QSpinBox>(*w, "sePostpone")->setValue(2);
        child<QComboBox>(*w, "cbPostpone")->setCurrentIndex(1);  // hours
        QTest::mouseClick(child<QPushButton>(*w, "btnOK"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(reminderAnswerReceiver());
        QVERIFY(!guard);
        sql::Query q(DataModule1->connTAMO);
        q.add("SELECT MesType, ShowDT FROM ToDo WHERE TDID = 5");
        q.open();
        QCOMPARE(q.asInteger("MesType"), std::int64_t{0});
        QCOMPARE(q.asDateTime("ShowDT"), AddPeriod(puHours, 2, due));
    }
};

int main(int argc, char** argv) {
    OstrelApplication app(argc, argv);
    TestClockReminderPass test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_clock_reminder_pass.moc"
