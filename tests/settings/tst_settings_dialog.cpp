// The settings dialog: loading and saving the settings file, the view-mode
// switches, live changes, OK and Cancel, the autorun entry.

#include <QSignalSpy>
#include <QtTest>

#include "app/forms.h"
#include "base/app_paths.h"
#include "clock/clock_window.h"
#include "clock_env.h"
#include "clock_window.h"
#include "core/settings/ini_file.h"
#include "fake_clock.h"
#include "platform/autostart.h"
#include "recording_dialogs.h"
#include "settings/settings_dialog.h"
#include "ui/languages.h"
#include "ui/reminder_settings.h"
#include "ui/settings_file.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::ClockEnv;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;
using ostrel::testing::trayIconShown;

namespace {

IniFile ini() { return IniFile(settingsFilePath().toStdString()); }

// The language files the program ships, in the test's program folder.
void copyShippedLanguages() {
    QDir().mkpath(languagesDir());
    for (const char* name : {"English.lng", "Russian.lng"})
        QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/") + QLatin1String(name),
                    languagesDir() + QLatin1Char('/') + QLatin1String(name));
}

}  // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT
private slots:
    void init() { resetSettingsFileFailureForTesting(); }

    void storedModeIsChosenByItsLowEightBits_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("button");
        QTest::newRow("1") << "1" << int(vmSysTrayIcon) << "rbSysTrayIcon";
        QTest::newRow("2") << "2" << int(vmSysTrayClock) << "rbSysTrayClock";
        QTest::newRow("3") << "3" << int(vmFreeClock) << "rbFreeClock";
        QTest::newRow("258") << "258" << int(vmSysTrayClock) << "rbSysTrayClock";
        QTest::newRow("hex 0x103") << "0x103" << int(vmFreeClock) << "rbFreeClock";
        // A value that names no mode starts the icon, and its button shows it.
        QTest::newRow("0") << "0" << int(vmSysTrayIcon) << "rbSysTrayIcon";
        QTest::newRow("5") << "5" << int(vmSysTrayIcon) << "rbSysTrayIcon";
        QTest::newRow("text") << "free" << int(vmSysTrayIcon) << "rbSysTrayIcon";
        QTest::newRow("empty") << "" << int(vmSysTrayIcon) << "rbSysTrayIcon";
    }
    void storedModeIsChosenByItsLowEightBits() {
        QFETCH(QString, stored);
        QFETCH(int, mode);
        QFETCH(QString, button);
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=" + stored.toLatin1() + "\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(int(clock.viewMode()), mode);
        QCOMPARE(trayIconShown(clock), mode == vmSysTrayIcon);
        QCOMPARE(clock.showOnStart(), mode != vmSysTrayIcon);
        for (QRadioButton* rb :
             {child<QRadioButton>(*frmSettings, "rbSysTrayIcon"), child<QRadioButton>(*frmSettings, "rbSysTrayClock"),
              child<QRadioButton>(*frmSettings, "rbFreeClock"), child<QRadioButton>(*frmSettings, "rbAnalogClock")})
            QCOMPARE(rb->isChecked(), rb->objectName() == button);
    }

    void spacingIsClampedByTheSpinEdits() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[Clock]\nVertSpace=40\nHorisSpace=-3\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(child<QSpinBox>(*frmSettings, "seVertSpace")->value(), 15);
        QCOMPARE(clock.vertSpace(), 15);
        QCOMPARE(clock.horisSpace(), 0);
        frmSettings->btnOKClick();
        QCOMPARE(ini().readInteger("Clock", "VertSpace", -1), 15);
        QCOMPARE(ini().readInteger("Clock", "HorisSpace", -1), 0);
    }

    // Everything OK writes is read back the same by a new start.
    void okWritesWhatTheNextStartReads() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("; kept\n[General]\nProgramView=1\n[Foreign]\nKey=1\n");
        {
            ostrel::testing::ClockWindow clockWindow;
            TfrmClock& clock = clockWindow.clock;
            child<QRadioButton>(*frmSettings, "rbFreeClock")->setChecked(true);
            clock.move(40, 50);
            child<QSpinBox>(*frmSettings, "seVertSpace")->setValue(5);
            child<QSpinBox>(*frmSettings, "seHorisSpase")->setValue(11);
            QFont f(QStringLiteral("DejaVu Serif"), 14);
            f.setItalic(true);
            dialogs.fontAnswer = f;
            frmSettings->btnSelectFontClick();
            dialogs.colorAnswer = QColor(10, 20, 30);
            frmSettings->btnSelectColorClick();
            child<QCheckBox>(*frmSettings, "chbAutohidePanel")->setChecked(true);
            child<QCheckBox>(*frmSettings, "cbAutorun")->setChecked(true);
            SetCurrentLanguage(QStringLiteral("Deutsch"));
            frmSettings->btnOKClick();
            SetCurrentLanguage(QStringLiteral("English"));
        }
        const IniFile f = ini();
        QCOMPARE(f.readInteger("General", "ProgramView", 0), 3);
        QCOMPARE(f.readString("General", "Language", ""), std::string("Deutsch"));
        QCOMPARE(f.readInteger("Clock", "Left", 0), 40);
        QCOMPARE(f.readInteger("Clock", "Top", 0), 50);
        QCOMPARE(f.readInteger("Clock", "Color", 0), 0x1E140A);
        QCOMPARE(f.readInteger("Clock", "FontSize", 0), 14);
        QCOMPARE(f.readInteger("Clock", "FontColor", 0), 0x800000);
        QCOMPARE(f.readBool("Clock", "FontBold", true), false);
        QCOMPARE(f.readBool("Clock", "FontItalic", false), true);
        QCOMPARE(f.readInteger("PocketBook", "AutohidePanel", 0), 1);
        QCOMPARE(f.readInteger("Foreign", "Key", 0), 1);
        QVERIFY(env.readSettings().startsWith("; kept"));
        QVERIFY(autostartEnabledFor(exePath()));

        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QCOMPARE(clock.pos(), QPoint(40, 50));
        QCOMPARE(clock.vertSpace(), 5);
        QCOMPARE(clock.horisSpace(), 11);
        QCOMPARE(child<QLabel>(clock, "lbClock")->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(child<QLabel>(clock, "lbClock")->font().pointSize(), 14);
        QVERIFY(child<QLabel>(clock, "lbClock")->font().italic());
        QVERIFY(!child<QLabel>(clock, "lbClock")->font().bold());
        QCOMPARE(clock.color(), QColor(10, 20, 30));
        QVERIFY(child<QCheckBox>(*frmSettings, "chbAutohidePanel")->isChecked());
        QVERIFY(child<QCheckBox>(*frmSettings, "cbAutorun")->isChecked());
    }

    // The [Reminders] keys as the file holds them, shown by their controls
    // (days out of range or unreadable taken as the nearest allowed value or
    // the default); OK writes the choice, Cancel puts the file's back.
    void reminderKeysAreShownAndStored_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("notify");
        QTest::addColumn<bool>("sound");
        QTest::addColumn<int>("days");
        QTest::newRow("absent: the defaults") << QString() << true << false << 1;
        QTest::newRow("all set") << QStringLiteral("Notify=0\nSound=1\nBirthdayDays=0\n") << false << true << 0;
        QTest::newRow("too many days") << QStringLiteral("BirthdayDays=400\n") << true << false << 30;
        QTest::newRow("negative days") << QStringLiteral("BirthdayDays=-2\n") << true << false << 0;
        QTest::newRow("unreadable days") << QStringLiteral("BirthdayDays=soon\n") << true << false << 1;
    }
    void reminderKeysAreShownAndStored() {
        QFETCH(QString, file);
        QFETCH(bool, notify);
        QFETCH(bool, sound);
        QFETCH(int, days);
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings(QByteArray("[Reminders]\n") + file.toUtf8());
        ostrel::testing::ClockWindow clockWindow;
        auto* cbNotify = child<QCheckBox>(*frmSettings, "cbNotify");
        auto* cbSound = child<QCheckBox>(*frmSettings, "cbSound");
        auto* seDays = child<QSpinBox>(*frmSettings, "seBirthdayDays");
        QCOMPARE(cbNotify->isChecked(), notify);
        QCOMPARE(cbSound->isChecked(), sound);
        QCOMPARE(seDays->value(), days);
        QCOMPARE(seDays->maximum(), 30);

        cbNotify->setChecked(!notify);
        cbSound->setChecked(!sound);
        seDays->setValue(7);
        QCOMPARE(reminderNotifyOn(), !notify);
        QCOMPARE(reminderBirthdayDays(), 7);
        frmSettings->btnCancelClick();
        QCOMPARE(reminderNotifyOn(), notify);
        QCOMPARE(reminderSoundOn(), sound);
        QCOMPARE(reminderBirthdayDays(), days);
        QCOMPARE(cbNotify->isChecked(), notify);
        QCOMPARE(seDays->value(), days);

        cbNotify->setChecked(!notify);
        cbSound->setChecked(!sound);
        seDays->setValue(7);
        frmSettings->btnOKClick();
        const IniFile f = ini();
        QCOMPARE(f.readInteger("Reminders", "Notify", -1), notify ? 0 : 1);
        QCOMPARE(f.readInteger("Reminders", "Sound", -1), sound ? 0 : 1);
        QCOMPARE(f.readInteger("Reminders", "BirthdayDays", -1), 7);
    }

    // The Setting command: the dialog runs modally, opens on the first page
    // with the current language, stays open over the font dialog, and OK
    // stores the choice.
    void settingCommandRunsTheDialog() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        child<QListWidget>(*frmSettings, "lbxSettings")->setCurrentRow(2);
        dialogs.fontAnswer = QFont(QStringLiteral("DejaVu Sans"), 12);
        bool modal = false, visibleAfterFont = false;
        int page = -1;
        QString language;
        QTimer::singleShot(0, frmSettings, [&] {
            modal = frmSettings->isModal() && frmSettings->isVisible();
            page = child<QStackedWidget>(*frmSettings, "Notebook1")->currentIndex();
            language = child<DropDownComboBox>(*frmSettings, "cbLang")->currentText();
            child<QPushButton>(*frmSettings, "btnSelectFont")->click();
            visibleAfterFont = frmSettings->isVisible();
            child<QPushButton>(*frmSettings, "btnOK")->click();
        });
        clock.miSettingClick();
        QVERIFY(modal);
        QCOMPARE(page, 0);
        QCOMPARE(language, CurrentLanguage());
        QVERIFY(visibleAfterFont);
        QVERIFY(!frmSettings->isVisible());
        QCOMPARE(child<QLabel>(clock, "lbClock")->font().pointSize(), 12);
        QCOMPARE(ini().readInteger("Clock", "FontSize", 0), 12);
        QCOMPARE(ini().readString("Clock", "FontName", ""), std::string("DejaVu Sans"));
    }

    void autorunEntryOfAnotherCopyIsNotOurs() {
        ClockEnv env;
        RecordingDialogs dialogs;
        setAutostart(QStringLiteral("/opt/other copy/ostrel-organizer"));
        ostrel::testing::ClockWindow clockWindow;
        QVERIFY(!child<QCheckBox>(*frmSettings, "cbAutorun")->isChecked());
        frmSettings->btnOKClick();
        QVERIFY(!QFile::exists(autostartEntryPath()));
        // Our own path is recognised.
        setAutostart(exePath());
        frmSettings->LoadSettings();
        QVERIFY(child<QCheckBox>(*frmSettings, "cbAutorun")->isChecked());
    }

    void cancelRestoresTheFileButKeepsPocketBookColours() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=3\n[Clock]\nColor=255\nVertSpace=4\n[PocketBook]\nColor=65280\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QColor pocketBook;
        int pocketBookCalls = 0;
        frmSettings->applyPocketBookColor = [&](const QColor& c) { pocketBook = c, ++pocketBookCalls; };

        dialogs.colorAnswer = QColor(1, 2, 3);
        frmSettings->btnBgdColorClick();
        QCOMPARE(pocketBook, QColor(1, 2, 3));
        QCOMPARE(child<ColorSwatch>(*frmSettings, "shColor3")->color(), QColor(1, 2, 3));
        frmSettings->btnSelectColorClick();
        QCOMPARE(clock.color(), QColor(1, 2, 3));
        child<QSpinBox>(*frmSettings, "seVertSpace")->setValue(12);
        QCOMPARE(clock.vertSpace(), 12);
        child<QRadioButton>(*frmSettings, "rbSysTrayIcon")->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayIcon));

        frmSettings->btnCancelClick();
        QCOMPARE(clock.color(), QColor(255, 0, 0));
        QCOMPARE(clock.vertSpace(), 4);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QCOMPARE(child<ColorSwatch>(*frmSettings, "shColor3")->color(), QColor(0, 255, 0));
        QCOMPARE(child<ColorSwatch>(*frmSettings, "shColor4")->color(), QColor(0, 255, 0));
        QCOMPARE(pocketBook, QColor(1, 2, 3));  // the pocket book keeps it
        QCOMPARE(pocketBookCalls, 1);
        QVERIFY(!env.readSettings().contains("VertSpace=12"));
    }

    // A stored position off the screen (Top=5000, values beyond the 16-bit
    // range or the int range) is brought back where the floating clock can
    // be reached.
    void aStoredPositionOffTheScreenIsBroughtBack_data() {
        QTest::addColumn<QByteArray>("position");
        QTest::newRow("Top=5000") << QByteArray("Left=100\nTop=5000");
        QTest::newRow("beyond 32767") << QByteArray("Left=40000\nTop=-40000");
        QTest::newRow("beyond the int range") << QByteArray("Left=9000000000\nTop=-9223372036854775808");
    }
    void aStoredPositionOffTheScreenIsBroughtBack() {
        QFETCH(QByteArray, position);
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=3\n[Clock]\n" + position + "\n");
        TfrmClock clock;
        // Before its first tick the clock has no size of its own; at least
        // a part large enough to grab lies on the screen.
        const QRect visible = QRect(0, 0, 1280, 1024).intersected(clock.geometry());
        QVERIFY2(
            visible.width() >= 40 && visible.height() >= 16,
            qPrintable(
                QStringLiteral("%1,%2 %3x%4").arg(clock.x()).arg(clock.y()).arg(clock.width()).arg(clock.height())));
        if (position.startsWith("Left=100")) QCOMPARE(clock.x(), 100);
    }

    // The floating modes start at the stored position; it is stored on the
    // way into the panel clock only.
    void switchesFollowThePositionRules() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeDial();
        env.writeSettings("[General]\nProgramView=3\n[Clock]\nLeft=100\nTop=200\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(clock.pos(), QPoint(100, 200));

        clock.move(400, 300);
        child<QRadioButton>(*frmSettings, "rbAnalogClock")->setChecked(true);
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmAnalogClock));
        QCOMPARE(clock.pos(), QPoint(100, 200));
        QCOMPARE(clock.size(), QSize(96, 96));
        QVERIFY(!clock.mask().isEmpty());
        QVERIFY(!child<QLabel>(clock, "imgAnalogClock")->pixmap().isNull());
        QVERIFY(clock.isVisible());
        QVERIFY(!trayIconShown(clock));

        clock.move(500, 500);
        child<QRadioButton>(*frmSettings, "rbFreeClock")->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QCOMPARE(clock.pos(), QPoint(100, 200));
        QVERIFY(clock.mask().isEmpty());
        QVERIFY(child<QLabel>(clock, "imgAnalogClock")->pixmap().isNull());
        QCOMPARE(ini().readInteger("Clock", "Left", 0), 100);  // not stored on the way

        clock.move(640, 480);
        child<QRadioButton>(*frmSettings, "rbSysTrayClock")->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayClock));
        QCOMPARE(ini().readInteger("Clock", "Left", 0), 640);
        QCOMPARE(ini().readInteger("Clock", "Top", 0), 480);
        QVERIFY(clock.isVisible());

        child<QRadioButton>(*frmSettings, "rbSysTrayIcon")->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayIcon));
        QVERIFY(!clock.isVisible());
        QVERIFY(trayIconShown(clock));

        child<QRadioButton>(*frmSettings, "rbFreeClock")->setChecked(true);
        QCOMPARE(clock.pos(), QPoint(640, 480));
        QVERIFY(!trayIconShown(clock));
        QVERIFY(clock.isVisible());
        // Zero size until the next tick sizes it to its text.
        clock.tmrTimeTimer();
        QVERIFY(clock.width() > 20);
    }

    // Cancel (and Esc) put back everything previewed: a floating clock at
    // 300,250 switched to another mode with the spacing changed comes back
    // exactly as it was, and the stored position is the one from before.
    void cancelPutsTheClockBackExactly_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("escape");
        QTest::newRow("analog, Cancel") << int(vmAnalogClock) << false;
        QTest::newRow("analog, Esc") << int(vmAnalogClock) << true;
        QTest::newRow("panel, Cancel") << int(vmSysTrayClock) << false;
        QTest::newRow("icon, Esc") << int(vmSysTrayIcon) << true;
    }
    void cancelPutsTheClockBackExactly() {
        QFETCH(int, mode);
        QFETCH(bool, escape);
        ClockEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake;
        env.writeDial();
        env.writeSettings("[General]\nProgramView=3\n[Clock]\nLeft=100\nTop=200\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        clock.show();
        clock.move(300, 250);
        clock.tmrTimeTimer();
        const QRect before = clock.geometry();
        frmSettings->prepareToShow();

        frmSettings
            ->findChild<QRadioButton*>(mode == vmAnalogClock    ? "rbAnalogClock"
                                       : mode == vmSysTrayClock ? "rbSysTrayClock"
                                                                : "rbSysTrayIcon")
            ->setChecked(true);
        QCOMPARE(int(clock.viewMode()), mode);
        frmSettings->findChild<QSpinBox*>("seHorisSpase")->setValue(20);
        frmSettings->findChild<QSpinBox*>("seVertSpace")->setValue(15);
        if (escape) QTest::keyClick(frmSettings, Qt::Key_Escape);
        else frmSettings->findChild<QPushButton*>("btnCancel")->click();

        QVERIFY(dialogs.messages.empty());
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QVERIFY(frmSettings->findChild<QRadioButton*>("rbFreeClock")->isChecked());
        QVERIFY(clock.isVisible());
        QVERIFY(clock.isWindow());
        QVERIFY(clock.mask().isEmpty());
        QCOMPARE(clock.geometry(), before);
        QCOMPARE(clock.horisSpace(), 7);
        QCOMPARE(clock.vertSpace(), 3);
        QCOMPARE(ini().readInteger("Clock", "Left", 0), 100);
        QCOMPARE(ini().readInteger("Clock", "Top", 0), 200);
        QVERIFY(!env.readSettings().contains("HorisSpace"));
        // The ticks after it change nothing.
        clock.tmrTimeTimer();
        QCOMPARE(clock.geometry(), before);
    }

    void missingDialStopsTheSwitchBeforeTheModeChanges() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=3\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        child<QRadioButton>(*frmSettings, "rbAnalogClock")->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QVERIFY(child<QRadioButton>(*frmSettings, "rbFreeClock")->isChecked());
        QVERIFY(!child<QRadioButton>(*frmSettings, "rbAnalogClock")->isChecked());
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("Analog_clock.jpg")));
    }

    void missingDialAtStartLeavesTheIcon() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=4\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayIcon));
        QVERIFY(trayIconShown(clock));
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        // The fallback is for this run only: the stored mode stays (4 does
        // not become 1 or 3 after one run).
        frmSettings->SaveSettings();
        QCOMPARE(ini().readInteger("General", "ProgramView", 0), 4);
        clock.saveView();
        QCOMPARE(ini().readInteger("General", "ProgramView", 0), 4);
        // A mode the user picks is stored.
        child<QRadioButton>(*frmSettings, "rbFreeClock")->setChecked(true);
        clock.saveView();
        QCOMPARE(ini().readInteger("General", "ProgramView", 0), 3);
    }

    void spacingChangesResizeTheFreeClock() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake;
        env.writeSettings("[General]\nProgramView=3\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        const QFontMetrics fm(child<QLabel>(clock, "lbClock")->font());
        child<QSpinBox>(*frmSettings, "seVertSpace")->setValue(10);
        QCOMPARE(clock.height(), fm.height() + 10 + 1);
        child<QSpinBox>(*frmSettings, "seHorisSpase")->setValue(20);
        QCOMPARE(clock.width(), fm.horizontalAdvance(child<QLabel>(clock, "lbClock")->text()) + 20 + 1);
    }

    void unreadableSettingsFileIsReported() {
        ClockEnv env;
        RecordingDialogs dialogs;
        QDir().mkpath(settingsFilePath());  // a folder where the file should be
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(dialogs.texts().size(), 1);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayIcon));
        QVERIFY(settingsFileFailed());
    }

    void languageBoxListsAndSwitches() {
        ClockEnv env;
        RecordingDialogs dialogs;
        QDir().mkpath(languagesDir());
        for (const char* name : {"English.lng", "Deutsch.lng", "Polski.lng.bak", "readme.txt"}) {
            QFile f(languagesDir() + QLatin1Char('/') + QLatin1String(name));
            f.open(QIODevice::WriteOnly);
        }
        ostrel::testing::ClockWindow clockWindow;
        SetCurrentLanguage(QStringLiteral("English"));
        frmSettings->prepareToShow();
        QCOMPARE(child<DropDownComboBox>(*frmSettings, "cbLang")->currentText(), QStringLiteral("English"));
        QCOMPARE(child<QStackedWidget>(*frmSettings, "Notebook1")->currentIndex(), 0);
        frmSettings->cbLangDropDown();
        QStringList items;
        for (int i = 0; i < child<DropDownComboBox>(*frmSettings, "cbLang")->count(); ++i)
            items << child<DropDownComboBox>(*frmSettings, "cbLang")->itemText(i);
        items.sort();
        QCOMPARE(items, (QStringList{"Deutsch", "English", "Polski"}));
        QCOMPARE(child<DropDownComboBox>(*frmSettings, "cbLang")->currentText(), QStringLiteral("English"));
        child<DropDownComboBox>(*frmSettings, "cbLang")->setEditText(QStringLiteral("Deutsch"));
        QCOMPARE(CurrentLanguage(), QStringLiteral("Deutsch"));
        SetCurrentLanguage(QStringLiteral("English"));

        child<QListWidget>(*frmSettings, "lbxSettings")->setCurrentRow(3);
        QCOMPARE(child<QStackedWidget>(*frmSettings, "Notebook1")->currentIndex(), 3);
    }

    // Each language by the name it gives itself; the settings keep the
    // file's name.
    void languagesAreListedByTheirOwnNames() {
        ClockEnv env;
        RecordingDialogs dialogs;
        copyShippedLanguages();
        ostrel::testing::ClockWindow clockWindow;
        SetCurrentLanguage(QStringLiteral("Russian"));
        frmSettings->prepareToShow();
        QCOMPARE(child<DropDownComboBox>(*frmSettings, "cbLang")->currentText(), QStringLiteral("Русский"));
        frmSettings->cbLangDropDown();
        QCOMPARE(child<DropDownComboBox>(*frmSettings, "cbLang")->count(), 2);
        QCOMPARE(child<DropDownComboBox>(*frmSettings, "cbLang")->itemText(0), QStringLiteral("English"));
        QCOMPARE(child<DropDownComboBox>(*frmSettings, "cbLang")->itemData(0).toString(), QStringLiteral("English"));
        QCOMPARE(child<DropDownComboBox>(*frmSettings, "cbLang")->itemText(1), QStringLiteral("Русский"));
        QCOMPARE(child<DropDownComboBox>(*frmSettings, "cbLang")->itemData(1).toString(), QStringLiteral("Russian"));
        child<DropDownComboBox>(*frmSettings, "cbLang")->setCurrentIndex(0);
        QCOMPARE(CurrentLanguage(), QStringLiteral("English"));
        child<DropDownComboBox>(*frmSettings, "cbLang")->setCurrentIndex(1);
        QCOMPARE(CurrentLanguage(), QStringLiteral("Russian"));
        // A file name typed in still names its language.
        child<DropDownComboBox>(*frmSettings, "cbLang")->setEditText(QStringLiteral("English"));
        QCOMPARE(CurrentLanguage(), QStringLiteral("English"));
        child<DropDownComboBox>(*frmSettings, "cbLang")->setEditText(QStringLiteral("Русский"));
        QCOMPARE(CurrentLanguage(), QStringLiteral("Russian"));
        frmSettings->btnOKClick();
        QCOMPARE(ini().readString("General", "Language", ""), std::string("Russian"));
        SetCurrentLanguage(QStringLiteral("English"));
    }

    // 434 x 325 inside, centred on the 1280 x 1024 desktop, in both
    // languages.
    void dialogHasItsSizeAndIsCentred() {
        ClockEnv env;
        RecordingDialogs dialogs;
        copyShippedLanguages();
        ostrel::testing::ClockWindow clockWindow;
        for (const QString& language : {QStringLiteral("English"), QStringLiteral("Russian")}) {
            SetCurrentLanguage(language);
            TranslateForm(frmSettings);
            frmSettings->prepareToShow();
            frmSettings->move(0, 0);
            frmSettings->show();
            QVERIFY(QTest::qWaitForWindowExposed(frmSettings));
            QCOMPARE(frmSettings->size(), QSize(434, 325));
            QCOMPARE(frmSettings->pos(), QPoint((1280 - 434) / 2, (1024 - 325) / 2));
            frmSettings->reject();
        }
        SetCurrentLanguage(QStringLiteral("English"));
    }

    // Tab runs through the buttons as they stand: Help, OK, Cancel.
    void buttonsTabInTheirVisualOrder() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        frmSettings->prepareToShow();
        frmSettings->show();
        QApplication::setActiveWindow(frmSettings);
        QVERIFY(QTest::qWaitForWindowActive(frmSettings));
        QVERIFY(child<QPushButton>(*frmSettings, "btnHelp")->x() < child<QPushButton>(*frmSettings, "btnOK")->x());
        QVERIFY(child<QPushButton>(*frmSettings, "btnOK")->x() < child<QPushButton>(*frmSettings, "btnCancel")->x());
        child<QPushButton>(*frmSettings, "btnHelp")->setFocus();
        QTest::keyClick(child<QPushButton>(*frmSettings, "btnHelp"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(*frmSettings, "btnOK"));
        QTest::keyClick(child<QPushButton>(*frmSettings, "btnOK"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(*frmSettings, "btnCancel"));
        QTest::keyClick(child<QPushButton>(*frmSettings, "btnCancel"), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(*frmSettings, "btnOK"));
        frmSettings->reject();
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settings_dialog.moc"
