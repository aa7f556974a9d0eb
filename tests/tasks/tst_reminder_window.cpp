// The reminder window: layout, texts, sliding and stacking on a 1280x1024
// screen, the Done/Postpone choice and the answer.

#include <QtTest>

#include <QApplication>
#include <QScreen>
#include <QStyleOptionComboBox>

#include "app/forms.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/data/period.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "tasks/reminder_window.h"
#include "ui/locale_format.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::at;
using ostrel::testing::child;

namespace {

// Stands in for the application's receiver: handles answers the way it
// does, and counts them.
class AnswerReceiver : public QObject {
public:
    int answers = 0;
    ReminderEngine* engine = nullptr;

protected:
    void customEvent(QEvent* e) override {
        if (e->type() != kReminderAnswerEvent) return;
        ++answers;
        HandleReminderAnswer(*engine, *static_cast<TReminderAnswerEvent*>(e));
    }
};

// The place of the stack a window has come to rest at: its bottom edge 25
// pixels above the screen's bottom, and 20 more for each place.
int restingPlace(const TfrmToDo& w) {
    const int above = 1024 - (w.frameGeometry().bottom() + 1) - 25;
    return above % 20 == 0 ? above / 20 : -1;
}

// Runs the slide timer's steps by hand; returns the number of steps.
int slideToRest(TfrmToDo* w, std::vector<int>* tops = nullptr) {
    int steps = 0;
    while (child<QTimer>(*w, "tmrShow")->isActive() && steps < 1000) {
        w->tmrShowTimer();
        if (tops) tops->push_back(w->pos().y());
        ++steps;
    }
    return steps;
}

}  // namespace

class TestReminderWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ostrel::testing::TempDir> dir;
    AnswerReceiver receiver;
    std::unique_ptr<ReminderEngine> engine;

    TTaskParams params(int id = 7) {
        TTaskParams p;
        p.TaskID = id;
        p.TaskTitle = QStringLiteral("Call the plumber");
        p.TaskComment = QStringLiteral("Kitchen tap\nsecond line");
        p.TaskTime = at(2024, 5, 6, 14, 0, 0);
        return p;
    }

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1280, 1024));
        setReminderAnswerReceiver(&receiver);
    }
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel window test");
        const auto db = dir->path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        DataModule1 = new TDataModule1(QString::fromStdString(db.string()));
        engine = std::make_unique<ReminderEngine>(DataModule1->connTAMO, DataModule1->tasks(), DataModule1->holidays());
        receiver.engine = engine.get();
        receiver.answers = 0;
    }
    void cleanup() {
        receiver.engine = nullptr;
        engine.reset();
        ostrel::testing::destroyGlobal(DataModule1);
        dir.reset();
    }

    // Every unit's name shows whole in the postponement's list, in every
    // form and language ("10 minutes" lost its "s" to a narrow list), and
    // "Again in" still fits beside it.
    void unitNamesFitThePostponeList_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QStringLiteral("English");
        QTest::newRow("Russian") << QStringLiteral("Russian");
    }
    void unitNamesFitThePostponeList() {
        QFETCH(QString, language);
        setExeDirForTesting(QStringLiteral(OSTREL_SOURCE_DIR));
        SetCurrentLanguage(language);
        QPointer<TfrmToDo> w = ShowReminder(params(), QStringLiteral("Reminder"));
        auto* list = child<QComboBox>(*w, "cbPostpone");
        QStyleOptionComboBox option;
        option.initFrom(list);
        const int room =
            list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width();
        const QFontMetrics fm(list->font());
        QStringList cut;
        for (const int count : {1, 2, 5, 10}) {
            child<QSpinBox>(*w, "sePostpone")->setValue(count);
            for (int i = 0; i < list->count(); ++i)
                if (fm.horizontalAdvance(list->itemText(i)) > room) cut << list->itemText(i);
        }
        auto* radio = child<QRadioButton>(*w, "rbPostpone");
        const bool radioFits = radio->sizeHint().width() <= radio->width();
        w->Answered = true;
        delete w;
        SetCurrentLanguage(QStringLiteral("English"));
        setExeDirForTesting(QString());
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u',')));
        QVERIFY(radioFits);
    }

    void layoutAndTexts() {
        QPointer<TfrmToDo> w = ShowReminder(params(), QStringLiteral("Reminder"));
        QCOMPARE(w->objectName(), QStringLiteral("frmToDo"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Reminder"));
        QCOMPARE(w->size(), QSize(239, 299));
        QCOMPARE(child<QLabel>(*w, "lblTitle")->text(), QStringLiteral("Call the plumber"));
        // The long date and time; in a smaller font or on two lines when it
        // would not fit the row, but whole, and whole in the tooltip.
        const QString when = formatLongDateTime(at(2024, 5, 6, 14));
        QVERIFY(when.startsWith(QLocale::system().toString(QDate(2024, 5, 6), QLocale::LongFormat) + QLatin1Char(' ')));
        QCOMPARE(child<QLabel>(*w, "lbTaskTime")->toolTip(), when);
        QCOMPARE(child<QLabel>(*w, "lbTaskTime")->text().replace(QLatin1Char('\n'), QLatin1Char(' ')), when);
        const QFontMetrics fm(child<QLabel>(*w, "lbTaskTime")->font());
        for (const QString& line : child<QLabel>(*w, "lbTaskTime")->text().split(QLatin1Char('\n')))
            QVERIFY(fm.horizontalAdvance(line) <= child<QLabel>(*w, "lbTaskTime")->width());
        QVERIFY(child<QLabel>(*w, "lbTaskTime")->geometry().bottom() < 64);
        QCOMPARE(child<QLabel>(*w, "lbTaskTime")->geometry().left(), 79);
        QCOMPARE(child<QLabel>(*w, "lbTaskTime")->geometry().top(), 40);
        QCOMPARE(child<QPlainTextEdit>(*w, "memDescript")->toPlainText(), QStringLiteral("Kitchen tap\nsecond line"));
        QVERIFY(child<QPlainTextEdit>(*w, "memDescript")->isReadOnly());
        QCOMPARE(w->taskId(), 7);
        QCOMPARE(w->TaskTime, at(2024, 5, 6, 14));
        QCOMPARE(child<QLabel>(*w, "lbTitle")->text(), QStringLiteral("Title"));
        QCOMPARE(child<QLabel>(*w, "lblTaskTime")->text(), QStringLiteral("Task time"));
        QCOMPARE(child<QLabel>(*w, "lbDescript")->text(), QStringLiteral("Descript"));
        QCOMPARE(child<QLabel>(*w, "lbTitle")->palette().color(QPalette::WindowText), QColor(0, 111, 0));
        QVERIFY(child<QLabel>(*w, "lbTitle")->font().bold());
        QCOMPARE(child<QPlainTextEdit>(*w, "memDescript")->geometry(), QRect(79, 64, 156, 103));
        QCOMPARE(child<QPushButton>(*w, "btnOK")->geometry(), QRect(153, 257, 75, 25));
        // The postpone row ends at the window's right margin; the unit list
        // is as wide as its names need (unitNamesFitThePostponeList).
        QCOMPARE(child<QComboBox>(*w, "cbPostpone")->geometry().right(), 233);
        QCOMPARE(child<QSpinBox>(*w, "sePostpone")->geometry().right() + 3,
                 child<QComboBox>(*w, "cbPostpone")->geometry().left());
        QCOMPARE(child<QComboBox>(*w, "cbPostpone")->count(), 6);
        QCOMPARE(child<QComboBox>(*w, "cbPostpone")->itemText(5), QStringLiteral("years"));  // the form "10" takes
        QCOMPARE(child<QComboBox>(*w, "cbPostpone")->currentIndex(), 0);
        QCOMPARE(child<QSpinBox>(*w, "sePostpone")->value(), 10);
        QVERIFY(child<QRadioButton>(*w, "rbDone")->isChecked());
        QVERIFY(!child<QSpinBox>(*w, "sePostpone")->isEnabled());
        QVERIFY(!child<QComboBox>(*w, "cbPostpone")->isEnabled());
        QCOMPARE(child<QTimer>(*w, "tmrShow")->interval(), 40);
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w->testAttribute(Qt::WA_ShowWithoutActivating));
        delete w;
    }

    // Fitting a long title measures a bounded head of the text, never the
    // whole text once per blank and font size (which takes seconds at 5,000
    // characters); the time is in bench_reminder_window.
    void longTitlesAreCutWithAnEllipsisAndAShortTooltip_data() {
        QTest::addColumn<QString>("title");
        QTest::newRow("editor's limit, blanks") << QStringLiteral("word ").repeated(32767 / 5);
        QTest::newRow("a megabyte, blanks") << QStringLiteral("a b ").repeated(256 * 1024);
        QTest::newRow("a megabyte, no blank") << QString(1024 * 1024, QLatin1Char('x'));
        QTest::newRow("two lines' worth") << QStringLiteral("Call the plumber about the kitchen tap tomorrow");
    }
    void longTitlesAreCutWithAnEllipsisAndAShortTooltip() {
        QFETCH(QString, title);
        TTaskParams p = params();
        p.TaskTitle = title;
        QPointer<TfrmToDo> w = ShowReminder(p, QStringLiteral("Reminder"));
        const QString shown = child<QLabel>(*w, "lblTitle")->text();
        const QFontMetrics fm(child<QLabel>(*w, "lblTitle")->font());
        for (const QString& line : shown.split(QLatin1Char('\n')))
            QVERIFY(fm.horizontalAdvance(line) <= child<QLabel>(*w, "lblTitle")->width());
        QVERIFY(child<QLabel>(*w, "lblTitle")->geometry().bottom() < 40);
        if (title.size() < 100) {
            QCOMPARE(QString(shown).replace(QLatin1Char('\n'), QLatin1Char(' ')), title);
            QCOMPARE(child<QLabel>(*w, "lblTitle")->toolTip(), title);
        } else {
            QVERIFY(shown.endsWith(QChar(0x2026)));
            QVERIFY(title.startsWith(shown.chopped(1)));
            QCOMPARE(child<QLabel>(*w, "lblTitle")->toolTip().size(), 4001);
            QVERIFY(title.startsWith(child<QLabel>(*w, "lblTitle")->toolTip().chopped(1)));
        }
        delete w;
    }

    // Each window slides up to the lowest place of the stack no open
    // window takes: three open at once rest 25, 45 and 65 pixels above the
    // screen's bottom.
    void slidesUpAndStacks() {
        const int offsets[] = {0, 20, 40};
        std::vector<QPointer<TfrmToDo>> windows;
        for (int offset : offsets) {
            TfrmToDo* w = ShowReminder(params(), QStringLiteral("x"));
            windows.emplace_back(w);
            QVERIFY(w->isVisible());
            QVERIFY(child<QTimer>(*w, "tmrShow")->isActive());
            // Starts just below the screen, 3 pixels from its right edge.
            QCOMPARE(w->frameGeometry().top(), 1024);
            QCOMPARE(w->frameGeometry().right() + 1, 1280 - 3);
            std::vector<int> tops;
            const int steps = slideToRest(w, &tops);
            // 299 + 25 + offset pixels in steps of 14, the last one shorter.
            const int distance = w->frameGeometry().height() + 25 + offset;
            QCOMPARE(steps, (distance + 13) / 14);
            for (std::size_t i = 0; i + 1 < tops.size(); ++i) QCOMPARE(tops[i], 1024 - 14 * int(i + 1));
            QVERIFY(1024 - tops.back() < 14 * steps);
            QCOMPARE(w->pos().y(), w->FinalTop);
            // Bottom edges 25, 45 and 65 pixels above the screen's bottom.
            QCOMPARE(1024 - (w->frameGeometry().bottom() + 1), 25 + offset);
            QCOMPARE(w->frameGeometry().right() + 1, 1277);
            QVERIFY(!child<QTimer>(*w, "tmrShow")->isActive());
        }
        for (auto& w : windows) delete w.data();
    }

    void tallWindowTakesTwentySixSteps() {
        TfrmToDo* w = ShowReminder(params(), QStringLiteral("x"));
        w->setFixedSize(239, 330);
        w->move(w->pos().x(), 1024);
        QCOMPARE(slideToRest(w), 26);
        QCOMPARE(w->frameGeometry().bottom() + 1, 1024 - 25);
        delete w;
    }

    void doneAndPostponeChoice() {
        TfrmToDo* w = ShowReminder(params(), QStringLiteral("x"));
        QTest::mouseClick(child<QRadioButton>(*w, "rbPostpone"), Qt::LeftButton);
        QVERIFY(child<QRadioButton>(*w, "rbPostpone")->isChecked());
        QVERIFY(child<QSpinBox>(*w, "sePostpone")->isEnabled());
        QVERIFY(child<QComboBox>(*w, "cbPostpone")->isEnabled());
        QTest::mouseClick(child<QRadioButton>(*w, "rbDone"), Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(!child<QSpinBox>(*w, "sePostpone")->isEnabled());
        QVERIFY(!child<QComboBox>(*w, "cbPostpone")->isEnabled());
        // A second click on the choice already made changes nothing.
        QTest::mouseClick(child<QRadioButton>(*w, "rbDone"), Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(!child<QSpinBox>(*w, "sePostpone")->isEnabled());
        delete w;
    }

    void okWithDoneOnlyClosesTheWindow() {
        ostrel::testing::ScopedFakeClock clock(at(2024, 5, 6, 14, 30));
        ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                 "INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, PeriodInt, ElapseInt, ElapseType) "
                                 "VALUES (7, 10, 45418.5833333333, 45418.5833333333, 0, 1, 2)");
        QPointer<TfrmToDo> w = ShowReminder(params(), QStringLiteral("x"));
        QTest::mouseClick(child<QPushButton>(*w, "btnOK"), Qt::LeftButton);
        QVERIFY(w);  // posted, not handled inside the click
        QCoreApplication::sendPostedEvents(&receiver);
        QCOMPARE(receiver.answers, 1);
        QVERIFY(!w);
        sql::Query q(DataModule1->connTAMO);
        q.add("SELECT MesType FROM ToDo WHERE TDID = 7");
        q.open();
        QCOMPARE(q.asInteger("MesType"), std::int64_t{10});
    }

    void okWithPostponeAppliesTheFullCount() {
        ostrel::testing::ScopedFakeClock clock(at(2024, 5, 6, 14, 30));
        ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                 "INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, PeriodInt, ElapseInt, ElapseType) "
                                 "VALUES (7, 10, 0, 0, 0, 1, 2)");
        QPointer<TfrmToDo> w = ShowReminder(params(), QStringLiteral("x"));
        QTest::mouseClick(child<QRadioButton>(*w, "rbPostpone"), Qt::LeftButton);
        child<QSpinBox>(*w, "sePostpone")->setValue(300);
        QCOMPARE(child<QSpinBox>(*w, "sePostpone")->value(), 300);
        child<QComboBox>(*w, "cbPostpone")->setCurrentIndex(0);  // minutes
        QTest::mouseClick(child<QPushButton>(*w, "btnOK"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(&receiver);
        QVERIFY(!w);
        sql::Query q(DataModule1->connTAMO);
        q.add("SELECT MesType, ShowDT FROM ToDo WHERE TDID = 7");
        q.open();
        QCOMPARE(q.asInteger("MesType"), std::int64_t{0});
        // 14:00 + 300 minutes, not + 44.
        QVERIFY(std::fabs(q.asDateTime("ShowDT") - at(2024, 5, 6, 19)) < 1e-9);
        QCOMPARE(engine->NextReminderTime(), q.asDateTime("ShowDT"));
        // The count offered stops where the answer can carry it.
        TfrmToDo* w2 = ShowReminder(params(), QStringLiteral("x"));
        child<QSpinBox>(*w2, "sePostpone")->setValue(-1);
        QCOMPARE(child<QSpinBox>(*w2, "sePostpone")->value(), 0);
        delete w2;
    }

    QString taskState(int id) {
        sql::Query q(DataModule1->connTAMO);
        q.add("SELECT MesType, ShowDT FROM ToDo WHERE TDID = :ID");
        q.param("ID", sql::ParamType::Integer, std::int64_t{id});
        q.open();
        return QStringLiteral("%1 %2").arg(q.asInteger("MesType")).arg(formatShortDateTime(q.asDateTime("ShowDT")));
    }

    // Closing a reminder with the title bar's close button is no "Done": it
    // comes back by the amount shown, as Esc does. Enter answers with the
    // choice made.
    void closeAndEscPostponeEnterAnswers_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("expected");
        const QString due = formatShortDateTime(at(2024, 5, 6, 14));
        QTest::newRow("close, 10 minutes shown") << "close"
                                                 << "0 " + formatShortDateTime(at(2024, 5, 6, 14, 10));
        QTest::newRow("close, 2 hours shown") << "close 2h"
                                              << "0 " + formatShortDateTime(at(2024, 5, 6, 16));
        QTest::newRow("Esc") << "esc"
                             << "0 " + formatShortDateTime(at(2024, 5, 6, 14, 10));
        QTest::newRow("Enter, Done chosen") << "enter"
                                            << "10 " + due;
        QTest::newRow("Enter, postpone chosen") << "enter postpone"
                                                << "0 " + formatShortDateTime(at(2024, 5, 6, 14, 10));
    }
    void closeAndEscPostponeEnterAnswers() {
        QFETCH(QString, how);
        QFETCH(QString, expected);
        ostrel::testing::ScopedFakeClock clock(at(2024, 5, 6, 14, 30));
        const std::string due = QString::number(at(2024, 5, 6, 14), 'g', 17).toStdString();
        ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                 "INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, PeriodInt, ElapseInt, ElapseType) "
                                 "VALUES (7, 0, " +
                                     due + ", " + due + ", 0, 1, 2)");
        QPointer<TfrmToDo> w = ShowReminder(params(), QStringLiteral("x"));
        if (how == QLatin1String("close 2h")) {
            child<QSpinBox>(*w, "sePostpone")->setValue(2);
            child<QComboBox>(*w, "cbPostpone")->setCurrentIndex(1);
        }
        if (how.startsWith(QLatin1String("close"))) {
            w->close();
        } else if (how == QLatin1String("esc")) {
            QTest::keyClick(w, Qt::Key_Escape);
        } else {
            if (how.endsWith(QLatin1String("postpone")))
                QTest::mouseClick(child<QRadioButton>(*w, "rbPostpone"), Qt::LeftButton);
            QTest::keyClick(w, Qt::Key_Return);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::sendPostedEvents(&receiver);
        QCOMPARE(receiver.answers, 1);
        QVERIFY(!w);
        QCOMPARE(taskState(7), expected);
    }

    // A window closed while the application ends stays unanswered (it comes
    // back at the next start).
    void closedWhileQuittingGivesNoAnswer() {
        QPointer<TfrmToDo> w = ShowReminder(params(), QStringLiteral("x"));
        w->Answered = true;  // what the answer handler sets before closing
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::sendPostedEvents(&receiver);
        QCOMPARE(receiver.answers, 0);
        QVERIFY(!w);
    }

    // Reminders of different passes never cover each other: each new one
    // takes the lowest place no open reminder takes, also the next
    // occurrence of a repeating task.
    void windowsOfDifferentPassesTakeDistinctPlaces() {
        ostrel::testing::ScopedFakeClock clock(at(2024, 5, 6, 12, 0, 30));
        std::vector<QPointer<TfrmToDo>> windows;
        QObject::connect(engine.get(), &ReminderEngine::reminderDue, engine.get(),
                         [&](const TTaskParams& p, const QString& c) { windows.emplace_back(ShowReminder(p, c)); });
        const DateTime noon = at(2024, 5, 6, 12);
        ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                 "INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, Title, PeriodInt, PeriodType, "
                                 "ElapseInt, ElapseType) VALUES "
                                 "(1, 0, " +
                                     std::to_string(noon) + ", " + std::to_string(noon) +
                                     ", 'every minute', 1, 1, 1, 2), "
                                     "(2, 0, " +
                                     std::to_string(noon + 1.0 / 1440) + ", " + std::to_string(noon + 1.0 / 1440) +
                                     ", 'once', 0, 0, 1, 2)");
        engine->RunTickPass();  // 12:00 of the repeating task
        clock->setNow(at(2024, 5, 6, 12, 1, 30));
        engine->RunTickPass();  // 12:01 of it and the one-time task
        QCOMPARE(windows.size(), std::size_t(3));
        for (auto& w : windows) slideToRest(w);
        QCOMPARE(restingPlace(*windows[0]), 0);
        QCOMPARE(restingPlace(*windows[1]), 1);
        QCOMPARE(restingPlace(*windows[2]), 2);
        // The lowest is answered: the next reminder takes its place, the one
        // after that the first place above the others.
        QTest::mouseClick(child<QPushButton>(*windows[0], "btnOK"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(&receiver);
        QVERIFY(!windows[0]);
        clock->setNow(at(2024, 5, 6, 12, 2, 30));
        engine->RunTickPass();
        clock->setNow(at(2024, 5, 6, 12, 3, 30));
        engine->RunTickPass();
        QCOMPARE(windows.size(), std::size_t(5));
        slideToRest(windows[3]);
        slideToRest(windows[4]);
        QCOMPARE(restingPlace(*windows[3]), 0);
        QCOMPARE(restingPlace(*windows[4]), 3);
        for (auto& w : windows) delete w.data();
    }

    void answerForAWindowAlreadyGone() {
        QPointer<TfrmToDo> w = ShowReminder(params(), QStringLiteral("x"));
        QTest::mouseClick(child<QPushButton>(*w, "btnOK"), Qt::LeftButton);
        delete w.data();
        QCoreApplication::sendPostedEvents(&receiver);
        QCOMPARE(receiver.answers, 1);  // handled, and nothing happens
    }
};

QTEST_MAIN(TestReminderWindow)
#include "tst_reminder_window.moc"
