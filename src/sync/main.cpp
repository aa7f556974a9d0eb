// ostrel-sync: keeps the organizer's tasks, holidays, plans and contacts in
// step with a CalDAV/CardDAV server (docs/sync.md). The clock starts it and
// it exits when done; it also runs from the command line:
//
//   ostrel-sync --once [--verbose] [--accept-empty] [--password-stdin] [--data-dir DIR]
//   ostrel-sync --discover --url URL --user NAME [--password-stdin] [--data-dir DIR]
//   ostrel-sync --store-password [--url URL --user NAME] [--data-dir DIR]   (password on stdin)
//
// Exit codes: 0 done, 1 failed (the reason on stderr), 2 wrong arguments,
// 3 the collection came back empty (run again with --accept-empty to
// delete the local rows too), 4 the server's certificate is not trusted
// (its fingerprint on stdout as "certificate<TAB>AB:CD:...").

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <iostream>
#include <string>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "sync/dav_client.h"
#include "sync/discovery.h"
#include "sync/sync_account.h"

using namespace ostrel;
using namespace ostrel::sync;

namespace {

void printErr(const QString& s) { std::fprintf(stderr, "ostrel-sync: %s\n", s.toLocal8Bit().constData()); }
void printOut(const QString& s) {
    std::fprintf(stdout, "%s\n", s.toLocal8Bit().constData());
    std::fflush(stdout);
}

QString readStdinLine() {
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return QString::fromStdString(line);
}

QString valueOf(QStringList& args, const QString& name) {
    const qsizetype i = args.indexOf(name);
    if (i < 0 || i + 1 >= args.size()) return {};
    const QString v = args[i + 1];
    args.remove(i, 2);
    return v;
}

bool flag(QStringList& args, const QString& name) { return args.removeAll(name) > 0; }

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostrel-sync"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QString error;
    const QString dataDir = takeDataDirArgument(args, &error);
    if (!error.isEmpty()) {
        printErr(error);
        return 2;
    }
    if (!dataDir.isEmpty()) setDataDirOverride(dataDir);
    const bool once = flag(args, QStringLiteral("--once"));
    const bool discoverOnly = flag(args, QStringLiteral("--discover"));
    const bool store = flag(args, QStringLiteral("--store-password"));
    const bool verbose = flag(args, QStringLiteral("--verbose"));
    const bool acceptEmpty = flag(args, QStringLiteral("--accept-empty"));
    const bool passwordStdin = flag(args, QStringLiteral("--password-stdin"));
    const QString url = valueOf(args, QStringLiteral("--url"));
    const QString user = valueOf(args, QStringLiteral("--user"));
    if (!args.isEmpty() || (int(once) + int(discoverOnly) + int(store)) != 1) {
        printErr(
            QStringLiteral("usage: ostrel-sync --once [--verbose] [--accept-empty] [--password-stdin] | "
                           "--discover --url URL --user NAME [--password-stdin] | --store-password "
                           "[--url URL --user NAME]; each with [--data-dir DIR]"));
        return 2;
    }
    try {
        if (once) {
            RunOptions o;
            o.acceptEmpty = acceptEmpty;
            o.verbose = verbose;
            if (verbose) o.log = [](const QString& s) { printErr(s); };
            if (passwordStdin) {
                const QString pw = readStdinLine();
                o.askPassword = [pw]() -> std::optional<QString> { return pw; };
            }
            const RunResult r = runOnce(o);
            printOut(summaryLine(r.counts));
            if (verbose) printErr(QStringLiteral("%1 requests").arg(r.requests));
            return 0;
        }
        SyncAccount account = readAccount();
        if (!url.isEmpty()) account.url = QUrl(url);
        if (!user.isEmpty()) account.user = user;
        if (store) {
            const QString pw = readStdinLine();
            if (pw.isEmpty()) throw SyncError("no password was given on standard input");
            storePassword(account, pw);
            return 0;
        }
        if (!plainHttpAllowed(account.url, account.plainHttpHost))
            throw SyncError("plain http is only used for this computer or a host you confirmed; use https://");
        QString pw;
        if (passwordStdin) pw = readStdinLine();
        else pw = passwordFor(account, {});
        DavClient client(account.user, pw);
        if (!account.certificate.isEmpty()) client.setPinnedCertificate(account.certificate);
        const Discovery d = discover(client, account.url);
        printOut(QStringLiteral("principal\t") + d.principal.toString());
        for (const DavCollection& c : d.calendars)
            printOut(QStringLiteral("calendar\t%1\t%2\t%3")
                         .arg(c.url.toString(), c.takesEvents ? QStringLiteral("1") : QStringLiteral("0"),
                              c.name.simplified()));
        for (const DavCollection& c : d.addressBooks)
            printOut(QStringLiteral("addressbook\t%1\t%2").arg(c.url.toString(), c.name.simplified()));
        return 0;
    } catch (const CollectionEmptied& e) {
        printErr(QString::fromUtf8(e.what()));
        return 3;
    } catch (const NetworkError& e) {
        if (!e.certificateFingerprint.isEmpty()) {
            printOut(QStringLiteral("certificate\t") + e.certificateFingerprint);
            printErr(QString::fromUtf8(e.what()));
            return 4;
        }
        printErr(QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        printErr(QString::fromUtf8(e.what()));
    }
    return 1;
}
