// Datagrams and name lookups on the system's sockets, on loopback only.

#include <QSignalSpy>
#include <QtTest>

#include <QThread>

#include <memory>
#include <optional>

#include "platform/udp_socket.h"

using namespace ostrel;

class TestUdpSocket : public QObject {
    Q_OBJECT
private slots:
    void dottedAddressesAreParsed_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("address");  // -1: not an address
        QTest::newRow("loopback") << "127.0.0.1" << qint64(0x7f000001);
        QTest::newRow("highest") << "255.255.255.255" << qint64(0xffffffff);
        QTest::newRow("a name") << "pool.ntp.org" << qint64(-1);
        QTest::newRow("a part too large") << "1.2.3.256" << qint64(-1);
        QTest::newRow("three parts") << "1.2.3" << qint64(-1);
        QTest::newRow("IPv6") << "::1" << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
        QTest::newRow("trailing text") << "1.2.3.4 x" << qint64(-1);
    }
    void dottedAddressesAreParsed() {
        QFETCH(QString, text);
        QFETCH(qint64, address);
        const std::optional<Ipv4Address> parsed = parseIpv4(text);
        QCOMPARE(parsed.has_value(), address >= 0);
        if (parsed) QCOMPARE(qint64(*parsed), address);
    }

    // A datagram goes out to an address and port and comes back with the
    // sender's; with nothing waiting, receive() says so at once.
    void datagramsCarryTheirSender() {
        UdpSocket a, b;
        QVERIFY(a.isBound() && b.isBound());
        QVERIFY(a.localPort() != 0 && a.localPort() != b.localPort());
        QVERIFY(!b.receive());
        QSignalSpy ready(&b, &UdpSocket::readyRead);
        QVERIFY(a.sendTo("hello", 0x7f000001, b.localPort()));
        QVERIFY(ready.wait(3000));
        const auto d = b.receive();
        QVERIFY(d);
        QCOMPARE(d->data, QByteArray("hello"));
        QCOMPARE(d->address, Ipv4Address(0x7f000001));
        QCOMPARE(d->port, a.localPort());
        QVERIFY(!b.receive());
    }

    // Names go through the system's resolver off the GUI thread ("localhost"
    // comes from the hosts file: nothing is asked of a name server); the answer
    // comes back on the GUI thread, and never once the lookup was
    // abandoned or its context is gone.
    void lookupsAnswerOnTheGuiThreadUnlessAbandoned() {
        QObject context;
        std::optional<Ipv4Address> got;
        bool answered = false;
        const auto record = [&](std::optional<Ipv4Address> a) {
            QCOMPARE(QThread::currentThread(), qApp->thread());
            answered = true;
            got = a;
        };
        lookupIpv4(QStringLiteral("localhost"), &context, record);
        QTRY_VERIFY_WITH_TIMEOUT(answered, 5000);
        QCOMPARE(got, std::optional<Ipv4Address>(0x7f000001));

        answered = false;
        lookupIpv4(QStringLiteral("127.0.0.2"), &context, record);  // no lookup at all
        QTRY_VERIFY(answered);
        QCOMPARE(got, std::optional<Ipv4Address>(0x7f000002));

        // Abandoned, or its context gone: the answer is dropped.
        bool late = false;
        abandonLookup(lookupIpv4(QStringLiteral("127.0.0.3"), &context, [&](auto) { late = true; }));
        auto gone = std::make_unique<QObject>();
        lookupIpv4(QStringLiteral("127.0.0.4"), gone.get(), [&](auto) { late = true; });
        gone.reset();
        answered = false;
        lookupIpv4(QStringLiteral("127.0.0.5"), &context, record);
        QTRY_VERIFY(answered);
        QVERIFY(!late);
    }
};

QTEST_MAIN(TestUdpSocket)
#include "tst_udp_socket.moc"
