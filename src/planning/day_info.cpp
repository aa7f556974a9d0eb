#include "planning/day_info.h"

#include <QBoxLayout>
#include <QCursor>
#include <QTextCharFormat>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QMoveEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>
#include <cmath>

#include "base/language_texts.h"
#include "core/data/birthdays.h"
#include "core/data/plan_layout.h"
#include "core/time/clock_service.h"
#include "data/contact_store.h"
#include "data/holiday_store.h"
#include "data/month_marks_store.h"
#include "data/plan_store.h"
#include "data/task_store.h"
#include "platform/window_frame.h"
#include "platform/window_manager.h"
#include "ui/app_commands.h"
#include "ui/grid_style.h"
#include "ui/guarded.h"
#include "ui/locale_format.h"
#include "ui/tool_icons.h"

namespace ostrel {

namespace {

constexpr int kStrip = 15;
constexpr int kBottom = 7;
constexpr int kBevel = 2;
constexpr int kCollapsed = 16;
constexpr int kRowStep = 16;  // a row and its grid line
constexpr int kClientWidth = 195;
constexpr int kCalendarWidth = 190;
constexpr int kCalendarHeight = 136;
// The date above the sections when no title bar shows it: it takes part of
// the room the title bar leaves unused when there is none.
constexpr int kDateStrip = 18;
// Between the panel and the clock or icon it stands beside.
constexpr int kGap = 7;

// The schedule's text keeps clear of a plan's 3-pixel frame lines.
constexpr int kScheduleTextLeft = 5;
constexpr int kScheduleTextRight = 3;
constexpr int kScheduleTimeWidth = 37;
constexpr int kScheduleTitleWidth = 152;

QDate toQDate(DateTime d) {
    const CivilDate c = decodeDate(d);
    return QDate(c.year, c.month, c.day);
}

StringGrid* makeGrid(QWidget* parent, const char* name, int cols, int rows) {
    auto* g = new StringGrid(0, 0, parent);
    g->setObjectName(QLatin1String(name));
    g->verticalHeader()->setDefaultSectionSize(kRowStep);
    g->setColCount(cols);
    g->setGridRowCount(rows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setFitLastColumn(true);
    g->setFrameShape(QFrame::NoFrame);
    // The parent's colour.
    g->setStyleSheet(QStringLiteral("QTableWidget { background: transparent; border: none; }"));
    g->viewport()->setAutoFillBackground(false);
    // A title too long for the panel ends in "…".
    g->setElideText(true);
    return g;
}

}  // namespace

// ---------------------------------------------------------------- section

DaySection::DaySection(QWidget* parent, const char* name, const char* topName, const char* labelName,
                       const char* labelText, const char* buttonName, const char* bottomName, const char* bevelName)
    : QWidget(parent) {
    setObjectName(QLatin1String(name));
    top = new QWidget(this);
    top->setObjectName(QLatin1String(topName));
    label = new QLabel(QLatin1String(labelText), top);
    label->setObjectName(QLatin1String(labelName));
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: rgb(0, 64, 0);"));
    button = new QToolButton(top);
    button->setObjectName(QLatin1String(buttonName));
    button->setAutoRaise(true);
    button->setIcon(toolIcon(9));
    button->setIconSize(QSize(11, 11));
    button->setFixedSize(13, 13);
    bottom = new QWidget(this);
    bottom->setObjectName(QLatin1String(bottomName));
    bevel = new QFrame(this);
    bevel->setObjectName(QLatin1String(bevelName));
    static_cast<QFrame*>(bevel)->setFrameShape(QFrame::HLine);
    static_cast<QFrame*>(bevel)->setFrameShadow(QFrame::Sunken);
}

void DaySection::setGrid(StringGrid* g) {
    grid = g;
    layoutChildren();
}

void DaySection::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void DaySection::layoutChildren() {
    const int w = width(), h = height();
    top->setGeometry(0, 0, w, kStrip);
    label->setGeometry(4, 0, w - 4 - 13 - 4, kStrip);
    button->move(w - 13 - 2, 1);
    const int gridHeight = h - kStrip - kBottom - kBevel;
    const bool open = gridHeight > 0;
    if (grid) {
        grid->setVisible(open);
        if (open) grid->setGeometry(0, kStrip, w, gridHeight);
    }
    bottom->setVisible(open);
    bevel->setVisible(open);
    if (open) {
        bottom->setGeometry(0, h - kBevel - kBottom, w, kBottom);
        bevel->setGeometry(0, h - kBevel, w, kBevel);
    }
}

// ---------------------------------------------------------------- placement

namespace {

// Beside the icon, on the side away from the screen edge its panel is on:
// below a top panel, above a bottom one, right of a left one, left of a
// right one; never into the room the panel keeps for itself; within the
// screen.
QPoint besideIcon(const QRect& screen, const QRect& icon, const QSize& window, const QRect& workArea) {
    const QRect area = workArea.isValid() ? workArea : screen;
    const int toTop = icon.top() - screen.top();
    const int toBottom = screen.bottom() - icon.bottom();
    const int toLeft = icon.left() - screen.left();
    const int toRight = screen.right() - icon.right();
    const int nearest = std::min({toTop, toBottom, toLeft, toRight});
    int left = 0, top = 0;
    if (nearest == toTop || nearest == toBottom) {
        // Right edges in line, as beside the clock.
        left = icon.x() + icon.width() - window.width();
        top = nearest == toTop ? std::max(icon.bottom() + 1 + kGap, area.top())
                               : std::min(icon.top() - kGap, area.bottom() + 1) - window.height();
    } else {
        // Top edges in line in the upper half of the screen, bottom edges below.
        top = icon.center().y() < screen.center().y() ? icon.y() : icon.y() + icon.height() - window.height();
        left = nearest == toLeft ? std::max(icon.right() + 1 + kGap, area.left())
                                 : std::min(icon.left() - kGap, area.right() + 1) - window.width();
    }
    left = std::clamp(left, screen.left(), std::max(screen.left(), screen.right() + 1 - window.width()));
    top = std::clamp(top, screen.top(), std::max(screen.top(), screen.bottom() + 1 - window.height()));
    return {left, top};
}

}  // namespace

QPoint dayInfoPosition(DayInfoPlace place, const QRect& screen, const QRect& clock, const QSize& window,
                       const QRect& workArea) {
    if (place == DayInfoPlace::BesideIcon && clock.isValid()) return besideIcon(screen, clock, window, workArea);
    if (place != DayInfoPlace::BesideClock)
        return {screen.x() + screen.width() - window.width(), screen.y() + screen.height() - window.height() - 30};
    int left = clock.x() + clock.width() - window.width();
    if (left < 0) left = clock.x();
    int top = clock.y() - window.height() - kGap;
    if (top < 0) top = clock.y() + clock.height() + kGap;
    return {left, top};
}

// ---------------------------------------------------------------- window

TfrmDayInfo::TfrmDayInfo(TaskStore& tasks, PlanStore& plans, HolidayStore& holidays, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      tasks_(tasks),
      plans_(plans),
      days_(holidays) {
    setObjectName(QStringLiteral("frmDayInfo"));
    setProperty("helpContext", 3);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(compactFont(font()));
    cursorPos = [] { return QCursor::pos(); };
    framedByWindowManager = [] { return windowManagerRunning(); };

    lbDate = new QLabel(this);
    lbDate->setObjectName(QStringLiteral("lbDate"));
    lbDate->setAlignment(Qt::AlignCenter);
    {
        QFont f = lbDate->font();
        f.setBold(true);
        lbDate->setFont(f);
    }
    lbDate->hide();

    plToDo = new DaySection(this, "plToDo", "plToDoTop", "lbToDo", "To do...", "sbToDo", "plToDoBottom", "blToDo");
    plSchedule = new DaySection(this, "plSchedule", "plScheduleTop", "lbSchedule", "Schedule...", "sbSchedule",
                                "plscheduleBottom", "blSchedule");
    plHolidays = new DaySection(this, "plHolidays", "plHoldaysTop", "lbHolidays", "Holidays...", "sbHolidays",
                                "plHolidaysBottom", "bvlHolidays");
    sbToDo = plToDo->button;
    sbSchedule = plSchedule->button;
    sbHolidays = plHolidays->button;

    sgToDo = makeGrid(plToDo, "sgToDo", 2, 1);
    sgSchedule = makeGrid(plSchedule, "sgSchedule", 2, kSlotsPerDay);
    sgHolidays = makeGrid(plHolidays, "sgHolidays", 1, 1);
    {
        QFont f(QStringLiteral("Arial"), font().pointSize());
        f.setItalic(true);
        sgSchedule->setFont(f);
    }
    sgSchedule->setDrawCellHook(
        [this](QPainter& p, const QRect& r, int c, int row) { sgScheduleDrawCell(p, r, c, row); });
    sgToDo->setDrawCellHook([this](QPainter& p, const QRect& r, int c, int row) { sgToDoDrawCell(p, r, c, row); });
    plToDo->setGrid(sgToDo);
    plSchedule->setGrid(sgSchedule);
    plHolidays->setGrid(sgHolidays);

    MonthCalendar = new QCalendarWidget(this);
    MonthCalendar->setObjectName(QStringLiteral("MonthCalendar"));
    MonthCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    MonthCalendar->setGridVisible(false);
    MonthCalendar->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    MonthCalendar->setFixedSize(kCalendarWidth, kCalendarHeight);

    tmrHide = new QTimer(this);
    tmrHide->setObjectName(QStringLiteral("tmrHide"));
    tmrHide->setSingleShot(true);
    connect(tmrHide, &QTimer::timeout, this, &TfrmDayInfo::tmrHideTimer);

    // The locale's first day of the week; the column widths.
    MonthCalendar->setFirstDayOfWeek(QLocale::system().firstDayOfWeek());
    sgToDo->setColWidth(0, 50);
    sgToDo->setColWidth(1, 149);
    sgSchedule->setTextInsets(kScheduleTextLeft, kScheduleTextRight);
    fitScheduleTimeColumn();
    sgHolidays->setColWidth(0, 199);

    plToDo->setFixedHeight(61);
    plSchedule->setFixedHeight(177);
    plHolidays->setFixedHeight(60);

    for (QToolButton* b : {sbToDo, sbSchedule, sbHolidays})
        connect(b, &QToolButton::clicked, this, [this, b] { runGuarded([this, b] { sbToDoClick(b); }); });
    connect(MonthCalendar, &QCalendarWidget::clicked, this,
            [this](const QDate& d) { runGuarded([this, d] { MonthCalendarNumberClick(d); }); });
    connect(sgToDo, &QAbstractItemView::doubleClicked, this, [] { runCommand(AppCommand::ShowToDoList); });
    connect(sgSchedule, &QAbstractItemView::doubleClicked, this, [] { runCommand(AppCommand::ShowSchedule); });
    connect(sgHolidays, &QAbstractItemView::doubleClicked, this, [] { runCommand(AppCommand::ShowHolidayList); });
    connect(MonthCalendar, &QCalendarWidget::currentPageChanged, this,
            [this](int year, int month) { runGuarded([this, year, month] { markMonth(year, month); }); });
    // A double click (or Enter) on a day: a new task on that day.
    connect(MonthCalendar, &QCalendarWidget::activated, this,
            [](const QDate& d) { newTaskOn(encodeDate(d.year(), d.month(), d.day())); });
    // "Today" in the calendar's navigation bar, beside the month and year.
    btToday = new QToolButton(MonthCalendar);
    btToday->setObjectName(QStringLiteral("btToday"));
    // A dot: the navigation bar has no room for a word beside the month.
    btToday->setText(QString(QChar(0x25CF)));
    btToday->setToolTip(QStringLiteral("Today"));
    btToday->setAutoRaise(true);
    if (auto* bar = MonthCalendar->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar")))
        if (auto* row = qobject_cast<QBoxLayout*>(bar->layout())) {
            btToday->setParent(bar);
            row->addWidget(btToday);
        }
    connect(btToday, &QToolButton::clicked, this, [this] { runGuarded([this] { goToToday(); }); });
    // sgToDoExit: a grid that loses the focus has no selection.
    for (StringGrid* g : {sgToDo, sgSchedule, sgHolidays})
        connect(g, &StringGrid::exited, this, [this, g] {
            g->setSelectionRect({});
            if (g == sgSchedule) scheduleSelectionNone_ = true;
        });

    setFixedWidth(kClientWidth);
    layoutSections();
}

int TfrmDayInfo::panelHeight() const {
    return plToDo->height() + plSchedule->height() + plHolidays->height() + MonthCalendar->height() + 43;
}

DateTime TfrmDayInfo::calendarDate() const {
    const QDate d = MonthCalendar->selectedDate();
    return encodeDate(d.year(), d.month(), d.day());
}

void TfrmDayInfo::layoutSections() {
    int y = 0;
    if (!lbDate->isHidden()) {
        lbDate->setGeometry(0, 0, width(), kDateStrip);
        y = kDateStrip;
    }
    for (DaySection* s : {plToDo, plSchedule, plHolidays}) {
        s->setGeometry(0, y, width(), s->height());
        y += s->height();
    }
    // The calendar keeps to the bottom edge.
    MonthCalendar->move((width() - kCalendarWidth) / 2, std::max(y, height() - kCalendarHeight - 4));
}

void TfrmDayInfo::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // The window manager has framed the window (or framed it anew): the
    // outer height and the position are worked out again with that frame.
    if (isVisible() && frameGeometry().height() - height() != frameExtra_) runGuarded([this] { PlaceDayInfo(); });
}

void TfrmDayInfo::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutSections();
}

void TfrmDayInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) runGuarded([this] { FormShow(); });
}

