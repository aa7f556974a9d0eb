// The holidays list and the holiday editor through the real windows, on a
// fixture database with a fake clock; their reminders through the clock's
// tick.

#include <QtTest>

#include <QHeaderView>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>

#include "app/app_commands.h"
#include "app/forms.h"
#include "base/language_texts.h"
#include "clock/clock_window.h"
#include "clock_env.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "planning/holiday_editor.h"
#include "planning/holiday_list.h"
#include "recording_dialogs.h"
#include "ui/app_commands.h"
#include "ui/dialog_service.h"
#include "ui/languages.h"
#include "ui/locale_format.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return encodeDateTime({{y, mo, d}, {h, mi, s, 0}});
}

struct Stored {
    std::int32_t TDID;
    std::int64_t MesType;
    DateTime FirstDT;
    DateTime ShowDT;
    std::string Title;
    std::string Comment;
    std::int64_t PeriodInt, PeriodType, ElapseInt, ElapseType;
};

struct Shown {
    int id;
    QString caption;
    DateTime time;
};

}  // namespace

class TestHolidays : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ostrel::testing::ClockEnv> env;
    std::unique_ptr<ScopedFakeClock> clock;
    std::unique_ptr<RecordingDialogs> dialogs;
    std::vector<Shown> shown;
    // Runs for each reminder when set, instead of recording it.
    std::function<void(const TTaskParams&, const QString&)> onReminder;

    TfrmNewHoliday* editor() { return frmNewHoliday; }
    TfrmHolidayList* list() { return frmHolidayList; }
    QString dbPath() const { return env->dir.path() + QStringLiteral("/Tamo.qdb"); }

    std::vector<Stored> rows() {
        sql::Query q(DataModule1->connTAMO);
        q.add("SELECT * FROM ToDo ORDER BY TDID");
        q.open();
        std::vector<Stored> out;
        for (; !q.eof(); q.next())
            out.push_back({static_cast<std::int32_t>(q.asInteger("TDID")), q.asInteger("MesType"),
                           q.asDateTime("FirstDT"), q.asDateTime("ShowDT"), q.asString("Title"), q.asString("Comment"),
                           q.asInteger("PeriodInt"), q.asInteger("PeriodType"), q.asInteger("ElapseInt"),
                           q.asInteger("ElapseType")});
        return out;
    }
    Stored row(int id) {
        for (const auto& r : rows())
            if (r.TDID == id) return r;
        return {};
    }
    // A holiday typed into the editor and saved.
    int save(const QString& title, QDate date, int advance = 1, const QString& comment = {}) {
        runCommand(AppCommand::NewHoliday);
        child<QLineEdit>(*editor(), "edTitle")->setText(title);
        child<QDateEdit>(*editor(), "dtpToDoDate")->setDate(date);
        child<QCheckBox>(*editor(), "cbRemind")->setChecked(advance > 0);
        if (advance > 0) child<QSpinBox>(*editor(), "seActiveTime")->setValue(advance);
        child<QPlainTextEdit>(*editor(), "memComment")->setPlainText(comment);
        if (!editor()->bbOkClick()) return 0;
        return static_cast<int>(DataModule1->connTAMO.lastInsertRowId());
    }
    // The clock's one-second tick.
    void tick(int seconds = 1) {
        clock->get().advanceMs(1000ull * static_cast<unsigned>(seconds));
        frmClock->tmrTimeTimer();
    }
    QStringList shownTitles() const {
        QStringList out;
        for (const auto& s : shown) out << QString::number(s.id);
        return out;
    }

