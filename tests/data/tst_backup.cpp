// Backup copies: what a copy holds, that it is consistent while another
// connection writes, the retention rule applied, and a restore that keeps
// the current database aside.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "base/app_paths.h"
#include "core/data/sql/backup.h"
#include "core/data/sql/query.h"
#include "core/data/sql/transaction.h"
#include "data/backup_store.h"
#include "fake_clock.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

std::int64_t count(sql::Connection& conn, const char* table) {
    sql::Query q(conn);
    q.add(std::string("SELECT Count(*) AS N FROM ") + table);
    q.open();
    return q.asInteger("N");
}

std::int64_t countIn(const QString& db, const char* table) {
    sql::Connection conn(db.toStdString());
    return count(conn, table);
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The program's folder in a temporary place, with a database.
struct Folder {
    testing::TempDir dir{"ostrel backup"};
    QString root = QString::fromStdString(dir.str());
    Folder() {
        setExeDirForTesting(root);
        testing::createOrganizerDatabase(databaseFilePath().toStdString());
    }
    ~Folder() { setExeDirForTesting({}); }
};

}  // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void copyHoldsDatabaseNotesAndSettings() {
        Folder f;
        writeFile(notesFilePath(), "{\\rtf1 notes}");
        writeFile(settingsFilePath(), "[General]\r\nLanguage=English\r\n");
        testing::execSql(databaseFilePath().toStdString(), "INSERT INTO ToDo (MesType, Title) VALUES (0, 'kept')");
        testing::ScopedFakeClock clock(encodeDateTime({{2026, 12, 10}, {15, 4, 5, 0}}));
        sql::Connection conn(databaseFilePath().toStdString());
        BackupStore store(conn);
        QVERIFY(store.isDue(clock->now()));
        QSignalSpy changed(&store, &BackupStore::changed);

        const QString folder = store.backUpNow();
        QCOMPARE(folder, f.root + QStringLiteral("/Backups/2026-12-10 15-04-05"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(countIn(folder + QStringLiteral("/Tamo.qdb"), "ToDo"), std::int64_t{1});
        QCOMPARE(readFile(folder + QStringLiteral("/pockerbook.rtf")), QByteArray("{\\rtf1 notes}"));
        QCOMPARE(readFile(folder + QLatin1Char('/') + QFileInfo(settingsFilePath()).fileName()),
                 QByteArray("[General]\r\nLanguage=English\r\n"));
        QVERIFY(!store.isDue(clock->now() + 0.3));  // the same day
        QVERIFY(store.isDue(clock->now() + 1.0));   // the next day
        // Nothing half-written is left beside the copies.
        QCOMPARE(
            QDir(f.root + QStringLiteral("/Backups")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("2026-12-10 15-04-05")});

        // A second copy in the same second gets a folder of its own.
        const QString second = store.backUpNow();
        QVERIFY(second != folder);
        QVERIFY(QFileInfo::exists(second + QStringLiteral("/Tamo.qdb")));
    }

    void retentionRemovesOldCopiesAndLeavesOtherFolders() {
        Folder f;
        sql::Connection conn(databaseFilePath().toStdString());
        BackupStore store(conn);
        QDir().mkpath(f.root + QStringLiteral("/Backups/replaced 2020-01-01 00-00-00"));
        // Monday 2026-11-30 to Monday 2026-12-07, one copy a day.
        testing::ScopedFakeClock clock(encodeDateTime({{2026, 11, 30}, {12, 0, 0, 0}}));
        for (int i = 0; i < 8; ++i) {
            clock->setNow(encodeDateTime({{2026, 11, 30}, {12, 0, 0, 0}}) + i);
            store.backUpNow();
        }
        const QList<BackupCopy> copies = store.copies();
        QCOMPARE(copies.size(), 7);
        QCOMPARE(copies.first().name, QStringLiteral("2026-12-07 12-00-00"));
        QCOMPARE(copies.last().name, QStringLiteral("2026-12-01 12-00-00"));
        QVERIFY(QFileInfo::exists(f.root + QStringLiteral("/Backups/replaced 2020-01-01 00-00-00")));
    }

    // Another connection is in the middle of writing (its transaction holds
    // rows not yet committed, some already in the file's cache) while each
    // copy is made: every copy is a sound database holding only committed
    // rows, and the writer's commit goes through after the copy.
    void copyIsConsistentWhileAnotherConnectionWrites() {
        Folder f;
        const std::string db = databaseFilePath().toStdString();
        testing::execSql(db, "CREATE TABLE Pairs (Id INTEGER PRIMARY KEY, Payload TEXT)");
        testing::ScopedFakeClock clock(encodeDateTime({{2026, 12, 10}, {9, 0, 0, 0}}));
        sql::Connection conn(db);
        BackupStore store(conn);
        sql::Connection writer(db);
        auto insert = [&](int n) {
            for (int k = 0; k < n; ++k) {
                sql::Query q(writer);
                q.add("INSERT INTO Pairs (Payload) VALUES (:P)");
                q.param("P", sql::ParamType::Text, std::string(500, char('a' + k % 26)));
                q.exec();
            }
        };
        for (int round = 1; round <= 4; ++round) {
            sql::Transaction t(writer);
            insert(round * 150);                        // the first half of the pairs: more than the cache keeps
            clock->setNow(clock->now() + 1.0 / 86400);  // a folder per copy
            const QString copy = store.backUpNow() + QStringLiteral("/Tamo.qdb");
            insert(round * 150);  // the second half
            t.commit();

            QCOMPARE(sql::checkDatabase(copy.toStdString(), true), std::vector<std::string>{});
            std::int64_t committed = 0;
            for (int r = 1; r < round; ++r) committed += 2 * r * 150;
            QCOMPARE(countIn(copy, "Pairs"), committed);
        }
        QCOMPARE(countIn(QString::fromStdString(db), "Pairs"), std::int64_t{2 * 150 * (1 + 2 + 3 + 4)});
    }

    void restorePutsTheCopyInPlaceAndKeepsTheCurrentDatabaseAside() {
        Folder f;
        const std::string db = databaseFilePath().toStdString();
        testing::ScopedFakeClock clock(encodeDateTime({{2026, 12, 10}, {9, 0, 0, 0}}));
        sql::Connection conn(db);
        BackupStore store(conn);
        testing::execSql(db, "INSERT INTO ToDo (MesType, Title) VALUES (0, 'before')");
        store.backUpNow();
        testing::execSql(db, "INSERT INTO ToDo (MesType, Title) VALUES (0, 'after')");
        QCOMPARE(count(conn, "ToDo"), std::int64_t{2});  // the connection is open
        const QByteArray current = readFile(databaseFilePath());

        clock->setNow(clock->now() + 0.1);
        QSignalSpy restored(&store, &BackupStore::restored);
        const QString aside = store.restoreDatabase(store.copies().first());
        QCOMPARE(restored.count(), 1);
        QCOMPARE(aside, f.root + QStringLiteral("/Backups/replaced 2026-12-10 11-24-00"));
        QCOMPARE(readFile(aside + QStringLiteral("/Tamo.qdb")), current);
        QCOMPARE(count(conn, "ToDo"), std::int64_t{1});  // the connection reads the restored file
        // The folder aside is no copy to restore from, and never removed by the rule.
        QCOMPARE(store.copies().size(), 1);
    }

    // A restore stopped after any of its steps (the process killed there)
    // leaves a whole database at the database's path: the current one
    // before the copy's rename, the copy after it. Nothing else is needed
    // to start again, and a leftover temporary copy is removed at start.
    void aRestoreKilledAfterAnyStepLeavesAWholeDatabase_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("expected");  // the title the database holds
        QTest::newRow("copy written") << int(BackupStore::RestoreStep::CopyWritten) << QStringLiteral("current");
        QTest::newRow("current kept") << int(BackupStore::RestoreStep::CurrentKept) << QStringLiteral("current");
        QTest::newRow("journal files removed")
            << int(BackupStore::RestoreStep::CompanionsRemoved) << QStringLiteral("current");
        QTest::newRow("renamed") << int(BackupStore::RestoreStep::Renamed) << QStringLiteral("copy");
    }
    void aRestoreKilledAfterAnyStepLeavesAWholeDatabase() {
        QFETCH(int, step);
        QFETCH(QString, expected);
        Folder f;
        const QString db = databaseFilePath();
        testing::ScopedFakeClock clock(encodeDateTime({{2026, 12, 10}, {9, 0, 0, 0}}));
        testing::execSql(db.toStdString(), "INSERT INTO ToDo (MesType, Title) VALUES (1, 'copy')");
        {
            sql::Connection conn(db.toStdString());
            BackupStore(conn).backUpNow();
        }
        testing::execSql(db.toStdString(), "UPDATE ToDo SET Title = 'current'");
        // A journal beside the database, as a crashed writer leaves it: it
        // must not be played into the copy once the copy stands there.
        writeFile(db + QStringLiteral("-journal"), QByteArray(512, '\0'));
        clock->setNow(clock->now() + 0.1);

        std::fflush(nullptr);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // The restore in a process of its own, ended without any clean-up
            // right after the step.
            BackupStore::restoreStepHook = [step](BackupStore::RestoreStep s) {
                if (int(s) == step) ::_exit(0);
            };
            sql::Connection conn(db.toStdString());
            BackupStore store(conn);
            try {
                store.restoreDatabase(store.copies().first());
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(3);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);

        QVERIFY(BackupStore::checkDatabaseFile(db).isEmpty());
        sql::Connection conn(db.toStdString());
        sql::Query q(conn);
        q.add("SELECT Title FROM ToDo");
        q.open();
        QCOMPARE(QString::fromStdString(q.asString("Title")), expected);
        conn.close();
        // The replaced database is kept once the copy may be in place.
        if (step >= int(BackupStore::RestoreStep::CurrentKept)) {
            const QStringList aside =
                QDir(BackupStore::backupsDir()).entryList({QStringLiteral("replaced*")}, QDir::Dirs);
            QCOMPARE(aside.size(), 1);
            const QString kept =
                BackupStore::backupsDir() + QLatin1Char('/') + aside.first() + QStringLiteral("/Tamo.qdb");
            QCOMPARE(countIn(kept, "ToDo"), std::int64_t{1});
            QVERIFY(QFile::exists(kept + QStringLiteral("-journal")));
        }
        // The journal never stands beside the copy.
        if (step >= int(BackupStore::RestoreStep::CompanionsRemoved))
            QVERIFY(!QFile::exists(db + QStringLiteral("-journal")));
        BackupStore::removeRestoreLeftovers();
        QVERIFY(!QFile::exists(BackupStore::restoreTemporaryPath()));
    }

    void damagedCopyIsNotRestoredAndNothingMoves() {
        Folder f;
        testing::ScopedFakeClock clock(encodeDateTime({{2026, 12, 10}, {9, 0, 0, 0}}));
        sql::Connection conn(databaseFilePath().toStdString());
        BackupStore store(conn);
        const QString folder = store.backUpNow();
        writeFile(folder + QStringLiteral("/Tamo.qdb"), QByteArray(4096, 'x'));
        const QByteArray current = readFile(databaseFilePath());
        QVERIFY_THROWS_EXCEPTION(std::exception, store.restoreDatabase(store.copies().first()));
        QCOMPARE(readFile(databaseFilePath()), current);
        QVERIFY(store.newestGoodCopy().folder.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
