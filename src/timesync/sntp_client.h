#pragma once
// Asks time servers over SNTP without blocking the event loop: each server
// in turn, once, with a bounded name lookup and a bounded wait for the
// reply. Only a reply from the address and port asked that answers our
// request (core/timesync/sntp.h) is taken; anything else is ignored while
// the wait goes on.

#include <QList>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/timesync/sntp.h"
#include "platform/udp_socket.h"

namespace ostrel {

// Name lookup that may be abandoned.
class HostResolver {
public:
    virtual ~HostResolver() = default;
    // Starts a lookup of host. done receives its first IPv4 address, or
    // nothing when it has none; it runs in context's thread and not at
    // all once context is gone or the lookup was aborted. Returns an id for
    // abort().
    virtual int lookup(const QString& host, QObject* context, std::function<void(std::optional<Ipv4Address>)> done) = 0;
    virtual void abort(int id) = 0;
};

// The system's resolver (platform/udp_socket.h: a lookup thread whose
// answer can be abandoned); dotted IPv4 addresses are used as they are.
class SystemHostResolver final : public HostResolver {
public:
    int lookup(const QString& host, QObject* context, std::function<void(std::optional<Ipv4Address>)> done) override;
    void abort(int id) override;
};
HostResolver& systemHostResolver();

class SntpClient : public QObject {
    Q_OBJECT
public:
    explicit SntpClient(HostResolver& resolver, QObject* parent = nullptr);
    ~SntpClient() override;

    // Milliseconds to wait for a reply after sending, and for a name lookup.
    int replyTimeoutMs = 2000;
    int resolveTimeoutMs = 3000;

    // Asks the servers in order, each once, then emits finished(). Ignored
    // while a round is running.
    void start(const std::vector<TimeServer>& servers);
    bool isRunning() const { return stage_ != Stage::Idle; }

signals:
    // The offsets, in milliseconds, of the servers that answered usefully,
    // in the order asked.
    void finished(const QList<double>& offsetsMs);

private:
    enum class Stage { Idle, Resolving, Waiting };
    void askNext();
    void resolved(std::optional<Ipv4Address> address);
    void readPending();
    void timedOut();
    void serverDone();

    HostResolver& resolver_;
    std::vector<TimeServer> servers_;
    std::size_t next_ = 0;
    QList<double> offsets_;
    UdpSocket* socket_ = nullptr;
    QTimer timer_;
    Stage stage_ = Stage::Idle;
    int lookupId_ = -1;
    std::uint64_t generation_ = 0;
    Ipv4Address address_ = 0;
    std::uint16_t port_ = 0;
    NtpTimestamp sent_;
};

}  // namespace ostrel
