// The help: every help context number has its page in the compiled manuals,
// F1 asks for the context of the window it is pressed in, the menu opens the
// contents, F1 in every window of the organizer reaches its page in the real
// help window, the help file rule (".qch" in any case, a bare name beside the
// program, the translated manual) and a missing or damaged file.

#include <QHelpEngine>
#include <QHelpEngineCore>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchResult>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "app/forms.h"
#include "app/help_setup.h"
#include "base/app_paths.h"
#include "clock/about_box.h"
#include "clock/clock_window.h"
#include "clock_env.h"
#include "clock_window.h"
#include "contacts/address_book.h"
#include "contacts/person_editor.h"
#include "contacts/person_viewer.h"
#include "data/data_module.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "help/help_file.h"
#include "help/help_window.h"
#include "notes/pocket_book.h"
#include "planning/day_info.h"
#include "planning/holiday_editor.h"
#include "planning/holiday_list.h"
#include "planning/schedule_window.h"
#include "recording_dialogs.h"
#include "settings/settings_dialog.h"
#include "ui/help_key.h"
#include "ui/help_link.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::ClockEnv;
using ostrel::testing::RecordingDialogs;

namespace {

const QString kEnglishManual = QStringLiteral(OSTREL_HELP_DIR "/ostrel_organizer.qch");
const QString kRussianManual = QStringLiteral(OSTREL_HELP_DIR "/Russian/ostrel_organizer.qch");

// Records the requests that reach the help handlers.
struct RecordedHelp {
    QList<int> contexts;
    int contents = 0;
    RecordedHelp() {
        setHelpHandlers([this](int c) { contexts << c; }, [this] { ++contents; });
    }
    ~RecordedHelp() { setHelpHandlers({}, {}); }
};

struct AppHelpKey {
    HelpKeyFilter filter;
    AppHelpKey() { qApp->installEventFilter(&filter); }
    ~AppHelpKey() { qApp->removeEventFilter(&filter); }
};

QString pageName(const QUrl& url) { return url.path().section(QLatin1Char('/'), -1); }

}  // namespace

class TestHelp : public QObject {
    Q_OBJECT
private:
    QTemporaryDir cache_;

private slots:
    void initTestCase() {
        // The help window's private collection goes to the cache folder.
        qputenv("XDG_CACHE_HOME", cache_.path().toLocal8Bit());
        QVERIFY2(QFileInfo::exists(kEnglishManual), qPrintable(kEnglishManual));
    }

    void everyContextHasItsPage_data() {
        QTest::addColumn<QString>("manual");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("page");
        const QList<QPair<QString, QString>> manuals = {{"en", kEnglishManual}, {"ru", kRussianManual}};
        const QList<QPair<int, QString>> topics = {
            {1, "clock.html"},    {3, "day-panel.html"},    {4, "tasks.html"},    {5, "schedule.html"},
            {6, "holidays.html"}, {7, "address-book.html"}, {8, "settings.html"}, {12, "pocket-book.html"},
        };
        for (const auto& [lang, file] : manuals) {
            QTest::addRow("%s contents", qPrintable(lang)) << file << "contents"
                                                           << "index.html";
            for (const auto& [context, page] : topics) {
                QTest::addRow("%s %d", qPrintable(lang), context) << file << helpIdentifier(context) << page;
            }
        }
    }
    void everyContextHasItsPage() {
        QFETCH(QString, manual);
        QFETCH(QString, identifier);
        QFETCH(QString, page);
        QTemporaryDir dir;
        QHelpEngineCore engine(dir.filePath("check.qhc"));
        engine.setReadOnly(false);
        QVERIFY(engine.setupData());
        QVERIFY2(engine.registerDocumentation(manual), qPrintable(engine.error()));
        engine.setupData();
        const QList<QHelpLink> links = engine.documentsForIdentifier(identifier);
        QCOMPARE(links.size(), 1);
        QCOMPARE(pageName(links.first().url), page);
        const QByteArray html = engine.fileData(links.first().url);
        QVERIFY(html.contains("<h1>"));
        // Every picture a page shows is in the manual too.
        static const QRegularExpression img(QStringLiteral("<img[^>]*src=\"([^\"]+)\""));
        for (const auto& m : img.globalMatch(QString::fromUtf8(html))) {
            QVERIFY2(!engine.fileData(links.first().url.resolved(QUrl(m.captured(1)))).isEmpty(),
                     qPrintable(m.captured(1)));
        }
    }

