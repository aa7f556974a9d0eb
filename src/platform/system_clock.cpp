#include "platform/system_clock.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <cerrno>
#include <cstring>

namespace ostrel {

namespace {

const QString kService = QStringLiteral("org.freedesktop.timedate1");
const QString kPath = QStringLiteral("/org/freedesktop/timedate1");
const QString kInterface = QStringLiteral("org.freedesktop.timedate1");

int stepRealtimeClock(std::int64_t offsetUs) {
    timespec now{};
    if (clock_gettime(CLOCK_REALTIME, &now) != 0) return errno;
    constexpr std::int64_t kNs = 1000000000;
    const std::int64_t total = static_cast<std::int64_t>(now.tv_sec) * kNs + now.tv_nsec + offsetUs * 1000;
    if (total < 0) return EINVAL;
    timespec target{};
    target.tv_sec = static_cast<time_t>(total / kNs);
    target.tv_nsec = static_cast<long>(total % kNs);
    return clock_settime(CLOCK_REALTIME, &target) == 0 ? 0 : errno;
}

ClockStepResult fromDBusError(const QDBusError& error) {
    const QString name = error.name();
    const QString text = error.message().isEmpty() ? name : error.message();
    if (name == QLatin1String("org.freedesktop.timedate1.AutomaticTimeSyncEnabled"))
        return {ClockStepStatus::AutomaticSync, text};
    if (name == QLatin1String("org.freedesktop.DBus.Error.AccessDenied") ||
        name == QLatin1String("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired") ||
        name == QLatin1String("org.freedesktop.DBus.Error.AuthFailed"))
        return {ClockStepStatus::NoPermission, text};
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
        name == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
        name == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
        name == QLatin1String("org.freedesktop.DBus.Error.Disconnected"))
        return {ClockStepStatus::Unavailable, text};
    return {ClockStepStatus::Refused, text};
}

using Done = std::function<void(const ClockStepResult&)>;

void callAsync(QDBusConnection bus, const QDBusMessage& message, int timeoutMs,
               std::function<void(const QDBusMessage&)> onReply) {
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, timeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [onReply = std::move(onReply)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         onReply(w->reply());
                     });
}

}  // namespace

LinuxClockSetter::LinuxClockSetter() : direct_(&stepRealtimeClock), bus_(QDBusConnection::systemBus()) {}

LinuxClockSetter::LinuxClockSetter(DirectSetter direct, QDBusConnection bus)
    : direct_(std::move(direct)), bus_(std::move(bus)) {}

void LinuxClockSetter::step(std::int64_t offsetUs, Done done) {
    const int err = direct_ ? direct_(offsetUs) : EPERM;
    if (err == 0) {
        done({ClockStepStatus::Done, {}});
        return;
    }
    if (err != EPERM && err != EACCES) {
        done({ClockStepStatus::Refused, QString::fromLocal8Bit(std::strerror(err))});
        return;
    }
    if (!bus_.isConnected()) {
        done({ClockStepStatus::Unavailable, bus_.lastError().message()});
        return;
    }

    // A service that synchronises the clock itself refuses manual steps;
    // say so before asking the user for a password.
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("NTP");
    const QDBusConnection bus = bus_;
    const int timeout = callTimeoutMs;
    callAsync(bus, get, 10000, [bus, timeout, offsetUs, done](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage) {
            done(fromDBusError(QDBusError(reply)));
            return;
        }
        const QVariant ntp = reply.arguments().value(0).value<QDBusVariant>().variant();
        if (ntp.toBool()) {
            done({ClockStepStatus::AutomaticSync, {}});
            return;
        }
        QDBusMessage set = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("SetTime"));
        set << static_cast<qlonglong>(offsetUs) << true /* relative */ << true /* interactive */;
        set.setInteractiveAuthorizationAllowed(true);
        callAsync(bus, set, timeout, [done](const QDBusMessage& answer) {
            if (answer.type() == QDBusMessage::ErrorMessage) done(fromDBusError(QDBusError(answer)));
            else done({ClockStepStatus::Done, {}});
        });
    });
}

namespace {
SystemClockSetter* g_replacement = nullptr;
}

SystemClockSetter& systemClockSetter() {
    if (g_replacement) return *g_replacement;
    static LinuxClockSetter real;
    return real;
}

SystemClockSetter* setSystemClockSetter(SystemClockSetter* setter) {
    SystemClockSetter* previous = g_replacement;
    g_replacement = setter;
    return previous;
}

}  // namespace ostrel
