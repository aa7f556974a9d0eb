// The digital clock over the panel's clock corner: the host window, the
// clock inside it and its removal.

#include <QApplication>
#include <QPointer>
#include <QtTest>

#include "clock/taskbar_host.h"

using namespace ostrel;

namespace {
int hostWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("ClockHost")) ++n;
    return n;
}
}  // namespace

class TestTaskbarHost : public QObject {
    Q_OBJECT
private slots:
    void stripAlongTheBottom() {
        const QRect screen(0, 0, 1280, 1024);
        QCOMPARE(taskbarStrip(screen, QRect(0, 0, 1280, 984)), (ScreenRect{0, 984, 1280, 1024}));
        // No panel, a panel too thin to use, or one at the top: the default strip.
        QCOMPARE(taskbarStrip(screen, screen), (ScreenRect{0, 994, 1280, 1024}));
        QCOMPARE(taskbarStrip(screen, QRect(0, 0, 1280, 1019)), (ScreenRect{0, 994, 1280, 1024}));
        QCOMPARE(taskbarStrip(screen, QRect(0, 28, 1280, 996)), (ScreenRect{0, 994, 1280, 1024}));
        // A second screen to the right of the first.
        QCOMPARE(taskbarStrip(QRect(1280, 0, 800, 600), QRect(1280, 0, 800, 560)), (ScreenRect{1280, 560, 2080, 600}));
    }

    void clockSitsInTheCornerAndComesBackWhole() {
        TaskbarEmbedding embedding;
        auto* clock = new QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint);
        QPointer<QWidget> guard(clock);
        clock->resize(70, 20);
        const Qt::WindowFlags flags = clock->windowFlags();

        embedding.createHost();
        QPointer<QWidget> host = embedding.host();
        QVERIFY(host);
        QVERIFY(host->windowFlags() & Qt::X11BypassWindowManagerHint);
        QVERIFY(host->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(host->windowFlags() & Qt::FramelessWindowHint);

        embedding.embed(clock);
        QCOMPARE(clock->parentWidget(), host.data());
        clock->move(0, 0);
        clock->show();
        embedding.update();
        // The default strip of a 1280 x 1024 screen; the clock's right edge
        // ends 5 pixels from the screen's, centred on the strip's clock.
        QCOMPARE(host->geometry(), QRect(1205, 999, 69, 19));
        QCOMPARE(clock->mapToGlobal(QPoint(0, 0)), QPoint(1205, 999));
        embedding.update();
        QCOMPARE(host->geometry(), QRect(1205, 999, 69, 19));

        // The text got wider: the area grows to the left, the right edge stays.
        clock->resize(90, 20);
        embedding.update();
        QCOMPARE(host->geometry(), QRect(1185, 999, 89, 19));

        embedding.removeHost();
        QVERIFY(!host);
        QVERIFY(guard);
        QVERIFY(clock->isWindow());
        QVERIFY(!clock->isVisible());
        QCOMPARE(clock->windowFlags(), flags);
        QCOMPARE(hostWindows(), 0);
        // Removing again, or updating without a host, does nothing.
        embedding.removeHost();
        embedding.update();
        delete clock;
    }

    void clockOutlivesAHostDestroyedElsewhere() {
        TaskbarEmbedding embedding;
        auto* clock = new QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool);
        QPointer<QWidget> guard(clock);
        clock->resize(60, 18);
        embedding.createHost();
        embedding.embed(clock);
        clock->show();
        delete embedding.host();
        QVERIFY(guard);
        QVERIFY(clock->isWindow());
        QVERIFY(!embedding.host());
        embedding.update();
        embedding.removeHost();
        delete clock;
    }

    void aNewHostReplacesTheOldOne() {
        TaskbarEmbedding embedding;
        QWidget clock(nullptr, Qt::FramelessWindowHint | Qt::Tool);
        clock.resize(60, 18);
        embedding.createHost();
        embedding.embed(&clock);
        embedding.createHost();
        QCOMPARE(hostWindows(), 1);
        QVERIFY(clock.isWindow());
        embedding.embed(&clock);
        embedding.update();
        QVERIFY(embedding.host()->geometry().right() < 1280);
        embedding.removeHost();
        QCOMPARE(hostWindows(), 0);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestTaskbarHost t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_taskbar_host.moc"