private slots:
    void init() {
        env = std::make_unique<ostrel::testing::ClockEnv>();
        ostrel::testing::createOrganizerDatabase(dbPath().toStdString());
        clock = std::make_unique<ScopedFakeClock>(at(2026, 10, 10, 10), 3600000);
        dialogs = std::make_unique<RecordingDialogs>();
        shown.clear();
        DataModule1 = new TDataModule1(dbPath());
        reminderEngine = new ReminderEngine(DataModule1->connTAMO, DataModule1->tasks(), DataModule1->holidays());
        onReminder = {};
        QObject::connect(reminderEngine, &ReminderEngine::reminderDue, reminderEngine,
                         [this](const TTaskParams& p, const QString& caption) {
                             if (onReminder) onReminder(p, caption);
                             else shown.push_back({p.TaskID, caption, p.TaskTime});
                         });
        frmClock = new TfrmClock();
        frmClock->connectData(*reminderEngine, DataModule1->tasks());
        createHolidayForms();
        installAppCommands();
        reminderEngine->InitReminders();
    }
    void cleanup() {
        setCommandHandler({});
        ostrel::testing::destroyGlobal(frmHolidayList);
        ostrel::testing::destroyGlobal(frmNewHoliday);
        ostrel::testing::destroyGlobal(frmClock);
        ostrel::testing::destroyGlobal(reminderEngine);
        ostrel::testing::destroyGlobal(DataModule1);
        dialogs.reset();
        clock.reset();
        env.reset();
    }

    void windowsAndMenuCommands() {
        QCOMPARE(list()->size(), QSize(263, 438));
        QCOMPARE(list()->pos(), QPoint(80, 80));
        QCOMPARE(editor()->size(), QSize(238, 263));
        QCOMPARE(editor()->geometry().center(), QRect(0, 0, 1280, 1024).center());
        QCOMPARE(list()->property("helpContext").toInt(), 6);
        QCOMPARE(editor()->property("helpContext").toInt(), 6);
        QVERIFY(!editor()->isModal());
        QCOMPARE(child<QToolButton>(*list(), "tbEdit")->toolTip(), QStringLiteral("Edit holiday"));
        QVERIFY(!child<QToolButton>(*list(), "tbNew")->icon().isNull());

        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        QVERIFY(list()->isVisible());
        QVERIFY(list()->qrHolidaysOpen());
        child<QAction>(*frmClock, "miHoliday")->trigger();
        QVERIFY(editor()->isVisible());
        QCOMPARE(editor()->windowTitle(), QStringLiteral("NewHoliday..."));  // no language file: the key
        QCOMPARE(editor()->holidayId, 0);
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->text(), QStringLiteral("InputHolidayTitle..."));
        QCOMPARE(child<QDateEdit>(*editor(), "dtpToDoDate")->date(), QDate(2026, 10, 10));
        QVERIFY(child<QCheckBox>(*editor(), "cbRemind")->isChecked());
        QVERIFY(child<QSpinBox>(*editor(), "seActiveTime")->isEnabled());
        QCOMPARE(child<QSpinBox>(*editor(), "seActiveTime")->value(), 1);
        QVERIFY(child<QPlainTextEdit>(*editor(), "memComment")->toPlainText().isEmpty());

        // The command on an open editor keeps what was typed.
        child<QLineEdit>(*editor(), "edTitle")->setText(QStringLiteral("Typed"));
        editor()->holidayId = 7;
        child<QToolButton>(*list(), "tbNew")->click();
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->text(), QStringLiteral("Typed"));
        QCOMPARE(editor()->holidayId, 0);

        // Esc and Cancel only hide.
        QTest::keyClick(editor(), Qt::Key_Escape);
        QVERIFY(!editor()->isVisible());
        child<QAction>(*frmClock, "miHoliday")->trigger();
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->text(),
                 QStringLiteral("InputHolidayTitle..."));  // defaults again
        child<QLineEdit>(*editor(), "edTitle")->setText(QStringLiteral("Not saved"));
        child<QPushButton>(*editor(), "bbCancel")->click();
        QVERIFY(!editor()->isVisible());
        QVERIFY(rows().empty());

        list()->close();
        QVERIFY(!list()->isVisible());
        QVERIFY(!list()->qrHolidaysOpen());
    }

    void storedYear_data() {
        QTest::addColumn<DateTime>("now");
        QTest::addColumn<QDate>("picked");
        QTest::addColumn<DateTime>("stored");
        QTest::newRow("25 Dec on 10 Oct") << at(2026, 10, 10, 10) << QDate(2026, 12, 25) << at(2025, 12, 25);
        QTest::newRow("25 Dec on 25 Dec") << at(2026, 12, 25, 10) << QDate(2026, 12, 25) << at(2026, 12, 25);
        QTest::newRow("29 Feb of a future leap year") << at(2026, 10, 10, 10) << QDate(2028, 2, 29) << at(2026, 2, 28);
        QTest::newRow("birth year kept") << at(2026, 10, 10, 10) << QDate(1961, 4, 12) << at(1961, 4, 12);
    }
    void storedYear() {
        QFETCH(DateTime, now);
        QFETCH(QDate, picked);
        QFETCH(DateTime, stored);
        clock->get().setNow(now);
        const int id = save(QStringLiteral("Holiday"), picked, 3);
        QVERIFY(id > 0);
        const Stored r = row(id);
        QCOMPARE(r.FirstDT, stored);
        QCOMPARE(r.MesType, std::int64_t{2});
        QCOMPARE(r.PeriodInt, std::int64_t{1});
        QCOMPARE(r.PeriodType, std::int64_t{6});
        QCOMPARE(r.ElapseInt, std::int64_t{3});
        QCOMPARE(r.ElapseType, std::int64_t{3});
        // The list shows day and month only; editing shows the stored year.
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        const QDate s = toQDateTime(stored).date();
        QCOMPARE(child<HolidayListModel>(*list(), "dsHolidaysList")->index(0, 0).data().toString(),
                 s.toString(QStringLiteral("dd.MM")));
        list()->tbEditClick();
        QCOMPARE(child<QDateEdit>(*editor(), "dtpToDoDate")->date(), s);
        QCOMPARE(editor()->windowTitle(), QStringLiteral("EditHoliday"));
        QCOMPARE(editor()->holidayId, id);
    }

    void twentyNinthOfFebruaryFallsOnTheTwentyEighth() {
        const int id = save(QStringLiteral("Leap"), QDate(2028, 2, 29));
        auto& store = DataModule1->holidays();
        for (const QDate d : {QDate(2027, 2, 28), QDate(2028, 2, 28)}) {
            const auto day = store.holidaysOfDay(encodeDate(d.year(), d.month(), d.day()) + 0.75);
            QCOMPARE(day.size(), std::size_t{1});
            QCOMPARE(day[0].TDID, id);
            QCOMPARE(day[0].Title, QStringLiteral("Leap"));
        }
        QVERIFY(store.holidaysOfDay(at(2028, 2, 29)).empty());
    }

    void titlesAndComments() {
        runCommand(AppCommand::NewHoliday);
        for (const QString& bad : {QStringLiteral(""), QStringLiteral("   "), QStringLiteral("InputHolidayTitle..."),
                                   QStringLiteral("  InputHolidayTitle...  ")}) {
            child<QLineEdit>(*editor(), "edTitle")->setText(bad);
            QVERIFY(!editor()->bbOkClick());
            QVERIFY(editor()->isVisible());
        }
        QCOMPARE(dialogs->messages.size(), std::size_t{4});
        for (const auto& m : dialogs->messages) {
            QCOMPARE(m.text, QStringLiteral("InputHolidayTitle"));
            QCOMPARE(m.caption, QStringLiteral("Edition of holiday list"));
            QCOMPARE(m.icon, MsgIcon::Warning);
        }
        QVERIFY(rows().empty());

        const int padded = save(QStringLiteral("  New Year  "), QDate(2027, 1, 1), 1, QStringLiteral(" \n\t "));
        const int kept = save(QStringLiteral("Day"), QDate(2027, 1, 2), 1, QStringLiteral(" a comment "));
        QCOMPARE(row(padded).Title, std::string("  New Year  "));
        QCOMPARE(row(padded).Comment, std::string());
        QCOMPARE(row(kept).Comment, std::string(" a comment "));
        QCOMPARE(dialogs->messages.size(), std::size_t{4});
    }

    // A long title opens at its first letters; the description wraps at
    // words with a vertical scroll bar only when it needs one.
    void longTextsOpenAtTheirStartAndTheDescriptionWraps() {
        HolidayRow row;
        row.TDID = 7;
        row.FirstDT = encodeDate(2027, 1, 1);
        row.Title = QStringLiteral("The beginning of a holiday title far longer than its box ") + QString(60, u'x');
        row.ElapseInt = 1;
        for (const QString& comment : {QStringLiteral("Short"), QStringLiteral("many words ").repeated(40)}) {
            row.Comment = comment;
            editor()->OpenForHoliday(row);
            QVERIFY(QTest::qWaitForWindowExposed(editor()));
            auto* title = child<QLineEdit>(*editor(), "edTitle");
            QCOMPARE(title->cursorPosition(), 0);
            QVERIFY(title->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 8);
            auto* box = child<QPlainTextEdit>(*editor(), "memComment");
            QCoreApplication::processEvents();
            QVERIFY(!box->horizontalScrollBar()->isVisible());
            QCOMPARE(box->verticalScrollBar()->isVisible(), comment.size() > 100);
            editor()->bbCancelClick();
        }
    }

    void reminderBoxRoundTrip() {
        runCommand(AppCommand::NewHoliday);
        child<QCheckBox>(*editor(), "cbRemind")->setChecked(false);
        QVERIFY(!child<QSpinBox>(*editor(), "seActiveTime")->isEnabled());
        child<QCheckBox>(*editor(), "cbRemind")->setChecked(true);  // from code as well
        QVERIFY(child<QSpinBox>(*editor(), "seActiveTime")->isEnabled());
        const int none = save(QStringLiteral("No reminder"), QDate(2026, 5, 1), 0);
        const int five = save(QStringLiteral("Five days"), QDate(2026, 6, 1), 5);
        QCOMPARE(row(none).ElapseInt, std::int64_t{0});
        QCOMPARE(row(five).ElapseInt, std::int64_t{5});

        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        list()->setCurrentRow(1);
        list()->tbEditClick();
        QCOMPARE(editor()->holidayId, none);
        QVERIFY(!child<QCheckBox>(*editor(), "cbRemind")->isChecked());
        QVERIFY(!child<QSpinBox>(*editor(), "seActiveTime")->isEnabled());
        QCOMPARE(child<QSpinBox>(*editor(), "seActiveTime")->value(), 1);
        // An open editor is overwritten by the next row.
        list()->setCurrentRow(2);
        list()->tbEditClick();
        QCOMPARE(editor()->holidayId, five);
        QVERIFY(child<QCheckBox>(*editor(), "cbRemind")->isChecked());
        QVERIFY(child<QSpinBox>(*editor(), "seActiveTime")->isEnabled());
        QCOMPARE(child<QSpinBox>(*editor(), "seActiveTime")->value(), 5);
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->text(), QStringLiteral("Five days"));
        // Saving the edit updates the row, adds none.
        child<QCheckBox>(*editor(), "cbRemind")->setChecked(false);
        QVERIFY(editor()->bbOkClick());
        QCOMPARE(rows().size(), std::size_t{2});
        QCOMPARE(row(five).ElapseInt, std::int64_t{0});
    }

    void listOrderAndTitleWidth() {
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        const int title = HolidayListModel::ColTitle;
        QCOMPARE(child<QTableView>(*list(), "grToDoList")->columnWidth(0), 42);
        QCOMPARE(child<QTableView>(*list(), "grToDoList")->columnWidth(title), 213);
        save(QStringLiteral("Christmas"), QDate(2025, 12, 25));
        QCOMPARE(child<QTableView>(*list(), "grToDoList")->columnWidth(title), 213);
        save(QStringLiteral("Birthday"), QDate(1961, 4, 12));
        QCOMPARE(child<QTableView>(*list(), "grToDoList")->columnWidth(title), 197);
        save(QStringLiteral("New Year"), QDate(2026, 1, 1));
        save(QStringLiteral("Same day"), QDate(2000, 4, 12));
        QStringList titles;
        for (int r = 0; r < child<HolidayListModel>(*list(), "dsHolidaysList")->rowCount(); ++r)
            titles << child<HolidayListModel>(*list(), "dsHolidaysList")->index(r, title).data().toString();
        QCOMPARE(titles, (QStringList{"New Year", "Birthday", "Same day", "Christmas"}));
        QCOMPARE(child<HolidayListModel>(*list(), "dsHolidaysList")->index(0, 0).data().toString(),
                 QStringLiteral("01.01"));
        QCOMPARE(child<HolidayListModel>(*list(), "dsHolidaysList")->index(3, 0).data().toString(),
                 QStringLiteral("25.12"));
    }

    void rowKeptAfterSaveAndDelete() {
        for (int m = 1; m <= 5; ++m) save(QStringLiteral("H%1").arg(m), QDate(2026, m, 1));
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        list()->setCurrentRow(3);
        list()->tbEditClick();
        child<QLineEdit>(*editor(), "edTitle")->setText(QStringLiteral("Third"));
        QVERIFY(editor()->bbOkClick());
        QCOMPARE(list()->currentRow(), 3);
        QCOMPARE(list()->currentHoliday()->Title, QStringLiteral("Third"));
        child<QToolButton>(*list(), "tbDelete")->click();  // no question asked
        QVERIFY(dialogs->messages.empty());
        QCOMPARE(list()->currentRow(), 3);
        QCOMPARE(list()->currentHoliday()->Title, QStringLiteral("H4"));
        list()->setCurrentRow(4);
        list()->tbDeleteClick();
        QCOMPARE(child<HolidayListModel>(*list(), "dsHolidaysList")->rowCount(), 3);
        QCOMPARE(list()->currentRow(), 3);  // the list became shorter: its last row
        QCOMPARE(rows().size(), std::size_t{3});
    }

    void doubleClicks() {
        save(QStringLiteral("One"), QDate(2026, 3, 1));
        save(QStringLiteral("Two"), QDate(2026, 4, 1));
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        editor()->hide();
        QTableView* grid = child<QTableView>(*list(), "grToDoList");
        // Below the last row: nothing.
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(60, 300));
        QVERIFY(!editor()->isVisible());
        // The title row counts: the current row opens.
        list()->setCurrentRow(2);
        const QHeaderView* header = grid->horizontalHeader();
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                           QPoint(header->sectionPosition(1) + 20, header->height() / 2));
        QVERIFY(editor()->isVisible());
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->text(), QStringLiteral("Two"));
        editor()->hide();
        const QRect cell = grid->visualRect(child<HolidayListModel>(*list(), "dsHolidaysList")->index(0, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(editor()->isVisible());
        QCOMPARE(child<QLineEdit>(*editor(), "edTitle")->text(), QStringLiteral("One"));
    }

    void emptyListEditAndDeleteDoNothing() {
        // A row outside the holidays must survive a delete on the empty list.
        ostrel::testing::execSql(dbPath().toStdString(), "INSERT INTO ToDo (MesType, Title) VALUES (1, 'plan')");
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        QSignalSpy edits(list(), &TfrmHolidayList::editHoliday);
        QSignalSpy writes(&DataModule1->holidays(), &HolidayStore::changed);
        child<QToolButton>(*list(), "tbEdit")->click();
        child<QToolButton>(*list(), "tbDelete")->click();
        list()->grToDoListDblClick();
        QCOMPARE(edits.count(), 0);
        QCOMPARE(writes.count(), 0);
        QVERIFY(!editor()->isVisible());
        QCOMPARE(rows().size(), std::size_t{1});
    }

    void dataSetLivesWhileShown() {
        QVERIFY(!list()->qrHolidaysOpen());
        save(QStringLiteral("While hidden"), QDate(2026, 7, 7));
        QCOMPARE(child<HolidayListModel>(*list(), "dsHolidaysList")->rowCount(), 0);  // hidden: not refreshed
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        QCOMPARE(child<HolidayListModel>(*list(), "dsHolidaysList")->rowCount(), 1);
        // The same command on the open list brings it forward and keeps it.
        save(QStringLiteral("Second"), QDate(2026, 8, 8));
        list()->setCurrentRow(2);
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        QCOMPARE(list()->currentRow(), 2);
        list()->hide();
        QVERIFY(!list()->qrHolidaysOpen());
    }

    void anEditedRowDeletedMeanwhileIsStoredAgain() {
        const int id = save(QStringLiteral("Gone"), QDate(2026, 9, 9));
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        list()->tbEditClick();
        DataModule1->holidays().deleteHoliday(id);
        child<QLineEdit>(*editor(), "edTitle")->setText(QStringLiteral("Kept"));
        QVERIFY(editor()->bbOkClick());
        const auto r = rows();
        QCOMPARE(r.size(), std::size_t{1});
        QCOMPARE(r[0].Title, std::string("Kept"));
        QVERIFY(r[0].TDID != id);
    }

    // ---- reminders of saved holidays

    void newHolidayInsideItsWindowRemindsAtTheNextTick() {
        clock->get().setNow(at(2026, 12, 10, 10));
        // Something far ahead holds the gate.
        save(QStringLiteral("Far"), QDate(2026, 12, 30), 1);
        QCOMPARE(reminderEngine->NextReminderTime(), at(2026, 12, 29));
        const int id = save(QStringLiteral("Soon"), QDate(2026, 12, 12), 3);
        QCOMPARE(row(id).ShowDT, at(2026, 12, 9));
        tick();
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(shown[0].id, id);
        QCOMPARE(shown[0].caption, QStringLiteral("Holidays"));
        QCOMPARE(shown[0].time, at(2025, 12, 12));
        QCOMPARE(row(id).ShowDT, at(2027, 12, 9));
        QCOMPARE(reminderEngine->NextReminderTime(), at(2026, 12, 29));
        tick();
        QCOMPARE(shown.size(), std::size_t{1});
        // Saved on the holiday itself: no reminder before next year.
        save(QStringLiteral("Today"), QDate(2026, 12, 10), 3);
        tick();
        QCOMPARE(shown.size(), std::size_t{1});
    }

    void savedWhileAPassRunsRemindsAtTheNextTick() {
        clock->get().setNow(at(2026, 12, 10, 10));
        save(QStringLiteral("Far"), QDate(2026, 12, 30), 1);
        // A daily task falls due; while its reminder window shows, a holiday
        // is saved inside its own window.
        const DateTime due = at(2026, 12, 10, 10) + 0.5 / 86400.0;
        char sqlText[300];
        std::snprintf(sqlText, sizeof sqlText,
                      "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, PeriodInt, PeriodType, ElapseInt, "
                      "ElapseType) VALUES (0, %.17g, %.17g, 'daily', 1, 3, 1, 2)",
                      due, due);
        ostrel::testing::execSql(dbPath().toStdString(), sqlText);
        reminderEngine->UpdateNextReminderTime();
        int holiday = 0;
        onReminder = [&](const TTaskParams& p, const QString& caption) {
            shown.push_back({p.TaskID, caption, p.TaskTime});
            if (holiday == 0) holiday = save(QStringLiteral("Soon"), QDate(2026, 12, 12), 3);
        };
        tick();
        QCOMPARE(shown.size(), std::size_t{1});
        QVERIFY(holiday > 0);
        QVERIFY(reminderEngine->NextReminderTime() <= at(2026, 12, 10, 10, 0, 1));
        tick();
        QCOMPARE(shown.size(), std::size_t{2});
        QCOMPARE(shown[1].id, holiday);
        QVERIFY(qAbs(reminderEngine->NextReminderTime() - (at(2026, 12, 11, 10) + 0.5 / 86400.0)) < 1e-9);
    }

    void changedDateRemindsOnTheNewDayNotTheOld() {
        clock->get().setNow(at(2026, 12, 1, 10));
        const int id = save(QStringLiteral("Moved"), QDate(2026, 12, 20), 3);
        QCOMPARE(row(id).ShowDT, at(2026, 12, 17));  // pending
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        list()->tbEditClick();
        child<QDateEdit>(*editor(), "dtpToDoDate")->setDate(QDate(2026, 12, 14));
        QVERIFY(editor()->bbOkClick());
        QCOMPARE(row(id).ShowDT, at(2026, 12, 11));
        tick();
        QVERIFY(shown.empty());
        clock->get().setNow(at(2026, 12, 11, 0, 0, 1));
        tick();
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(shown[0].id, id);
        QCOMPARE(shown[0].time, at(2025, 12, 14));
        // The old day brings nothing.
        clock->get().setNow(at(2026, 12, 17, 9));
        tick();
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(row(id).ShowDT, at(2027, 12, 11));
    }

    void changedAdvanceOpensTheWindowAtOnce() {
        clock->get().setNow(at(2026, 12, 10, 10));
        const int id = save(QStringLiteral("Longer"), QDate(2026, 12, 20), 3);
        tick();
        QVERIFY(shown.empty());
        child<QAction>(*frmClock, "Holydayslist1")->trigger();
        list()->tbEditClick();
        child<QSpinBox>(*editor(), "seActiveTime")->setValue(12);
        QVERIFY(editor()->bbOkClick());
        tick();
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(shown[0].id, id);
        // A later change of only the title and comment does not repeat it.
        list()->tbEditClick();
        child<QLineEdit>(*editor(), "edTitle")->setText(QStringLiteral("Renamed"));
        child<QPlainTextEdit>(*editor(), "memComment")->setPlainText(QStringLiteral("note"));
        QVERIFY(editor()->bbOkClick());
        tick();
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(row(id).ShowDT, at(2027, 12, 8));
        // Clearing the reminder: never shown again.
        list()->tbEditClick();
        child<QCheckBox>(*editor(), "cbRemind")->setChecked(false);
        QVERIFY(editor()->bbOkClick());
        QCOMPARE(row(id).ShowDT, at(2026, 12, 20));
        clock->get().setNow(at(2027, 12, 19, 12));
        tick();
        QCOMPARE(shown.size(), std::size_t{1});
    }

    void translatedWindows() {
        QDir().mkpath(env->dir.path() + QStringLiteral("/Languages"));
        for (const char* lang : {"English", "Russian"}) {
            const QString name = QString::fromLatin1(lang);
            QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/") + name + QStringLiteral(".lng"),
                        languageFilePath(name));
            SetCurrentLanguage(name);
            TranslateForm(list());
            TranslateForm(editor());
            child<QAction>(*frmClock, "miHoliday")->trigger();
            QVERIFY(editor()->windowTitle().endsWith(QStringLiteral("...")));
            QVERIFY(editor()->windowTitle() != QStringLiteral("NewHoliday..."));
            QVERIFY(child<QCheckBox>(*editor(), "cbRemind")->text() != QStringLiteral("Remind befor"));
            QVERIFY(child<HolidayListModel>(*list(), "dsHolidaysList")->titles[1] != QStringLiteral("Title") ||
                    name == "English");
            // Every text fits its control.
            for (QWidget* w : {static_cast<QWidget*>(child<QLabel>(*editor(), "lbTitle")),
                               static_cast<QWidget*>(child<QLabel>(*editor(), "lbDate")),
                               static_cast<QWidget*>(child<QLabel>(*editor(), "lbDays")),
                               static_cast<QWidget*>(child<QLabel>(*editor(), "lbDescription"))}) {
                const auto* l = qobject_cast<QLabel*>(w);
                QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
            }
            const QCheckBox* box = child<QCheckBox>(*editor(), "cbRemind");
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
            editor()->hide();
        }
        SetCurrentLanguage(QStringLiteral("English"));
    }

    // Screenshots for looking at: run under an X server with OSTREL_SHOTS_DIR
    // set (QT_QPA_PLATFORM=xcb); skipped otherwise.
    void screenshots() {
        const QString out = qEnvironmentVariable("OSTREL_SHOTS_DIR");
        if (out.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("set OSTREL_SHOTS_DIR and run on an X server");
        QFile skin(QStringLiteral(OSTREL_SOURCE_DIR "/skins/ostrel.skn"));
        QVERIFY(skin.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(skin.readAll()));
        clock->get().setNow(at(2026, 12, 10, 10));
        save(QStringLiteral("New Year"), QDate(2027, 1, 1), 3);
        save(QStringLiteral("Anna's birthday"), QDate(1961, 4, 12), 7, QStringLiteral("Flowers"));
        save(QStringLiteral("Midsummer"), QDate(2026, 6, 24), 0);
        save(QStringLiteral("Christmas Eve with the whole family"), QDate(2026, 12, 24), 2);
        save(QStringLiteral("Leap day"), QDate(2028, 2, 29), 1);
        QDir().mkpath(env->dir.path() + QStringLiteral("/Languages"));
        for (const char* lang : {"English", "Russian"}) {
            const QString name = QString::fromLatin1(lang);
            QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/") + name + QStringLiteral(".lng"),
                        languageFilePath(name));
            SetCurrentLanguage(name);
            TranslateForm(list());
            TranslateForm(editor());
            child<QAction>(*frmClock, "Holydayslist1")->trigger();
            list()->setCurrentRow(2);
            list()->tbEditClick();
            editor()->move(420, 80);
            QVERIFY(QTest::qWaitForWindowExposed(editor()));
            QTest::qWait(700);
            QProcess shot;
            shot.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                  out + QStringLiteral("/holidays-") + name + QStringLiteral(".png")});
            QVERIFY(shot.waitForFinished(20000));
            editor()->hide();
            child<QAction>(*frmClock, "miHoliday")->trigger();
            QTest::qWait(500);
            shot.start(QStringLiteral("import"),
                       {QStringLiteral("-window"), QStringLiteral("root"),
                        out + QStringLiteral("/new-holiday-") + name + QStringLiteral(".png")});
            QVERIFY(shot.waitForFinished(20000));
            editor()->hide();
            list()->hide();
        }
        SetCurrentLanguage(QStringLiteral("English"));
        qApp->setStyleSheet({});
    }
};

int main(int argc, char** argv) {
    // Dates shown with a full stop between day and month (the time zone is
    // fixed for every test program).
    qputenv("LC_ALL", "de_DE.UTF-8");
    qputenv("LANG", "de_DE.UTF-8");
    QApplication app(argc, argv);
    TestHolidays test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_holidays.moc"
