// Reminder notifications against a stand-in notifications service on a
// private session bus: what is shown, the "Done" and "Postpone" actions
// coming back for the right reminder, other programs' notifications and
// closed ones ignored, withdrawing, and no service at all.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QtTest>

#include "platform/desktop_notifier.h"

using namespace ostrel;

namespace {

class FakeNotifications : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        uint replaces;
        QString summary, body;
        QStringList actions;
    };
    QList<Shown> shown;
    QList<uint> closed;
    uint next = 7;

public slots:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        shown.append({replaces, summary, body, actions});
        return replaces ? replaces : next++;
    }
    void CloseNotification(uint id) { closed.append(id); }
};

}  // namespace

class TestDesktopNotifier : public QObject {
    Q_OBJECT
    QProcess daemon_;
    QString address_;
    int n_ = 0;

    void emitSignal(QDBusConnection& bus, const QString& name, const QVariantList& args) {
        QDBusMessage s = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                    QStringLiteral("org.freedesktop.Notifications"), name);
        s.setArguments(args);
        QVERIFY(bus.send(s));
    }

private slots:
    void initTestCase() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5000)) QSKIP("dbus-daemon is not available");
        QVERIFY(daemon_.waitForReadyRead(5000));
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    void cleanupTestCase() {
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }

    void withoutAServiceNothingIsShown() {
        DesktopNotifier none(QDBusConnection(QStringLiteral("none")));
        QVERIFY(!none.available());
        QVERIFY(!none.show(1, {}));
        DesktopNotifier noService(QDBusConnection::connectToBus(address_, QStringLiteral("client-none")));
        QVERIFY(!noService.available());
        QVERIFY(!noService.show(1, {}));
    }

    void actionsComeBackForTheirReminder() {
        ++n_;
        QDBusConnection serviceBus = QDBusConnection::connectToBus(address_, QStringLiteral("service%1").arg(n_));
        FakeNotifications service;
        QVERIFY(serviceBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(serviceBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

        DesktopNotifier notifier(QDBusConnection::connectToBus(address_, QStringLiteral("client%1").arg(n_)));
        QVERIFY(notifier.available());
        QSignalSpy done(&notifier, &DesktopNotifier::doneRequested);
        QSignalSpy postponed(&notifier, &DesktopNotifier::postponeRequested);

        QVERIFY(notifier.show(41, {QStringLiteral("Reminder"), QStringLiteral("Dentist"), QStringLiteral("Done"),
                                   QStringLiteral("Postpone")}));
        QVERIFY(notifier.show(42, {QStringLiteral("Birthday"), QStringLiteral("Ann Smith"), QStringLiteral("Done"),
                                   QStringLiteral("Postpone")}));
        QTRY_VERIFY(notifier.showing(41) && notifier.showing(42));
        QCOMPARE(service.shown.size(), 2);
        QCOMPARE(service.shown[0].summary, QStringLiteral("Reminder"));
        QCOMPARE(service.shown[0].body, QStringLiteral("Dentist"));
        QCOMPARE(service.shown[0].actions, (QStringList{"done", "Done", "postpone", "Postpone"}));
        QCOMPARE(service.shown[1].body, QStringLiteral("Ann Smith"));

        // Another program's notification, then the two answers (signals of
        // one sender arrive in order).
        emitSignal(serviceBus, QStringLiteral("ActionInvoked"), {uint(99), QStringLiteral("done")});
        emitSignal(serviceBus, QStringLiteral("ActionInvoked"), {uint(8), QStringLiteral("postpone")});
        emitSignal(serviceBus, QStringLiteral("ActionInvoked"), {uint(7), QStringLiteral("done")});
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(done[0][0].value<std::int64_t>(), std::int64_t{41});
        QCOMPARE(postponed.size(), 1);
        QCOMPARE(postponed[0][0].value<std::int64_t>(), std::int64_t{42});
        QVERIFY(!notifier.showing(41) && !notifier.showing(42));

        // Shown again for the same reminder: replaced, not doubled.
        QVERIFY(notifier.show(43, {QStringLiteral("Reminder"), QStringLiteral("Call"), {}, {}}));
        QTRY_VERIFY(notifier.showing(43));
        QVERIFY(notifier.show(43, {QStringLiteral("Reminder"), QStringLiteral("Call"), {}, {}}));
        QTRY_COMPARE(service.shown.size(), 4);
        QCOMPARE(service.shown[3].replaces, uint(9));
        QVERIFY(notifier.show(44, {QStringLiteral("Reminder"), QStringLiteral("Tea"), {}, {}}));
        QTRY_VERIFY(notifier.showing(44));

        // Answered already, or closed by the user: its action no longer
        // counts. The last signal shows that the earlier ones have arrived.
        emitSignal(serviceBus, QStringLiteral("ActionInvoked"), {uint(7), QStringLiteral("done")});
        emitSignal(serviceBus, QStringLiteral("NotificationClosed"), {uint(9), uint(2)});
        emitSignal(serviceBus, QStringLiteral("ActionInvoked"), {uint(9), QStringLiteral("done")});
        emitSignal(serviceBus, QStringLiteral("ActionInvoked"), {uint(10), QStringLiteral("postpone")});
        QTRY_COMPARE(postponed.size(), 2);
        QCOMPARE(postponed[1][0].value<std::int64_t>(), std::int64_t{44});
        QCOMPARE(done.size(), 1);
        QVERIFY(!notifier.showing(43));

        // Answered in its window: the notification is taken back, once.
        QVERIFY(notifier.show(45, {QStringLiteral("Reminder"), QStringLiteral("Walk"), {}, {}}));
        QTRY_VERIFY(notifier.showing(45));
        notifier.withdraw(45);
        notifier.withdraw(45);
        QVERIFY(!notifier.showing(45));
        QVERIFY(notifier.show(46, {QStringLiteral("Reminder"), QStringLiteral("Read"), {}, {}}));
        QTRY_COMPARE(service.shown.size(), 7);
        QCOMPARE(service.closed, QList<uint>{11});

        // Withdrawn before the service answered the show: closed as soon as
        // its id is known, never left on the screen.
        QVERIFY(notifier.show(47, {QStringLiteral("Reminder"), QStringLiteral("Call"), {}, {}}));
        notifier.withdraw(47);
        QTRY_COMPARE(service.closed.size(), 2);
        QCOMPARE(service.closed.last(), service.next - 1);
        QVERIFY(!notifier.showing(47));

        serviceBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        serviceBus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(serviceBus.name());
    }
};

QTEST_MAIN(TestDesktopNotifier)
#include "tst_desktop_notifier.moc"
