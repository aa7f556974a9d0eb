// The schedule through the real window: a fixture database, a fake clock,
// mouse and keyboard on the grid.

#include <QtTest>

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>

#include <sqlite3.h>

#include "app/forms.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/plan_store.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "planning/schedule_window.h"
#include "recording_dialogs.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;

namespace {

// Thursday 10 December 2026, 08:00.
const double kToday = encodeDate(2026, 12, 10);
const double kNow = kToday + 8.0 / 24;

struct Plan {
    double showDT;
    std::string title;
    std::int64_t elapse;
};

double at(double day, int hour, int minute) { return combineDateTime(day, (hour * 60 + minute) / 1440.0); }

// Grid row of a time of day.
int rowOf(int hour, int minute) { return (hour * 60 + minute) / 30 + 1; }

}  // namespace

class TestSchedule : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ostrel::testing::TempDir> dir;
    std::unique_ptr<ScopedFakeClock> clock;
    std::unique_ptr<RecordingDialogs> dialogs;
    TfrmSchedule* w = nullptr;

    StringGrid* grid() { return child<StringGrid>(*w, "sgSchedule"); }
    std::vector<Plan> plans() {
        sql::Query q(DataModule1->connTAMO);
        q.add("SELECT ShowDT, Title, ElapseInt FROM ToDo WHERE MesType = 1 ORDER BY ShowDT, TDID");
        q.open();
        std::vector<Plan> out;
        for (; !q.eof(); q.next())
            out.push_back({q.asDateTime("ShowDT"), q.asString("Title"), q.asInteger("ElapseInt")});
        return out;
    }
    void addPlan(double start, const char* title, int elapse) {
        DataModule1->plans().insertPlan(QString::fromUtf8(title), start, elapse);
    }
    QPoint cellPos(int col, int row) {
        grid()->scrollTo(grid()->model()->index(row - 1, col));
        return grid()->cellRect(col, row).center();
    }
    void clickCell(int col, int row) { QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellPos(col, row)); }
    void drag(int col, int fromRow, int toCol, int toRow) {
        const QPoint a = cellPos(col, fromRow);
        QTest::mousePress(grid()->viewport(), Qt::LeftButton, {}, a);
        const QPoint b = grid()->cellRect(toCol, toRow).center();
        QMouseEvent move(QEvent::MouseMove, b, grid()->viewport()->mapToGlobal(b), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(grid()->viewport(), &move);
        QTest::mouseRelease(grid()->viewport(), Qt::LeftButton, {}, b);
    }
    // The open cell editor (closed ones may still wait for deletion).
    QLineEdit* editor() {
        for (QLineEdit* e : grid()->viewport()->findChildren<QLineEdit*>(QStringLiteral("cellEditor")))
            if (e->isVisible()) return e;
        return nullptr;
    }
    QString marks(int col, int from, int to) {
        QString s;
        for (int r = from; r <= to; ++r) s += QString::number(grid()->objects(col, r));
        return s;
    }
    void typeTitle(const QString& text) {
        QLineEdit* e = editor();
        QVERIFY(e && e->isVisible());
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    void useWeekView() { child<QComboBox>(*w, "cbSchedule")->setCurrentIndex(1); }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel schedule");
        ostrel::testing::createOrganizerDatabase(dir->path() / "Tamo.qdb");
        clock = std::make_unique<ScopedFakeClock>(kNow);
        dialogs = std::make_unique<RecordingDialogs>();
        DataModule1 = new TDataModule1(QString::fromStdString((dir->path() / "Tamo.qdb").string()));
        frmSchedule = new TfrmSchedule(DataModule1->plans());
        w = frmSchedule;
        w->setFirstDayShift(7);  // weeks start on Monday
        w->cbScheduleChange();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void cleanup() {
        w = nullptr;
        ostrel::testing::destroyGlobal(frmSchedule);
        ostrel::testing::destroyGlobal(DataModule1);
        dialogs.reset();
        clock.reset();
        dir.reset();
    }

    void windowLayout() {
        QCOMPARE(w->size(), QSize(440, 333));
        QCOMPARE(w->pos(), QPoint(53, 73));
        QCOMPARE(w->property("helpContext").toInt(), 5);
        QCOMPARE(grid()->gridRowCount(), 49);
        QCOMPARE(grid()->colCount(), 2);
        QCOMPARE(grid()->colWidth(0), 39);
        // The last column gives up the scroll bar's room, if it must.
        QVERIFY(grid()->colWidth(1) <= 397 && grid()->colWidth(1) >= 380);
        QCOMPARE(grid()->colWidth(0) + grid()->colWidth(1), std::min(436, grid()->viewport()->width()));
        QCOMPARE(grid()->cells(0, 0), QStringLiteral("Time"));
        QCOMPARE(grid()->cells(1, 0), QStringLiteral("Plan"));
        QCOMPARE(grid()->cells(0, 1), QStringLiteral("00:00"));
        QCOMPARE(grid()->cells(0, 48), QStringLiteral("23:30"));
        QCOMPARE(child<QDateEdit>(*w, "dtpSchedule")->date(), QDate(2026, 12, 10));
        useWeekView();
        QCOMPARE(grid()->colCount(), 8);
        for (int i = 1; i <= 6; ++i) QCOMPARE(grid()->colWidth(i), 56);
        QVERIFY(grid()->colWidth(7) <= 56 && grid()->colWidth(7) >= 40);
        QCOMPARE(grid()->horizontalScrollBar()->value(), 0);
        // Each heading names its day (weekViewMarksTodayAndNamesWeekdays).
        QVERIFY(grid()->cells(1, 0).contains(QRegularExpression(QStringLiteral("\\b0?7\\b"))));
        QVERIFY(grid()->cells(7, 0).contains(QRegularExpression(QStringLiteral("\\b13\\b"))));
    }

    // Every day of the week keeps its width and the last one ends left of
    // the vertical scroll bar, whatever the time column needs (12-hour
    // times and long titles widen it); the day view keeps the designed size.
    void theLastDayIsWholeBesideTheScrollBar_data() {
        QTest::addColumn<int>("timeWidth");
        QTest::newRow("time column as designed") << 39;
        QTest::newRow("wide time column") << 62;
    }
    void theLastDayIsWholeBesideTheScrollBar() {
        QFETCH(int, timeWidth);
        grid()->setColWidth(0, timeWidth);
        useWeekView();
        QApplication::processEvents();
        const QScrollBar* bar = grid()->verticalScrollBar();
        QVERIFY(bar->isVisible());
        QCOMPARE(grid()->colWidth(0), timeWidth);
        for (int i = 1; i <= 7; ++i) QCOMPARE(grid()->colWidth(i), 56);
        const int lastRight =
            grid()->viewport()->mapTo(w, QPoint(grid()->columnViewportPosition(7) + grid()->colWidth(7), 0)).x();
        const int barLeft = bar->mapTo(w, QPoint(0, 0)).x();
        QVERIFY2(
            lastRight <= barLeft,
            qPrintable(QStringLiteral("last column ends at %1, the bar begins at %2").arg(lastRight).arg(barLeft)));
        QCOMPARE(grid()->horizontalScrollBar()->value(), 0);
        QCOMPARE(w->height(), 333);
        QCOMPARE(w->pos(), QPoint(53, 73));
        child<QComboBox>(*w, "cbSchedule")->setCurrentIndex(0);
        QCOMPARE(w->size(), QSize(440, 333));
    }

    void weekStartFollowsTheFirstDayOfTheWeek() {
        w->setScheduleDate(encodeDate(2008, 5, 18));  // a Sunday
        useWeekView();
        QCOMPARE(w->weekStart(), encodeDate(2008, 5, 12));
        w->setFirstDayShift(1);  // Sunday first
        w->cbScheduleChange();
        QCOMPARE(w->weekStart(), encodeDate(2008, 5, 18));
        w->setScheduleDate(encodeDate(2008, 5, 24));
        QCOMPARE(w->weekStart(), encodeDate(2008, 5, 18));
    }

    void aThreeSlotPlanIsStoredAndFramed() {
        drag(1, rowOf(10, 0), 1, rowOf(11, 0));
        QTest::mouseClick(child<QToolButton>(*w, "tbNew"), Qt::LeftButton);
        QCOMPARE(w->entryState(), EntryState::Adding);
        QVERIFY(editor() && editor()->isVisible());
        QCOMPARE(editor()->text(), QStringLiteral("InputTitle"));
        QCOMPARE(w->selStartRow(), rowOf(10, 0));
        QCOMPARE(w->selEndRow(), rowOf(11, 0));
        typeTitle(QStringLiteral("  Budget meeting "));
        clickCell(1, rowOf(14, 0));
        QCOMPARE(w->entryState(), EntryState::Idle);
        QVERIFY(dialogs->messages.empty());
        const auto p = plans();
        QCOMPARE(p.size(), std::size_t{1});
        QCOMPARE(p[0].showDT, at(kToday, 10, 0));
        QCOMPARE(p[0].title, std::string("Budget meeting"));
        QCOMPARE(p[0].elapse, std::int64_t{3});
        QCOMPARE(marks(1, rowOf(9, 30), rowOf(11, 30)), QStringLiteral("01230"));
        QCOMPARE(grid()->cells(1, rowOf(10, 0)), QStringLiteral("Budget meeting"));
        QCOMPARE(grid()->cells(1, rowOf(10, 30)), QString());
        QVERIFY(!grid()->editorOpen());
        // Clicking inside the plan selects it whole; the hint names it.
        clickCell(1, rowOf(10, 30));
        QCOMPARE(w->selStartRow(), rowOf(10, 0));
        QCOMPARE(w->selEndRow(), rowOf(11, 0));
        QCOMPARE(w->hintFor(1, rowOf(11, 0)), QStringLiteral("Budget meeting"));
        QCOMPARE(w->hintFor(1, rowOf(11, 30)), QString());
    }

    void enterEndsTheEntryAndEscapeDropsIt() {
        clickCell(1, rowOf(9, 0));
        w->tbNewClick();
        typeTitle(QStringLiteral("Call"));
        QTest::keyClick(editor(), Qt::Key_Return);
        QTRY_COMPARE(w->entryState(), EntryState::Idle);
        QCOMPARE(plans().size(), std::size_t{1});
        QCOMPARE(plans()[0].elapse, std::int64_t{1});
        QCOMPARE(grid()->objects(1, rowOf(9, 0)), int(smOnly));

        clickCell(1, rowOf(12, 0));
        w->tbNewClick();
        typeTitle(QStringLiteral("Lunch"));
        QTest::keyClick(editor(), Qt::Key_Escape);
        QCOMPARE(w->entryState(), EntryState::Idle);
        QCOMPARE(grid()->cells(1, rowOf(12, 0)), QString());
        clickCell(1, rowOf(13, 0));
        QCOMPARE(plans().size(), std::size_t{1});
        QVERIFY(dialogs->messages.empty());
    }

    void refusals_data() {
        QTest::addColumn<int>("fromRow");
        QTest::addColumn<int>("toRow");
        QTest::newRow("touches the last slot") << rowOf(10, 30) << rowOf(12, 0);
        QTest::newRow("touches the first slot") << rowOf(9, 0) << rowOf(10, 0);
        QTest::newRow("inside") << rowOf(10, 30) << rowOf(10, 30);
    }
    void refusals() {
        QFETCH(int, fromRow);
        QFETCH(int, toRow);
        addPlan(at(kToday, 10, 0), "Existing", 2);
        w->cbScheduleChange();
        drag(1, fromRow, 1, toRow);
        w->tbNewClick();
        QCOMPARE(dialogs->texts(), QStringList{QStringLiteral("SelectedIntervalConsistsExistingPlan")});
        QCOMPARE(dialogs->messages[0].caption, QStringLiteral("Addition of plan"));
        QCOMPARE(dialogs->messages[0].icon, MsgIcon::Information);
        QCOMPARE(w->entryState(), EntryState::Idle);
        QVERIFY(!grid()->editorOpen());
        QCOMPARE(plans().size(), std::size_t{1});
    }

    void thePromptLeftInTheCellIsRefused() {
        clickCell(1, rowOf(15, 0));
        w->tbNewClick();
        clickCell(1, rowOf(16, 0));
        QCOMPARE(dialogs->texts(), QStringList{QStringLiteral("YouHaventInputedTitleOfPlan")});
        QCOMPARE(dialogs->messages[0].caption, QStringLiteral("Addition of plan"));
        QCOMPARE(grid()->cells(1, rowOf(15, 0)), QString());
        QCOMPARE(w->selStartRow(), -1);
        QVERIFY(plans().empty());
        // Blanks only are refused too.
        clickCell(1, rowOf(15, 0));
        w->tbNewClick();
        typeTitle(QStringLiteral("   "));
        clickCell(1, rowOf(16, 0));
        QCOMPARE(dialogs->messages.size(), std::size_t{2});
        QVERIFY(plans().empty());
    }

    void elapseZeroShowsAsOneSlot() {
        addPlan(at(kToday, 7, 0), "Zero", 0);
        addPlan(at(kToday, 23, 0), "Past midnight", 4);
        w->cbScheduleChange();
        QCOMPARE(marks(1, rowOf(6, 30), rowOf(7, 30)), QStringLiteral("040"));
        QCOMPARE(marks(1, rowOf(22, 30), rowOf(23, 30)), QStringLiteral("013"));
        clickCell(1, rowOf(7, 0));
        QCOMPARE(w->selStartRow(), rowOf(7, 0));
        QCOMPARE(w->selEndRow(), rowOf(7, 0));
    }

    void deleteOnAPlanAndOnAFreeSlot() {
        addPlan(at(kToday, 10, 0), "Meeting", 3);
        addPlan(at(kToday + 1, 10, 0), "Tomorrow", 3);
        w->cbScheduleChange();
        clickCell(1, rowOf(9, 0));
        w->tbDeleteClick();
        QCOMPARE(dialogs->texts(), QStringList{QStringLiteral("SelectAnyPlan")});
        QCOMPARE(dialogs->messages[0].caption, QStringLiteral("Plan deletion"));
        clickCell(1, rowOf(11, 0));  // the last slot
        w->tbDeleteClick();
        QCOMPARE(plans().size(), std::size_t{1});
        QCOMPARE(plans()[0].title, std::string("Tomorrow"));
        QCOMPARE(marks(1, rowOf(10, 0), rowOf(11, 0)), QStringLiteral("000"));
    }

    void editMovesAndRetitles() {
        addPlan(at(kToday, 10, 0), "Meeting", 2);
        w->cbScheduleChange();
        w->tbEditClick();
        QCOMPARE(dialogs->texts(), QStringList{QStringLiteral("FirstSelectAnyPlan")});
        QCOMPARE(dialogs->messages[0].caption, QStringLiteral("Edition plan"));
        QCOMPARE(dialogs->messages[0].icon, MsgIcon::Warning);
        clickCell(1, rowOf(10, 0));
        w->tbEditClick();
        QCOMPARE(w->entryState(), EntryState::MoveArmed);
        w->tbEditClick();  // armed: refused again
        QCOMPARE(dialogs->messages.size(), std::size_t{2});
        drag(1, rowOf(14, 0), 1, rowOf(15, 30));
        QCOMPARE(w->entryState(), EntryState::Editing);
        QCOMPARE(editor()->text(), QStringLiteral("Meeting"));
        typeTitle(QStringLiteral("Moved meeting"));
        clickCell(1, rowOf(8, 0));
        const auto p = plans();
        QCOMPARE(p.size(), std::size_t{1});
        QCOMPARE(p[0].showDT, at(kToday, 14, 0));
        QCOMPARE(p[0].elapse, std::int64_t{4});
        QCOMPARE(p[0].title, std::string("Moved meeting"));
        QCOMPARE(marks(1, rowOf(14, 0), rowOf(15, 30)), QStringLiteral("1223"));
    }

    // A move onto another plan's slots is refused: two plans sharing a start
    // would both go with one delete.
    void aMoveOntoAnotherPlanIsRefusedButMayOverlapItself() {
        addPlan(at(kToday, 10, 0), "Meeting", 2);
        addPlan(at(kToday, 13, 0), "Lunch", 2);
        w->cbScheduleChange();
        clickCell(1, rowOf(10, 0));
        w->tbEditClick();
        drag(1, rowOf(12, 30), 1, rowOf(13, 0));
        QCOMPARE(dialogs->texts(), QStringList{QStringLiteral("SelectedIntervalConsistsExistingPlan")});
        QCOMPARE(dialogs->messages[0].caption, QStringLiteral("Edition plan"));
        QCOMPARE(w->entryState(), EntryState::Idle);
        QVERIFY(!grid()->editorOpen());
        QCOMPARE(plans()[0].showDT, at(kToday, 10, 0));
        QCOMPARE(plans()[1].showDT, at(kToday, 13, 0));
        // One slot later, over its own second slot: allowed.
        clickCell(1, rowOf(10, 0));
        w->tbEditClick();
        drag(1, rowOf(10, 30), 1, rowOf(11, 0));
        QCOMPARE(w->entryState(), EntryState::Editing);
        clickCell(1, rowOf(20, 0));
        QCOMPARE(dialogs->messages.size(), std::size_t{1});
        QCOMPARE(plans()[0].showDT, at(kToday, 10, 30));
        QCOMPARE(plans()[0].title, std::string("Meeting"));
        QCOMPARE(plans()[1].showDT, at(kToday, 13, 0));
    }

    // A rebuild while a title is typed ends the entry: its rows are read
    // afresh, and nothing is saved.
    void aRebuildWhileTypingEndsTheEntryWithoutSaving() {
        clickCell(1, rowOf(9, 0));
        w->tbNewClick();
        typeTitle(QStringLiteral("Half typed"));
        useWeekView();
        QCOMPARE(w->entryState(), EntryState::Idle);
        QVERIFY(!grid()->editorOpen());
        for (int c = 1; c <= 7; ++c) QCOMPARE(grid()->cells(c, rowOf(9, 0)), QString());
        clickCell(2, rowOf(9, 0));
        QVERIFY(dialogs->messages.empty());
        QVERIFY(plans().empty());

        // The same for a date change and a delete.
        child<QComboBox>(*w, "cbSchedule")->setCurrentIndex(0);
        clickCell(1, rowOf(9, 0));
        w->tbNewClick();
        w->setScheduleDate(kToday + 3);
        QCOMPARE(w->entryState(), EntryState::Idle);
        QCOMPARE(grid()->cells(1, rowOf(9, 0)), QString());
        addPlan(at(kToday + 3, 12, 0), "Keep", 1);
        w->cbScheduleChange();
        clickCell(1, rowOf(12, 0));
        w->tbEditClick();
        drag(1, rowOf(16, 0), 1, rowOf(16, 0));
        typeTitle(QStringLiteral("Changed"));
        clickCell(1, rowOf(12, 0));  // ends the edit: stored
        QCOMPARE(plans()[0].title, std::string("Changed"));
        clickCell(1, rowOf(16, 0));
        w->tbNewClick();  // on a planned slot: refused, nothing open
        QCOMPARE(dialogs->texts(), QStringList{QStringLiteral("SelectedIntervalConsistsExistingPlan")});
        clickCell(1, rowOf(17, 0));
        w->tbNewClick();
        w->tbDeleteClick();  // on the prompt cell: nothing to delete
        QCOMPARE(dialogs->texts().last(), QStringLiteral("SelectAnyPlan"));
        QCOMPARE(w->entryState(), EntryState::Adding);
        clickCell(1, rowOf(16, 0));
        w->tbDeleteClick();
        QCOMPARE(w->entryState(), EntryState::Idle);
        QVERIFY(plans().empty());
        QCOMPARE(grid()->cells(1, rowOf(17, 0)), QString());
    }

    void weekViewWednesdayPlanMovedToFridaySlotsStaysOnWednesday() {
        useWeekView();  // 7 to 13 December 2026, Monday first
        const int wed = 3, fri = 5;
        drag(wed, rowOf(9, 0), wed, rowOf(9, 30));
        QCOMPARE(child<QDateEdit>(*w, "dtpSchedule")->date(), QDate(2026, 12, 9));
        w->tbNewClick();
        typeTitle(QStringLiteral("Review"));
        clickCell(wed, rowOf(18, 0));
        QCOMPARE(plans().size(), std::size_t{1});
        QCOMPARE(plans()[0].showDT, at(encodeDate(2026, 12, 9), 9, 0));
        QCOMPARE(marks(wed, rowOf(9, 0), rowOf(9, 30)), QStringLiteral("13"));

        clickCell(wed, rowOf(9, 30));
        w->tbEditClick();
        drag(fri, rowOf(15, 0), fri, rowOf(15, 0));
        QCOMPARE(editor()->text(), QStringLiteral("Review"));
        clickCell(fri, rowOf(18, 0));
        QCOMPARE(plans().size(), std::size_t{1});
        QCOMPARE(plans()[0].showDT, at(encodeDate(2026, 12, 9), 15, 0));
        QCOMPARE(plans()[0].elapse, std::int64_t{1});
        QCOMPARE(grid()->objects(wed, rowOf(15, 0)), int(smOnly));
        QCOMPARE(grid()->objects(fri, rowOf(15, 0)), int(smFree));
        // A date inside the shown week changes nothing else.
        const double weekStart = w->weekStart();
        w->setScheduleDate(encodeDate(2026, 12, 12));
        QCOMPARE(w->weekStart(), weekStart);
        QCOMPARE(grid()->objects(wed, rowOf(15, 0)), int(smOnly));
    }

    void dayViewAfterWeekViewShowsThePickedDate() {
        addPlan(at(kToday + 1, 10, 0), "Friday plan", 1);
        useWeekView();
        child<QComboBox>(*w, "cbSchedule")->setCurrentIndex(0);
        QCOMPARE(grid()->objects(1, rowOf(10, 0)), int(smFree));
        w->setScheduleDate(kToday + 1);
        QCOMPARE(grid()->objects(1, rowOf(10, 0)), int(smOnly));
        QCOMPARE(grid()->cells(1, rowOf(10, 0)), QStringLiteral("Friday plan"));
    }

    // The window opens on the first plan of the day (the week in the week
    // view), or on 08:00 when there is none, whatever the time: that row is
    // current and the top row in view; a plan there is selected. Plans
    // stored while it was hidden are shown.
    void opensOnTheFirstPlanOrAtEight_data() {
        QTest::addColumn<bool>("week");
        QTest::addColumn<int>("planMinute");  // -1: no plan that day
        QTest::addColumn<int>("row");
        QTest::newRow("no plan") << false << -1 << rowOf(8, 0);
        QTest::newRow("09:00") << false << 9 * 60 << rowOf(9, 0);
        QTest::newRow("06:30") << false << 6 * 60 + 30 << rowOf(6, 30);
        QTest::newRow("22:00") << false << 22 * 60 << rowOf(22, 0);
        QTest::newRow("week 07:00") << true << 7 * 60 << rowOf(7, 0);
    }
    void opensOnTheFirstPlanOrAtEight() {
        QFETCH(bool, week);
        QFETCH(int, planMinute);
        QFETCH(int, row);
        w->hide();
        if (week) useWeekView();
        if (planMinute >= 0) addPlan(kToday + (week ? 1 : 0) + planMinute / 1440.0, "Plan", 2);
        if (planMinute >= 0) addPlan(at(kToday + (week ? 1 : 0), 23, 30), "Late", 1);  // not the first
        clock->get().setNow(at(kToday, 1, 0));                                         // at 01:00 as well
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(grid()->gridRow(), row);
        // The top row in view, unless the grid cannot scroll that far.
        const QScrollBar* bar = grid()->verticalScrollBar();
        QVERIFY(grid()->indexAt(QPoint(2, 2)).row() + 1 == row || bar->value() == bar->maximum());
        QVERIFY(grid()->viewport()->rect().contains(grid()->cellRect(1, row)));
        const bool planThere = !week && planMinute >= 0 && rowOf(planMinute / 60, planMinute % 60) == row;
        QCOMPARE(w->selStartRow(), planThere ? row : -1);
    }

    // The week view marks today's column (tinted, bold heading) and names
    // each day's weekday where the column has room.
    void weekViewMarksTodayAndNamesWeekdays() {
        useWeekView();
        // The background of a free cell of each day's column.
        const auto backgrounds = [this] {
            grid()->setSelectionRect({});
            grid()->scrollTo(grid()->model()->index(rowOf(3, 0) - 1, 1));
            const QImage image = grid()->viewport()->grab().toImage();
            QList<QRgb> out;
            for (int c = 1; c <= 7; ++c) {
                const QRect cell = grid()->cellRect(c, rowOf(3, 0));
                out << image.pixel(cell.right() - 2, cell.center().y());
            }
            return out;
        };
        QList<QRgb> shown = backgrounds();
        for (int c = 1; c <= 7; ++c) QCOMPARE(shown[c - 1] != shown[0], c == 4);  // Thursday, weeks from Monday
        for (int c = 1; c <= 7; ++c) {
            const QDate day = QDate(2026, 12, 7).addDays(c - 1);
            const QString heading = grid()->cells(c, 0);
            QVERIFY2(heading.startsWith(QLocale::system().dayName(day.dayOfWeek(), QLocale::ShortFormat)),
                     qPrintable(heading));
            QFont f = grid()->horizontalHeader()->font();
            f.setBold(c == 4);
            QVERIFY2(QFontMetrics(f).horizontalAdvance(heading) <= grid()->colWidth(c) - 4, qPrintable(heading));
            QCOMPARE(grid()->horizontalHeaderItem(c)->font().bold(), c == 4);
        }
        // Another week: no column marked.
        child<QDateEdit>(*w, "dtpSchedule")->setDate(QDate(2026, 12, 20));
        shown = backgrounds();
        for (int c = 2; c <= 7; ++c) QCOMPARE(shown[c - 1], shown[0]);
    }

    void theDayQueryUsesTheShowDTIndex() {
        std::vector<std::string> statements;
        sqlite3* db = DataModule1->connTAMO.handle();
        sqlite3_trace_v2(
            db, SQLITE_TRACE_STMT,
            [](unsigned, void* ctx, void* p, void*) {
                static_cast<std::vector<std::string>*>(ctx)->push_back(sqlite3_sql(static_cast<sqlite3_stmt*>(p)));
                return 0;
            },
            &statements);
        DataModule1->plans().plansOfDay(kToday);
        sqlite3_trace_v2(db, 0, nullptr, nullptr);
        QCOMPARE(statements.size(), std::size_t{1});
        sqlite3_stmt* stmt = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + statements[0]).c_str(), -1, &stmt, nullptr),
                 SQLITE_OK);
        QString plan;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            plan += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3))) + QLatin1Char('\n');
        sqlite3_finalize(stmt);
        QVERIFY2(plan.contains(QRegularExpression(
                     QStringLiteral("SEARCH ToDo USING INDEX \\w+ \\(.*ShowDT>\\? AND ShowDT<\\?\\)"))),
                 qPrintable(plan));
        QVERIFY2(!plan.contains(QStringLiteral("SCAN ToDo")), qPrintable(plan));
    }

    void aDatabaseErrorIsShownAndChangesNothing() {
        ostrel::testing::execSql(dir->path() / "Tamo.qdb", "DROP TABLE Halfhours;");
        child<QComboBox>(*w, "cbSchedule")->setCurrentIndex(1);  // the rebuild fails inside the handler
        QCOMPARE(dialogs->messages.size(), std::size_t{1});
        QVERIFY(dialogs->messages[0].text.contains(QStringLiteral("Halfhours")));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestSchedule t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_schedule.moc"
