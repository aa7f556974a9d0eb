// Start-up under faults, as a real process. Another program's lock on the
// database is never damage: no restore is offered or made, whatever kind of
// lock is held and whether or not a backup copy exists. A quit signal while
// a start-up message waits for its answer ends the program at once, with
// what Exit saves.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <sqlite3.h>

#include <csignal>
#include <memory>

#include "fixture_db.h"
#include "process_install.h"

namespace {

using ostrel::testing::ProcessInstall;

// How long a quit may take once the signal is sent. The sanitizer build
// runs everything a few times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kQuitMs = 3000;
#else
constexpr int kQuitMs = 1000;
#endif

const QByteArray kIni = "[General]\nLanguage=English\nProgramView=3\n[Clock]\nLeft=210\nTop=120\n";

struct Install : ProcessInstall {
    Install() : ProcessInstall(Options{QStringLiteral("organizer"), true, true, kIni}) {
        QDir().mkpath(root + QStringLiteral("/Languages"));
        QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/English.lng"),
                    root + QStringLiteral("/Languages/English.lng"));
    }
    void sql(const std::string& statement) const { ostrel::testing::execSql(database().toStdString(), statement); }
    // A sound copy made before the last row was added.
    void addBackup() const {
        const QString folder = root + QStringLiteral("/Backups/2026-12-08 10-00-00");
        QDir().mkpath(folder);
        QFile::copy(database(), folder + QStringLiteral("/Tamo.qdb"));
    }
    QStringList replacedFolders() const {
        return QDir(root + QStringLiteral("/Backups")).entryList({QStringLiteral("replaced*")}, QDir::Dirs);
    }
    QProcess* startWith(const QString& dialogs, const QByteArray& extraLog = {}) const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("OSTREL_DIALOGS"), dialogs);
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("ostrel.startup.info=true") + extraLog);
        return start(env);
    }
};

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::int64_t countTitled(const QString& db, const std::string& title) {
    sqlite3* h = nullptr;
    std::int64_t n = -1;
    if (sqlite3_open_v2(db.toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        const std::string q = "SELECT count(*) FROM ToDo WHERE Title = '" + title + "'";
        if (sqlite3_prepare_v2(h, q.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return n;
}

// Another program's connection holding a lock on the database, until it is
// released or destroyed.
class Holder {
public:
    Holder(const QString& db, const QString& kind) {
        if (kind == QLatin1String("none")) return;
        sqlite3_open_v2(db.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        const char* begin = kind == QLatin1String("shared")     ? "BEGIN; SELECT count(*) FROM ToDo;"
                            : kind == QLatin1String("reserved") ? "BEGIN IMMEDIATE;"
                                                                : "BEGIN EXCLUSIVE;";
        ok_ = sqlite3_exec(db_, begin, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Holder() { release(); }
    bool ok() const { return ok_ || !db_; }
    void release() {
        if (!db_) return;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
        db_ = nullptr;
    }

private:
    sqlite3* db_ = nullptr;
    bool ok_ = false;
};

// Gathers standard error until it holds `text` or the process ends.
bool waitForText(QProcess* p, QByteArray& err, const QByteArray& text, int ms = 20000) {
    return QTest::qWaitFor(
               [&] {
                   err += p->readAllStandardError();
                   return err.contains(text) || p->state() == QProcess::NotRunning;
               },
               ms) &&
           err.contains(text);
}

}  // namespace

class TestStartupFaults : public QObject {
    Q_OBJECT
private slots:
    // Every kind of lock another program can hold while the program starts.
    void aLockedDatabaseIsNeverDamaged_data() {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<bool>("backup");
        QTest::addColumn<int>("releaseAfterMs");  // -1: held until the program has ended
        for (const bool backup : {true, false}) {
            const char* b = backup ? " with a backup copy" : " without a backup copy";
            QTest::addRow("none%s", b) << QStringLiteral("none") << backup << -1;
            QTest::addRow("shared%s", b) << QStringLiteral("shared") << backup << -1;
            QTest::addRow("reserved%s", b) << QStringLiteral("reserved") << backup << -1;
            QTest::addRow("exclusive, released after a second%s", b) << QStringLiteral("exclusive") << backup << 1000;
            QTest::addRow("exclusive, held%s", b) << QStringLiteral("exclusive") << backup << -1;
        }
    }
    void aLockedDatabaseIsNeverDamaged() {
        QFETCH(QString, lock);
        QFETCH(bool, backup);
        QFETCH(int, releaseAfterMs);
        Install app;
        if (backup) app.addBackup();
        app.sql("INSERT INTO ToDo (MesType, Title) VALUES (1, 'made after the copy')");
        const QByteArray before = readFile(app.database());
        const bool held = lock == QLatin1String("exclusive") && releaseAfterMs < 0;

        Holder holder(app.database(), lock);
        QVERIFY(holder.ok());
        std::unique_ptr<QProcess> p(app.startWith(QStringLiteral("stderr")));
        QVERIFY(p->waitForStarted());
        if (releaseAfterMs >= 0) QTimer::singleShot(releaseAfterMs, [&holder] { holder.release(); });
        QByteArray err;
        if (held) {
            // Told that the database is in use; the answer Cancel ends the
            // program as a failure, with the file untouched.
            QVERIFY2(p->waitForFinished(20000), err.constData());
            err += p->readAllStandardError();
            QVERIFY2(err.contains("is in use by another program"), err.constData());
            QCOMPARE(p->exitCode(), 1);
        } else {
            QVERIFY2(waitForText(p.get(), err, "clock shown"), err.constData());
            QVERIFY2(!err.contains("is in use by another program"), err.constData());
            ::kill(static_cast<pid_t>(p->processId()), SIGTERM);
            QVERIFY(p->waitForFinished(10000));
            err += p->readAllStandardError();
            QCOMPARE(p->exitCode(), 0);
        }
        holder.release();
        QVERIFY2(!err.contains("damaged"), err.constData());
        QVERIFY2(app.replacedFolders().isEmpty(), qPrintable(app.replacedFolders().join(QLatin1Char(','))));
        QCOMPARE(countTitled(app.database(), "made after the copy"), std::int64_t{1});
        if (held) QVERIFY(readFile(app.database()) == before);
    }

    // Each message start-up can show, answered by a quit signal instead of
    // the user: the box closes, the program ends within kQuitMs with its
    // view saved, and the question's offer is not taken.
    void aQuitSignalEndsAnOpenStartupMessage_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("signalNumber");
        const struct {
            const char* fault;
            const char* message;
        } faults[] = {
            {"database in use", "is in use by another program"},
            {"damaged database", "is damaged"},
            {"damaged notes", "The notes file could not be read"},
            {"locked during the start-up pass", "locked"},
        };
        const struct {
            const char* name;
            int number;
        } signals_[] = {{"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGINT", SIGINT}};
        for (const auto& f : faults)
            for (const auto& s : signals_)
                QTest::addRow("%s, %s", f.fault, s.name)
                    << QString::fromLatin1(f.fault) << QByteArray(f.message) << s.number;
    }
    void aQuitSignalEndsAnOpenStartupMessage() {
        QFETCH(QString, fault);
        QFETCH(QByteArray, message);
        QFETCH(int, signalNumber);
        Install app;
        std::unique_ptr<Holder> holder;
        QString lock;
        if (fault == QLatin1String("database in use")) {
            lock = QStringLiteral("exclusive");
        } else if (fault == QLatin1String("damaged database")) {
            app.addBackup();
            app.sql(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
                "INSERT INTO ToDo (MesType, Title) SELECT 1, printf('task %03d of a long title', i) FROM n");
            QFile f(app.database());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(f.size() - 2048));
            f.write(QByteArray(2048, '\xAB'));
        } else if (fault == QLatin1String("damaged notes")) {
            QFile f(app.root + QStringLiteral("/pockerbook.rtf"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("just some text\n");
        } else {
            // A reminder due at start whose answer cannot be written while
            // another program holds the write lock.
            app.sql(
                "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, "
                "ElapseType) VALUES (0, 46000.4, 46000.4, 'due', 'c', 0, 0, 1, 2)");
            lock = QStringLiteral("reserved");
        }
        // Read before any lock is taken: closing a file releases every lock
        // this process holds on it.
        const QByteArray before = readFile(app.database());
        if (!lock.isEmpty()) holder = std::make_unique<Holder>(app.database(), lock);
        QVERIFY(!holder || holder->ok());

        QProcessEnvironment extra;
        extra.insert(QStringLiteral("OSTREL_DIALOGS"), QStringLiteral("stderr-open"));
        extra.insert(QStringLiteral("OSTREL_CLOCK_START"), QStringLiteral("46000.5"));
        std::unique_ptr<QProcess> p(app.start(extra));
        QByteArray err;
        QVERIFY2(waitForText(p.get(), err, message), err.constData());
        // The box waits for an answer now. What Exit saves is seen because
        // the file says otherwise until then.
        QTest::qWait(200);
        QVERIFY2(p->state() == QProcess::Running, err.constData());
        app.writeIni("[General]\nLanguage=English\nProgramView=1\n[Clock]\nLeft=0\nTop=0\n");
        QElapsedTimer ending;
        ending.start();
        ::kill(static_cast<pid_t>(p->processId()), signalNumber);
        QVERIFY2(p->waitForFinished(10000), err.constData());
        const qint64 took = ending.elapsed();
        err += p->readAllStandardError();
        QVERIFY2(took < kQuitMs, qPrintable(QStringLiteral("ended after %1 ms").arg(took)));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
        const QByteArray ini = app.readIni();
        QVERIFY2(ini.contains("ProgramView=3") && ini.contains("Left=210") && ini.contains("Top=120"), ini.constData());
        // No offer was taken: the damaged file stays, no copy replaced it.
        QVERIFY(app.replacedFolders().isEmpty());
        if (fault == QLatin1String("damaged database")) QVERIFY(readFile(app.database()) == before);
    }
};

QTEST_GUILESS_MAIN(TestStartupFaults)
#include "tst_startup_faults.moc"
