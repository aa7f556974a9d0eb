#include "sync/sync_account.h"

#include <QDir>
#include <QEventLoop>
#include <QLockFile>
#include <QProcess>

#include <qt6keychain/keychain.h>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/settings/ini_file.h"
#include "core/time/clock_service.h"
#include "data/data_module.h"
#include "data/sync_store.h"
#include "sync/dav_client.h"
#include "sync/discovery.h"

namespace ostrel::sync {

namespace {

constexpr const char* kSection = "Sync";
const QString kKeyringService = QStringLiteral("ostrel-organizer-sync");

QString readValue(const IniFile& ini, const char* key) {
    return QString::fromStdString(ini.readString(kSection, key, "")).trimmed();
}

}  // namespace

SyncAccount readAccount() {
    const IniFile ini(settingsFilePath().toStdString());
    SyncAccount a;
    a.url = QUrl(readValue(ini, "Url"));
    a.user = readValue(ini, "User");
    a.calendar = QUrl(readValue(ini, "Calendar"));
    a.addressBook = QUrl(readValue(ini, "AddressBook"));
    a.interval = static_cast<int>(ini.readInteger(kSection, "Interval", 0));
    a.passwordCommand = readValue(ini, "PasswordCommand");
    a.certificate = readValue(ini, "Certificate");
    a.plainHttpHost = readValue(ini, "PlainHttpHost");
    return a;
}

void writeCollections(const SyncAccount& account) {
    IniFile ini(settingsFilePath().toStdString());
    ini.writeString(kSection, "Calendar", account.calendar.toString(QUrl::FullyEncoded).toStdString());
    ini.writeString(kSection, "AddressBook", account.addressBook.toString(QUrl::FullyEncoded).toStdString());
}

QString keyringKey(const SyncAccount& account) {
    return account.user + QLatin1Char('@') + account.url.toString(QUrl::RemoveUserInfo);
}

QString passwordFor(const SyncAccount& account, const std::function<std::optional<QString>()>& ask) {
    if (!account.passwordCommand.isEmpty()) {
        QProcess p;
        p.setProgram(QStringLiteral("/bin/sh"));
        p.setArguments({QStringLiteral("-c"), account.passwordCommand});
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start();
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            p.kill();
            p.waitForFinished(1000);
            throw SyncError("the PasswordCommand did not print a password");
        }
        QString out = QString::fromUtf8(p.readAllStandardOutput());
        const qsizetype eol = out.indexOf(QLatin1Char('\n'));
        if (eol >= 0) out.truncate(eol);
        if (out.endsWith(QLatin1Char('\r'))) out.chop(1);
        return out;
    }
    QKeychain::ReadPasswordJob job(kKeyringService);
    job.setAutoDelete(false);
    job.setKey(keyringKey(account));
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    if (job.error() == QKeychain::NoError) return job.textData();
    if (ask)
        if (auto answer = ask()) return *answer;
    throw SyncError("no password: the keyring has none for this account (" + job.errorString().toStdString() +
                    ") and no PasswordCommand is set");
}

void storePassword(const SyncAccount& account, const QString& password) {
    QKeychain::WritePasswordJob job(kKeyringService);
    job.setAutoDelete(false);
    job.setKey(keyringKey(account));
    job.setTextData(password);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    if (job.error() != QKeychain::NoError)
        throw SyncError("the keyring did not take the password: " + job.errorString().toStdString());
}

QString summaryLine(const SyncCounts& c) {
    return QStringLiteral("sent %1, received %2, deleted %3, conflicts %4")
        .arg(c.sent)
        .arg(c.received)
        .arg(c.deleted)
        .arg(c.conflicts);
}

RunResult runOnce(const RunOptions& options) {
    SyncAccount account = readAccount();
    if (!account.url.isValid() || account.url.host().isEmpty() || account.user.isEmpty())
        throw SyncError("no account: set Url and User in the [Sync] section of the settings file");
    if (account.url.scheme() != QLatin1String("https") && account.url.scheme() != QLatin1String("http"))
        throw SyncError("the server address must begin with https://");
    if (!plainHttpAllowed(account.url, account.plainHttpHost))
        throw SyncError("plain http is only used for this computer or a host you confirmed; use https://");
    if (QString error; !prepareUserFiles(&error)) throw SyncError(error.toStdString());
    // One run at a time.
    QLockFile lock(QDir(userDataDir()).filePath(QStringLiteral("ostrel-sync.lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) throw SyncError("another sync is running");

    // Conflict copies are marked in the language the user chose.
    {
        const IniFile ini(settingsFilePath().toStdString());
        const std::string language = ini.readString("General", "Language", "");
        if (!language.empty()) SetCurrentLanguage(QString::fromStdString(language));
    }
    const QString password = passwordFor(account, options.askPassword);
    DavClient client(account.user, password);
    if (!account.certificate.isEmpty()) client.setPinnedCertificate(account.certificate);

    TDataModule1 data(databaseFilePath());
    data.connTAMO.setBusyTimeout(10000);
    SyncStore store(data.connTAMO);
    RunResult result;
    try {
        if (account.calendar.isEmpty() || account.addressBook.isEmpty()) {
            const Discovery d = discover(client, account.url);
            const QString ownName = QStringLiteral("Ostrel Organizer");
            if (account.calendar.isEmpty()) {
                for (const DavCollection& c : d.calendars)
                    if (c.takesEvents && (account.calendar.isEmpty() || c.name == ownName)) account.calendar = c.url;
                if (account.calendar.isEmpty() && !d.calendarHome.isEmpty())
                    account.calendar = createCollection(client, d.calendarHome, true, ownName);
            }
            if (account.addressBook.isEmpty()) {
                for (const DavCollection& c : d.addressBooks)
                    if (account.addressBook.isEmpty() || c.name == ownName) account.addressBook = c.url;
                if (account.addressBook.isEmpty() && !d.addressBookHome.isEmpty())
                    account.addressBook = createCollection(client, d.addressBookHome, false, ownName);
            }
            writeCollections(account);
        }
        store.ensureTables();
        std::vector<std::string> kept;
        for (const QUrl& u : {account.calendar, account.addressBook}) {
            QUrl c = u;
            if (!c.path().endsWith(QLatin1Char('/'))) c.setPath(c.path() + QLatin1Char('/'));
            if (!u.isEmpty()) kept.push_back(c.toString(QUrl::FullyEncoded).toStdString());
        }
        // Records of collections no longer chosen are of no use: the next
        // sync of a collection chosen again matches by UID.
        store.forgetOtherCollections(kept);
        SyncOptions so;
        so.acceptEmpty = options.acceptEmpty;
        so.log = options.log;
        if (!account.calendar.isEmpty())
            result.counts += CollectionSync(data, client, CollectionKind::Calendar, account.calendar, so).run();
        if (!account.addressBook.isEmpty())
            result.counts += CollectionSync(data, client, CollectionKind::AddressBook, account.addressBook, so).run();
    } catch (const std::exception& e) {
        try {
            store.ensureTables();
            store.setStatus({clock().now(), false, e.what()});
        } catch (const std::exception&) {
        }
        throw;
    }
    result.requests = client.requestCount();
    store.setStatus({clock().now(), true, summaryLine(result.counts).toStdString()});
    return result;
}

}  // namespace ostrel::sync
