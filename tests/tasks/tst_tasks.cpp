// The task editor and the to-do list through the real windows, on a fixture
// database with a fake clock.

#include <QtTest>

#include <QScrollBar>

#include <fstream>

#include "app/forms.h"
#include "base/app_paths.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "drawn_texts.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "recording_dialogs.h"
#include "tasks/reminder_window.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "ui/languages.h"
#include "ui/locale_format.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;

namespace {

// 2026-12-10 10:00:00.500, system started one hour earlier.
const double kNow = encodeDateTime({{2026, 12, 10}, {10, 0, 0, 500}});

struct Row {
    std::int64_t mesType;
    double firstDT, showDT;
    std::string title;
    std::int64_t periodInt, periodType, elapseInt, elapseType;
};

}  // namespace

class TestTasks : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ostrel::testing::TempDir> dir;
    std::unique_ptr<ScopedFakeClock> clock;
    std::unique_ptr<RecordingDialogs> dialogs;

    std::vector<Row> rows() {
        sql::Query q(DataModule1->connTAMO);
        q.add("SELECT * FROM ToDo ORDER BY TDID");
        q.open();
        std::vector<Row> out;
        for (; !q.eof(); q.next())
            out.push_back({q.asInteger("MesType"), q.asDateTime("FirstDT"), q.asDateTime("ShowDT"), q.asString("Title"),
                           q.asInteger("PeriodInt"), q.asInteger("PeriodType"), q.asInteger("ElapseInt"),
                           q.asInteger("ElapseType")});
        return out;
    }
    void insert(const char* values) {
        ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                 std::string("INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, "
                                             "PeriodType, ElapseInt, ElapseType) VALUES ") +
                                     values);
    }
    TfrmCreateToDo* editor() { return frmCreateToDo; }
    // The columns end at the grid's right edge: no empty strip, nothing cut.
    bool columnsFillTheGrid() {
        QTableView* grid = child<QTableView>(*frmToDoList, "grToDoList");
        QCoreApplication::processEvents();
        int sum = 0;
        for (int c = 0; c < ToDoListModel::ColumnCount; ++c) sum += grid->columnWidth(c);
        if (sum != grid->viewport()->width())
            qWarning("columns %d wide (%d %d %d %d), the grid %d", sum, grid->columnWidth(0), grid->columnWidth(1),
                     grid->columnWidth(2), grid->columnWidth(3), grid->viewport()->width());
        return sum == grid->viewport()->width() && grid->columnWidth(ToDoListModel::ColCycle) >= 71;
    }
    void newTask(const QString& title, const QString& time) {
        editor()->OpenForNewTask();
        child<QLineEdit>(*editor(), "edTitle")->setText(title);
        child<QTimeEdit>(*editor(), "dtpToDoTime")->setTime(QTime::fromString(time, QStringLiteral("HH:mm:ss")));
    }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel tasks");
        ostrel::testing::createOrganizerDatabase(dir->path() / "Tamo.qdb");
        clock = std::make_unique<ScopedFakeClock>(kNow, 3600000);
        dialogs = std::make_unique<RecordingDialogs>();
        DataModule1 = new TDataModule1(QString::fromStdString((dir->path() / "Tamo.qdb").string()));
        reminderEngine = new ReminderEngine(DataModule1->connTAMO, DataModule1->tasks(), DataModule1->holidays());
        frmCreateToDo = new TfrmCreateToDo(DataModule1->tasks());
        frmToDoList = new TfrmToDoList(DataModule1->tasks(), frmCreateToDo);
    }
    void cleanup() {
        ostrel::testing::destroyGlobal(frmToDoList);
        ostrel::testing::destroyGlobal(frmCreateToDo);
        ostrel::testing::destroyGlobal(reminderEngine);
        ostrel::testing::destroyGlobal(DataModule1);
        dialogs.reset();
        clock.reset();
        dir.reset();
    }

    void newTaskOpensWithItsDefaults() {
        editor()->OpenForNewTask();
        QCOMPARE(editor()->windowTitle(), QStringLiteral("NewToDo..."));  // no language file: the bare key
        // The prompt is a placeholder, never a title.
        QVERIFY(child<QLineEdit>(*editor(), "edTitle")->text().isEmpty());
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->placeholderText(), QStringLiteral("InputTitleOfAction..."));
        QCOMPARE(child<QTimeEdit>(*editor(), "dtpToDoTime")->text(), QStringLiteral("10:00:00"));
        QCOMPARE(child<QDateEdit>(*editor(), "dtpToDoDate")->date(), QDate(2026, 12, 10));
        QCOMPARE(child<QSpinBox>(*editor(), "seActiveTime")->value(), 1);
        QCOMPARE(child<QComboBox>(*editor(), "cbActiveTime")->currentText(), QStringLiteral("hour"));
        QVERIFY(child<QRadioButton>(*editor(), "rbAtTime")->isChecked());
        QVERIFY(!child<QCheckBox>(*editor(), "chbRepeatEvery")->isChecked());
        QVERIFY(child<QTimeEdit>(*editor(), "dtpToDoTime")->isEnabled() &&
                !child<QSpinBox>(*editor(), "spAfterWinLoad")->isEnabled());
        QVERIFY(!child<QSpinBox>(*editor(), "seRepeatEvery")->isEnabled());
        child<QRadioButton>(*editor(), "rbAfterWinLoad")->setChecked(true);
        child<QCheckBox>(*editor(), "chbRepeatEvery")->setChecked(true);
        QVERIFY(!child<QDateEdit>(*editor(), "dtpToDoDate")->isEnabled() &&
                child<QComboBox>(*editor(), "cbAfterWinLoading")->isEnabled());
        QVERIFY(child<QLabel>(*editor(), "lbAfterWinLoading")->isEnabled() &&
                child<QComboBox>(*editor(), "cbRepeatEvery")->isEnabled());
    }

    void thePresentSecondIsNotThePast() {
        newTask(QStringLiteral("Call"), QStringLiteral("09:59:59"));
        QVERIFY(!editor()->bbOKClick());
        QCOMPARE(dialogs->texts(), QStringList{QStringLiteral("TimeOfTaskIsLessThanNow")});
        QCOMPARE(dialogs->messages[0].caption, QStringLiteral("Addition of new task"));
        QCOMPARE(dialogs->messages[0].icon, MsgIcon::Warning);
        QVERIFY(editor()->isVisible());
        QVERIFY(rows().empty());

        child<QTimeEdit>(*editor(), "dtpToDoTime")->setTime(QTime(10, 0, 0));
        QVERIFY(editor()->bbOKClick());
        QVERIFY(!editor()->isVisible());
        const auto r = rows();
        QCOMPARE(r.size(), std::size_t{1});
        QCOMPARE(r[0].mesType, std::int64_t{0});
        QCOMPARE(r[0].firstDT, encodeDateTime({{2026, 12, 10}, {10, 0, 0, 0}}));
        QCOMPARE(r[0].showDT, r[0].firstDT);
        QCOMPARE(r[0].elapseInt, std::int64_t{1});
        QCOMPARE(r[0].elapseType, std::int64_t{2});
        QCOMPARE(reminderEngine->NextReminderTime(), 0.0);  // the new task is not after the present
    }

    void titlesAreCheckedTrimmedButSavedAsTyped() {
        newTask(QStringLiteral("   "), QStringLiteral("11:00:00"));
        QVERIFY(!editor()->bbOKClick());
        QCOMPARE(dialogs->texts(), QStringList{QStringLiteral("InputTaskTitle")});
        QVERIFY(rows().empty());
        child<QLineEdit>(*editor(), "edTitle")->setText(QStringLiteral("  padded  "));
        QVERIFY(editor()->bbOKClick());
        QCOMPARE(rows().at(0).title, std::string("  padded  "));
        QCOMPARE(reminderEngine->NextReminderTime(), encodeDateTime({{2026, 12, 10}, {11, 0, 0, 0}}));
    }

    // OK pressed on the untouched window: the prompt is refused as a title,
    // and the time the window opened with passes even seconds later (it is
    // due at once).
    void untouchedPromptIsNoTitleAndUntouchedTimePasses() {
        editor()->OpenForNewTask();
        (*clock)->advanceMs(5000);
        QVERIFY(!editor()->bbOKClick());
        QCOMPARE(dialogs->texts(), QStringList{QStringLiteral("InputTaskTitle")});
        QVERIFY(rows().empty());
        QTest::keyClicks(child<QLineEdit>(*editor(), "edTitle"), QStringLiteral("Call"));
        QVERIFY(editor()->bbOKClick());
        QCOMPARE(dialogs->messages.size(), std::size_t{1});
        QCOMPARE(rows().at(0).title, std::string("Call"));
        QCOMPARE(rows().at(0).showDT, encodeDateTime({{2026, 12, 10}, {10, 0, 0, 0}}));
    }

    // The time box is a time input: 99:99:99 cannot be typed into it.
    void theTimeBoxHoldsOnlyTimesOfDay() {
        editor()->OpenForNewTask();
        child<QTimeEdit>(*editor(), "dtpToDoTime")->setFocus();
        child<QTimeEdit>(*editor(), "dtpToDoTime")->setSelectedSection(QDateTimeEdit::HourSection);
        QTest::keyClicks(child<QTimeEdit>(*editor(), "dtpToDoTime"), QStringLiteral("99"));
        QVERIFY(child<QTimeEdit>(*editor(), "dtpToDoTime")->time().isValid());
        QVERIFY(child<QTimeEdit>(*editor(), "dtpToDoTime")->time().hour() < 24);
        QVERIFY(editor()->timeFieldValue() >= 0.0 && editor()->timeFieldValue() < 1.0);
    }

    void delaysAfterStartUpAndTheirRoundTrip_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("unit");  // 0 minutes, 1 hours
        QTest::addColumn<double>("firstDT");
        QTest::addColumn<int>("shownCount");
        QTest::addColumn<QString>("shownUnit");
        QTest::newRow("90 minutes") << 90 << 0 << 0.0625 << 90 << "minutes";
        QTest::newRow("2 hours") << 2 << 1 << 2 / 24.0 << 2 << "hours";
        QTest::newRow("61 minutes") << 61 << 0 << 61 / 24.0 / 60.0 << 61 << "minutes";
        QTest::newRow("120 minutes") << 120 << 0 << 120 / 24.0 / 60.0 << 2 << "hours";
        QTest::newRow("30 minutes") << 30 << 0 << 30 / 24.0 / 60.0 << 30 << "minutes";
    }
    void delaysAfterStartUpAndTheirRoundTrip() {
        QFETCH(int, count);
        QFETCH(int, unit);
        QFETCH(double, firstDT);
        QFETCH(int, shownCount);
        QFETCH(QString, shownUnit);
        newTask(QStringLiteral("Backup"), QStringLiteral("00:00:00"));  // the time is not used
        child<QRadioButton>(*editor(), "rbAfterWinLoad")->setChecked(true);
        child<QSpinBox>(*editor(), "spAfterWinLoad")->setValue(count);
        child<QComboBox>(*editor(), "cbAfterWinLoading")->setCurrentIndex(unit);
        QVERIFY(editor()->bbOKClick());
        const auto r = rows().at(0);
        QCOMPARE(r.mesType, std::int64_t{3});
        QCOMPARE(r.firstDT, firstDT);
        const double boot = kNow - 1.0 / 24.0;
        QVERIFY(qAbs(r.showDT - (boot + firstDT)) < 1e-9);

        frmToDoList->show();
        frmToDoList->tbEditClick();
        QCOMPARE(editor()->windowTitle(), QStringLiteral("EditTask..."));
        QVERIFY(child<QRadioButton>(*editor(), "rbAfterWinLoad")->isChecked());
        QCOMPARE(child<QSpinBox>(*editor(), "spAfterWinLoad")->value(), shownCount);
        QCOMPARE(child<QComboBox>(*editor(), "cbAfterWinLoading")->currentText(), shownUnit);
    }

    void withoutRepeatThePeriodIsStoredAsZero() {
        newTask(QStringLiteral("Once"), QStringLiteral("12:00:00"));
        child<QCheckBox>(*editor(), "chbRepeatEvery")->setChecked(true);
        child<QSpinBox>(*editor(), "seRepeatEvery")->setValue(5);
        child<QComboBox>(*editor(), "cbRepeatEvery")->setCurrentIndex(3);
        child<QCheckBox>(*editor(), "chbRepeatEvery")->setChecked(false);
        QVERIFY(editor()->bbOKClick());
        QCOMPARE(rows().at(0).periodInt, std::int64_t{0});
        QCOMPARE(rows().at(0).periodType, std::int64_t{0});

        newTask(QStringLiteral("Weekly"), QStringLiteral("12:00:00"));
        child<QCheckBox>(*editor(), "chbRepeatEvery")->setChecked(true);
        child<QSpinBox>(*editor(), "seRepeatEvery")->setValue(2);
        child<QComboBox>(*editor(), "cbRepeatEvery")->setCurrentIndex(3);
        QVERIFY(editor()->bbOKClick());
        QCOMPARE(rows().at(1).periodInt, std::int64_t{2});
        QCOMPARE(rows().at(1).periodType, std::int64_t{4});
    }

    // "After system start": a moment of this session that is over (with its
    // active time) is said before saving; the user decides. The system
    // started at 09:00, it is 10:00.
    void afterStartMomentAlreadyOverIsSaid_data() {
        QTest::addColumn<int>("delayMinutes");
        QTest::addColumn<int>("activeCount");
        QTest::addColumn<int>("activeUnit");  // 0 minutes, 1 hours, 2 days
        QTest::addColumn<bool>("asked");
        QTest::newRow("09:30 + 10 minutes: over") << 30 << 10 << 0 << true;
        QTest::newRow("09:30 + 1 hour: still on") << 30 << 1 << 1 << false;
        QTest::newRow("09:59 + 0 minutes: over") << 59 << 0 << 0 << true;
        QTest::newRow("10:30: to come") << 90 << 0 << 0 << false;
    }
    void afterStartMomentAlreadyOverIsSaid() {
        QFETCH(int, delayMinutes);
        QFETCH(int, activeCount);
        QFETCH(int, activeUnit);
        QFETCH(bool, asked);
        for (const MsgButton answer : {MsgNo, MsgYes}) {
            dialogs->messages.clear();
            dialogs->answers = {answer};
            newTask(QStringLiteral("After start"), QStringLiteral("00:00:00"));
            child<QRadioButton>(*editor(), "rbAfterWinLoad")->setChecked(true);
            child<QSpinBox>(*editor(), "spAfterWinLoad")->setValue(delayMinutes);
            child<QComboBox>(*editor(), "cbAfterWinLoading")->setCurrentIndex(0);
            child<QSpinBox>(*editor(), "seActiveTime")->setValue(activeCount);
            child<QComboBox>(*editor(), "cbActiveTime")->setCurrentIndex(activeUnit);
            const bool saved = editor()->bbOKClick();
            if (!asked) {
                QVERIFY(dialogs->messages.empty());
                QVERIFY(saved);
                QCOMPARE(rows().size(), std::size_t{1});
                return;
            }
            QCOMPARE(dialogs->messages.size(), std::size_t{1});
            QCOMPARE(dialogs->messages[0].text, QStringLiteral("AfterStartPassed"));
            QCOMPARE(dialogs->messages[0].buttons, unsigned(MsgYes | MsgNo));
            QCOMPARE(saved, answer == MsgYes);
            QCOMPARE(editor()->isVisible(), answer == MsgNo);
            QCOMPARE(rows().size(), std::size_t{answer == MsgYes ? 1u : 0u});
        }
        QCOMPARE(rows().at(0).mesType, std::int64_t{3});
    }

    // Tab in the description box goes on to the next control.
    void tabLeavesTheDescriptionBox() {
        editor()->OpenForNewTask();
        QApplication::setActiveWindow(editor());
        QVERIFY(QTest::qWaitForWindowActive(editor()));
        child<QPlainTextEdit>(*editor(), "memComment")->setFocus();
        QTest::keyClicks(child<QPlainTextEdit>(*editor(), "memComment"), QStringLiteral("a"));
        QTest::keyClick(child<QPlainTextEdit>(*editor(), "memComment"), Qt::Key_Tab);
        QCOMPARE(child<QPlainTextEdit>(*editor(), "memComment")->toPlainText(), QStringLiteral("a"));
        QVERIFY(QApplication::focusWidget() != child<QPlainTextEdit>(*editor(), "memComment"));
        editor()->bbCancelClick();
    }

    void editingMovesIntoThePastAndMakesThePendingAgain() {
        insert("(10, 46000.5, 46000.5, 'old', 'c', 0, 0, 1, 2)");
        frmToDoList->show();
        frmToDoList->tbEditClick();
        QCOMPARE(editor()->editedTaskId(), 1);
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->text(), QStringLiteral("old"));
        QCOMPARE(child<QPlainTextEdit>(*editor(), "memComment")->toPlainText(), QStringLiteral("c"));
        QCOMPARE(child<QDateEdit>(*editor(), "dtpToDoDate")->date(), QDate(2025, 12, 9));
        QCOMPARE(child<QTimeEdit>(*editor(), "dtpToDoTime")->text(), QStringLiteral("12:00:00"));
        QVERIFY(editor()->bbOKClick());  // in the past, but an edit
        QVERIFY(dialogs->messages.empty());
        QCOMPARE(rows().size(), std::size_t{1});
        QCOMPARE(rows().at(0).mesType, std::int64_t{0});
    }

    // A line edit cuts its text to 32,767 characters unless told otherwise:
    // opening and saving a task with a longer title cut it without a word.
    void editingKeepsATitleOfAnyLength() {
        const std::string title = "Long " + std::string(40000, 'x') + " end";
        insert(("(0, 46500.5, 46500.5, '" + title + "', 'c', 0, 0, 1, 2)").c_str());
        frmToDoList->show();
        frmToDoList->tbEditClick();
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->text().size(), qsizetype(title.size()));
        QVERIFY(editor()->bbOKClick());
        QCOMPARE(rows().at(0).title, title);
        // Typed or pasted: the same.
        newTask(QString::fromStdString(title) + QStringLiteral(" two"), QStringLiteral("12:30:00"));
        QVERIFY(editor()->bbOKClick());
        QCOMPARE(rows().at(1).title, title + " two");
    }

    void toDoCommandOnAnOpenEditorSwitchesToNewWithoutResettingFields() {
        insert("(0, 46500.5, 46500.5, 'existing', 'c', 2, 3, 1, 2)");
        frmToDoList->show();
        frmToDoList->tbEditClick();
        editor()->OpenForNewTask();  // FormShow does not run again
        QCOMPARE(editor()->editedTaskId(), 0);
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->text(), QStringLiteral("existing"));
        QVERIFY(child<QPlainTextEdit>(*editor(), "memComment")->toPlainText().isEmpty());
        QVERIFY(!child<QCheckBox>(*editor(), "chbRepeatEvery")->isChecked());
        QVERIFY(editor()->bbOKClick());
        QCOMPARE(rows().size(), std::size_t{2});
    }

    void listShowsCyclesAndFollowsTheWidthRule() {
        frmToDoList->show();
        QCOMPARE(child<ToDoListModel>(*frmToDoList, "dsToDoList")->rowCount(), 0);
        QVERIFY(columnsFillTheGrid());
        frmToDoList->tbDeleteClick();  // empty list: deletes nothing, no error

        insert(
            "(0, 46500.5, 46500.5, 'once', '', 0, 0, 1, 2),"
            "(0, 46400.25, 46400.25, 'every two days', '', 2, 3, 30, 1),"
            "(1, 46400.0, 46400.0, 'a plan', '', 0, 0, 2, 0),"
            "(2, 46000.0, 46300.0, 'a holiday', '', 1, 6, 3, 3)");
        frmToDoList->RefreshToDoList();
        auto* m = child<ToDoListModel>(*frmToDoList, "dsToDoList");
        QCOMPARE(m->rowCount(), 2);  // plans and holidays are not listed
        QCOMPARE(m->index(0, 1).data().toString(), QStringLiteral("every two days"));
        QCOMPARE(m->index(0, 2).data().toString(), QStringLiteral("30 minutes"));
        QCOMPARE(m->index(0, 3).data().toString(), QStringLiteral("2 days"));
        QCOMPARE(m->index(1, 3).data().toString(), QStringLiteral(" --- "));
        QCOMPARE(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Date - Time"));
        // The designed widths at least; the date and time whole, also in
        // the bold of the selected row (AM/PM included).
        QTableView* grid = child<QTableView>(*frmToDoList, "grToDoList");
        QFont bold = grid->font();
        bold.setBold(true);
        const int dateText = QFontMetrics(bold).horizontalAdvance(
            formatShortDateTime(encodeDateTime({{2026, 12, 28}, {22, 58, 58, 0}})));
        QVERIFY(grid->columnWidth(0) >= 128 && grid->columnWidth(0) >= dateText + 4);
        QVERIFY2(grid->columnWidth(1) <= 221 && grid->columnWidth(1) >= 200,
                 qPrintable(QString::number(grid->columnWidth(1))));
        QVERIFY(grid->columnWidth(2) >= 73);
        QVERIFY(columnsFillTheGrid());
        // Finished tasks are grey, pending ones take the grid's colour.
        insert("(10, 46600.5, 46600.5, 'finished', '', 0, 0, 1, 2)");
        frmToDoList->RefreshToDoList();
        QCOMPARE(m->index(2, 1).data().toString(), QStringLiteral("finished"));
        QCOMPARE(m->index(2, 1).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(128, 128, 128));
        QVERIFY(!m->index(0, 1).data(Qt::ForegroundRole).isValid());
    }

    void deletingKeepsTheRowOrTakesTheNewLast() {
        insert(
            "(0, 46501, 46501, 'a', '', 0, 0, 1, 2), (0, 46502, 46502, 'b', '', 0, 0, 1, 2),"
            "(0, 46503, 46503, 'c', '', 0, 0, 1, 2)");
        frmToDoList->show();
        frmToDoList->setCurrentRow(2);
        frmToDoList->tbDeleteClick();
        QCOMPARE(frmToDoList->currentRow(), 2);
        QCOMPARE(frmToDoList->currentTaskId(), 3);
        frmToDoList->tbDeleteClick();  // the last row
        QCOMPARE(frmToDoList->currentRow(), 1);
        QCOMPARE(frmToDoList->currentTaskId(), 1);
        QVERIFY(columnsFillTheGrid());
        frmToDoList->hide();
        QVERIFY(frmToDoList->qrToDoList() == nullptr);  // released while hidden
    }

    void aLongListShowsAtOnceAndReadsTheRestWhileIdle() {
        ostrel::testing::execSql(dir->path() / "Tamo.qdb",
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                                 "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, PeriodInt, PeriodType, ElapseInt, "
                                 "ElapseType) SELECT CASE WHEN i % 2 = 0 THEN 0 ELSE 10 END, 50000 - i, 50000 - i, "
                                 "'task ' || i, i % 3, CASE WHEN i % 3 = 0 THEN 0 ELSE 3 END, 1, 2 FROM n;");
        frmToDoList->show();
        auto* m = child<ToDoListModel>(*frmToDoList, "dsToDoList");
        QVERIFY(m->rowCount() < 3000);                                            // the first screenful only
        QCOMPARE(m->index(0, 1).data().toString(), QStringLiteral("task 3000"));  // earliest first
        QVERIFY(columnsFillTheGrid());                                            // beside the scroll bar
        QTRY_COMPARE(m->rowCount(), 3000);
        QCOMPARE(m->index(2999, 1).data().toString(), QStringLiteral("task 1"));
        QCOMPARE(m->index(1, 3).data().toString(), QStringLiteral("2 days"));  // task 2999
        QCOMPARE(m->index(3, 3).data().toString(), QStringLiteral(" --- "));   // task 2997

        // Far down the list, a refresh keeps the row even before it is read again.
        frmToDoList->setCurrentRow(2500);
        const int id = frmToDoList->currentTaskId();
        frmToDoList->RefreshToDoList();
        QCOMPARE(frmToDoList->currentRow(), 2500);
        QCOMPARE(frmToDoList->currentTaskId(), id);
        frmToDoList->tbDeleteClick();
        QCOMPARE(frmToDoList->currentRow(), 2500);
        QVERIFY(frmToDoList->currentTaskId() != id);
        QTRY_COMPARE(m->rowCount(), 2999);
    }

    void savingRefreshesTheOpenListKeepingTheRow() {
        insert("(0, 46501, 46501, 'a', '', 0, 0, 1, 2), (0, 46503, 46503, 'c', '', 0, 0, 1, 2)");
        frmToDoList->show();
        frmToDoList->setCurrentRow(2);
        newTask(QStringLiteral("b"), QStringLiteral("12:00:00"));
        child<QDateEdit>(*editor(), "dtpToDoDate")->setDate(QDate(2027, 4, 25));  // between a and c
        QVERIFY(editor()->bbOKClick());
        QCOMPARE(child<ToDoListModel>(*frmToDoList, "dsToDoList")->rowCount(), 3);
        // The same task stays current ("c", now the third row).
        QCOMPARE(frmToDoList->currentRow(), 3);
        QCOMPARE(frmToDoList->currentTaskId(), 2);
    }

    // An edited task that moves in the sorted list stays the current one, so
    // the next Delete removes it and not its new neighbour; Delete asks
    // first; the Delete key deletes and Enter edits; on an empty list Edit
    // and Delete do nothing.
    void theEditedTaskStaysSelectedAndDeleteAsksFirst() {
        insert(
            "(0, 46501, 46501, 'a', '', 0, 0, 1, 2), (0, 46502, 46502, 'b', '', 0, 0, 1, 2),"
            "(0, 46503, 46503, 'c', '', 0, 0, 1, 2)");
        frmToDoList->show();
        frmToDoList->setCurrentRow(1);
        frmToDoList->tbEditClick();
        QCOMPARE(editor()->editedTaskId(), 1);
        child<QDateEdit>(*editor(), "dtpToDoDate")->setDate(QDate(2027, 12, 31));  // after "c"
        QVERIFY(editor()->bbOKClick());
        QCOMPARE(frmToDoList->currentRow(), 3);
        QCOMPARE(frmToDoList->currentTaskId(), 1);

        // Asked; "No" keeps it.
        dialogs->answers.push_back(MsgNo);
        QTest::keyClick(child<QTableView>(*frmToDoList, "grToDoList"), Qt::Key_Delete);
        QCOMPARE(dialogs->messages.size(), std::size_t{1});
        QCOMPARE(dialogs->messages[0].text, QStringLiteral("WantDeleteTask"));
        QCOMPARE(dialogs->messages[0].icon, MsgIcon::Question);
        QCOMPARE(dialogs->messages[0].buttons, unsigned(MsgYes | MsgNo));
        QCOMPARE(rows().size(), std::size_t{3});
        // "Yes" deletes the edited task itself.
        QTest::keyClick(child<QTableView>(*frmToDoList, "grToDoList"), Qt::Key_Delete);
        QCOMPARE(rows().size(), std::size_t{2});
        QCOMPARE(rows().at(0).title, std::string("b"));
        QCOMPARE(rows().at(1).title, std::string("c"));

        editor()->hide();
        frmToDoList->setCurrentRow(1);
        QTest::keyClick(child<QTableView>(*frmToDoList, "grToDoList"), Qt::Key_Return);
        QVERIFY(editor()->isVisible());
        QCOMPARE(editor()->editedTaskId(), 2);
        editor()->hide();

        ostrel::testing::execSql(dir->path() / "Tamo.qdb", "DELETE FROM ToDo");
        frmToDoList->RefreshToDoList();
        QCOMPARE(child<ToDoListModel>(*frmToDoList, "dsToDoList")->rowCount(), 0);
        const std::size_t asked = dialogs->messages.size();
        frmToDoList->tbEditClick();
        QVERIFY(!editor()->isVisible());  // no editor dated 30.12.1899
        frmToDoList->tbDeleteClick();
        QCOMPARE(dialogs->messages.size(), asked);
    }

    void deletingATaskLeavesItsReminderAndALaterAnswerChangesNothing() {
        insert("(10, 46366.4, 46366.4, 'keep', '', 0, 0, 1, 2), (10, 46366.41, 46366.41, 'gone', '', 0, 0, 1, 2)");
        QPointer<TfrmToDo> reminder =
            ShowReminder({2, QStringLiteral("gone"), QString(), 46366.41}, QStringLiteral("OnceTask"));
        QVERIFY(reminder);
        frmToDoList->show();
        frmToDoList->setCurrentRow(2);
        QCOMPARE(frmToDoList->currentTaskId(), 2);
        frmToDoList->tbDeleteClick();
        QVERIFY(reminder && reminder->isVisible());

        child<QRadioButton>(*reminder, "rbPostpone")->setChecked(true);
        child<QSpinBox>(*reminder, "sePostpone")->setValue(10);
        ReminderAnswers answers(*reminderEngine);
        setReminderAnswerReceiver(&answers);
        QTest::mouseClick(child<QPushButton>(*reminder, "btnOK"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(&answers);
        setReminderAnswerReceiver(nullptr);
        QVERIFY(!reminder);  // closed and destroyed
        const auto r = rows();
        QCOMPARE(r.size(), std::size_t{1});
        QCOMPARE(r[0].title, std::string("keep"));
        QCOMPARE(r[0].mesType, std::int64_t{10});
        QCOMPARE(r[0].showDT, 46366.4);
    }

    // Counts in the list take the plural form of the language ("1 hour",
    // "21 час", "3 часа", "5 часов"), and the fixed caption of the editor's
    // refusals comes from the language file's optional "Captions" section.
    void unitsFollowThePluralFormsOfTheLanguage() {
        insert(
            "(0, 46501, 46501, 'a', '', 1, 2, 1, 2), (0, 46502, 46502, 'b', '', 21, 2, 3, 2),"
            "(0, 46503, 46503, 'c', '', 0, 0, 5, 2), (0, 46504, 46504, 'd', '', 12, 3, 11, 1)");
        frmToDoList->show();
        auto* m = child<ToDoListModel>(*frmToDoList, "dsToDoList");
        const auto cells = [m] {
            QStringList out;
            for (int r = 0; r < m->rowCount(); ++r)
                out << m->index(r, 2).data().toString() + QLatin1Char('/') + m->index(r, 3).data().toString();
            return out;
        };
        QCOMPARE(cells(), (QStringList{"1 hour/1 hour", "3 hours/21 hours", "5 hours/ --- ", "11 minutes/12 days"}));
        setExeDirForTesting(QStringLiteral(OSTREL_SOURCE_DIR));
        SetCurrentLanguage(QStringLiteral("Russian"));
        const QStringList russian = cells();
        newTask(QStringLiteral("   "), QStringLiteral("11:00:00"));
        QVERIFY(!editor()->bbOKClick());
        SetCurrentLanguage(QStringLiteral("English"));
        setExeDirForTesting(QString());
        QCOMPARE(russian, (QStringList{QStringLiteral("1 час/1 час"), QStringLiteral("3 часа/21 час"),
                                       QStringLiteral("5 часов/ --- "), QStringLiteral("11 минут/12 дней")}));
        QCOMPARE(dialogs->messages.back().caption, QStringLiteral("Новая задача"));
    }

    // A unit list beside a count names its units in the form the count
    // takes, read on from the words before it ("in 1 minute", "через 1
    // минуту"), and follows the count and the language; the reminder's
    // postponement too.
    void unitListsFollowTheirCount_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("value");
        QTest::addColumn<QStringList>("items");
        const QString en = QStringLiteral("English"), ru = QStringLiteral("Russian");
        QTest::newRow("en 1 hour") << en << "seActiveTime"
                                   << "cbActiveTime" << 1 << QStringList{"minute", "hour", "day"};
        QTest::newRow("en 10") << en << "seActiveTime"
                               << "cbActiveTime" << 10 << QStringList{"minutes", "hours", "days"};
        QTest::newRow("ru 1") << ru << "seActiveTime"
                              << "cbActiveTime" << 1
                              << QStringList{QStringLiteral("минуту"), QStringLiteral("час"), QStringLiteral("день")};
        QTest::newRow("ru 3") << ru << "spAfterWinLoad"
                              << "cbAfterWinLoading" << 3
                              << QStringList{QStringLiteral("минуты"), QStringLiteral("часа")};
        QTest::newRow("ru 11") << ru << "seRepeatEvery"
                               << "cbRepeatEvery" << 11
                               << QStringList{QStringLiteral("минут"),   QStringLiteral("часов"),
                                              QStringLiteral("дней"),    QStringLiteral("недель"),
                                              QStringLiteral("месяцев"), QStringLiteral("лет")};
        QTest::newRow("ru 21") << ru << "seRepeatEvery"
                               << "cbRepeatEvery" << 21
                               << QStringList{QStringLiteral("минуту"), QStringLiteral("час"),   QStringLiteral("день"),
                                              QStringLiteral("неделю"), QStringLiteral("месяц"), QStringLiteral("год")};
    }
    void unitListsFollowTheirCount() {
        QFETCH(QString, language);
        QFETCH(QString, count);
        QFETCH(QString, list);
        QFETCH(int, value);
        QFETCH(QStringList, items);
        const auto itemsOf = [](QComboBox* box) {
            QStringList out;
            for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
            return out;
        };
        setExeDirForTesting(QStringLiteral(OSTREL_SOURCE_DIR));
        SetCurrentLanguage(language);
        TranslateForm(editor());
        emit languageNotifier().languageApplied();
        editor()->OpenForNewTask();
        child<QCheckBox>(*editor(), "chbRepeatEvery")->setChecked(true);
        child<QRadioButton>(*editor(), "rbAfterWinLoad")->setChecked(true);
        child<QSpinBox>(*editor(), qPrintable(count))->setValue(value);
        const QStringList shown = itemsOf(child<QComboBox>(*editor(), qPrintable(list)));
        // The reminder's postponement, made in this language.
        TTaskParams params;
        params.TaskID = 1;
        params.TaskTitle = QStringLiteral("Call");
        TfrmToDo* reminder = ShowReminder(params, QStringLiteral("To do"));
        child<QSpinBox>(*reminder, "sePostpone")->setValue(value);
        const QStringList postponement = itemsOf(child<QComboBox>(*reminder, "cbPostpone"));
        reminder->Answered = true;
        delete reminder;
        SetCurrentLanguage(QStringLiteral("English"));
        emit languageNotifier().languageApplied();
        setExeDirForTesting(QString());
        QCOMPARE(shown, items);
        QCOMPARE(postponement.mid(0, items.size()), items);
        // Back in English the lists follow at once.
        QCOMPARE(itemsOf(child<QComboBox>(*editor(), qPrintable(list))).first(),
                 QLatin1String(value == 1 ? "minute" : "minutes"));
    }

    // A title too long for its column ends in "…" in every row, the
    // selected one (drawn bold on the gradient) too.
    void longTitlesEndInAnEllipsisSelectedOrNot() {
        insert(
            "(0, 46501, 46501, 'A task title far too long for its column of the list', '', 0, 0, 1, 2),"
            "(0, 46502, 46502, 'A task title far too long for its column of the list', '', 0, 0, 1, 2)");
        frmToDoList->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmToDoList));
        auto* grid = child<QTableView>(*frmToDoList, "grToDoList");
        QVERIFY(grid->selectionModel()->isRowSelected(0, {}));
        ostrel::testing::DrawnTexts drawn;
        grid->viewport()->render(&drawn);
        const QStringList titles = drawn.texts.filter(QStringLiteral("A task"));
        QVERIFY(titles.size() >= 3);  // the selected row's title is drawn twice
        for (const QString& t : titles) QVERIFY2(t.endsWith(QChar(0x2026)), qPrintable(t));
    }

    // Task editor: a long title opens at its first letters; the
    // description wraps at words, with a vertical scroll bar only when
    // needed.
    void longTextsOpenAtTheirStartAndTheDescriptionWraps() {
        const std::string title = "The beginning of a title far longer than its box " + std::string(80, 'x');
        const std::string longComment = QStringLiteral("many words ").repeated(40).toStdString();
        insert(("(0, 46501, 46501, '" + title + "', 'Short', 0, 0, 1, 2), (0, 46502, 46502, '" + title + "', '" +
                longComment + "', 0, 0, 1, 2)")
                   .c_str());
        for (const int id : {1, 2}) {
            editor()->OpenForTask(id);
            QVERIFY(QTest::qWaitForWindowExposed(editor()));
            auto* edit = child<QLineEdit>(*editor(), "edTitle");
            QCOMPARE(edit->cursorPosition(), 0);
            QVERIFY(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 8);
            auto* box = child<QPlainTextEdit>(*editor(), "memComment");
            QCoreApplication::processEvents();
            QVERIFY(!box->horizontalScrollBar()->isVisible());
            QCOMPARE(box->verticalScrollBar()->isVisible(), id == 2);
            editor()->bbCancelClick();
        }
    }

    void columnTitlesFollowTheLanguage() {
        std::filesystem::create_directories(dir->path() / "Languages");
        {
            std::ofstream lng(dir->path() / "Languages" / "Test.lng");
            lng << "[frmToDoList]\ngrToDoList.Titles(3)=Repeat\nCaption=Tasks\n";
        }
        setExeDirForTesting(QString::fromStdString(dir->path().string()));
        SetCurrentLanguage(QStringLiteral("Test"));
        TranslateForm(frmToDoList);
        SetCurrentLanguage(QStringLiteral("English"));
        setExeDirForTesting(QString());
        QCOMPARE(frmToDoList->windowTitle(), QStringLiteral("Tasks"));
        QCOMPARE(
            child<ToDoListModel>(*frmToDoList, "dsToDoList")->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("Repeat"));
    }
};

QTEST_MAIN(TestTasks)
#include "tst_tasks.moc"
