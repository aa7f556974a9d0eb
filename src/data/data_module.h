#pragma once
// The data module: the program's one database connection and the reminder
// engine's state and operations. Created first at start-up and alive for the
// whole run.

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <utility>

#include "core/data/sql/connection.h"
#include "core/data/sql/query.h"
#include "core/time/datetime.h"
#include "data/contact_store.h"
#include "data/holiday_store.h"
#include "data/task_params.h"
#include "data/task_store.h"

namespace ostrel {
class PlanStore;
class BackupStore;
class ExchangeStore;
}  // namespace ostrel

namespace ostrel {

class TDataModule1 : public QObject {
    Q_OBJECT
public:
    // databasePath: the organizer database (the application passes
    // "Tamo.qdb" beside the executable).
    explicit TDataModule1(const QString& databasePath = {}, QObject* parent = nullptr);
    ~TDataModule1() override;

    // The reminder gate of the clock's tick: 65535.0 until the start-up pass
    // has ended, afterwards the earliest ShowDT after the present (0.0 when
    // none lies in the future).
    DateTime NextReminderTime = kFarFuture;

    // The connection every query uses. It opens at the first statement.
    sql::Connection connTAMO;

    // The schedule's plans.
    PlanStore& plans();
    // Backup copies of the database, notes and settings (backup_store.h).
    BackupStore& backups();
    // The identifiers of exchanged rows (exchange_store.h).
    ExchangeStore& exchange();
    // TEMPORARY: the day-info panel's holiday query, until the holiday
    // store takes it over.

    // A query object on connTAMO.
    sql::Query newQuery() { return sql::Query(connTAMO); }

    // The ToDo table's statements for the windows.
    TaskStore& tasks() { return *tasks_; }
    // The AddressBook table's statements.
    ContactStore& contacts() { return *contacts_; }

    // Opens one reminder window. The application installs the reminder
    // window's ShowReminder; tests record the calls instead. Unset: nothing
    // is shown.
    using ShowReminderFn = std::function<void(const TTaskParams& params, const QString& caption, int offset)>;
    ShowReminderFn ShowReminderHook;

    // Asked between the rows of a pass: when it says so, the pass ends
    // there (what it has written is kept; the rows it has not reached stay
    // due). The application asks its quit-signal watcher.
    std::function<bool()> StopRequested;

    // The "Done" answer to a one-time task's reminder. Showing a one-time
    // task leaves it due (an unanswered reminder comes back at the next
    // start); this marks it dealt with, if it is still due at TaskTime.
    // Nothing for other rows.
    void MarkReminderDone(std::int32_t TaskID, DateTime TaskTime);

    // Recomputes NextReminderTime: the earliest due time after the present
    // (ShowDT or a postponed occurrence). When a row is waiting with its time
    // already come (a postponement into the past, a task edited into the
    // past), the present itself, so that the next tick runs a pass whatever
    // other future times exist.
    void UpdateNextReminderTime();
    // The reminder engine's start-up pass.
    void InitReminders();
    // The pass of the clock's tick: the due one-time tasks, the due
    // repeating tasks and holidays, then NextReminderTime. When a statement
    // fails, the next attempt waits a minute (NextReminderTime) and the
    // error passes on. Every decision of a pass, SQL Now() included, sees
    // the one present read when the pass began.
    void RunTickPass();
    // Shows and marks the due one-time tasks.
    void CheckOnceTasks(std::uint8_t& CascadeIndex);
    // Shows the due repeating tasks and holidays and moves their ShowDT on.
    // AtStartup also counts every occurrence walked over whose active time
    // contains the present; one window per task shows the latest and names
    // how many earlier ones were missed.
    void CheckRegularTasks(std::uint8_t& CascadeIndex, bool AtStartup);
    // A reminder window's "Postpone at" answer: a one-time task becomes due
    // again at Count units after BaseTime. A repeating task (or a holiday)
    // keeps its series and gets one postponed occurrence at that time
    // (PostponedDT; a holiday counts from the moment of the answer, since its
    // TaskTime is the holiday's date); a later postponement replaces an
    // earlier one still waiting.
    void ApplyReminderAnswer(std::int32_t TaskID, std::int32_t Count, PeriodUnit Unit, DateTime BaseTime);
    // Deletes one ToDo row (tasks().removeTask). NextReminderTime is left as
    // it is.
    void DeleteTask(std::int32_t TaskID);

