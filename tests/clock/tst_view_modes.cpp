// Switching the clock between its four view modes from the settings
// dialog, in every order: the position rules of the floating modes, and
// exactly one clock on the screen (or none, in the icon mode) after each
// switch.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QWindow>
#include <QtTest>

#include <utility>

#include "app/application.h"
#include "app/forms.h"
#include "base/app_paths.h"
#include "clock/clock_window.h"
#include "clock/taskbar_host.h"
#include "clock/tray_clock.h"
#include "clock_env.h"
#include "clock_window.h"
#include "core/settings/ini_file.h"
#include "fake_clock.h"
#include "recording_dialogs.h"
#include "settings/settings_dialog.h"
#include "ui/settings_file.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::ClockEnv;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;
using ostrel::testing::trayIconShown;

namespace {

const QString kDial = ostrel::testing::kShippedDial;

IniFile ini() { return IniFile(settingsFilePath().toStdString()); }

QPoint storedPosition() {
    return {static_cast<int>(ini().readInteger("Clock", "Left", 0)),
            static_cast<int>(ini().readInteger("Clock", "Top", 0))};
}

void putDial(const QByteArray& bytes) {
    QDir().mkpath(exeDir() + QStringLiteral("/Images"));
    QFile f(analogDialPath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray shippedDial() {
    QFile f(kDial);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int hostWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("ClockHost")) ++n;
    return n;
}

// Top-level windows on the screen other than the settings dialog.
QList<QWidget*> shownWindows() {
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != frmSettings) out << w;
    return out;
}

QRadioButton* button(std::uint8_t mode) {
    switch (mode) {
        case vmSysTrayIcon: return child<QRadioButton>(*frmSettings, "rbSysTrayIcon");
        case vmSysTrayClock: return child<QRadioButton>(*frmSettings, "rbSysTrayClock");
        case vmFreeClock: return child<QRadioButton>(*frmSettings, "rbFreeClock");
        default: return child<QRadioButton>(*frmSettings, "rbAnalogClock");
    }
}

// Everything that must hold while the clock is in `mode`.
void checkMode(TfrmClock& clock, std::uint8_t mode) {
    QCOMPARE(std::uint8_t(clock.viewMode()), mode);
    for (std::uint8_t m = 0; m < 4; ++m) QCOMPARE(button(m)->isChecked(), m == mode);
    QCOMPARE(trayIconShown(clock), mode == vmSysTrayIcon);
    // The hidden window of the icon mode may keep the last dial; every
    // clock on the screen shows it exactly in the analog mode.
    if (mode != vmSysTrayIcon) {
        QCOMPARE(child<QLabel>(clock, "imgAnalogClock")->pixmap().isNull(), mode != vmAnalogClock);
        // The dial and the hands are not drawn under the digital text.
        QCOMPARE(child<QLabel>(clock, "imgAnalogClock")->isVisibleTo(&clock), mode == vmAnalogClock);
        QCOMPARE(child<QWidget>(clock, "pbArrows")->isVisibleTo(&clock), mode == vmAnalogClock);
    }
    QCOMPARE(hostWindows(), mode == vmSysTrayClock ? 1 : 0);
    const QList<QWidget*> shown = shownWindows();
    switch (mode) {
        case vmSysTrayIcon:
            QVERIFY(clock.isWindow());
            QVERIFY(!clock.isVisible());
            QVERIFY(shown.isEmpty());
            QVERIFY(!hClockWindow);
            break;
        case vmSysTrayClock: {
            QWidget* host = taskbarEmbedding().host();
            QVERIFY(host);
            QCOMPARE(clock.parentWidget(), host);
            QCOMPARE(hClockWindow, static_cast<QWidget*>(&clock));
            QVERIFY(clock.isVisible());
            QCOMPARE(clock.pos(), QPoint(0, 0));
            QVERIFY(clock.mask().isEmpty());
            QCOMPARE(shown, QList<QWidget*>{host});
            break;
        }
        default:
            QVERIFY(clock.isWindow());
            QVERIFY(clock.isVisible());
            QVERIFY(clock.windowFlags() & Qt::WindowStaysOnTopHint);
            QVERIFY(!hClockWindow);
            QCOMPARE(shown, QList<QWidget*>{&clock});
            if (mode == vmAnalogClock) {
                QCOMPARE(clock.size(), QSize(96, 96));
                QCOMPARE(clock.mask(), QRegion(0, 0, 97, 97, QRegion::Ellipse));
            } else {
                QVERIFY(clock.mask().isEmpty());
            }
    }
}

// On a real X server: whether the display shows the window (it and every
// window it sits in are mapped), as the X server itself reports it.
bool viewableOnDisplay(const QWidget* w) {
    // The window's own id: a widget may keep an old one after its window
    // was made anew.
    const QWindow* window = w->windowHandle();
    if (!window || !window->handle()) return false;
    QProcess info;
    info.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window->winId())});
    if (!info.waitForFinished(10000)) return false;
    return info.readAllStandardOutput().contains("Map State: IsViewable");
}

