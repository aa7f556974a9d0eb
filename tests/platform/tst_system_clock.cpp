// Stepping the system clock: the direct path and the time-date service's
// answers, against a stand-in service on a private bus. The real clock is
// never touched (the direct path is a stand-in too).

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QtTest>

#include <cerrno>

#include "platform/system_clock.h"

using namespace ostrel;

namespace {

class FakeTimeDate : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.timedate1")
    Q_PROPERTY(bool NTP READ ntp)
public:
    bool ntp() const { return ntpOn; }

    bool ntpOn = false;
    QString errorName;  // SetTime answers with this error when set
    QList<QVariantList> calls;

public slots:
    void SetTime(qlonglong usec, bool relative, bool interactive) {
        calls.append({usec, relative, interactive});
        if (!errorName.isEmpty()) sendErrorReply(errorName, QStringLiteral("said no"));
    }
};

}  // namespace

class TestSystemClock : public QObject {
    Q_OBJECT

    QProcess daemon_;
    QString address_;

    ClockStepResult stepWith(LinuxClockSetter& setter, qint64 offsetUs) {
        bool called = false;
        ClockStepResult result;
        setter.step(offsetUs, [&](const ClockStepResult& r) {
            result = r;
            called = true;
        });
        if (!QTest::qWaitFor([&] { return called; }, 10000)) qWarning("no answer");
        return result;
    }

private slots:
    void initTestCase() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5000)) QSKIP("dbus-daemon is not available");
        QVERIFY(daemon_.waitForReadyRead(5000));
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        QVERIFY(!address_.isEmpty());
    }
    void cleanupTestCase() {
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }

    void directStepNeedsNoService() {
        qint64 seen = 0;
        LinuxClockSetter setter([&seen](std::int64_t us) { return seen = us, 0; },
                                QDBusConnection::connectToBus(address_, QStringLiteral("direct")));
        QCOMPARE(stepWith(setter, 1250000).status, ClockStepStatus::Done);
        QCOMPARE(seen, qint64(1250000));

        LinuxClockSetter invalid([](std::int64_t) { return EINVAL; }, QDBusConnection(QStringLiteral("none")));
        QCOMPARE(stepWith(invalid, -1).status, ClockStepStatus::Refused);
    }

    void withoutBusOrServiceNothingCanBeDone() {
        LinuxClockSetter noBus([](std::int64_t) { return EPERM; }, QDBusConnection(QStringLiteral("none")));
        QCOMPARE(stepWith(noBus, 1000).status, ClockStepStatus::Unavailable);
        LinuxClockSetter noService([](std::int64_t) { return EPERM; },
                                   QDBusConnection::connectToBus(address_, QStringLiteral("client0")));
        QCOMPARE(stepWith(noService, 1000).status, ClockStepStatus::Unavailable);
    }

    void serviceAnswers_data() {
        QTest::addColumn<bool>("ntp");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("calls");
        QTest::newRow("stepped") << false << QString() << int(ClockStepStatus::Done) << 1;
        QTest::newRow("automatic sync on") << true << QString() << int(ClockStepStatus::AutomaticSync) << 0;
        QTest::newRow("sync switched on meanwhile") << false << "org.freedesktop.timedate1.AutomaticTimeSyncEnabled"
                                                    << int(ClockStepStatus::AutomaticSync) << 1;
        QTest::newRow("not authorised") << false << "org.freedesktop.DBus.Error.AccessDenied"
                                        << int(ClockStepStatus::NoPermission) << 1;
        QTest::newRow("other refusal") << false << "org.freedesktop.DBus.Error.Failed" << int(ClockStepStatus::Refused)
                                       << 1;
    }
    void serviceAnswers() {
        QFETCH(bool, ntp);
        QFETCH(QString, error);
        QFETCH(int, status);
        QFETCH(int, calls);
        static int n = 0;
        ++n;
        QDBusConnection serviceBus = QDBusConnection::connectToBus(address_, QStringLiteral("service%1").arg(n));
        FakeTimeDate service;
        service.ntpOn = ntp;
        service.errorName = error;
        QVERIFY(serviceBus.registerObject(QStringLiteral("/org/freedesktop/timedate1"), &service,
                                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        QVERIFY(serviceBus.registerService(QStringLiteral("org.freedesktop.timedate1")));

        LinuxClockSetter setter([](std::int64_t) { return EPERM; },
                                QDBusConnection::connectToBus(address_, QStringLiteral("client%1").arg(n)));
        const ClockStepResult r = stepWith(setter, -750000);
        QCOMPARE(int(r.status), status);
        QCOMPARE(service.calls.size(), calls);
        if (calls) QCOMPARE(service.calls[0], (QVariantList{qlonglong(-750000), true, true}));
        if (status == int(ClockStepStatus::Refused)) QCOMPARE(r.detail, QStringLiteral("said no"));

        serviceBus.unregisterService(QStringLiteral("org.freedesktop.timedate1"));
        serviceBus.unregisterObject(QStringLiteral("/org/freedesktop/timedate1"));
        QDBusConnection::disconnectFromBus(serviceBus.name());
    }
};

QTEST_MAIN(TestSystemClock)
#include "tst_system_clock.moc"
