#pragma once
// What a window may ask of the rest of the program without knowing the
// other windows. The application (src/app/app_commands.cpp) implements the
// handler; until one is installed the requests do nothing.

#include <cstdint>
#include <functional>

namespace ostrel {

enum class AppCommand {
    NewTask,            // the task editor for a new task
    QuickTask,          // one typed line that becomes a task
    ShowToDoList,       // the to-do list
    NewHoliday,         // the holiday editor for a new holiday
    ShowHolidayList,    // the holidays list
    ShowSchedule,       // the day schedule
    ShowAddressBook,    // the address book
    ShowPocketBook,     // the pocket book
    InternetTime,       // Internet time correction
    ShowSettings,       // the settings dialog
    BackUpNow,          // a backup copy now
    RestoreFromBackup,  // choose a backup copy and restore it
    ImportCalendar,     // an iCalendar file into the tasks, holidays and plans
    ExportCalendar,     // the tasks, holidays and plans into an iCalendar file
    ImportContacts,     // a vCard file into the address book
    ExportContacts,     // the address book into a vCard file
    Find,               // the search window
};

void runCommand(AppCommand command);
void setCommandHandler(std::function<void(AppCommand)> handler);

// One stored thing opened in its own window (a found item): a task in the
// task editor, a plan in the schedule on its day, a holiday in its editor,
// a contact in the contact viewer, the notes in the pocket book.
enum class AppItem { Task, Plan, Holiday, Contact, Notes };
void openItem(AppItem item, std::int64_t id);
void setItemHandler(std::function<void(AppItem, std::int64_t)> handler);

// The task editor for a new task on day (a date; the time of day is the
// present's).
void newTaskOn(double day);
void setNewTaskOnHandler(std::function<void(double)> handler);

// Asks the program to end: the run loop ends at once if it runs, or as soon
// as start-up reaches it (OstrelApplication reads the request).
void requestTerminate();
bool terminateRequested();

}  // namespace ostrel
