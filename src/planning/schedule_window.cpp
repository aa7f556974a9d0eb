// The schedule window. What a click on the grid means lives in PlanClicks
// (core/data/plan_clicks.h); the window reads the grid for it and carries
// out its answer. Every rebuild clears the selection. Grid row r (1..48)
// holds slot r - 1; row 0 is the header; column 0 holds the slot times.

#include "planning/schedule_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPainter>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "base/language_texts.h"
#include "core/data/plan_layout.h"
#include "core/time/clock_service.h"
#include "data/plan_store.h"
#include "ui/dialog_service.h"
#include "ui/grid_style.h"
#include "ui/guarded.h"
#include "ui/languages.h"
#include "ui/locale_format.h"
#include "ui/tool_bar.h"
#include "ui/tool_icons.h"

namespace ostrel {

namespace {

constexpr int kRows = kSlotsPerDay + 1;
constexpr int kTimeWidth = 39;
constexpr int kDayWidth = 56;
// The window's designed size; the week view may widen it (fitWidth).
constexpr int kWindowWidth = 440;
constexpr int kWindowHeight = 333;
// A plan's title keeps clear of its box's 3-pixel frame lines.
constexpr int kTextLeft = 6;
constexpr int kTextRight = 3;
// The row a day without plans opens on: 08:00.
constexpr int kOpeningRow = 8 * 2 + 1;

QDate toQDate(DateTime d) {
    const CivilDate c = decodeDate(d);
    return QDate(c.year, c.month, c.day);
}

DateTime slotStart(DateTime date, int row) { return combineDateTime(date, (row - 1) / 48.0); }

QLabel* boldLabel(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(QLatin1String(text), parent);
    l->setObjectName(QLatin1String(name));
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0, 64, 0));
    l->setPalette(p);
    l->setStyleSheet(QStringLiteral("color: rgb(0, 64, 0);"));
    return l;
}

}  // namespace

