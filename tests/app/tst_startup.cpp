// Start-up as real processes: a copy of the program in a folder of its own
// (with blanks in its path), with its own runtime folder for the instance
// lock.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "fixture_db.h"
#include "process_install.h"

namespace {

// The program in a folder of its own, with blanks in its path.
struct Install : ostrel::testing::ProcessInstall {
    explicit Install(bool withDatabase = true)
        : ProcessInstall(Options{QStringLiteral("my organizer folder"), true, withDatabase,
                                 QByteArray("[General]\r\nLanguage=English\r\n")}) {}
};

void setOld(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    const QDateTime old(QDate(2020, 1, 1), QTime(12, 0));
    QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
}

QDateTime mtime(const QString& path) { return QFileInfo(path).fileTime(QFileDevice::FileModificationTime); }

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void secondCopyLeavesTheFirstAndItsFilesAlone() {
        Install app;
        std::unique_ptr<QProcess> first(app.start());
        QVERIFY(first->waitForStarted());
        const QString db = app.root + QStringLiteral("/Tamo.qdb");
        const QString ini = app.root + QStringLiteral("/ostrel-organizer.ini");
        QVERIFY2(QTest::qWaitFor([&] { return Install::hasOpen(first->processId(), db); }, 10000),
                 first->readAllStandardError().constData());

        setOld(db);
        setOld(ini);
        const QDateTime dbBefore = mtime(db);
        const QDateTime iniBefore = mtime(ini);

        std::unique_ptr<QProcess> second(app.start());
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(second->readAllStandardError().indexOf("[Ostrel Organizer]") < 0);  // no message shown

        QCOMPARE(mtime(db), dbBefore);
        QCOMPARE(mtime(ini), iniBefore);
        QCOMPARE(first->state(), QProcess::Running);

        first->kill();
        first->waitForFinished();
    }

    // A runtime folder that cannot hold files (/proc takes no new files,
    // not even from root): the lock cannot be made, which is said and ends
    // with code 1 (never 0 and no word, as if another copy ran).
    void aLockThatCannotBeCreatedIsReportedWithCode1() {
        Install app;
        QDir().mkpath(app.root + QStringLiteral("/Languages"));
        QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/English.lng"),
                    app.root + QStringLiteral("/Languages/English.lng"));
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/proc"));
        std::unique_ptr<QProcess> p(app.start(env));
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitCode(), 1);
        const QByteArray err = p->readAllStandardError();
        QVERIFY2(
            err.contains("[Ostrel Organizer] Cannot create the lock file /proc/ostrel-") &&
                err.contains(".lock that keeps a second copy of the program from starting: No such file or directory."),
            err.constData());
    }

    void missingDatabaseEndsStartupWithTheErrorAndCode1() {
        Install app(false);
        std::unique_ptr<QProcess> p(app.start());
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitCode(), 1);
        const QByteArray err = p->readAllStandardError();
        QVERIFY2(err.contains("[Ostrel Organizer]") && err.contains("unable to open database file"), err.constData());
        QVERIFY(!QFile::exists(app.root + QStringLiteral("/Tamo.qdb")));  // never created by the program
    }

    void damagedDatabaseEndsStartupWithTheError() {
        Install app(false);
        QFile junk(app.root + QStringLiteral("/Tamo.qdb"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        std::unique_ptr<QProcess> p(app.start());
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitCode(), 1);
        const QByteArray err = p->readAllStandardError();
        QVERIFY2(err.contains("not a database"), err.constData());
        QCOMPARE(QFileInfo(junk).size(), qint64(4096));  // left as it was
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
