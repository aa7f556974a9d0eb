// Autostart entry, quit signals and the desktop tools.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include "platform/autostart.h"
#include "platform/desktop_tools.h"
#include "platform/quit_signals.h"

using namespace ostrel;

class TestDesktopPlatform : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); }

    void autostartEntryRoundTrips_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << "/usr/local/bin/ostrel-organizer";
        QTest::newRow("blanks") << "/home/me/My Programs/ostrel organizer";
        QTest::newRow("quotes and dollar") << "/opt/a\"b$c`d/ostrel";
        QTest::newRow("backslash") << "/opt/back\\slash/ostrel";
    }
    void autostartEntryRoundTrips() {
        QFETCH(QString, path);
        setAutostart(path);
        QCOMPARE(autostartEntryPath(), config.path() + QStringLiteral("/autostart/ostrel-organizer.desktop"));
        QCOMPARE(autostartCommand(), path);
        QVERIFY(autostartEnabledFor(path));
        QVERIFY(!autostartEnabledFor(path.toUpper()));
        QVERIFY(!autostartEnabledFor(path + QStringLiteral("x")));
        removeAutostart();
        QVERIFY(!QFile::exists(autostartEntryPath()));
        QVERIFY(!autostartEnabledFor(path));
        removeAutostart();  // nothing to remove is fine
    }

    void handWrittenEntries() {
        QDir().mkpath(config.path() + QStringLiteral("/autostart"));
        auto write = [&](const QByteArray& text) {
            QFile f(autostartEntryPath());
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(text);
        };
        write("[Desktop Entry]\nType=Application\nExec=/opt/ostrel/ostrel-organizer --flag\n");
        QCOMPARE(autostartCommand(), QStringLiteral("/opt/ostrel/ostrel-organizer"));
        write("[Other]\nExec=/wrong\n[Desktop Entry]\nExecX=/wrong\nExec = \"/a b/c\"\n");
        QCOMPARE(autostartCommand(), QStringLiteral("/a b/c"));
        write("[Desktop Entry]\nName=no exec\n");
        QCOMPARE(autostartCommand(), QString());
    }

    void unwritableAutostartFolderThrows() {
        QFile blocker(config.path() + QStringLiteral("/autostart"));
        QDir(config.path() + QStringLiteral("/autostart")).removeRecursively();
        QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
        blocker.close();
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, setAutostart(QStringLiteral("/x")));
        blocker.remove();
    }

    void terminationSignalsBecomeAQuitRequest() {
        QuitSignalWatcher watcher;
        QSignalSpy spy(&watcher, &QuitSignalWatcher::quitRequested);
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
            spy.clear();
            ::raise(sig);
            QVERIFY(spy.wait(2000));
            QCOMPARE(spy.at(0).at(0).toInt(), sig);
        }
    }

    void firstToolFoundOnPathStarts() {
        QTemporaryDir bin;
        const QString marker = bin.path() + QStringLiteral("/started");
        QFile script(bin.path() + QStringLiteral("/second-tool"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(("#!/bin/sh\necho \"$@\" > '" + marker + "'\n").toUtf8());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        const bool started = startFirstAvailable({{QStringLiteral("first-tool-missing"), {}},
                                                  {QStringLiteral("second-tool"), {QStringLiteral("datetime")}}});
        const bool none = startFirstAvailable({{QStringLiteral("nothing-here"), {}}});
        qputenv("PATH", oldPath);
        QVERIFY(started);
        QVERIFY(!none);
        QTRY_VERIFY(QFile::exists(marker));
        auto content = [&] {
            QFile m(marker);
            return m.open(QIODevice::ReadOnly) ? m.readAll() : QByteArray();
        };
        QTRY_COMPARE(content(), QByteArray("datetime\n"));
    }

private:
    QTemporaryDir config;
};

QTEST_MAIN(TestDesktopPlatform)
#include "tst_desktop_platform.moc"
