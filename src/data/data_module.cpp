#include "data/data_module.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "base/language_texts.h"
#include "core/data/period.h"
#include "core/data/reminder_walk.h"
#include "core/data/sql/transaction.h"
#include "core/time/clock_service.h"
#include "data/backup_store.h"
#include "data/exchange_store.h"
#include "data/plan_store.h"

namespace ostrel {

TDataModule1* DataModule1 = nullptr;

using sql::ParamType;

namespace {

std::int32_t countOf(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

QString textOf(const sql::Query& q, const char* column) { return QString::fromStdString(q.asString(column)); }

}  // namespace

// The current row of CheckRegularTasks.
struct TDataModule1::RegularRow {
    std::int32_t TDID = 0;
    int MesType = 0;
    DateTime FirstDT = 0.0;
    DateTime ShowDT = 0.0;
    QString Title;
    QString Comment;
    std::int64_t PeriodInt = 0;
    PeriodUnit PeriodType = puNone;
    std::int32_t ElapseInt = 0;
    PeriodUnit ElapseType = puNone;
};

// The present of one pass: read once when the outermost pass begins and
// handed to every decision of the pass, SQL Now() included, so that a clock
// step in the middle (an Internet time correction) cannot split a pass in
// two. The time since system start is still read from the real service.
class PassPresent final : public ClockService {
public:
    explicit PassPresent(ClockService& source) : source_(source), present_(source.now()) {}
    DateTime now() const override { return present_; }
    std::uint64_t msSinceBoot() const override { return source_.msSinceBoot(); }

private:
    ClockService& source_;
    DateTime present_;
};

class TDataModule1::PassScope {
public:
    explicit PassScope(TDataModule1& dm) : dm_(dm) {
        if (dm_.passDepth_++ > 0) return;
        present_ = std::make_unique<PassPresent>(clock());
        previous_ = setClockService(present_.get());
    }
    ~PassScope() {
        if (present_) setClockService(previous_);
        --dm_.passDepth_;
    }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

private:
    TDataModule1& dm_;
    std::unique_ptr<PassPresent> present_;
    ClockService* previous_ = nullptr;
};

// The writes of a pass go to the file together: one commit instead of one
// per row (each commit waits for the disk). What a pass has written is
// committed before window messages run, and also when the pass stops on an
// error, so a failing statement ends the pass with the rows before it done,
// as it would without the batch. A transaction someone else has open is
// left to its owner.
class TDataModule1::WriteBatch {
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

TDataModule1::TDataModule1(const QString& databasePath, QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("DataModule1"));
    NextReminderTime = kFarFuture;
    connTAMO.setPath(databasePath.toStdString());
    tasks_ = std::make_unique<TaskStore>(connTAMO);
    contacts_ = std::make_unique<ContactStore>(connTAMO);
    holidays_ = std::make_unique<HolidayStore>(connTAMO);
    connect(holidays_.get(), &HolidayStore::reminderTimeChanged, this, &TDataModule1::ReminderTimeSet);
    gateTimer_ = new QTimer(this);
    gateTimer_->setObjectName(QStringLiteral("tmrReminderGate"));
    gateTimer_->setSingleShot(true);
    gateTimer_->setTimerType(Qt::PreciseTimer);
    connect(gateTimer_, &QTimer::timeout, this, &TDataModule1::gateTimeout);
}

TDataModule1::~TDataModule1() = default;

BackupStore& TDataModule1::backups() {
    if (!backups_) backups_ = std::make_unique<BackupStore>(connTAMO);
    return *backups_;
}

ExchangeStore& TDataModule1::exchange() {
    if (!exchange_) exchange_ = std::make_unique<ExchangeStore>(connTAMO);
    return *exchange_;
}

PlanStore& TDataModule1::plans() {
    if (!plans_) plans_ = std::make_unique<PlanStore>(connTAMO);
    return *plans_;
}

DateTime TDataModule1::LoadingTime() {
    // The boot clock is 64-bit: the estimate does not drift after 49.7 days.
    return clock().bootTime();
}

void TDataModule1::UpdateNextReminderTime() {
    const PassScope pass(*this);
    sql::Query q(connTAMO);
    q.add("SELECT Min(ShowDT) AS FirstShowDT");
    q.add("FROM ToDo");
    q.add("WHERE ShowDT > Now()");
    q.open();
    if (q.recNo() <= 0) {
        NextReminderTime = std::min(kFarFuture, dueSinceLastPass_);
        gateSettled_ = false;
        ArmReminderGate();
        return;
    }
    DateTime next = q.asDateTime("FirstShowDT");
    if (HasPostponedColumn()) {
        sql::Query p(connTAMO);
        p.add("SELECT Min(PostponedDT) AS FirstPostponedDT");
        p.add("FROM ToDo");
        p.add("WHERE PostponedDT > Now()");
        p.open();
        const DateTime postponed = p.recNo() > 0 ? p.asDateTime("FirstPostponedDT") : 0.0;
        if (postponed > 0.0 && (next == 0.0 || postponed < next)) next = postponed;
    }
    // A row whose time has come but that no pass has dealt with yet (it was
    // postponed or edited into the past after the last pass): the next tick
    // runs a pass, not the one at the next future time. With no future time
    // at all the gate is 0.0 already and every tick runs a pass.
    if (next != 0.0 && WaitingRowIsDue()) next = clock().now();
    // A reminder made due by a save and not yet read by a pass keeps the
    // gate open.
    NextReminderTime = std::min(next, dueSinceLastPass_);
    gateSettled_ = false;
    ArmReminderGate();
}

bool TDataModule1::ReminderPassDue() const {
    return !InReminderPass() && !gateSettled_ && clock().now() > NextReminderTime;
}

void TDataModule1::ArmReminderGate() {
    if (!gateTimer_) return;
    if (NextReminderTime >= kFarFuture || !(NextReminderTime == NextReminderTime)) {
        gateTimer_->stop();  // before the start-up pass (or no time at all)
        return;
    }
    const DateTime now = clock().now();
    if (now > NextReminderTime) {
        // Due already: once, at once; nothing while settled.
        if (gateSettled_) gateTimer_->stop();
        else gateTimer_->start(0);
        return;
    }
    // Just past the gate (the gate opens when the present is later); at
    // most an hour at a time, so that a slowly drifting clock is followed.
    constexpr double kMaxWaitMs = 3600000.0;
    const double ms = std::min(std::ceil((NextReminderTime - now) * kMsPerDay - 0.001) + 1.0, kMaxWaitMs);
    gateTimer_->start(static_cast<int>(std::max(ms, 0.0)));
}

void TDataModule1::ClockChanged() {
    gateSettled_ = false;
    if (NextReminderTime >= kFarFuture || InReminderPass()) return;
    UpdateNextReminderTime();
}

void TDataModule1::gateTimeout() {
    if (ReminderPassDue()) emit reminderPassDue();
    else if (!InReminderPass()) ArmReminderGate();  // woke early (a capped wait) or the gate moved
}

void TDataModule1::settleGate() {
    // A save in the middle of the pass made something due: not settled.
    gateSettled_ = !(NextReminderTime > clock().now()) && dueSinceLastPass_ >= kFarFuture;
    ArmReminderGate();
}

void TDataModule1::ReminderTimeSet(DateTime showDT) {
    if (showDT <= clock().now()) dueSinceLastPass_ = std::min(dueSinceLastPass_, showDT);
    UpdateNextReminderTime();
}

bool TDataModule1::WaitingRowIsDue() {
    {
        sql::Query q(connTAMO);
        q.add("SELECT TDID, ShowDT");
        q.add("FROM ToDo");
        q.add("WHERE (ShowDT <= Now()) AND (MesType In (0, 3)) AND (PeriodInt = 0)");
        q.open();
        for (; !q.eof(); q.next())
            if (!shown_.count({countOf(q.asInteger("TDID")), q.asDateTime("ShowDT")})) return true;
    }
    {
        sql::Query q(connTAMO);
        q.add("SELECT MesType, ShowDT, PeriodInt, PeriodType");
        q.add("FROM ToDo");
        q.add("WHERE (MesType In (0, 2, 3)) AND (PeriodInt > 0) AND (ShowDT <= Now())");
        q.open();
        for (; !q.eof(); q.next()) {
            // Rows a pass leaves as they are (out of range, a holiday without
            // its yearly unit) do not count.
            if (!inServiceRange(q.asDateTime("ShowDT"))) continue;
            if (q.asInteger("MesType") == mtHoliday &&
                !isRepeating(periodUnitFromStored(q.asInteger("PeriodType")), q.asInteger("PeriodInt")))
                continue;
            return true;
        }
    }
    if (HasPostponedColumn()) {
        sql::Query q(connTAMO);
        q.add("SELECT TDID, PostponedDT");
        q.add("FROM ToDo");
        q.add("WHERE (PostponedDT <= Now()) AND (PeriodInt > 0)");
        q.open();
        for (; !q.eof(); q.next())
            if (!postponedShown_.count({countOf(q.asInteger("TDID")), q.asDateTime("PostponedDT")})) return true;
    }
    return false;
}

bool TDataModule1::HasPostponedColumn() {
    if (postponedColumn_ == 1) return true;
    // Asked again until it exists: another copy of the program may add it.
    sql::Query q(connTAMO);
    q.add("SELECT COUNT(*) AS N");
    q.add("FROM pragma_table_info('ToDo')");
    q.add("WHERE name = 'PostponedDT'");
    q.open();
    postponedColumn_ = (!q.eof() && q.asInteger("N") > 0) ? 1 : 0;
    return postponedColumn_ == 1;
}

bool TDataModule1::EnsurePostponedColumn() {
    if (HasPostponedColumn()) return true;
    try {
        // A nullable column and its index, added when the first postponement
        // of a repeating entry is stored (a file is not written just by
        // starting): files made before keep working, and a program that
        // does not know the column ignores it.
        sql::Transaction t(connTAMO);
        sql::Query a(connTAMO);
        a.add("ALTER TABLE ToDo ADD COLUMN PostponedDT REAL");
        a.exec();
        sql::Query i(connTAMO);
        i.add("CREATE INDEX IF NOT EXISTS ToDo_PostponedDT ON ToDo (PostponedDT)");
        i.exec();
        t.commit();
        postponedColumn_ = 1;
    } catch (const std::exception&) {
        // A read-only or locked file: the postponement is not kept.
        postponedColumn_ = 0;
    }
    return postponedColumn_ == 1;
}

void TDataModule1::InitReminders() {
    const PassScope pass(*this);
    try {
        RunStartupPass();
        startupPassPending_ = false;
    } catch (...) {
        // Tried again in a minute, as the start-up pass (the times of tasks
        // after system start are set by it); what it showed stays shown.
        startupPassPending_ = true;
        NextReminderTime = clock().now() + 60.0 / kSecondsPerDay;
        gateSettled_ = false;
        ArmReminderGate();
        throw;
    }
}

void TDataModule1::RunStartupPass() {
    bool afterStart = false;
    {
        // Read first: a read-only database with nothing to write starts.
        sql::Query q(connTAMO);
        q.add("SELECT TDID");
        q.add("FROM ToDo");
        q.add("WHERE MesType IN (3, 13)");
        q.add("LIMIT 1");
        q.open();
        afterStart = !q.eof();
    }
    if (afterStart) {
        sql::Query q(connTAMO);
        q.add("UPDATE ToDo");
        q.add("SET ShowDT = FirstDT + :LoadingTime, MesType = 3");
        q.add("WHERE MesType IN (3, 13)");
        q.param("LoadingTime", ParamType::DateTime, LoadingTime());
        q.exec();
    }
    std::uint8_t CascadeIndex = 0;
    CheckOnceTasks(CascadeIndex);
    CheckRegularTasks(CascadeIndex, true);
    UpdateNextReminderTime();
    settleGate();
}

void TDataModule1::RunTickPass() {
    if (startupPassPending_) {
        InitReminders();
        return;
    }
    const PassScope pass(*this);
    try {
        std::uint8_t CascadeIndex = 0;
        CheckOnceTasks(CascadeIndex);
        CheckRegularTasks(CascadeIndex, false);
        UpdateNextReminderTime();
        settleGate();
    } catch (...) {
        NextReminderTime = clock().now() + 60.0 / kSecondsPerDay;
        gateSettled_ = false;
        ArmReminderGate();
        throw;
    }
}

void TDataModule1::openReminderWindow(const TTaskParams& params, const QString& caption, std::uint8_t cascadeIndex) {
    if (ShowReminderHook) ShowReminderHook(params, caption, 20 * cascadeIndex);
}

void TDataModule1::processPendingMessages() {
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

void TDataModule1::CheckOnceTasks(std::uint8_t& CascadeIndex) {
    const PassScope pass(*this);
    sql::Query q(connTAMO);
    q.add("SELECT TDID, MesType, FirstDT, ShowDT, Title, Comment, ElapseInt, ElapseType");
    q.add("FROM ToDo");
    q.add("WHERE (ShowDT <= Now()) AND (MesType In (0, 3)) AND (PeriodInt = 0)");
    q.open();
    if (q.eof()) return;
    WriteBatch batch(connTAMO);
    for (; !q.eof(); q.next()) {
        if (stopRequested()) break;
        const DateTime showDT = q.asDateTime("ShowDT");
        if (onceTaskActive(clock().now(), showDT, periodUnitFromStored(q.asInteger("ElapseType")),
                           countOf(q.asInteger("ElapseInt")))) {
            // Shown once in a run and left due until it is answered, so that
            // a reminder the user never answered comes back at the next start.
            const std::int32_t id = countOf(q.asInteger("TDID"));
            if (shown_.count({id, showDT})) continue;
            TTaskParams params;
            params.TaskID = id;
            params.TaskTitle = textOf(q, "Title");
            params.TaskComment = textOf(q, "Comment");
            params.TaskTime = showDT;
            openReminderWindow(params, GetLangMessage(QStringLiteral("OnceTask")), CascadeIndex);
            shown_.insert({id, showDT});
            ++CascadeIndex;
            continue;
        }
        // Its active time is over: dealt with, shown or not.
        q.edit();
        q.setField("MesType", q.asInteger("MesType") + mtDealtWith);
        q.post();
    }
    batch.pause();
}

bool TDataModule1::IsActiveOccurrence(const RegularRow& row, DateTime T) const {
    if (!inServiceRange(T) || clock().now() < T) return false;
    return clock().now() < AddPeriod(row.ElapseType, row.ElapseInt, T);
}

void TDataModule1::ShowOccurrence(const RegularRow& row, DateTime T, std::int64_t missed, std::uint8_t& CascadeIndex) {
    // Once per run, also when its row could not be moved on (a locked
    // database): the next pass finds the same ShowDT.
    if (shown_.count({row.TDID, T})) return;
    TTaskParams params;
    params.TaskID = row.TDID;
    params.TaskTitle = row.Title;
    params.TaskComment = row.Comment;
    QString caption;
    if (row.MesType == mtHoliday) {
        caption = GetLangMessage(QStringLiteral("Holidays"));
        params.TaskTime = row.FirstDT;
    } else {
        caption = GetLangMessage(QStringLiteral("RegularTask"));
        params.TaskTime = T;
    }
    if (missed > 0)
        caption += QLatin1Char(' ') + FormatMessageText(GetLangMessage(QStringLiteral("MissedOccurrences")),
                                                        {static_cast<qlonglong>(missed)});
    openReminderWindow(params, caption, CascadeIndex);
    shown_.insert({row.TDID, T});
    processPendingMessages();
    ++CascadeIndex;
}

void TDataModule1::CheckPostponedOccurrences(std::uint8_t& CascadeIndex) {
    if (!HasPostponedColumn()) return;
    sql::Query q(connTAMO);
    q.add("SELECT TDID, MesType, PostponedDT, Title, Comment, ElapseInt, ElapseType");
    q.add("FROM ToDo");
    q.add("WHERE (PostponedDT <= Now()) AND (PeriodInt > 0)");
    q.open();
    if (q.eof()) return;
    WriteBatch batch(connTAMO);
    for (; !q.eof(); q.next()) {
        if (stopRequested()) break;
        const std::int32_t id = countOf(q.asInteger("TDID"));
        const DateTime at = q.asDateTime("PostponedDT");
        if (inServiceRange(at) && onceTaskActive(clock().now(), at, periodUnitFromStored(q.asInteger("ElapseType")),
                                                 countOf(q.asInteger("ElapseInt")))) {
            // Like a one-time task: shown once a run, kept until answered.
            if (postponedShown_.count({id, at})) continue;
            TTaskParams params;
            params.TaskID = id;
            params.TaskTitle = textOf(q, "Title");
            params.TaskComment = textOf(q, "Comment");
            params.TaskTime = at;
            const bool holiday = q.asInteger("MesType") == mtHoliday;
            openReminderWindow(params,
                               GetLangMessage(holiday ? QStringLiteral("Holidays") : QStringLiteral("RegularTask")),
                               CascadeIndex);
            postponedShown_.insert({id, at});
            ++CascadeIndex;
            continue;
        }
        // Its active time is over: the postponement is dealt with.
        q.edit();
        q.setField("PostponedDT", sql::Value{});
        q.post();
    }
    batch.pause();
}

void TDataModule1::CheckRegularTasks(std::uint8_t& CascadeIndex, bool AtStartup) {
    const PassScope pass(*this);
    // Every row made due by a save so far is read now.
    dueSinceLastPass_ = kFarFuture;
    CheckPostponedOccurrences(CascadeIndex);
    sql::Query q(connTAMO);
    q.add("SELECT *");
    q.add("FROM ToDo");
    q.add("WHERE (MesType In (0, 2, 3)) AND (PeriodInt > 0) AND (ShowDT <= Now())");
    q.open();
    if (q.eof()) return;
    WriteBatch batch(connTAMO);
    WriteBatch* const outer = batch_;
    batch_ = &batch;
    struct Restore {
        WriteBatch*& slot;
        WriteBatch* value;
        ~Restore() { slot = value; }
    } restore{batch_, outer};
    for (; !q.eof(); q.next()) {
        if (stopRequested()) break;
        RegularRow row;
        row.TDID = countOf(q.asInteger("TDID"));
        row.MesType = static_cast<int>(q.asInteger("MesType"));
        row.FirstDT = q.asDateTime("FirstDT");
        row.ShowDT = q.asDateTime("ShowDT");
        row.Title = textOf(q, "Title");
        row.Comment = textOf(q, "Comment");
        row.PeriodInt = q.asInteger("PeriodInt");
        row.PeriodType = periodUnitFromStored(q.asInteger("PeriodType"));
        row.ElapseInt = countOf(q.asInteger("ElapseInt"));
        row.ElapseType = periodUnitFromStored(q.asInteger("ElapseType"));

        if (!isRepeating(row.PeriodType, row.PeriodInt)) {
            // No known repetition unit: the walk would never get past the
            // present. A task is treated as not repeating (shown once while
            // active, then dealt with); a holiday without its yearly unit is
            // left alone.
            if (row.MesType == mtHoliday) continue;
            if (onceTaskActive(clock().now(), row.ShowDT, row.ElapseType, row.ElapseInt)) {
                TTaskParams params;
                params.TaskID = row.TDID;
                params.TaskTitle = row.Title;
                params.TaskComment = row.Comment;
                params.TaskTime = row.ShowDT;
                openReminderWindow(params, GetLangMessage(QStringLiteral("OnceTask")), CascadeIndex);
                ++CascadeIndex;
            }
            q.edit();
            q.setField("MesType", std::int64_t{row.MesType} + mtDealtWith);
            q.post();
            continue;
        }
        // A date-time outside the years 100..9999 is never due and never
        // walked; the row stays as it is.
        if (!inServiceRange(row.ShowDT)) continue;
        const PeriodUnit unit = row.PeriodType;
        const auto count = static_cast<std::int32_t>(row.PeriodInt);

        // The occurrences active now: the stored one and, at start-up,
        // every one walked over whose active time contains the present. One
        // window per task and pass shows the latest of them and names how
        // many earlier ones were missed (a task every minute after three
        // days off used to open a window for each).
        std::int64_t active = 0;
        DateTime latest = 0.0;
        const DateTime stored = row.ShowDT;
        const bool storedActive = IsActiveOccurrence(row, stored);
        if (storedActive) {
            active = 1;
            latest = stored;
        }
        DateTime T = stored;
        switch (row.MesType) {
            case mtOnceAtTime: T = row.FirstDT; break;
            case mtHoliday: T = row.FirstDT - row.ElapseInt; break;
            default: T = row.ShowDT; break;
        }
        if (!inServiceRange(T)) T = row.ShowDT;
        if (AtStartup) {
            T = firstPossiblyActive(T, unit, count, row.ElapseType, row.ElapseInt, clock().now());
            while (!stopRequested()) {
                // The stored occurrence is not counted twice (stored and
                // walked times of one occurrence may differ in their last
                // bits).
                if (IsActiveOccurrence(row, T) && !(storedActive && std::fabs(T - stored) < 0.5 / kMsPerDay)) {
                    ++active;
                    if (T > latest || active == 1) latest = T;
                }
                if (!(clock().now() >= T)) break;
                const DateTime next = AddPeriod(unit, count, T);
                if (!(next > T)) break;
                T = next;
            }
        }
        if (active > 0) ShowOccurrence(row, latest, active - 1, CascadeIndex);
        T = nextOccurrenceAfter(T, unit, count, clock().now());
        q.edit();
        q.setField("ShowDT", T);
        q.post();
    }
    batch.pause();
}

void TDataModule1::ApplyReminderAnswer(std::int32_t TaskID, std::int32_t Count, PeriodUnit Unit, DateTime BaseTime) {
    const PassScope pass(*this);
    sql::Query q(connTAMO);
    q.add("SELECT ShowDT, MesType, PeriodInt");
    q.add("FROM ToDo");
    q.add("WHERE TDID = :ToDoID");
    q.param("ToDoID", ParamType::Integer, std::int64_t{TaskID});
    q.open();
    if (q.eof()) return;
    const std::int64_t mesType = q.asInteger("MesType");
    if (q.asInteger("PeriodInt") != 0) {
        // A repeating task or a holiday: one occurrence comes back at the
        // chosen time; the series (ShowDT) is not moved.
        if (!EnsurePostponedColumn()) return;
        const DateTime base = mesType == mtHoliday ? clock().now() : BaseTime;
        const DateTime NewTime = AddPeriod(Unit, Count, base);
        sql::Query u(connTAMO);
        u.add("UPDATE ToDo");
        u.add("SET PostponedDT = :PostponedDT");
        u.add("WHERE TDID = :TDID");
        u.param("PostponedDT", ParamType::DateTime, NewTime);
        u.param("TDID", ParamType::Integer, std::int64_t{TaskID});
        u.exec();
        postponedShown_.erase({TaskID, NewTime});
        UpdateNextReminderTime();
        return;
    }
    const DateTime NewTime = AddPeriod(Unit, Count, BaseTime);
    q.edit();
    q.setField("ShowDT", NewTime);
    // Only a task the engine has dealt with goes back to pending; one that is
    // pending already (saved again meanwhile, or answered twice) keeps its
    // code rather than dropping below any code the engine reads.
    if (mesType == mtOnceAtTime + mtDealtWith || mesType == mtOnceAfterStart + mtDealtWith)
        q.setField("MesType", mesType - mtDealtWith);
    q.post();
    // Postponed to the very time that was shown (by 0): it shows again.
    shown_.erase({TaskID, NewTime});
    UpdateNextReminderTime();
}

void TDataModule1::MarkReminderDone(std::int32_t TaskID, DateTime TaskTime) {
    // Only the occurrence that was shown: a task saved again meanwhile (a
    // new time) stays due.
    sql::Query q(connTAMO);
    q.add("UPDATE ToDo");
    q.add("SET MesType = MesType + 10");
    q.add("WHERE (TDID = :TDID) AND (ShowDT = :ShowDT) AND (MesType IN (0, 3)) AND (PeriodInt = 0)");
    q.param("TDID", ParamType::Integer, std::int64_t{TaskID});
    q.param("ShowDT", ParamType::DateTime, TaskTime);
    q.exec();
    // A postponed occurrence of a repeating task or holiday: answered.
    if (HasPostponedColumn()) {
        sql::Query p(connTAMO);
        p.add("UPDATE ToDo");
        p.add("SET PostponedDT = NULL");
        p.add("WHERE (TDID = :TDID) AND (PostponedDT = :PostponedDT)");
        p.param("TDID", ParamType::Integer, std::int64_t{TaskID});
        p.param("PostponedDT", ParamType::DateTime, TaskTime);
        p.exec();
    }
}

void TDataModule1::DeleteTask(std::int32_t TaskID) { tasks_->removeTask(TaskID); }

}  // namespace ostrel
