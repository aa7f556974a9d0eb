#include "app/app_commands.h"

#include "app/forms.h"
#include "clock/clock_window.h"
#include "planning/schedule_window.h"
#include "ui/app_commands.h"

namespace ostrel {

void installAppCommands() {
    setCommandHandler([](AppCommand command) {
        if (!frmClock) return;
        switch (command) {
        case AppCommand::NewTask:
            frmClock->miToDoClick();
            break;
        case AppCommand::ShowToDoList:
            frmClock->miViewToDoListClick();
            break;
        case AppCommand::NewHoliday:
            break;
        case AppCommand::ShowHolidayList:
            break;
        case AppCommand::ShowSchedule:
            if (frmSchedule) {
                frmSchedule->show();
                frmSchedule->raise();
                frmSchedule->activateWindow();
            }
            break;
        case AppCommand::ShowAddressBook:
            break;
        case AppCommand::ShowPocketBook:
            break;
        case AppCommand::InternetTime:
            break;
        case AppCommand::ShowSettings:
            frmClock->miSettingClick();
            break;
        }
    });
}

}  // namespace ostrel
