// "Quick task...": the line, what the window says it understood, and the
// row it stores, on a fixture database with a fake clock, in both
// languages.

#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/app_paths.h"
#include "data/data_module.h"
#include "data/task_store.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "recording_dialogs.h"
#include "tasks/quick_task.h"
#include "ui/languages.h"
#include "ui/locale_format.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::at;
using ostrel::testing::child;

namespace {
// Thursday 10 December 2026, 10:30.
const DateTime kNow = at(2026, 12, 10, 10, 30);
}  // namespace

class TestQuickTask : public QObject {
    Q_OBJECT
    std::unique_ptr<ostrel::testing::TempDir> dir;
    std::unique_ptr<ostrel::testing::ScopedFakeClock> clock;
    std::unique_ptr<ostrel::testing::RecordingDialogs> dialogs;
    std::unique_ptr<TfrmQuickTask> window;
    int savedCalls = 0;

    QString shown() { return child<QLabel>(*window, "lbUnderstood")->text(); }
    bool canSave() { return child<QPushButton>(*window, "bbOK")->isEnabled(); }
    void type(const QString& line) {
        window->OpenForNewTask();
        child<QLineEdit>(*window, "edLine")->setText(line);
    }
    void useLanguage(const QString& language) {
        SetCurrentLanguage(language);
        TranslateForm(window.get());
        emit languageNotifier().languageApplied();
    }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel quick task");
        ostrel::testing::createOrganizerDatabase(dir->path() / "Tamo.qdb");
        clock = std::make_unique<ostrel::testing::ScopedFakeClock>(kNow, 3600000);
        dialogs = std::make_unique<ostrel::testing::RecordingDialogs>();
        DataModule1 = new TDataModule1(QString::fromStdString((dir->path() / "Tamo.qdb").string()));
        setExeDirForTesting(QStringLiteral(OSTREL_SOURCE_DIR));
        savedCalls = 0;
        // A saved task's reminder time is announced by the store (the
        // reminder engine listens there).
        QObject::connect(&DataModule1->tasks(), &TaskStore::reminderTimeChanged, this, [this] { ++savedCalls; });
        window = std::make_unique<TfrmQuickTask>(DataModule1->tasks());
        useLanguage(QStringLiteral("English"));
    }
    void cleanup() {
        window.reset();
        SetCurrentLanguage(QStringLiteral("English"));
        setExeDirForTesting({});
        ostrel::testing::destroyGlobal(DataModule1);
        dialogs.reset();
        clock.reset();
        dir.reset();
    }

    void aLineBecomesTheTaskItShows_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("due");
        QTest::addColumn<int>("repeatCount");
        QTest::addColumn<int>("repeatUnit");
        QTest::addColumn<QString>("repeatText");
        QTest::newRow("en, tomorrow") << "English" << "Dentist tomorrow 9:00" << "Dentist" << at(2026, 12, 11, 9) << 0
                                      << int(puNone) << "";
        QTest::newRow("en, weekly") << "English" << "Meeting Friday 14:30 every week" << "Meeting"
                                    << at(2026, 12, 11, 14, 30) << 1 << int(puWeeks) << "Repeats every 1 week";
        QTest::newRow("ru, in two hours") << "Russian" << "Позвонить Ане через 2 часа" << "Позвонить Ане"
                                          << at(2026, 12, 10, 12, 30) << 0 << int(puNone) << "";
        QTest::newRow("ru, every 2 weeks") << "Russian" << "Планёрка каждые 2 недели в понедельник 9:30" << "Планёрка"
                                           << at(2026, 12, 14, 9, 30) << 2 << int(puWeeks)
                                           << "Повторять через 2 недели";
    }
    void aLineBecomesTheTaskItShows() {
        QFETCH(QString, language);
        QFETCH(QString, line);
        QFETCH(QString, title);
        QFETCH(double, due);
        QFETCH(int, repeatCount);
        QFETCH(int, repeatUnit);
        QFETCH(QString, repeatText);
        useLanguage(language);
        type(line);
        QVERIFY(canSave());
        const QString text = shown();
        QVERIFY2(text.contains(FormatMessageText(GetLangMessage(QStringLiteral("QuickTaskTitle")), {title})),
                 qPrintable(text));
        QVERIFY2(text.contains(formatLongDateTime(due)), qPrintable(text));
        if (!repeatText.isEmpty()) QVERIFY2(text.contains(repeatText), qPrintable(text));

        QVERIFY(window->save());
        QVERIFY(!window->isVisible());
        QCOMPARE(savedCalls, 1);
        const auto rows = DataModule1->tasks().allTasks();
        QCOMPARE(rows.size(), std::size_t{1});
        const TaskRow& r = rows[0];
        QCOMPARE(r.Title, title);
        QCOMPARE(r.mesType, mtOnceAtTime);
        QCOMPARE(r.FirstDT, due);
        QCOMPARE(r.ShowDT, due);
        QCOMPARE(r.PeriodInt, repeatCount);
        QCOMPARE(int(r.PeriodType), repeatUnit);
        // A reminder not shown within an hour is dropped, as the task editor's default.
        QCOMPARE(r.ElapseInt, 1);
        QCOMPARE(r.ElapseType, puHours);
    }

    // What is wrong is said, Save stays off and nothing is stored.
    void aLineThatIsNotATaskIsRefused_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("said");
        QTest::newRow("no such time") << "English" << "Dentist tomorrow 25:00" << "There is no such time: 25:00";
        QTest::newRow("two days") << "English" << "Meet tomorrow Friday 9:00"
                                  << "Said twice or contradicts the rest: Friday";
        QTest::newRow("no when") << "English" << "Buy milk" << "Say when";
        QTest::newRow("past") << "English" << "Dentist today 9:00" << "Already over: today 9:00";
        QTest::newRow("ru, no title") << "Russian" << "завтра в 9" << "Напишите, что нужно сделать.";
        QTest::newRow("ru, no such date") << "Russian" << "Отчёт 31.02" << "Такой даты нет: 31.02";
    }
    void aLineThatIsNotATaskIsRefused() {
        QFETCH(QString, language);
        QFETCH(QString, line);
        QFETCH(QString, said);
        useLanguage(language);
        type(line);
        QVERIFY2(shown().contains(said), qPrintable(shown()));
        QVERIFY(!canSave());
        QVERIFY(!window->save());
        QVERIFY(window->isVisible());
        QCOMPARE(savedCalls, 0);
        QVERIFY(DataModule1->tasks().allTasks().empty());
    }

    // A phrase not understood stays in the title and is named; the line is
    // still a task.
    void anUnclearPhraseIsNamedAndKept() {
        type(QStringLiteral("Call in 2 boxes tomorrow 9:00"));
        QVERIFY(canSave());
        QVERIFY2(shown().contains(QStringLiteral("Not understood, left in the title: in 2 boxes")), qPrintable(shown()));
        QVERIFY(window->save());
        QCOMPARE(DataModule1->tasks().allTasks().at(0).Title, QStringLiteral("Call in 2 boxes"));
    }

    // A day without a time says which time it takes.
    void anAssumedTimeIsSaid() {
        type(QStringLiteral("Dentist tomorrow"));
        QVERIFY(canSave());
        QVERIFY2(shown().contains(FormatMessageText(GetLangMessage(QStringLiteral("QuickTaskTimeAssumed")),
                                                    {formatShortTime(encodeTime(9, 0, 0))})),
                 qPrintable(shown()));
    }

    // The line is read again when saved: a moment that passed while the
    // window stood open is refused, not stored in the past.
    void aMomentThatPassedWhileOpenIsNotStored() {
        type(QStringLiteral("Tea today 10:31"));
        QVERIFY(canSave());
        clock->get().setNow(at(2026, 12, 10, 10, 32));
        QVERIFY(!window->save());
        QVERIFY2(shown().contains(QStringLiteral("Already over")), qPrintable(shown()));
        QVERIFY(!canSave());
        QVERIFY(DataModule1->tasks().allTasks().empty());
    }

    void anEmptyLineShowsTheHint() {
        type(QStringLiteral("Dentist tomorrow 9:00"));
        window->OpenForNewTask();
        QVERIFY(child<QLineEdit>(*window, "edLine")->text().isEmpty());
        QCOMPARE(shown(), GetLangMessage(QStringLiteral("QuickTaskHint")));
        QVERIFY(!canSave());
    }
};

QTEST_MAIN(TestQuickTask)
#include "tst_quick_task.moc"
