#include "platform/desktop_notifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace ostrel {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDone = QStringLiteral("done");
const QString kPostpone = QStringLiteral("postpone");
}  // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {
    setObjectName(QStringLiteral("DesktopNotifier"));
    if (!bus_.isConnected()) return;
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(onActionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
}

bool DesktopNotifier::available() const {
    return bus_.isConnected() && bus_.interface() && bus_.interface()->isServiceRegistered(kService).value();
}

bool DesktopNotifier::show(std::int64_t key, const Notice& notice) {
    if (!available()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const uint replaces = ids_.value(key, 0);
    call << QStringLiteral("Ostrel Organizer") << replaces << QString() << notice.summary << notice.body
         << QStringList{kDone, notice.doneText, kPostpone, notice.postponeText} << QVariantMap{} << int(-1);
    const int sent = ++showsSent_[key];
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key, sent](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError() || reply.value() == 0) return;
        if (withdrawnUpTo_.value(key, 0) >= sent) {
            // Withdrawn before the service answered: closed now that its id
            // is known, never left on the screen.
            closeNotification(reply.value());
            return;
        }
        if (const uint old = ids_.value(key, 0); old != 0) keys_.remove(old);
        keys_.insert(reply.value(), key);
        ids_.insert(key, reply.value());
    });
    return true;
}

void DesktopNotifier::withdraw(std::int64_t key) {
    if (showsSent_.contains(key)) withdrawnUpTo_[key] = showsSent_.value(key);
    const uint id = ids_.take(key);
    if (id == 0) return;
    keys_.remove(id);
    closeNotification(id);
}

void DesktopNotifier::closeNotification(uint id) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
    call << id;
    bus_.asyncCall(call);
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    if (!keys_.contains(id)) return;  // another program's notification
    const std::int64_t key = keys_.take(id);
    ids_.remove(key);
    if (action == kDone) emit doneRequested(key);
    else if (action == kPostpone) emit postponeRequested(key);
}

void DesktopNotifier::onClosed(uint id, uint) {
    // Dismissed or expired: the reminder window still stands for it.
    if (keys_.contains(id)) ids_.remove(keys_.take(id));
}

}  // namespace ostrel
