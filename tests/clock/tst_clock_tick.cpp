// The clock's tick and the reminder gate's timer: each tick is armed for
// just after the next second of the clock service (the next minute when
// nothing shows seconds), stops while the window is hidden, and the gate
// waits on its own timer for NextReminderTime instead of being polled.

#include <QtTest>

#include "app/application.h"
#include "app/forms.h"
#include "clock/clock_window.h"
#include "clock_env.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "recording_dialogs.h"
#include "ui/dialog_service.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::at;
using ostrel::testing::child;

namespace {

std::string num(DateTime v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

constexpr double kMs = 1.0 / kMsPerDay;

}  // namespace

class TestClockTick : public QObject {
    Q_OBJECT

    std::unique_ptr<ostrel::testing::TempDir> dir;
    std::unique_ptr<ostrel::testing::ClockEnv> env;
    std::unique_ptr<ostrel::testing::ScopedFakeClock> fake;
    ostrel::testing::RecordingDialogs dialogs;
    std::vector<int> shown;

    void insert(const std::string& values) {
        ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                 "INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, PeriodInt, PeriodType, ElapseInt, "
                                 "ElapseType) VALUES " +
                                     values);
    }
    void makeClock(int programView) {
        env->writeSettings(QByteArray("[General]\nProgramView=") + QByteArray::number(programView) +
                           "\nLanguage=English\n");
        frmClock = new TfrmClock();
        frmClock->connectData(*reminderEngine, DataModule1->tasks());
        if (frmClock->showOnStart()) frmClock->show();
    }
    QTimer* gate() { return reminderEngine->reminderGateTimer(); }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel tick test");
        env = std::make_unique<ostrel::testing::ClockEnv>();
        ostrel::testing::createOrganizerDatabase(dir->path() / "Tamo.qdb");
        fake = std::make_unique<ostrel::testing::ScopedFakeClock>(at(2024, 5, 6, 12, 0, 0) + 300 * kMs);
        setDialogService(&dialogs);
        dialogs.messages.clear();
        shown.clear();
        DataModule1 = new TDataModule1(QString::fromStdString((dir->path() / "Tamo.qdb").string()));
        reminderEngine = new ReminderEngine(DataModule1->connTAMO, DataModule1->tasks(), DataModule1->holidays());
        QObject::connect(reminderEngine, &ReminderEngine::reminderDue, reminderEngine,
                         [this](const TTaskParams& p) { shown.push_back(p.TaskID); });
    }
    void cleanup() {
        ostrel::testing::destroyGlobal(frmClock);
        ostrel::testing::destroyGlobal(reminderEngine);
        ostrel::testing::destroyGlobal(DataModule1);
        setDialogService(nullptr);
        fake.reset();
        env.reset();
        dir.reset();
    }

    void tickComesJustAfterTheNextSecond() {
        makeClock(3);  // floating digital clock, seconds shown
        QVERIFY(frmClock->isVisible());
        QCOMPARE(frmClock->scheduleTick(), 700 + 2);
        QVERIFY(child<QTimer>(*frmClock, "tmrTime")->isSingleShot());
        QCOMPARE(child<QTimer>(*frmClock, "tmrTime")->timerType(), Qt::PreciseTimer);
        // A late tick (a busy machine) catches up with the second it shows
        // instead of drifting: the next one still comes at the boundary.
        fake->get().advanceMs(700 + 35);
        frmClock->tmrTimeTimer();
        QCOMPARE(child<QTimer>(*frmClock, "tmrTime")->interval(), 1000 - 35 + 2);
        QVERIFY(child<QLabel>(*frmClock, "lbClock")->text().contains(QStringLiteral("12:00:01")));
        // One millisecond before the boundary.
        fake->get().setNow(at(2024, 5, 6, 12, 0, 0) + 999 * kMs);
        QCOMPARE(frmClock->scheduleTick(), 1 + 2);
    }

    void nothingTicksWhileTheClockIsHidden_data() {
        QTest::addColumn<int>("programView");
        QTest::addColumn<int>("hiddenDelay");  // -1: no tick at all
        QTest::newRow("panel clock") << 2 << -1;
        QTest::newRow("floating clock") << 3 << -1;
        // The icon's tooltip names the minute: one tick a minute.
        QTest::newRow("icon") << 1 << 60000 - 300 + 2;
    }
    void nothingTicksWhileTheClockIsHidden() {
        QFETCH(int, programView);
        QFETCH(int, hiddenDelay);
        makeClock(programView);
        if (programView == 1) {
            QVERIFY(!frmClock->isVisible());
            QCOMPARE(frmClock->scheduleTick(), hiddenDelay);
            QVERIFY(child<QTimer>(*frmClock, "tmrTime")->isActive());
            frmClock->tmrTimeTimer();
            QVERIFY(child<QSystemTrayIcon>(*frmClock, "spTrayIcon1")->toolTip().contains(QStringLiteral("12:00")));
            return;
        }
        QVERIFY(child<QTimer>(*frmClock, "tmrTime")->isActive());
        frmClock->hide();
        QVERIFY(!child<QTimer>(*frmClock, "tmrTime")->isActive());
        QCOMPARE(frmClock->scheduleTick(), hiddenDelay);
        frmClock->show();  // showing re-arms it at once
        QVERIFY(child<QTimer>(*frmClock, "tmrTime")->isActive());
        QCOMPARE(child<QTimer>(*frmClock, "tmrTime")->interval(), 702);
    }

    // The icon's tooltip: the date and minute and the next reminder of the
    // day (its time and title); a new task shows there at once.
    void trayTooltipNamesTheNextReminderOfTheDay() {
        auto task = [this](int id, double when, const char* title) {
            ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                     "INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, Title, PeriodInt, PeriodType, "
                                     "ElapseInt, ElapseType) VALUES (" +
                                         std::to_string(id) + ", 0, " + num(when) + ", " + num(when) + ", '" + title +
                                         "', 0, 0, 1, 2)");
        };
        task(1, at(2024, 5, 6, 11, 0, 0), "Earlier");
        task(2, at(2024, 5, 6, 15, 0, 0), "Later");
        task(3, at(2024, 5, 6, 12, 30, 0), "Call Anna");
        task(4, at(2024, 5, 7, 9, 0, 0), "Tomorrow");
        makeClock(1);
        frmClock->tmrTimeTimer();
        QString tip = child<QSystemTrayIcon>(*frmClock, "spTrayIcon1")->toolTip();
        QVERIFY2(tip.contains(QStringLiteral("Next reminder: 12:30")) && tip.contains(QStringLiteral("Call Anna")),
                 qPrintable(tip));
        QVERIFY(!tip.contains(QStringLiteral("Later")) && !tip.contains(QStringLiteral("Earlier")));
        // Times without seconds, although the locale's own short format
        // (C: "HH:mm:ss") has them: the tip is a minute old at most.
        QVERIFY2(!tip.contains(QRegularExpression(QStringLiteral("\\d:\\d\\d:\\d\\d"))), qPrintable(tip));

        // Nothing more today: the date and time only.
        fake->get().setNow(at(2024, 5, 6, 16, 0, 0));
        frmClock->tmrTimeTimer();
        tip = child<QSystemTrayIcon>(*frmClock, "spTrayIcon1")->toolTip();
        QVERIFY2(tip.contains(QStringLiteral("16:00")) && !tip.contains(QStringLiteral("Next reminder")),
                 qPrintable(tip));

        TaskRow row;
        row.FirstDT = row.ShowDT = at(2024, 5, 6, 17, 15, 0);
        row.Title = QStringLiteral("Just added");
        row.ElapseInt = 1;
        row.ElapseType = puHours;
        DataModule1->tasks().insertTask(row);
        tip = child<QSystemTrayIcon>(*frmClock, "spTrayIcon1")->toolTip();
        QVERIFY2(tip.contains(QStringLiteral("Next reminder: 17:15")) && tip.endsWith(QStringLiteral(" Just added")),
                 qPrintable(tip));
    }

    void gateWaitsOnItsOwnTimerForTheNextReminder() {
        const DateTime due = at(2024, 5, 6, 12, 1, 30);
        insert("(1, 0, " + num(due) + ", " + num(due) + ", 0, 0, 1, 2)");
        makeClock(1);
        QVERIFY(!gate()->isActive());  // nothing before the start-up pass
        reminderEngine->InitReminders();
        QCOMPARE(reminderEngine->NextReminderTime(), due);
        QVERIFY(gate()->isActive());
        QVERIFY(gate()->isSingleShot());
        QCOMPARE(gate()->interval(), 89700 + 1);
        // The tick does not run the pass early...
        fake->get().advanceMs(60000);
        frmClock->tmrTimeTimer();
        QVERIFY(shown.empty());
        // ...the gate's timer runs it once the present is past the gate.
        fake->get().advanceMs(29701);
        QTimerEvent fire(gate()->timerId());
        QCoreApplication::sendEvent(gate(), &fire);
        QCOMPARE(shown, std::vector<int>{1});
        // Nothing lies ahead now: the gate settles and nothing polls it.
        QCOMPARE(reminderEngine->NextReminderTime(), 0.0);
        QVERIFY(!gate()->isActive());
        QVERIFY(!reminderEngine->ReminderPassDue());
        fake->get().advanceMs(5000);
        frmClock->tmrTimeTimer();
        QCOMPARE(shown, std::vector<int>{1});
    }

    void gateFollowsSavesAndLongWaitsAreCapped() {
        makeClock(1);
        reminderEngine->InitReminders();
        QVERIFY(!gate()->isActive());
        // A save far ahead: the gate wakes after an hour and looks again.
        const DateTime later = at(2024, 5, 9, 8, 0, 0);
        insert("(2, 0, " + num(later) + ", " + num(later) + ", 0, 0, 1, 2)");
        reminderEngine->UpdateNextReminderTime();
        QCOMPARE(gate()->interval(), 3600000);
        fake->get().advanceMs(3600000);
        QTimerEvent fire(gate()->timerId());
        QCoreApplication::sendEvent(gate(), &fire);
        QVERIFY(shown.empty());
        QVERIFY(gate()->isActive());
        QCOMPARE(gate()->interval(), 3600000);
    }

    void clockStepReevaluatesTheGate() {
        const DateTime due = at(2024, 5, 6, 12, 30, 0);
        insert("(3, 0, " + num(due) + ", " + num(due) + ", 0, 0, 1, 2)");
        makeClock(3);
        reminderEngine->InitReminders();
        QCOMPARE(gate()->interval(), 30 * 60000 - 300 + 1);
        // The clock is set forward past the reminder: the clock catches up
        // at once and the pass runs without waiting for the old delay.
        fake->get().advanceMs(31 * 60000);
        frmClock->clockChanged();
        QVERIFY(child<QLabel>(*frmClock, "lbClock")->text().contains(QStringLiteral("12:31:00")));
        QVERIFY(gate()->isActive());
        QCOMPARE(gate()->interval(), 0);
        QTimerEvent fire(gate()->timerId());
        QCoreApplication::sendEvent(gate(), &fire);
        QCOMPARE(shown, std::vector<int>{3});
        // Set back before another reminder: the gate finds it ahead again.
        const DateTime next = at(2024, 5, 6, 12, 10, 0);
        insert("(4, 0, " + num(next) + ", " + num(next) + ", 0, 0, 1, 2)");
        fake->get().setNow(at(2024, 5, 6, 12, 5, 0));
        frmClock->clockChanged();
        QCOMPARE(reminderEngine->NextReminderTime(), next);
        QCOMPARE(gate()->interval(), 5 * 60000 + 1);
    }
};

int main(int argc, char** argv) {
    OstrelApplication app(argc, argv);
    TestClockTick test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_clock_tick.moc"