// The window that shows the clock in a mode; none in the icon mode.
QWidget* clockOnDisplay(TfrmClock& clock) {
    switch (clock.viewMode()) {
        case vmSysTrayIcon: return nullptr;
        case vmSysTrayClock: return taskbarEmbedding().host();
        default: return &clock;
    }
}

// A window manager (openbox) for the rows that ask for one; it runs until
// the test ends.
QProcess* windowManager() {
    static QProcess* wm = [] {
        auto* p = new QProcess(qApp);
        p->start(QStringLiteral("openbox"), {});
        return p;
    }();
    return wm;
}

bool windowManagerRunning() {
    QProcess prop;
    prop.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    return prop.waitForFinished(10000) && prop.readAllStandardOutput().contains("window id");
}

}  // namespace

class TestViewModes : public QObject {
    Q_OBJECT
private slots:
    void init() { resetSettingsFileFailureForTesting(); }

    // 0 1 0 2 0 3 1 2 1 3 2 3 0 goes through each of the twelve ordered
    // pairs of modes once.
    void everyOrderKeepsOneClockAndThePositionRules() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake;
        putDial(shippedDial());
        env.writeSettings("[General]\nProgramView=1\n[Clock]\nLeft=100\nTop=200\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        checkMode(clock, vmSysTrayIcon);

        const std::uint8_t order[] = {1, 0, 2, 0, 3, 1, 2, 1, 3, 2, 3, 0};
        std::uint8_t from = vmSysTrayIcon;
        QPoint stored(100, 200);
        int step = 0;
        for (std::uint8_t to : order) {
            const QString where = QStringLiteral("%1 -> %2").arg(from).arg(to);
            // Wherever the user has dragged a floating clock to.
            const QPoint dragged(300 + 10 * step, 250 + 7 * step);
            ++step;
            if (from == vmFreeClock || from == vmAnalogClock) clock.move(dragged);

            button(to)->setChecked(true);
            QVERIFY2(dialogs.messages.empty(), qPrintable(where));
            checkMode(clock, to);
            if (QTest::currentTestFailed()) QFAIL(qPrintable(where));

            // Leaving a floating mode stores the position only on the way
            // into the panel clock; the floating modes start at the stored one.
            if ((from == vmFreeClock || from == vmAnalogClock) && to == vmSysTrayClock) stored = dragged;
            QCOMPARE(storedPosition(), stored);
            if (to == vmFreeClock || to == vmAnalogClock) QCOMPARE(clock.pos(), stored);

            // A few ticks in the new mode change none of it.
            clock.tmrTimeTimer();
            clock.tmrTimeTimer();
            checkMode(clock, to);
            if (to == vmSysTrayClock) {
                // Over the bottom-right corner of the 1280 x 1024 screen.
                const QRect host = taskbarEmbedding().host()->geometry();
                QVERIFY2(host.right() < 1280 && host.right() > 1260 && host.bottom() < 1024 && host.top() > 980,
                         qPrintable(QStringLiteral("%1,%2 %3x%4")
                                        .arg(host.x())
                                        .arg(host.y())
                                        .arg(host.width())
                                        .arg(host.height())));
                QCOMPARE(host.size(), clock.size() - QSize(1, 1));
            }
            from = to;
        }
    }

