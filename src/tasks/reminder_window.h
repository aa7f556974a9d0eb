#pragma once
// The reminder window: one small always-on-top window per due task, sliding
// up at the right edge of the primary screen. The user answers "Done" or
// "Postpone at" a count of units; OK posts the answer (a
// TReminderAnswerEvent) to reminderAnswerReceiver(), which applies it through
// the reminder engine and destroys the window.

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

#include <cstdint>

#include "core/data/period.h"
#include "core/time/datetime.h"
#include "data/task_params.h"

namespace ostrel {

// The event type of a reminder's answer, posted to reminderAnswerReceiver().
inline constexpr QEvent::Type kReminderAnswerEvent = static_cast<QEvent::Type>(QEvent::User + 104);

class TfrmToDo;
class ReminderEngine;

// A reminder's answer, as the window had it when OK was pressed.
class TReminderAnswerEvent : public QEvent {
public:
    TReminderAnswerEvent(TfrmToDo* window, std::int32_t taskId, DateTime taskTime, bool postpone, int count,
                         PeriodUnit unit)
        : QEvent(kReminderAnswerEvent),
          window(window),
          taskId(taskId),
          taskTime(taskTime),
          postpone(postpone),
          count(count),
          unit(unit) {}
    // The answering window; null once it has been destroyed.
    const QPointer<TfrmToDo> window;
    // The task and the time the reminder stands for.
    const std::int32_t taskId;
    const DateTime taskTime;
    // "Postpone at" count units; otherwise "Done".
    const bool postpone;
    const int count;
    const PeriodUnit unit;
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
    // The task the reminder is for.
    std::int32_t taskId() const { return taskId_; }
    // The place of the stack the window takes: 0 the lowest, each 20 pixels
    // above the one below.
    int stackPlace() const { return stackPlace_; }
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
    // Chooses "Done" and posts the answer.
    void doneAsShown();
    // The two answers as the window shows them now ("Done"; "Again in" with
    // the count and the unit), for the same answers given elsewhere.
    QString doneText() const;
    QString postponeText() const;
    // One slide step.
    void tmrShowTimer();

    // Sets FinalTop for the window's present frame and returns the left
    // edge of its place at the right side of the primary screen.
    int restingLeft();

signals:
    // The postponement's count or unit changed (postponeText() with it).
    void postponeAmountChanged();

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
    friend TfrmToDo* ShowReminder(const TTaskParams& params, const QString& caption);
    friend void HandleReminderAnswer(ReminderEngine& engine, const TReminderAnswerEvent& event);

    std::int32_t taskId_ = 0;
    int stackPlace_ = 0;

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
TfrmToDo* ShowReminder(const TTaskParams& params, const QString& caption);

// Applies a reminder's answer through the engine, then closes and destroys
// the window. When the answer cannot be stored (a locked database) the
// window stays (shown again) to be answered once more, and the error passes
// on.
void HandleReminderAnswer(ReminderEngine& engine, const TReminderAnswerEvent& event);

// Takes the answers posted by reminder windows and applies them
// (HandleReminderAnswer; an error goes to the default error display).
class ReminderAnswers : public QObject {
public:
    explicit ReminderAnswers(ReminderEngine& engine, QObject* parent = nullptr);

protected:
    void customEvent(QEvent* event) override;

private:
    ReminderEngine& engine_;
};

// Where reminder windows post their answers: set by the application (a
// ReminderAnswers) or by a test; null, OK posts nothing.
QObject* reminderAnswerReceiver();
void setReminderAnswerReceiver(QObject* receiver);

}  // namespace ostrel
