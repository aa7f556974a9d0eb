#pragma once
// Finding the user's calendars and address books from the server's address
// (RFC 6764 well-known addresses, RFC 4918 current-user-principal, RFC 4791
// and 6352 home sets), and making the program's own collections.

#include <QString>
#include <QUrl>

#include <vector>

namespace ostrel::sync {

class DavClient;

struct DavCollection {
    QUrl url;
    QString name;
    bool takesEvents = false;  // calendars: VEVENT among its components
};

struct Discovery {
    QUrl principal;
    QUrl calendarHome;
    QUrl addressBookHome;
    std::vector<DavCollection> calendars;
    std::vector<DavCollection> addressBooks;
};

// Throws SyncError when the server names no principal or no home.
Discovery discover(DavClient& client, const QUrl& server);

// Makes a calendar (taking events) or an address book named name under the
// home; returns its address.
QUrl createCollection(DavClient& client, const QUrl& home, bool calendar, const QString& name);

// Whether plain http may be used for this address: a loopback host, or the
// host the user confirmed.
bool plainHttpAllowed(const QUrl& url, const QString& confirmedHost);

}  // namespace ostrel::sync
