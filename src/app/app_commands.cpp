#include "app/app_commands.h"

#include "app/backups.h"
#include "app/exchange.h"
#include "app/forms.h"
#include "clock/clock_window.h"
#include "contacts/address_book.h"
#include "notes/pocket_book.h"
#include "planning/holiday_editor.h"
#include "planning/holiday_list.h"
#include "planning/schedule_window.h"
#include "settings/settings_dialog.h"
#include "tasks/quick_task.h"
#include "contacts/person_viewer.h"
#include "data/data_module.h"
#include "data/holiday_store.h"
#include "data/plan_store.h"
#include "find/find_window.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "timesync/internet_time.h"
#include "ui/app_commands.h"

#include <QPointer>

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
        switch (command) {
            case AppCommand::NewTask:
                if (frmCreateToDo) frmCreateToDo->OpenForNewTask();
                break;
            case AppCommand::QuickTask:
                if (frmQuickTask) frmQuickTask->OpenForNewTask();
                break;
            case AppCommand::ShowToDoList: showWindow(frmToDoList); break;
            case AppCommand::NewHoliday:
                if (frmNewHoliday) frmNewHoliday->OpenForNewHoliday();
                break;
            case AppCommand::ShowHolidayList: showWindow(frmHolidayList); break;
            case AppCommand::ShowSchedule:
                if (frmSchedule) {
                    frmSchedule->show();
                    frmSchedule->raise();
                    frmSchedule->activateWindow();
                }
                break;
            case AppCommand::ShowAddressBook: showWindow(frmAddressBook); break;
            case AppCommand::ShowPocketBook: showWindow(frmPocketBook); break;
            case AppCommand::InternetTime:
                if (timeCorrection) timeCorrection->start();
                break;
            case AppCommand::ShowSettings:
                if (frmSettings) frmSettings->execDialog();
                break;
            case AppCommand::BackUpNow: backUpNow(); break;
            case AppCommand::RestoreFromBackup: restoreFromBackup(); break;
            case AppCommand::ImportCalendar: importCalendarCommand(); break;
            case AppCommand::ExportCalendar: exportCalendarCommand(); break;
            case AppCommand::ImportContacts: importContactsCommand(); break;
            case AppCommand::ExportContacts: exportContactsCommand(); break;
            case AppCommand::Find:
                if (frmFind) frmFind->OpenFind();
                break;
        }
    });
    setNewTaskOnHandler([](double day) {
        if (frmCreateToDo) frmCreateToDo->OpenForNewTaskOn(day);
    });
    setItemHandler([](AppItem item, std::int64_t id) {
        switch (item) {
            case AppItem::Task:
                if (frmCreateToDo) frmCreateToDo->OpenForTask(static_cast<int>(id));
                break;
            case AppItem::Plan:
                if (frmSchedule && DataModule1)
                    if (const auto plan = DataModule1->plans().plan(id)) {
                        frmSchedule->setScheduleDate(datePart(plan->ShowDT));
                        showWindow(frmSchedule);
                    }
                break;
            case AppItem::Holiday:
                if (frmNewHoliday && DataModule1)
                    for (const HolidayRow& row : DataModule1->holidays().listHolidays())
                        if (row.TDID == id) frmNewHoliday->OpenForHoliday(row);
                break;
            case AppItem::Contact:
                if (frmViewPerson) {
                    frmViewPerson->contactId = id;
                    frmViewPerson->FillPersonInfo();
                    showWindow(frmViewPerson);
                }
                break;
            case AppItem::Notes: showWindow(frmPocketBook); break;
        }
    });
}

}  // namespace ostrel
