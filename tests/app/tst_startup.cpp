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

namespace {

class Install {
public:
    explicit Install(bool withDatabase = true) {
        root = dir.path() + QStringLiteral("/my organizer folder");
        runtime = dir.path() + QStringLiteral("/runtime");
        QDir().mkpath(root);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        exe = root + QStringLiteral("/ostrel-organizer");
        QFile::copy(QStringLiteral(OSTREL_APP_EXE), exe);
        QDir().mkpath(root + QStringLiteral("/skins"));
        QFile::copy(QFileInfo(QStringLiteral(OSTREL_APP_EXE)).absolutePath() + QStringLiteral("/skins/ostrel.skn"),
                    root + QStringLiteral("/skins/ostrel.skn"));
        if (withDatabase) ostrel::testing::createOrganizerDatabase((root + QStringLiteral("/Tamo.qdb")).toStdString());
        QFile ini(root + QStringLiteral("/ostrel-organizer.ini"));
        if (ini.open(QIODevice::WriteOnly)) ini.write("[General]\r\nLanguage=English\r\n");
    }

    QProcess* start(const QProcessEnvironment& extra = {}) {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
        env.insert(QStringLiteral("OSTREL_DIALOGS"), QStringLiteral("stderr"));
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir.path());
        p->start(exe, {});
        return p;
    }

    // True once the process has the database open (it is past the guard
    // and into start-up).
    static bool hasOpen(qint64 pid, const QString& file) {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::NoDotAndDotDot | QDir::System | QDir::Files))
            if (fd.symLinkTarget() == file) return true;
        return false;
    }

    QTemporaryDir dir;
    QString root;
    QString runtime;
    QString exe;
};

void setOld(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    const QDateTime old(QDate(2020, 1, 1), QTime(12, 0));
    QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
}

QDateTime mtime(const QString& path) {
    return QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
}

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

        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<QProcess> second(app.start());
        QVERIFY(second->waitForFinished(10000));
        const qint64 took = timer.elapsed();
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY2(took < 5000, qPrintable(QString::number(took)));
        QVERIFY(second->readAllStandardError().indexOf("[Ostrel Organizer]") < 0);  // no message shown

        QCOMPARE(mtime(db), dbBefore);
        QCOMPARE(mtime(ini), iniBefore);
        QCOMPARE(first->state(), QProcess::Running);

        first->kill();
        first->waitForFinished();
    }

    // A runtime folder that cannot hold files (/proc takes no new files,
    // not even from root): the lock cannot be made, which is said and ends
    // with code 1 (it used to end with 0 and no word, as if another copy
    // ran).
    void aLockThatCannotBeCreatedIsReportedWithCode1() {
        Install app;
        QDir().mkpath(app.root + QStringLiteral("/Languages"));
        QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/English.lng"), app.root + QStringLiteral("/Languages/English.lng"));
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/proc"));
        std::unique_ptr<QProcess> p(app.start(env));
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitCode(), 1);
        const QByteArray err = p->readAllStandardError();
        QVERIFY2(err.contains("[Ostrel Organizer] Cannot create the lock file /proc/ostrel-") &&
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
