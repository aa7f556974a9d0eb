#include "platform/udp_socket.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <map>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ostrel {

std::optional<Ipv4Address> parseIpv4(const QString& text) {
    in_addr a{};
    if (inet_pton(AF_INET, text.toLatin1().constData(), &a) != 1) return std::nullopt;
    return ntohl(a.s_addr);
}

UdpSocket::UdpSocket(QObject* parent) : QObject(parent) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    any.sin_port = 0;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UdpSocket::readyRead);
}

UdpSocket::~UdpSocket() {
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

std::uint16_t UdpSocket::localPort() const {
    sockaddr_in self{};
    socklen_t length = sizeof self;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&self), &length) != 0) return 0;
    return ntohs(self.sin_port);
}

bool UdpSocket::sendTo(const QByteArray& data, Ipv4Address address, std::uint16_t port) {
    if (fd_ < 0) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(port);
    ssize_t n;
    do {
        n = ::sendto(fd_, data.constData(), static_cast<size_t>(data.size()), MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (n < 0 && errno == EINTR);
    return n == data.size();
}

std::optional<UdpSocket::Datagram> UdpSocket::receive() {
    if (fd_ < 0) return std::nullopt;
    // An NTP reply is 48 bytes (more with extensions); a longer datagram is
    // cut to the buffer, which the reply's judge then refuses.
    char buffer[2048];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t n;
    do {
        n = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return std::nullopt;  // EAGAIN: nothing waits; an ICMP error: dropped
    Datagram d;
    d.data = QByteArray(buffer, static_cast<qsizetype>(n));
    if (from.sin_family == AF_INET) {
        d.address = ntohl(from.sin_addr.s_addr);
        d.port = ntohs(from.sin_port);
    }
    return d;
}

namespace {

// Lookups still wanted, by id. Lives for the whole process (never
// destroyed): a lookup thread may finish after main() has returned.
struct Lookups {
    struct Entry {
        QPointer<QObject> context;
        std::function<void(std::optional<Ipv4Address>)> done;
    };
    std::mutex mutex;
    bool appAlive = false;  // answers may be posted to the application object
    int nextId = 1;
    std::map<int, Entry> wanted;  // touched on the GUI thread only
};

Lookups& lookups() {
    static Lookups* l = [] {
        auto* created = new Lookups;
        created->appAlive = QCoreApplication::instance() != nullptr;
        // Once the application object goes, a late answer has nowhere to go.
        qAddPostRoutine([] {
            std::lock_guard lock(lookups().mutex);
            lookups().appAlive = false;
        });
        return created;
    }();
    return *l;
}

void deliver(int id, std::optional<Ipv4Address> address) {
    Lookups& l = lookups();
    const auto it = l.wanted.find(id);
    if (it == l.wanted.end()) return;  // abandoned
    const Lookups::Entry entry = std::move(it->second);
    l.wanted.erase(it);
    if (entry.context) entry.done(address);
}

// Every answer reaches deliver() the same way, from the GUI thread's run
// loop (later than the lookup call returns): through the application
// object, which outlives every context, so an answer whose context is gone
// still takes its entry out of the list.
void post(int id, std::optional<Ipv4Address> address) {
    std::lock_guard lock(lookups().mutex);
    if (lookups().appAlive)
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [id, address] { deliver(id, address); }, Qt::QueuedConnection);
}

std::optional<Ipv4Address> resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
    std::optional<Ipv4Address> first;
    for (const addrinfo* a = found; a && !first; a = a->ai_next)
        if (a->ai_family == AF_INET && a->ai_addr)
            first = ntohl(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return first;
}

}  // namespace

int lookupIpv4(const QString& host, QObject* context, std::function<void(std::optional<Ipv4Address>)> done) {
    Lookups& l = lookups();
    const int id = l.nextId++;
    l.wanted[id] = {context, std::move(done)};
    if (const auto literal = parseIpv4(host)) {
        post(id, literal);
        return id;
    }
    const std::string name = host.toStdString();
    std::thread([id, name] { post(id, resolve(name)); }).detach();
    return id;
}

void abandonLookup(int id) { lookups().wanted.erase(id); }

}  // namespace ostrel
