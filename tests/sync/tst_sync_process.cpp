// ostrel-sync as cron or a timer runs it: the one-line summary and the exit
// codes of --once, and a run killed (kill -9) while it sends or while it
// writes what it received, which the next run completes without a
// duplicate.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include "fixture_db.h"
#include "radicale_server.h"

using ostrel::testing::RadicaleServer;
namespace fs = std::filesystem;

namespace {

struct Folder {
    ostrel::testing::TempDir dir{"ostrel sync process"};
    QString path = QString::fromStdString(dir.str());
    fs::path db = dir.path() / "Tamo.qdb";
    Folder(const QUrl& server, const QString& extra = {}) {
        ostrel::testing::createOrganizerDatabase(db);
        QFile ini(path + QStringLiteral("/ostrel-organizer.ini"));
        if (!ini.open(QIODevice::WriteOnly)) return;
        // The password comes from the environment of the test through the
        // command, never from a file.
        ini.write("[Sync]\nUrl=" + server.toString().toUtf8() + "\nUser=" + RadicaleServer::kUser +
                  "\nPasswordCommand=printf %s \"$OSTREL_SYNC_TEST_SECRET\"\n" + extra.toUtf8());
    }
    QString setting(const char* key) const {
        QFile f(path + QStringLiteral("/ostrel-organizer.ini"));
        if (!f.open(QIODevice::ReadOnly)) return {};
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith(QByteArray(key) + '=')) return QString::fromUtf8(line.mid(qstrlen(key) + 1)).trimmed();
        return {};
    }
    std::int64_t count(const char* table) const {
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {QString::fromStdString(db.string()),
                                            QStringLiteral("SELECT Count(*) FROM %1").arg(QLatin1String(table))});
        p.waitForFinished(30000);
        return p.readAllStandardOutput().trimmed().toLongLong();
    }
    QString integrity() const {
        QProcess p;
        p.start(QStringLiteral("sqlite3"),
                {QString::fromStdString(db.string()), QStringLiteral("PRAGMA integrity_check")});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput().trimmed());
    }
};

struct Run {
    int code = -1;
    QString out, err;
};

void prepare(QProcess& p, const Folder& f, const QStringList& extra = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("OSTREL_SYNC_TEST_SECRET"), RadicaleServer::password());
    p.setProcessEnvironment(env);
    p.setProgram(QStringLiteral(OSTREL_SYNC_EXE));
    p.setArguments(QStringList{QStringLiteral("--once"), QStringLiteral("--data-dir"), f.path} + extra);
}

Run once(const Folder& f, const QStringList& extra = {}) {
    QProcess p;
    prepare(p, f, extra);
    p.start();
    Run r;
    if (!p.waitForFinished(300000)) return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    r.err = QString::fromUtf8(p.readAllStandardError()).trimmed();
    return r;
}

const QString kNothing = QStringLiteral("sent 0, received 0, deleted 0, conflicts 0");

std::string manyTasks(int n, const char* prefix) {
    std::string sql = "BEGIN;";
    for (int i = 0; i < n; ++i)
        sql += "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, ElapseInt, ElapseType) VALUES (0, " +
               std::to_string(46400 + i) + ".5, " + std::to_string(46400 + i) + ".5, '" + prefix + std::to_string(i) +
               "', 1, 2);";
    return sql + "COMMIT;";
}

}  // namespace

class TestSyncProcess : public QObject {
    Q_OBJECT
    std::unique_ptr<RadicaleServer> server_;

private slots:
    void initTestCase() {
        if (!RadicaleServer::available()) QSKIP("radicale or htpasswd is not installed");
        server_ = std::make_unique<RadicaleServer>();
        QVERIFY(server_->start());
    }

