#pragma once
// Datagrams over IPv4 and name lookups, for the Internet time correction.
// Written on the system's sockets rather than a network library: the
// program asks a time server a few times a day, and a network library
// linked into a program that runs all day costs its start-up and resident
// memory every minute it runs (docs/idle-cost.md).

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class QSocketNotifier;

namespace ostrel {

// An IPv4 address in host byte order.
using Ipv4Address = std::uint32_t;

// A dotted IPv4 address ("127.0.0.1"), or nothing.
std::optional<Ipv4Address> parseIpv4(const QString& text);

// A non-blocking UDP socket bound to every IPv4 interface on a port the
// system chooses. readyRead() is emitted on the GUI thread when datagrams
// wait; receive() takes them one at a time.
class UdpSocket : public QObject {
    Q_OBJECT
public:
    explicit UdpSocket(QObject* parent = nullptr);
    ~UdpSocket() override;

    bool isBound() const { return fd_ >= 0; }
    // The port the system gave the socket (0 when it is not bound).
    std::uint16_t localPort() const;
    // Sends data whole; false when the system refused it.
    bool sendTo(const QByteArray& data, Ipv4Address address, std::uint16_t port);

    struct Datagram {
        QByteArray data;
        Ipv4Address address = 0;
        std::uint16_t port = 0;
    };
    // The next waiting datagram, or nothing when none waits.
    std::optional<Datagram> receive();

signals:
    void readyRead();

private:
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

// The system's resolver (getaddrinfo) on a thread of its own, so a slow or
// dead name server never blocks the GUI thread. done receives the host's
// first IPv4 address, or nothing; it runs on the GUI thread, and not at all
// once context is gone or the lookup was abandoned. A dotted address is
// answered without a lookup. Returns an id for abandonLookup().
int lookupIpv4(const QString& host, QObject* context, std::function<void(std::optional<Ipv4Address>)> done);
// The answer of lookup id is dropped (the thread, blocked in the system's
// resolver, ends on its own).
void abandonLookup(int id);

}  // namespace ostrel
