// Whether a window manager runs: on a real X server (the _xvfb run) none at
// first, then openbox, then none again once it has ended (its check window
// gone, whatever it left on the root window); elsewhere always one.

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include "platform/window_manager.h"

using namespace ostrel;

class TestWindowManager : public QObject {
    Q_OBJECT
private slots:
    void otherPlatformsAlwaysFrame() {
        if (QGuiApplication::platformName() == QLatin1String("xcb")) QSKIP("on X11: see followsTheWindowManager");
        QVERIFY(windowManagerRunning());
    }

    void followsTheWindowManager() {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("needs an X server of its own (_xvfb)");
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty()) QSKIP("openbox is not installed");
        QVERIFY(!windowManagerRunning());
        QProcess wm;
        wm.setProgram(openbox);
        wm.setArguments({QStringLiteral("--sm-disable")});
        wm.start();
        QVERIFY(wm.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(windowManagerRunning(), 30000);
        wm.terminate();
        QVERIFY(wm.waitForFinished(30000));
        QVERIFY(!windowManagerRunning());
    }
};

QTEST_MAIN(TestWindowManager)
#include "tst_window_manager.moc"
