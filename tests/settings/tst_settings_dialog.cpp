// The settings dialog: loading and saving the settings file, the view-mode
// switches, live changes, OK and Cancel, the autorun entry.

#include <QSignalSpy>
#include <QtTest>

#include "base/app_paths.h"
#include "app/forms.h"
#include "clock/clock_window.h"
#include "clock_env.h"
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
        QTest::newRow("0") << "0" << int(vmSysTrayIcon) << "";
        QTest::newRow("5") << "5" << int(vmSysTrayIcon) << "";
        QTest::newRow("text") << "free" << int(vmSysTrayIcon) << "";
    }
    void storedModeIsChosenByItsLowEightBits() {
        QFETCH(QString, stored);
        QFETCH(int, mode);
        QFETCH(QString, button);
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=" + stored.toLatin1() + "\n");
        TfrmClock clock;
        QCOMPARE(int(clock.ViewMode), mode);
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
        TfrmClock clock;
        QCOMPARE(frmSettings->seVertSpace->value(), 15);
        QCOMPARE(clock.VertSpace, 15);
        QCOMPARE(clock.HorisSpace, 0);
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
            TfrmClock clock;
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

        TfrmClock clock;
        QCOMPARE(clock.ViewMode, std::uint8_t(vmFreeClock));
        QCOMPARE(clock.pos(), QPoint(40, 50));
        QCOMPARE(clock.VertSpace, 5);
        QCOMPARE(clock.HorisSpace, 11);
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
        TfrmClock clock;
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
        TfrmClock clock;
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
        TfrmClock clock;
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
        QCOMPARE(clock.VertSpace, 12);
        frmSettings->rbSysTrayIcon->setChecked(true);
        QCOMPARE(clock.ViewMode, std::uint8_t(vmSysTrayIcon));

        frmSettings->btnCancelClick();
        QCOMPARE(clock.color(), QColor(255, 0, 0));
        QCOMPARE(clock.VertSpace, 4);
        QCOMPARE(clock.ViewMode, std::uint8_t(vmFreeClock));
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
        TfrmClock clock;
        QCOMPARE(clock.pos(), QPoint(100, 200));

        clock.move(400, 300);
        frmSettings->rbAnalogClock->setChecked(true);
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(clock.ViewMode, std::uint8_t(vmAnalogClock));
        QCOMPARE(clock.pos(), QPoint(100, 200));
        QCOMPARE(clock.size(), QSize(96, 96));
        QVERIFY(!clock.mask().isEmpty());
        QVERIFY(!clock.imgAnalogClock->pixmap().isNull());
        QVERIFY(clock.isVisible());
        QVERIFY(!clock.spTrayIcon1->isVisible());

        clock.move(500, 500);
        frmSettings->rbFreeClock->setChecked(true);
        QCOMPARE(clock.ViewMode, std::uint8_t(vmFreeClock));
        QCOMPARE(clock.pos(), QPoint(100, 200));
        QVERIFY(clock.mask().isEmpty());
        QVERIFY(clock.imgAnalogClock->pixmap().isNull());
        QCOMPARE(ini().readInteger("Clock", "Left", 0), 100);  // not stored on the way

        clock.move(640, 480);
        frmSettings->rbSysTrayClock->setChecked(true);
        QCOMPARE(clock.ViewMode, std::uint8_t(vmSysTrayClock));
        QCOMPARE(ini().readInteger("Clock", "Left", 0), 640);
        QCOMPARE(ini().readInteger("Clock", "Top", 0), 480);
        QVERIFY(clock.isVisible());

        frmSettings->rbSysTrayIcon->setChecked(true);
        QCOMPARE(clock.ViewMode, std::uint8_t(vmSysTrayIcon));
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

    void missingDialStopsTheSwitchBeforeTheModeChanges() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=3\n");
        TfrmClock clock;
        frmSettings->rbAnalogClock->setChecked(true);
        QCOMPARE(clock.ViewMode, std::uint8_t(vmFreeClock));
        QVERIFY(frmSettings->rbFreeClock->isChecked());
        QVERIFY(!frmSettings->rbAnalogClock->isChecked());
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("Analog_clock.jpg")));
    }

    void missingDialAtStartLeavesTheIcon() {
        ClockEnv env;
        RecordingDialogs dialogs;
        env.writeSettings("[General]\nProgramView=4\n");
        TfrmClock clock;
        QCOMPARE(clock.ViewMode, std::uint8_t(vmSysTrayIcon));
        QVERIFY(clock.spTrayIcon1->isVisible());
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        // The fallback is for this run: the stored mode used to be replaced
        // for good (4 became 1 or 3 after one run).
        frmSettings->SaveSettings(false);
        QCOMPARE(ini().readInteger("General", "ProgramView", 0), 4);
        frmSettings->SaveSettings(true);
        QCOMPARE(ini().readInteger("General", "ProgramView", 0), 4);
        // A mode the user picks is stored.
        frmSettings->rbFreeClock->setChecked(true);
        frmSettings->SaveSettings(true);
        QCOMPARE(ini().readInteger("General", "ProgramView", 0), 3);
    }

    void spacingChangesResizeTheFreeClock() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake;
        env.writeSettings("[General]\nProgramView=3\n");
        TfrmClock clock;
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
        TfrmClock clock;
        QCOMPARE(dialogs.texts().size(), 1);
        QCOMPARE(clock.ViewMode, std::uint8_t(vmSysTrayIcon));
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
        TfrmClock clock;
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
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settings_dialog.moc"
