// A damaged database at start, as a real process: the user is told, the
// newest sound backup copy is offered (the stderr dialogs answer Yes) and
// restored, and the damaged file is kept aside.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <memory>

#include "core/data/sql/backup.h"
#include "fixture_db.h"
#include "process_install.h"

namespace {

struct Install : ostrel::testing::ProcessInstall {
    Install()
        : ProcessInstall(Options{QStringLiteral("organizer folder"), true, true,
                                 QByteArray("[General]\r\nLanguage=English\r\n")}) {
        const QString from = QFileInfo(QStringLiteral(OSTREL_APP_EXE)).absolutePath() + QStringLiteral("/Languages");
        QDir().mkpath(root + QStringLiteral("/Languages"));
        QFile::copy(from + QStringLiteral("/English.lng"), root + QStringLiteral("/Languages/English.lng"));
    }
};

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Fills the ToDo table over several pages, then overwrites the file's last
// page: the header and schema stay readable, the table does not.
void damage(const QString& db) {
    std::string rows =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
        "INSERT INTO ToDo (MesType, Title) SELECT 0, printf('task %03d of a long title', i) FROM n";
    ostrel::testing::execSql(db.toStdString(), rows);
    QFile f(db);
    QVERIFY(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    QVERIFY(f.seek(size - 2048));
    f.write(QByteArray(2048, '\xAB'));
}

// Runs the program until stderr holds `until`, then ends it; returns stderr.
QByteArray runUntil(const Install& app, const QByteArray& until) {
    std::unique_ptr<QProcess> p(app.start());
    QByteArray err;
    const bool seen = QTest::qWaitFor(
        [&] {
            err += p->readAllStandardError();
            return err.contains(until) || p->state() == QProcess::NotRunning;
        },
        15000);
    p->terminate();
    p->waitForFinished(10000);
    err += p->readAllStandardError();
    if (!seen) qWarning("%s", err.constData());
    return err;
}

}  // namespace

class TestBackupStartup : public QObject {
    Q_OBJECT
private slots:
    void damagedDatabaseIsReplacedByTheNewestSoundCopyAndKept() {
        Install app;
        const QString backups = app.root + QStringLiteral("/Backups");
        // An older sound copy, and a newer one that is damaged too.
        const QString older = backups + QStringLiteral("/2026-12-08 10-00-00");
        const QString newer = backups + QStringLiteral("/2026-12-09 10-00-00");
        QDir().mkpath(older);
        QDir().mkpath(newer);
        ostrel::testing::createOrganizerDatabase((older + QStringLiteral("/Tamo.qdb")).toStdString());
        ostrel::testing::execSql((older + QStringLiteral("/Tamo.qdb")).toStdString(),
                                 "INSERT INTO ToDo (MesType, Title) VALUES (0, 'from the copy')");
        QFile(newer + QStringLiteral("/Tamo.qdb")).open(QIODevice::WriteOnly);
        damage(app.database());
        QVERIFY(!ostrel::sql::checkDatabase(app.database().toStdString()).empty());
        const QByteArray damaged = readFile(app.database());

        const QByteArray err = runUntil(app, "was restored from the backup copy");
        QVERIFY2(err.contains("is damaged"), err.constData());
        QVERIFY2(err.contains("Restore the newest sound backup copy, made "), err.constData());
        QVERIFY2(err.contains("was restored from the backup copy"), err.constData());

        QCOMPARE(ostrel::sql::checkDatabase(app.database().toStdString(), true), std::vector<std::string>{});
        const QStringList aside = QDir(backups).entryList({QStringLiteral("replaced *")}, QDir::Dirs);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(readFile(backups + QLatin1Char('/') + aside.first() + QStringLiteral("/Tamo.qdb")), damaged);
    }

    void withoutASoundCopyTheUserIsToldAndTheFileStays() {
        Install app;
        damage(app.database());
        const QByteArray err = runUntil(app, "there is no sound backup copy");
        QVERIFY2(err.contains("there is no sound backup copy"), err.constData());
        QVERIFY(QFileInfo::exists(app.database()));
        QVERIFY(!QFileInfo::exists(app.root + QStringLiteral("/Backups")));
    }
};

QTEST_GUILESS_MAIN(TestBackupStartup)
#include "tst_backup_startup.moc"
