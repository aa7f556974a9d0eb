#include "app/app_commands.h"

#include "app/forms.h"
#include "clock/clock_window.h"
#include "planning/holiday_editor.h"
#include "planning/holiday_list.h"
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
            if (frmNewHoliday) frmNewHoliday->OpenForNewHoliday();
            break;
        case AppCommand::ShowHolidayList:
            if (frmHolidayList) {
                frmHolidayList->show();
                frmHolidayList->raise();
                frmHolidayList->activateWindow();
            }
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
            frmClock->miSettingClick();
            break;
        }
    });
}

}  // namespace ostrel
