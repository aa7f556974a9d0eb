// The rule that places the program's files: portable beside the executable
// or installed in the user's folders, and a chosen data folder over both.

#include <QtTest>

#include "base/app_paths.h"

using namespace ostrel;

class TestAppPaths : public QObject {
    Q_OBJECT
private slots:
    void theRule_data() {
        QTest::addColumn<bool>("marker");
        QTest::addColumn<bool>("database");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("share");
        QTest::addColumn<QString>("dataDir");
        QTest::addColumn<QString>("xdgData");
        QTest::addColumn<QString>("xdgConfig");
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("readOnly");
        const QString exe = QStringLiteral("/opt/x/bin");
        const QString share = QStringLiteral("/opt/x/share/ostrel-organizer");
        const QString home = QStringLiteral("/home/ann");
        const QString userData = home + QStringLiteral("/.local/share/ostrel-organizer");
        const QString userConfig = home + QStringLiteral("/.config/ostrel-organizer");
        // clang-format off
        QTest::newRow("marker beside the program")                   << true  << false << false << true  << "" << "" << "" << true  << exe << exe << exe;
        QTest::newRow("database beside a writable folder")           << false << true  << true  << false << "" << "" << "" << true  << exe << exe << exe;
        QTest::newRow("database beside a read-only folder")          << false << true  << false << true  << "" << "" << "" << false << userData << userConfig << share;
        QTest::newRow("installed")                                   << false << false << false << true  << "" << "" << "" << false << userData << userConfig << share;
        QTest::newRow("installed in a writable prefix")              << false << false << true  << true  << "" << "" << "" << false << userData << userConfig << share;
        QTest::newRow("installed without its share folder")         << false << false << false << false << "" << "" << "" << false << userData << userConfig << exe;
        QTest::newRow("XDG folders set")                             << false << false << false << true  << "" << "/x/data/" << "/x/conf" << false << "/x/data/ostrel-organizer" << "/x/conf/ostrel-organizer" << share;
        QTest::newRow("relative XDG folders are ignored")            << false << false << false << true  << "" << "data" << "conf" << false << userData << userConfig << share;
        QTest::newRow("data folder chosen, installed")               << false << false << false << true  << "/d/org/" << "/x/data" << "" << false << "/d/org" << "/d/org" << share;
        QTest::newRow("data folder chosen, portable")                << true  << true  << true  << false << "/d/org" << "" << "" << true  << "/d/org" << "/d/org" << exe;
        // clang-format on
    }
    void theRule() {
        QFETCH(bool, marker);
        QFETCH(bool, database);
        QFETCH(bool, writable);
        QFETCH(bool, share);
        QFETCH(QString, dataDir);
        QFETCH(QString, xdgData);
        QFETCH(QString, xdgConfig);
        PathFacts f;
        f.exeDir = QStringLiteral("/opt/x/bin");
        f.portableMarker = marker;
        f.databaseBesideExe = database;
        f.exeDirWritable = writable;
        f.shareDirExists = share;
        f.dataDir = dataDir;
        f.xdgDataHome = xdgData;
        f.xdgConfigHome = xdgConfig;
        f.home = QStringLiteral("/home/ann");
        const PathLayout l = decidePaths(f);
        QTEST(l.portable, "portable");
        QTEST(l.data, "data");
        QTEST(l.config, "config");
        QTEST(l.readOnly, "readOnly");
    }

    void dataDirArgument_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QStringList>("rest");
        QTest::addColumn<bool>("error");
        QTest::newRow("none") << QStringList{"--import-calendar", "a.ics"} << QString()
                              << QStringList{"--import-calendar", "a.ics"} << false;
        QTest::newRow("two words") << QStringList{"--data-dir", "/d", "-x"} << "/d" << QStringList{"-x"} << false;
        QTest::newRow("with =") << QStringList{"--data-dir=/d e"} << "/d e" << QStringList{} << false;
        QTest::newRow("folder missing") << QStringList{"--data-dir"} << QString() << QStringList{} << true;
        QTest::newRow("empty after =") << QStringList{"--data-dir="} << QString() << QStringList{} << true;
    }
    void dataDirArgument() {
        QFETCH(QStringList, args);
        QString error;
        const QString dir = takeDataDirArgument(args, &error);
        QTEST(dir, "dir");
        QTEST(args, "rest");
        QTEST(!error.isEmpty(), "error");
    }
};

QTEST_GUILESS_MAIN(TestAppPaths)
#include "tst_app_paths.moc"