    void f1AsksForTheContextOfItsWindow() {
        ClockEnv env;
        RecordingDialogs dialogs;
        RecordedHelp help;
        AppHelpKey key;
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        clock.show();
        QTest::keyClick(&clock, Qt::Key_F1);
        QCOMPARE(help.contexts, QList<int>{1});

        // In the settings dialog, wherever the key is pressed.
        frmSettings->show();
        child<QListWidget>(*frmSettings, "lbxSettings")->setFocus();
        QTest::keyClick(child<QListWidget>(*frmSettings, "lbxSettings"), Qt::Key_F1);
        QTest::keyClick(child<QPushButton>(*frmSettings, "btnOK"), Qt::Key_F1);
        QCOMPARE(help.contexts, (QList<int>{1, 8, 8}));
        // Another key or F1 with a modifier asks for nothing.
        QTest::keyClick(child<QListWidget>(*frmSettings, "lbxSettings"), Qt::Key_F2);
        QTest::keyClick(child<QListWidget>(*frmSettings, "lbxSettings"), Qt::Key_F1, Qt::ShiftModifier);
        QCOMPARE(help.contexts.size(), 3);
        frmSettings->hide();

        // The about box: its controls carry the context, the window none.
        TfrmAbout about(&clock);
        about.show();
        QTest::keyClick(child<QPushButton>(about, "btnOK"), Qt::Key_F1);
        QCOMPARE(help.contexts.last(), 5);
        QTest::keyClick(&about, Qt::Key_F1);
        QCOMPARE(help.contexts.size(), 4);
        QCOMPARE(help.contents, 0);
    }

    void f1FindsTheContextOnTheWindowNotBeyondIt() {
        RecordedHelp help;
        AppHelpKey key;
        // A window with context 12 and an edit inside (like the pocket book),
        // and a window of its own inside it (like the help window beside a
        // dialog) that has none.
        QWidget book;
        book.setProperty("helpContext", 12);
        auto* editor = new QLineEdit(&book);
        QWidget inner(&book, Qt::Window);
        auto* innerEdit = new QLineEdit(&inner);
        book.show();
        QTest::keyClick(editor, Qt::Key_F1);
        QTest::keyClick(innerEdit, Qt::Key_F1);
        QCOMPARE(help.contexts, QList<int>{12});
        QCOMPARE(helpContextOf(editor), 12);
        QCOMPARE(helpContextOf(innerEdit), 0);
        // A control's own context comes before its window's (contact window 7
        // holding a control that says otherwise).
        book.setProperty("helpContext", 7);
        editor->setProperty("helpContext", 3);
        QCOMPARE(helpContextOf(editor), 3);
        QCOMPARE(helpContextOf(&book), 7);
    }

