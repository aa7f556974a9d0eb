#pragma once
// The day-info panel: the tasks, plans and holidays of one day above a
// month calendar on which another day can be picked. The clock shows it
// while the pointer rests on the clock or when the tray icon is clicked.

#include <QCalendarWidget>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include <array>
#include <cstdint>
#include <functional>

#include "core/time/datetime.h"
#include "planning/string_grid.h"

namespace ostrel {

class PlanStore;
class TaskStore;
class HolidayStore;
class ContactStore;
class MonthMarksStore;

// One section: a 15-pixel header strip, the grid, a 7-pixel bottom strip
// and a 2-pixel bevel; collapsed to 16 pixels only the strip shows.
class DaySection : public QWidget {
    Q_OBJECT
public:
    DaySection(QWidget* parent, const char* name, const char* topName, const char* labelName, const char* label,
               const char* buttonName, const char* bottomName, const char* bevelName);
    QWidget* top;
    QLabel* label;
    QToolButton* button;
    StringGrid* grid = nullptr;
    QWidget* bottom;
    QWidget* bevel;
    // The section's height while expanded.
    int expandedHeight = 0;
    void setGrid(StringGrid* g);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();
};

// Where the panel stands, from the clock's view mode.
enum class DayInfoPlace {
    ScreenCorner,  // taskbar clock, or an icon whose place is unknown: the bottom right corner of the screen
    BesideClock,   // floating digital or analog clock: above (or below) the clock
    BesideIcon,    // notification-area icon: beside the icon, off the panel that holds it
};

// The panel's top left corner (frame coordinates). clockFrame is the
// clock's rectangle, or the icon's for BesideIcon; workArea the screen
// less the desktop's panels (the screen when unknown).
QPoint dayInfoPosition(DayInfoPlace place, const QRect& screen, const QRect& clockFrame, const QSize& window,
                       const QRect& workArea = QRect());

class TfrmDayInfo : public QDialog {
    Q_OBJECT
public:
    TfrmDayInfo(TaskStore& tasks, PlanStore& plans, HolidayStore& holidays, QWidget* parent = nullptr);

    DateTime ShownDay = 0.0;
    std::array<std::uint8_t, 48> SlotMarks{};

    // What the application tells the panel about the clock.
    std::function<DayInfoPlace()> placeMode = [] { return DayInfoPlace::ScreenCorner; };
    std::function<QRect()> clockFrame = [] { return QRect(); };
    // The pointer's screen position (tests replace it).
    std::function<QPoint()> cursorPos;
    // Whether a window manager frames the panel, asked on every showing:
    // without one there is no title bar, and the panel shows the date it
    // would have said at its own top (tests replace it).
    std::function<bool()> framedByWindowManager;

    // The outer height the window is given: the sections, the calendar and
    // 43 pixels of frame and margins.
    int panelHeight() const;
    DateTime calendarDate() const;

    // Whether task row's time has come (its time text is struck through).
    bool taskPast(int row) const;

    // The birthdays of the address book in the holiday section, and the
    // calendar's marks of the days that hold something; both follow every
    // change of their stores at once. Without them neither shows.
    void setCalendarSources(MonthMarksStore* marks, ContactStore* contacts);
    // Marks the days of the month shown that hold something (bold; holidays
    // and birthdays also underlined).
    void markMonth(int year, int month);
    // Back to the present day and its month.
    void goToToday();

    void ShowDay();
    void FillDayList(bool tasks);
    void FillDaySchedule();
    void fitScheduleTimeColumn();
    void PlaceDayInfo();
    void sbToDoClick(QToolButton* button);
    void MonthCalendarNumberClick(const QDate& date);
    void tmrHideTimer();
    void CMMouseEnter();
    void CMMouseLeave();

    // What the clock asks of the panel (the application hands these to the
    // clock as its DayInfoPanel).
    void showPanel();
    void hidePanel();
    bool panelVisible() const;
    void startHideTimer(int intervalMs);

protected:
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    DaySection* plToDo;
    DaySection* plSchedule;
    DaySection* plHolidays;
    QToolButton* sbToDo;
    QToolButton* sbSchedule;
    QToolButton* sbHolidays;
    StringGrid* sgToDo;
    StringGrid* sgSchedule;
    StringGrid* sgHolidays;
    QCalendarWidget* MonthCalendar;
    QToolButton* btToday;
    QLabel* lbDate;
    QTimer* tmrHide;

    void FormShow();
    void layoutSections();
    void sgScheduleDrawCell(QPainter& p, const QRect& rect, int col, int row);
    void sgToDoDrawCell(QPainter& p, const QRect& rect, int col, int row);

    TaskStore& tasks_;
    PlanStore& plans_;
    HolidayStore& days_;
    MonthMarksStore* marks_ = nullptr;
    ContactStore* contacts_ = nullptr;
    bool scheduleSelectionNone_ = false;
    int frameExtra_ = 0;
};

}  // namespace ostrel
