// The clock menu's exchange commands with the dialogs recorded: a file
// chosen, the summary shown; a file refused with its reason; a cancelled
// dialog doing nothing.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>

#include "app/exchange.h"
#include "app/forms.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "platform/quit_signals.h"
#include "recording_dialogs.h"

using namespace ostrel;

namespace {

std::int64_t rows(const char* table) {
    sql::Query q(DataModule1->connTAMO);
    q.add(std::string("SELECT Count(*) AS N FROM ") + table);
    q.open();
    return q.asInteger("N");
}

QString fixture(const char* name) {
    return QStringLiteral(OSTREL_SOURCE_DIR "/tests/fixtures/exchange/") + QLatin1String(name);
}

struct Program {
    testing::TempDir dir{"ostrel exchange commands"};
    QString root = QString::fromStdString(dir.str());
    testing::ScopedFakeClock clock{encodeDateTime({{2026, 12, 10}, {15, 0, 0, 0}})};
    testing::RecordingDialogs dialogs;
    explicit Program(const char* language = "English") {
        setExeDirForTesting(root);
        QDir().mkpath(languagesDir());
        const QString name = QLatin1String(language) + QStringLiteral(".lng");
        QFile::copy(QFileInfo(QStringLiteral(OSTREL_APP_EXE)).absolutePath() + QStringLiteral("/Languages/") + name,
                    languagesDir() + QLatin1Char('/') + name);
        SetCurrentLanguage(QLatin1String(language));
        testing::createOrganizerDatabase(databaseFilePath().toStdString());
        DataModule1 = new TDataModule1(databaseFilePath());
        reminderEngine = new ReminderEngine(DataModule1->connTAMO, DataModule1->tasks(), DataModule1->holidays());
    }
    ~Program() {
        testing::destroyGlobal(reminderEngine);
        testing::destroyGlobal(DataModule1);
        SetCurrentLanguage(QStringLiteral("English"));
        setExeDirForTesting({});
    }
};

}  // namespace

class TestExchangeCommands : public QObject {
    Q_OBJECT
private slots:
    void importShowsWhatItDidAndViewsRefreshOnce() {
        Program p;
        QSignalSpy tasksChanged(&DataModule1->tasks(), &TaskStore::changed);
        QSignalSpy holidaysChanged(&DataModule1->holidays(), &HolidayStore::changed);
        p.dialogs.fileAnswer = fixture("calendar_programs.ics");
        importCalendarCommand();
        QCOMPARE(
            p.dialogs.texts(),
            QStringList{QStringLiteral("Imported from ") + QDir::toNativeSeparators(fixture("calendar_programs.ics")) +
                        QStringLiteral(": 12 added, 0 updated, 0 unchanged, 2 left out. Repeating rules a task "
                                       "cannot follow were taken as their next occurrence: Gym; Course; Rent "
                                       "(ended).")});
        QCOMPARE(rows("ToDo"), std::int64_t{12});
        QCOMPARE(tasksChanged.count(), 1);
        QCOMPARE(holidaysChanged.count(), 1);
        // The reminder gate looks at the new rows.
        QVERIFY(reminderEngine->NextReminderTime() < kFarFuture);
    }

    void exportWritesWhereTheUserChose() {
        Program p;
        p.dialogs.fileAnswer = fixture("phone_cards.vcf");
        importContactsCommand();
        p.dialogs.messages.clear();
        p.dialogs.saveAnswer = p.root + QStringLiteral("/out/contacts.vcf");
        QDir().mkpath(p.root + QStringLiteral("/out"));
        exportContactsCommand();
        QCOMPARE(p.dialogs.saveCaptions, QStringList{QStringLiteral("Export contacts")});
        QCOMPARE(p.dialogs.texts(), QStringList{QStringLiteral("3 contacts were written to ") +
                                                QDir::toNativeSeparators(p.dialogs.saveAnswer) + QLatin1Char('.')});
        QVERIFY(QFileInfo(p.dialogs.saveAnswer).size() > 0);

        p.dialogs.messages.clear();
        p.dialogs.saveAnswer = p.root + QStringLiteral("/out/calendar.ics");
        exportCalendarCommand();
        QCOMPARE(p.dialogs.texts(),
                 QStringList{QStringLiteral("0 entries (tasks, holidays and plans) were written to ") +
                             QDir::toNativeSeparators(p.dialogs.saveAnswer) + QLatin1Char('.')});
    }

    void refusalsNameTheFileAndTheReason_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("English") << "English"
                                 << "is not an iCalendar file";
        QTest::newRow("Russian") << "Russian"
                                 << "не является файлом iCalendar";
    }
    void refusalsNameTheFileAndTheReason() {
        QFETCH(QString, language);
        QFETCH(QString, expected);
        Program p(language.toLatin1().constData());
        p.dialogs.fileAnswer = fixture("phone_cards.vcf");
        importCalendarCommand();
        QCOMPARE(p.dialogs.messages.size(), std::size_t{1});
        QCOMPARE(p.dialogs.messages[0].icon, MsgIcon::Warning);
        QVERIFY2(p.dialogs.messages[0].text.contains(expected), qPrintable(p.dialogs.messages[0].text));
        QVERIFY(p.dialogs.messages[0].text.contains(fixture("phone_cards.vcf")));
        QCOMPARE(rows("ToDo"), std::int64_t{0});
    }

    void cancelledDialogsDoNothing() {
        Program p;
        importCalendarCommand();
        importContactsCommand();
        exportCalendarCommand();
        exportContactsCommand();
        QVERIFY(p.dialogs.messages.empty());
        QCOMPARE(p.dialogs.saveCaptions, (QStringList{"Export calendar", "Export contacts"}));
        QCOMPARE(QDir(p.root).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{"Tamo.qdb"});
    }

    // An import from the menu leaves the run loop running (the clock
    // ticks), and a quit signal ends it within a second with nothing
    // imported and no message (it ran on the GUI thread: the clock stood
    // and the quit waited for the end). Last: the quit flag stays set.
    void menuImportKeepsTheLoopRunningAndEndsAtAQuit() {
        Program p;
        QuitSignalWatcher quitSignals;
        QByteArray text = "BEGIN:VCALENDAR\r\n";
        for (int i = 0; i < 60000; ++i)
            text += "BEGIN:VEVENT\r\nUID:e" + QByteArray::number(i) +
                    "\r\nSUMMARY:Event\r\nDTSTART:20270101T100000\r\nEND:VEVENT\r\n";
        text += "END:VCALENDAR\r\n";
        const QString file = p.root + QStringLiteral("/many.ics");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        int ticks = 0;
        QTimer clockTick;
        QObject::connect(&clockTick, &QTimer::timeout, [&ticks] { ++ticks; });
        clockTick.start(20);
        QElapsedTimer sinceQuit;
        QTimer::singleShot(200, [&sinceQuit] {
            sinceQuit.start();
            std::raise(SIGTERM);
        });
        p.dialogs.fileAnswer = file;
        importCalendarCommand();
        QVERIFY2(sinceQuit.isValid(), "the import ended before the quit signal came");
        QVERIFY2(sinceQuit.elapsed() < 1000, qPrintable(QString::number(sinceQuit.elapsed())));
        QVERIFY(ticks >= 5);
        QVERIFY(p.dialogs.messages.empty());
        QCOMPARE(rows("ToDo"), std::int64_t{0});
    }
};

QTEST_MAIN(TestExchangeCommands)
#include "tst_exchange_commands.moc"
