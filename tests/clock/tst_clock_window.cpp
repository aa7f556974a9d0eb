// The clock window: creation from the settings, the tick's size and snap
// rules, the frame, the hover path, the menu and saving on destruction.

#include <QFontMetrics>
#include <QSignalSpy>
#include <QtTest>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/forms.h"
#include "base/language_texts.h"
#include "clock/clock_window.h"
#include "clock/day_info_link.h"
#include "clock_env.h"
#include "clock_window.h"
#include "core/clock/colors.h"
#include "data/data_module.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "platform/desktop_tools.h"
#include "recording_dialogs.h"
#include "settings/settings_dialog.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "ui/app_commands.h"
#include "ui/gradient_paint.h"
#include "ui/locale_format.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::ClockEnv;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;
using ostrel::testing::trayIconShown;

namespace {

class FakePanel : public DayInfoPanel {
public:
    void showPanel() override { visible = true, ++shown; }
    void hidePanel() override { visible = false; }
    bool panelVisible() const override { return visible; }
    void startHideTimer(int ms) override { hideInterval = ms; }
    bool visible = false;
    int shown = 0;
    int hideInterval = 0;
};

}  // namespace

class TestClockWindow : public QObject {
    Q_OBJECT
private slots:
    void firstStartComesUpAsTrayIconWithDefaults() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayIcon));
        QVERIFY(trayIconShown(clock));
        QVERIFY(!clock.showOnStart());
        QVERIFY(!clock.isVisible());
        QVERIFY(!child<QCheckBox>(*frmSettings, "cbAutorun")->isChecked());
        const QFont f = child<QLabel>(clock, "lbClock")->font();
        QCOMPARE(f.family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(f.pointSize(), 8);
        QVERIFY(f.bold());
        QVERIFY(!f.italic());
        QCOMPARE(child<QLabel>(clock, "lbClock")->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
        QCOMPARE(clock.color(), QColor(186, 252, 191));
        QCOMPARE(clock.vertSpace(), 3);
        QCOMPARE(clock.horisSpace(), 7);
        QVERIFY(dialogs.messages.empty());
        QVERIFY(!clock.skinFailed());
        QVERIFY(!QFile::exists(settingsFilePath()));  // nothing written at start
    }

    void withoutANotificationAreaTheFloatingClockShows() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        clock.showTrayMessage = [](const QString&, const QString&) { return true; };
        QTimer* wait = child<QTimer>(clock, "tmrTrayWait");
        QVERIFY(wait->isActive());
        // Decided within a second of the start, not after a wait the user
        // sees as an empty screen.
        QVERIFY2(wait->remainingTime() <= 1000, qPrintable(QString::number(wait->remainingTime())));
        bool available = true;
        clock.notificationAreaAvailable = [&] { return available; };
        clock.checkNotificationArea();  // a tray came up: the icon stays
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayIcon));
        available = false;
        clock.checkNotificationArea();
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QVERIFY(clock.isVisible());
        QVERIFY(!trayIconShown(clock));
        QVERIFY(child<QRadioButton>(*frmSettings, "rbFreeClock")->isChecked());
    }

    // A panel that starts after the program at login: the floating clock
    // stands in for the icon only until the notification area comes, and
    // is looked for about half a minute, once a second; a mode the user
    // picks meanwhile stays.
    void aNotificationAreaThatComesLateTakesTheClockBack() {
        ClockEnv env;
        RecordingDialogs dialogs;
        bool available = false;
        {
            ostrel::testing::ClockWindow clockWindow;
            TfrmClock& clock = clockWindow.clock;
            clock.showTrayMessage = [](const QString&, const QString&) { return true; };
            QTimer* wait = child<QTimer>(clock, "tmrTrayWait");
            clock.notificationAreaAvailable = [&] { return available; };
            clock.checkNotificationArea();
            QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
            QVERIFY(wait->isActive());
            QCOMPARE(wait->interval(), 1000);
            clock.checkNotificationArea();  // still none
            QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
            available = true;
            clock.checkNotificationArea();
            QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayIcon));
            QVERIFY(!clock.isVisible());
            QVERIFY(trayIconShown(clock));
            QVERIFY(!wait->isActive());
            QVERIFY(child<QRadioButton>(*frmSettings, "rbSysTrayIcon")->isChecked());

            // The tray goes again: the floating clock, looked for a limited time.
            available = false;
            clock.checkNotificationArea();
            QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
            int checks = 1;
            while (wait->isActive() && checks < 100) {
                wait->stop();
                clock.checkNotificationArea();
                ++checks;
            }
            QVERIFY2(checks >= 20 && checks <= 40, qPrintable(QString::number(checks)));
            QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        }

        // The user's own choice is not undone by a tray that comes later.
        QFile::remove(settingsFilePath());
        ostrel::testing::ClockWindow second;
        TfrmClock& other = second.clock;
        other.showTrayMessage = [](const QString&, const QString&) { return true; };
        available = false;
        other.notificationAreaAvailable = [&] { return available; };
        other.checkNotificationArea();
        QCOMPARE(std::uint8_t(other.viewMode()), std::uint8_t(vmFreeClock));
        other.setViewMode(vmSysTrayClock);
        available = true;
        other.checkNotificationArea();
        QCOMPARE(std::uint8_t(other.viewMode()), std::uint8_t(vmSysTrayClock));
    }

    // With a notification area, the first start says once, in the user's
    // language, that the organizer lives there; the settings file remembers
    // it (written with the view mode, so nothing is written at start).
    void theFirstStartSaysOnceWhereTheOrganizerLives() {
        ClockEnv env;
        RecordingDialogs dialogs;
        QDir().mkpath(env.dir.path() + QStringLiteral("/Languages"));
        QFile lng(env.dir.path() + QStringLiteral("/Languages/English.lng"));
        QVERIFY(lng.open(QIODevice::WriteOnly));
        lng.write("[Messages]\nTrayFirstStartHint=Right-click me\n");
        lng.close();
        SetCurrentLanguage(QStringLiteral("English"));
        QStringList shown;
        bool available = true;
        // A start whose icon docks at once: the first look at the
        // notification area, and the balloon if it is due.
        const auto startOnce = [&] {
            ostrel::testing::ClockWindow clockWindow;
            TfrmClock& clock = clockWindow.clock;
            clock.showTrayMessage = [&](const QString& title, const QString& text) {
                shown << title + ": " + text;
                return true;
            };
            clock.notificationAreaAvailable = [&] { return available; };
            clock.checkNotificationArea();
        };
        {
            ostrel::testing::ClockWindow clockWindow;
            TfrmClock& clock = clockWindow.clock;
            // The icon is not in the notification area yet: tried again a
            // second later, and not taken as shown.
            bool docked = false;
            clock.showTrayMessage = [&](const QString& title, const QString& text) {
                if (docked) shown << title + ": " + text;
                return docked;
            };
            clock.notificationAreaAvailable = [&] { return available; };
            QTimer* wait = child<QTimer>(clock, "tmrTrayWait");
            clock.checkNotificationArea();
            QVERIFY(shown.isEmpty());
            QVERIFY(wait->isActive());
            QCOMPARE(wait->interval(), 1000);
            docked = true;
            clock.checkNotificationArea();
            QVERIFY(!wait->isActive());
            QCOMPARE(shown, QStringList{QStringLiteral("Ostrel Organizer: Right-click me")});
            QVERIFY(!QFile::exists(settingsFilePath()));
            clock.checkNotificationArea();
            clock.setViewMode(vmFreeClock);
            clock.setViewMode(vmSysTrayIcon);
            clock.checkNotificationArea();
            QCOMPARE(shown.size(), 1);
        }
        QVERIFY(env.readSettings().contains("TrayHintShown=1"));
        startOnce();
        QCOMPARE(shown.size(), 1);

        // Without a notification area there is no icon to speak from.
        QFile::remove(settingsFilePath());
        available = false;
        startOnce();
        QCOMPARE(shown.size(), 1);
        QVERIFY(!env.readSettings().contains("TrayHintShown"));
        SetCurrentLanguage(QStringLiteral("English"));
    }

    // A clock on the desktop has no notification-area icon at all: the icon
    // is made the first time the icon mode needs it, with its tooltip.
    void theIconIsMadeOnlyWhenFirstShown() {
        ClockEnv env;
        env.writeSettings("[General]\nProgramView=3\n");
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QVERIFY(!clock.findChild<QSystemTrayIcon*>());
        clock.setViewMode(vmSysTrayIcon);
        QVERIFY(trayIconShown(clock));
        QVERIFY(
            child<QSystemTrayIcon>(clock, "spTrayIcon1")->toolTip().startsWith(QStringLiteral("Ostrel Organizer\n")));
        clock.setViewMode(vmFreeClock);
        QVERIFY(!trayIconShown(clock));
        QCOMPARE(clock.findChildren<QSystemTrayIcon*>().size(), 1);
    }

    void missingSkinWarnsAndEndsTheProgram() {
        ClockEnv env(false);
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QVERIFY(clock.skinFailed());
        QVERIFY(OstrelApplication::terminateRequested());
        // In plain words, naming the file (the English text: this program
        // folder has no language files).
        QCOMPARE(
            dialogs.texts(),
            QStringList{QStringLiteral("Ostrel Organizer cannot start: the file %1, which gives its windows their "
                                       "look, is missing or cannot be read. Reinstalling the program puts it back.")
                            .arg(QDir::toNativeSeparators(skinFilePath()))});
        QCOMPARE(dialogs.messages[0].icon, MsgIcon::Warning);
    }

    // Free clock near the bottom-right corner of the 1280 x 1024 screen: the
    // first tick sizes it to the text and snaps it onto both edges.
    void tickSizesToTheTextAndSnapsToTheScreenEdges() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake(46000.5 + 13.0 / 24 + 7.0 / 1440);
        const QString text = formatLongTime(fake->now());
        QFont font(QStringLiteral("MS Sans Serif"), 8);
        font.setBold(true);
        const QFontMetrics fm(font);
        const int w = fm.horizontalAdvance(text) + 7 + 6, h = fm.height() + 3 + 1;
        env.writeSettings(QStringLiteral("[General]\nProgramView=3\n[Clock]\nLeft=%1\nTop=%2\n")
                              .arg(1280 - w - 9)
                              .arg(1024 - h + 6)
                              .toLatin1());
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QVERIFY(clock.showOnStart());
        QCOMPARE(child<QLabel>(clock, "lbClock")->text(), text);
        QCOMPARE(clock.geometry(), QRect(1280 - w, 1024 - h, w, h));

        // Within five pixels of the wanted width nothing moves.
        clock.setGeometry(100, 100, w + 5, 50);
        clock.tmrTimeTimer();
        QCOMPARE(clock.geometry(), QRect(100, 100, w + 5, 50));
        clock.setGeometry(100, 100, w - 6, 50);
        clock.tmrTimeTimer();
        QCOMPARE(clock.geometry(), QRect(100, 100, w, h));
        // Exactly ten pixels from the edges: no snapping.
        clock.setGeometry(1280 - w - 10, 1024 - h - 10, 10, 10);
        clock.tmrTimeTimer();
        QCOMPARE(clock.geometry(), QRect(1280 - w - 10, 1024 - h - 10, w, h));
    }

    void tickLeavesTheSizeAloneInIconAndAnalogModes() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        clock.setGeometry(10, 10, 77, 33);
        clock.tmrTimeTimer();
        QCOMPARE(clock.geometry(), QRect(10, 10, 77, 33));
        QVERIFY(child<QLabel>(clock, "lbClock")->text().isEmpty());
    }

    void raisedFrameIsDrawnInShadesOfTheColour() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=3\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        clock.resize(60, 24);
        child<QLabel>(clock, "lbClock")->clear();
        const QImage img = clock.grab().toImage();
        const QColor light = toQColor(LightenColor(Color(0xBFFCBA), 60));
        const QColor dark = toQColor(DarkenColor(Color(0xBFFCBA), 60));
        QCOMPARE(light, QColor(227, 254, 229));
        QCOMPARE(dark, QColor(74, 101, 76));
        QCOMPARE(img.pixelColor(0, 0), light);
        QCOMPARE(img.pixelColor(1, 1), light);
        QCOMPARE(img.pixelColor(30, 1), light);
        QCOMPARE(img.pixelColor(1, 12), light);
        QCOMPARE(img.pixelColor(59, 23), dark);
        QCOMPARE(img.pixelColor(58, 22), dark);
        QCOMPARE(img.pixelColor(59, 12), dark);
        QCOMPARE(img.pixelColor(30, 22), dark);
        QCOMPARE(img.pixelColor(2, 2), QColor(186, 252, 191));
        QCOMPARE(img.pixelColor(57, 21), QColor(186, 252, 191));
    }

    // Any point of the floating clock drags it; near the work area's edge it
    // snaps on; the panel clock does not move. The floating clock stays on top.
    void floatingClockDragsAndSnaps() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=3\n[Clock]\nLeft=300\nTop=300\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        QVERIFY(clock.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(clock.windowFlags() & Qt::FramelessWindowHint);
        QTest::mousePress(&clock, Qt::LeftButton, {}, QPoint(4, 4));
        QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), QPointF(4, 4), QPointF(504, 404), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&clock, &move);
        QCOMPARE(clock.pos(), QPoint(500, 400));
        QMouseEvent nearEdge(QEvent::MouseMove, QPointF(4, 4), QPointF(4, 4), QPointF(10, 1024 - clock.height() - 3),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&clock, &nearEdge);
        QCOMPARE(clock.pos(), QPoint(0, 1024 - clock.height()));
        QTest::mouseRelease(&clock, Qt::LeftButton, {}, QPoint(4, 4));

        child<QRadioButton>(*frmSettings, "rbSysTrayClock")->setChecked(true);
        const QPoint before = clock.pos();
        QTest::mousePress(&clock, Qt::LeftButton, {}, QPoint(4, 4));
        QMouseEvent away(QEvent::MouseMove, QPointF(4, 4), QPointF(4, 4), QPointF(600, 600), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&clock, &away);
        QCOMPARE(clock.pos(), before);
        QTest::mouseRelease(&clock, Qt::LeftButton, {}, QPoint(4, 4));
    }

    // A left click on the notification-area icon shows the day panel once
    // the double-click time has passed.
    void leftClickOnTheIconShowsTheDayPanel() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        FakePanel panel;
        clock.setDayInfoPanel(&panel);
        const int interval = QApplication::doubleClickInterval();
        QApplication::setDoubleClickInterval(1);
        emit child<QSystemTrayIcon>(clock, "spTrayIcon1")->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(panel.shown, 0);  // not before the double-click time
        QTRY_COMPARE(panel.shown, 1);
        QApplication::setDoubleClickInterval(interval);
        clock.setDayInfoPanel(nullptr);
    }

    void hoverShowsTheDayInfoPanelUnlessTheButtonIsDown() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        FakePanel panel;
        clock.setDayInfoPanel(&panel);
        bool buttonDown = false;
        clock.leftButtonDown = [&] { return buttonDown; };

        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&clock, &enter);
        QVERIFY(child<QTimer>(clock, "tmrDayInfoShow")->isActive());
        QCOMPARE(child<QTimer>(clock, "tmrDayInfoShow")->interval(), 1000);
        clock.tmrDayInfoShowTimer();
        QVERIFY(!child<QTimer>(clock, "tmrDayInfoShow")->isActive());
        QCOMPARE(panel.shown, 1);

        panel.visible = false;
        buttonDown = true;
        QApplication::sendEvent(&clock, &enter);
        clock.tmrDayInfoShowTimer();
        QCOMPARE(panel.shown, 1);
        QVERIFY(!child<QTimer>(clock, "tmrDayInfoShow")->isActive());

        // Leaving asks a visible panel to hide in 1500 ms; a hidden one is left alone.
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&clock, &leave);
        QCOMPARE(panel.hideInterval, 0);
        panel.visible = true;
        QApplication::sendEvent(&clock, &enter);
        QApplication::sendEvent(&clock, &leave);
        QVERIFY(!child<QTimer>(clock, "tmrDayInfoShow")->isActive());
        QCOMPARE(panel.hideInterval, 1500);

        // Opening the menu hides the panel and stops the hover timer.
        QApplication::sendEvent(&clock, &enter);
        clock.pmClockMenuPopup();
        QVERIFY(!child<QTimer>(clock, "tmrDayInfoShow")->isActive());
        QVERIFY(!panel.visible);

        clock.spTrayIcon1Click();
        QCOMPARE(panel.shown, 2);
    }

    // A dragged clock stays wholly on the screen, so it can always be
    // grabbed again; inside the screen it follows the pointer.
    void draggedClockStaysOnTheScreen_data() {
        QTest::addColumn<QPoint>("pointer");  // where the pointer is moved to
        QTest::addColumn<QPoint>("expected");
        // The press is 10,5 inside the clock.
        QTest::newRow("inside") << QPoint(410, 305) << QPoint(400, 300);
        QTest::newRow("far left") << QPoint(-500, 305) << QPoint(0, 300);
        QTest::newRow("above the top") << QPoint(410, -300) << QPoint(400, 0);
        QTest::newRow("beyond the bottom right") << QPoint(5000, 5000) << QPoint(-1, -1);
    }
    void draggedClockStaysOnTheScreen() {
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, expected);
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=3\n[Clock]\nLeft=200\nTop=200\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        const QPoint grab(10, 5);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(grab), QPointF(clock.pos() + grab), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&clock, &press);
        QMouseEvent move(QEvent::MouseMove, QPointF(pointer - clock.pos()), QPointF(pointer), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&clock, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pointer - clock.pos()), QPointF(pointer),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&clock, &release);
        if (expected == QPoint(-1, -1)) expected = QPoint(1280 - clock.width(), 1024 - clock.height());
        QCOMPARE(clock.pos(), expected);
        const QRect screen(0, 0, 1280, 1024);
        QVERIFY(screen.contains(clock.geometry()));
    }

    // Without a desktop calculator or date-time program the commands say
    // so in the user's language, naming what was looked for.
    void missingDesktopToolsAreNamed() {
        ClockEnv env;
        RecordingDialogs dialogs;
        QDir().mkpath(languagesDir());
        for (const char* name : {"English.lng", "Russian.lng"})
            QVERIFY(QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/") + QLatin1String(name),
                                languagesDir() + QLatin1Char('/') + QLatin1String(name)));
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", env.dir.path().toLocal8Bit());  // a folder without programs
        SetCurrentLanguage(QStringLiteral("English"));
        clock.miCalculatorClick();
        clock.miManualTimeCorrClick();
        SetCurrentLanguage(QStringLiteral("Russian"));
        clock.miCalculatorClick();
        SetCurrentLanguage(QStringLiteral("English"));
        qputenv("PATH", path);
        QCOMPARE(dialogs.texts(),
                 (QStringList{QStringLiteral("No calculator program is installed. Looked for: %1.")
                                  .arg(toolNames(calculatorCandidates())),
                              QStringLiteral("No program for setting the date and time is installed. Looked for: %1.")
                                  .arg(toolNames(dateTimeSettingsCandidates())),
                              QStringLiteral("Не установлена ни одна программа-калькулятор. Искали: %1.")
                                  .arg(toolNames(calculatorCandidates()))}));
        QVERIFY(dialogs.texts().at(0).contains(QStringLiteral("gnome-calculator, kcalc")));
    }

    void menuHasEveryItemInOrder() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        auto describe = [](QMenu* menu) {
            QStringList out;
            for (QAction* a : menu->actions())
                out << a->objectName() + QLatin1Char('=') + (a->isSeparator() ? QStringLiteral("-") : a->text());
            return out;
        };
        QCOMPARE(
            describe(child<QMenu>(clock, "pmClockMenu")),
            (QStringList{"miCreate=Create", "miView=View", "N1=-", "miCalculator=Calculator",
                         "miPocketBook=Pocket-book", "miTimeCorrection=Time correction", "N2=-", "miSetting=Setting",
                         "miHelp=Help", "miAbout=About...", "miExchange=Exchange", "miEmpty=-", "miExit=Exit"}));
        QCOMPARE(describe(child<QMenu>(clock, "miCreate")), (QStringList{"miToDo=To do", "miQuickTask=Quick task...", "miHoliday=Holiday"}));
        QCOMPARE(describe(child<QMenu>(clock, "miView")),
                 (QStringList{"miViewToDoList=To do list", "miSchedule=Schedule", "Holydayslist1=Holidays list",
                              "miAddresBook=Address book", "miFind=Find..."}));
        QCOMPARE(describe(child<QMenu>(clock, "miTimeCorrection")),
                 (QStringList{"miManualTimeCorr=Manual", "miSMTPClockCorr=Internet"}));
        QCOMPARE(describe(child<QMenu>(clock, "miExchange")),
                 (QStringList{"miImportCalendar=Import calendar...", "miExportCalendar=Export calendar...",
                              "miImportContacts=Import contacts...", "miExportContacts=Export contacts...", "=-",
                              "miBackupNow=Back up now", "miRestoreBackup=Restore from backup..."}));
    }

    // The menu opens with its right edge at the pointer; Exit closes the
    // clock, which ends the program.
    void menuOpensRightAlignedAndExitCloses() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=3\n[Clock]\nLeft=500\nTop=400\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        QSignalSpy closed(&clock, &TfrmClock::closed);
        QSignalSpy opening(child<QMenu>(clock, "pmClockMenu"), &QMenu::aboutToShow);

        QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(700, 300));
        QApplication::sendEvent(&clock, &ev);
        QVERIFY(QTest::qWaitForWindowExposed(child<QMenu>(clock, "pmClockMenu")));
        QCOMPARE(opening.count(), 1);
        QCOMPARE(child<QMenu>(clock, "pmClockMenu")->geometry().left() + child<QMenu>(clock, "pmClockMenu")->width(),
                 700);
        QCOMPARE(child<QMenu>(clock, "pmClockMenu")->geometry().top(), 300);

        QTest::keyClick(child<QMenu>(clock, "pmClockMenu"), Qt::Key_Up);
        QCOMPARE(child<QMenu>(clock, "pmClockMenu")->activeAction(), child<QAction>(clock, "miExit"));
        QTest::keyClick(child<QMenu>(clock, "pmClockMenu"), Qt::Key_Return);
        QTRY_COMPARE(closed.count(), 1);
        QVERIFY(!clock.isVisible());
    }

    void menuOpensTheTaskWindows() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::TempDir db("clock menu");
        ostrel::testing::createOrganizerDatabase(db.path() / "Tamo.qdb");
        DataModule1 = new TDataModule1(QString::fromStdString((db.path() / "Tamo.qdb").string()));
        frmCreateToDo = new TfrmCreateToDo(DataModule1->tasks());
        frmToDoList = new TfrmToDoList(DataModule1->tasks(), frmCreateToDo);
        installAppCommands();  // the menu asks the application for the windows
        {
            ostrel::testing::ClockWindow clockWindow;
            TfrmClock& clock = clockWindow.clock;
            // The editor was last open on a task: "To do" opens it empty.
            TaskRow task;
            task.Title = QStringLiteral("earlier");
            const auto id = static_cast<std::int32_t>(DataModule1->tasks().insertTask(task));
            frmCreateToDo->OpenForTask(id);
            QCOMPARE(frmCreateToDo->editedTaskId(), id);
            frmCreateToDo->hide();
            child<QAction>(clock, "miToDo")->trigger();
            QVERIFY(frmCreateToDo->isVisible());
            QCOMPARE(frmCreateToDo->editedTaskId(), 0);
            child<QAction>(clock, "miViewToDoList")->trigger();
            QVERIFY(frmToDoList->isVisible());
        }
        setCommandHandler({});
        ostrel::testing::destroyGlobal(frmToDoList);
        ostrel::testing::destroyGlobal(frmCreateToDo);
        ostrel::testing::destroyGlobal(DataModule1);
    }

    // The user's clock colours show under the skin, and the analog face
    // carries no digital time left over from the floating clock.
    void userColoursShowAndTheDialCarriesNoDigitalTime() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake(46000.5 + 8.0 / 24);
        env.writeDial();
        // Magenta numerals (0x00BBGGRR), a large font, a red window.
        env.writeSettings("[General]\nProgramView=3\n[Clock]\nFontColor=16711935\nFontSize=28\nColor=255\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        clock.show();
        auto count = [&](QRgb colour) {
            const QImage shot = clock.grab().toImage().convertToFormat(QImage::Format_RGB32);
            int n = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x) n += shot.pixel(x, y) == colour;
            return n;
        };
        QVERIFY(count(qRgb(255, 0, 255)) > 20);
        QVERIFY(count(qRgb(255, 0, 0)) > 100);
        frmSettings->findChild<QRadioButton*>("rbAnalogClock")->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmAnalogClock));
        clock.tmrTimeTimer();
        QCOMPARE(count(qRgb(255, 0, 255)), 0);
    }

    void destructionSavesViewModeAndPosition() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=3\nLanguage=English\n[Clock]\nVertSpace=9\n");
        {
            ostrel::testing::ClockWindow clockWindow;
            TfrmClock& clock = clockWindow.clock;
            clock.move(321, 123);
        }
        const QByteArray ini = env.readSettings();
        QVERIFY2(ini.contains("ProgramView=3"), ini.constData());
        QVERIFY2(ini.contains("Left=321"), ini.constData());
        QVERIFY2(ini.contains("Top=123"), ini.constData());
        QVERIFY2(ini.contains("VertSpace=9"), ini.constData());  // view only: the rest stays
        QVERIFY(frmSettings == nullptr);

        // The end of the desktop session saves the same.
        {
            ostrel::testing::ClockWindow clockWindow;
            TfrmClock& clock = clockWindow.clock;
            clock.move(11, 22);
            clock.endSession();
            QVERIFY(env.readSettings().contains("Left=11"));
        }
    }
};

QTEST_MAIN(TestClockWindow)
#include "tst_clock_window.moc"
