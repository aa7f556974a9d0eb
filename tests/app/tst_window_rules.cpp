// Rules every window follows: the program's icon, opening above the clock
// while the clock stays on top of other windows, Tab leaving a description
// box.

#include <QtTest>

#include <QApplication>
#include <QPlainTextEdit>
#include <QWindow>

#include "app/forms.h"
#include "app/window_rules.h"
#include "base/app_paths.h"
#include "clock/clock_window.h"
#include "data/data_module.h"
#include "fixture_db.h"
#include "planning/holiday_editor.h"
#include "recording_dialogs.h"
#include "settings/settings_dialog.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;

class TestWindowRules : public QObject {
    Q_OBJECT
    std::unique_ptr<ostrel::testing::TempDir> dir;

    void writeSettings(const QByteArray& text) {
        QFile f(settingsFilePath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel rules");
        ostrel::testing::createOrganizerDatabase(dir->path() / "Tamo.qdb");
        const QString folder = QString::fromStdString(dir->path().string());
        QDir().mkpath(folder + QStringLiteral("/skins"));
        QVERIFY(QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/skins/ostrel.skn"),
                            folder + QStringLiteral("/skins/ostrel.skn")));
        setExeDirForTesting(folder);
        qputenv("XDG_CONFIG_HOME", (folder + QStringLiteral("/config")).toLocal8Bit());
    }
    void cleanup() {
        setExeDirForTesting(QString());
        dir.reset();
    }

    // Which windows open above the clock, by the clock's and the window's
    // kind.
    void whichWindowsOpenAboveTheClock() {
        QWidget clock(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        clock.resize(80, 20);
        QWidget plain;
        QWidget reminder(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
        QWidget menu(nullptr, Qt::Popup);
        QWidget child(&plain);

        QCOMPARE(windowToOpenAbove(&plain, &clock), nullptr);  // the clock is hidden
        clock.show();
        QCOMPARE(windowToOpenAbove(&plain, &clock), &clock);
        QCOMPARE(windowToOpenAbove(&clock, &clock), nullptr);
        QCOMPARE(windowToOpenAbove(&reminder, &clock), nullptr);
        QCOMPARE(windowToOpenAbove(&menu, &clock), nullptr);
        QCOMPARE(windowToOpenAbove(&child, &clock), nullptr);
        QCOMPARE(windowToOpenAbove(&plain, nullptr), nullptr);
        // A clock that does not stay on top covers nothing.
        clock.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        clock.show();
        QCOMPARE(windowToOpenAbove(&plain, &clock), nullptr);
        // The panel clock's host is outside the window manager's care.
        clock.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::X11BypassWindowManagerHint);
        clock.show();
        QCOMPARE(windowToOpenAbove(&plain, &clock), nullptr);
    }

    // The program's windows: over a floating clock they open as its
    // transients; over the notification-area icon as windows of their own.
    void programWindowsOpenAboveTheFloatingClock() {
        writeSettings("[General]\nProgramView=3\n[Clock]\nLeft=500\nTop=400\n");
        ostrel::testing::RecordingDialogs dialogs;
        createForms();
        frmClock->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmClock));
        QWindow* clockWindow = frmClock->windowHandle();

        frmToDoList->show();
        QCOMPARE(frmToDoList->windowHandle()->transientParent(), clockWindow);
        frmCreateToDo->OpenForNewTask();
        QCOMPARE(frmCreateToDo->windowHandle()->transientParent(), clockWindow);
        frmSettings->show();
        QCOMPARE(frmSettings->windowHandle()->transientParent(), clockWindow);
        frmSettings->reject();
        frmCreateToDo->hide();
        frmToDoList->hide();

        // The clock in the notification area: nothing to open above.
        frmClock->setViewMode(vmSysTrayIcon);
        frmToDoList->show();
        QCOMPARE(frmToDoList->windowHandle()->transientParent(), nullptr);
        frmToDoList->hide();
        destroyForms();
    }

    void everyWindowCarriesTheProgramsIcon() {
        writeSettings("[General]\nProgramView=1\n");
        ostrel::testing::RecordingDialogs dialogs;
        createForms();
        const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
        for (const QSize s : {QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(64, 64)}) QVERIFY(sizes.contains(s));
        // Nothing larger: each size travels to the display with every window.
        for (const QSize s : sizes) QVERIFY(s.width() <= 64 && s.height() <= 64);
        QCOMPARE(frmToDoList->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        destroyForms();
    }

    // Tab in any description box of the program moves on, also in windows
    // that do not set it themselves.
    void tabLeavesEveryDescriptionBox() {
        writeSettings("[General]\nProgramView=1\n");
        ostrel::testing::RecordingDialogs dialogs;
        createForms();
        frmNewHoliday->OpenForNewHoliday();
        QApplication::setActiveWindow(frmNewHoliday);
        QVERIFY(QTest::qWaitForWindowActive(frmNewHoliday));
        QPlainTextEdit* box = child<QPlainTextEdit>(*frmNewHoliday, "memComment");
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("b"));
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(box->toPlainText(), QStringLiteral("b"));
        QVERIFY(QApplication::focusWidget() != box);
        for (QPlainTextEdit* e : QApplication::activeWindow()->findChildren<QPlainTextEdit*>())
            QVERIFY(e->tabChangesFocus());
        frmNewHoliday->hide();
        destroyForms();
    }
};

QTEST_MAIN(TestWindowRules)
#include "tst_window_rules.moc"
