#include "data/reminder_engine.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <string>

#include "base/language_texts.h"
#include "core/data/reminder_walk.h"
#include "core/data/sql/query.h"
#include "core/data/sql/transaction.h"
#include "core/time/clock_service.h"
#include "data/holiday_store.h"
#include "data/mes_type.h"
#include "data/task_store.h"

namespace ostrel {

Q_LOGGING_CATEGORY(lcReminderEngine, "ostrel.reminders.engine", QtWarningMsg)

using sql::ParamType;

namespace {

std::int32_t countOf(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// The rows a pass looks at, each condition written once. :Now is the
// present of the pass.
const std::string kPendingTasks = storedMesTypeList({mtOnceAtTime, mtOnceAfterStart});
const std::string kAfterStartTasks = storedMesTypeList({mtOnceAfterStart, mtOnceAfterStartDone});
// One-time tasks whose time has come.
const std::string kDueOnceTasks = "WHERE (ShowDT <= :Now) AND (MesType IN " + kPendingTasks + ") AND (PeriodInt = 0)";
// Repeating tasks and holidays whose stored occurrence has come.
const std::string kDueRegularRows = "WHERE (MesType IN " +
                                    storedMesTypeList({mtOnceAtTime, mtHoliday, mtOnceAfterStart}) +
                                    ") AND (PeriodInt > 0) AND (ShowDT <= :Now)";
// Postponed occurrences of repeating rows whose time has come.
const std::string kDuePostponed = "WHERE (PostponedDT <= :Now) AND (PeriodInt > 0)";

constexpr double kMinuteInDays = 60.0 / kSecondsPerDay;

// A statement of a pass: its lines, with :Now bound to the pass's present.
void prepareAt(sql::Query& q, DateTime now, std::initializer_list<std::string> lines) {
    for (const std::string& line : lines) q.add(line);
    q.param("Now", ParamType::DateTime, now);
}

}  // namespace

// One pass (start-up or tick): its present, read once, and the signals
// around it. Passes started inside a pass (an answer handled while a
// window shows) are part of the outer one.
class ReminderEngine::PassGuard {
public:
    explicit PassGuard(ReminderEngine& engine) : engine_(engine) {
        if (engine_.passDepth_++ > 0) return;
        engine_.passNow_ = clock().now();
        emit engine_.passStarted();
    }
    ~PassGuard() {
        if (--engine_.passDepth_ > 0) return;
        try {
            emit engine_.passEnded();
        } catch (...) {
            // A listener failed while the pass ends: the pass's own result
            // (or error) stands.
        }
    }
    PassGuard(const PassGuard&) = delete;
    PassGuard& operator=(const PassGuard&) = delete;
    DateTime now() const { return engine_.passNow_; }

private:
    ReminderEngine& engine_;
};

// The writes of a pass go to the file together: one commit instead of one
// per row (each commit waits for the disk). What a pass has written is
// committed before window messages run, and also when the pass stops on an
// error, so a failing statement ends the pass with the rows before it done.
// A transaction someone else has open is left to its owner.
class ReminderEngine::WriteBatch {
public:
    explicit WriteBatch(sql::Connection& conn) : conn_(conn) { resume(); }
    ~WriteBatch() {
        try {
            pause();
        } catch (...) {
        }
    }
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    void resume() {
        if (open_ || sql::inTransaction(conn_)) return;
        open_ = std::make_unique<sql::Transaction>(conn_);
    }
    void pause() {
        if (!open_) return;
        const std::unique_ptr<sql::Transaction> t = std::move(open_);
        t->commit();
    }

private:
    sql::Connection& conn_;
    std::unique_ptr<sql::Transaction> open_;
};

ReminderEngine::ReminderEngine(sql::Connection& conn, TaskStore& tasks, HolidayStore& holidays, QObject* parent)
    : QObject(parent), conn_(conn), tasks_(tasks) {
    setObjectName(QStringLiteral("reminderEngine"));
    connect(&tasks, &TaskStore::reminderTimeChanged, this, &ReminderEngine::reminderTimeSet);
    connect(&holidays, &HolidayStore::reminderTimeChanged, this, &ReminderEngine::reminderTimeSet);
    gateTimer_ = new QTimer(this);
    gateTimer_->setObjectName(QStringLiteral("tmrReminderGate"));
    gateTimer_->setSingleShot(true);
    gateTimer_->setTimerType(Qt::PreciseTimer);
    connect(gateTimer_, &QTimer::timeout, this, &ReminderEngine::gateTimeout);
}

ReminderEngine::~ReminderEngine() = default;

DateTime ReminderEngine::LoadingTime() {
    // The boot clock is 64-bit: the estimate does not drift after 49.7 days.
    return clock().bootTime();
}

DateTime ReminderEngine::present() const { return passDepth_ > 0 ? passNow_ : clock().now(); }

// ---------------------------------------------------------------- passes

void ReminderEngine::InitReminders() {
    const PassGuard pass(*this);
    try {
        runStartupPass(pass.now());
        startupPassPending_ = false;
    } catch (...) {
        // Tried again in a minute, as the start-up pass (the times of tasks
        // after system start are set by it); what it showed stays shown.
        startupPassPending_ = true;
        backOff(pass.now());
        throw;
    }
}

void ReminderEngine::RunTickPass() {
    if (startupPassPending_) {
        InitReminders();
        return;
    }
    const PassGuard pass(*this);
    try {
        runChecks(pass.now(), false);
    } catch (...) {
        backOff(pass.now());
        throw;
    }
}

bool ReminderEngine::runTickPassIfDue() {
    if (!ReminderPassDue()) return false;
    RunTickPass();
    return true;
}

void ReminderEngine::runStartupPass(DateTime now) {
    bool afterStart = false;
    {
        // Read first: a read-only database with nothing to write starts.
        sql::Query q(conn_);
        q.add("SELECT TDID");
        q.add("FROM ToDo");
        q.add("WHERE MesType IN " + kAfterStartTasks);
        q.add("LIMIT 1");
        q.open();
        afterStart = !q.eof();
    }
    if (afterStart) {
        sql::Query q(conn_);
        q.add("UPDATE ToDo");
        q.add("SET ShowDT = FirstDT + :LoadingTime, MesType = " + std::to_string(storedMesType(mtOnceAfterStart)));
        q.add("WHERE MesType IN " + kAfterStartTasks);
        q.param("LoadingTime", ParamType::DateTime, LoadingTime());
        q.exec();
    }
    runChecks(now, true);
}

void ReminderEngine::runChecks(DateTime now, bool atStartup) {
    CheckOnceTasks(now);
    CheckRegularTasks(now, atStartup);
    computeGate(now);
    settleGate(now);
}

void ReminderEngine::backOff(DateTime now) {
    // The next attempt in a minute rather than at every tick.
    nextReminderTime_ = now + kMinuteInDays;
    gateSettled_ = false;
    armGate(now);
}

void ReminderEngine::ShowReminder(const TaskRow& row, DateTime taskTime, const QString& caption) {
    TTaskParams params;
    params.TaskID = row.TDID;
    params.TaskTitle = row.Title;
    params.TaskComment = row.Comment;
    params.TaskTime = taskTime;
    emit reminderDue(params, caption);
}

void ReminderEngine::processPendingMessages() {
    // Lets the new window show and start sliding. Handlers that run here may
    // answer earlier reminders, but never open a second round of this.
    if (messageDepth_ > 0 || !QCoreApplication::instance()) return;
    if (batch_) batch_->pause();
    ++messageDepth_;
    try {
        QCoreApplication::processEvents();
    } catch (...) {
        --messageDepth_;
        throw;
    }
    --messageDepth_;
    if (batch_) batch_->resume();
}

void ReminderEngine::CheckOnceTasks(DateTime now) {
    sql::Query q(conn_);
    prepareAt(q, now, {"SELECT *", "FROM ToDo", kDueOnceTasks});
    q.open();
    if (q.eof()) return;
    WriteBatch batch(conn_);
    for (; !q.eof(); q.next()) {
        if (stopRequested()) break;
        const TaskRow row = readTaskRow(q);
        if (onceTaskActive(now, row.ShowDT, row.ElapseType, countOf(row.ElapseInt))) {
            // Shown once in a run and left due until it is answered, so that
            // a reminder the user never answered comes back at the next start.
            if (shown_.count({row.TDID, row.ShowDT})) continue;
            ShowReminder(row, row.ShowDT, GetLangMessage(QStringLiteral("OnceTask")));
            shown_.insert({row.TDID, row.ShowDT});
            continue;
        }
        // Its active time is over: dealt with, shown or not.
        q.edit();
        q.setField("MesType", storedMesType(dealtWith(row.mesType)));
        q.post();
    }
    batch.pause();
}

void ReminderEngine::CheckPostponedOccurrences(DateTime now) {
    if (!tasks_.hasPostponedColumn()) return;
    sql::Query q(conn_);
    prepareAt(q, now, {"SELECT *", "FROM ToDo", kDuePostponed});
    q.open();
    if (q.eof()) return;
    WriteBatch batch(conn_);
    for (; !q.eof(); q.next()) {
        if (stopRequested()) break;
        const TaskRow row = readTaskRow(q);
        const DateTime at = q.asDateTime("PostponedDT");
        if (inServiceRange(at) && onceTaskActive(now, at, row.ElapseType, countOf(row.ElapseInt))) {
            // Like a one-time task: shown once a run, kept until answered.
            if (postponedShown_.count({row.TDID, at})) continue;
            const bool holiday = row.mesType == mtHoliday;
            ShowReminder(row, at, GetLangMessage(holiday ? QStringLiteral("Holidays") : QStringLiteral("RegularTask")));
            postponedShown_.insert({row.TDID, at});
            continue;
        }
        // Its active time is over: the postponement is dealt with.
        q.edit();
        q.setField("PostponedDT", sql::Value{});
        q.post();
    }
    batch.pause();
}

void ReminderEngine::CheckRegularTasks(DateTime now, bool atStartup) {
    // Every row made due by a save so far is read now.
    dueSinceLastPass_ = kFarFuture;
    CheckPostponedOccurrences(now);
    sql::Query q(conn_);
    prepareAt(q, now, {"SELECT *", "FROM ToDo", kDueRegularRows});
    q.open();
    if (q.eof()) return;
    WriteBatch batch(conn_);
    WriteBatch* const outer = batch_;
    batch_ = &batch;
    struct Restore {
        WriteBatch*& slot;
        WriteBatch* value;
        ~Restore() { slot = value; }
    } restore{batch_, outer};
    for (; !q.eof(); q.next()) {
        if (stopRequested()) break;
        const TaskRow row = readTaskRow(q);
        if (!isRepeating(row.PeriodType, row.PeriodInt)) {
            // No known repetition unit: the walk would never get past the
            // present. A task is treated as not repeating (shown once while
            // active, then dealt with); a holiday without its yearly unit is
            // left alone.
            if (row.mesType == mtHoliday) continue;
            if (onceTaskActive(now, row.ShowDT, row.ElapseType, countOf(row.ElapseInt)))
                ShowReminder(row, row.ShowDT, GetLangMessage(QStringLiteral("OnceTask")));
            q.edit();
            q.setField("MesType", storedMesType(dealtWith(row.mesType)));
            q.post();
            continue;
        }
        // A date-time outside the years 100..9999 is never due and never
        // walked; the row stays as it is.
        if (!inServiceRange(row.ShowDT)) continue;
        const DateTime next = walkRegularRow(row, now, atStartup);
        q.edit();
        q.setField("ShowDT", next);
        q.post();
    }
    batch.pause();
}

DateTime ReminderEngine::walkRegularRow(const TaskRow& row, DateTime now, bool atStartup) {
    const PeriodUnit unit = row.PeriodType;
    const auto count = static_cast<std::int32_t>(row.PeriodInt);
    const std::int32_t elapse = countOf(row.ElapseInt);
    const auto activeAt = [&](DateTime t) { return occurrenceActive(now, t, row.ElapseType, elapse); };

    // The occurrences active now: the stored one and, at start-up, every
    // one walked over whose active time contains the present. One window
    // per task and pass shows the latest of them and names how many earlier
    // ones were missed.
    std::int64_t active = 0;
    DateTime latest = 0.0;
    const DateTime stored = row.ShowDT;
    const bool storedActive = activeAt(stored);
    if (storedActive) {
        active = 1;
        latest = stored;
    }
    DateTime t = stored;
    switch (row.mesType) {
        case mtOnceAtTime: t = row.FirstDT; break;
        case mtHoliday: t = row.FirstDT - elapse; break;
        default: break;
    }
    if (!inServiceRange(t)) t = stored;
    if (atStartup) {
        t = firstPossiblyActive(t, unit, count, row.ElapseType, elapse, now);
        while (!stopRequested()) {
            // The stored occurrence is not counted twice (stored and walked
            // times of one occurrence may differ in their last bits).
            if (activeAt(t) && !(storedActive && std::fabs(t - stored) < 0.5 / kMsPerDay)) {
                ++active;
                if (t > latest || active == 1) latest = t;
            }
            if (!(now >= t)) break;
            const DateTime next = AddPeriod(unit, count, t);
            if (!(next > t)) break;
            t = next;
        }
    }
    // Once per run, also when its row could not be moved on (a locked
    // database): the next pass finds the same ShowDT.
    if (active > 0 && !shown_.count({row.TDID, latest})) {
        const bool holiday = row.mesType == mtHoliday;
        QString caption = GetLangMessage(holiday ? QStringLiteral("Holidays") : QStringLiteral("RegularTask"));
        if (active > 1)
            caption += QLatin1Char(' ') + FormatMessageText(GetLangMessage(QStringLiteral("MissedOccurrences")),
                                                            {static_cast<qlonglong>(active - 1)});
        ShowReminder(row, holiday ? row.FirstDT : latest, caption);
        shown_.insert({row.TDID, latest});
        processPendingMessages();
    }
    return nextOccurrenceAfter(t, unit, count, now);
}

// ---------------------------------------------------------------- answers

void ReminderEngine::ApplyReminderAnswer(std::int32_t taskId, std::int32_t count, PeriodUnit unit, DateTime baseTime) {
    sql::Query q(conn_);
    q.add("SELECT *");
    q.add("FROM ToDo");
    q.add("WHERE TDID = :ToDoID");
    q.param("ToDoID", ParamType::Integer, std::int64_t{taskId});
    q.open();
    if (q.eof()) return;
    const TaskRow row = readTaskRow(q);
    if (row.PeriodInt != 0) {
        // A repeating task or a holiday: one occurrence comes back at the
        // chosen time; the series (ShowDT) is not moved.
        if (!tasks_.addPostponedColumn()) return;
        const DateTime base = row.mesType == mtHoliday ? present() : baseTime;
        const DateTime newTime = AddPeriod(unit, count, base);
        sql::Query u(conn_);
        u.add("UPDATE ToDo");
        u.add("SET PostponedDT = :PostponedDT");
        u.add("WHERE TDID = :TDID");
        u.param("PostponedDT", ParamType::DateTime, newTime);
        u.param("TDID", ParamType::Integer, std::int64_t{taskId});
        u.exec();
        postponedShown_.erase({taskId, newTime});
        UpdateNextReminderTime();
        return;
    }
    const DateTime newTime = AddPeriod(unit, count, baseTime);
    q.edit();
    q.setField("ShowDT", newTime);
    // Only a task the engine has dealt with goes back to pending; one that is
    // pending already (saved again meanwhile, or answered twice) keeps its
    // kind.
    if (isDealtWith(row.mesType)) q.setField("MesType", storedMesType(pending(row.mesType)));
    q.post();
    // Postponed to the very time that was shown (by 0): it shows again.
    shown_.erase({taskId, newTime});
    UpdateNextReminderTime();
}

void ReminderEngine::MarkReminderDone(std::int32_t taskId, DateTime taskTime) {
    // Only the occurrence that was shown: a task saved again meanwhile (a
    // new time) stays due.
    sql::Query q(conn_);
    q.add("UPDATE ToDo");
    q.add("SET MesType = MesType + " + std::to_string(storedMesType(mtOnceAtTimeDone) - storedMesType(mtOnceAtTime)));
    q.add("WHERE (TDID = :TDID) AND (ShowDT = :ShowDT) AND (MesType IN " + kPendingTasks + ") AND (PeriodInt = 0)");
    q.param("TDID", ParamType::Integer, std::int64_t{taskId});
    q.param("ShowDT", ParamType::DateTime, taskTime);
    q.exec();
    // A postponed occurrence of a repeating task or holiday: answered.
    if (tasks_.hasPostponedColumn()) {
        sql::Query p(conn_);
        p.add("UPDATE ToDo");
        p.add("SET PostponedDT = NULL");
        p.add("WHERE (TDID = :TDID) AND (PostponedDT = :PostponedDT)");
        p.param("TDID", ParamType::Integer, std::int64_t{taskId});
        p.param("PostponedDT", ParamType::DateTime, taskTime);
        p.exec();
    }
}

// ---------------------------------------------------------------- the gate

void ReminderEngine::UpdateNextReminderTime() { computeGate(present()); }

void ReminderEngine::computeGate(DateTime now) {
    sql::Query q(conn_);
    prepareAt(q, now, {"SELECT Min(ShowDT) AS FirstShowDT", "FROM ToDo", "WHERE ShowDT > :Now"});
    q.open();
    DateTime next = q.recNo() > 0 ? q.asDateTime("FirstShowDT") : 0.0;
    if (q.recNo() > 0 && tasks_.hasPostponedColumn()) {
        sql::Query p(conn_);
        prepareAt(p, now, {"SELECT Min(PostponedDT) AS FirstPostponedDT", "FROM ToDo", "WHERE PostponedDT > :Now"});
        p.open();
        const DateTime postponed = p.recNo() > 0 ? p.asDateTime("FirstPostponedDT") : 0.0;
        if (postponed > 0.0 && (next == 0.0 || postponed < next)) next = postponed;
    }
    // A row whose time has come but that no pass has dealt with yet: the
    // next tick runs a pass, not the one at the next future time. With no
    // future time at all the gate is 0.0 already and every tick runs a pass.
    if (q.recNo() > 0 && next != 0.0 && waitingRowIsDue(now)) next = now;
    if (q.recNo() <= 0) next = kFarFuture;
    // A reminder made due by a save and not yet read by a pass keeps the
    // gate open.
    nextReminderTime_ = std::min(next, dueSinceLastPass_);
    gateSettled_ = false;
    armGate(now);
}

bool ReminderEngine::waitingRowIsDue(DateTime now) {
    {
        sql::Query q(conn_);
        prepareAt(q, now, {"SELECT TDID, ShowDT", "FROM ToDo", kDueOnceTasks});
        q.open();
        for (; !q.eof(); q.next())
            if (!shown_.count({countOf(q.asInteger("TDID")), q.asDateTime("ShowDT")})) return true;
    }
    {
        sql::Query q(conn_);
        prepareAt(q, now, {"SELECT MesType, ShowDT, PeriodInt, PeriodType", "FROM ToDo", kDueRegularRows});
        q.open();
        for (; !q.eof(); q.next()) {
            // Rows a pass leaves as they are (out of range, a holiday without
            // its yearly unit) do not count.
            if (!inServiceRange(q.asDateTime("ShowDT"))) continue;
            if (mesTypeFromStored(q.asInteger("MesType")) == mtHoliday &&
                !isRepeating(periodUnitFromStored(q.asInteger("PeriodType")), q.asInteger("PeriodInt")))
                continue;
            return true;
        }
    }
    if (tasks_.hasPostponedColumn()) {
        sql::Query q(conn_);
        prepareAt(q, now, {"SELECT TDID, PostponedDT", "FROM ToDo", kDuePostponed});
        q.open();
        for (; !q.eof(); q.next())
            if (!postponedShown_.count({countOf(q.asInteger("TDID")), q.asDateTime("PostponedDT")})) return true;
    }
    return false;
}

bool ReminderEngine::ReminderPassDue() const {
    return !InReminderPass() && !gateSettled_ && clock().now() > nextReminderTime_;
}

void ReminderEngine::armGate(DateTime now) {
    if (nextReminderTime_ >= kFarFuture || std::isnan(nextReminderTime_)) {
        gateTimer_->stop();  // before the start-up pass (or no time at all)
        return;
    }
    if (now > nextReminderTime_) {
        // Due already: once, at once; nothing while settled.
        if (gateSettled_) gateTimer_->stop();
        else gateTimer_->start(0);
        return;
    }
    // Just past the gate (the gate opens when the present is later); at
    // most an hour at a time, so that a slowly drifting clock is followed.
    constexpr double kMaxWaitMs = 3600000.0;
    const double ms = std::min(std::ceil((nextReminderTime_ - now) * kMsPerDay - 0.001) + 1.0, kMaxWaitMs);
    gateTimer_->start(static_cast<int>(std::max(ms, 0.0)));
}

void ReminderEngine::settleGate(DateTime now) {
    // A save in the middle of the pass made something due: not settled.
    gateSettled_ = !(nextReminderTime_ > now) && dueSinceLastPass_ >= kFarFuture;
    armGate(now);
}

void ReminderEngine::ClockChanged() {
    gateSettled_ = false;
    if (nextReminderTime_ >= kFarFuture || InReminderPass()) return;
    UpdateNextReminderTime();
}

void ReminderEngine::gateTimeout() {
    if (!ReminderPassDue()) {
        // Woke early (a capped wait) or the gate moved.
        if (!InReminderPass()) armGate(clock().now());
        return;
    }
    try {
        RunTickPass();
    } catch (...) {
        if (passErrorHandler_) {
            passErrorHandler_();
            return;
        }
        try {
            throw;
        } catch (const std::exception& e) {
            qCWarning(lcReminderEngine, "reminder pass failed: %s", e.what());
        } catch (...) {
            qCWarning(lcReminderEngine, "reminder pass failed");
        }
    }
}

void ReminderEngine::reminderTimeSet(DateTime showDT) {
    if (showDT <= present()) dueSinceLastPass_ = std::min(dueSinceLastPass_, showDT);
    UpdateNextReminderTime();
}

}  // namespace ostrel