TfrmSchedule::TfrmSchedule(PlanStore& plans, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      plans_(plans) {
    setObjectName(QStringLiteral("frmSchedule"));
    setWindowTitle(QStringLiteral("Schedule"));
    setProperty("helpContext", 5);
    setModal(false);
    setFont(compactFont(font()));
    setFixedSize(kWindowWidth, kWindowHeight);

    auto* toolBar = new ToolBar(this, QSize(23, 22));
    ToolBar1 = toolBar;
    tbEdit = toolBar->addTool("tbEdit", "Edit", 5);
    tbNew = toolBar->addTool("tbNew", "New", 6);
    tbDelete = toolBar->addTool("tbDelete", "Delete", 7);
    toolBar->row()->addStretch();
    buildTopPanel();
    buildGrid();
    plBottom = new QWidget(this);
    plBottom->setObjectName(QStringLiteral("plBottom"));
    plBottom->setFixedHeight(20);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(plTop);
    layout->addWidget(sgSchedule, 1);
    layout->addWidget(plBottom);

    const int firstDay = static_cast<int>(QLocale::system().firstDayOfWeek()) - 1;  // 0 Monday ... 6 Sunday
    firstDayShift_ = 7 - firstDay;
    {
        const QSignalBlocker block(dtpSchedule);
        setScheduleDate(datePart(clock().now()));
    }
    sgSchedule->setCells(0, 0, GetLangMessage(QStringLiteral("Time")));
    fitTimeColumn();
    {
        const QSignalBlocker block(cbSchedule);
        cbSchedule->setCurrentIndex(0);
    }
    rebuild();
    connectControls();
    move(53, 73);
}

void TfrmSchedule::buildTopPanel() {
    plTop = new QWidget(this);
    plTop->setObjectName(QStringLiteral("plTop"));
    plTop->setFixedHeight(29);
    auto* top = new QHBoxLayout(plTop);
    top->setContentsMargins(8, 3, 8, 3);
    top->setSpacing(6);
    lbViewMode = boldLabel(plTop, "lbViewMode", "View mode");
    cbSchedule = new QComboBox(plTop);
    cbSchedule->setObjectName(QStringLiteral("cbSchedule"));
    cbSchedule->addItems({QStringLiteral("Day"), QStringLiteral("Week")});
    cbSchedule->setMinimumWidth(90);
    lbDate = boldLabel(plTop, "lbDate", "Date");
    dtpSchedule = new QDateEdit(plTop);
    dtpSchedule->setObjectName(QStringLiteral("dtpSchedule"));
    dtpSchedule->setCalendarPopup(true);
    // Day, month and the year with four digits, in the locale's order.
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    dtpSchedule->setDisplayFormat(format);
    dtpSchedule->setMinimumWidth(100);
    top->addWidget(lbViewMode);
    top->addWidget(cbSchedule);
    top->addSpacing(12);
    top->addWidget(lbDate);
    top->addWidget(dtpSchedule);
    top->addStretch();
}

void TfrmSchedule::buildGrid() {
    sgSchedule = new StringGrid(1, 1, this);
    sgSchedule->setObjectName(QStringLiteral("sgSchedule"));
    sgSchedule->setColCount(2);
    sgSchedule->setGridRowCount(kRows);
    sgSchedule->setFitLastColumn(true);
    // Forty-eight rows never fit: the bar is always there, and fitWidth
    // counts on it.
    sgSchedule->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sgSchedule->setDrawCellHook(
        [this](QPainter& p, const QRect& r, int c, int row) { sgScheduleDrawCell(p, r, c, row); });
    sgSchedule->hintForCell = [this](int c, int r) { return hintFor(c, r); };
    sgSchedule->setTextInsets(kTextLeft, kTextRight);
}

void TfrmSchedule::connectControls() {
    connect(cbSchedule, &QComboBox::currentIndexChanged, this, [this] { runGuarded([this] { cbScheduleChange(); }); });
    connect(dtpSchedule, &QDateEdit::dateChanged, this, [this] { runGuarded([this] { dtpScheduleChange(); }); });
    connect(sgSchedule, &StringGrid::pointerMoved, this,
            [this](const QPoint&, Qt::MouseButtons b, Qt::KeyboardModifiers m) { sgScheduleMouseMove(b, m); });
    connect(sgSchedule, &StringGrid::pointerReleased, this, [this] { sgScheduleMouseUp(); });
    connect(sgSchedule, &StringGrid::clicked, this, [this] { runGuarded([this] { sgScheduleClick(); }); });
    connect(sgSchedule, &StringGrid::editorEnded, this,
            [this](bool commit) { runGuarded([this, commit] { editorEnded(commit); }); });
    connect(tbNew, &QToolButton::clicked, this, [this] { runGuarded([this] { tbNewClick(); }); });
    connect(tbEdit, &QToolButton::clicked, this, [this] { runGuarded([this] { tbEditClick(); }); });
    connect(tbDelete, &QToolButton::clicked, this, [this] { runGuarded([this] { tbDeleteClick(); }); });
    connect(&languageNotifier(), &LanguageNotifier::languageApplied, this, [this] {
        sgSchedule->setCells(0, 0, GetLangMessage(QStringLiteral("Time")));
        if (!weekView()) sgSchedule->setCells(1, 0, planHeader());
        fitTimeColumn();
    });
}

QString TfrmSchedule::weekHeading(DateTime day, bool bold) const {
    // The weekday where the column has room for it: "Thu 10 Dec", else
    // "Thu 10", else "10 Dec".
    QFont font = sgSchedule->horizontalHeader()->font();
    font.setBold(bold);
    const QFontMetrics fm(font);
    const int room = kDayWidth - 2 * 2 - 2;  // the heading's padding and line
    const QDate date = toQDate(day);
    for (const char* format : {"ddd d MMM", "ddd d"}) {
        const QString text = QLocale::system().toString(date, QLatin1String(format));
        if (fm.horizontalAdvance(text) <= room) return text;
    }
    return QLatin1Char(' ') + QLocale::system().toString(date, QStringLiteral("dd MMM"));
}

QString TfrmSchedule::planHeader() { return GetLangCaption(QStringLiteral("SchedulePlan"), QStringLiteral("Plan")); }

void TfrmSchedule::fitTimeColumn() {
    // The slot times in the locale's short format and the column's title,
    // each whole; the last column gives way.
    const QFontMetrics cellMetrics(sgSchedule->font());
    int widest = 0;
    for (int i = 0; i < kSlotsPerDay; ++i)
        widest = std::max(widest, cellMetrics.horizontalAdvance(formatShortTime(i / 48.0)) + 2 + 3);
    const QFontMetrics headerMetrics(sgSchedule->horizontalHeader()->font());
    widest = std::max(widest, headerMetrics.horizontalAdvance(sgSchedule->cells(0, 0)) + 2 + 6);
    sgSchedule->setColWidth(0, std::max(kTimeWidth, widest));
    fitWidth();
}

void TfrmSchedule::fitWidth() {
    // The week's columns keep their widths and its last day stays whole
    // beside the vertical scroll bar: the window grows by what the columns,
    // the grid's frame and the bar need beyond its designed width (the grid
    // spans the window, no margins). The day view keeps the designed width;
    // its one wide column gives way to the bar.
    int width = kWindowWidth;
    if (weekView())
        width = std::max(width, sgSchedule->wantedColumnsWidth() + 2 * sgSchedule->frameWidth() +
                                    sgSchedule->verticalScrollBar()->sizeHint().width());
    if (size() != QSize(width, kWindowHeight)) setFixedSize(width, kWindowHeight);
}

DateTime TfrmSchedule::scheduleDate() const {
    const QDate d = dtpSchedule->date();
    return encodeDate(d.year(), d.month(), d.day());
}

void TfrmSchedule::setScheduleDate(DateTime date) { dtpSchedule->setDate(toQDate(date)); }

DateTime TfrmSchedule::weekOf(DateTime d) const { return d - ((dayOfWeek(d) + firstDayShift_ + 5) % 7); }

int TfrmSchedule::columnOfDay(DateTime day) const {
    if (!weekView()) return datePart(day) == scheduleDate() ? 1 : -1;
    const double k = datePart(day) - weekStart_;
    return k >= 0 && k <= 6 ? static_cast<int>(k) + 1 : -1;
}

void TfrmSchedule::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) runGuarded([this] { FormShow(); });
}

