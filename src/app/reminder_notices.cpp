#include "app/reminder_notices.h"

#include "tasks/reminder_window.h"
#include "ui/guarded.h"
#include "ui/reminder_settings.h"

namespace ostrel {

ReminderNotices::ReminderNotices(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), notifier_(bus, this) {
    connect(&notifier_, &DesktopNotifier::doneRequested, this, [this](std::int64_t key) { answer(key, false); });
    connect(&notifier_, &DesktopNotifier::postponeRequested, this, [this](std::int64_t key) { answer(key, true); });
}

bool ReminderNotices::windowShown(TfrmToDo* window, const TTaskParams& params, const QString& caption) {
    if (!window || !reminderNotifyOn()) return false;
    const std::int64_t key = ++lastKey_;
    if (!notifier_.show(key, {caption, params.TaskTitle, window->doneText(), window->postponeText()})) return false;
    windows_.insert(key, window);
    connect(window, &QObject::destroyed, this, [this, key] {
        windows_.remove(key);
        notifier_.withdraw(key);
    });
    return true;
}

void ReminderNotices::answer(std::int64_t key, bool postpone) {
    const QPointer<TfrmToDo> window = windows_.value(key);
    if (!window) return;
    runGuarded([&] {
        if (postpone) window->postponeAsShown();
        else window->doneAsShown();
    });
}

}  // namespace ostrel
