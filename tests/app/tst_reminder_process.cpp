// The reminder engine in a running program: a copy of the program in a
// folder of its own, a fixture database, and a present chosen through
// OSTREL_CLOCK_START. The reminder windows it shows are read from its log.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <string>

#include "core/time/datetime.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return encodeDateTime({{y, mo, d}, {h, mi, s, 0}});
}

std::string num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

class Install {
public:
    Install() {
        root = dir.path() + QStringLiteral("/organizer");
        QDir().mkpath(root + QStringLiteral("/runtime"));
        QFile::setPermissions(root + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        exe = root + QStringLiteral("/ostrel-organizer");
        QFile::copy(QStringLiteral(OSTREL_APP_EXE), exe);
        const QString bin = QFileInfo(QStringLiteral(OSTREL_APP_EXE)).absolutePath();
        QDir().mkpath(root + QStringLiteral("/skins"));
        QFile::copy(bin + QStringLiteral("/skins/ostrel.skn"), root + QStringLiteral("/skins/ostrel.skn"));
        QDir().mkpath(root + QStringLiteral("/Languages"));
        QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/English.lng"),
                    root + QStringLiteral("/Languages/English.lng"));
        testing::createOrganizerDatabase(db().toStdString());
        QFile ini(root + QStringLiteral("/ostrel-organizer.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[General]\nLanguage=English\nProgramView=3\n[Clock]\nLeft=100\nTop=100\n");
    }
    QString db() const { return root + QStringLiteral("/Tamo.qdb"); }
    void sql(const std::string& statement) { testing::execSql(db().toStdString(), statement); }
    void insertTask(int mesType, DateTime first, DateTime show, const std::string& title, int periodInt = 0,
                    int periodType = 0, int elapseInt = 1, int elapseType = 2) {
        sql("INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, "
            "ElapseType) VALUES (" +
            std::to_string(mesType) + ", " + num(first) + ", " + num(show) + ", '" + title + "', 'c', " +
            std::to_string(periodInt) + ", " + std::to_string(periodType) + ", " + std::to_string(elapseInt) + ", " +
            std::to_string(elapseType) + ")");
    }

    QProcess* start(DateTime present) {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        env.insert(QStringLiteral("OSTREL_DIALOGS"), QStringLiteral("stderr"));
        env.insert(QStringLiteral("OSTREL_CLOCK_START"), QString::fromStdString(num(present)));
        env.insert(QStringLiteral("QT_LOGGING_RULES"),
                   QStringLiteral("ostrel.reminders.info=true\nostrel.startup.info=true"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::SeparateChannels);
        p->start(exe, {});
        return p;
    }

    // The log so far, gathered as it comes.
    QByteArray log(QProcess* p) {
        err += p->readAllStandardError();
        return err;
    }
    int shown(QProcess* p) { return static_cast<int>(log(p).count("reminder shown: task ")); }
    int listed(QProcess* p) { return static_cast<int>(log(p).count("reminder listed: task ")); }

    QTemporaryDir dir;
    QString root;
    QString exe;
    QByteArray err;
};

bool endsOnSignal(QProcess* p, int signalNumber = SIGTERM) {
    ::kill(static_cast<pid_t>(p->processId()), signalNumber);
    return p->waitForFinished(10000) && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
}

}  // namespace

class TestReminderProcess : public QObject {
    Q_OBJECT
private slots:
    // A title of a megabyte with blanks is fitted at once, and SIGTERM is
    // heard while the window shows it.
    void aReminderWithAHugeTitleShowsAndTheProgramStillEnds() {
        Install app;
        std::string title;
        for (int i = 0; i < 1024 * 1024 / 8; ++i) title += "a title ";
        app.insertTask(0, at(2024, 5, 6, 9), at(2024, 5, 6, 9), title);
        std::unique_ptr<QProcess> p(app.start(at(2024, 5, 6, 9, 1)));
        QVERIFY(p->waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return app.shown(p.get()) == 1; }, 20000), app.log(p.get()).constData());
        QVERIFY2(endsOnSignal(p.get()), app.log(p.get()).constData());
    }

    // A crash or kill just after the start-up pass, with the reminder window
    // open: showing a reminder never marks the task done, so it is not lost.
    void aReminderLeftUnansweredComesBackAfterAKill() {
        Install app;
        app.insertTask(0, at(2024, 5, 6, 9), at(2024, 5, 6, 9), "dentist");
        for (int run = 0; run < 2; ++run) {
            app.err.clear();
            std::unique_ptr<QProcess> p(app.start(at(2024, 5, 6, 9, 5 + run)));
            QVERIFY(p->waitForStarted());
            QVERIFY2(QTest::qWaitFor([&] { return app.shown(p.get()) == 1; }, 20000), app.log(p.get()).constData());
            QVERIFY(app.log(p.get()).contains("reminder shown: task 1"));
            p->kill();
            p->waitForFinished(10000);
        }
    }

    // SIGTERM while the start-up pass works through thousands of due
    // reminders (a quit asked before the run loop) is not lost: the pass
    // stops, the program ends as Exit does, and what it did not reach stays
    // due.
    void aQuitSignalDuringTheStartupPassEndsTheProgram() {
        Install app;
        app.sql(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
            "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, "
            "ElapseType) SELECT 0, " +
            num(at(2024, 5, 6, 9)) + ", " + num(at(2024, 5, 6, 9)) + ", 'task ' || i, 'c', 0, 0, 1, 2 FROM n");
        std::unique_ptr<QProcess> p(app.start(at(2024, 5, 6, 9, 1)));
        QVERIFY(p->waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return app.shown(p.get()) >= 1; }, 20000), app.log(p.get()).constData());
        QVERIFY2(endsOnSignal(p.get()), app.log(p.get()).constData());
        QVERIFY(app.shown(p.get()) < 3000);
    }

    // A thousand tasks due at one start never open a thousand windows
    // (hundreds of MB, no menu for half a minute). Twenty windows open, the
    // other 980 wait in one list window, and the clock shows at once. The
    // time from start to the clock is reported, not asserted (the machine's
    // load decides it).
    void aThousandDueTasksOpenTwentyWindowsAndOneList() {
        Install app;
        app.sql(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
            "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, "
            "ElapseType) SELECT 0, " +
            num(at(2024, 5, 6, 9)) + ", " + num(at(2024, 5, 6, 9)) + ", 'task ' || i, 'c', 0, 0, 1, 2 FROM n");
        QElapsedTimer wall;
        wall.start();
        std::unique_ptr<QProcess> p(app.start(at(2024, 5, 6, 9, 1)));
        QVERIFY(p->waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return app.log(p.get()).contains("clock shown "); }, 60000),
                 app.log(p.get()).constData());
        const qint64 seen = wall.elapsed();
        QCOMPARE(app.shown(p.get()), 20);
        QCOMPARE(app.listed(p.get()), 980);
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("clock shown (\\d+) ms")).match(QString::fromUtf8(app.log(p.get())));
        QVERIFY(m.hasMatch());
        qInfo("1,000 due tasks: clock shown %s ms after start inside the program, %lld ms after launch",
              qPrintable(m.captured(1)), static_cast<long long>(seen));
        QFile status(QStringLiteral("/proc/%1/status").arg(p->processId()));
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS:")) qInfo("1,000 due tasks: %s", line.simplified().constData());
        const bool ended = endsOnSignal(p.get());
        if (!ended) p->kill();
        // SIGTERM is honoured with many reminder windows open (their refusal
        // to close does not cancel it).
        QVERIFY2(ended, qPrintable(QStringLiteral("state %1 status %2 code %3: %4")
                                       .arg(p->state())
                                       .arg(p->exitStatus())
                                       .arg(p->exitCode())
                                       .arg(QString::fromUtf8(app.log(p.get()).right(600)))));
    }

    // Another process holds the database's write lock for the whole run (a
    // second program, a backup tool, the sqlite3 shell). Every write of the
    // reminder pass fails; the due reminder still shows once per occurrence
    // (not again each minute), the failure is told at most once,
    // and a busy wait never holds the program for seconds.
    void aDatabaseLockedByAnotherProcessShowsEachOccurrenceOnce() {
        Install app;
        // Every minute, active for an hour: due, and moved on by the pass.
        app.insertTask(0, at(2024, 5, 6, 8), at(2024, 5, 6, 9, 3), "stand up", 1, 1, 1, 2);
        app.insertTask(0, at(2024, 5, 6, 9), at(2024, 5, 6, 9), "dentist");
        QProcess holder;
        holder.setProcessChannelMode(QProcess::MergedChannels);
        holder.start(QStringLiteral("sqlite3"), {app.db()});
        QVERIFY2(holder.waitForStarted(), "the sqlite3 shell is needed for this test");
        holder.write("BEGIN IMMEDIATE;\nUPDATE ToDo SET Comment = Comment;\nSELECT 'locked';\n");
        QByteArray said;
        QVERIFY2(QTest::qWaitFor([&] { return (said += holder.readAll()).contains("locked"); }, 10000),
                 said.constData());

        QElapsedTimer wall;
        wall.start();
        // Just before a minute boundary, so that the clock's minute change
        // and any retry fall inside the run.
        std::unique_ptr<QProcess> p(app.start(at(2024, 5, 6, 9, 3, 58)));
        QVERIFY(p->waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return app.log(p.get()).contains("clock shown "); }, 20000),
                 app.log(p.get()).constData());
        qInfo("locked database: clock shown %lld ms after launch", static_cast<long long>(wall.elapsed()));
        QVERIFY2(QTest::qWaitFor([&] { return app.shown(p.get()) == 2; }, 20000), app.log(p.get()).constData());
        // Past the minute boundary: nothing opens a second time.
        QVERIFY(!QTest::qWaitFor([&] { return app.shown(p.get()) > 2; }, 3000));
        QCOMPARE(app.log(p.get()).count("reminder shown: task 1"), 1);
        QCOMPARE(app.log(p.get()).count("reminder shown: task 2"), 1);
        const QByteArray log = app.log(p.get());
        QVERIFY2(log.count("database is locked") <= 1, log.constData());
        QVERIFY2(endsOnSignal(p.get()), app.log(p.get()).constData());

        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(10000));
        // The rows are as the lock holder left them (its change rolled back)
        // and the program starts normally once the lock is gone.
        app.err.clear();
        std::unique_ptr<QProcess> again(app.start(at(2024, 5, 6, 9, 4, 30)));
        QVERIFY(again->waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return app.shown(again.get()) == 2; }, 20000), app.log(again.get()).constData());
        QVERIFY2(!app.log(again.get()).contains("locked"), app.log(again.get()).constData());
        QVERIFY2(endsOnSignal(again.get()), app.log(again.get()).constData());
    }
};

QTEST_GUILESS_MAIN(TestReminderProcess)
#include "tst_reminder_process.moc"
