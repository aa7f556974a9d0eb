#pragma once
// The task editor: creates a task or changes one (editedTaskId() 0: a new
// task, OK inserts; otherwise the TDID of the task being edited).

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>

#include "core/time/datetime.h"
#include "data/task_store.h"

#include <cstdint>

namespace ostrel {

class TfrmCreateToDo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCreateToDo(TaskStore& tasks, QWidget* parent = nullptr);

    // The task being edited; 0 for a new one.
    std::int32_t editedTaskId() const { return taskId_; }

    // Shows the editor for a new task (the "To do" command): no task, empty
    // description, one hour of active time, exact time, no repetition.
    void OpenForNewTask();
    // The same with the date field on day (its time of day stays the present's).
    void OpenForNewTaskOn(DateTime day);
    // Shows the editor with the fields of an existing task.
    void OpenForTask(int taskId);

    void rbAfterWinLoadClick();
    void chbRepeatEveryClick();
    // Validates and saves. Returns true when the task was saved.
    bool bbOKClick();
    void bbCancelClick();

    // The time field's value as a day fraction (always a valid time).
    double timeFieldValue() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TaskStore& tasks_;
    std::int32_t taskId_ = 0;
    QLabel* lbTitle;
    QLineEdit* edTitle;
    QFrame* Bevel1;
    QRadioButton* rbAtTime;
    QTimeEdit* dtpToDoTime;  // HH:mm:ss
    QDateEdit* dtpToDoDate;
    QRadioButton* rbAfterWinLoad;
    QSpinBox* spAfterWinLoad;
    QComboBox* cbAfterWinLoading;
    QLabel* lbAfterWinLoading;
    QFrame* Bevel3;
    QCheckBox* chbRepeatEvery;
    QSpinBox* seRepeatEvery;
    QComboBox* cbRepeatEvery;
    QFrame* Bevel2;
    QLabel* lbIfMess;
    QLabel* lbDontShow;
    QSpinBox* seActiveTime;
    QComboBox* cbActiveTime;
    QLabel* lbDescription;
    QPlainTextEdit* memComment;
    QPushButton* bbOK;
    QPushButton* bbCancel;

    void FormShow();
    void setEnabledStates();
    // The date and time the fields showed when the window opened; a new
    // task saved with them untouched is not refused for lying in the past
    // (a second after opening it does).
    double shownDefaultDue_ = -1.0;
    double fieldsDue() const;
};

// Minutes or hours for a stored after-start-up delay (a day fraction).
struct DelayChoice {
    int count;
    bool hours;
};
DelayChoice delayFromDayFraction(double firstDT);

// The one task editor, created by the application; other windows of this
// area open it through this reference.
extern TfrmCreateToDo* frmCreateToDo;

}  // namespace ostrel