void TfrmSchedule::FormShow() {
    // The plans as stored now; the window opens on the first plan of the
    // shown day (of the shown week in the week view), or on 08:00 when there
    // is none: that row is the current one and the top row in view.
    rebuild();
    int row = kRows;
    for (int c = 1; c < sgSchedule->colCount(); ++c)
        for (int r = 1; r < row; ++r)
            if (sgSchedule->objects(c, r) != smFree) {
                row = r;
                break;
            }
    if (row == kRows) row = kOpeningRow;
    const int col = std::max(1, columnOfDay(scheduleDate()));
    sgSchedule->setCurrentCell(col, row);
    sgSchedule->scrollTo(sgSchedule->model()->index(row - 1, col), QAbstractItemView::PositionAtTop);
    sgSchedule->viewport()->update();
}

void TfrmSchedule::cbScheduleChange() { rebuild(); }

void TfrmSchedule::dtpScheduleChange() {
    if (!weekView() || weekOf(scheduleDate()) != weekStart_) rebuild();
}

void TfrmSchedule::rebuild() {
    // A rebuild ends a title entry (or an armed Edit) without saving: the
    // rows it refers to are about to be read afresh.
    dropEntry();
    const int keepCol = sgSchedule->gridCol();
    const int keepRow = sgSchedule->gridRow();

    for (int c = 1; c < sgSchedule->colCount(); ++c)
        for (int r = 1; r < kRows; ++r) {
            sgSchedule->setCells(c, r, QString());
            sgSchedule->setObjects(c, r, smFree);
        }
    clicks_.clearSelection();
    const DateTime date = scheduleDate();
    if (!weekView()) {
        sgSchedule->setMarkedColumn(-1);
        sgSchedule->setColCount(2);
        sgSchedule->setColWidth(1, 397);
        sgSchedule->setCells(1, 0, planHeader());
        FillScheduleColumn(1, date);
    } else {
        weekStart_ = weekOf(date);
        sgSchedule->setColCount(8);
        const DateTime today = datePart(clock().now());
        for (int i = 1; i <= 7; ++i) {
            const DateTime day = weekStart_ + i - 1;
            sgSchedule->setColWidth(i, kDayWidth);
            sgSchedule->setCells(i, 0, weekHeading(day, day == today));
            FillScheduleColumn(i, day);
        }
        // Today's column: a tinted background and a bold heading.
        const int todayCol = columnOfDay(today);
        sgSchedule->setMarkedColumn(todayCol);
        for (int i = 1; i <= 7; ++i)
            if (QTableWidgetItem* heading = sgSchedule->horizontalHeaderItem(i)) {
                QFont f = sgSchedule->horizontalHeader()->font();
                f.setBold(i == todayCol);
                heading->setFont(f);
            }
    }
    fitWidth();
    // The grid always has a current cell; moving it here is no click.
    const int col = std::clamp(keepCol, 1, sgSchedule->colCount() - 1);
    const int row = std::clamp(keepRow, 1, kRows - 1);
    if (sgSchedule->gridCol() != col || sgSchedule->gridRow() != row || sgSchedule->selectionRect().isNone()) {
        const QSignalBlocker block(sgSchedule);
        sgSchedule->setSelectionRect({col, row, col, row});
    }
    sgSchedule->viewport()->update();
}