    // A dial that cannot be read stops the switch before anything changes,
    // whichever mode the clock is in.
    void unreadableDialLeavesTheModeWhole_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("dial");
        const QByteArray whole = shippedDial();
        QTest::newRow("icon, cut short") << int(vmSysTrayIcon) << whole.left(whole.size() * 3 / 5);
        QTest::newRow("panel, cut short") << int(vmSysTrayClock) << whole.left(whole.size() * 3 / 5);
        QTest::newRow("free, not a JPEG") << int(vmFreeClock) << QByteArray("BM not a jpeg at all");
        QTest::newRow("panel, empty") << int(vmSysTrayClock) << QByteArray();
    }
    void unreadableDialLeavesTheModeWhole() {
        QFETCH(int, mode);
        QFETCH(QByteArray, dial);
        ClockEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake;
        env.writeSettings(QByteArray("[General]\nProgramView=") + QByteArray::number(mode + 1) +
                          "\n[Clock]\nLeft=100\nTop=200\n");
        putDial(dial);
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        if (clock.showOnStart()) clock.show();  // as start-up does
        clock.tmrTimeTimer();
        const QRect before = mode == vmSysTrayClock ? taskbarEmbedding().host()->geometry() : clock.geometry();
        checkMode(clock, std::uint8_t(mode));

        child<QRadioButton>(*frmSettings, "rbAnalogClock")->setChecked(true);
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("Analog_clock.jpg")));
        // In plain words (the English text: no language files here), the
        // same whatever the damage.
        QVERIFY2(
            dialogs.messages[0].text.startsWith(QStringLiteral("The clock face picture ")) &&
                dialogs.messages[0].text.endsWith(QStringLiteral("reinstalling the program puts the picture back.")),
            qPrintable(dialogs.messages[0].text));
        checkMode(clock, std::uint8_t(mode));
        QCOMPARE(mode == vmSysTrayClock ? taskbarEmbedding().host()->geometry() : clock.geometry(), before);

        // With the picture mended the switch goes through.
        putDial(shippedDial());
        child<QRadioButton>(*frmSettings, "rbAnalogClock")->setChecked(true);
        checkMode(clock, vmAnalogClock);
    }

    // Every switch between two modes made from the settings dialog, as the
    // user makes it (the dialog open and modal, OK at the end), shows the
    // clock on a real display at once: mapped in the X server's own words,
    // not only visible to the toolkit; with and without a window manager.
    // Run under Xvfb by the tests tst_view_modes_xvfb*.
    void everySwitchShowsTheClockOnTheDisplay_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("withWindowManager");
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QTest::newRow("not on X") << -1 << -1 << false;
            return;
        }
        const char* names[] = {"icon", "panel", "free", "analog"};
        for (bool wm : {false, true})
            for (int from = 0; from < 4; ++from)
                for (int to = 0; to < 4; ++to)
                    if (from != to)
                        QTest::addRow("%s -> %s%s", names[from], names[to], wm ? ", openbox" : "") << from << to << wm;
    }
    void everySwitchShowsTheClockOnTheDisplay() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, withWindowManager);
        if (from < 0) QSKIP("needs a real X server (Xvfb)");
        if (QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty()) QSKIP("xwininfo is missing");
        if (withWindowManager) {
            if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty()) QSKIP("openbox is missing");
            windowManager();
            QTRY_VERIFY_WITH_TIMEOUT(windowManagerRunning(), 20000);
        } else if (windowManagerRunning()) {
            QSKIP("a window manager runs already");
        }

        ClockEnv env;
        RecordingDialogs dialogs;
        putDial(shippedDial());
        env.writeSettings(QByteArray("[General]\nProgramView=") + QByteArray::number(from + 1) +
                          "\n[Clock]\nLeft=300\nTop=250\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        if (clock.showOnStart()) clock.show();  // as start-up does
        if (QWidget* shown = clockOnDisplay(clock)) QTRY_VERIFY_WITH_TIMEOUT(viewableOnDisplay(shown), 10000);
        // The user reaches the settings through the clock menu; its window
        // belongs to the clock's (a hidden clock gets a window of its own).
        auto* menu = child<QMenu>(clock, "pmClockMenu");
        clock.popupClockMenu(QPoint(640, 500));
        QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible() && viewableOnDisplay(menu), 10000);
        menu->hide();

        // The switch and OK, while the dialog runs as the menu runs it.
        bool shownWhileOpen = false;
        QTimer::singleShot(0, frmSettings, [&] {
            button(std::uint8_t(to))->click();
            if (QWidget* shown = clockOnDisplay(clock)) {
                QDeadlineTimer deadline(10000);
                while (!(shownWhileOpen = viewableOnDisplay(shown)) && !deadline.hasExpired()) QTest::qWait(50);
            } else {
                QTest::qWait(200);
                shownWhileOpen = true;
            }
            child<QPushButton>(*frmSettings, "btnOK")->click();
        });
        frmSettings->execDialog();
        QVERIFY2(dialogs.messages.empty(), dialogs.messages.empty() ? "" : qPrintable(dialogs.messages[0].text));
        QCOMPARE(int(clock.viewMode()), to);
        QVERIFY2(shownWhileOpen, "the clock was not on the display while the dialog was open");
        QVERIFY(env.readSettings().contains("ProgramView=" + QByteArray::number(to + 1)));

        // Still there after the dialog has closed and a few ticks; and in
        // the icon mode no clock window at all.
        clock.tmrTimeTimer();
        QCoreApplication::processEvents();
        if (QWidget* shown = clockOnDisplay(clock)) {
            QVERIFY(viewableOnDisplay(shown));
            if (to != vmSysTrayClock) QVERIFY(!taskbarEmbedding().host());
        } else {
            QVERIFY(!clock.isVisible());
            QVERIFY(!viewableOnDisplay(&clock));
        }
    }

    void closingInThePanelLeavesNoHost() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=2\n");
        {
            ostrel::testing::ClockWindow clockWindow;
            TfrmClock& clock = clockWindow.clock;
            clock.show();
            QCOMPARE(hostWindows(), 1);
        }
        QCOMPARE(hostWindows(), 0);
        QVERIFY(!hClockWindow);
        QVERIFY(env.readSettings().contains("ProgramView=2"));
    }
};

int main(int argc, char** argv) {
    OstrelApplication app(argc, argv);
    TestViewModes t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_view_modes.moc"
