#pragma once
// One global reference per long-lived window, one for the data module and
// one for the reminder engine.
// They are set by start-up in the order below and stay valid until the end
// of the run. Only the application (src/app) and tests use this header; a
// window asks for another one through runCommand (ui/app_commands.h) or a
// signal the application connects.

#include <QWidget>

#include <functional>
#include <vector>

#include "ui/application_forms.h"

namespace ostrel {

class TDataModule1;
class ReminderEngine;
class TfrmClock;
class TfrmSettings;
class TfrmCreateToDo;
class TfrmQuickTask;
class TfrmFind;
class TfrmToDoList;
class TfrmAddressBook;
class TfrmViewPerson;
class TfrmPersonEdit;
class TfrmNewHoliday;
class TfrmHolidayList;
class TfrmPocketBook;
class TfrmSchedule;
class TfrmDayInfo;

extern TDataModule1* DataModule1;
// Made right after the data module, on its connection and stores.
extern ReminderEngine* reminderEngine;
extern TfrmClock* frmClock;
// Made right after the clock window, destroyed before it.
extern TfrmSettings* frmSettings;
extern TfrmCreateToDo* frmCreateToDo;
extern TfrmQuickTask* frmQuickTask;
extern TfrmFind* frmFind;
extern TfrmToDoList* frmToDoList;
extern TfrmAddressBook* frmAddressBook;
extern TfrmViewPerson* frmViewPerson;
extern TfrmPersonEdit* frmPersonEdit;
extern TfrmNewHoliday* frmNewHoliday;
extern TfrmHolidayList* frmHolidayList;
extern TfrmPocketBook* frmPocketBook;
extern TfrmSchedule* frmSchedule;
extern TfrmDayInfo* frmDayInfo;

// The reminder engine on DataModule1: its reminders open reminder windows
// (or the list of further reminders), whose answers it applies.
void createReminderEngine();
// Destroys what createReminderEngine made.
void destroyReminderEngine();
// The holidays list and the holiday editor on DataModule1, wired together.
void createHolidayForms();
// Makes the settings dialog for the clock window and wires the two (the
// clock's Setting command runs the dialog); sets frmSettings.
TfrmSettings* createSettingsDialog(TfrmClock* clock);

// Creates the clock, then the data module, the reminder engine and every
// other window, in the
// fixed order. clockMade, when given, runs as soon as the clock exists
// (start-up shows it there, so that it is on the screen while the rest is
// made); beforeData runs next, before anything opens the database
// (start-up finishes the database's check there).
void createForms(const std::function<void()>& clockMade = {}, const std::function<void()>& beforeData = {});
// Destroys the windows, the most recently created first, then the reminder
// engine and the data module.
void destroyForms();

}  // namespace ostrel
