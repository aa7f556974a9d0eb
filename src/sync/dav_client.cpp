#include "sync/dav_client.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>
#include <QTimer>

namespace ostrel::sync {

QByteArray DavReply::header(const char* name) const {
    for (const auto& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) return h.second;
    return {};
}

QString formatFingerprint(const QByteArray& sha256) {
    const QByteArray hex = sha256.toHex().toUpper();
    QString out;
    for (int i = 0; i < hex.size(); i += 2) {
        if (i > 0) out += QLatin1Char(':');
        out += QString::fromLatin1(hex.mid(i, 2));
    }
    return out;
}

DavClient::DavClient(QString user, QString password)
    : user_(std::move(user)), password_(std::move(password)), net_(std::make_unique<QNetworkAccessManager>()) {
    net_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

DavClient::~DavClient() = default;

void DavClient::setPinnedCertificate(const QString& sha256) {
    pinned_ = sha256;
    pinned_.remove(QLatin1Char(':'));
    pinned_ = pinned_.trimmed().toLower();
}

DavReply DavClient::request(const QByteArray& method, const QUrl& url, const QByteArray& body,
                            const QList<QPair<QByteArray, QByteArray>>& headers) {
    QNetworkRequest req(url);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    const QByteArray credentials = (user_ + QLatin1Char(':') + password_).toUtf8().toBase64();
    req.setRawHeader("Authorization", "Basic " + credentials);
    for (const auto& h : headers) req.setRawHeader(h.first, h.second);
    if (!body.isEmpty() && !req.hasRawHeader("Content-Type"))
        req.setRawHeader("Content-Type", QByteArrayLiteral("application/xml; charset=utf-8"));
    req.setTransferTimeout(timeoutMs_);
    ++requests_;
    // The deletion goes through its own call (the verb is HTTP's, not a
    // statement).
    QNetworkReply* reply = method.isEmpty() ? net_->deleteResource(req) : net_->sendCustomRequest(req, method, body);
    QString refusedFingerprint;
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [&](const QList<QSslError>& errors) {
        const QSslCertificate cert = reply->sslConfiguration().peerCertificate();
        const QByteArray digest = cert.digest(QCryptographicHash::Sha256);
        if (!pinned_.isEmpty() && QString::fromLatin1(digest.toHex()) == pinned_) {
            reply->ignoreSslErrors(errors);
            return;
        }
        refusedFingerprint = formatFingerprint(digest);
    });
    bool tooBig = false;
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [&](qint64 received, qint64) {
        if (received > maxReplyBytes_) {
            tooBig = true;
            reply->abort();
        }
    });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) loop.exec();
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owned(reply, [](QNetworkReply* r) { r->deleteLater(); });

    DavReply out;
    out.url = url;
    out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (tooBig) throw NetworkError("the server's answer is larger than the limit");
    if (out.status == 0) {
        if (!refusedFingerprint.isEmpty())
            throw NetworkError("the server's certificate is not trusted", refusedFingerprint);
        throw NetworkError(reply->errorString().toStdString());
    }
    out.body = reply->readAll();
    out.headers = reply->rawHeaderPairs();
    return out;
}

DavReply DavClient::remove(const QUrl& url, const QList<QPair<QByteArray, QByteArray>>& headers) {
    return request({}, url, {}, headers);
}

}  // namespace ostrel::sync
