#pragma once
// The reminder engine: finds the reminders that are due and announces them
// (reminderDue), moves repeating tasks and holidays on to their next
// occurrence, and keeps the reminder gate, the moment before which no pass
// has anything to do.
//
// A pass reads the present once when it begins and hands that value to
// every step, so a clock step in the middle of a pass (an Internet time
// correction) cannot split it in two. The start-up pass runs once when the
// program starts; the tick pass runs whenever the gate is passed, from the
// gate's own timer or from the clock's tick (runTickPassIfDue).

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <set>
#include <utility>

#include "core/data/period.h"
#include "core/data/sql/connection.h"
#include "core/time/datetime.h"
#include "data/task_params.h"

namespace ostrel {

class TaskStore;
class HolidayStore;
struct TaskRow;

class ReminderEngine : public QObject {
    Q_OBJECT
public:
    // Works on the ToDo table of conn; follows the saves the stores announce.
    ReminderEngine(sql::Connection& conn, TaskStore& tasks, HolidayStore& holidays, QObject* parent = nullptr);
    ~ReminderEngine() override;

    // ---- the passes ----
    // The start-up pass: sets the times of the tasks after system start,
    // shows what is due (at start-up also the occurrences missed while the
    // program was not running, one window per task naming how many) and
    // opens the gate. When a statement fails, the error passes on and the
    // next pass, a minute later, is the start-up pass again.
    void InitReminders();
    // The tick pass: the due one-time tasks, the postponed occurrences and
    // the due repeating tasks and holidays, then the gate. When a statement
    // fails, the next attempt waits a minute and the error passes on.
    void RunTickPass();
    // Runs the tick pass when ReminderPassDue(); true when it ran.
    bool runTickPassIfDue();
    // True while a pass runs (between passStarted and passEnded).
    bool InReminderPass() const { return passDepth_ > 0; }

    // Asked between the rows of a pass: when it says so, the pass ends
    // there (what it has written is kept; the rows it has not reached stay
    // due). The application asks its quit-signal watcher.
    void setStopRequested(std::function<bool()> stopRequested) { stopRequested_ = std::move(stopRequested); }
    // Called inside the handler of an error of a pass that the gate's own
    // timer ran (std::current_exception() is the error). The application
    // hands it to its error display; unset, the error is logged.
    void setPassErrorHandler(std::function<void()> handler) { passErrorHandler_ = std::move(handler); }

    // ---- answers ----
    // "Postpone at": a one-time task becomes due again at count units after
    // baseTime. A repeating task or a holiday keeps its series and gets one
    // postponed occurrence at that time (a holiday counts from the moment of
    // the answer, since its time is the holiday's date); a later
    // postponement replaces an earlier one still waiting.
    void ApplyReminderAnswer(std::int32_t taskId, std::int32_t count, PeriodUnit unit, DateTime baseTime);
    // "Done": the one-time task (still due at taskTime) or the postponed
    // occurrence at taskTime is dealt with. Nothing for other rows.
    void MarkReminderDone(std::int32_t taskId, DateTime taskTime);

    // ---- the gate ----
    // kFarFuture until the start-up pass has ended; afterwards the earliest
    // due time after the present (ShowDT or a postponed occurrence; 0.0 when
    // none lies ahead), or the present itself while a row is due that no
    // pass has dealt with (postponed or edited into the past after the last
    // pass), so the next tick runs a pass whatever future times exist.
    DateTime NextReminderTime() const { return nextReminderTime_; }
    // Recomputes the gate from the table and arms its timer. Called after
    // writes the stores do not announce (a restore, an import).
    void UpdateNextReminderTime();
    // Whether a pass should run now: the present is later than the gate, no
    // pass runs, and the gate has not settled (a pass left nothing ahead of
    // the present and nothing has moved the gate since: passes run once,
    // not every second).
    bool ReminderPassDue() const;
    // The system clock was set or the machine resumed: the gate is
    // recomputed from the new present (nothing before the start-up pass).
    void ClockChanged();
    // The gate's single-shot timer: armed for the moment the gate is passed
    // (at most an hour at a time, so a slowly drifting clock is followed).
    QTimer* reminderGateTimer() const { return gateTimer_; }

    // The moment the operating system started.
    static DateTime LoadingTime();

signals:
    // A pass begins and ends (also when it ends with an error).
    void passStarted();
    void passEnded();
    // A reminder to show: the task's id, title, comment and the time it
    // stands for, and the window's caption (what kind of reminder it is,
    // with the number of missed occurrences).
    void reminderDue(const ostrel::TTaskParams& params, const QString& caption);

private:
    class PassGuard;
    class WriteBatch;

    void runStartupPass(DateTime now);
    void runChecks(DateTime now, bool atStartup);
    void CheckOnceTasks(DateTime now);
    void CheckPostponedOccurrences(DateTime now);
    void CheckRegularTasks(DateTime now, bool atStartup);
    // One repeating row: shows its active occurrence (at start-up the latest
    // of those walked over) and returns the ShowDT to store.
    DateTime walkRegularRow(const TaskRow& row, DateTime now, bool atStartup);
    // The one way a reminder is shown: announced, and remembered for the
    // run (each occurrence shows once, whether or not its row could be
    // written).
    void ShowReminder(const TaskRow& row, DateTime taskTime, const QString& caption);
    bool waitingRowIsDue(DateTime now);
    void computeGate(DateTime now);
    void settleGate(DateTime now);
    void armGate(DateTime now);
    void backOff(DateTime now);
    void gateTimeout();
    void reminderTimeSet(DateTime showDT);
    void processPendingMessages();
    bool stopRequested() const { return stopRequested_ && stopRequested_(); }
    // The present of the pass that runs, or the clock's when none runs.
    DateTime present() const;

    sql::Connection& conn_;
    TaskStore& tasks_;
    std::function<bool()> stopRequested_;
    std::function<void()> passErrorHandler_;
    DateTime nextReminderTime_ = kFarFuture;
    DateTime passNow_ = 0.0;
    int passDepth_ = 0;
    int messageDepth_ = 0;
    // The start-up pass failed (a database locked by another process): the
    // next pass due is the start-up pass again.
    bool startupPassPending_ = false;
    WriteBatch* batch_ = nullptr;
    // Occurrences shown in this run (task, time), one-time and repeating;
    // the same for postponed occurrences (task, PostponedDT).
    std::set<std::pair<std::int32_t, DateTime>> shown_;
    std::set<std::pair<std::int32_t, DateTime>> postponedShown_;
    // The earliest due reminder time set by a save since the last pass
    // started reading its rows; kFarFuture when none.
    DateTime dueSinceLastPass_ = kFarFuture;
    QTimer* gateTimer_ = nullptr;
    bool gateSettled_ = false;
};

}  // namespace ostrel
