#pragma once
// Reminders beyond the first few windows. Each due reminder opens its own
// window (reminder_window.h) until kMaxReminderWindows of them are open at
// once; the rest are gathered in ONE list window, where each can still be
// answered with "Done" or "Again in" a count of units, as in a reminder
// window. A flood of due reminders (a thousand tasks due at one start) so
// costs a few rows of a table instead of a thousand windows.

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QWidget>

#include "core/time/datetime.h"
#include "data/task_params.h"

namespace ostrel {

class ReminderEngine;

// Reminder windows open at once before the rest go to the list window.
inline constexpr int kMaxReminderWindows = 20;

class ReminderListWindow : public QWidget {
    Q_OBJECT
public:
    // Answers go to the task through engine.
    explicit ReminderListWindow(ReminderEngine& engine, QWidget* parent = nullptr);

    // One row per reminder: title, task time, caption (what kind of
    // reminder it is); the task id and task time in the first item's data.

    // Adds a row (nothing when the same task and time is listed already).
    void addReminder(const TTaskParams& params, const QString& caption);
    int reminderCount() const { return grReminders->rowCount(); }
    // The task id and time of a row.
    int taskIdAt(int row) const;
    DateTime taskTimeAt(int row) const;

    // OK: applies the chosen answer to every selected row through the
    // reminder engine and removes the rows answered. The window closes when no row
    // is left. A failure stops there: the rows not answered stay.
    void btnOKClick();

    // Bottom right of the primary screen, beside the reminder windows.
    void placeOnScreen();

private:
    ReminderEngine& engine_;
    QLabel* lbInfo = nullptr;
    QTableWidget* grReminders = nullptr;
    QRadioButton* rbDone = nullptr;
    QRadioButton* rbPostpone = nullptr;
    QSpinBox* sePostpone = nullptr;
    QComboBox* cbPostpone = nullptr;
    QPushButton* btnOK = nullptr;

    void choiceChanged();
    void selectionChanged();
};

// How many reminder windows are open now.
int openReminderWindowCount();

// The list window while it exists (it is created by the first reminder that
// finds kMaxReminderWindows windows open, and destroyed when its last row
// is answered).
ReminderListWindow* reminderListWindow();

// Opens a reminder window, or adds the reminder to the list window (which
// answers through engine) when kMaxReminderWindows reminder windows are open
// already. Returns the window opened; null when the list took it.
class TfrmToDo;
TfrmToDo* ShowReminderOrList(ReminderEngine& engine, const TTaskParams& params, const QString& caption);

}  // namespace ostrel
