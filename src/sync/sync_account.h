#pragma once
// The account of the settings file's [Sync] section, its password, and one
// whole run of the helper (docs/sync.md).

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

#include "sync/collection_sync.h"

namespace ostrel::sync {

struct SyncAccount {
    QUrl url;
    QString user;
    QUrl calendar;     // empty: found by discovery (or made)
    QUrl addressBook;  // the same
    int interval = 0;  // minutes, 0 = off
    QString passwordCommand;
    QString certificate;    // the pinned SHA-256 fingerprint
    QString plainHttpHost;  // a host the user allowed plain http for
};

// [Sync] of the settings file.
SyncAccount readAccount();
// Writes the collections found by discovery back.
void writeCollections(const SyncAccount& account);

// The key under which the keyring keeps an account's password.
QString keyringKey(const SyncAccount& account);

// The password: the PasswordCommand's first line of output, else the
// keyring's entry, else what ask returns (the question at each sync).
// Throws SyncError when none answers.
QString passwordFor(const SyncAccount& account, const std::function<std::optional<QString>()>& ask);

// Stores the password in the keyring; throws SyncError when no keyring
// answers.
void storePassword(const SyncAccount& account, const QString& password);

struct RunOptions {
    bool acceptEmpty = false;
    bool verbose = false;
    std::function<void(const QString&)> log;
    std::function<std::optional<QString>()> askPassword;
};

struct RunResult {
    SyncCounts counts;
    int requests = 0;
};

// One sync of the account with the database of the current data folder:
// discovery when a collection is not known yet, then the calendar and the
// address book. The status is recorded for the settings page. Throws
// SyncError (CollectionEmptied) or NetworkError.
RunResult runOnce(const RunOptions& options);

// The one-line summary ("sent 3, received 1, deleted 0, conflicts 0").
QString summaryLine(const SyncCounts& c);

}  // namespace ostrel::sync