    void onceSummaryAndExitCodes() {
        Folder f(server_->url());
        ostrel::testing::execSql(f.db, manyTasks(1, "Task "));
        Run r = once(f);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("sent 1, received 0, deleted 0, conflicts 0"));
        // Discovery filled in the collections.
        QVERIFY(!f.setting("Calendar").isEmpty());
        QVERIFY(!f.setting("AddressBook").isEmpty());
        QCOMPARE(once(f).out, kNothing);
        // The password never shows in what the helper prints.
        QVERIFY(!r.err.contains(RadicaleServer::password()));

        Folder wrong(server_->url(), QStringLiteral("Calendar=%1\n").arg(f.setting("Calendar")));
        QFile::remove(wrong.path + QStringLiteral("/ostrel-organizer.ini"));
        {
            QFile ini(wrong.path + QStringLiteral("/ostrel-organizer.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Sync]\nUrl=" + server_->url().toString().toUtf8() +
                      "\nUser=alice\nPasswordCommand=echo nope\n");
        }
        r = once(wrong);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QLatin1String("password")), qPrintable(r.err));

        Folder none(QUrl(QStringLiteral("https://")));
        r = once(none);
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QLatin1String("[Sync]")));

        r = once(f, {QStringLiteral("--discover")});
        QCOMPARE(r.code, 2);

        // Plain http is refused for a host that is not this computer.
        Folder remote(QUrl(QStringLiteral("http://example.org/dav/")));
        r = once(remote);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QLatin1String("https")), qPrintable(r.err));
    }

    // kill -9 while the run sends, and while another machine writes what it
    // received: the database is whole, and the next run completes the work
    // without sending or adding anything twice.
    void aKilledRunIsCompletedByTheNext() {
        // Enough for several batches each way (the server takes about a tenth
        // of a second per stored item).
        constexpr int kTasks = 250;
        Folder a(server_->url());
        ostrel::testing::execSql(a.db, manyTasks(kTasks, "Bulk "));
        QVERIFY(once(a).code == 0);  // discovery and collections
        // The run that is killed sends the rows of a second batch.
        ostrel::testing::execSql(a.db, manyTasks(kTasks, "More "));
        const QUrl cal(a.setting("Calendar"));
        // The collection may hold items of the tests before.
        const int all = server_->storedItems(cal) + kTasks;
        {
            QProcess p;
            prepare(p, a);
            p.start();
            QVERIFY(p.waitForStarted());
            while (server_->storedItems(cal) < all - kTasks + 120 && !p.waitForFinished(20)) {
            }
            QCOMPARE(p.state(), QProcess::Running);
            p.kill();
            p.waitForFinished();
        }
        QCOMPARE(a.integrity(), QStringLiteral("ok"));
        QCOMPARE(once(a).code, 0);
        QCOMPARE(server_->storedItems(cal), all);
        QCOMPARE(a.count("ToDo"), all);
        QCOMPARE(once(a).out, kNothing);

        // Another machine: killed while its transaction of received rows
        // is open (its journal exists).
        Folder b(server_->url(),
                 QStringLiteral("Calendar=%1\nAddressBook=%2\n").arg(a.setting("Calendar"), a.setting("AddressBook")));
        {
            QProcess p;
            prepare(p, b);
            p.start();
            QVERIFY(p.waitForStarted());
            const QString journal = QString::fromStdString(b.db.string()) + QStringLiteral("-journal");
            const QString wal = QString::fromStdString(b.db.string()) + QStringLiteral("-wal");
            while (!QFileInfo::exists(journal) && !QFileInfo::exists(wal) && !p.waitForFinished(5)) {
            }
            QCOMPARE(p.state(), QProcess::Running);
            p.kill();
            p.waitForFinished();
        }
        QCOMPARE(b.integrity(), QStringLiteral("ok"));
        const Run r = once(b);
        QCOMPARE(r.code, 0);
        QCOMPARE(b.count("ToDo"), all);
        QCOMPARE(once(b).out, kNothing);
        QCOMPARE(server_->storedItems(cal), all);
    }
};

QTEST_GUILESS_MAIN(TestSyncProcess)
#include "tst_sync_process.moc"
