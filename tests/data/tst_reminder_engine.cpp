// The reminder engine on a fixture database with a fake clock; the
// reminders it announces are recorded instead of shown. The tests drive its
// public passes (start-up and tick) and its answers.

#include <QtTest>
#include <algorithm>

#include <chrono>
#include <stdexcept>
#include <vector>

#include <sqlite3.h>

#include "base/language_texts.h"
#include "core/data/period.h"
#include "core/data/reminder_walk.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"

using namespace ostrel;
using ostrel::testing::at;
using ostrel::testing::ScopedFakeClock;
using ostrel::testing::TempDir;

namespace {

struct Shown {
    TTaskParams params;
    QString caption;
};

struct Row {
    int MesType;
    DateTime FirstDT;
    DateTime ShowDT;
    std::int64_t PeriodInt;
};

}  // namespace

class TestReminderEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<ReminderEngine> engine;
    std::vector<Shown> shown;
    // Replaces recording when set (a window that fails, a clock step).
    std::function<void(const TTaskParams&, const QString&)> onReminder;

    int insert(int mesType, DateTime first, DateTime show, int periodInt, int periodType, int elapseInt, int elapseType,
               const char* title = "task") {
        sql::Query q(dm->connTAMO);
        q.add(
            "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, "
            "ElapseType)");
        q.add("VALUES (:M, :F, :S, :T, :C, :PI, :PT, :EI, :ET)");
        q.param("M", sql::ParamType::Integer, std::int64_t{mesType});
        q.param("F", sql::ParamType::DateTime, first);
        q.param("S", sql::ParamType::DateTime, show);
        q.param("T", sql::ParamType::Text, std::string(title));
        q.param("C", sql::ParamType::Text, std::string("about ") + title);
        q.param("PI", sql::ParamType::Integer, std::int64_t{periodInt});
        q.param("PT", sql::ParamType::Integer, std::int64_t{periodType});
        q.param("EI", sql::ParamType::Integer, std::int64_t{elapseInt});
        q.param("ET", sql::ParamType::Integer, std::int64_t{elapseType});
        q.exec();
        return static_cast<int>(dm->connTAMO.lastInsertRowId());
    }

    Row row(int id) {
        sql::Query q(dm->connTAMO);
        q.add("SELECT MesType, FirstDT, ShowDT, PeriodInt FROM ToDo WHERE TDID = :ID");
        q.param("ID", sql::ParamType::Integer, std::int64_t{id});
        q.open();
        if (q.eof()) return {-1, 0, 0, 0};
        return {static_cast<int>(q.asInteger("MesType")), q.asDateTime("FirstDT"), q.asDateTime("ShowDT"),
                q.asInteger("PeriodInt")};
    }

    // One tick pass.
    void tickPass() { engine->RunTickPass(); }

    // The program ends and starts again on the same database.
    void restart() {
        engine.reset();
        dm = std::make_unique<TDataModule1>(QString::fromStdString((dir->path() / "Tamo.qdb").string()));
        engine = std::make_unique<ReminderEngine>(dm->connTAMO, dm->tasks(), dm->holidays());
        QObject::connect(engine.get(), &ReminderEngine::reminderDue, engine.get(),
                         [this](const TTaskParams& p, const QString& caption) {
                             if (onReminder) onReminder(p, caption);
                             else shown.push_back({p, caption});
                         });
    }

