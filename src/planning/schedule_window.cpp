// The schedule window.
//
// State: EntryState is 0 idle, 1 while a new plan's title is typed in the
// grid, 2 while a moved plan's title is typed, 3 while the window moves the
// grid's cursor itself (click events are ignored), 4 after Edit until the
// click that gives the plan's new slots. SelStartRow..SelEndRow are the grid
// rows of the selected plan or of the slots being titled (-1: none); every
// rebuild clears them. Grid row r (1..48) holds slot r - 1; row 0 is the
// header; column 0 holds the slot times.

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
    auto* bar = toolBar->row();
    auto tool = [toolBar](const char* name, const char* hint, int image) {
        return toolBar->addTool(name, hint, image);
    };
    tbEdit = tool("tbEdit", "Edit", 5);
    tbNew = tool("tbNew", "New", 6);
    tbDelete = tool("tbDelete", "Delete", 7);
    bar->addStretch();

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
    {
        // Day, month and the year with four digits, in the locale's order.
        QString f = QLocale::system().dateFormat(QLocale::ShortFormat);
        if (!f.contains(QLatin1String("yyyy"))) f.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        dtpSchedule->setDisplayFormat(f);
    }
    dtpSchedule->setMinimumWidth(100);
    top->addWidget(lbViewMode);
    top->addWidget(cbSchedule);
    top->addSpacing(12);
    top->addWidget(lbDate);
    top->addWidget(dtpSchedule);
    top->addStretch();

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

    // FormCreate.
    const int firstDay = static_cast<int>(QLocale::system().firstDayOfWeek()) - 1;  // 0 Monday ... 6 Sunday
    FirstDayShift = 7 - firstDay;
    {
        const QSignalBlocker block(dtpSchedule);
        setScheduleDate(datePart(clock().now()));
    }
    sgSchedule->setCells(0, 0, GetLangMessage(QStringLiteral("Time")));
    fitTimeColumn();
    EntryState = esIdle;
    {
        const QSignalBlocker block(cbSchedule);
        cbSchedule->setCurrentIndex(0);
    }
    rebuild();

    connect(cbSchedule, &QComboBox::currentIndexChanged, this, [this] { runGuarded([this] { cbScheduleChange(); }); });
    connect(dtpSchedule, &QDateEdit::dateChanged, this, [this] { runGuarded([this] { dtpScheduleChange(); }); });
    connect(sgSchedule, &StringGrid::pointerMoved, this,
            [this](const QPoint& pos, Qt::MouseButtons b, Qt::KeyboardModifiers m) { sgScheduleMouseMove(pos, b, m); });
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

    move(53, 73);
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

DateTime TfrmSchedule::weekOf(DateTime d) const { return d - ((dayOfWeek(d) + FirstDayShift + 5) % 7); }

int TfrmSchedule::columnOfDay(DateTime day) const {
    if (!weekView()) return datePart(day) == scheduleDate() ? 1 : -1;
    const double k = datePart(day) - WeekStart;
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
    if (!weekView() || weekOf(scheduleDate()) != WeekStart) rebuild();
}