void TfrmDayInfo::FormShow() {
    sgToDo->setSelectionRect({});
    sgHolidays->setSelectionRect({});
    {
        const QSignalBlocker block(sgSchedule);
        sgSchedule->setSelectionRect({0, 0, 0, 0});
    }
    scheduleSelectionNone_ = false;
    lbDate->setVisible(!framedByWindowManager());
    const DateTime today = datePart(clock().now());
    MonthCalendar->setSelectedDate(toQDate(today));
    ShownDay = today;
    ShowDay();
    // Once the window manager has framed the window its outer size is known.
    QTimer::singleShot(0, this, [this] { runGuarded([this] { PlaceDayInfo(); }); });
}

void TfrmDayInfo::ShowDay() {
    const QString date = QLocale::system().toString(toQDate(calendarDate()), longDateFormat());
    setWindowTitle(date);
    lbDate->setText(lbDate->fontMetrics().elidedText(date, Qt::ElideRight, width() - 4));
    lbDate->setToolTip(date);
    FillDayList(true);
    FillDayList(false);
    FillDaySchedule();
    for (DaySection* s : {plToDo, plHolidays}) {
        s->expandedHeight = s->grid->gridRowCount() * kRowStep + kStrip + kBottom + kBevel + 1;
        if (s->height() > 24) s->setFixedHeight(s->expandedHeight);
    }
    PlaceDayInfo();
}

