// The platform chosen in a Wayland session: the session's X server when
// there is one, native Wayland without it, and the user's choice always.

#include <QtTest>

#include "app/startup.h"

class TestPlatformChoice : public QObject {
    Q_OBJECT
private slots:
    void waylandSessions_data() {
        QTest::addColumn<QByteArray>("waylandDisplay");
        QTest::addColumn<QByteArray>("sessionType");
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QByteArray>("expected");  // empty: left to the toolkit
        QTest::newRow("X11 session") << QByteArray() << QByteArray("x11") << QByteArray(":0") << QByteArray()
                                     << QByteArray();
        QTest::newRow("Wayland with XWayland") << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray(":0")
                                               << QByteArray() << QByteArray("xcb");
        QTest::newRow("session type only")
            << QByteArray() << QByteArray("wayland") << QByteArray(":1") << QByteArray() << QByteArray("xcb");
        QTest::newRow("Wayland without an X server")
            << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("the user's choice") << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray(":0")
                                           << QByteArray("wayland") << QByteArray();
    }
    void waylandSessions() {
        QFETCH(QByteArray, waylandDisplay);
        QFETCH(QByteArray, sessionType);
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, chosen);
        QFETCH(QByteArray, expected);
        const auto set = [](const char* name, const QByteArray& value) {
            if (value.isEmpty()) qunsetenv(name);
            else qputenv(name, value);
        };
        set("WAYLAND_DISPLAY", waylandDisplay);
        set("XDG_SESSION_TYPE", sessionType);
        set("DISPLAY", display);
        set("QT_QPA_PLATFORM", chosen);
        const char* platform = ostrel::waylandSessionPlatform();
        QCOMPARE(QByteArray(platform ? platform : ""), expected);
    }
};

QTEST_APPLESS_MAIN(TestPlatformChoice)
#include "tst_platform_choice.moc"
