#include "app/forms.h"

#include <algorithm>

#include "app/app_commands.h"

#include "clock/clock_window.h"
#include "data/data_module.h"
#include "data/day_queries.h"
#include "data/plan_store.h"
#include "planning/day_info.h"
#include "planning/schedule_window.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "ui/app_commands.h"

namespace ostrel {

TDataModule1* DataModule1 = nullptr;
TfrmClock* frmClock = nullptr;
TfrmSettings* frmSettings = nullptr;
TfrmCreateToDo* frmCreateToDo = nullptr;
TfrmToDoList* frmToDoList = nullptr;
TfrmSchedule* frmSchedule = nullptr;
TfrmDayInfo* frmDayInfo = nullptr;

namespace {
std::vector<QWidget*> g_forms;
}

const std::vector<QWidget*>& applicationForms() {
    return g_forms;
}

void registerApplicationForm(QWidget* form) {
    g_forms.push_back(form);
    QObject::connect(form, &QObject::destroyed, [form] {
        g_forms.erase(std::remove(g_forms.begin(), g_forms.end(), form), g_forms.end());
    });
}

void createForms() {
    DataModule1 = new TDataModule1();
    frmClock = new TfrmClock();
    registerApplicationForm(frmClock);
    frmDayInfo = new TfrmDayInfo(DataModule1->plans(), DataModule1->dayQueries());
    registerApplicationForm(frmDayInfo);
    frmDayInfo->placeMode = [] {
        return frmClock && (frmClock->ViewMode == vmFreeClock || frmClock->ViewMode == vmAnalogClock)
                   ? DayInfoPlace::BesideClock
                   : DayInfoPlace::ScreenCorner;
    };
    frmDayInfo->clockFrame = [] { return frmClock ? frmClock->frameGeometry() : QRect(); };
    frmClock->setDayInfoPanel(frmDayInfo);
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
    std::vector<QWidget*> forms = g_forms;
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
