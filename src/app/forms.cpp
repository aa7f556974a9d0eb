#include "app/forms.h"

#include <algorithm>

#include "app/app_commands.h"

#include "clock/clock_window.h"
#include "contacts/address_book.h"
#include "contacts/person_editor.h"
#include "contacts/person_viewer.h"
#include "data/contact_store.h"
#include "data/data_module.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "ui/app_commands.h"

namespace ostrel {

TDataModule1* DataModule1 = nullptr;
TfrmClock* frmClock = nullptr;
TfrmSettings* frmSettings = nullptr;
TfrmCreateToDo* frmCreateToDo = nullptr;
TfrmToDoList* frmToDoList = nullptr;
TfrmAddressBook* frmAddressBook = nullptr;
TfrmViewPerson* frmViewPerson = nullptr;
TfrmPersonEdit* frmPersonEdit = nullptr;

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

void createForms() {
    DataModule1 = new TDataModule1();
    frmClock = new TfrmClock();
    registerApplicationForm(frmClock);
    frmCreateToDo = new TfrmCreateToDo();
    registerApplicationForm(frmCreateToDo);
    frmToDoList = new TfrmToDoList();
    registerApplicationForm(frmToDoList);
    createContactForms();
    installAppCommands();
}

void destroyForms() {
    setCommandHandler({});
    // Most recently created first.
    std::vector<QWidget*> forms = g_forms;
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) delete *it;
    frmClock = nullptr;
    frmCreateToDo = nullptr;
    frmToDoList = nullptr;
    frmAddressBook = nullptr;
    frmViewPerson = nullptr;
    frmPersonEdit = nullptr;
    delete DataModule1;
    DataModule1 = nullptr;
}

}  // namespace ostrel
