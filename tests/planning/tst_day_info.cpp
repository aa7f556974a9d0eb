// The day-info panel through the real window: a fixture database, a fake
// clock, the real clock window for the hover path.

#include <QHeaderView>
#include <QTextCharFormat>
#include <QtTest>

#include "app/forms.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "clock/clock_window.h"
#include "clock/day_info_link.h"
#include "clock_env.h"
#include "data/data_module.h"
#include "data/contact_store.h"
#include "data/holiday_store.h"
#include "data/month_marks_store.h"
#include "data/plan_store.h"
#include "drawn_texts.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "planning/day_info.h"
#include "planning/schedule_window.h"
#include "recording_dialogs.h"
#include "ui/app_commands.h"
#include "ui/languages.h"
#include "ui/locale_format.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;

namespace {

// Thursday 10 December 2026.
const double kToday = encodeDate(2026, 12, 10);

double at(double day, int hour, int minute) { return combineDateTime(day, (hour * 60 + minute) / 1440.0); }

}  // namespace

class TestDayInfo : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ostrel::testing::TempDir> dir;
    std::unique_ptr<ScopedFakeClock> clock;
    std::unique_ptr<RecordingDialogs> dialogs;
    TfrmDayInfo* p = nullptr;

    void sql(const std::string& s) { ostrel::testing::execSql(dir->path() / "Tamo.qdb", s); }
    void addTask(double showDT, const char* title, int mesType = 0) {
        sql("INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, PeriodInt, PeriodType, ElapseInt, ElapseType) VALUES "
            "(" +
            std::to_string(mesType) + ", " + std::to_string(showDT) + ", " + std::to_string(showDT) + ", '" + title +
            "', 0, 0, 1, 2);");
    }
    void addTaskExact(double showDT, const char* title) {
        DataModule1->plans();  // the connection is open
        sql::Query q(DataModule1->connTAMO);
        q.add("INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, PeriodInt, PeriodType, ElapseInt, ElapseType)");
        q.add("VALUES (0, :T, :T2, :Title, 0, 0, 1, 2)");
        q.param("T", sql::ParamType::DateTime, showDT);
        q.param("T2", sql::ParamType::DateTime, showDT);
        q.param("Title", sql::ParamType::Text, std::string(title));
        q.exec();
    }
    void addHoliday(int y, int m, int d, const char* title) {
        sql::Query q(DataModule1->connTAMO);
        q.add("INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, PeriodInt, PeriodType, ElapseInt, ElapseType)");
        q.add("VALUES (2, :F, :F2, :Title, 1, 6, 0, 3)");
        q.param("F", sql::ParamType::DateTime, encodeDate(y, m, d));
        q.param("F2", sql::ParamType::DateTime, encodeDate(y, m, d));
        q.param("Title", sql::ParamType::Text, std::string(title));
        q.exec();
    }
    void pick(int y, int m, int d) {
        child<QCalendarWidget>(*p, "MonthCalendar")->setSelectedDate(QDate(y, m, d));
        p->MonthCalendarNumberClick(QDate(y, m, d));
    }
    QStringList column(StringGrid* g, int col) {
        QStringList out;
        for (int r = 0; r < g->gridRowCount(); ++r) out << g->cells(col, r);
        return out;
    }
    void reshow() {
        p->hidePanel();
        p->showPanel();
    }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel dayinfo");
        ostrel::testing::createOrganizerDatabase(dir->path() / "Tamo.qdb");
        clock = std::make_unique<ScopedFakeClock>(at(kToday, 8, 0));
        dialogs = std::make_unique<RecordingDialogs>();
        DataModule1 = new TDataModule1(QString::fromStdString((dir->path() / "Tamo.qdb").string()));
        frmDayInfo = new TfrmDayInfo(DataModule1->tasks(), DataModule1->plans(), DataModule1->holidays());
        p = frmDayInfo;
    }
    void cleanup() {
        SetCurrentLanguage(QStringLiteral("English"));
        setExeDirForTesting({});
        p = nullptr;
        setCommandHandler({});
        ostrel::testing::destroyGlobal(frmDayInfo);
        ostrel::testing::destroyGlobal(DataModule1);
        dialogs.reset();
        clock.reset();
        dir.reset();
    }

    // Birthdays from the address book in the holiday section with the age,
    // the month's marks, both following each change of the contacts at
    // once; "Today"; a double click asks for a new task on that day.
    void birthdaysMarksTodayAndADoubleClick() {
        setExeDirForTesting(QStringLiteral(OSTREL_SOURCE_DIR));
        SetCurrentLanguage(QStringLiteral("English"));
        p->setCalendarSources(new MonthMarksStore(DataModule1->connTAMO, p), &DataModule1->contacts());
        auto* calendar = child<QCalendarWidget>(*p, "MonthCalendar");
        const QDate today(2026, 12, 10);
        p->showPanel();
        QCOMPARE(calendar->dateTextFormat(today).fontWeight(), int(QFont::Normal));

        ContactRow ann;
        ann.FirstName = QStringLiteral("Ann");
        ann.LastName = QStringLiteral("Smith");
        ann.Birthday = encodeDate(1990, 12, 10);
        const auto id = DataModule1->contacts().insertContact(ann);
        ContactRow leap;
        leap.FirstName = QStringLiteral("Leo");
        leap.Birthday = encodeDate(2000, 2, 29);
        DataModule1->contacts().insertContact(leap);
        DataModule1->holidays().insertHoliday(HolidayRow{0, encodeDate(2000, 12, 10), QStringLiteral("Feast"), 1, QString()});
        QCOMPARE(column(child<StringGrid>(*p, "sgHolidays"), 0),
                 (QStringList{QStringLiteral("Feast"), QStringLiteral("Birthday: Ann Smith (36)")}));
        QCOMPARE(calendar->dateTextFormat(today).fontWeight(), int(QFont::Bold));
        QVERIFY(calendar->dateTextFormat(today).fontUnderline());
        QCOMPARE(calendar->dateTextFormat(today.addDays(1)).fontWeight(), int(QFont::Normal));

        ann.Birthday = encodeDate(1990, 12, 11);
        DataModule1->contacts().updateContact(id, ann);
        QCOMPARE(column(child<StringGrid>(*p, "sgHolidays"), 0), QStringList{QStringLiteral("Feast")});
        QCOMPARE(calendar->dateTextFormat(today.addDays(1)).fontWeight(), int(QFont::Bold));

        // February 2027 has no 29th: the birthday is on the 28th.
        calendar->setSelectedDate(QDate(2027, 2, 28));
        p->MonthCalendarNumberClick(QDate(2027, 2, 28));
        QCOMPARE(column(child<StringGrid>(*p, "sgHolidays"), 0), QStringList{QStringLiteral("Birthday: Leo (27)")});
        QCOMPARE(calendar->dateTextFormat(QDate(2027, 2, 28)).fontWeight(), int(QFont::Bold));

        child<QToolButton>(*calendar, "btToday")->click();
        QCOMPARE(calendar->selectedDate(), today);
        QCOMPARE(calendar->monthShown(), 12);
        QCOMPARE(p->ShownDay, kToday);

        QList<double> asked;
        setNewTaskOnHandler([&asked](double day) { asked << day; });
        emit calendar->activated(QDate(2026, 12, 24));
        setNewTaskOnHandler({});
        QCOMPARE(asked, QList<double>{encodeDate(2026, 12, 24)});
    }

    void anEmptyDayAndTheHeightArithmetic() {
        p->showPanel();
        QVERIFY(p->isVisible());
        QCOMPARE(p->property("helpContext").toInt(), 3);
        QCOMPARE(p->width(), 195);
        QCOMPARE(column(child<StringGrid>(*p, "sgToDo"), 0), QStringList{QString()});
        QCOMPARE(column(child<StringGrid>(*p, "sgToDo"), 1), QStringList{QStringLiteral("ListIsEpmty")});
        QCOMPARE(column(child<StringGrid>(*p, "sgHolidays"), 0), QStringList{QStringLiteral("ListIsEpmty")});
        QCOMPARE(child<DaySection>(*p, "plToDo")->height(), 41);
        QCOMPARE(child<DaySection>(*p, "plSchedule")->height(), 177);
        QCOMPARE(child<DaySection>(*p, "plHolidays")->height(), 41);
        QCOMPARE(child<QCalendarWidget>(*p, "MonthCalendar")->size(), QSize(190, 136));
        QCOMPARE(p->frameGeometry().height(), 438);
        QCOMPARE(p->windowTitle(), QLocale::system().toString(QDate(2026, 12, 10), longDateFormat()));

        addTask(at(kToday, 9, 0), "One");
        addTask(at(kToday, 11, 0), "Two");
        addTask(at(kToday, 12, 0), "Three", 10);
        addTask(at(kToday + 1, 0, 0), "Tomorrow");
        addTask(at(kToday, 13, 0), "Plan, not a task", 1);
        reshow();
        QCOMPARE(column(child<StringGrid>(*p, "sgToDo"), 1), (QStringList{"One", "Two", "Three"}));
        QCOMPARE(child<StringGrid>(*p, "sgToDo")->cells(0, 0), formatLongTime(at(kToday, 9, 0)));
        QCOMPARE(child<DaySection>(*p, "plToDo")->height(), 73);
        QCOMPARE(p->frameGeometry().height(), 73 + 177 + 41 + 136 + 43);
    }

    // Titles too long for the panel end in "…" (tasks, plans, holidays);
    // short ones show whole.
    void longTitlesEndInAnEllipsis() {
        addTask(at(kToday, 9, 0), "Short");
        addTask(at(kToday, 10, 0), "Prepare the quarterly report for the board meeting next week");
        DataModule1->plans().insertPlan(QStringLiteral("Planning session with the whole department team"),
                                        at(kToday, 8, 0), 2);
        addHoliday(2026, 12, 10, "International day of a holiday with a very long name indeed");
        p->showPanel();
        QVERIFY(QTest::qWaitForWindowExposed(p));
        for (const char* name : {"sgToDo", "sgSchedule", "sgHolidays"}) {
            ostrel::testing::DrawnTexts drawn;
            child<StringGrid>(*p, name)->viewport()->render(&drawn);
            const QStringList titles =
                drawn.texts.filter(QRegularExpression(QStringLiteral("^(Prepare|Planning|International|Short)")));
            QVERIFY2(!titles.isEmpty(), name);
            for (const QString& t : titles)
                QVERIFY2(t == QLatin1String("Short") || t.endsWith(QChar(0x2026)), qPrintable(t));
        }
    }

    void pastTasksAreStruckThrough() {
        addTaskExact(at(kToday, 9, 0), "Nine");
        addTaskExact(at(kToday - 1, 23, 0), "Yesterday");
        addTaskExact(at(kToday + 1, 1, 0), "Tomorrow");
        clock->get().setNow(at(kToday, 8, 59) + 59.0 / 86400);
        p->showPanel();
        QVERIFY(!p->taskPast(0));
        clock->get().setNow(at(kToday, 9, 0));
        QVERIFY(p->taskPast(0));
        pick(2026, 12, 9);
        QCOMPARE(child<StringGrid>(*p, "sgToDo")->cells(1, 0), QStringLiteral("Yesterday"));
        QVERIFY(p->taskPast(0));
        pick(2026, 12, 11);
        QCOMPARE(child<StringGrid>(*p, "sgToDo")->cells(1, 0), QStringLiteral("Tomorrow"));
        QVERIFY(!p->taskPast(0));
        pick(2026, 12, 12);
        QVERIFY(!p->taskPast(0));  // "ListIsEpmty" has no time

        // Drawn: a line through the struck time, none through a later one.
        pick(2026, 12, 10);
        const QImage img = child<StringGrid>(*p, "sgToDo")->viewport()->grab().toImage();
        const QRect cell = child<StringGrid>(*p, "sgToDo")->cellRect(0, 0);
        const int y = cell.bottom() + 1 - 2 - QFontMetrics(child<StringGrid>(*p, "sgToDo")->font()).height() / 2;
        int dark = 0;
        for (int x = cell.left() + 2; x < cell.left() + 20; ++x) dark += qGray(img.pixel(x, y)) < 100 ? 1 : 0;
        QVERIFY(dark >= 15);
    }

    void holidaysOfTheDayWhateverTheirYear_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QStringList>("titles");
        const QStringList none{QStringLiteral("ListIsEpmty")};
        QTest::newRow("25 December 2026") << QDate(2026, 12, 25) << QStringList{"Christmas"};
        QTest::newRow("25 December 2031") << QDate(2031, 12, 25) << QStringList{"Christmas"};
        QTest::newRow("24 December") << QDate(2026, 12, 24) << none;
        QTest::newRow("28 February, leap year") << QDate(2028, 2, 28) << QStringList{"End of February"};
        QTest::newRow("29 February") << QDate(2028, 2, 29) << none;
        QTest::newRow("1 March") << QDate(2027, 3, 1) << none;
    }
    void holidaysOfTheDayWhateverTheirYear() {
        QFETCH(QDate, day);
        QFETCH(QStringList, titles);
        addHoliday(1990, 12, 25, "Christmas");
        addHoliday(2027, 2, 28, "End of February");
        p->showPanel();
        pick(day.year(), day.month(), day.day());
        QCOMPARE(column(child<StringGrid>(*p, "sgHolidays"), 0), titles);
    }

    void plansWithTheirBoxesAndTimes() {
        DataModule1->plans().insertPlan(QStringLiteral("Meeting"), at(kToday, 10, 0), 3);
        clock->get().setNow(at(kToday, 10, 40));
        p->showPanel();
        QCOMPARE(p->SlotMarks[19], std::uint8_t{0});
        QCOMPARE(p->SlotMarks[20], std::uint8_t{1});
        QCOMPARE(p->SlotMarks[21], std::uint8_t{2});
        QCOMPARE(p->SlotMarks[22], std::uint8_t{3});
        // Every slot's time in one form, the locale's short one.
        const QLocale l = QLocale::system();
        QCOMPARE(child<StringGrid>(*p, "sgSchedule")->cells(0, 20), l.toString(QTime(10, 0), shortTimeFormat()));
        QCOMPARE(child<StringGrid>(*p, "sgSchedule")->cells(0, 21), l.toString(QTime(10, 30), shortTimeFormat()));
        QCOMPARE(child<StringGrid>(*p, "sgSchedule")->cells(0, 22), l.toString(QTime(11, 0), shortTimeFormat()));
        QCOMPARE(child<StringGrid>(*p, "sgSchedule")->cells(0, 23), l.toString(QTime(11, 30), shortTimeFormat()));
        QCOMPARE(child<StringGrid>(*p, "sgSchedule")->cells(1, 20), QStringLiteral("Meeting"));
        QCOMPARE(child<StringGrid>(*p, "sgSchedule")->cells(1, 21), QString());
        // The present half hour is current, with rows after it in view.
        QCOMPARE(child<StringGrid>(*p, "sgSchedule")->gridRow(), 21);
        QVERIFY(child<StringGrid>(*p, "sgSchedule")
                    ->viewport()
                    ->rect()
                    .contains(child<StringGrid>(*p, "sgSchedule")->cellRect(0, 21)));
    }

    void clickingTheShownDayDoesNothing() {
        p->showPanel();
        const QString caption = p->windowTitle();
        addTask(at(kToday, 15, 0), "Added later");
        pick(2026, 12, 10);
        QCOMPARE(p->windowTitle(), caption);
        QCOMPARE(child<StringGrid>(*p, "sgToDo")->cells(1, 0), QStringLiteral("ListIsEpmty"));
        pick(2026, 12, 11);
        QCOMPARE(p->windowTitle(), QLocale::system().toString(QDate(2026, 12, 11), longDateFormat()));
        QCOMPARE(p->ShownDay, kToday + 1);
        pick(2026, 12, 10);
        QCOMPARE(child<StringGrid>(*p, "sgToDo")->cells(1, 0), QStringLiteral("Added later"));
        // Every showing starts at today.
        reshow();
        QCOMPARE(p->ShownDay, kToday);
        QCOMPARE(child<QCalendarWidget>(*p, "MonthCalendar")->selectedDate(), QDate(2026, 12, 10));
    }

    void collapseAndExpandAfterABusierDay() {
        p->showPanel();
        const int full = p->frameGeometry().height();
        QTest::mouseClick(child<QToolButton>(*p, "sbToDo"), Qt::LeftButton);
        QCOMPARE(child<DaySection>(*p, "plToDo")->height(), 16);
        QCOMPARE(p->frameGeometry().height(), full - 25);
        QVERIFY(!child<StringGrid>(*p, "sgToDo")->isVisible());
        for (int i = 0; i < 3; ++i) addTask(at(kToday + 1, 9 + i, 0), "Busy");
        pick(2026, 12, 11);
        QCOMPARE(child<DaySection>(*p, "plToDo")->height(), 16);  // stays collapsed
        QTest::mouseClick(child<QToolButton>(*p, "sbToDo"), Qt::LeftButton);
        QCOMPARE(child<DaySection>(*p, "plToDo")->height(), 73);
        QVERIFY(child<StringGrid>(*p, "sgToDo")->isVisible());
        // The plans section keeps its own expanded height.
        QTest::mouseClick(child<QToolButton>(*p, "sbSchedule"), Qt::LeftButton);
        QCOMPARE(child<DaySection>(*p, "plSchedule")->height(), 16);
        reshow();
        QCOMPARE(child<DaySection>(*p, "plSchedule")->height(), 16);
        QTest::mouseClick(child<QToolButton>(*p, "sbSchedule"), Qt::LeftButton);
        QCOMPARE(child<DaySection>(*p, "plSchedule")->height(), 177);
    }

    // Beside the notification-area icon: off the panel that holds it, the
    // panel's outer size 195 x 438 on a 1280 x 1024 screen.
    void besideTheIcon_data() {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<QPoint>("expected");
        const QRect screen(0, 0, 1280, 1024);
        QTest::newRow("top right: below") << QRect(1250, 3, 22, 22) << screen << QPoint(1272 - 195, 25 + 7);
        QTest::newRow("bottom right: above") << QRect(1250, 999, 22, 22) << screen << QPoint(1077, 999 - 7 - 438);
        QTest::newRow("top left: within the screen") << QRect(4, 3, 22, 22) << screen << QPoint(0, 32);
        // A panel that keeps more room than the icon's gap: never into it.
        QTest::newRow("top, thick panel") << QRect(1250, 3, 22, 22) << QRect(0, 48, 1280, 976) << QPoint(1077, 48);
        QTest::newRow("bottom, thick panel")
            << QRect(1250, 999, 22, 22) << QRect(0, 0, 1280, 964) << QPoint(1077, 964 - 438);
        QTest::newRow("left panel, low") << QRect(3, 900, 22, 22) << screen << QPoint(25 + 7, 922 - 438);
        QTest::newRow("right panel, high") << QRect(1255, 100, 22, 22) << screen << QPoint(1255 - 7 - 195, 100);
        // The point of a click, where the area does not tell the icon's place.
        QTest::newRow("a click at the top") << QRect(1200, 10, 1, 1) << screen << QPoint(1201 - 195, 18);
    }
    void besideTheIcon() {
        QFETCH(QRect, icon);
        QFETCH(QRect, workArea);
        QFETCH(QPoint, expected);
        QCOMPARE(dayInfoPosition(DayInfoPlace::BesideIcon, QRect(0, 0, 1280, 1024), icon, QSize(195, 438), workArea),
                 expected);
        // The window itself goes there.
        p->placeMode = [] { return DayInfoPlace::BesideIcon; };
        p->clockFrame = [icon] { return icon; };
        if (workArea == QRect(0, 0, 1280, 1024)) {
            p->showPanel();
            // Placed by its right edge (all but the rows at the left edge of
            // the screen), the frame's width counts.
            if (expected.x() > 100) expected.rx() -= p->frameGeometry().width() - 195;
            QCOMPARE(p->frameGeometry().topLeft(), expected);
        }
    }

    // Without a window manager there is no title bar: the date it would
    // show stands at the panel's top, in room the frame leaves unused, so
    // the panel keeps its outer size.
    void theDateShowsWhereNoTitleBarDoes() {
        bool framed = true;
        p->framedByWindowManager = [&] { return framed; };
        auto* date = child<QLabel>(*p, "lbDate");
        p->showPanel();
        QVERIFY(!date->isVisible());
        QCOMPARE(child<DaySection>(*p, "plToDo")->y(), 0);
        const int outer = p->frameGeometry().height();

        framed = false;
        reshow();
        const QString today = QLocale::system().toString(QDate(2026, 12, 10), longDateFormat());
        QVERIFY(date->isVisible());
        QCOMPARE(date->text(), today);
        QCOMPARE(p->windowTitle(), today);
        QVERIFY(date->geometry().bottom() < child<DaySection>(*p, "plToDo")->y());
        QCOMPARE(p->frameGeometry().height(), outer);
        // The sections still end above the calendar.
        QVERIFY(child<DaySection>(*p, "plHolidays")->geometry().bottom() <
                child<QCalendarWidget>(*p, "MonthCalendar")->y());
        // Another day picked: its date.
        pick(2026, 12, 24);
        QCOMPARE(date->text(), QLocale::system().toString(QDate(2026, 12, 24), longDateFormat()));

        framed = true;
        reshow();
        QVERIFY(!date->isVisible());
        QCOMPARE(child<DaySection>(*p, "plToDo")->y(), 0);
    }

    void placement_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QRect>("clock");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("icon") << int(vmSysTrayIcon) << QRect(0, 0, 1, 1) << QPoint(1280 - 195, 1024 - 438 - 30);
        QTest::newRow("taskbar") << int(vmSysTrayClock) << QRect(1200, 1000, 80, 24) << QPoint(1085, 556);
        QTest::newRow("floating, above") << int(vmFreeClock) << QRect(900, 600, 100, 30) << QPoint(805, 155);
        QTest::newRow("floating at the top, below") << int(vmFreeClock) << QRect(900, 10, 100, 30) << QPoint(805, 47);
        QTest::newRow("analog at the left") << int(vmAnalogClock) << QRect(20, 700, 97, 97) << QPoint(20, 255);
    }
    void placement() {
        QFETCH(int, mode);
        QFETCH(QRect, clock);
        QFETCH(QPoint, expected);
        p->placeMode = [mode] {
            return mode == vmFreeClock || mode == vmAnalogClock ? DayInfoPlace::BesideClock
                                                                : DayInfoPlace::ScreenCorner;
        };
        p->clockFrame = [clock] { return clock; };
        p->showPanel();
        // Right edges line up: the frame's width counts.
        if (expected.x() != clock.x()) expected.rx() -= p->frameGeometry().width() - 195;
        QCOMPARE(p->frameGeometry().topLeft(), expected);
    }

    void hidingTimers() {
        p->showPanel();
        p->startHideTimer(1500);  // the pointer left the clock
        QVERIFY(child<QTimer>(*p, "tmrHide")->isActive());
        QCOMPARE(child<QTimer>(*p, "tmrHide")->interval(), 1500);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(p, &enter);
        QVERIFY(!child<QTimer>(*p, "tmrHide")->isActive());
        // Leaving onto one of its own controls: still over the panel.
        QPoint cursor = p->frameGeometry().center();
        p->cursorPos = [&] { return cursor; };
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(p, &leave);
        QVERIFY(!child<QTimer>(*p, "tmrHide")->isActive());
        cursor = p->frameGeometry().topLeft() + QPoint(p->frameGeometry().width(), 0);  // the edge counts as inside
        QApplication::sendEvent(p, &leave);
        QVERIFY(!child<QTimer>(*p, "tmrHide")->isActive());
        cursor = p->frameGeometry().topLeft() - QPoint(1, 0);
        QApplication::sendEvent(p, &leave);
        QVERIFY(child<QTimer>(*p, "tmrHide")->isActive());
        QCOMPARE(child<QTimer>(*p, "tmrHide")->interval(), 170);
        p->tmrHideTimer();
        QVERIFY(!p->isVisible());
        QVERIFY(!child<QTimer>(*p, "tmrHide")->isActive());
    }

    void doubleClicksOpenTheWindowsBehind() {
        std::vector<AppCommand> commands;
        setCommandHandler([&](AppCommand c) { commands.push_back(c); });
        p->showPanel();
        auto dclick = [](StringGrid* g, int col, int row) {
            const QPoint pos = g->cellRect(col, row).center();
            QTest::mousePress(g->viewport(), Qt::LeftButton, {}, pos);
            QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, pos);
            QMouseEvent dbl(QEvent::MouseButtonDblClick, pos, g->viewport()->mapToGlobal(pos), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(g->viewport(), &dbl);
            QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, pos);
        };
        dclick(child<StringGrid>(*p, "sgToDo"), 1, 0);
        dclick(child<StringGrid>(*p, "sgSchedule"), 1, child<StringGrid>(*p, "sgSchedule")->gridRow());
        dclick(child<StringGrid>(*p, "sgHolidays"), 0, 0);
        QCOMPARE(commands, (std::vector<AppCommand>{AppCommand::ShowToDoList, AppCommand::ShowSchedule,
                                                    AppCommand::ShowHolidayList}));
    }

    void theClockShowsAndHidesThePanel() {
        ostrel::testing::ClockEnv env;
        TfrmClock frm;
        struct Link : DayInfoPanel {
            TfrmDayInfo* p;
            explicit Link(TfrmDayInfo* panel) : p(panel) {}
            void showPanel() override { p->showPanel(); }
            void hidePanel() override { p->hidePanel(); }
            bool panelVisible() const override { return p->panelVisible(); }
            void startHideTimer(int ms) override { p->startHideTimer(ms); }
        } link(p);
        frm.setDayInfoPanel(&link);
        frm.leftButtonDown = [] { return false; };
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&frm, &enter);
        frm.tmrDayInfoShowTimer();
        QVERIFY(p->isVisible());
        QCOMPARE(p->ShownDay, kToday);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&frm, &leave);
        QCOMPARE(child<QTimer>(*p, "tmrHide")->interval(), 1500);
        QVERIFY(child<QTimer>(*p, "tmrHide")->isActive());
        frm.pmClockMenuPopup();
        QVERIFY(!p->isVisible());
        frm.spTrayIcon1Click();
        QVERIFY(p->isVisible());
        frm.setDayInfoPanel(nullptr);
    }

    // Run again by ctest in a 12-hour (en_US) and a Russian locale: the
    // panel's and the schedule's time columns hold every slot's time whole
    // and next to the plan frame's line, the column titles whole, and the
    // panel keeps its width.
    void timeColumnsFitTheirTimes() {
        DataModule1->plans().insertPlan(QStringLiteral("Meeting"), at(kToday, 22, 30), 3);
        p->showPanel();
        StringGrid* g = child<StringGrid>(*p, "sgSchedule");
        QCOMPARE(p->width(), 195);
        QCOMPARE(g->colWidth(0) + g->colWidth(1), std::min(189, g->viewport()->width()));
        const QFontMetrics fm(g->font());
        for (int r = 0; r < 48; ++r) {
            const QString t = g->cells(0, r);
            QCOMPARE(t, QLocale::system().toString(QTime(r / 2, r % 2 * 30), shortTimeFormat()));
            const int inked = std::max(fm.horizontalAdvance(t), fm.boundingRect(t).right() + 1);
            QVERIFY2(inked + g->textLeftInset() + g->textRightInset() <= g->colWidth(0), qPrintable(t));
        }
        // The frame's 3-pixel line lies left of the text.
        QVERIFY(g->textLeftInset() >= 4);

        TfrmSchedule schedule(DataModule1->plans());
        for (const QString& language : {QStringLiteral("English"), QStringLiteral("Russian")}) {
            setExeDirForTesting(QStringLiteral(OSTREL_SOURCE_DIR));
            SetCurrentLanguage(language);
            TranslateForm(&schedule);
            emit languageNotifier().languageApplied();
            StringGrid* s = child<StringGrid>(schedule, "sgSchedule");
            QCOMPARE(s->cells(1, 0),
                     language == QLatin1String("English") ? QStringLiteral("Plan") : QStringLiteral("План"));
            const QFontMetrics header(s->horizontalHeader()->font());
            QVERIFY2(header.horizontalAdvance(s->cells(0, 0)) + 4 <= s->colWidth(0), qPrintable(s->cells(0, 0)));
            const QFontMetrics cell(s->font());
            for (int r = 1; r <= 48; ++r)
                QVERIFY2(cell.horizontalAdvance(s->cells(0, r)) + 4 <= s->colWidth(0), qPrintable(s->cells(0, r)));
            QVERIFY(s->textLeftInset() >= 4);
        }
        SetCurrentLanguage(QStringLiteral("English"));
        setExeDirForTesting({});
    }

    // The empty to-do line sits in the title column; a language whose words
    // do not fit there spans the time column too, and a day with tasks
    // has no span left over.
    void theEmptyLineIsShownWholeInEveryLanguage() {
        setExeDirForTesting(QStringLiteral(OSTREL_SOURCE_DIR));
        StringGrid* g = child<StringGrid>(*p, "sgToDo");
        for (const QString& language : {QStringLiteral("English"), QStringLiteral("Russian")}) {
            SetCurrentLanguage(language);
            p->showPanel();
            const QString empty = GetLangMessage(QStringLiteral("ListIsEpmty"));
            const int col = g->cells(1, 0).isEmpty() ? 0 : 1;
            QCOMPARE(g->cells(col, 0), empty);
            const QRect cell = g->visualRect(g->model()->index(0, col));
            const int shown = std::min(cell.right(), g->viewport()->width() - 1) - cell.left() + 1;
            QVERIFY2(
                QFontMetrics(g->font()).horizontalAdvance(empty) + g->textLeftInset() + g->textRightInset() <= shown,
                qPrintable(language));
            if (language == QLatin1String("English")) QCOMPARE(col, 1);  // as it always was
            p->hidePanel();
        }
        addTaskExact(at(kToday, 9, 0), "Call the bank");
        p->showPanel();
        QCOMPARE(g->columnSpan(0, 0), 1);
        QCOMPARE(g->cells(1, 0), QStringLiteral("Call the bank"));
        SetCurrentLanguage(QStringLiteral("English"));
        setExeDirForTesting({});
    }

    // Both windows in English and Russian on the screen, for a person to look
    // at: OSTREL_SCREENSHOT_DIR=dir xvfb-run ... tst_day_info screenshots
    void screenshots() {
        const QString out = qEnvironmentVariable("OSTREL_SCREENSHOT_DIR");
        if (out.isEmpty()) QSKIP("set OSTREL_SCREENSHOT_DIR to take screenshots");
        QFile skin(QStringLiteral(OSTREL_SOURCE_DIR "/skins/ostrel.skn"));
        skin.open(QIODevice::ReadOnly);
        qApp->setStyleSheet(QString::fromUtf8(skin.readAll()));
        setExeDirForTesting(QStringLiteral(OSTREL_SOURCE_DIR));
        clock->get().setNow(at(kToday, 10, 40));
        addTaskExact(at(kToday, 9, 0), "Call the bank");
        addTaskExact(at(kToday, 17, 30), "Pick up the parcel");
        addHoliday(1990, 12, 10, "Human Rights Day");
        auto& plans = DataModule1->plans();
        plans.insertPlan(QStringLiteral("Team meeting"), at(kToday, 10, 0), 3);
        plans.insertPlan(QStringLiteral("Lunch"), at(kToday, 12, 30), 2);
        plans.insertPlan(QStringLiteral("Review"), at(kToday - 1, 11, 0), 1);
        plans.insertPlan(QStringLiteral("Dentist"), at(kToday + 1, 9, 30), 2);
        frmSchedule = new TfrmSchedule(DataModule1->plans());
        for (const QString& language : {QStringLiteral("English"), QStringLiteral("Russian")}) {
            SetCurrentLanguage(language);
            TranslateForm(p);
            TranslateForm(frmSchedule);
            emit languageNotifier().languageApplied();
            frmSchedule->move(53, 73);
            child<QComboBox>(*frmSchedule, "cbSchedule")->setCurrentIndex(0);
            frmSchedule->show();
            p->showPanel();
            QTest::qWait(600);
            QGuiApplication::primaryScreen()->grabWindow(0).save(out + QStringLiteral("/day-%1.png").arg(language));
            child<QComboBox>(*frmSchedule, "cbSchedule")->setCurrentIndex(1);
            child<StringGrid>(*frmSchedule, "sgSchedule")->setCurrentCell(4, 21);
            QTest::qWait(300);
            QGuiApplication::primaryScreen()->grabWindow(0).save(out + QStringLiteral("/week-%1.png").arg(language));
            frmSchedule->hide();
            p->hidePanel();
        }
        ostrel::testing::destroyGlobal(frmSchedule);
        setExeDirForTesting({});
        SetCurrentLanguage(QStringLiteral("English"));
    }

    void aDatabaseErrorIsShown() {
        sql("DROP TABLE Halfhours;");
        p->showPanel();
        QCOMPARE(dialogs->messages.size(), std::size_t{1});
        QVERIFY(dialogs->messages[0].text.contains(QStringLiteral("Halfhours")));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestDayInfo t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_day_info.moc"
