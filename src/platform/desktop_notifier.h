#pragma once
// Desktop notifications (the freedesktop Notifications service on the
// session bus) for reminders: a summary, a body and two actions, "Done" and
// "Postpone". An action, or the notification's closing, comes back with the
// key the notification was shown for. Nothing here blocks: the service is
// called asynchronously, and without a service nothing is shown.

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

#include <cstdint>

namespace ostrel {

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);

    // Whether a notifications service holds its name on the bus now.
    bool available() const;

    struct Notice {
        QString summary;  // the reminder's caption
        QString body;     // the task's title (a birthday: the contact's name)
        QString doneText;
        QString postponeText;
    };
    // Shows the notice for key; a notice still shown for the same key is
    // replaced. False when there is no service.
    bool show(std::int64_t key, const Notice& notice);
    // Takes back the notice of key (answered in its window meanwhile).
    void withdraw(std::int64_t key);
    // Whether the service shows a notice of key that has not been answered
    // or closed.
    bool showing(std::int64_t key) const { return ids_.contains(key); }

signals:
    void doneRequested(std::int64_t key);
    void postponeRequested(std::int64_t key);

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    QHash<uint, std::int64_t> keys_;        // notification id -> key
    QHash<std::int64_t, uint> ids_;         // key -> notification id
    // Shows asked for per key, and how many of them a withdraw covers (a
    // show whose answer comes after its withdraw is closed at once).
    QHash<std::int64_t, int> showsSent_;
    QHash<std::int64_t, int> withdrawnUpTo_;
    void closeNotification(uint id);
};

}  // namespace ostrel
