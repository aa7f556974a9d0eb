// "Back up now" and "Restore from backup..." as the clock menu runs them,
// with the dialogs recorded, and the daily copy.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <sqlite3.h>

#include <functional>

#include "app/backups.h"
#include "app/startup.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/data/sql/query.h"
#include "data/backup_store.h"
#include "data/data_module.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "recording_dialogs.h"

using namespace ostrel;

namespace {

std::int64_t taskCount() {
    sql::Query q(DataModule1->connTAMO);
    q.add("SELECT Count(*) AS N FROM ToDo");
    q.open();
    return q.asInteger("N");
}

struct Program {
    testing::TempDir dir{"ostrel backup commands"};
    QString root = QString::fromStdString(dir.str());
    testing::ScopedFakeClock clock{encodeDateTime({{2026, 12, 10}, {15, 0, 0, 0}})};
    testing::RecordingDialogs dialogs;
    Program() {
        setExeDirForTesting(root);
        QDir().mkpath(root + QStringLiteral("/Languages"));
        QFile::copy(QFileInfo(QStringLiteral(OSTREL_APP_EXE)).absolutePath() + QStringLiteral("/Languages/English.lng"),
                    root + QStringLiteral("/Languages/English.lng"));
        SetCurrentLanguage(QStringLiteral("English"));
        testing::createOrganizerDatabase(databaseFilePath().toStdString());
        DataModule1 = new TDataModule1(databaseFilePath());
    }
    ~Program() {
        testing::destroyGlobal(DataModule1);
        setExeDirForTesting({});
    }
};

// Another program's exclusive lock on a database, until released.
struct ExclusiveLock {
    sqlite3* db = nullptr;
    explicit ExclusiveLock(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~ExclusiveLock() { release(); }
    void release() {
        if (!db) return;
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        db = nullptr;
    }
};

}  // namespace

class TestBackupCommands : public QObject {
    Q_OBJECT
private slots:
    void backUpNowTellsWhereTheCopyIs() {
        Program p;
        backUpNow();
        QCOMPARE(p.dialogs.texts(),
                 QStringList{QStringLiteral("A backup copy of the database, the notes and the settings was made in ") +
                             QDir::toNativeSeparators(p.root + QStringLiteral("/Backups/2026-12-10 15-00-00")) +
                             QLatin1Char('.')});
    }

    void restoreWithoutCopiesSaysSo() {
        Program p;
        restoreFromBackup();
        QCOMPARE(p.dialogs.texts(),
                 QStringList{QStringLiteral("There are no backup copies yet. Make one with \"Back up now\".")});
    }

    void restoreListsTheCopiesNewestFirstAndAsksFirst() {
        Program p;
        DataModule1->backups().backUpNow();  // no tasks
        testing::execSql(databaseFilePath().toStdString(), "INSERT INTO ToDo (MesType, Title) VALUES (0, 'one')");
        p.clock->setNow(p.clock->now() + 1.0);
        DataModule1->backups().backUpNow();  // one task
        testing::execSql(databaseFilePath().toStdString(), "INSERT INTO ToDo (MesType, Title) VALUES (0, 'two')");
        QCOMPARE(taskCount(), std::int64_t{2});
        QSignalSpy tasksChanged(&DataModule1->tasks(), &TaskStore::changed);

        // Cancelled at the list, then refused at the confirmation: nothing changes.
        p.dialogs.itemAnswer = -1;
        restoreFromBackup();
        QCOMPARE(p.dialogs.choices.size(), std::size_t{1});
        QCOMPARE(p.dialogs.choices[0].items.size(), 2);
        QVERIFY(p.dialogs.choices[0].items[0] > QString());  // dates as the locale writes them
        p.dialogs.itemAnswer = 1;                            // the older copy
        p.dialogs.answers = {MsgNo};
        restoreFromBackup();
        QCOMPARE(taskCount(), std::int64_t{2});
        QVERIFY(p.dialogs.texts().last().startsWith(
            QStringLiteral("Replace the current database with the backup copy made ")));

        p.dialogs.messages.clear();
        p.dialogs.answers = {MsgYes};
        restoreFromBackup();
        QCOMPARE(taskCount(), std::int64_t{0});
        QCOMPARE(tasksChanged.count(), 1);
        QCOMPARE(p.dialogs.texts().size(), 2);
        QVERIFY2(p.dialogs.texts()[1].contains(QStringLiteral("The previous database was kept in ")),
                 qPrintable(p.dialogs.texts()[1]));
        const QStringList aside =
            QDir(p.root + QStringLiteral("/Backups")).entryList({QStringLiteral("replaced *")}, QDir::Dirs);
        QCOMPARE(aside.size(), 1);
        QVERIFY(QFileInfo::exists(p.root + QStringLiteral("/Backups/") + aside[0] + QStringLiteral("/Tamo.qdb")));
    }

    // Another program's lock is no damage: the start-up check says the
    // database is in use; Retry checks again once the lock is gone, Cancel
    // ends the start-up as a failure; no copy is offered either way.
    void aDatabaseInUseIsRetriedAndNeverRestored_data() {
        QTest::addColumn<bool>("retry");
        QTest::newRow("Retry after the lock is gone") << true;
        QTest::newRow("Cancel") << false;
    }
    void aDatabaseInUseIsRetriedAndNeverRestored() {
        QFETCH(bool, retry);
        Program p;
        backUpNow();
        p.dialogs.messages.clear();
        ExclusiveLock lock(databaseFilePath());
        p.dialogs.answers = {retry ? MsgRetry : MsgCancel};
        p.dialogs.onMessage = [&lock](const MessageRequest&) { lock.release(); };
        DatabaseCheck check;
        if (retry) {
            QCOMPARE(check.finish(), false);
        } else {
            int exitCode = -1;
            try {
                check.finish();
            } catch (const StartupEnded& ended) {
                exitCode = ended.exitCode;
            }
            QCOMPARE(exitCode, 1);
        }
        QCOMPARE(p.dialogs.messages.size(), std::size_t{1});
        QVERIFY2(p.dialogs.messages[0].text.contains(QStringLiteral("is in use by another program")),
                 qPrintable(p.dialogs.messages[0].text));
        QCOMPARE(p.dialogs.messages[0].buttons, unsigned(MsgRetry | MsgCancel));
        QVERIFY(
            QDir(p.root + QStringLiteral("/Backups")).entryList({QStringLiteral("replaced*")}, QDir::Dirs).isEmpty());
    }

    void dailyCopyOncePerDay() {
        Program p;
        QVERIFY(runDailyBackupIfDue());
        QVERIFY(!runDailyBackupIfDue());  // made today already
        p.clock->setNow(p.clock->now() + 1.0);
        QVERIFY(runDailyBackupIfDue());
        QCOMPARE(DataModule1->backups().copies().size(), 2);
        QVERIFY(p.dialogs.messages.empty());  // the daily copy is made silently
    }

    void failedDailyCopyIsReportedOnceThatDay() {
        Program p;
        // A file where the Backups folder should be.
        QFile f(p.root + QStringLiteral("/Backups"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(!runDailyBackupIfDue());
        QCOMPARE(p.dialogs.messages.size(), std::size_t{1});
        QVERIFY(!runDailyBackupIfDue());
        QCOMPARE(p.dialogs.messages.size(), std::size_t{1});
    }
};

QTEST_MAIN(TestBackupCommands)
#include "tst_backup_commands.moc"
