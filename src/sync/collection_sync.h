#pragma once
// One collection kept in step with the local rows (docs/sync.md): the
// tasks, holidays and plans with a calendar, the contacts with an address
// book.

#include <QString>
#include <QUrl>

#include <functional>
#include <stdexcept>

namespace ostrel {
class TDataModule1;
}

namespace ostrel::sync {

class DavClient;

enum class CollectionKind { Calendar, AddressBook };

// What a run did.
struct SyncCounts {
    int sent = 0;       // items created or changed on the server
    int received = 0;   // local rows created or changed from the server
    int deleted = 0;    // deletions carried out either way
    int conflicts = 0;  // conflict copies made
    SyncCounts& operator+=(const SyncCounts& o) {
        sent += o.sent;
        received += o.received;
        deleted += o.deleted;
        conflicts += o.conflicts;
        return *this;
    }
};

// A sync that stopped; the text is for the user. The database holds what
// was committed before (nothing of the collection's transaction that
// failed).
class SyncError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The collection had items and came back empty: the sync stops and asks
// (SyncOptions::acceptEmpty confirms).
class CollectionEmptied : public SyncError {
public:
    using SyncError::SyncError;
};

struct SyncOptions {
    // Take an emptied collection as the user's wish (delete the local rows).
    bool acceptEmpty = false;
    // Items fetched by one multiget, and local changes sent per committed
    // batch.
    int batch = 100;
    // A line for --verbose.
    std::function<void(const QString&)> log;
    // Called between two steps of the run (tests stop a run there).
    std::function<void(const char* step)> checkpoint;
};

class CollectionSync {
public:
    CollectionSync(TDataModule1& data, DavClient& client, CollectionKind kind, QUrl collection,
                   SyncOptions options = {});
    SyncCounts run();

private:
    SyncCounts round(bool& again);

    TDataModule1& data_;
    DavClient& client_;
    CollectionKind kind_;
    QUrl url_;
    SyncOptions options_;
};

// The title mark of a conflict copy, in the current language
// ("%s (conflict copy)").
QString conflictTitle(const QString& title);

}  // namespace ostrel::sync
