// Language files: window translation by key form, messages, the language
// list, the language setting and the shipped files.

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/forms.h"
#include "base/app_paths.h"
#include "core/settings/ini_file.h"
#include "recording_dialogs.h"
#include "ui/control_properties.h"
#include "ui/dialog_service.h"
#include "ui/languages.h"
#include "ui/settings_file.h"

using namespace ostrel;
using ostrel::testing::RecordingDialogs;

namespace {

// Properties of the kinds a language file can set, for one control.
class Probe : public QObject {
    Q_OBJECT
    Q_PROPERTY(QChar Mark MEMBER mark)
    Q_PROPERTY(double Ratio MEMBER ratio)
    Q_PROPERTY(QStringList Tags MEMBER tags)
    Q_PROPERTY(QColor Colour MEMBER colour)
    Q_PROPERTY(int Count MEMBER count)
    Q_PROPERTY(bool Flag MEMBER flag)
public:
    QChar mark = QLatin1Char('-');
    double ratio = 1.0;
    QStringList tags{QStringLiteral("t1"), QStringLiteral("t2"), QStringLiteral("t3")};
    QColor colour = Qt::black;
    int count = 7;
    bool flag = false;
};

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A reminder-like window with one control of each kind.
struct SmallWindow {
    QWidget form;
    QLabel* lbTitle;
    QLabel* lbEmpty;
    QPushButton* btnOK;
    QCheckBox* chbRepeat;
    QLineEdit* edTitle;
    QPlainTextEdit* memDescript;
    QComboBox* cbPostpone;
    QListWidget* lbxSettings;
    QGroupBox* gbWhen;
    QToolButton* tbEdit;
    QMenu* pmMenu;
    QAction* miExit;
    QSpinBox* seValue;
    QTableWidget* grList;
    QFileDialog* OpenPictureDialog1;
    Probe* probe;
    QLabel* lbInOther;

    explicit SmallWindow(const QString& name) {
        form.setObjectName(name);
        form.setWindowTitle(QStringLiteral("Original caption"));
        auto named = [](QObject* o, const char* n) {
            o->setObjectName(QLatin1String(n));
            return o;
        };
        lbTitle = static_cast<QLabel*>(named(new QLabel(QStringLiteral("label"), &form), "lbTitle"));
        lbEmpty = static_cast<QLabel*>(named(new QLabel(QStringLiteral("not empty"), &form), "lbEmpty"));
        btnOK = static_cast<QPushButton*>(named(new QPushButton(QStringLiteral("OK"), &form), "btnOK"));
        chbRepeat = static_cast<QCheckBox*>(named(new QCheckBox(QStringLiteral("repeat"), &form), "chbRepeat"));
        gbWhen = static_cast<QGroupBox*>(named(new QGroupBox(QStringLiteral("when"), &form), "gbWhen"));
        // Nested one level deeper: controls are found anywhere in the window.
        edTitle = static_cast<QLineEdit*>(named(new QLineEdit(QStringLiteral("title"), gbWhen), "edTitle"));
        memDescript = static_cast<QPlainTextEdit*>(named(new QPlainTextEdit(&form), "memDescript"));
        memDescript->setPlainText(QStringLiteral("line 0\nline 1\nline 2"));
        cbPostpone = static_cast<QComboBox*>(named(new QComboBox(&form), "cbPostpone"));
        cbPostpone->addItems({QStringLiteral("Minutes"), QStringLiteral("Hours"), QStringLiteral("Days")});
        cbPostpone->setCurrentIndex(1);
        lbxSettings = static_cast<QListWidget*>(named(new QListWidget(&form), "lbxSettings"));
        lbxSettings->addItems({QStringLiteral("General"), QStringLiteral("Clock")});
        tbEdit = static_cast<QToolButton*>(named(new QToolButton(&form), "tbEdit"));
        pmMenu = static_cast<QMenu*>(named(new QMenu(QStringLiteral("menu"), &form), "pmMenu"));
        miExit = static_cast<QAction*>(named(pmMenu->addAction(QStringLiteral("Exit")), "miExit"));
        seValue = static_cast<QSpinBox*>(named(new QSpinBox(&form), "seValue"));
        seValue->setRange(0, 99);
        seValue->setValue(5);
        grList = static_cast<QTableWidget*>(named(new QTableWidget(2, 3, &form), "grList"));
        grList->setHorizontalHeaderLabels({QStringLiteral("TDID"), QStringLiteral("Date"), QStringLiteral("Title")});
        grList->setColumnHidden(0, true);
        OpenPictureDialog1 = static_cast<QFileDialog*>(named(new QFileDialog(&form), "OpenPictureDialog1"));
        probe = static_cast<Probe*>(named(new Probe, "probe"));
        probe->setParent(&form);
        // Another window parented to this one: its contents are its own.
        auto* other = new QDialog(&form);
        other->setObjectName(QStringLiteral("dlgOther"));
        lbInOther = static_cast<QLabel*>(named(new QLabel(QStringLiteral("own text"), other), "lbInOther"));
    }
};

}  // namespace

