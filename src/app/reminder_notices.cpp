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
    const QString title = params.TaskTitle;
    if (!notifier_.show(key, {caption, title, window->doneText(), window->postponeText()})) return false;
    windows_.insert(key, window);
    // The notification names the amount the window shows now.
    connect(window, &TfrmToDo::postponeAmountChanged, this, [this, key, caption, title] {
        const QPointer<TfrmToDo> w = windows_.value(key);
        if (w && notifier_.showing(key)) notifier_.show(key, {caption, title, w->doneText(), w->postponeText()});
    });
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
