#pragma once
// The schedule's plans: ToDo rows with MesType 1, each a title over a run of
// half-hour slots of one day. Plans are reached by their start, never by
// their key: a write reaches every plan row of that start.

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "core/data/plan_layout.h"
#include "core/data/sql/connection.h"
#include "core/time/datetime.h"

namespace ostrel {

// One plan row.
struct PlanRow {
    std::int64_t TDID = 0;
    DateTime ShowDT = 0.0;
    QString Title;
    std::int32_t ElapseInt = 1;  // half-hour slots
};

class PlanStore : public QObject {
    Q_OBJECT
public:
    explicit PlanStore(sql::Connection& connection, QObject* parent = nullptr);

    // One row per slot of the day (whole days of day), in slot order, with
    // the title and length of the plan that starts in it.
    std::vector<SlotQueryRow> plansOfDay(DateTime day);

    // Every plan, in TDID order.
    std::vector<PlanRow> allPlans();
    // The plan row TDID; nothing when that row is not a plan.
    std::optional<PlanRow> plan(std::int64_t TDID);

    // Stores a new plan and returns its TDID.
    std::int64_t insertPlan(const QString& title, DateTime start, int slotCount);
    // Moves and retitles the one plan row TDID.
    void updatePlanRow(std::int64_t TDID, const QString& title, DateTime start, int slotCount);
    // Moves and retitles the plans that start at oldStart.
    void updatePlan(DateTime oldStart, const QString& title, DateTime start, int slotCount);
    // Deletes the plans that start at start.
    void deletePlan(DateTime start);

signals:
    // After every write.
    void changed();

private:
    sql::Connection& conn_;
};

}  // namespace ostrel
