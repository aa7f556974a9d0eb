#pragma once
// "Quick task...": one line ("Dentist tomorrow 9:00") becomes a task. What
// was understood is shown below the line while typing; what was not is
// said there, and Save stays off until the line names a task with a title
// and a moment still ahead (core/time/quick_add.h has the reading rules).
// The line is read in the current language.

#include <QDialog>

#include <functional>

#include "core/time/quick_add.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace ostrel {

class TaskStore;

class TfrmQuickTask : public QDialog {
    Q_OBJECT
public:
    // The task store announces the saved task's reminder time.
    explicit TfrmQuickTask(TaskStore& tasks, QWidget* parent = nullptr);

    // An empty line, shown and focused.
    void OpenForNewTask();
    // Reads the line again at the present; stores the task and hides the
    // window when it is one. False when nothing was stored.
    bool save();

    // The text shown below the line for a reading.
    static QString describe(const QuickAddResult& result);
    static QuickAddLanguage lineLanguage();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void lineChanged();

    TaskStore& tasks_;
    QLabel* lbLine = nullptr;
    QLineEdit* edLine = nullptr;
    QLabel* lbUnderstood = nullptr;
    QPushButton* bbOK = nullptr;
    QPushButton* bbCancel = nullptr;
};

}  // namespace ostrel