private slots:
    void init() {
        dir = std::make_unique<TempDir>("ostrel engine test");
        const auto db = dir->path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        shown.clear();
        restart();
    }
    void cleanup() {
        onReminder = {};
        engine.reset();
        dm.reset();
        dir.reset();
    }

    void oneTimeTaskActiveTimeAtStartup_data() {
        QTest::addColumn<DateTime>("startedAt");
        QTest::addColumn<bool>("windowOpens");
        QTest::newRow("09:30, inside the hour") << at(2024, 5, 6, 9, 30) << true;
        QTest::newRow("10:00, the end itself") << AddPeriod(puHours, 1, at(2024, 5, 6, 9)) << true;
        QTest::newRow("10:01, too late") << at(2024, 5, 6, 10, 1) << false;
    }
    void oneTimeTaskActiveTimeAtStartup() {
        QFETCH(DateTime, startedAt);
        QFETCH(bool, windowOpens);
        ScopedFakeClock clock(startedAt);
        const int id = insert(0, at(2024, 5, 6, 9), at(2024, 5, 6, 9), 0, 0, 1, puHours, "dentist");
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(windowOpens ? 1 : 0));
        if (windowOpens) {
            QCOMPARE(shown[0].params.TaskID, id);
            QCOMPARE(shown[0].params.TaskTitle, QStringLiteral("dentist"));
            QCOMPARE(shown[0].params.TaskComment, QStringLiteral("about dentist"));
            QCOMPARE(shown[0].params.TaskTime, at(2024, 5, 6, 9));
            QCOMPARE(shown[0].caption, QStringLiteral("OnceTask"));
        }
        // Shown: due until answered; not shown (too late): dealt with.
        QCOMPARE(row(id).MesType, windowOpens ? 0 : 10);
        QCOMPARE(engine->NextReminderTime(), 0.0);  // nothing lies ahead
    }

    void repeatingTaskNotShownAtTheEndOfItsWindow() {
        const DateTime due = at(2024, 5, 6, 9);
        ScopedFakeClock clock(AddPeriod(puHours, 1, due));
        const int id = insert(0, due, due, 1, puDays, 1, puHours);
        tickPass();
        QVERIFY(shown.empty());
        QCOMPARE(row(id).ShowDT, at(2024, 5, 7, 9));
        QCOMPARE(row(id).MesType, 0);
        QCOMPARE(engine->NextReminderTime(), at(2024, 5, 7, 9));
    }

    void dailyTaskAfterThreeDaysOff() {
        ScopedFakeClock clock(at(2024, 5, 9, 9));
        const int id = insert(0, at(2024, 5, 1, 8), at(2024, 5, 6, 8), 1, puDays, 2, puHours);
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].params.TaskTime, at(2024, 5, 9, 8));
        QCOMPARE(shown[0].caption, QStringLiteral("RegularTask"));
        QCOMPARE(row(id).ShowDT, at(2024, 5, 10, 8));
        QCOMPARE(row(id).MesType, 0);
        // The next tick finds nothing new.
        clock->advanceMs(1000);
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));
    }

    // A repeating task found with several occurrences active at start-up
    // (one every minute after three days off: 1,441) opens one window, not
    // one for each: it shows the latest and names how many earlier ones
    // were missed.
    void startupShowsOneWindowPerTaskNamingTheMissed() {
        // Every 10 minutes, active 30 minutes; last run stored 08:40, now 09:05:
        // 08:40, 08:50 and 09:00 are active. (The stored time differs from
        // the walked one in the last bits; it is still the same occurrence.)
        ScopedFakeClock clock(at(2024, 5, 9, 9, 5));
        const int id = insert(0, at(2024, 5, 1, 8), at(2024, 5, 9, 8, 40), 10, puMinutes, 30, puMinutes);
        const int other = insert(0, at(2024, 5, 9, 9), at(2024, 5, 9, 9), 1, puDays, 1, puHours);
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[0].params.TaskID, id);
        QVERIFY(std::fabs(shown[0].params.TaskTime - at(2024, 5, 9, 9, 0)) < 1e-8);
        QCOMPARE(shown[0].caption, QStringLiteral("RegularTask MissedOccurrences"));
        QCOMPARE(shown[1].params.TaskID, other);
        QCOMPARE(shown[1].caption, QStringLiteral("RegularTask"));  // nothing missed
        QVERIFY(std::fabs(row(id).ShowDT - at(2024, 5, 9, 9, 10)) < 1e-8);
        // The count, in the shipped wording.
        QCOMPARE(FormatMessageText(QStringLiteral("(%d earlier times missed)"), {qlonglong(2)}),
                 QStringLiteral("(2 earlier times missed)"));

        // The tick pass shows only the stored occurrence.
        shown.clear();
        const DateTime stored = row(id).ShowDT;
        clock->setNow(at(2024, 5, 9, 9, 12));
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].params.TaskTime, stored);
        // Every minute, active a day, three days off: one window.
        shown.clear();
        restart();
        const int flood = insert(0, at(2024, 5, 6, 9), at(2024, 5, 6, 9), 1, puMinutes, 1, puDays);
        engine->InitReminders();
        std::size_t floodWindows = 0;
        for (const auto& s : shown) floodWindows += s.params.TaskID == flood;
        QCOMPARE(floodWindows, std::size_t(1));
    }

    void postponementIntoThePast() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 1));
        const int id = insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours);
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(row(id).MesType, 0);  // due until answered
        // Answered at 12:30: 10 minutes after 12:00, already past.
        clock->setNow(at(2024, 5, 6, 12, 30));
        engine->ApplyReminderAnswer(id, 10, puMinutes, shown[0].params.TaskTime);
        QCOMPARE(row(id).MesType, 0);
        QVERIFY(std::fabs(row(id).ShowDT - at(2024, 5, 6, 12, 10)) < 1e-9);
        QCOMPARE(engine->NextReminderTime(), 0.0);
        clock->advanceMs(1000);
        tickPass();
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[1].params.TaskTime, row(id).ShowDT);
        QCOMPARE(row(id).MesType, 0);
        engine->MarkReminderDone(id, shown[1].params.TaskTime);
        QCOMPARE(row(id).MesType, 10);
    }

    void postponementCountsFromTheTaskTimeAndKeepsLargeCounts() {
        ScopedFakeClock clock(at(2024, 5, 6, 14, 20));
        const int a = insert(10, at(2024, 5, 6, 14), at(2024, 5, 6, 14), 0, 0, 1, puHours);
        const int b = insert(13, 0.0625, at(2024, 5, 6, 14), 0, 0, 1, puHours);
        engine->ApplyReminderAnswer(a, 2, puHours, at(2024, 5, 6, 14));
        QCOMPARE(row(a).MesType, 0);
        QCOMPARE(row(a).ShowDT, at(2024, 5, 6, 16));
        QCOMPARE(engine->NextReminderTime(), at(2024, 5, 6, 16));
        engine->ApplyReminderAnswer(b, 300, puMinutes, at(2024, 5, 6, 14));
        QCOMPARE(row(b).MesType, 3);
        QCOMPARE(row(b).ShowDT, at(2024, 5, 6, 19));
        // An answer for a task pending again (saved meanwhile) moves its time
        // but keeps it pending.
        engine->ApplyReminderAnswer(a, 1, puDays, at(2024, 5, 6, 14));
        QCOMPARE(row(a).MesType, 0);
        QCOMPARE(row(a).ShowDT, at(2024, 5, 7, 14));
    }

    // Postponing a repeating task brings that occurrence back once at the
    // chosen time; the series keeps its next time; an unanswered comeback
    // shows again after a restart, an answered one does not. A holiday
    // counts from the moment of the answer (its TaskTime is its date).
    void repeatingPostponementComesBackOnceWithoutMovingTheSeries() {
        ScopedFakeClock clock(at(2024, 5, 6, 14, 0, 30));
        const int id = insert(0, at(2024, 5, 1, 14), at(2024, 5, 6, 14), 1, puDays, 1, puHours, "daily");
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(row(id).ShowDT, at(2024, 5, 7, 14));
        clock->setNow(at(2024, 5, 6, 14, 2));
        engine->ApplyReminderAnswer(id, 10, puMinutes, shown[0].params.TaskTime);
        QCOMPARE(row(id).ShowDT, at(2024, 5, 7, 14));  // the series is not moved
        QCOMPARE(row(id).MesType, 0);
        QVERIFY(std::fabs(engine->NextReminderTime() - at(2024, 5, 6, 14, 10)) < 1e-9);
        clock->setNow(at(2024, 5, 6, 14, 9));
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));
        clock->setNow(at(2024, 5, 6, 14, 10, 1));
        tickPass();
        tickPass();
        QCOMPARE(shown.size(), std::size_t(2));  // once
        QCOMPARE(shown[1].caption, GetLangMessage(QStringLiteral("RegularTask")));
        QVERIFY(std::fabs(shown[1].params.TaskTime - at(2024, 5, 6, 14, 10)) < 1e-9);
        QCOMPARE(row(id).ShowDT, at(2024, 5, 7, 14));
        // Not answered, the program ends: it is back at the next start.
        restart();
        clock->setNow(at(2024, 5, 6, 14, 20));
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(3));
        QCOMPARE(shown[2].params.TaskTime, shown[1].params.TaskTime);
        // Done: gone for good; the series goes on.
        engine->MarkReminderDone(id, shown[2].params.TaskTime);
        restart();
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(3));
        clock->setNow(at(2024, 5, 7, 14, 0, 1));
        tickPass();
        QCOMPARE(shown.size(), std::size_t(4));
        QCOMPARE(shown[3].params.TaskTime, at(2024, 5, 7, 14));

        // A holiday (9 May, 3 days ahead) postponed by 2 hours at 15:00.
        const int h = insert(2, at(1945, 5, 9), 0.0, 1, puYears, 3, puDays, "victory");
        clock->setNow(at(2024, 5, 7, 15));
        restart();
        engine->InitReminders();
        QCOMPARE(shown.back().params.TaskTitle, QStringLiteral("victory"));
        const DateTime next = row(h).ShowDT;
        engine->ApplyReminderAnswer(h, 2, puHours, shown.back().params.TaskTime);
        QCOMPARE(row(h).ShowDT, next);
        const std::size_t before = shown.size();
        clock->setNow(at(2024, 5, 7, 17, 0, 1));
        tickPass();
        QCOMPARE(shown.size(), before + 1);
        QCOMPARE(shown.back().caption, GetLangMessage(QStringLiteral("Holidays")));
        QVERIFY(std::fabs(shown.back().params.TaskTime - at(2024, 5, 7, 17)) < 1e-9);
    }

    // A postponed occurrence found after its active time (the computer was
    // off) is dropped without a window.
    void postponedOccurrencePastItsActiveTimeIsDropped() {
        ScopedFakeClock clock(at(2024, 5, 6, 14, 0, 30));
        const int id = insert(0, at(2024, 5, 1, 14), at(2024, 5, 6, 14), 1, puDays, 1, puHours);
        tickPass();
        engine->ApplyReminderAnswer(id, 10, puMinutes, at(2024, 5, 6, 14));
        restart();
        clock->setNow(at(2024, 5, 6, 16));
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(1));
        sql::Query q(dm->connTAMO);
        q.add("SELECT PostponedDT FROM ToDo WHERE TDID = :ID");
        q.param("ID", sql::ParamType::Integer, std::int64_t{id});
        q.open();
        QVERIFY(q.isNull("PostponedDT"));
    }

    // Two reminders shown; the first postponed by 2 hours, the second by 10
    // minutes into the past: the next tick shows the second, not the first's
    // time two hours later. A task edited into the past is no different.
    void aDueRowIsPickedUpByTheNextTickWhateverFutureTimesExist() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 1));
        const int a = insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "a");
        const int b = insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "b");
        tickPass();
        QCOMPARE(shown.size(), std::size_t(2));
        clock->setNow(at(2024, 5, 6, 12, 30));
        engine->ApplyReminderAnswer(a, 2, puHours, at(2024, 5, 6, 12));
        engine->ApplyReminderAnswer(b, 10, puMinutes, at(2024, 5, 6, 12));
        // The clock's gate: a pass runs when the present is later.
        clock->advanceMs(1000);
        QVERIFY(clock->now() > engine->NextReminderTime());
        tickPass();
        QCOMPARE(shown.size(), std::size_t(3));
        QCOMPARE(shown[2].params.TaskTitle, QStringLiteral("b"));
        // Shown and waiting for its answer: the gate is the future time again.
        QVERIFY(std::fabs(engine->NextReminderTime() - at(2024, 5, 6, 14)) < 1e-9);

        // Edited into the past (the editor saves it pending at its new time).
        const int c = insert(0, at(2024, 5, 6, 18), at(2024, 5, 6, 18), 0, 0, 1, puHours, "c");
        TaskRow edited = dm->tasks().task(c);
        edited.FirstDT = edited.ShowDT = at(2024, 5, 6, 12, 20);
        dm->tasks().updateTask(edited);
        engine->UpdateNextReminderTime();
        clock->advanceMs(1000);
        QVERIFY(clock->now() > engine->NextReminderTime());
        tickPass();
        QCOMPARE(shown.size(), std::size_t(4));
        QCOMPARE(shown[3].params.TaskTitle, QStringLiteral("c"));
    }

    void deletedTaskAnsweredLater() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 30));
        const int gone = insert(10, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours);
        const int other = insert(0, at(2024, 5, 7, 12), at(2024, 5, 7, 12), 0, 0, 1, puHours);
        engine->UpdateNextReminderTime();
        dm->tasks().removeTask(gone);
        QCOMPARE(row(gone).MesType, -1);
        // A late answer for it stores nothing and moves no other row or the
        // gate.
        engine->ApplyReminderAnswer(gone, 10, puMinutes, at(2024, 5, 6, 12));
        engine->MarkReminderDone(gone, at(2024, 5, 6, 12));
        QCOMPARE(row(gone).MesType, -1);
        QCOMPARE(row(other).ShowDT, at(2024, 5, 7, 12));
        QCOMPARE(engine->NextReminderTime(), at(2024, 5, 7, 12));
        // A new task never gets the deleted task's id.
        QVERIFY(insert(0, 1, 1, 0, 0, 1, 1) > other);
    }

    // Every due reminder of a pass is announced, one-time tasks first, then
    // repeating ones; the next pass announces only what became due since.
    // (Where the windows stand is the reminder window's business:
    // tst_reminder_window, stacking.)
    void aPassAnnouncesEveryDueReminderInOrder() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30));
        insert(0, at(2024, 5, 1, 12), at(2024, 5, 6, 12), 1, puDays, 1, puHours, "c");
        insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "a");
        insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "b");
        tickPass();
        QCOMPARE(shown.size(), std::size_t(3));
        QCOMPARE(shown[0].params.TaskTitle, QStringLiteral("a"));
        QCOMPARE(shown[1].params.TaskTitle, QStringLiteral("b"));
        QCOMPARE(shown[2].params.TaskTitle, QStringLiteral("c"));
        insert(0, at(2024, 5, 6, 12, 1), at(2024, 5, 6, 12, 1), 0, 0, 1, puHours, "d");
        clock->setNow(at(2024, 5, 6, 12, 1, 30));
        tickPass();
        QCOMPARE(shown.size(), std::size_t(4));
        QCOMPARE(shown[3].params.TaskTitle, QStringLiteral("d"));
    }

    // The present is read once per pass: a clock step while a reminder is
    // being shown (an Internet time correction) does not split the pass.
    // The repeating task due with the one-time task is moved on from the
    // pass's present, not from the stepped clock.
    void aClockStepInThePassDoesNotSplitIt() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30));
        const int once = insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "once");
        const int daily = insert(0, at(2024, 5, 1, 12), at(2024, 5, 6, 12), 1, puDays, 1, puHours, "daily");
        onReminder = [&](const TTaskParams& p, const QString& c) {
            shown.push_back({p, c});
            if (p.TaskID == once) clock->setNow(at(2024, 5, 9, 12, 0, 30));
        };
        tickPass();
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[1].params.TaskID, daily);
        QCOMPARE(shown[1].params.TaskTime, at(2024, 5, 6, 12));
        QCOMPARE(row(daily).ShowDT, at(2024, 5, 7, 12));
        QCOMPARE(engine->NextReminderTime(), at(2024, 5, 7, 12));
    }

    // passStarted and passEnded frame every pass once, also one that fails;
    // the reminders are announced between them, while InReminderPass().
    void passSignalsFrameEveryPass() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30));
        insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "a");
        QStringList events;
        QObject::connect(engine.get(), &ReminderEngine::passStarted, engine.get(), [&] { events << "started"; });
        QObject::connect(engine.get(), &ReminderEngine::passEnded, engine.get(), [&] { events << "ended"; });
        onReminder = [&](const TTaskParams&, const QString&) {
            events << (engine->InReminderPass() ? "shown in pass" : "shown outside");
            // A pass asked for while one runs (a tick handled meanwhile)
            // is not started.
            QVERIFY(!engine->runTickPassIfDue());
        };
        engine->InitReminders();
        QCOMPARE(events, QStringList({"started", "shown in pass", "ended"}));
        QVERIFY(!engine->InReminderPass());

        events.clear();
        dm->connTAMO.setPath((dir->path() / "missing" / "Tamo.qdb").string());
        QVERIFY_THROWS_EXCEPTION(sql::DbError, engine->RunTickPass());
        QCOMPARE(events, QStringList({"started", "ended"}));
        QVERIFY(!engine->InReminderPass());
    }

    // After a pass that leaves nothing ahead of the present the gate
    // settles: no pass is due at any later tick until something moves the
    // gate (a save), and its timer does not run.
    void theGateSettlesUntilASaveMovesIt() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30));
        insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "a");
        QVERIFY(!engine->ReminderPassDue());  // nothing before the start-up pass
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(1));
        for (int i = 0; i < 3; ++i) {
            clock->advanceMs(60000);
            QVERIFY(!engine->ReminderPassDue());
            QVERIFY(!engine->runTickPassIfDue());
        }
        QVERIFY(!engine->reminderGateTimer()->isActive());
        // A task saved a minute ahead: the gate waits for it on its timer.
        TaskRow task;
        task.FirstDT = task.ShowDT = at(2024, 5, 6, 12, 4, 30);
        task.Title = QStringLiteral("b");
        task.ElapseInt = 1;
        task.ElapseType = puHours;
        dm->tasks().insertTask(task);
        QCOMPARE(engine->NextReminderTime(), task.ShowDT);
        QVERIFY(engine->reminderGateTimer()->isActive());
        QCOMPARE(engine->reminderGateTimer()->interval(), 60000 + 1);
        clock->advanceMs(60001);
        QVERIFY(engine->runTickPassIfDue());
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[1].params.TaskTitle, QStringLiteral("b"));
        // A task saved into the past (due at once) opens the gate as well.
        task.FirstDT = task.ShowDT = at(2024, 5, 6, 12);
        task.Title = QStringLiteral("c");
        dm->tasks().insertTask(task);
        clock->advanceMs(1);
        QVERIFY(engine->ReminderPassDue());
        tickPass();
        QCOMPARE(shown.back().params.TaskTitle, QStringLiteral("c"));
        QVERIFY(!engine->ReminderPassDue());
    }

    void holidays() {
        // 9 May, reminded 3 days ahead; the other reminds 0 days ahead.
        ScopedFakeClock clock(at(2024, 5, 7, 10));
        const int h3 = insert(2, at(1945, 5, 9), 0.0, 1, puYears, 3, puDays, "victory");
        const int h0 = insert(2, at(1990, 5, 8), 0.0, 1, puYears, 0, puDays, "none");
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].params.TaskID, h3);
        QCOMPARE(shown[0].caption, QStringLiteral("Holidays"));
        QCOMPARE(shown[0].params.TaskTime, at(1945, 5, 9));
        QCOMPARE(row(h3).ShowDT, at(2025, 5, 6));
        QCOMPARE(row(h3).MesType, 2);
        QCOMPARE(row(h0).ShowDT, at(2024, 5, 8));
        // On the holiday itself the empty window still shows nothing.
        clock->setNow(at(2024, 5, 8, 0, 0, 1));
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(row(h0).ShowDT, at(2025, 5, 8));
    }

    void tasksAfterSystemStart() {
        // Up for 60 days: a 32-bit tick count would have wrapped once.
        const std::uint64_t up = 60ull * 86400000ull;
        ScopedFakeClock clock(at(2024, 5, 6, 12), up);
        const DateTime boot = at(2024, 3, 7, 12);
        QVERIFY(std::fabs(ReminderEngine::LoadingTime() - boot) < 1e-9);
        // Shown in an earlier run (13) and pending (3): both pending again.
        const int a = insert(13, 30.0 / 1440, at(2020, 1, 1), 0, 0, 1, puHours);
        const int b = insert(3, 61.0, at(2020, 1, 1), 0, 0, 1, puHours);  // 61 days after start
        const int r = insert(3, 1.0 / 24, at(2020, 1, 1), 1, puDays, 1, puHours);
        engine->InitReminders();
        QCOMPARE(row(a).MesType, 13);  // due long ago: dealt with, not shown
        QVERIFY(std::fabs(row(a).ShowDT - (boot + 30.0 / 1440)) < 1e-9);
        QCOMPARE(row(b).MesType, 3);
        QVERIFY(std::fabs(row(b).ShowDT - (boot + 61)) < 1e-9);
        // Repeating from system start + 1 hour, daily: moved on from there.
        QVERIFY(std::fabs(row(r).ShowDT - at(2024, 5, 6, 13)) < 1e-8);
        QCOMPARE(row(r).MesType, 3);
        QVERIFY(shown.empty());
        QVERIFY(std::fabs(engine->NextReminderTime() - at(2024, 5, 6, 13)) < 1e-8);
    }

    void rowWithUnknownPeriodDoesNotHang() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 10));
        const int bad = insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 5, 9, 1, puHours, "bad");
        const int holiday = insert(2, at(2000, 5, 6), 0.0, 1, 0, 3, puDays, "bad holiday");
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].params.TaskID, bad);
        QCOMPARE(row(bad).MesType, 10);
        QCOMPARE(row(holiday).MesType, 2);
        clock->advanceMs(1000);
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));
    }

    // Damaged date-times (outside the years 100..9999) are never due and
    // never walked: nothing shows, repeating rows keep their values, and a
    // sound ShowDT is not walked from a damaged FirstDT.
    void rowsWithDateTimesOutOfRangeAreNeverDue() {
        const DateTime now = at(2024, 5, 6, 12, 10);
        ScopedFakeClock clock(now);
        const int once = insert(0, -1e300, -1e300, 0, 0, 100000, puYears, "once");
        const int monthly = insert(0, -1e300, -1e300, 1, puMonths, 1000, puYears, "monthly");
        const int early = insert(0, at(50, 1, 1), at(50, 1, 1), 1, puDays, 1, puDays, "year 50");
        const int wildFirst = insert(0, -1e300, at(2024, 5, 6, 12), 1, puMonths, 1, puHours, "damaged first");
        const int holiday = insert(2, -1e300, -1e300, 1, puYears, 3, puDays, "holiday");
        engine->InitReminders();
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].params.TaskID, wildFirst);
        QCOMPARE(shown[0].params.TaskTime, at(2024, 5, 6, 12));
        QCOMPARE(row(once).MesType, 10);
        for (int id : {monthly, holiday}) QCOMPARE(row(id).ShowDT, -1e300);
        QCOMPARE(row(early).ShowDT, at(50, 1, 1));
        QCOMPARE(row(wildFirst).ShowDT, at(2024, 6, 6, 12));
    }

    // Showing a one-time task never marks it done, so a program ended while
    // the window is open (a crash, a logout) keeps the reminder. It stays due
    // until it is answered, shows once per run, and comes back at the next
    // start.
    void anUnansweredReminderComesBackAtTheNextStart() {
        ScopedFakeClock clock(at(2024, 5, 6, 9, 30));
        const int id = insert(0, at(2024, 5, 6, 9), at(2024, 5, 6, 9), 0, 0, 1, puHours, "dentist");
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(1));
        clock->advanceMs(60000);
        tickPass();
        QCOMPARE(shown.size(), std::size_t(1));  // once per run
        QCOMPARE(row(id).MesType, 0);

        restart();  // ended with the window open
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[1].params.TaskID, id);

        // An answer for an older time does not touch a task saved again.
        engine->MarkReminderDone(id, at(2024, 5, 6, 8));
        QCOMPARE(row(id).MesType, 0);
        engine->MarkReminderDone(id, shown[1].params.TaskTime);
        QCOMPARE(row(id).MesType, 10);
        restart();
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(2));
    }

    // Another program holding a write lock: the repeating task's ShowDT
    // cannot be moved on and every pass fails. Each occurrence still shows
    // once, and the work is done once the lock is gone.
    void aLockedDatabaseShowsEachOccurrenceOnce() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30));
        const int daily = insert(0, at(2024, 5, 1, 12), at(2024, 5, 6, 12), 1, puDays, 1, puHours, "daily");
        insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "once");
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open((dir->path() / "Tamo.qdb").c_str(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        for (int minute = 0; minute < 3; ++minute) {
            try {
                tickPass();
            } catch (const sql::DbError& e) {
                QVERIFY2(QString::fromUtf8(e.what()).startsWith(QStringLiteral("database is locked")), e.what());
            }
            clock->advanceMs(60000);
        }
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(row(daily).ShowDT, at(2024, 5, 6, 12));
        QCOMPARE(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        tickPass();
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(row(daily).ShowDT, at(2024, 5, 7, 12));
    }

    // The lock is already held when the program starts: the start-up pass
    // fails as "busy" (the program goes on and says so once), what it showed
    // stays shown, and the pass tried a minute later is the start-up pass
    // again, so tasks after system start get their times.
    void aStartupPassOnALockedDatabaseIsTriedAgainAsTheStartupPass() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30), 3600000);  // up for an hour
        const DateTime boot = at(2024, 5, 6, 11, 0, 30);
        const int once = insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "once");
        const int afterStart = insert(13, 2.0 / 24, at(2020, 1, 1), 0, 0, 1, puHours, "two hours up");
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open((dir->path() / "Tamo.qdb").c_str(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE; UPDATE ToDo SET Comment = Comment", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        bool busy = false;
        try {
            engine->InitReminders();
        } catch (const sql::DbError& e) {
            busy = e.busy();
        }
        QVERIFY(busy);
        QCOMPARE(row(afterStart).MesType, 13);
        QVERIFY(!engine->ReminderPassDue());  // not every tick: a minute later
        clock->advanceMs(30000);
        QVERIFY(!engine->ReminderPassDue());
        QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        clock->advanceMs(31000);
        QVERIFY(engine->ReminderPassDue());
        engine->RunTickPass();
        QCOMPARE(row(afterStart).MesType, 3);
        QVERIFY(std::fabs(row(afterStart).ShowDT - (boot + 2.0 / 24)) < 1e-6);
        QCOMPARE(std::count_if(shown.begin(), shown.end(), [&](const auto& s) { return s.params.TaskID == once; }), 1);
    }

    // A quit signal during a long pass ends it between two rows; the rows
    // it has not reached stay due.
    void aStopRequestEndsThePassLeavingTheRestDue() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30));
        std::vector<int> ids;
        for (int i = 0; i < 5; ++i) ids.push_back(insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours));
        // Every minute for a year, each active a day: 1,440 occurrences.
        const int flood = insert(0, at(2023, 5, 6, 12), at(2023, 5, 6, 12), 1, puMinutes, 1, puDays);
        engine->setStopRequested([this] { return shown.size() >= 2; });
        engine->InitReminders();
        QCOMPARE(shown.size(), std::size_t(2));
        for (int id : ids) QCOMPARE(row(id).MesType, 0);
        QCOMPARE(row(flood).ShowDT, at(2023, 5, 6, 12));
        engine->setStopRequested({});
        tickPass();
        QCOMPARE(shown.size(), std::size_t(5));  // the rest; a tick pass does not walk the flood
    }

    void minuteTaskFromFiveYearsBackMovesOnAtOnce() {
        const DateTime first = at(2019, 5, 6, 8, 0, 0);
        const DateTime now = at(2024, 5, 6, 12, 34, 56);
        ScopedFakeClock clock(now);
        const int id = insert(0, first, at(2024, 5, 6, 12, 34), 1, puMinutes, 1, puMinutes);
        tickPass();  // its speed: bench_reminders, BM_WalkMinuteTaskFiveYears
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(row(id).ShowDT, nextOccurrenceAfterByStepping(first, puMinutes, 1, now));
        qDebug() << "drift of stepping after five years, ms:" << (row(id).ShowDT - at(2024, 5, 6, 12, 35)) * kMsPerDay;
        QVERIFY(std::fabs(row(id).ShowDT - at(2024, 5, 6, 12, 35)) < 1000.0 / kMsPerDay);
    }

    // A failing reminder (a window that cannot be made) ends the pass with
    // the rows before it done and written and no transaction left open; the
    // next pass waits a minute rather than failing at every tick, and then
    // finishes the work. The same for a failure among the repeating rows.
    void errorEndsThePassWithEarlierRowsDoneAndBacksOff() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30));
        const int a = insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "a");
        const int b = insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours, "b");
        const int r = insert(0, at(2024, 5, 1, 12), at(2024, 5, 6, 12), 1, puDays, 1, puHours, "r");
        QString failing = QStringLiteral("b");
        onReminder = [&](const TTaskParams& p, const QString& c) {
            if (p.TaskTitle == failing) throw std::runtime_error("window failed");
            shown.push_back({p, c});
        };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, engine->InitReminders());
        QVERIFY(sqlite3_get_autocommit(dm->connTAMO.handle()));
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(row(a).MesType, 0);  // shown, due until answered
        QCOMPARE(row(b).MesType, 0);
        QCOMPARE(row(r).ShowDT, at(2024, 5, 6, 12));
        // Backed off: not at the next ticks, a minute later.
        clock->advanceMs(1000);
        QVERIFY(!engine->ReminderPassDue());
        clock->advanceMs(59000);
        QVERIFY(!engine->ReminderPassDue());
        clock->advanceMs(1);
        QVERIFY(engine->ReminderPassDue());

        failing = QStringLiteral("r");
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, engine->RunTickPass());
        QVERIFY(sqlite3_get_autocommit(dm->connTAMO.handle()));
        QCOMPARE(shown.size(), std::size_t(2));  // b now; a not again
        QCOMPARE(shown[1].params.TaskID, b);
        QCOMPARE(row(r).ShowDT, at(2024, 5, 6, 12));
        QVERIFY(!engine->ReminderPassDue());

        failing.clear();
        clock->advanceMs(60001);
        QVERIFY(engine->runTickPassIfDue());
        QCOMPARE(shown.size(), std::size_t(3));
        QCOMPARE(shown[2].params.TaskID, r);
        QCOMPARE(row(r).ShowDT, at(2024, 5, 7, 12));
    }

    // A pass the gate's own timer runs has no caller to take its error: the
    // handler the application sets gets it (as the exception being handled),
    // and the next attempt waits a minute.
    void aFailingPassOnTheGatesTimerGoesToTheErrorHandler() {
        ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30));
        engine->UpdateNextReminderTime();  // an empty table: every tick may look
        QStringList errors;
        engine->setPassErrorHandler([&] {
            try {
                throw;
            } catch (const std::exception& e) {
                errors << QString::fromUtf8(e.what());
            }
        });
        dm->connTAMO.setPath((dir->path() / "missing" / "Tamo.qdb").string());
        QVERIFY(engine->reminderGateTimer()->isActive());
        QTimerEvent fire(engine->reminderGateTimer()->timerId());
        QCoreApplication::sendEvent(engine->reminderGateTimer(), &fire);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QStringLiteral("missing")), qPrintable(errors[0]));
        QCOMPARE(engine->NextReminderTime(), at(2024, 5, 6, 12, 1, 30));
        QVERIFY(!engine->ReminderPassDue());
        QVERIFY(!engine->InReminderPass());
    }

    void nextReminderTime() {
        ScopedFakeClock clock(at(2024, 5, 6, 12));
        engine->UpdateNextReminderTime();
        QCOMPARE(engine->NextReminderTime(), 0.0);                            // empty table: Min() gives a null row
        insert(0, at(2024, 5, 6, 12), at(2024, 5, 6, 12), 0, 0, 1, puHours);  // exactly now: not after it
        insert(1, 0, at(2024, 5, 6, 15), 0, 0, 2, 0);                         // a plan counts too
        insert(0, at(2024, 5, 6, 13), at(2024, 5, 6, 13, 30), 0, 0, 1, puHours);
        engine->UpdateNextReminderTime();
        // The task due now has not been shown yet: the next tick runs a pass.
        QCOMPARE(engine->NextReminderTime(), at(2024, 5, 6, 12));
        tickPass();
        QCOMPARE(engine->NextReminderTime(), at(2024, 5, 6, 13, 30));
        // With nothing in the future every pass finds nothing.
        clock->setNow(at(2024, 5, 7));
        tickPass();
        tickPass();
        QCOMPARE(engine->NextReminderTime(), 0.0);
    }

    void statementsUseTheIndexes() {
        // The due-task searches and the gate read through the indexes rather
        // than scanning the table.
        const char* statements[] = {
            "SELECT TDID FROM ToDo WHERE (ShowDT <= 45418.5) AND (MesType In (0, 3)) AND (PeriodInt = 0)",
            "SELECT * FROM ToDo WHERE (MesType In (0, 2, 3)) AND (PeriodInt > 0) AND (ShowDT <= 45418.5)",
            "SELECT Min(ShowDT) AS FirstShowDT FROM ToDo WHERE ShowDT > 45418.5",
            "SELECT * FROM ToDo WHERE TDID = 1",
            "UPDATE ToDo SET ShowDT = FirstDT + 1.5, MesType = 3 WHERE MesType IN (3, 13)",
            "SELECT Min(PostponedDT) AS FirstPostponedDT FROM ToDo WHERE PostponedDT > 45418.5",
            "SELECT TDID, PostponedDT FROM ToDo WHERE (PostponedDT <= 45418.5) AND (PeriodInt > 0)",
        };
        insert(0, at(2024, 5, 1, 14), at(2024, 5, 7, 14), 1, puDays, 1, puHours);
        for (const char* s : statements) {
            sql::Query q(dm->connTAMO);
            q.add(std::string("EXPLAIN QUERY PLAN ") + s);
            q.open();
            QString plan;
            for (; !q.eof(); q.next()) plan += QString::fromStdString(q.asString("detail")) + QLatin1Char('\n');
            QVERIFY2(!plan.contains(QStringLiteral("SCAN")) && plan.contains(QStringLiteral("SEARCH ToDo USING")),
                     qPrintable(QString::fromUtf8(s) + "\n" + plan));
        }
    }
};

QTEST_GUILESS_MAIN(TestReminderEngine)
#include "tst_reminder_engine.moc"