void TfrmDayInfo::FillDayList(bool tasks) {
    StringGrid* g = tasks ? sgToDo : sgHolidays;
    const QString empty = GetLangMessage(QStringLiteral("ListIsEpmty"));
    if (tasks) {
        const auto rows = tasks_.tasksOfDay(calendarDate());
        g->setGridRowCount(std::max<int>(1, static_cast<int>(rows.size())));
        if (rows.empty()) {
            g->setCells(0, 0, QString());
            g->setCellData(0, 0, {});
            g->setCells(1, 0, empty);
        }
        // The time column keeps its 50 pixels unless the locale's long time
        // needs more; the title column gives way.
        int timeWidth = 50;
        const QFontMetrics fm(g->font());
        for (int k = 0; k < static_cast<int>(rows.size()); ++k) {
            const TaskOfDay& t = rows[static_cast<std::size_t>(k)];
            const QString time = formatLongTime(t.showDT);
            timeWidth = std::max(timeWidth, fm.horizontalAdvance(time) + 5);
            g->setCells(0, k, time);
            g->setCellData(0, k, timePart(t.showDT));
            g->setCells(1, k, t.title);
        }
        g->setColWidth(0, timeWidth);
        g->setColWidth(1, 199 - timeWidth);
        // The empty line is the title column's; where the language's words
        // do not fit there, they take the time column's room as well.
        g->clearSpans();
        const int room = g->colWidth(1) - g->textLeftInset() - g->textRightInset();
        if (rows.empty() && fm.horizontalAdvance(empty) > room) {
            g->setCells(1, 0, QString());
            g->setCells(0, 0, empty);
            g->setSpan(0, 0, 1, 2);
        }
    } else {
        QStringList lines;
        for (const auto& h : days_.holidaysOfDay(calendarDate())) lines << h.Title;
        // Birthdays of the address book, with the age they turn.
        if (contacts_)
            for (const BirthdayOfDay& b : contacts_->birthdaysOfDay(calendarDate())) {
                const auto age = ageOn(b.birth, calendarDate());
                lines << (age ? FormatMessageText(GetLangMessage(QStringLiteral("BirthdayOfDay")),
                                                  {b.name, static_cast<qlonglong>(*age)})
                              : FormatMessageText(GetLangMessage(QStringLiteral("BirthdayOfDayNoAge")), {b.name}));
            }
        g->setGridRowCount(std::max<int>(1, static_cast<int>(lines.size())));
        if (lines.isEmpty()) g->setCells(0, 0, empty);
        for (int k = 0; k < static_cast<int>(lines.size()); ++k) g->setCells(0, k, lines[k]);
    }
}

