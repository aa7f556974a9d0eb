#include "app/app_commands.h"

#include "app/forms.h"
#include "clock/clock_window.h"
#include "timesync/internet_time.h"
#include "ui/app_commands.h"

#include <QPointer>

namespace ostrel {

void installAppCommands() {
    // The Internet time correction lives as long as the clock window; its
    // menu item is off while a correction runs.
    QPointer<InternetTimeCorrection> timeCorrection;
    if (frmClock) {
        timeCorrection = new InternetTimeCorrection(frmClock);
        QPointer<QAction> item = frmClock->miSMTPClockCorr;
        QObject::connect(timeCorrection, &InternetTimeCorrection::runningChanged, frmClock, [item](bool running) {
            if (item) item->setEnabled(!running);
        });
    }
    setCommandHandler([timeCorrection](AppCommand command) {
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
            break;
        case AppCommand::ShowAddressBook:
            break;
        case AppCommand::ShowPocketBook:
            break;
        case AppCommand::InternetTime:
            if (timeCorrection) timeCorrection->start();
            break;
        case AppCommand::ShowSettings:
            frmClock->miSettingClick();
            break;
        }
    });
}

}  // namespace ostrel
