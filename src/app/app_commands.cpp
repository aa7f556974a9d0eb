#include "app/app_commands.h"

#include "app/forms.h"
#include "clock/clock_window.h"
#include "settings/settings_dialog.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "ui/app_commands.h"

namespace ostrel {

namespace {
// Shows a window that exists from start-up and brings it to the front.
void showWindow(QWidget* w) {
    if (!w) return;
    w->show();
    w->raise();
    w->activateWindow();
}
}  // namespace

void installAppCommands() {
    setCommandHandler([](AppCommand command) {
        switch (command) {
        case AppCommand::NewTask:
            if (frmCreateToDo) frmCreateToDo->OpenForNewTask();
            break;
        case AppCommand::ShowToDoList:
            showWindow(frmToDoList);
            break;
        case AppCommand::NewHoliday:
            break;
        case AppCommand::ShowHolidayList:
            break;
        case AppCommand::ShowSchedule:
            break;
        case AppCommand::ShowAddressBook:
            break;
        case AppCommand::ShowPocketBook:
            break;
        case AppCommand::InternetTime:
            break;
        case AppCommand::ShowSettings:
            if (frmSettings) frmSettings->execDialog();
            break;
        }
    });
}

}  // namespace ostrel
