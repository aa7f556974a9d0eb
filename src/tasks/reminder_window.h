#pragma once
// The reminder window: one small always-on-top window per due task, sliding
// up at the right edge of the primary screen. The user answers "Done" or
// "Postpone at" a count of units; OK posts the answer to
// reminderAnswerReceiver(), which applies it and destroys the window.

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

#include "core/time/datetime.h"
#include "data/task_params.h"

namespace ostrel {

// The event type of a reminder's answer, posted to reminderAnswerReceiver().
inline constexpr int WM_REMINDER_ANSWER = 1104;

class TfrmToDo;

class TReminderAnswerEvent : public QEvent {
public:
    TReminderAnswerEvent(int taskId, TfrmToDo* window)
        : QEvent(static_cast<QEvent::Type>(WM_REMINDER_ANSWER)), wParam(taskId), lParam(window) {}
    // The window's Tag (the task id); the handler reads the window instead.
    const int wParam;
    // The answering window; null once it has been destroyed.
    const QPointer<TfrmToDo> lParam;
};

class TfrmToDo : public QWidget {
    Q_OBJECT
public:
    explicit TfrmToDo(QWidget* parent = nullptr);
    ~TfrmToDo() override;

    QLabel* lbTitle = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblTaskTime = nullptr;
    QLabel* lbTaskTime = nullptr;
    QLabel* lbDescript = nullptr;
    QPlainTextEdit* memDescript = nullptr;
    QFrame* Bevel1 = nullptr;
    QRadioButton* rbDone = nullptr;
    QRadioButton* rbPostpone = nullptr;
    QSpinBox* sePostpone = nullptr;
    QComboBox* cbPostpone = nullptr;
    QFrame* Bevel2 = nullptr;
    QPushButton* btnOK = nullptr;
    QTimer* tmrShow = nullptr;

    // The time the reminder stands for; a postponement counts from it.
    DateTime TaskTime = 0.0;
    // Where sliding stops (top of the window frame).
    int FinalTop = 0;
    // The task id.
    int Tag = 0;
    // Pixels above the first window of the pass.
    int Offset = 0;

    // The largest postpone count offered.
    static constexpr int kMaxPostpone = 9999;

    void FormCreate();
    void rbPostponeClick();
    // Posts the answer; the window stays until the answer is handled.
    void btnOKClick();
    // One slide step.
    void tmrShowTimer();

    // Sets FinalTop for the window's present frame and returns the left
    // edge of its place at the right side of the primary screen.
    int restingLeft();
};

// Creates and shows one reminder window, Offset pixels higher than the first
// of its pass.
TfrmToDo* ShowReminder(const TTaskParams& Params, const QString& Caption, int Offset);

// The handling of a reminder's answer: applies "Postpone at" through the
// engine, then closes and destroys the window.
void HandleReminderAnswer(const TReminderAnswerEvent& event);

// Where answers are posted: an object of this area that applies them
// (HandleReminderAnswer; an error goes to the default error display),
// unless a test sets another.
QObject* reminderAnswerReceiver();
void setReminderAnswerReceiver(QObject* receiver);

}  // namespace ostrel
