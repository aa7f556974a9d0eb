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

namespace {

class Install {
public:
    explicit Install(bool withSkin = true) {
        root = dir.path() + QStringLiteral("/organizer");
        QDir().mkpath(root + QStringLiteral("/runtime"));
        QFile::setPermissions(root + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        exe = root + QStringLiteral("/ostrel-organizer");
        QFile::copy(QStringLiteral(OSTREL_APP_EXE), exe);
        if (withSkin) {
            QDir().mkpath(root + QStringLiteral("/skins"));
            QFile::copy(QFileInfo(QStringLiteral(OSTREL_APP_EXE)).absolutePath() + QStringLiteral("/skins/ostrel.skn"),
                        root + QStringLiteral("/skins/ostrel.skn"));
        }
        ostrel::testing::createOrganizerDatabase((root + QStringLiteral("/Tamo.qdb")).toStdString());
    }
    void writeIni(const QByteArray& text) {
        QFile f(ini());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }
    QByteArray readIni() {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString ini() const { return root + QStringLiteral("/ostrel-organizer.ini"); }

    QProcess* start() {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        env.insert(QStringLiteral("OSTREL_DIALOGS"), QStringLiteral("stderr"));
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->start(exe, {});
        return p;
    }

    // The program has reached its run loop once it holds the database open
    // and has had a moment to show its window.
    static bool running(QProcess* p, const QString& db) {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(p->processId()));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::NoDotAndDotDot | QDir::System | QDir::Files))
            if (fd.symLinkTarget() == db) return true;
        return false;
    }

    QTemporaryDir dir;
    QString root;
    QString exe;
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
        QVERIFY2(QTest::qWaitFor([&] { return Install::running(p.get(), app.root + QStringLiteral("/Tamo.qdb")); },
                                 10000),
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
        QVERIFY2(err.contains("[Ostrel Organizer] Erron on load application. Cannot find skin file\r\n"
                              "Try to run application one time more or reinstall it."),
                 err.constData());
        // The windows were destroyed the normal way: the view mode was saved.
        QVERIFY(app.readIni().contains("ProgramView=3"));
    }
};

QTEST_GUILESS_MAIN(TestClockProcess)
#include "tst_clock_process.moc"