    // F1 pressed on a control inside each window (the control has the key)
    // opens that window's page in the program's one help window, whatever
    // window asked before. The address book and the pocket book first.
    void f1InEveryWindowOpensItsPage() {
        ClockEnv env;
        RecordingDialogs dialogs;
        ostrel::testing::ScopedFakeClock now(encodeDateTime({{2026, 12, 10}, {10, 0, 0, 0}}));
        const QString db = env.dir.filePath("Tamo.qdb");
        ostrel::testing::createOrganizerDatabase(db.toStdString());
        QDir().mkpath(env.dir.filePath("help"));
        QVERIFY(QFile::copy(kEnglishManual, helpFilePath()));
        installHelp();
        struct Removed {
            ~Removed() { removeHelp(); }
        } removed;
        HelpWindow* help = helpWindow();
        QVERIFY(help);

        TDataModule1 dm(db);
        TfrmViewPerson viewer(dm.contacts());
        TfrmPersonEdit editor(dm.contacts());
        TfrmAddressBook book(dm.contacts(), &viewer, &editor);
        TfrmPocketBook pocket;
        TfrmSchedule schedule(dm.plans());
        TfrmDayInfo panel(dm.tasks(), dm.plans(), dm.holidays());
        TfrmHolidayList holidays(dm.holidays());
        TfrmNewHoliday holiday(dm.holidays());
        struct Case {
            const char* name;
            QWidget* window;
            QWidget* control;
            const char* page;
        };
        const Case cases[] = {
            {"address book", &book, child<QTableView>(book, "dgContactList"), "address-book.html"},
            {"pocket book", &pocket, child<QWidget>(pocket, "Editor"), "pocket-book.html"},
            {"contact card", &viewer, child<QTableWidget>(viewer, "sgPersonInfo"), "address-book.html"},
            {"contact editor", &editor, child<QLineEdit>(editor, "edFirstName"), "address-book.html"},
            {"schedule", &schedule, child<StringGrid>(schedule, "sgSchedule"), "schedule.html"},
            {"day panel", &panel, child<QCalendarWidget>(panel, "MonthCalendar"), "day-panel.html"},
            {"holidays list", &holidays, child<QTableView>(holidays, "grToDoList"), "holidays.html"},
            {"holiday editor", &holiday, child<QLineEdit>(holiday, "edTitle"), "holidays.html"},
            // The same window again after another page was shown.
            {"address book again", &book, child<QLineEdit>(book, "edSearch"), "address-book.html"},
        };
        for (const Case& c : cases) {
            c.window->show();
            c.control->setFocus();
            QTest::keyClick(c.control, Qt::Key_F1);
            QVERIFY2(help->isVisible(), c.name);
            QVERIFY2(!help->showsMessage(), qPrintable(help->pageText().left(200)));
            QCOMPARE(pageName(help->currentPage()), QString::fromLatin1(c.page));
            c.window->hide();
            help->hide();
        }
        QVERIFY(dialogs.messages.empty());
    }

    void menuOpensTheContentsAndTheSettingsButtonItsPage() {
        ClockEnv env;
        RecordingDialogs dialogs;
        QDir().mkpath(env.dir.filePath("help"));
        QVERIFY(QFile::copy(kEnglishManual, helpFilePath()));
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        installHelp();
        HelpWindow* help = helpWindow();
        QVERIFY(help);

        clock.miHelpClick();
        QVERIFY(help->isVisible());
        QCOMPARE(pageName(help->currentPage()), QStringLiteral("index.html"));
        QVERIFY(help->pageText().contains("Welcome to Ostrel Organizer"));
        QCOMPARE(help->findChild<QTabWidget*>("tabsHelp")->currentIndex(), 0);
        auto* contents = help->findChild<QTreeView*>("tvContents");
        QVERIFY(contents);
        QTRY_VERIFY(contents->model()->rowCount() > 0);

        child<QPushButton>(*frmSettings, "btnHelp")->click();
        QCOMPARE(help->helpFile(), helpFilePath());
        QCOMPARE(pageName(help->currentPage()), QStringLiteral("settings.html"));
        // The contents follow the page shown.
        QCOMPARE(contents->currentIndex().data().toString(), QStringLiteral("Settings"));
        // One window for the whole program.
        clock.miHelpClick();
        QCOMPARE(helpWindow(), help);
        QCOMPARE(pageName(help->currentPage()), QStringLiteral("index.html"));
        QCOMPARE(contents->currentIndex().data().toString(), QStringLiteral("Welcome to Ostrel Organizer"));
        removeHelp();
        QVERIFY(!helpWindow());
        ShowHelpContents();  // no handler any more: nothing happens
    }

