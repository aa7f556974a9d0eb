#include "app/forms.h"

#include <algorithm>

#include "app/app_commands.h"
#include "app/help_setup.h"
#include "base/app_paths.h"

#include "clock/clock_window.h"
#include "contacts/address_book.h"
#include "contacts/person_editor.h"
#include "contacts/person_viewer.h"
#include "data/contact_store.h"
#include "data/data_module.h"
#include "planning/holiday_editor.h"
#include "planning/holiday_list.h"
#include "notes/pocket_book.h"
#include "settings/settings_dialog.h"
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
TfrmAddressBook* frmAddressBook = nullptr;
TfrmViewPerson* frmViewPerson = nullptr;
TfrmPersonEdit* frmPersonEdit = nullptr;
TfrmNewHoliday* frmNewHoliday = nullptr;
TfrmHolidayList* frmHolidayList = nullptr;
TfrmPocketBook* frmPocketBook = nullptr;

// The address book and its viewer and editor. The end of the desktop
// session lets an open contact editor close.
static void createContactForms() {
    frmViewPerson = new TfrmViewPerson(DataModule1->contacts());
    registerApplicationForm(frmViewPerson);
    frmPersonEdit = new TfrmPersonEdit(DataModule1->contacts());
    registerApplicationForm(frmPersonEdit);
    frmAddressBook = new TfrmAddressBook(DataModule1->contacts(), frmViewPerson, frmPersonEdit);
    registerApplicationForm(frmAddressBook);
    QObject::connect(frmClock, &TfrmClock::sessionEnding, frmPersonEdit, [] {
        if (frmPersonEdit) frmPersonEdit->AllowClose = true;
    });
}

void createHolidayForms() {
    frmNewHoliday = new TfrmNewHoliday(DataModule1->holidays());
    registerApplicationForm(frmNewHoliday);
    frmHolidayList = new TfrmHolidayList(DataModule1->holidays());
    registerApplicationForm(frmHolidayList);
    QObject::connect(frmHolidayList, &TfrmHolidayList::editHoliday, frmNewHoliday, &TfrmNewHoliday::OpenForHoliday);
}

void createForms() {
    DataModule1 = new TDataModule1(databaseFilePath());
    // The reminder engine opens its windows through this hook.
    DataModule1->ShowReminderHook = [](const TTaskParams& params, const QString& caption, int offset) {
        ShowReminder(params, caption, offset);
    };
    frmClock = new TfrmClock();
    registerApplicationForm(frmClock);
    createContactForms();
    frmCreateToDo = new TfrmCreateToDo();
    registerApplicationForm(frmCreateToDo);
    frmToDoList = new TfrmToDoList();
    registerApplicationForm(frmToDoList);
    createHolidayForms();
    frmPocketBook = new TfrmPocketBook();
    registerApplicationForm(frmPocketBook);
    // The settings dialog changes the pocket book's colours live.
    if (frmSettings) {
        frmSettings->applyPocketBookColor = [](const QColor& c) {
            if (frmPocketBook) frmPocketBook->setEditorColor(c);
        };
        frmSettings->applyPocketBookFontColor = [](const QColor& c) {
            if (frmPocketBook) frmPocketBook->setEditorFontColor(c);
        };
    }
    installAppCommands();
    installHelp();
}

void destroyForms() {
    setCommandHandler({});
    removeHelp();
    // Most recently created first.
    std::vector<QWidget*> forms = applicationForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) delete *it;
    frmClock = nullptr;
    frmCreateToDo = nullptr;
    frmToDoList = nullptr;
    frmAddressBook = nullptr;
    frmViewPerson = nullptr;
    frmPersonEdit = nullptr;
    frmNewHoliday = nullptr;
    frmHolidayList = nullptr;
    frmPocketBook = nullptr;
    delete DataModule1;
    DataModule1 = nullptr;
}

}  // namespace ostrel
