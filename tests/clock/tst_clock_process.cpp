// The clock as a real process: SIGTERM, SIGINT and SIGHUP end it like Exit
// (the view mode and position are saved); a missing skin ends it after
// start-up with the warning.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include "fixture_db.h"
#include "process_install.h"

namespace {

struct Install : ostrel::testing::ProcessInstall {
    explicit Install(bool withSkin = true) : ProcessInstall(Options{QStringLiteral("organizer"), withSkin, true, {}}) {}
    // The program has reached its run loop once it holds the database open.
    static bool running(QProcess* p, const QString& db) { return hasOpen(p->processId(), db); }
};

}  // namespace

class TestClockProcess : public QObject {
    Q_OBJECT
private slots:
    void signalsEndTheProgramLikeExit_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void signalsEndTheProgramLikeExit() {
        QFETCH(int, signalNumber);
        Install app;
        app.writeIni("[General]\nProgramView=3\nLanguage=English\n[Clock]\nLeft=210\nTop=120\n");
        std::unique_ptr<QProcess> p(app.start());
        QVERIFY(p->waitForStarted());
        QVERIFY2(
            QTest::qWaitFor([&] { return Install::running(p.get(), app.root + QStringLiteral("/Tamo.qdb")); }, 10000),
            p->readAllStandardError().constData());
        QTest::qWait(300);
        // Overwrite the stored position so that the save on exit is seen.
        app.writeIni("[General]\nProgramView=1\nLanguage=English\n[Clock]\nLeft=0\nTop=0\n");
        ::kill(static_cast<pid_t>(p->processId()), signalNumber);
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
        const QByteArray ini = app.readIni();
        QVERIFY2(ini.contains("ProgramView=3"), ini.constData());
        QVERIFY2(ini.contains("Left=210") && ini.contains("Top=120"), ini.constData());
    }

    void missingSkinWarnsAndEndsAfterStartup() {
        Install app(false);
        app.writeIni("[General]\nProgramView=3\n[Clock]\nLeft=5\nTop=6\n");
        std::unique_ptr<QProcess> p(app.start());
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        const QByteArray err = p->readAllStandardError();
        QVERIFY2(err.contains("[Ostrel Organizer] Ostrel Organizer cannot start: the file ") &&
                     err.contains("ostrel.skn, which gives its windows their look, is missing or cannot be read."),
                 err.constData());
        // The windows were destroyed the normal way: the view mode was saved.
        QVERIFY(app.readIni().contains("ProgramView=3"));
    }
};

QTEST_GUILESS_MAIN(TestClockProcess)
#include "tst_clock_process.moc"
