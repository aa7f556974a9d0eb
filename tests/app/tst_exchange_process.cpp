// The exchange options of the command line, run as a user would: without
// a running program and beside one, which keeps running (no second clock)
// and re-reads its views.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <memory>

#include "core/data/sql/connection.h"
#include "core/data/sql/query.h"
#include "process_install.h"

using Install = ostrel::testing::ProcessInstall;

namespace {

QString fixture(const char* name) {
    return QStringLiteral(OSTREL_SOURCE_DIR "/tests/fixtures/exchange/") + QLatin1String(name);
}

std::int64_t rows(const QString& db, const char* table) {
    ostrel::sql::Connection conn(db.toStdString());
    ostrel::sql::Query q(conn);
    q.add(std::string("SELECT Count(*) AS N FROM ") + table);
    q.open();
    return q.asInteger("N");
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const Install& app, const QStringList& args) {
    std::unique_ptr<QProcess> p(app.start({}, args));
    Run r;
    if (!p->waitForFinished(20000)) {
        p->kill();
        p->waitForFinished();
        return r;
    }
    r.exitCode = p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
    r.out = p->readAllStandardOutput();
    r.err = p->readAllStandardError();
    return r;
}

}  // namespace

class TestExchangeProcess : public QObject {
    Q_OBJECT
private slots:
    void withoutARunningCopy() {
        Install app;
        // A relative file is the caller's: the working folder is the
        // install's temporary folder, not the program's.
        Run r = run(app, {QStringLiteral("--import-calendar"), fixture("calendar_programs.ics")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith("Imported from "), r.out + r.err);
        QCOMPARE(r.out.count('\n'), 1);
        QCOMPARE(rows(app.database(), "ToDo"), std::int64_t{12});

        r = run(app, {QStringLiteral("--export-calendar=out.ics")});
        QCOMPARE(r.exitCode, 0);
        const QString out = app.dir.path() + QStringLiteral("/out.ics");
        QCOMPARE(r.out,
                 QByteArray("12 entries (tasks, holidays and plans) were written to ") + out.toLocal8Bit() + ".\n");
        QVERIFY(QFile::exists(out));

        r = run(app, {QStringLiteral("--import-contacts"), QStringLiteral("out.ics")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains("is not a vCard file"), r.err);

        r = run(app, {QStringLiteral("--export-contacts")});
        QCOMPARE(r.exitCode, 2);
        // No clock was started: no instance lock was ever made.
        QCOMPARE(QDir(app.runtime).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot), QStringList());
    }

    void besideARunningCopy() {
        Install app;
        QProcessEnvironment env;
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("ostrel.exchange.info=true"));
        std::unique_ptr<QProcess> clock(app.start(env));
        QVERIFY(clock->waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return Install::hasOpen(clock->processId(), app.database()); }, 10000),
                 clock->readAllStandardError().constData());

        const Run r = run(app, {QStringLiteral("--import-contacts"), fixture("phone_cards.vcf")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(": 3 added, 0 updated, 0 unchanged, 1 left out."), r.out + r.err);
        QCOMPARE(rows(app.database(), "AddressBook"), std::int64_t{3});
        // The running copy was told and re-read its views; it still runs.
        QByteArray clockErr;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         clockErr += clock->readAllStandardError();
                         return clockErr.contains("views refreshed");
                     },
                     10000),
                 clockErr.constData());
        QCOMPARE(clock->state(), QProcess::Running);
        // The photos went beside the program.
        QCOMPARE(QDir(app.root + QStringLiteral("/Photos")).entryList(QDir::Files).size(), 3);

        const Run e = run(app, {QStringLiteral("--export-calendar"), app.root + QStringLiteral("/cal.ics")});
        QCOMPARE(e.exitCode, 0);
        QCOMPARE(clock->state(), QProcess::Running);

        clock->terminate();
        QVERIFY(clock->waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(TestExchangeProcess)
#include "tst_exchange_process.moc"
