#include "app/forms.h"

#include <algorithm>

#include "app/app_commands.h"
#include "base/app_paths.h"

#include "clock/clock_window.h"
#include "clock/day_info_link.h"
#include "data/data_module.h"
#include "data/day_queries.h"
#include "data/plan_store.h"
#include "planning/day_info.h"
#include "planning/schedule_window.h"
#include "tasks/reminder_window.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "ui/app_commands.h"

namespace ostrel {

// DataModule1 is defined beside the data module, frmSettings beside the
// settings dialog and frmCreateToDo beside the task editor: their own layer
// or area reaches them without this file.
TfrmClock* frmClock = nullptr;
TfrmToDoList* frmToDoList = nullptr;
TfrmSchedule* frmSchedule = nullptr;
TfrmDayInfo* frmDayInfo = nullptr;

namespace {
// The day-info panel as the clock sees it.
class DayInfoLink final : public DayInfoPanel {
public:
    void showPanel() override {
        if (frmDayInfo) frmDayInfo->showPanel();
    }
    void hidePanel() override {
        if (frmDayInfo) frmDayInfo->hidePanel();
    }
    bool panelVisible() const override { return frmDayInfo && frmDayInfo->panelVisible(); }
    void startHideTimer(int intervalMs) override {
        if (frmDayInfo) frmDayInfo->startHideTimer(intervalMs);
    }
};
DayInfoLink g_dayInfoLink;
}  // namespace

void createForms() {
    DataModule1 = new TDataModule1(databaseFilePath());
    // The reminder engine opens its windows through this hook.
    DataModule1->ShowReminderHook = [](const TTaskParams& params, const QString& caption, int offset) {
        ShowReminder(params, caption, offset);
    };
    frmClock = new TfrmClock();
    registerApplicationForm(frmClock);
    frmDayInfo = new TfrmDayInfo(DataModule1->tasks(), DataModule1->plans(), DataModule1->dayQueries());
    registerApplicationForm(frmDayInfo);
    frmDayInfo->placeMode = [] {
        return frmClock && (frmClock->ViewMode == vmFreeClock || frmClock->ViewMode == vmAnalogClock)
                   ? DayInfoPlace::BesideClock
                   : DayInfoPlace::ScreenCorner;
    };
    frmDayInfo->clockFrame = [] { return frmClock ? frmClock->frameGeometry() : QRect(); };
    frmClock->setDayInfoPanel(&g_dayInfoLink);
    frmCreateToDo = new TfrmCreateToDo();
    registerApplicationForm(frmCreateToDo);
    frmToDoList = new TfrmToDoList();
    registerApplicationForm(frmToDoList);
    frmSchedule = new TfrmSchedule(DataModule1->plans());
    registerApplicationForm(frmSchedule);
    installAppCommands();
}

void destroyForms() {
    setCommandHandler({});
    if (frmClock) frmClock->setDayInfoPanel(nullptr);
    // Most recently created first.
    std::vector<QWidget*> forms = applicationForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) delete *it;
    frmClock = nullptr;
    frmCreateToDo = nullptr;
    frmToDoList = nullptr;
    frmSchedule = nullptr;
    frmDayInfo = nullptr;
    delete DataModule1;
    DataModule1 = nullptr;
}

}  // namespace ostrel
