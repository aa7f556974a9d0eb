#include "timesync/sntp_client.h"

#include <QPointer>
#include <QRandomGenerator>

#include <cmath>

#include "core/time/clock_service.h"

namespace ostrel {

namespace {

// The present as Unix milliseconds.
std::int64_t nowUnixMs() { return std::llround(toUnixSecondsLocal(clock().now()) * 1000.0); }

}  // namespace

int SystemHostResolver::lookup(const QString& host, QObject* context,
                               std::function<void(std::optional<Ipv4Address>)> done) {
    return lookupIpv4(host, context, std::move(done));
}

void SystemHostResolver::abort(int id) { abandonLookup(id); }

HostResolver& systemHostResolver() {
    static SystemHostResolver resolver;
    return resolver;
}

SntpClient::SntpClient(HostResolver& resolver, QObject* parent) : QObject(parent), resolver_(resolver) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SntpClient::timedOut);
}

SntpClient::~SntpClient() {
    if (stage_ == Stage::Resolving) resolver_.abort(lookupId_);
}

void SntpClient::start(const std::vector<TimeServer>& servers) {
    if (isRunning()) return;
    servers_ = servers;
    next_ = 0;
    offsets_.clear();
    delete socket_;
    // One socket for the round, on a port the system chooses.
    socket_ = new UdpSocket(this);
    connect(socket_, &UdpSocket::readyRead, this, &SntpClient::readPending);
    stage_ = Stage::Resolving;
    // Always answer later than start() returns.
    QMetaObject::invokeMethod(this, &SntpClient::askNext, Qt::QueuedConnection);
}

void SntpClient::askNext() {
    ++generation_;
    timer_.stop();
    if (next_ >= servers_.size()) {
        stage_ = Stage::Idle;
        delete socket_;
        socket_ = nullptr;
        emit finished(offsets_);
        return;
    }
    const TimeServer& server = servers_[next_++];
    port_ = server.port;
    stage_ = Stage::Resolving;
    timer_.start(resolveTimeoutMs);
    const std::uint64_t generation = generation_;
    QPointer<SntpClient> self(this);
    lookupId_ =
        resolver_.lookup(QString::fromStdString(server.host), this, [self, generation](std::optional<Ipv4Address> a) {
            if (self && self->generation_ == generation && self->stage_ == Stage::Resolving) self->resolved(a);
        });
}

void SntpClient::resolved(std::optional<Ipv4Address> address) {
    lookupId_ = -1;
    if (!address || !socket_->isBound()) {
        serverDone();
        return;
    }
    address_ = *address;
    sent_ = withNoise(EncodeNtpTimestamp(clock().now()), QRandomGenerator::system()->generate());
    const NtpPacket request = makeSntpRequest(sent_);
    const QByteArray bytes(reinterpret_cast<const char*>(request.data()), static_cast<qsizetype>(request.size()));
    if (!socket_->sendTo(bytes, address_, port_)) {
        serverDone();
        return;
    }
    stage_ = Stage::Waiting;
    timer_.start(replyTimeoutMs);
}

void SntpClient::readPending() {
    while (socket_) {
        const std::optional<UdpSocket::Datagram> datagram = socket_->receive();
        if (!datagram) return;
        if (stage_ != Stage::Waiting) continue;
        // Another sender, or a late reply of a server asked before: not ours.
        if (datagram->address != address_ || datagram->port != port_) continue;
        const QByteArray& bytes = datagram->data;
        const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                 static_cast<std::size_t>(bytes.size()));
        const std::int64_t t4 = nowUnixMs();
        switch (judgeSntpReply(data, sent_)) {
            case SntpVerdict::NotOurs: continue;
            case SntpVerdict::Usable:
                offsets_.append(replyOffsetMs(*parseSntpPacket(data), t4));
                serverDone();
                return;
            case SntpVerdict::Unsynchronised:
            case SntpVerdict::BadStratum:
            case SntpVerdict::ZeroTransmit: serverDone(); return;
        }
    }
}

void SntpClient::timedOut() {
    if (stage_ == Stage::Resolving) {
        resolver_.abort(lookupId_);
        lookupId_ = -1;
    }
    serverDone();
}

void SntpClient::serverDone() {
    // The next server is asked from the event loop, never from inside a
    // resolver or socket callback.
    ++generation_;
    timer_.stop();
    stage_ = Stage::Resolving;
    QMetaObject::invokeMethod(this, &SntpClient::askNext, Qt::QueuedConnection);
}

}  // namespace ostrel
