#pragma once
// Stand-ins for the Internet time correction: an SNTP server on 127.0.0.1
// that answers every request with chosen datagrams, a name resolver that
// answers from a table (or never), and a clock setter that records the
// steps instead of moving the real clock.

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

#include <map>
#include <memory>
#include <vector>

#include "core/timesync/sntp.h"
#include "platform/system_clock.h"
#include "timesync/sntp_client.h"

namespace ostrel::testing {

// One datagram the server sends for each request it gets.
struct FakeReply {
    qint64 offsetMs = 0;  // the server's clock against the client's
    int leap = 0;
    int version = 4;
    int mode = 4;
    int stratum = 2;
    int length = 48;           // cut or padded with zeros
    int delayMs = 0;           // sent this long after the request came
    bool wrongOrigin = false;  // originate is not the client's transmit time
    bool echo = false;         // the request sent back as it came
    bool fromOtherPort = false;
    bool zeroTransmit = false;
};

class FakeSntpServer {
public:
    FakeSntpServer() {
        socket_.bind(QHostAddress(QHostAddress::LocalHost), 0);
        other_.bind(QHostAddress(QHostAddress::LocalHost), 0);
        QObject::connect(&socket_, &QUdpSocket::readyRead, &socket_, [this] { serve(); });
    }
    FakeSntpServer(std::vector<FakeReply> r) : FakeSntpServer() { replies = std::move(r); }

    quint16 port() const { return socket_.localPort(); }
    // The entry for the settings' server list.
    QString entry() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    std::vector<FakeReply> replies{FakeReply{}};  // empty: the server stays silent
    int requests = 0;
    QByteArray lastRequest;

private:
    void serve() {
        while (socket_.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket_.receiveDatagram();
            ++requests;
            lastRequest = d.data();
            for (const FakeReply& r : replies) {
                QUdpSocket* from = r.fromOtherPort ? &other_ : &socket_;
                const QByteArray bytes = answer(d.data(), r);
                const QHostAddress to = d.senderAddress();
                const quint16 toPort = static_cast<quint16>(d.senderPort());
                auto send = [from, bytes, to, toPort] { from->writeDatagram(bytes, to, toPort); };
                if (r.delayMs > 0) QTimer::singleShot(r.delayMs, &socket_, send);
                else send();
            }
        }
    }

    static void put(QByteArray& p, int at, NtpTimestamp t) {
        for (int i = 0; i < 4; ++i) {
            p[at + i] = static_cast<char>(t.seconds >> (24 - 8 * i));
            p[at + 4 + i] = static_cast<char>(t.fraction >> (24 - 8 * i));
        }
    }

    static QByteArray answer(const QByteArray& request, const FakeReply& r) {
        if (r.echo) return request;
        const auto* q = reinterpret_cast<const std::uint8_t*>(request.constData());
        NtpTimestamp t1{};
        if (request.size() >= 48) {
            t1.seconds =
                (std::uint32_t{q[40]} << 24) | (std::uint32_t{q[41]} << 16) | (std::uint32_t{q[42]} << 8) | q[43];
            t1.fraction =
                (std::uint32_t{q[44]} << 24) | (std::uint32_t{q[45]} << 16) | (std::uint32_t{q[46]} << 8) | q[47];
        }
        const NtpTimestamp t2 = ntpFromUnixMs(unixMsFromNtp(t1) + r.offsetMs);
        QByteArray p(48, '\0');
        p[0] = static_cast<char>((r.leap << 6) | (r.version << 3) | r.mode);
        p[1] = static_cast<char>(r.stratum);
        NtpTimestamp origin = t1;
        if (r.wrongOrigin) origin.fraction ^= 0x00100000u;  // same millisecond, other bits
        put(p, 24, origin);
        put(p, 32, t2);
        put(p, 40, r.zeroTransmit ? NtpTimestamp{} : t2);
        p.resize(r.length, '\0');
        return p;
    }

    QUdpSocket socket_;
    QUdpSocket other_;
};

// Answers from a table: a listed name gets its address; a name in
// `hanging` never gets an answer; anything else has no address.
class FakeResolver final : public HostResolver {
public:
    int lookup(const QString& host, QObject* context, std::function<void(std::optional<Ipv4Address>)> done) override {
        asked << host;
        const int id = nextId_++;
        if (hanging.contains(host)) return id;
        const std::optional<Ipv4Address> address = addresses.count(host) ? parseIpv4(addresses[host]) : std::nullopt;
        QTimer::singleShot(0, context, [done, address] { done(address); });
        return id;
    }
    void abort(int) override { ++aborted; }

    std::map<QString, QString> addresses;
    QStringList hanging;
    QStringList asked;
    int aborted = 0;

private:
    int nextId_ = 1;
};

// Records the steps; answers with `result`.
class FakeClockSetter final : public SystemClockSetter {
public:
    void step(std::int64_t offsetUs, std::function<void(const ClockStepResult&)> done) override {
        steps.push_back(offsetUs);
        done(result);
    }
    std::vector<std::int64_t> steps;
    ClockStepResult result;
};

}  // namespace ostrel::testing