void TfrmSchedule::rebuild() {
    // A rebuild ends a title entry (or an armed Edit) without saving: the
    // rows it refers to are about to be read afresh.
    if (EntryState == esAdding || EntryState == esEditing || EntryState == esEditArmed) dropEntry();
    EntryState = esIdle;
    const int keepCol = sgSchedule->gridCol();
    const int keepRow = sgSchedule->gridRow();

    for (int c = 1; c < sgSchedule->colCount(); ++c)
        for (int r = 1; r < kRows; ++r) {
            sgSchedule->setCells(c, r, QString());
            sgSchedule->setObjects(c, r, smFree);
        }
    SelStartRow = -1;
    const DateTime date = scheduleDate();
    if (!weekView()) {
        sgSchedule->setMarkedColumn(-1);
        sgSchedule->setColCount(2);
        sgSchedule->setColWidth(1, 397);
        sgSchedule->setCells(1, 0, planHeader());
        FillScheduleColumn(1, date);
    } else {
        WeekStart = weekOf(date);
        sgSchedule->setColCount(8);
        const DateTime today = datePart(clock().now());
        for (int i = 1; i <= 7; ++i) {
            const DateTime day = WeekStart + i - 1;
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
    if (SelStartRow > 0 && col == sgSchedule->gridCol() && row >= SelStartRow && row <= SelEndRow) {
        const bool firstOrOnly = mark == smFirst || mark == smOnly;
        const bool lastOrOnly = mark == smLast || mark == smOnly;
        const QRect fill(QPoint(L + 3, firstOrOnly ? T + 3 : T - 1), QPoint(R - 2 - 1, (lastOrOnly ? B - 2 : B) - 1));
        p.setClipRect(fill);
        p.fillRect(fill, EntryState == esIdle ? QColor(213, 245, 150) : QColor(128, 128, 128));
        if (firstOrOnly) {
            p.setPen(Qt::black);
            p.drawText(QRect(L + kTextLeft, T + 3, R - L - kTextLeft - kTextRight, B - T), Qt::AlignLeft | Qt::AlignTop,
                       sgSchedule->cells(col, SelStartRow));
        }
    }
}

QString TfrmSchedule::hintFor(int col, int row) const {
    if (col < 1 || row < 1 || sgSchedule->objects(col, row) == smFree) return {};
    int r = row;
    while (r > 0 && sgSchedule->objects(col, r) != smFirst && sgSchedule->objects(col, r) != smOnly) --r;
    return r > 0 ? sgSchedule->cells(col, r) : QString();
}

void TfrmSchedule::sgScheduleMouseMove(const QPoint& pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    if (buttons == Qt::LeftButton && modifiers == Qt::NoModifier) {
        const GridRect s = sgSchedule->selectionRect();
        if (!s.isNone() && s.right > s.left) sgSchedule->setSelectionRect({s.left, s.top, s.left, s.bottom});
    }
    int col = -1, row = -1;
    if (!sgSchedule->cellAt(pos, col, row)) return;
    if (row == HintRow && col == HintCol) return;
    HintRow = row;
    HintCol = col;
}

void TfrmSchedule::sgScheduleMouseUp() {
    const GridRect s = sgSchedule->selectionRect();
    if (!s.isNone() && s.right > s.left) sgSchedule->setSelectionRect({s.left, s.top, s.left, s.bottom});
}

void TfrmSchedule::sgScheduleClick() {
    switch (EntryState) {
        case esIdle: {
            const int col = sgSchedule->gridCol();
            const int row = sgSchedule->gridRow();
            if (col < 1 || row < 1) return;
            if (weekView()) setScheduleDate(WeekStart + col - 1);
            if (sgSchedule->objects(col, row) != smFree) {
                int top = row;
                while (top > 1 && sgSchedule->objects(col, top) != smFirst && sgSchedule->objects(col, top) != smOnly)
                    --top;
                int bottom = row;
                while (bottom < kSlotsPerDay && sgSchedule->objects(col, bottom) != smLast &&
                       sgSchedule->objects(col, bottom) != smOnly)
                    ++bottom;
                SelStartRow = top;
                SelEndRow = bottom;
            } else {
                SelStartRow = -1;
            }
            sgSchedule->viewport()->update();
            break;
        }
        case esAdding:
        case esEditing: {
            const bool adding = EntryState == esAdding;
            sgSchedule->closeCellEditor(true);
            sgSchedule->setEditingEnabled(false);
            const QString T = sgSchedule->cells(EditCol, SelStartRow).trimmed();
            EntryState = esIdle;
            entryRow_ = -1;
            const bool refused =
                adding ? (T.isEmpty() || T == GetLangMessage(QStringLiteral("InputTitle"))) : T.isEmpty();
            if (refused) {
                sgSchedule->setCells(EditCol, SelStartRow, QString());
                SelStartRow = -1;
                SelEndRow = -1;
                sgSchedule->viewport()->update();
                showMessage(GetLangMessage(QStringLiteral("YouHaventInputedTitleOfPlan")),
                            QStringLiteral("Addition of plan"), MsgIcon::Information, MsgOk, this);
                return;
            }
            // The plan goes to the day of dtpSchedule: its slots must be free
            // there (a moved plan's own slots count as free).
            const int dayCol = columnOfDay(scheduleDate());
            const int oldCol = adding ? -1 : columnOfDay(datePart(OldShowDT));
            const bool own = !adding && dayCol == oldCol;
            if (dayCol > 0 &&
                !slotsFree(dayCol, SelStartRow, SelEndRow, own ? oldStartRow_ : -1, own ? oldEndRow_ : -1)) {
                rebuild();
                showMessage(GetLangMessage(QStringLiteral("SelectedIntervalConsistsExistingPlan")),
                            adding ? QStringLiteral("Addition of plan") : QStringLiteral("Edition plan"),
                            MsgIcon::Information, MsgOk, this);
                return;
            }
            SaveSchedulePlan(adding, T);
            rebuild();
            break;
        }
        case esBusy: break;
        case esEditArmed: {
            EntryState = esBusy;
            EditCol = sgSchedule->gridCol();
            const GridRect sel = sgSchedule->selectionRect();
            SelStartRow = sel.top;
            SelEndRow = sel.bottom;
            // The new slots must be free on the plan's day, apart from the
            // plan's own.
            const int dayCol = columnOfDay(scheduleDate());
            const int oldCol = columnOfDay(datePart(OldShowDT));
            const bool own = dayCol == oldCol;
            if (EditCol < 1 || SelStartRow < 1 ||
                (dayCol > 0 &&
                 !slotsFree(dayCol, SelStartRow, SelEndRow, own ? oldStartRow_ : -1, own ? oldEndRow_ : -1))) {
                EntryState = esIdle;
                SelStartRow = -1;
                SelEndRow = -1;
                sgSchedule->viewport()->update();
                showMessage(GetLangMessage(QStringLiteral("SelectedIntervalConsistsExistingPlan")),
                            QStringLiteral("Edition plan"), MsgIcon::Information, MsgOk, this);
                return;
            }
            sgSchedule->setCurrentCell(EditCol, SelStartRow);
            const int oldRow = static_cast<int>(std::lround(timePart(OldShowDT) * 48.0)) + 1;
            const QString title = oldCol > 0 ? sgSchedule->cells(oldCol, oldRow) : QString();
            startEntry(esEditing, title);
            break;
        }
        default: break;
    }
}

bool TfrmSchedule::slotsFree(int col, int top, int bottom, int ownTop, int ownBottom) const {
    for (int r = top; r <= bottom; ++r) {
        if (r >= ownTop && r <= ownBottom) continue;
        if (sgSchedule->objects(col, r) != smFree) return false;
    }
    return true;
}

void TfrmSchedule::startEntry(int state, const QString& text) {
    entryRow_ = SelStartRow;
    entryCellText_ = sgSchedule->cells(EditCol, SelStartRow);
    sgSchedule->setCells(EditCol, SelStartRow, text);
    sgSchedule->viewport()->update();
    sgSchedule->setEditingEnabled(true);
    sgSchedule->openEditor();
    EntryState = state;
}

void TfrmSchedule::dropEntry() {
    if (EntryState == esAdding || EntryState == esEditing) {
        sgSchedule->closeCellEditor(false);
        sgSchedule->setEditingEnabled(false);
        if (entryRow_ > 0) sgSchedule->setCells(EditCol, entryRow_, entryCellText_);
    }
    entryRow_ = -1;
    EntryState = esIdle;
}

void TfrmSchedule::editorEnded(bool commit) {
    if (EntryState != esAdding && EntryState != esEditing) return;
    if (commit) {
        sgScheduleClick();
        return;
    }
    // Escape: the entry ends, nothing is stored.
    dropEntry();
    SelStartRow = -1;
    SelEndRow = -1;
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
    if (EntryState != esIdle) dropEntry();
    EntryState = esBusy;
    EditCol = col;
    SelStartRow = sel.top;
    SelEndRow = sel.bottom;
    sgSchedule->setCurrentCell(col, sel.top);
    startEntry(esAdding, GetLangMessage(QStringLiteral("InputTitle")));
}

void TfrmSchedule::tbEditClick() {
    if (EntryState != esIdle || SelStartRow == -1) {
        showMessage(GetLangMessage(QStringLiteral("FirstSelectAnyPlan")), QStringLiteral("Edition plan"),
                    MsgIcon::Warning, MsgOk, this);
        return;
    }
    OldShowDT = slotStart(scheduleDate(), SelStartRow);
    oldStartRow_ = SelStartRow;
    oldEndRow_ = SelEndRow;
    EntryState = esEditArmed;
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
    const DateTime day = weekView() ? WeekStart + col - 1 : scheduleDate();
    plans_.deletePlan(slotStart(day, r));
    rebuild();
}

void TfrmSchedule::SaveSchedulePlan(bool insert, const QString& title) {
    const DateTime start = slotStart(scheduleDate(), SelStartRow);
    const int slotCount = SelEndRow - SelStartRow + 1;
    if (insert) plans_.insertPlan(title, start, slotCount);
    else plans_.updatePlan(OldShowDT, title, start, slotCount);
}

}  // namespace ostrel
