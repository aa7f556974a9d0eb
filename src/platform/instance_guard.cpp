#include "platform/instance_guard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace ostrel {
namespace {

constexpr QLatin1String kRaiseRequest("raise\n");

QString defaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable()) return runtime;
    return QDir::tempPath();
}

QString userTag() {
#ifdef Q_OS_UNIX
    return QString::number(getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

// The lock's and socket's path without extension.
QString basePathOf(const QString& key, const QString& folder) {
    // The key may hold characters and lengths a socket path cannot, so the
    // files are named after its hash, per user.
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return (folder.isEmpty() ? defaultFolder() : folder) + QStringLiteral("/ostrel-") + QString::fromLatin1(hash) +
           QLatin1Char('-') + userTag();
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

    server_ = new QLocalServer(this);
    QLocalServer::removeServer(serverName_);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(serverName_))
        connect(server_, &QLocalServer::newConnection, this, &InstanceGuard::onNewConnection);
}

InstanceGuard::~InstanceGuard() {
    if (server_) server_->close();
    if (lock_ && first_) lock_->unlock();
}

void InstanceGuard::activatePreviousInstance() {
    if (first_) {
        emit activationRequested();
        return;
    }
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(1000)) return;
    socket.write(kRaiseRequest.data(), kRaiseRequest.size());
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
}

bool InstanceGuard::sendToFirstInstance(const QString& key, const QByteArray& request, const QString& folder) {
    QLocalSocket socket;
    socket.connectToServer(basePathOf(key, folder) + QStringLiteral(".sock"));
    if (!socket.waitForConnected(1000)) return false;
    socket.write(request + '\n');
    const bool sent = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return sent;
}

void InstanceGuard::onNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray request = socket->readAll();
            if (request.startsWith("raise")) emit activationRequested();
            else if (request.startsWith("refresh")) emit refreshRequested();
            socket->disconnectFromServer();
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

}  // namespace ostrel