void TfrmDayInfo::fitScheduleTimeColumn() {
    // Every slot's time in the locale's short format ("14:30", "2:30 PM"):
    // the time column is as wide as the widest of them and the title column
    // gives way, so the panel keeps its width.
    const QFontMetrics fm(sgSchedule->font());
    int widest = 0;
    for (int i = 0; i < kSlotsPerDay; ++i) {
        // Italic letters lean past their advance.
        const QString t = formatShortTime(i / 48.0);
        widest = std::max({widest, fm.horizontalAdvance(t), fm.boundingRect(t).right() + 1});
    }
    widest += 2;
    const int time = std::max(kScheduleTimeWidth, widest + kScheduleTextLeft + kScheduleTextRight);
    sgSchedule->setColWidth(0, time);
    sgSchedule->setColWidth(1, kScheduleTimeWidth + kScheduleTitleWidth - time);
}

void TfrmDayInfo::FillDaySchedule() {
    const auto cells = layoutDayPlans(plans_.plansOfDay(calendarDate()));
    fitScheduleTimeColumn();
    for (int i = 0; i < kSlotsPerDay; ++i) {
        const SlotCell& c = cells[static_cast<std::size_t>(i)];
        sgSchedule->setCells(0, i, c.hasTime ? formatShortTime(c.time) : QString());
        sgSchedule->setCells(1, i, c.stepStart ? QString::fromStdString(c.title) : QString());
        SlotMarks[static_cast<std::size_t>(i)] = c.mark;
    }
    if (!scheduleSelectionNone_) {
        // The present half hour selected, with up to five following rows in view.
        const int s = slotOfTime(timePart(clock().now()));
        const QSignalBlocker block(sgSchedule);
        sgSchedule->setCurrentCell(0, 0);
        sgSchedule->setCurrentCell(0, std::min(kSlotsPerDay - 1, s + 5));
        sgSchedule->setCurrentCell(0, s);
    }
    sgSchedule->viewport()->update();
}