    void searchFindsPagesAndTheIndexFiltersKeywords() {
        QTemporaryDir dir;
        HelpWindow help;
        help.setCollectionFolder(dir.filePath("cache"));
        help.setHelpFile(kEnglishManual);
        QVERIFY(help.showContents());
        QHelpSearchEngine* search = help.findChild<QHelpSearchEngine*>();
        QVERIFY(search);
        QSignalSpy finished(search, &QHelpSearchEngine::searchingFinished);
        for (int attempt = 0; attempt < 50; ++attempt) {
            // The index is written in the background after the manual is registered.
            search->search(QStringLiteral("backup"));
            QVERIFY(finished.wait(5000));
            if (finished.last().first().toInt() > 0) break;
            QTest::qWait(200);
        }
        QVERIFY(search->searchResultCount() > 0);
        bool backupPage = false;
        for (const QHelpSearchResult& r : search->searchResults(0, search->searchResultCount())) {
            backupPage = backupPage || pageName(r.url()) == QStringLiteral("files.html");
        }
        QVERIFY(backupPage);
    }

    void helpOpenedFromAModalDialogStaysUsableAndOpen() {
        QTemporaryDir dir;
        HelpWindow help;
        help.setCollectionFolder(dir.filePath("cache"));
        help.setHelpFile(kEnglishManual);
        TfrmAbout about;
        bool insideDialog = false;
        Qt::WindowType kindInside = Qt::Widget;
        QTimer::singleShot(0, &about, [&] {
            help.showContext(5);
            // A window of the dialog: not blocked by it.
            insideDialog = help.parentWidget() == &about && help.isVisible();
            kindInside = help.windowType();
            about.accept();
        });
        about.exec();
        QVERIFY(insideDialog);
        // The dialog is gone; the help stands alone and stays open.
        QVERIFY(!help.parentWidget());
        QVERIFY(help.isVisible());
        // A dialog-kind window throughout, as every window of the program: a
        // plain one is never kept above the window it opens over.
        QCOMPARE(kindInside, Qt::Dialog);
        QCOMPARE(help.windowType(), Qt::Dialog);
        QCOMPARE(pageName(help.currentPage()), QStringLiteral("schedule.html"));
    }

