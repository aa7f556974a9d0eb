#pragma once
// The WebDAV multistatus replies (RFC 4918, 4791, 6352, 6578) the sync
// reads: PROPFIND and REPORT answers. A reply that is not well-formed XML,
// nests deeper than the limit or holds more than the limit of responses
// throws DavXmlError; nothing in a hostile reply can make the reader
// crash or run without bound.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <map>
#include <stdexcept>
#include <vector>

namespace ostrel::sync {

class DavXmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One <response> of a multistatus.
struct DavResponse {
    QString href;  // as written, percent-encoded
    // The response's own status (a member gone from a sync-collection
    // answer: 404), else the status of the propstat its properties came in
    // (200); 0 when none was given.
    int status = 0;
    // Text properties of a 2xx propstat by "namespace|local name"
    // (getetag, displayname, calendar-data, address-data, getctag, ...).
    std::map<QString, QString> text;
    // Hrefs inside a property (current-user-principal, calendar-home-set,
    // addressbook-home-set) by the same key.
    std::map<QString, QStringList> hrefs;
    // Names ("namespace|local name") of the elements inside resourcetype.
    QStringList resourceTypes;
    // The components a calendar takes (supported-calendar-component-set).
    QStringList components;

    QString prop(const char* ns, const char* name) const;
    bool isType(const char* ns, const char* name) const;
};

struct DavMultistatus {
    std::vector<DavResponse> responses;
    QString syncToken;  // the multistatus's own sync-token (RFC 6578)
};

struct DavXmlLimits {
    int maxDepth = 32;
    std::size_t maxResponses = 200000;
};

// Reads a multistatus body.
DavMultistatus parseMultistatus(const QByteArray& body, const DavXmlLimits& limits = {});

// The status code of an HTTP status line ("HTTP/1.1 404 Not Found" -> 404;
// 0 when unreadable).
int statusCodeOf(const QString& line);

// Namespaces.
inline constexpr const char* kDav = "DAV:";
inline constexpr const char* kCalDav = "urn:ietf:params:xml:ns:caldav";
inline constexpr const char* kCardDav = "urn:ietf:params:xml:ns:carddav";
inline constexpr const char* kCalServer = "http://calendarserver.org/ns/";

}  // namespace ostrel::sync