void TfrmDayInfo::PlaceDayInfo() {
    // The outer height follows the sections; the client is that less the
    // frame the window manager adds (none until the window is framed).
    const QSize frameExtra = frameGeometry().size() - size();
    frameExtra_ = frameExtra.height();
    const int outer = panelHeight();
    setFixedHeight(std::max(1, outer - frameExtra.height()));
    layoutSections();
    const QSize window(width() + frameExtra.width(), outer);
    const DayInfoPlace place = placeMode();
    const QRect anchor = clockFrame();
    // The icon's own screen (a panel may be on any of them).
    QScreen* screen = place == DayInfoPlace::BesideIcon ? QGuiApplication::screenAt(anchor.center()) : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1280, 1024);
    const QRect workArea = screen ? screen->availableGeometry() : screenRect;
    moveWindowFrame(this, dayInfoPosition(place, screenRect, anchor, window, workArea));
}

void TfrmDayInfo::sbToDoClick(QToolButton* button) {
    auto* section = qobject_cast<DaySection*>(button->parentWidget()->parentWidget());
    if (!section) return;
    if (section->height() > kCollapsed) {
        section->expandedHeight = section->height();
        section->setFixedHeight(kCollapsed);
        button->setIcon(toolIcon(8));
    } else {
        section->setFixedHeight(section->expandedHeight);
        button->setIcon(toolIcon(9));
    }
    PlaceDayInfo();
}

void TfrmDayInfo::setCalendarSources(MonthMarksStore* marks, ContactStore* contacts) {
    marks_ = marks;
    contacts_ = contacts;
    auto refresh = [this] {
        runGuarded([this] {
            markMonth(MonthCalendar->yearShown(), MonthCalendar->monthShown());
            if (isVisible()) FillDayList(false);
        });
    };
    connect(&tasks_, &TaskStore::changed, this, refresh);
    connect(&plans_, &PlanStore::changed, this, refresh);
    connect(&days_, &HolidayStore::changed, this, refresh);
    if (contacts) connect(contacts, &ContactStore::changed, this, refresh);
    refresh();
}

