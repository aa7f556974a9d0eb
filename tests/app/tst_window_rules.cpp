// Rules every window follows: the program's icon, opening above the clock
// while the clock stays on top of other windows, Tab leaving a description
// box, keys that close the windows without a button to close them.

#include <QtTest>

#include <QApplication>
#include <QPlainTextEdit>
#include <QWindow>

#include "app/forms.h"
#include "app/help_setup.h"
#include "app/window_rules.h"
#include "base/app_paths.h"
#include "clock/clock_window.h"
#include "contacts/address_book.h"
#include "core/notes/rtf_reader.h"
#include "data/data_module.h"
#include "fixture_db.h"
#include "help/help_window.h"
#include "notes/pocket_book.h"
#include "planning/holiday_editor.h"
#include "planning/holiday_list.h"
#include "planning/schedule_window.h"
#include "recording_dialogs.h"
#include "settings/settings_dialog.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;

namespace {

// The kinds of window the X11 platform marks transient for the window
// they open over (a plain window it never marks, whatever its transient
// parent: it would stay under a clock that stays on top).
bool keptTransient(const QWidget* w) {
    const Qt::WindowType type = w->windowType();
    return type == Qt::Dialog || type == Qt::Tool || type == Qt::Sheet;
}

std::string notesText() {
    QFile f(notesFilePath());
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    return rtf::read(std::string_view(bytes.constData(), bytes.size())).document.plainText();
}

}  // namespace

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
        // Every window, the help and the pocket book too, of a kind the
        // transient parent holds for.
        HelpWindow* help = helpWindow();
        QVERIFY(help);
        for (QWidget* w : {static_cast<QWidget*>(help), static_cast<QWidget*>(frmPocketBook),
                           static_cast<QWidget*>(frmToDoList), static_cast<QWidget*>(frmSettings)}) {
            w->show();
            QCOMPARE(w->windowHandle()->transientParent(), clockWindow);
            QVERIFY2(keptTransient(w), qPrintable(w->objectName()));
            w->hide();
        }

        // The clock in the notification area: nothing to open above.
        frmClock->setViewMode(vmSysTrayIcon);
        frmToDoList->show();
        QCOMPARE(frmToDoList->windowHandle()->transientParent(), nullptr);
        frmToDoList->hide();
        destroyForms();
    }

    // Without a window manager a window has no frame to close it by: the
    // windows without a button of their own close on Ctrl+W, and on Escape
    // (the dialogs among them close on Escape by themselves). The pocket
    // book writes its notes as when it is hidden.
    void windowsWithoutACloseButtonCloseByKeys_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        for (const char* w :
             {"frmPocketBook", "frmHelp", "frmToDoList", "frmSchedule", "frmHolidayList", "frmAddressBook"}) {
            QTest::addRow("%s Escape", w) << QString::fromLatin1(w) << int(Qt::Key_Escape) << int(Qt::NoModifier);
            QTest::addRow("%s Ctrl+W", w) << QString::fromLatin1(w) << int(Qt::Key_W) << int(Qt::ControlModifier);
        }
    }
    void windowsWithoutACloseButtonCloseByKeys() {
        QFETCH(QString, window);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        writeSettings("[General]\nProgramView=1\n");
        ostrel::testing::RecordingDialogs dialogs;
        createForms();
        QWidget* w = nullptr;
        for (QWidget* form : {static_cast<QWidget*>(frmPocketBook), static_cast<QWidget*>(helpWindow()),
                              static_cast<QWidget*>(frmToDoList), static_cast<QWidget*>(frmSchedule),
                              static_cast<QWidget*>(frmHolidayList), static_cast<QWidget*>(frmAddressBook)})
            if (form->objectName() == window) w = form;
        QVERIFY(w);
        w->show();
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        QWidget* focus = w->focusWidget() ? w->focusWidget() : w;
        if (w == frmPocketBook) {
            focus = child<QWidget>(*frmPocketBook, "Editor");
            focus->setFocus();
            QTest::keyClicks(focus, QStringLiteral("Milk"));
        }
        QTest::keyClick(focus, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY2(!w->isVisible(), qPrintable(window));
        if (w == frmPocketBook) {
            frmPocketBook->waitForSaves();
            QVERIFY(!frmPocketBook->hasUnsavedChanges());
            QVERIFY(notesText().find("Milk") != std::string::npos);
        }
        destroyForms();
    }

    // The keys stay with the windows that ask for them: a reminder's Escape
    // is its own (it postpones), the clock stays.
    void theCloseKeysLeaveOtherWindowsAlone() {
        writeSettings("[General]\nProgramView=3\n[Clock]\nLeft=500\nTop=400\n");
        ostrel::testing::RecordingDialogs dialogs;
        createForms();
        frmClock->show();
        QApplication::setActiveWindow(frmClock);
        QVERIFY(QTest::qWaitForWindowActive(frmClock));
        QTest::keyClick(frmClock, Qt::Key_W, Qt::ControlModifier);
        QTest::keyClick(frmClock, Qt::Key_Escape);
        QVERIFY(frmClock->isVisible());
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
