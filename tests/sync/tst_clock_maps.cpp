// The running clock, with a sync account set up, loads neither the network
// nor the keyring code: those live in the helper ostrel-sync alone.

#include <QFile>
#include <QProcess>
#include <QtTest>

#include "process_install.h"

class TestClockMaps : public QObject {
    Q_OBJECT
private slots:
    void theClockLoadsNoNetworkOrKeyringLibrary() {
        ostrel::testing::ProcessInstall app(ostrel::testing::ProcessInstall::Options{
            QStringLiteral("organizer"), true, true,
            QByteArray("[General]\r\nLanguage=English\r\n[Sync]\r\nUrl=http://127.0.0.1:9/\r\nUser=alice\r\n"
                       "Interval=15\r\n")});
        std::unique_ptr<QProcess> p(app.start());
        QVERIFY(p->waitForStarted());
        // Past start-up once it holds the database open.
        while (!ostrel::testing::ProcessInstall::hasOpen(p->processId(), app.database()) && !p->waitForFinished(50)) {
        }
        QCOMPARE(p->state(), QProcess::Running);
        QFile maps(QStringLiteral("/proc/%1/maps").arg(p->processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray text = maps.readAll();
        QVERIFY(text.contains("libQt6Widgets"));  // the maps are read right
        for (const char* library : {"libQt6Network", "keychain", "libsecret", "libQt6Xml"})
            QVERIFY2(!text.contains(library), library);
        p->kill();
        p->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestClockMaps)
#include "tst_clock_maps.moc"
