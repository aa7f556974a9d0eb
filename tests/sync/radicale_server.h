#pragma once
// A Radicale server for the sync tests: on 127.0.0.1 at a free port, with
// a private storage folder and password file in a temporary folder, stopped
// with the object. The user's password reaches htpasswd on its standard
// input only.

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>

#include <sys/prctl.h>

#include <csignal>

namespace ostrel::testing {

class RadicaleServer {
public:
    static constexpr const char* kUser = "alice";

    // Whether the server and htpasswd are installed.
    static bool available() {
        return !QStandardPaths::findExecutable(QStringLiteral("radicale")).isEmpty() &&
               !QStandardPaths::findExecutable(QStringLiteral("htpasswd")).isEmpty();
    }

    // A password made for this run.
    static QString password() {
        static const QString pw = QStringLiteral("pw-%1").arg(QCoreApplication::applicationPid());
        return pw;
    }

    bool start() {
        if (!dir_.isValid()) return false;
        const QString users = dir_.filePath(QStringLiteral("users"));
        QProcess htpasswd;
        htpasswd.start(QStringLiteral("htpasswd"),
                       {QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("-B"), QStringLiteral("-C"),
                        QStringLiteral("4"), users, QString::fromLatin1(kUser)});
        htpasswd.write(password().toUtf8() + '\n');
        htpasswd.closeWriteChannel();
        if (!htpasswd.waitForFinished(30000) || htpasswd.exitCode() != 0) return false;
        // A port free now (the server takes it a moment later).
        {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0)) return false;
            port_ = probe.serverPort();
        }
        server_.setProcessChannelMode(QProcess::MergedChannels);
        // A test that aborts takes its server with it.
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        server_.setStandardOutputFile(dir_.filePath(QStringLiteral("server.log")));
        server_.start(
            QStringLiteral("radicale"),
            {QStringLiteral("--config"), QString(), QStringLiteral("--hosts"),
             QStringLiteral("127.0.0.1:%1").arg(port_), QStringLiteral("--auth-type"), QStringLiteral("htpasswd"),
             QStringLiteral("--auth-htpasswd-filename"), users, QStringLiteral("--auth-htpasswd-encryption"),
             QStringLiteral("bcrypt"), QStringLiteral("--auth-delay"), QStringLiteral("0"),
             QStringLiteral("--storage-filesystem-folder"), storage()});
        if (!server_.waitForStarted(30000)) return false;
        // Ready once it accepts a connection.
        for (int i = 0; i < 300; ++i) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port_);
            if (s.waitForConnected(100)) return true;
            if (server_.state() != QProcess::Running) return false;
            server_.waitForFinished(100);  // gives it a moment, ends early should it stop
        }
        return false;
    }

    ~RadicaleServer() {
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(10000)) {
                server_.kill();
                server_.waitForFinished(10000);
            }
        }
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port_)); }
    QUrl home() const { return url().resolved(QUrl(QStringLiteral("/%1/").arg(QLatin1String(kUser)))); }
    QString storage() const { return dir_.filePath(QStringLiteral("storage")); }
    // Items stored in a collection (its files on disk).
    int storedItems(const QUrl& collection) const {
        const QDir d(storage() + QStringLiteral("/collection-root") + collection.path());
        return static_cast<int>(d.entryList({QStringLiteral("*.ics"), QStringLiteral("*.vcf")}, QDir::Files).size());
    }

private:
    QTemporaryDir dir_;
    QProcess server_;
    quint16 port_ = 0;
};

}  // namespace ostrel::testing
