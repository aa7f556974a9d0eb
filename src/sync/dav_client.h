#pragma once
// HTTP requests to the CalDAV/CardDAV server, one at a time, waited for
// (the helper does nothing else meanwhile). Basic authentication is sent
// with every request; TLS checks the server's certificate with the
// system's certificates, or accepts exactly the one whose SHA-256
// fingerprint the user pinned.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <memory>
#include <stdexcept>

class QNetworkAccessManager;

namespace ostrel::sync {

// A request that got no HTTP answer (no route, refused, TLS, timeout) or an
// answer too big to take.
class NetworkError : public std::runtime_error {
public:
    explicit NetworkError(const std::string& what, QString fingerprint = {})
        : std::runtime_error(what), certificateFingerprint(std::move(fingerprint)) {}
    // Set when the server's certificate was refused: its SHA-256
    // fingerprint (hex, colon-separated), for the user to confirm.
    QString certificateFingerprint;
};

struct DavReply {
    int status = 0;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    QUrl url;  // the address answered (after redirects, which are not followed)
    QByteArray header(const char* name) const;
};

class DavClient {
public:
    DavClient(QString user, QString password);
    ~DavClient();
    DavClient(const DavClient&) = delete;
    DavClient& operator=(const DavClient&) = delete;

    // The pinned certificate (hex SHA-256, any case, colons optional): the
    // one certificate accepted besides those the system trusts.
    void setPinnedCertificate(const QString& sha256);
    // Seconds without progress before a request is given up.
    void setTimeout(int seconds) { timeoutMs_ = seconds * 1000; }
    // The largest answer taken.
    void setMaxReplyBytes(qint64 bytes) { maxReplyBytes_ = bytes; }

    DavReply request(const QByteArray& method, const QUrl& url, const QByteArray& body = {},
                     const QList<QPair<QByteArray, QByteArray>>& headers = {});

    // Deletes the resource at url (HTTP's deletion verb).
    DavReply remove(const QUrl& url, const QList<QPair<QByteArray, QByteArray>>& headers = {});

    // Requests sent so far.
    int requestCount() const { return requests_; }

private:
    QString user_;
    QString password_;
    QString pinned_;
    int timeoutMs_ = 60000;
    qint64 maxReplyBytes_ = 256ll * 1024 * 1024;
    int requests_ = 0;
    std::unique_ptr<QNetworkAccessManager> net_;
};

// The fingerprint in the form shown to the user ("AB:CD:...").
QString formatFingerprint(const QByteArray& sha256);

}  // namespace ostrel::sync
