#pragma once
// Reminder windows shown also as desktop notifications. While Notify
// ([Reminders], ui/reminder_settings.h) is on and a notifications service
// answers, each reminder window gets a notification: the reminder's caption
// as its summary, the task's title as its body. Its "Done" and "Postpone"
// actions answer the window as its own controls do (postponed by the amount
// the window shows), so the answer takes the window's path and the window
// closes. A window answered (or closed) takes its notification back.

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>

#include "data/task_params.h"
#include "platform/desktop_notifier.h"

namespace ostrel {

class TfrmToDo;

class ReminderNotices : public QObject {
    Q_OBJECT
public:
    explicit ReminderNotices(const QDBusConnection& bus, QObject* parent = nullptr);

    // Whether a notifications service answers now.
    bool serviceAnswers() const { return notifier_.available(); }

    // A reminder window was opened for params with this caption: shows its
    // notification when Notify is on. False when none is shown.
    bool windowShown(TfrmToDo* window, const TTaskParams& params, const QString& caption);

    DesktopNotifier& notifier() { return notifier_; }

private:
    void answer(std::int64_t key, bool postpone);

    DesktopNotifier notifier_;
    std::int64_t lastKey_ = 0;
    QHash<std::int64_t, QPointer<TfrmToDo>> windows_;
};

}  // namespace ostrel