    void helpFileRule_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("bare");
        QTest::addColumn<bool>("opens");
        QTest::newRow("lower case") << "manual.qch" << false << true;
        QTest::newRow("upper case") << "MANUAL.QCH" << false << true;
        QTest::newRow("mixed case, bare name") << "Manual.QcH" << true << true;
        QTest::newRow("other extension") << "manual.chm" << false << false;
        QTest::newRow("no dot") << "manual" << false << false;
        QTest::newRow("qch inside the name") << "manual.qch.txt" << false << false;
    }
    void helpFileRule() {
        QFETCH(QString, name);
        QFETCH(bool, bare);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        QVERIFY(QFile::copy(kEnglishManual, dir.filePath(name)));
        HelpWindow help;
        help.setCollectionFolder(dir.filePath("cache"));
        help.setProgramFolder(dir.path());
        help.setHelpFile(bare ? name : dir.filePath(name));
        QCOMPARE(help.currentHelpFile(), dir.filePath(name));
        QCOMPARE(help.showContext(4), opens);
        QCOMPARE(help.isVisible(), opens);
        if (opens) QCOMPARE(pageName(help.currentPage()), QStringLiteral("tasks.html"));
    }

    void missingOrDamagedFileGivesAMessage() {
        RecordingDialogs dialogs;
        ClockEnv env;  // the English texts beside the program
        QDir().mkpath(languagesDir());
        QVERIFY(QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/English.lng"),
                            languagesDir() + QStringLiteral("/English.lng")));
        QTemporaryDir dir;
        HelpWindow help;
        help.setCollectionFolder(dir.filePath("cache"));
        const QString file = dir.filePath("ostrel_organizer.qch");
        help.setHelpFile(file);

        QVERIFY(!help.showContents());
        QVERIFY(help.isVisible());
        QVERIFY(help.showsMessage());
        QVERIFY(help.pageText().contains(QDir::toNativeSeparators(file)));
        QVERIFY(help.pageText().contains("cannot be found"));

        QFile broken(file);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(4096, 'x'));
        broken.close();
        QVERIFY(!help.showContext(7));
        QVERIFY(help.showsMessage());
        QVERIFY(help.pageText().contains("cannot be read"));
        QVERIFY(help.currentPage().isEmpty());

        // A truncated manual is damaged too.
        QFile real(kEnglishManual);
        QVERIFY(real.open(QIODevice::ReadOnly));
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write(real.read(real.size() / 3));
        broken.close();
        QVERIFY(!help.showContents());
        QVERIFY(help.showsMessage());

        // Put back, the same window shows the manual again.
        QFile::remove(file);
        QVERIFY(QFile::copy(kEnglishManual, file));
        QVERIFY(help.showContext(7));
        QCOMPARE(pageName(help.currentPage()), QStringLiteral("address-book.html"));
        QVERIFY(!help.showsMessage());
        QVERIFY(dialogs.messages.empty());
    }

    void theManualFollowsTheLanguage() {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("help/Russian"));
        QVERIFY(QFile::copy(kEnglishManual, dir.filePath("help/ostrel_organizer.qch")));
        QVERIFY(QFile::copy(kRussianManual, dir.filePath("help/Russian/ostrel_organizer.qch")));
        HelpWindow help;
        help.setCollectionFolder(dir.filePath("cache"));
        help.setHelpFile(dir.filePath("help/ostrel_organizer.qch"));

        help.setLanguage("Russian");
        QVERIFY2(help.showContext(8), qPrintable(help.pageText()));
        QCOMPARE(help.currentHelpFile(), dir.filePath("help/Russian/ostrel_organizer.qch"));
        QVERIFY2(help.pageText().contains(QString::fromUtf8("Настройки")), qPrintable(help.pageText().left(200)));

        // A language without a manual of its own reads the English one.
        for (const QString& language :
             {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("../help")}) {
            help.setLanguage(language);
            QCOMPARE(help.currentHelpFile(), dir.filePath("help/ostrel_organizer.qch"));
        }
        QVERIFY2(help.showContext(8), qPrintable(help.pageText()));
        QVERIFY2(help.pageText().startsWith("Settings"), qPrintable(help.pageText().left(200)));

        // Changing the language while the help is open turns the same page.
        help.followLanguage("Russian");
        QCOMPARE(pageName(help.currentPage()), QStringLiteral("settings.html"));
        QVERIFY(help.pageText().startsWith(QString::fromUtf8("Настройки")));
        help.followLanguage("English");
        QVERIFY(help.pageText().startsWith("Settings"));
    }

    // Each change of manual comes while the index of the one before is
    // still being written in the background: every change shows its page,
    // and one search serves the manual shown.
    void changingTheManualWhileItIsIndexedShowsEveryPage() {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("help/Russian"));
        QVERIFY(QFile::copy(kEnglishManual, dir.filePath("help/ostrel_organizer.qch")));
        QVERIFY(QFile::copy(kRussianManual, dir.filePath("help/Russian/ostrel_organizer.qch")));
        HelpWindow help;
        help.setCollectionFolder(dir.filePath("cache"));
        help.setHelpFile(dir.filePath("help/ostrel_organizer.qch"));
        QVERIFY(help.showContext(8));
        for (int change = 0; change < 20; ++change) {
            const bool russian = change % 2 == 0;
            help.followLanguage(russian ? QStringLiteral("Russian") : QStringLiteral("English"));
            QVERIFY2(!help.showsMessage(), qPrintable(help.pageText()));
            QVERIFY2(help.pageText().startsWith(russian ? QString::fromUtf8("Настройки") : QStringLiteral("Settings")),
                     qPrintable(help.pageText().left(200)));
        }
        QCOMPARE(help.findChildren<QHelpSearchEngine*>().size(), 1);
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
