// The settings dialog: loading and saving the settings file, the view-mode
// switches, live changes, OK and Cancel, the autorun entry.

#include <QSignalSpy>
#include <QtTest>

#include "base/app_paths.h"
#include "app/forms.h"
#include "clock/clock_window.h"
#include "clock_env.h"
#include "clock_window.h"
#include "core/settings/ini_file.h"
#include "fake_clock.h"
#include "platform/autostart.h"
#include "recording_dialogs.h"
#include "ui/languages.h"
#include "settings/settings_dialog.h"
#include "ui/settings_file.h"

using namespace ostrel;
using ostrel::testing::ClockEnv;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;

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
        QCOMPARE(clock.spTrayIcon1->isVisible(), mode == vmSysTrayIcon);
        QCOMPARE(clock.showOnStart(), mode != vmSysTrayIcon);
        for (QRadioButton* rb : {frmSettings->rbSysTrayIcon, frmSettings->rbSysTrayClock, frmSettings->rbFreeClock,
                                 frmSettings->rbAnalogClock})
            QCOMPARE(rb->isChecked(), rb->objectName() == button);
    }

    void spacingIsClampedByTheSpinEdits() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[Clock]\nVertSpace=40\nHorisSpace=-3\n");
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(frmSettings->seVertSpace->value(), 15);
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
            frmSettings->rbFreeClock->setChecked(true);
            clock.move(40, 50);
            frmSettings->seVertSpace->setValue(5);
            frmSettings->seHorisSpase->setValue(11);
            QFont f(QStringLiteral("DejaVu Serif"), 14);
            f.setItalic(true);
            dialogs.fontAnswer = f;
            frmSettings->btnSelectFontClick();
            dialogs.colorAnswer = QColor(10, 20, 30);
            frmSettings->btnSelectColorClick();
            frmSettings->chbAutohidePanel->setChecked(true);
            frmSettings->cbAutorun->setChecked(true);
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
        QCOMPARE(clock.lbClock->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(clock.lbClock->font().pointSize(), 14);
        QVERIFY(clock.lbClock->font().italic());
        QVERIFY(!clock.lbClock->font().bold());
        QCOMPARE(clock.color(), QColor(10, 20, 30));
        QVERIFY(frmSettings->chbAutohidePanel->isChecked());
        QVERIFY(frmSettings->cbAutorun->isChecked());
    }

    // The Setting command: the dialog runs modally, opens on the first page
    // with the current language, stays open over the font dialog, and OK
    // stores the choice.
    void settingCommandRunsTheDialog() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        frmSettings->lbxSettings->setCurrentRow(2);
        dialogs.fontAnswer = QFont(QStringLiteral("DejaVu Sans"), 12);
        bool modal = false, visibleAfterFont = false;
        int page = -1;
        QString language;
        QTimer::singleShot(0, frmSettings, [&] {
            modal = frmSettings->isModal() && frmSettings->isVisible();
            page = frmSettings->Notebook1->currentIndex();
            language = frmSettings->cbLang->currentText();
            frmSettings->btnSelectFont->click();
            visibleAfterFont = frmSettings->isVisible();
            frmSettings->btnOK->click();
        });
        clock.miSettingClick();
        QVERIFY(modal);
        QCOMPARE(page, 0);
        QCOMPARE(language, CurrentLanguage());
        QVERIFY(visibleAfterFont);
        QVERIFY(!frmSettings->isVisible());
        QCOMPARE(clock.lbClock->font().pointSize(), 12);
        QCOMPARE(ini().readInteger("Clock", "FontSize", 0), 12);
        QCOMPARE(ini().readString("Clock", "FontName", ""), std::string("DejaVu Sans"));
    }

    void autorunEntryOfAnotherCopyIsNotOurs() {
        ClockEnv env;
        RecordingDialogs dialogs;
        setAutostart(QStringLiteral("/opt/other copy/ostrel-organizer"));
        ostrel::testing::ClockWindow clockWindow;
        QVERIFY(!frmSettings->cbAutorun->isChecked());
        frmSettings->btnOKClick();
        QVERIFY(!QFile::exists(autostartEntryPath()));
        // Our own path is recognised.
        setAutostart(exePath());
        frmSettings->LoadSettings();
        QVERIFY(frmSettings->cbAutorun->isChecked());
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
        QCOMPARE(frmSettings->shColor3->color(), QColor(1, 2, 3));
        frmSettings->btnSelectColorClick();
        QCOMPARE(clock.color(), QColor(1, 2, 3));
        frmSettings->seVertSpace->setValue(12);
        QCOMPARE(clock.vertSpace(), 12);
        frmSettings->rbSysTrayIcon->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayIcon));

        frmSettings->btnCancelClick();
        QCOMPARE(clock.color(), QColor(255, 0, 0));
        QCOMPARE(clock.vertSpace(), 4);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QCOMPARE(frmSettings->shColor3->color(), QColor(0, 255, 0));
        QCOMPARE(frmSettings->shColor4->color(), QColor(0, 255, 0));
        QCOMPARE(pocketBook, QColor(1, 2, 3));  // the pocket book keeps it
        QCOMPARE(pocketBookCalls, 1);
        QVERIFY(!env.readSettings().contains("VertSpace=12"));
    }

    // A stored position off the screen (Top=5000, values beyond the 16-bit
    // range or the int range) used to place the floating clock where it
    // could never be reached again.
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
        QVERIFY2(visible.width() >= 40 && visible.height() >= 16,
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(clock.x()).arg(clock.y()).arg(clock.width()).arg(clock.height())));
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
        frmSettings->rbAnalogClock->setChecked(true);
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmAnalogClock));
        QCOMPARE(clock.pos(), QPoint(100, 200));
        QCOMPARE(clock.size(), QSize(96, 96));
        QVERIFY(!clock.mask().isEmpty());
        QVERIFY(!clock.imgAnalogClock->pixmap().isNull());
        QVERIFY(clock.isVisible());
        QVERIFY(!clock.spTrayIcon1->isVisible());

        clock.move(500, 500);
        frmSettings->rbFreeClock->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QCOMPARE(clock.pos(), QPoint(100, 200));
        QVERIFY(clock.mask().isEmpty());
        QVERIFY(clock.imgAnalogClock->pixmap().isNull());
        QCOMPARE(ini().readInteger("Clock", "Left", 0), 100);  // not stored on the way

        clock.move(640, 480);
        frmSettings->rbSysTrayClock->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayClock));
        QCOMPARE(ini().readInteger("Clock", "Left", 0), 640);
        QCOMPARE(ini().readInteger("Clock", "Top", 0), 480);
        QVERIFY(clock.isVisible());

        frmSettings->rbSysTrayIcon->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmSysTrayIcon));
        QVERIFY(!clock.isVisible());
        QVERIFY(clock.spTrayIcon1->isVisible());

        frmSettings->rbFreeClock->setChecked(true);
        QCOMPARE(clock.pos(), QPoint(640, 480));
        QVERIFY(!clock.spTrayIcon1->isVisible());
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

        frmSettings->findChild<QRadioButton*>(mode == vmAnalogClock    ? "rbAnalogClock"
                                              : mode == vmSysTrayClock ? "rbSysTrayClock"
                                                                       : "rbSysTrayIcon")
            ->setChecked(true);
        QCOMPARE(int(clock.viewMode()), mode);
        frmSettings->findChild<QSpinBox*>("seHorisSpase")->setValue(20);
        frmSettings->findChild<QSpinBox*>("seVertSpace")->setValue(15);
        if (escape)
            QTest::keyClick(frmSettings, Qt::Key_Escape);
        else
            frmSettings->findChild<QPushButton*>("btnCancel")->click();

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
        frmSettings->rbAnalogClock->setChecked(true);
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmFreeClock));
        QVERIFY(frmSettings->rbFreeClock->isChecked());
        QVERIFY(!frmSettings->rbAnalogClock->isChecked());
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
        QVERIFY(clock.spTrayIcon1->isVisible());
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        // The fallback is for this run: the stored mode used to be replaced
        // for good (4 became 1 or 3 after one run).
        frmSettings->SaveSettings();
        QCOMPARE(ini().readInteger("General", "ProgramView", 0), 4);
        clock.saveView();
        QCOMPARE(ini().readInteger("General", "ProgramView", 0), 4);
        // A mode the user picks is stored.
        frmSettings->rbFreeClock->setChecked(true);
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
        const QFontMetrics fm(clock.lbClock->font());
        frmSettings->seVertSpace->setValue(10);
        QCOMPARE(clock.height(), fm.height() + 10 + 1);
        frmSettings->seHorisSpase->setValue(20);
        QCOMPARE(clock.width(), fm.horizontalAdvance(clock.lbClock->text()) + 20 + 1);
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
        QCOMPARE(frmSettings->cbLang->currentText(), QStringLiteral("English"));
        QCOMPARE(frmSettings->Notebook1->currentIndex(), 0);
        frmSettings->cbLangDropDown();
        QStringList items;
        for (int i = 0; i < frmSettings->cbLang->count(); ++i) items << frmSettings->cbLang->itemText(i);
        items.sort();
        QCOMPARE(items, (QStringList{"Deutsch", "English", "Polski"}));
        QCOMPARE(frmSettings->cbLang->currentText(), QStringLiteral("English"));
        frmSettings->cbLang->setEditText(QStringLiteral("Deutsch"));
        QCOMPARE(CurrentLanguage(), QStringLiteral("Deutsch"));
        SetCurrentLanguage(QStringLiteral("English"));

        frmSettings->lbxSettings->setCurrentRow(3);
        QCOMPARE(frmSettings->Notebook1->currentIndex(), 3);
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
        QCOMPARE(frmSettings->cbLang->currentText(), QStringLiteral("Русский"));
        frmSettings->cbLangDropDown();
        QCOMPARE(frmSettings->cbLang->count(), 2);
        QCOMPARE(frmSettings->cbLang->itemText(0), QStringLiteral("English"));
        QCOMPARE(frmSettings->cbLang->itemData(0).toString(), QStringLiteral("English"));
        QCOMPARE(frmSettings->cbLang->itemText(1), QStringLiteral("Русский"));
        QCOMPARE(frmSettings->cbLang->itemData(1).toString(), QStringLiteral("Russian"));
        frmSettings->cbLang->setCurrentIndex(0);
        QCOMPARE(CurrentLanguage(), QStringLiteral("English"));
        frmSettings->cbLang->setCurrentIndex(1);
        QCOMPARE(CurrentLanguage(), QStringLiteral("Russian"));
        // A file name typed in still names its language.
        frmSettings->cbLang->setEditText(QStringLiteral("English"));
        QCOMPARE(CurrentLanguage(), QStringLiteral("English"));
        frmSettings->cbLang->setEditText(QStringLiteral("Русский"));
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
        QVERIFY(frmSettings->btnHelp->x() < frmSettings->btnOK->x());
        QVERIFY(frmSettings->btnOK->x() < frmSettings->btnCancel->x());
        frmSettings->btnHelp->setFocus();
        QTest::keyClick(frmSettings->btnHelp, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), frmSettings->btnOK);
        QTest::keyClick(frmSettings->btnOK, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), frmSettings->btnCancel);
        QTest::keyClick(frmSettings->btnCancel, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), frmSettings->btnOK);
        frmSettings->reject();
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settings_dialog.moc"