    // The holidays (ToDo rows of MesType 2).
    HolidayStore& holidays() { return *holidays_; }
    // A save has set an entry's reminder time: the gate follows it, and a
    // time that is not later than the present makes the next tick run a
    // pass (also when the save happened in the middle of one).
    void ReminderTimeSet(DateTime showDT);

    // True while a reminder pass runs; the clock starts no pass then (window
    // messages handled in the middle of a pass could otherwise start one).
    bool InReminderPass() const { return passDepth_ > 0; }

    // The moment the operating system started.
    static DateTime LoadingTime();

    // ---- the reminder gate's timer ----
    // Whether the tick or the gate's timer should run a pass now: the
    // present is later than NextReminderTime, no pass runs, and the gate has
    // not settled (a pass left nothing ahead of the present and nothing has
    // moved NextReminderTime since: passes run once, not every second).
    bool ReminderPassDue() const;
    // Arms the gate's timer for the moment NextReminderTime is passed (the
    // delay through the clock service, at most an hour at a time). Called
    // whenever NextReminderTime is recomputed; a direct write of
    // NextReminderTime is followed by a call of this.
    void ArmReminderGate();
    // The system clock was set or the machine resumed: NextReminderTime is
    // recomputed from the new present and the gate armed again (nothing
    // before the start-up pass).
    void ClockChanged();
    // The gate's single-shot timer (tests read its interval).
    QTimer* reminderGateTimer() const { return gateTimer_; }

signals:
    // The gate's timer found a pass due; the clock runs it (guarded).
    void reminderPassDue();

private:
    struct RegularRow;
    bool IsActiveOccurrence(const RegularRow& row, DateTime T) const;
    // Shows the postponed occurrences of repeating tasks and holidays whose
    // time has come; clears the ones whose active time is over.
    void CheckPostponedOccurrences(std::uint8_t& CascadeIndex);
    // True when ToDo has the PostponedDT column.
    bool HasPostponedColumn();
    // Adds the column (nullable, with an index) to a database made before it
    // existed. False when that cannot be done (a read-only file): repeating
    // postponements are then not kept.
    bool EnsurePostponedColumn();
    // A row due now that no pass has handled (see UpdateNextReminderTime).
    bool WaitingRowIsDue();
    int postponedColumn_ = -1;  // unknown, 0 no, 1 yes
    void ShowOccurrence(const RegularRow& row, DateTime T, std::int64_t missed, std::uint8_t& CascadeIndex);
    void openReminderWindow(const TTaskParams& params, const QString& caption, std::uint8_t cascadeIndex);
    void processPendingMessages();

    class PassScope;
    class WriteBatch;
    void RunStartupPass();
    // The start-up pass failed (a database locked by another process): the
    // next pass due is the start-up pass again.
    bool startupPassPending_ = false;
    WriteBatch* batch_ = nullptr;
    int passDepth_ = 0;
    int messageDepth_ = 0;
    bool stopRequested() const { return StopRequested && StopRequested(); }
    // Occurrences shown in this run (task, due time): each shows once,
    // whether or not its row could be written (a locked database).
    std::set<std::pair<std::int32_t, DateTime>> shown_;
    std::unique_ptr<PlanStore> plans_;
    std::unique_ptr<BackupStore> backups_;
    std::unique_ptr<ExchangeStore> exchange_;
    // The same for postponed occurrences of repeating rows (task, PostponedDT).
    std::set<std::pair<std::int32_t, DateTime>> postponedShown_;
    std::unique_ptr<TaskStore> tasks_;
    std::unique_ptr<ContactStore> contacts_;
    std::unique_ptr<HolidayStore> holidays_;
    // The earliest due reminder time set by a save since the last pass
    // started reading its rows; kFarFuture when none.
    DateTime dueSinceLastPass_ = kFarFuture;
    QTimer* gateTimer_ = nullptr;
    bool gateSettled_ = false;
    void gateTimeout();
    // Marks the gate settled when the pass just ended left nothing ahead.
    void settleGate();
};

// The program's data module, created first at start-up by the application.
extern TDataModule1* DataModule1;

}  // namespace ostrel
