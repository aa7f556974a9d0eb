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
        : QEvent(static_cast<QEvent::Type>(WM_REMINDER_ANSWER)), taskId(taskId), window(window) {}
    // The window's Tag (the task id); the handler reads the window instead.
    const int taskId;
    // The answering window; null once it has been destroyed.
    const QPointer<TfrmToDo> window;
};

class TfrmToDo : public QWidget {
    Q_OBJECT
public:
    explicit TfrmToDo(QWidget* parent = nullptr);
    ~TfrmToDo() override;

    // The time the reminder stands for; a postponement counts from it.
    DateTime TaskTime = 0.0;
    // Where sliding stops (top of the window frame).
    int FinalTop = 0;
    // The task id.
    int Tag = 0;
    // Pixels above the lowest place of the stack (20 per place).
    int Offset = 0;
    // True once an answer has been posted (OK, Enter, Esc or the title
    // bar's close button); a second one is not posted.
    bool AnswerPosted = false;
    // True once the answer has been applied: closing then ends the window.
    bool Answered = false;

    // The largest postpone count offered.
    static constexpr int kMaxPostpone = 9999;

    void FormCreate();
    void rbPostponeClick();
    // Posts the answer; the window stays until the answer is handled.
    void btnOKClick();
    // Chooses "Postpone at" (by the amount shown) and posts the answer.
    void postponeAsShown();
    // One slide step.
    void tmrShowTimer();

    // Sets FinalTop for the window's present frame and returns the left
    // edge of its place at the right side of the primary screen.
    int restingLeft();

protected:
    // Enter answers with the choice made; Esc postpones.
    void keyPressEvent(QKeyEvent* event) override;
    // Closed without an answer (the title bar's close button, the window
    // manager): postponed by the amount shown, as Esc does. While the
    // application is ending it stays unanswered (and comes back at the next
    // start).
    void closeEvent(QCloseEvent* event) override;

private:
    // Filled in and read by the two functions below.
    friend TfrmToDo* ShowReminder(const TTaskParams& Params, const QString& Caption, int Offset);
    friend void HandleReminderAnswer(const TReminderAnswerEvent& event);

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
};

// Creates and shows one reminder window. It takes the lowest free place of
// the stack at the right side of the screen (places 20 pixels apart), so it
// never covers a reminder window still open, whatever pass opened that one.
// The engine's Offset (20 x its cascade index) is not needed for that and
// is not used.
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