class TestLanguages : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    RecordingDialogs dialogs;

    QString langFile(const QString& name) {
        return dir.path() + QStringLiteral("/Languages/") + name + QStringLiteral(".lng");
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        setExeDirForTesting(dir.path());
        setDialogService(&dialogs);
    }
    void cleanupTestCase() {
        setDialogService(nullptr);
        setExeDirForTesting({});
    }
    void init() {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path() + QStringLiteral("/Languages"));
        dialogs.messages.clear();
        resetSettingsFileFailureForTesting();
        SetCurrentLanguage(QStringLiteral("Test"));
    }

    void keyFormsOnASmallWindow() {
        writeBytes(langFile(QStringLiteral("Test")),
                   "[frmToDo]\r\n"
                   "Caption=Reminder\r\n"     // not a control: the window's own property
                   "lbTitle=Title label\r\n"  // bare name: a label's caption
                   "lbEmpty=\r\n"             // an empty value empties the text
                   "btnOK.Caption=Fine\r\n"   // Name.Prop
                   "chbRepeat=Repeat every\r\n"
                   "edTitle=typed text\r\n"  // bare name: an edit's text
                   "gbWhen=When\r\n"         // group box: its title
                   "miExit=E&xit\r\n"        // menu item
                   "pmMenu.Title=Menu title\r\n"
                   "tbEdit.Hint=Edit the task\r\n"         // Hint -> tool tip
                   "memDescript.Lines(1)=second line\r\n"  // Name.Prop(i)
                   "memDescript.Lines(3)=past the end\r\n"
                   "cbPostpone(0)=.  Minutes\r\n"   // Name(i), the dot protects the blanks
                   "cbPostpone(1)=..Hours\r\n"      // only the first dot goes
                   "cbPostpone.Items(2)=Days!\r\n"  // Name.Prop(i) on Items: no dot rule
                   "cbPostpone(3)=out of range\r\n"
                   "cbPostpone(-1)=negative\r\n"
                   "cbPostpone(x)=not a number\r\n"
                   "cbPostpone=bare name on a combo box sets nothing\r\n"
                   "lbxSettings(0)=Main\r\n"
                   "LBXSETTINGS(1)=.\r\n"    // names without regard to case; "." alone empties
                   "seValue.value=42\r\n"    // a Qt property named directly
                   "seValue.Value=junk\r\n"  // not a number: unchanged
                   "edTitle.MaxLength=$10\r\n"
                   "edTitle.EchoMode=2\r\n"   // an enumeration by number
                   "edTitle.EchoMode=99\r\n"  // no such value: unchanged
                   "lbTitle.Alignment=1\r\n"  // flags (a set): left alone
                   "btnOK.Enabled=0\r\n"
                   "btnOK.Width=5\r\n"           // read-only: skipped
                   "grList.Titles(0)=Datum\r\n"  // column titles skip hidden columns
                   "grList.Titles(1)=Titel\r\n"
                   "grList.Titles(2)=no third visible column\r\n"
                   "OpenPictureDialog1=Associated photo...\r\n"  // a file dialog: its title
                   "probe.Mark=xyz\r\n"
                   "probe.Ratio=2.5\r\n"
                   "probe.Tags=a, \"b, c\" ,d\r\n"  // string list as comma text
                   "probe.Colour=255\r\n"           // a kind language files do not set
                   "probe.Count=99999999999\r\n"    // does not fit: unchanged
                   "probe.Flag=7\r\n"
                   "probe.Tags(9)=out of range\r\n"
                   "NoSuchControl.Caption=x\r\n"
                   "NoSuchControl(0)=x\r\n"
                   "memDescript.NoSuch(0)=x\r\n"
                   "lbTitle.Caption(0)=not a list\r\n"
                   "memDescript.Lines(1=no closing\r\n"
                   "memDescript.Lines)1(=reversed\r\n"
                   "cbPostpone)0(=reversed\r\n"
                   "1bad=x\r\n"
                   "btnOK.Caption.Extra=x\r\n"
                   "lbInOther=not ours\r\n"
                   "HelpContext=8\r\n"       // the window has no such property
                   "objectName=renamed\r\n"  // never renames a control
                   "[frmOther]\r\n"
                   "Caption=Wrong section\r\n");
        SmallWindow w(QStringLiteral("frmToDo_3"));
        TranslateForm(&w.form);

        QCOMPARE(w.form.windowTitle(), QStringLiteral("Reminder"));
        QCOMPARE(w.form.objectName(), QStringLiteral("frmToDo_3"));
        QCOMPARE(w.lbTitle->text(), QStringLiteral("Title label"));
        QCOMPARE(w.lbEmpty->text(), QString());
        QCOMPARE(w.btnOK->text(), QStringLiteral("Fine"));
        QCOMPARE(w.chbRepeat->text(), QStringLiteral("Repeat every"));
        QCOMPARE(w.edTitle->text(), QStringLiteral("typed text"));
        QCOMPARE(w.gbWhen->title(), QStringLiteral("When"));
        QCOMPARE(w.miExit->text(), QStringLiteral("E&xit"));
        QCOMPARE(w.pmMenu->title(), QStringLiteral("Menu title"));
        QCOMPARE(w.tbEdit->toolTip(), QStringLiteral("Edit the task"));
        QCOMPARE(w.memDescript->toPlainText(), QStringLiteral("line 0\nsecond line\nline 2"));
        QCOMPARE(w.cbPostpone->count(), 3);
        QCOMPARE(w.cbPostpone->itemText(0), QStringLiteral("  Minutes"));
        QCOMPARE(w.cbPostpone->itemText(1), QStringLiteral(".Hours"));
        QCOMPARE(w.cbPostpone->itemText(2), QStringLiteral("Days!"));
        QCOMPARE(w.cbPostpone->currentIndex(), 1);
        QCOMPARE(w.lbxSettings->item(0)->text(), QStringLiteral("Main"));
        QCOMPARE(w.lbxSettings->item(1)->text(), QString());
        QCOMPARE(w.seValue->value(), 42);
        QCOMPARE(w.edTitle->maxLength(), 16);
        QCOMPARE(w.edTitle->echoMode(), QLineEdit::Password);
        QCOMPARE(w.lbTitle->alignment(), Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        QVERIFY(!w.btnOK->isEnabled());
        QCOMPARE(w.grList->horizontalHeaderItem(0)->text(), QStringLiteral("TDID"));
        QCOMPARE(w.grList->horizontalHeaderItem(1)->text(), QStringLiteral("Datum"));
        QCOMPARE(w.grList->horizontalHeaderItem(2)->text(), QStringLiteral("Titel"));
        QCOMPARE(w.OpenPictureDialog1->windowTitle(), QStringLiteral("Associated photo..."));
        QCOMPARE(w.lbInOther->text(), QStringLiteral("own text"));
        QCOMPARE(w.probe->mark, QLatin1Char('x'));
        QCOMPARE(w.probe->ratio, 2.5);
        QCOMPARE(w.probe->tags, (QStringList{QStringLiteral("a"), QStringLiteral("b, c"), QStringLiteral("d")}));
        QCOMPARE(w.probe->colour, QColor(Qt::black));
        QCOMPARE(w.probe->count, 7);
        QVERIFY(w.probe->flag);
    }

    void sectionNameDropsOneOrTwoCopyDigits() {
        writeBytes(langFile(QStringLiteral("Test")),
                   "[frmToDo]\nCaption=Reminder\n[frmToDo_123]\nCaption=Own section\n[frmToDo_1]\nCaption=Never\n");
        const struct {
            const char* name;
            const char* caption;
        } cases[] = {
            {"frmToDo", "Reminder"},        {"frmToDo_1", "Reminder"},        {"frmToDo_42", "Reminder"},
            {"frmToDo_123", "Own section"}, {"frmToDo_", "Original caption"}, {"frmToDo_x1", "Original caption"},
        };
        for (const auto& c : cases) {
            SmallWindow w(QLatin1String(c.name));
            TranslateForm(&w.form);
            QCOMPARE(w.form.windowTitle(), QLatin1String(c.caption));
        }
        TranslateForm(nullptr);  // nothing happens
    }

    void translationDoesNotRunChangeHandlers() {
        writeBytes(langFile(QStringLiteral("Test")),
                   "[frmToDo]\nedTitle=changed\ncbPostpone(1)=Stunden\ncbPostpone.Items=a,b,c,d\n");
        SmallWindow w(QStringLiteral("frmToDo"));
        QSignalSpy edited(w.edTitle, &QLineEdit::textChanged);
        QSignalSpy chosen(w.cbPostpone, &QComboBox::currentTextChanged);
        TranslateForm(&w.form);
        QCOMPARE(w.edTitle->text(), QStringLiteral("changed"));
        QCOMPARE(w.cbPostpone->count(), 4);
        QCOMPARE(w.cbPostpone->currentIndex(), 1);
        QCOMPARE(edited.count(), 0);
        QCOMPARE(chosen.count(), 0);
    }

    void switchingLanguagesOverwritesOnlyWhatTheNewFileNames() {
        writeBytes(langFile(QStringLiteral("First")), "[frmToDo]\nCaption=First caption\nlbTitle=First label\n");
        writeBytes(langFile(QStringLiteral("Second")), "[frmToDo]\nlbTitle=Second label\n");
        SmallWindow w(QStringLiteral("frmToDo"));
        SetCurrentLanguage(QStringLiteral("First"));
        TranslateForm(&w.form);
        SetCurrentLanguage(QStringLiteral("Second"));
        TranslateForm(&w.form);
        QCOMPARE(w.form.windowTitle(), QStringLiteral("First caption"));
        QCOMPARE(w.lbTitle->text(), QStringLiteral("Second label"));
        // A missing file changes nothing.
        SetCurrentLanguage(QStringLiteral("Missing"));
        TranslateForm(&w.form);
        QCOMPARE(w.lbTitle->text(), QStringLiteral("Second label"));
    }

    void translateAllFormsReachesEveryApplicationWindowAtOnce() {
        writeBytes(langFile(QStringLiteral("Test")),
                   "[frmToDo]\nCaption=To do\n[frmSchedule]\nCaption=Schedule\n[frmSettings]\nCaption=Settings\n");
        SmallWindow a(QStringLiteral("frmToDo"));
        SmallWindow b(QStringLiteral("frmSchedule"));
        SmallWindow notOwned(QStringLiteral("frmSettings"));
        registerApplicationForm(&a.form);
        registerApplicationForm(&b.form);
        QSignalSpy applied(&languageNotifier(), &LanguageNotifier::languageApplied);
        TranslateAllForms();
        QCOMPARE(a.form.windowTitle(), QStringLiteral("To do"));
        QCOMPARE(b.form.windowTitle(), QStringLiteral("Schedule"));
        QCOMPARE(notOwned.form.windowTitle(), QStringLiteral("Original caption"));
        QCOMPARE(applied.count(), 1);
    }

    // Qt's own texts (a standard button, the help's search count) follow
    // the language, live; a language file may name its locale.
    void qtOwnTextsFollowTheLanguage() {
        writeBytes(langFile(QStringLiteral("Russian")), "[Messages]\n");
        writeBytes(langFile(QStringLiteral("Mine")), "[Captions]\nLocale=ru\n");
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        // A window never shown is told of the change by a posted event.
        const auto cancel = [&box] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
            return box.button(QDialogButtonBox::Cancel)->text();
        };
        const auto hits = [] {
            return QCoreApplication::translate("QHelpSearchResultWidget", "%1 - %2 of %n Hits", nullptr, 5);
        };
        QCOMPARE(cancel(), QStringLiteral("Cancel"));
        SetCurrentLanguage(QStringLiteral("Russian"));
        TranslateAllForms();
        const QString russian = cancel(), russianHits = hits();
        SetCurrentLanguage(QStringLiteral("Test"));
        TranslateAllForms();
        const QString english = cancel();
        SetCurrentLanguage(QStringLiteral("Russian"));
        TranslateAllForms();
        LoadLanguageSetting(false);  // no settings file: English
        const QString afterLoad = cancel();
        SetCurrentLanguage(QStringLiteral("Mine"));
        TranslateAllForms();
        const QString byLocaleKey = cancel();
        SetCurrentLanguage(QStringLiteral("Test"));
        TranslateAllForms();
        QVERIFY2(QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm")),
                 "Qt's translations are not installed (Debian qt6-translations-l10n)");
        QCOMPARE(russian, QStringLiteral("Отмена"));
        QCOMPARE(russianHits, QStringLiteral("%1 - %2 из 5 совпадений"));
        QCOMPARE(english, QStringLiteral("Cancel"));
        QCOMPARE(afterLoad, QStringLiteral("Cancel"));
        QCOMPARE(byLocaleKey, QStringLiteral("Отмена"));
    }

    void messagesComeFromTheCurrentFileOrAreTheirKeys() {
        writeBytes(
            langFile(QStringLiteral("Test")),
            "\xEF\xBB\xBF[messages]\r\nInputTaskTitle = \xD0\x92\xD0\xB2\xD0\xB5\xD0\xB4\xD0\xB8\xD1\x82\xD0\xB5 \r\n"
            "Empty=\r\n");
        QCOMPARE(GetLangMessage(QStringLiteral("inputtasktitle")),
                 QString::fromUtf8("\xD0\x92\xD0\xB2\xD0\xB5\xD0\xB4\xD0\xB8\xD1\x82\xD0\xB5"));
        QCOMPARE(GetLangMessage(QStringLiteral("Empty")), QString());
        QCOMPARE(GetLangMessage(QStringLiteral("TimeOfTaskIsLessThanNow")), QStringLiteral("TimeOfTaskIsLessThanNow"));

        // An empty Languages folder: every message is its key.
        SetCurrentLanguage(QStringLiteral("English"));
        QCOMPARE(GetLangMessage(QStringLiteral("TimeOfTaskIsLessThanNow")), QStringLiteral("TimeOfTaskIsLessThanNow"));

        // A name that would lead out of the folder has no file.
        writeBytes(dir.path() + QStringLiteral("/Outside.lng"), "[Messages]\nInputTaskTitle=outside\n");
        SetCurrentLanguage(QStringLiteral("../Outside"));
        QCOMPARE(GetLangMessage(QStringLiteral("InputTaskTitle")), QStringLiteral("InputTaskTitle"));
        QVERIFY(languageFilePath(QStringLiteral("../Outside")).isEmpty());
        QVERIFY(languageFilePath(QString()).isEmpty());
    }

    void aFileThatIsNotUtf8StillLoads() {
        // Windows-1251 text: not valid UTF-8.
        writeBytes(langFile(QStringLiteral("Test")),
                   "[Messages]\nWantDelete=\xD3\xE4\xE0\xEB\xE8\xF2\xFC?\nTime=Time\n[frmToDo]\nlbTitle="
                   "\xC7\xE0\xE4\xE0\xF7\xE0\n");
        QCOMPARE(GetLangMessage(QStringLiteral("Time")), QStringLiteral("Time"));
        const QString del = GetLangMessage(QStringLiteral("WantDelete"));
        QCOMPARE(del.size(), 8);
        QVERIFY(del.endsWith(QLatin1Char('?')));
        SmallWindow w(QStringLiteral("frmToDo"));
        TranslateForm(&w.form);
        QCOMPARE(w.lbTitle->text().size(), 6);
    }

    void languageListFollowsTheLngRules() {
        const QString langs = dir.path() + QStringLiteral("/Languages/");
        for (const char* name : {"English.lng", "Russian.lng", "German.LNG", "Deutsch.lng.bak", ".lng", "Notes.txt",
                                 "english.lng", "Russian.lng~"})
            writeBytes(langs + QLatin1String(name), "[Messages]\n");
        QDir().mkpath(langs + QStringLiteral("Folder.lng"));
        QCOMPARE(languageList(),
                 (QStringList{QStringLiteral("Deutsch"), QStringLiteral("English"), QStringLiteral("english"),
                              QStringLiteral("Folder"), QStringLiteral("Russian")}));
        QDir(langs).removeRecursively();
        QCOMPARE(languageList(), QStringList());
    }

    void loadLanguageSettingReadsTheSettingsFile() {
        writeBytes(langFile(QStringLiteral("Russian")), "[frmToDo]\nCaption=Russian caption\n");
        SmallWindow w(QStringLiteral("frmToDo"));
        registerApplicationForm(&w.form);

        QFile::remove(settingsFilePath());
        LoadLanguageSetting(true);
        QCOMPARE(CurrentLanguage(), QStringLiteral("English"));
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Original caption"));

        writeBytes(settingsFilePath(), "[general]\nlanguage=Russian\n");
        LoadLanguageSetting(false);
        QCOMPARE(CurrentLanguage(), QStringLiteral("Russian"));
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Original caption"));
        LoadLanguageSetting(true);
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Russian caption"));

        writeBytes(settingsFilePath(), "[General]\nLanguage=\n");
        LoadLanguageSetting(false);
        QCOMPARE(CurrentLanguage(), QStringLiteral("English"));
        QVERIFY(dialogs.messages.empty());
    }

    // Until the user picks a language, the locale picks the one it asks
    // for when its file is there, otherwise English.
    void theLocalePicksTheLanguageOfAFirstStart_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("language");
        const QStringList both{QStringLiteral("English"), QStringLiteral("Russian")};
        QTest::newRow("ru_RU") << "ru_RU" << both << "Russian";
        QTest::newRow("ru_UA") << "ru_UA" << both << "Russian";
        QTest::newRow("ru without its file") << "ru_RU" << QStringList{QStringLiteral("English")} << "English";
        QTest::newRow("en_GB") << "en_GB" << both << "English";
        QTest::newRow("de_DE, no German file") << "de_DE" << both << "English";
        QTest::newRow("de_DE with a German file")
            << "de_DE" << (both + QStringList{QStringLiteral("German")}) << "German";
        QTest::newRow("C") << "C" << both << "English";
        QTest::newRow("uk_UA") << "uk_UA" << both << "English";
    }
    void theLocalePicksTheLanguageOfAFirstStart() {
        QFETCH(QString, locale);
        QFETCH(QStringList, files);
        QFETCH(QString, language);
        for (const QString& name : files) writeBytes(langFile(name), "[Messages]\n");
        QCOMPARE(languageForLocale(QLocale(locale)), language);
    }

    // The program's own start: no settings file, or one without the key,
    // follows the system's locale (run once more as tst_languages_ru_RU);
    // a stored choice wins over it.
    void aFirstStartTakesTheLanguageOfTheSystem() {
        writeBytes(langFile(QStringLiteral("English")), "[Messages]\n");
        writeBytes(langFile(QStringLiteral("Russian")), "[Messages]\n");
        const QString expected =
            QLocale::system().language() == QLocale::Russian ? QStringLiteral("Russian") : QStringLiteral("English");
        QFile::remove(settingsFilePath());
        LoadLanguageSetting(false);
        QCOMPARE(CurrentLanguage(), expected);
        QVERIFY(!QFile::exists(settingsFilePath()));
        writeBytes(settingsFilePath(), "[General]\nProgramView=3\n");
        LoadLanguageSetting(false);
        QCOMPARE(CurrentLanguage(), expected);
        writeBytes(settingsFilePath(), "[General]\nLanguage=English\n");
        LoadLanguageSetting(false);
        QCOMPARE(CurrentLanguage(), QStringLiteral("English"));
        writeBytes(settingsFilePath(), "[General]\nLanguage=Russian\n");
        LoadLanguageSetting(false);
        QCOMPARE(CurrentLanguage(), QStringLiteral("Russian"));
        QVERIFY(dialogs.messages.empty());
    }

    void anUnreadableSettingsFileEndsTheProgram() {
        writeBytes(langFile(QStringLiteral("Test")),
                   "[Messages]\nErrorOnLoad=Cannot load the %s file. The program will close.\n");
        QDir().mkpath(settingsFilePath());  // a folder where the file should be
        bool ran = false;
        QVERIFY(!withSettingsFile([&](IniFile& ini) {
            ini.readInteger("General", "ProgramView", 0);
            ran = true;
        }));
        QVERIFY(!ran);
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        // The text names the file and what is wrong with it.
        QCOMPARE(dialogs.messages[0].text,
                 QStringLiteral("Cannot load the config file. The program will close.\n\ncannot read ") +
                     settingsFilePath() + QStringLiteral(": it is a folder"));
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Ostrel Organizer"));
        QCOMPARE(dialogs.messages[0].icon, MsgIcon::Warning);
        QCOMPARE(dialogs.messages[0].buttons, unsigned(MsgOk));
        QVERIFY(settingsFileFailed());

        // A second failure on the way out is not reported again.
        QVERIFY(!withSettingsFile([](IniFile& ini) { ini.writeInteger("General", "ProgramView", 1); }));
        QCOMPARE(dialogs.messages.size(), std::size_t(1));

        // The request to end waits for the run loop, then ends it with 1.
        QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });  // safety net only
        QCOMPARE(QCoreApplication::exec(), 1);
        QDir(settingsFilePath()).removeRecursively();
    }

    void formatsMessageTexts() {
        const struct {
            const char* format;
            QVariantList args;
            const char* expected;
        } cases[] = {
            {"Error on load %s file", {QStringLiteral("config")}, "Error on load config file"},
            {"Offset %d s %d ms", {3600, 5}, "Offset 3600 s 5 ms"},
            {"%1:d ms, %0:d s", {12, 345}, "345 ms, 12 s"},
            {"[%5d|%-4s|%.3d|%x|%.2f]", {42, QStringLiteral("ab"), 7, 255, 3.14159}, "[   42|ab  |007|FF|3.14]"},
            {"100%% sure", {}, "100% sure"},
            {"missing %s and %d", {QStringLiteral("one")}, "missing one and %d"},
            {"odd %q and %", {1}, "odd %q and %"},
            {"%d", {QStringLiteral("text")}, "text"},
            {"TimeOffsetIs", {1, 2}, "TimeOffsetIs"},
        };
        for (const auto& c : cases)
            QCOMPARE(FormatMessageText(QLatin1String(c.format), c.args), QLatin1String(c.expected));
    }

    // Every key the code asks GetLangMessage(Or) for is in English.lng; every
    // other language has the same sections and keys; the build lays the
    // files out beside the executable.
    void shippedLanguageFilesAreComplete() {
        const QString source = QStringLiteral(OSTREL_SOURCE_DIR);
        const QString english = source + QStringLiteral("/Languages/English.lng");
        QVERIFY(QFile::exists(english));
        const IniFile englishIni(QFile::encodeName(english).toStdString());

        static const QRegularExpression call(QStringLiteral(
            "GetLangMessage(?:Or)?\\(\\s*(?:QStringLiteral\\(|QLatin1String\\(|QString\\()?\\s*\"([^\"]+)\""));
        QStringList used;
        QDirIterator it(source + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(f.readAll());
            for (auto m = call.globalMatch(text); m.hasNext();) {
                const QString key = m.next().captured(1);
                if (!used.contains(key)) used << key;
            }
        }
        QVERIFY2(used.contains(QStringLiteral("ErrorOnLoad")), "the scan finds the keys the code uses");
        for (const QString& key : used)
            QVERIFY2(englishIni.findValue("Messages", key.toStdString()).has_value(), qPrintable(key));

        // Every message has real text, and the other languages match.
        auto keysOf = [](const QString& path) {
            QStringList keys;
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly)) return keys;
            QString section;
            for (const QByteArray& raw : f.readAll().split('\n')) {
                const QString line = QString::fromUtf8(raw).trimmed();
                if (line.startsWith(QLatin1Char('['))) section = line;
                else if (line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char(';')))
                    keys << section + line.left(line.indexOf(QLatin1Char('='))).trimmed();
            }
            return keys;
        };
        const QStringList englishKeys = keysOf(english);
        for (const auto& [key, value] : englishIni.readSection("Messages")) QVERIFY2(!value.empty(), key.c_str());
        const QStringList files = QDir(source + QStringLiteral("/Languages")).entryList({QStringLiteral("*.lng")});
        QVERIFY(files.size() >= 2);
        for (const QString& file : files) {
            const QString path = source + QStringLiteral("/Languages/") + file;
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QStringDecoder utf8(QStringDecoder::Utf8);
            (void)QString(utf8(f.readAll()));
            QVERIFY2(!utf8.hasError(), qPrintable(file + QStringLiteral(" is not UTF-8")));
            QCOMPARE(keysOf(path), englishKeys);

            const QString laidOut =
                QFileInfo(QStringLiteral(OSTREL_APP_EXE)).absolutePath() + QStringLiteral("/Languages/") + file;
            QFile copy(laidOut);
            QVERIFY2(copy.open(QIODevice::ReadOnly), qPrintable(laidOut));
            QFile original(path);
            QVERIFY(original.open(QIODevice::ReadOnly));
            QCOMPARE(copy.readAll(), original.readAll());
        }
    }
};

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
