#pragma once
// One copy of the program per user session. The first copy holds a lock
// file and listens on a local socket; a later copy finds the lock taken,
// asks the first copy over the socket to come forward, and ends. The socket
// is a Unix domain socket only the user may use (mode 0600), in the user's
// runtime folder.
//
// Whatever connects to the socket cannot cost the program more than a few
// descriptors: at most kMaxConnections connections are open at once (a new
// one closes the oldest), a connection that has said nothing for
// kIdleCloseMs is closed, and when the process has no descriptor left to
// accept with, the guard waits (kAcceptRetryMs, doubling up to
// kAcceptRetryMaxMs) before it tries again instead of retrying at once.

#include <QLockFile>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>
#include <optional>

class QSocketNotifier;
class QTimer;

namespace ostrel {

// "PREVINST:" + the default title derived from the executable's file name:
// the name without its folder and without everything from its first "." on,
// first character unchanged, later characters lower-cased, at most 512
// characters.
QString instanceKey(const QString& executablePath);

class InstanceGuard : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 4;
    static constexpr int kIdleCloseMs = 1000;
    static constexpr int kAcceptRetryMs = 100;
    static constexpr int kAcceptRetryMaxMs = 2000;

    // folder: where the lock and socket live; empty picks the user's runtime
    // folder (or the temporary folder).
    explicit InstanceGuard(const QString& key, const QString& folder = {}, QObject* parent = nullptr);
    ~InstanceGuard() override;

    bool isFirstInstance() const { return first_; }
    // The lock could not be created at all (a full or unwritable folder):
    // not a sign of another copy. failureReason() says why.
    bool lockFailed() const { return failed_; }
    QString failureReason() const { return failureReason_; }
    // In a later copy: asks the first copy to come forward (waits at most a
    // second). In the first copy: emits activationRequested.
    void activatePreviousInstance();

    // From any process: sends one request line (such as "refresh") to the
    // first copy's socket without taking the lock. False when no copy
    // listens.
    static bool sendToFirstInstance(const QString& key, const QByteArray& request, const QString& folder = {});

    QString lockFilePath() const { return lockPath_; }
    QString serverName() const { return serverName_; }

signals:
    void activationRequested();
    // Another process changed the database ("refresh"): views re-read it.
    void refreshRequested();

private:
    struct Connection {
        int fd = -1;
        QSocketNotifier* notifier = nullptr;
        QTimer* idle = nullptr;
    };

    void onNewConnection();
    // The connection's request; an empty one when the other side closed
    // without a word; nothing while none has come.
    static std::optional<QByteArray> readRequest(int connection);
    void answer(const QByteArray& request);
    void closeConnection(int connection);
    void waitBeforeAccepting();

    QString lockPath_;
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    int listener_ = -1;
    QSocketNotifier* listening_ = nullptr;
    std::deque<Connection> connections_;  // oldest first
    QTimer* acceptRetry_ = nullptr;
    int acceptRetryMs_ = kAcceptRetryMs;
    bool first_ = false;
    bool failed_ = false;
    QString failureReason_;
};

}  // namespace ostrel
