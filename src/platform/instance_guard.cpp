#include "platform/instance_guard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace ostrel {
namespace {

constexpr QLatin1String kRaiseRequest("raise\n");

QString defaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable()) return runtime;
    return QDir::tempPath();
}

QString userTag() { return QString::number(getuid()); }

// The lock's and socket's path without extension.
QString basePathOf(const QString& key, const QString& folder) {
    // The key may hold characters and lengths a socket path cannot, so the
    // files are named after its hash, per user.
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return (folder.isEmpty() ? defaultFolder() : folder) + QStringLiteral("/ostrel-") + QString::fromLatin1(hash) +
           QLatin1Char('-') + userTag();
}

// The socket's address; false when the path does not fit one.
bool socketAddress(const QString& path, sockaddr_un& address) {
    const QByteArray native = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || static_cast<std::size_t>(native.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
    return true;
}

// Sends one request to the copy listening at path, waiting at most a second
// for the connection and the writing.
bool sendRequest(const QString& path, const QByteArray& request) {
    sockaddr_un address;
    if (!socketAddress(path, address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const timeval second{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &second, sizeof second);
    bool sent = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    for (qsizetype done = 0; sent && done < request.size();) {
        const ssize_t n =
            ::send(fd, request.constData() + done, static_cast<std::size_t>(request.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) sent = false;
        else done += n;
    }
    ::close(fd);
    return sent;
}

}  // namespace

QString instanceKey(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) name.truncate(dot);
    if (name.size() > 1) name = name.left(1) + name.mid(1).toLower();
    return QStringLiteral("PREVINST:") + name.left(512);
}

InstanceGuard::InstanceGuard(const QString& key, const QString& folder, QObject* parent) : QObject(parent) {
    const QString base = basePathOf(key, folder);
    lockPath_ = base + QStringLiteral(".lock");
    serverName_ = base + QStringLiteral(".sock");

    lock_ = std::make_unique<QLockFile>(lockPath_);
    lock_->setStaleLockTime(0);  // stale only when its process is gone
    first_ = lock_->tryLock(0);
    if (!first_) {
        if (lock_->error() == QLockFile::LockFailedError) return;  // another copy holds it
        failed_ = true;
        // QLockFile keeps no reason; creating a file beside it tells it.
        QFile probe(lockPath_ + QStringLiteral(".probe"));
        if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            const bool full = probe.write("x") != 1 || !probe.flush();
            failureReason_ = full ? probe.errorString() : QStringLiteral("unknown error");
            probe.close();
            probe.remove();
        } else {
            failureReason_ = probe.errorString();
        }
        return;
    }

    // The lock is ours, so a socket file left there is a dead copy's.
    sockaddr_un address;
    if (!socketAddress(serverName_, address)) return;
    const QByteArray native = QFile::encodeName(serverName_);
    ::unlink(native.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    // Nobody can connect before listen(): the mode is set in between.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(native.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    listener_ = fd;
    listening_ = new QSocketNotifier(listener_, QSocketNotifier::Read, this);
    connect(listening_, &QSocketNotifier::activated, this, &InstanceGuard::onNewConnection);
}

InstanceGuard::~InstanceGuard() {
    for (const Connection& c : connections_) ::close(c.fd);
    if (listener_ >= 0) {
        delete listening_;
        ::close(listener_);
        ::unlink(QFile::encodeName(serverName_).constData());
    }
    if (lock_ && first_) lock_->unlock();
}

void InstanceGuard::activatePreviousInstance() {
    if (first_) {
        emit activationRequested();
        return;
    }
    sendRequest(serverName_, QByteArray(kRaiseRequest.data(), kRaiseRequest.size()));
}

bool InstanceGuard::sendToFirstInstance(const QString& key, const QByteArray& request, const QString& folder) {
    return sendRequest(basePathOf(key, folder) + QStringLiteral(".sock"), request + '\n');
}

void InstanceGuard::onNewConnection() {
    // A few at a time, so that a flood of connections cannot hold the run
    // loop; the notifier reports the rest on its next turn.
    for (int taken = 0; taken < 2 * kMaxConnections;) {
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (connection < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;  // none waits
            // No descriptor left (EMFILE, ENFILE) or no memory: the
            // connection stays queued, and the notifier would report it
            // again at once.
            waitBeforeAccepting();
            return;
        }
        ++taken;
        acceptRetryMs_ = kAcceptRetryMs;
        // A sender writes its request right after connecting: it is
        // usually here already.
        if (const std::optional<QByteArray> request = readRequest(connection)) {
            ::close(connection);
            answer(*request);
            continue;
        }
        if (int(connections_.size()) >= kMaxConnections) closeConnection(connections_.front().fd);
        Connection c;
        c.fd = connection;
        c.notifier = new QSocketNotifier(connection, QSocketNotifier::Read, this);
        connect(c.notifier, &QSocketNotifier::activated, this, [this, connection] {
            const std::optional<QByteArray> request = readRequest(connection);
            if (!request) return;
            closeConnection(connection);
            answer(*request);
        });
        c.idle = new QTimer(this);
        c.idle->setSingleShot(true);
        connect(c.idle, &QTimer::timeout, this, [this, connection] { closeConnection(connection); });
        c.idle->start(kIdleCloseMs);
        connections_.push_back(c);
    }
}

void InstanceGuard::waitBeforeAccepting() {
    listening_->setEnabled(false);
    if (!acceptRetry_) {
        acceptRetry_ = new QTimer(this);
        acceptRetry_->setSingleShot(true);
        connect(acceptRetry_, &QTimer::timeout, this, [this] { listening_->setEnabled(true); });
    }
    acceptRetry_->start(acceptRetryMs_);
    acceptRetryMs_ = std::min(2 * acceptRetryMs_, kAcceptRetryMaxMs);
}

void InstanceGuard::closeConnection(int connection) {
    const auto it = std::find_if(connections_.begin(), connections_.end(),
                                 [connection](const Connection& c) { return c.fd == connection; });
    if (it == connections_.end()) return;
    // Either may be the sender of the signal being handled.
    it->notifier->setEnabled(false);
    it->notifier->deleteLater();
    it->idle->stop();
    it->idle->deleteLater();
    ::close(it->fd);
    connections_.erase(it);
}

// A request is one short line; whatever came first is taken, and the
// connection is closed (a sender that closes without a word is closed too).
std::optional<QByteArray> InstanceGuard::readRequest(int connection) {
    char buffer[64];
    ssize_t n;
    do {
        n = ::recv(connection, buffer, sizeof buffer, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return std::nullopt;
    return n > 0 ? QByteArray(buffer, static_cast<qsizetype>(n)) : QByteArray();
}

void InstanceGuard::answer(const QByteArray& request) {
    if (request.startsWith("raise")) emit activationRequested();
    else if (request.startsWith("refresh")) emit refreshRequested();
}

}  // namespace ostrel
