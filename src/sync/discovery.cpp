#include "sync/discovery.h"

#include <QHostAddress>
#include <QUuid>

#include "sync/collection_sync.h"
#include "sync/dav_client.h"
#include "sync/dav_xml.h"

namespace ostrel::sync {

namespace {

QUrl withSlash(QUrl u) {
    if (!u.path().endsWith(QLatin1Char('/'))) u.setPath(u.path() + QLatin1Char('/'));
    return u;
}

DavMultistatus propfind(DavClient& client, const QUrl& url, const QByteArray& props, int depth, QUrl* answered) {
    const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<D:propfind xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\" "
        "xmlns:A=\"urn:ietf:params:xml:ns:carddav\"><D:prop>" +
        props + "</D:prop></D:propfind>";
    QUrl at = url;
    // Redirects (a well-known address) are followed a few times, within
    // the same scheme.
    for (int hops = 0; hops < 5; ++hops) {
        const DavReply reply = client.request("PROPFIND", at, body, {{"Depth", QByteArray::number(depth)}});
        if (reply.status >= 300 && reply.status < 400) {
            const QUrl next = at.resolved(QUrl(QString::fromUtf8(reply.header("Location"))));
            if (!next.isValid() || next.scheme() != url.scheme()) break;
            at = next;
            continue;
        }
        if (reply.status == 401) throw SyncError("the server refused the user name or password");
        if (reply.status != 207) return {};
        if (answered) *answered = at;
        return parseMultistatus(reply.body);
    }
    return {};
}

QUrl firstHref(const DavMultistatus& ms, const QUrl& base, const char* ns, const char* name) {
    const QString key = QString::fromLatin1(ns) + QLatin1Char('|') + QString::fromLatin1(name);
    for (const DavResponse& r : ms.responses) {
        const auto it = r.hrefs.find(key);
        if (it != r.hrefs.end() && !it->second.isEmpty()) return base.resolved(QUrl(it->second.front()));
    }
    return {};
}

QUrl principalFrom(DavClient& client, const QUrl& start) {
    QUrl answered = start;
    const DavMultistatus ms = propfind(client, start, "<D:current-user-principal/>", 0, &answered);
    return firstHref(ms, answered, kDav, "current-user-principal");
}

std::vector<DavCollection> collectionsIn(DavClient& client, const QUrl& home, bool calendar) {
    std::vector<DavCollection> out;
    if (home.isEmpty()) return out;
    const DavMultistatus ms =
        propfind(client, home, "<D:resourcetype/><D:displayname/><C:supported-calendar-component-set/>", 1, nullptr);
    for (const DavResponse& r : ms.responses) {
        const bool is = calendar ? r.isType(kCalDav, "calendar") : r.isType(kCardDav, "addressbook");
        if (!is) continue;
        DavCollection c;
        c.url = withSlash(home.resolved(QUrl(r.href)));
        c.name = r.prop(kDav, "displayname");
        // No component set: every component is taken (RFC 4791, 5.2.3).
        c.takesEvents = calendar && (r.components.isEmpty() || r.components.contains(QStringLiteral("VEVENT")));
        out.push_back(c);
    }
    return out;
}

}  // namespace

Discovery discover(DavClient& client, const QUrl& server) {
    Discovery d;
    d.principal = principalFrom(client, server);
    if (d.principal.isEmpty()) d.principal = principalFrom(client, server.resolved(QUrl("/.well-known/caldav")));
    if (d.principal.isEmpty()) d.principal = principalFrom(client, server.resolved(QUrl("/.well-known/carddav")));
    if (d.principal.isEmpty()) throw SyncError("the server names no account for this user (no principal found)");
    const DavMultistatus ms =
        propfind(client, d.principal, "<C:calendar-home-set/><A:addressbook-home-set/>", 0, nullptr);
    d.calendarHome = firstHref(ms, d.principal, kCalDav, "calendar-home-set");
    d.addressBookHome = firstHref(ms, d.principal, kCardDav, "addressbook-home-set");
    if (d.calendarHome.isEmpty() && d.addressBookHome.isEmpty())
        throw SyncError("the server names neither calendars nor address books for this user");
    d.calendars = collectionsIn(client, d.calendarHome, true);
    d.addressBooks = collectionsIn(client, d.addressBookHome, false);
    return d;
}

QUrl createCollection(DavClient& client, const QUrl& home, bool calendar, const QString& name) {
    const QUrl url = withSlash(withSlash(home).resolved(
        QUrl(QStringLiteral("ostrel-%1/").arg(QUuid::createUuid().toString(QUuid::WithoutBraces)))));
    const QByteArray type = calendar ? "<C:calendar/>" : "<A:addressbook/>";
    const QByteArray comps =
        calendar ? "<C:supported-calendar-component-set><C:comp name=\"VEVENT\"/></C:supported-calendar-component-set>"
                 : "";
    const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<D:mkcol xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\" "
        "xmlns:A=\"urn:ietf:params:xml:ns:carddav\"><D:set><D:prop><D:resourcetype><D:collection/>" +
        type + "</D:resourcetype><D:displayname>" + name.toHtmlEscaped().toUtf8() + "</D:displayname>" + comps +
        "</D:prop></D:set></D:mkcol>";
    const DavReply reply = client.request("MKCOL", url, body);
    if (reply.status != 201)
        throw SyncError(
            QStringLiteral("the server did not make the collection (HTTP %1)").arg(reply.status).toStdString());
    return url;
}

bool plainHttpAllowed(const QUrl& url, const QString& confirmedHost) {
    if (url.scheme() != QLatin1String("http")) return true;
    const QString host = url.host();
    if (host == QLatin1String("localhost")) return true;
    const QHostAddress address(host);
    if (!address.isNull() && address.isLoopback()) return true;
    return !confirmedHost.isEmpty() && host.compare(confirmedHost, Qt::CaseInsensitive) == 0;
}

}  // namespace ostrel::sync
