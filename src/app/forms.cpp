#include "app/forms.h"

#include <algorithm>

#include "app/app_commands.h"
#include "base/app_paths.h"

#include "clock/clock_window.h"
#include "data/data_module.h"
#include "settings/settings_dialog.h"
#include "tasks/reminder_window.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "ui/app_commands.h"
#include "ui/guarded.h"

namespace ostrel {

// DataModule1 is defined beside the data module, frmSettings beside the
// settings dialog and frmCreateToDo beside the task editor: their own layer
// or area reaches them without this file.
TfrmClock* frmClock = nullptr;
TfrmToDoList* frmToDoList = nullptr;

TfrmSettings* createSettingsDialog(TfrmClock* clock) {
    auto* dialog = new TfrmSettings(clock);
    frmSettings = dialog;
    QObject::connect(clock, &TfrmClock::settingsRequested, dialog, guarded(dialog, &TfrmSettings::execDialog));
    return dialog;
}

void createForms() {
    DataModule1 = new TDataModule1(databaseFilePath());
    // The reminder engine opens its windows through this hook.
    DataModule1->ShowReminderHook = [](const TTaskParams& params, const QString& caption, int offset) {
        ShowReminder(params, caption, offset);
    };
    frmClock = new TfrmClock();
    registerApplicationForm(frmClock);
    createSettingsDialog(frmClock);
    frmCreateToDo = new TfrmCreateToDo();
    registerApplicationForm(frmCreateToDo);
    frmToDoList = new TfrmToDoList();
    registerApplicationForm(frmToDoList);
    installAppCommands();
}

void destroyForms() {
    setCommandHandler({});
    delete frmSettings;  // clears frmSettings
    // Most recently created first.
    std::vector<QWidget*> forms = applicationForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) delete *it;
    frmClock = nullptr;
    frmCreateToDo = nullptr;
    frmToDoList = nullptr;
    delete DataModule1;
    DataModule1 = nullptr;
}

}  // namespace ostrel