void TfrmSchedule::FillScheduleColumn(int col, DateTime day) {
    const auto cells = layoutDayPlans(plans_.plansOfDay(day));
    for (int i = 0; i < kSlotsPerDay; ++i) {
        const SlotCell& cell = cells[static_cast<std::size_t>(i)];
        const int r = i + 1;
        if (cell.hasTime) sgSchedule->setCells(0, r, formatShortTime(cell.time));
        if (cell.stepStart) sgSchedule->setCells(col, r, QString::fromStdString(cell.title));
        sgSchedule->setObjects(col, r, cell.mark);
    }
}

void TfrmSchedule::sgScheduleDrawCell(QPainter& p, const QRect& rect, int col, int row) {
    if (row < 1 || col < 1) return;
    const int mark = sgSchedule->objects(col, row);
    const int L = rect.left(), T = rect.top(), R = rect.left() + rect.width(), B = rect.top() + rect.height();
    p.setRenderHint(QPainter::Antialiasing, false);
    if (mark >= smFirst && mark <= smOnly) {
        p.setPen(QPen(QColor(74, 87, 2), 3, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(L + 1, T, L + 1, B);
        p.drawLine(R - 1, T, R - 1, B);
        if (mark == smFirst || mark == smOnly) p.drawLine(L, T + 1, R, T + 1);
        if (mark == smLast || mark == smOnly) p.drawLine(L, B - 1, R, B - 1);
    }
    const int selStart = clicks_.selStartRow();
    if (selStart > 0 && col == sgSchedule->gridCol() && row >= selStart && row <= clicks_.selEndRow()) {
        const bool firstOrOnly = mark == smFirst || mark == smOnly;
        const bool lastOrOnly = mark == smLast || mark == smOnly;
        const QRect fill(QPoint(L + 3, firstOrOnly ? T + 3 : T - 1), QPoint(R - 2 - 1, (lastOrOnly ? B - 2 : B) - 1));
        p.setClipRect(fill);
        p.fillRect(fill, clicks_.state() == EntryState::Idle ? QColor(213, 245, 150) : QColor(128, 128, 128));
        if (firstOrOnly) {
            p.setPen(Qt::black);
            p.drawText(QRect(L + kTextLeft, T + 3, R - L - kTextLeft - kTextRight, B - T), Qt::AlignLeft | Qt::AlignTop,
                       sgSchedule->cells(col, selStart));
        }
    }
}

QString TfrmSchedule::hintFor(int col, int row) const {
    if (col < 1 || row < 1 || sgSchedule->objects(col, row) == smFree) return {};
    int r = row;
    while (r > 0 && sgSchedule->objects(col, r) != smFirst && sgSchedule->objects(col, r) != smOnly) --r;
    return r > 0 ? sgSchedule->cells(col, r) : QString();
}

void TfrmSchedule::sgScheduleMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    // A drag selects within one column.
    if (buttons == Qt::LeftButton && modifiers == Qt::NoModifier) sgScheduleMouseUp();
}

void TfrmSchedule::sgScheduleMouseUp() {
    const GridRect s = sgSchedule->selectionRect();
    if (!s.isNone() && s.right > s.left) sgSchedule->setSelectionRect({s.left, s.top, s.left, s.bottom});
}

void TfrmSchedule::sgScheduleClick() {
    GridClick click;
    click.col = sgSchedule->gridCol();
    click.row = sgSchedule->gridRow();
    const GridRect sel = sgSchedule->selectionRect();
    click.selTop = sel.top;
    click.selBottom = sel.bottom;
    click.dayCol = columnOfDay(scheduleDate());
    click.oldCol = columnOfDay(datePart(oldShowDT_));
    click.mark = [this](int col, int row) { return static_cast<std::uint8_t>(sgSchedule->objects(col, row)); };
    const int typedRow = clicks_.selStartRow();
    if (clicks_.entryRunning()) {
        sgSchedule->closeCellEditor(true);
        sgSchedule->setEditingEnabled(false);
        click.title = sgSchedule->cells(clicks_.editCol(), typedRow).trimmed().toStdString();
        entryRow_ = -1;
    }
    clicks_.setPrompt(GetLangMessage(QStringLiteral("InputTitle")).toStdString());
    const bool adding = clicks_.state() == EntryState::Adding;
    carryOut(clicks_.click(click), click, typedRow, adding);
}

void TfrmSchedule::carryOut(ClickAction action, const GridClick& click, int typedRow, bool adding) {
    switch (action) {
        case ClickAction::None: break;
        case ClickAction::Select:
            // In the week view the clicked day becomes the date.
            if (weekView()) setScheduleDate(weekStart_ + click.col - 1);
            sgSchedule->viewport()->update();
            break;
        case ClickAction::NoTitle:
            sgSchedule->setCells(clicks_.editCol(), typedRow, QString());
            sgSchedule->viewport()->update();
            showMessage(GetLangMessage(QStringLiteral("YouHaventInputedTitleOfPlan")),
                        QStringLiteral("Addition of plan"), MsgIcon::Information, MsgOk, this);
            break;
        case ClickAction::SlotsTaken:
            rebuild();
            showMessage(GetLangMessage(QStringLiteral("SelectedIntervalConsistsExistingPlan")),
                        adding ? QStringLiteral("Addition of plan") : QStringLiteral("Edition plan"),
                        MsgIcon::Information, MsgOk, this);
            break;
        case ClickAction::MoveRefused:
            sgSchedule->viewport()->update();
            showMessage(GetLangMessage(QStringLiteral("SelectedIntervalConsistsExistingPlan")),
                        QStringLiteral("Edition plan"), MsgIcon::Information, MsgOk, this);
            break;
        case ClickAction::AddPlan:
        case ClickAction::MovePlan:
            SaveSchedulePlan(action == ClickAction::AddPlan, QString::fromStdString(click.title));
            rebuild();
            break;
        case ClickAction::StartEditing: {
            sgSchedule->setCurrentCell(clicks_.editCol(), clicks_.selStartRow());
            const int oldRow = static_cast<int>(std::lround(timePart(oldShowDT_) * 48.0)) + 1;
            const QString title = click.oldCol > 0 ? sgSchedule->cells(click.oldCol, oldRow) : QString();
            startEntry(false, title);
            break;
        }
    }
}

void TfrmSchedule::startEntry(bool adding, const QString& text) {
    entryRow_ = clicks_.selStartRow();
    entryCellText_ = sgSchedule->cells(clicks_.editCol(), entryRow_);
    sgSchedule->setCells(clicks_.editCol(), entryRow_, text);
    sgSchedule->viewport()->update();
    sgSchedule->setEditingEnabled(true);
    sgSchedule->openEditor();
    clicks_.entryOpened(adding);
}

void TfrmSchedule::dropEntry() {
    if (clicks_.entryRunning()) {
        sgSchedule->closeCellEditor(false);
        sgSchedule->setEditingEnabled(false);
        if (entryRow_ > 0) sgSchedule->setCells(clicks_.editCol(), entryRow_, entryCellText_);
    }
    entryRow_ = -1;
    clicks_.reset();
}

void TfrmSchedule::editorEnded(bool commit) {
    if (!clicks_.entryRunning()) return;
    if (commit) {
        sgScheduleClick();
        return;
    }
    // Escape: the entry ends, nothing is stored.
    dropEntry();
    clicks_.clearSelection();
    sgSchedule->viewport()->update();
}

void TfrmSchedule::tbNewClick() {
    const int col = sgSchedule->gridCol();
    const GridRect sel = sgSchedule->selectionRect();
    if (col < 1 || sel.isNone() || sel.top < 1) return;
    for (int r = sel.top; r <= sel.bottom; ++r) {
        if (sgSchedule->objects(col, r) != smFree) {
            showMessage(GetLangMessage(QStringLiteral("SelectedIntervalConsistsExistingPlan")),
                        QStringLiteral("Addition of plan"), MsgIcon::Information, MsgOk, this);
            return;
        }
    }
    dropEntry();
    clicks_.beginNew(col, sel.top, sel.bottom);
    sgSchedule->setCurrentCell(col, sel.top);
    startEntry(true, GetLangMessage(QStringLiteral("InputTitle")));
}

void TfrmSchedule::tbEditClick() {
    const int start = clicks_.selStartRow();
    if (!clicks_.armMove()) {
        showMessage(GetLangMessage(QStringLiteral("FirstSelectAnyPlan")), QStringLiteral("Edition plan"),
                    MsgIcon::Warning, MsgOk, this);
        return;
    }
    oldShowDT_ = slotStart(scheduleDate(), start);
}

void TfrmSchedule::tbDeleteClick() {
    const int col = sgSchedule->gridCol();
    int r = sgSchedule->gridRow();
    if (col < 1 || r < 1 || sgSchedule->objects(col, r) == smFree) {
        showMessage(GetLangMessage(QStringLiteral("SelectAnyPlan")), QStringLiteral("Plan deletion"),
                    MsgIcon::Information, MsgOk, this);
        return;
    }
    while (r > 1 && sgSchedule->objects(col, r) != smFirst && sgSchedule->objects(col, r) != smOnly) --r;
    // The day shown in the cursor's column (in the week view this is the
    // day of dtpSchedule whenever the window is idle).
    const DateTime day = weekView() ? weekStart_ + col - 1 : scheduleDate();
    plans_.deletePlan(slotStart(day, r));
    rebuild();
}

void TfrmSchedule::SaveSchedulePlan(bool insert, const QString& title) {
    const DateTime start = slotStart(scheduleDate(), clicks_.selStartRow());
    const int slotCount = clicks_.selEndRow() - clicks_.selStartRow() + 1;
    if (insert) plans_.insertPlan(title, start, slotCount);
    else plans_.updatePlan(oldShowDT_, title, start, slotCount);
}

}  // namespace ostrel