void TfrmDayInfo::markMonth(int year, int month) {
    MonthCalendar->setDateTextFormat(QDate(), QTextCharFormat());
    if (!marks_) return;
    const MonthMarks m = marks_->marks(year, month);
    for (int day = 1; day <= daysInMonth(year, month); ++day) {
        if (!MonthMarks::has(m.any(), day)) continue;
        QTextCharFormat f;
        f.setFontWeight(QFont::Bold);
        // Weekends are red already: holidays and birthdays are underlined.
        if (MonthMarks::has(m.holidays | m.birthdays, day)) f.setFontUnderline(true);
        MonthCalendar->setDateTextFormat(QDate(year, month, day), f);
    }
}

void TfrmDayInfo::goToToday() {
    const DateTime today = datePart(clock().now());
    MonthCalendar->setSelectedDate(toQDate(today));
    MonthCalendar->setCurrentPage(toQDate(today).year(), toQDate(today).month());
    MonthCalendarNumberClick(toQDate(today));
}

void TfrmDayInfo::MonthCalendarNumberClick(const QDate& date) {
    const DateTime day = encodeDate(date.year(), date.month(), date.day());
    if (day == ShownDay) return;
    ShownDay = day;
    ShowDay();
}

void TfrmDayInfo::tmrHideTimer() {
    tmrHide->stop();
    hide();
}

void TfrmDayInfo::CMMouseEnter() { tmrHide->stop(); }

void TfrmDayInfo::CMMouseLeave() {
    const QPoint p = cursorPos();
    const QRect r = frameGeometry();
    const bool inside =
        p.x() >= r.left() && p.x() <= r.left() + r.width() && p.y() >= r.top() && p.y() <= r.top() + r.height();
    if (!inside) {
        tmrHide->setInterval(170);
        tmrHide->start();
    }
}

void TfrmDayInfo::enterEvent(QEnterEvent* event) {
    QDialog::enterEvent(event);
    CMMouseEnter();
}

void TfrmDayInfo::leaveEvent(QEvent* event) {
    QDialog::leaveEvent(event);
    CMMouseLeave();
}

void TfrmDayInfo::showPanel() {
    if (isVisible()) {
        raise();
        return;
    }
    show();
}

void TfrmDayInfo::hidePanel() {
    tmrHide->stop();
    hide();
}

bool TfrmDayInfo::panelVisible() const { return isVisible(); }

void TfrmDayInfo::startHideTimer(int intervalMs) {
    tmrHide->setInterval(intervalMs);
    tmrHide->start();
}

void TfrmDayInfo::sgScheduleDrawCell(QPainter& p, const QRect& rect, int col, int row) {
    if (row < 0 || row >= kSlotsPerDay) return;
    const int mark = SlotMarks[static_cast<std::size_t>(row)];
    if (mark < smFirst || mark > smOnly) return;
    const int L = rect.left(), T = rect.top(), R = rect.left() + rect.width(), B = rect.top() + rect.height();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(74, 87, 2), 3, Qt::SolidLine, Qt::FlatCap));
    if (col == 0) p.drawLine(L + 1, T, L + 1, B);
    else p.drawLine(R - 1, T, R - 1, B);
    if (mark == smFirst || mark == smOnly) p.drawLine(L, T + 1, R, T + 1);
    if (mark == smLast || mark == smOnly) p.drawLine(L, B - 1, R, B - 1);
}

bool TfrmDayInfo::taskPast(int row) const {
    const QVariant t = sgToDo->cellData(0, row);
    if (sgToDo->cells(0, row).trimmed().isEmpty() || !t.isValid()) return false;
    // The task's time of day to the second, as its text shows it.
    const double secs = std::floor(t.toDouble() * 86400.0 + 1e-6);
    return clock().now() >= combineDateTime(calendarDate(), secs / 86400.0);
}

void TfrmDayInfo::sgToDoDrawCell(QPainter& p, const QRect& rect, int col, int row) {
    if (col != 0 || !taskPast(row)) return;
    const QString text = sgToDo->cells(0, row);
    const QFontMetrics fm(sgToDo->font());
    const int L = rect.left(), B = rect.top() + rect.height();
    const int y = B - 2 - fm.height() / 2;
    p.setPen(QPen(sgToDo->palette().color(QPalette::Text), 1));
    p.drawLine(L + 2, y, L + 4 + fm.horizontalAdvance(text), y);
}

}  // namespace ostrel
