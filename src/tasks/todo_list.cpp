#include "tasks/todo_list.h"

#include <QBrush>
#include <QFontMetrics>
#include <QHeaderView>

#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "base/language_texts.h"
#include "core/time/datetime.h"
#include "data/mes_type.h"
#include "tasks/task_editor.h"
#include "ui/dialog_service.h"
#include "ui/gradient_paint.h"
#include "ui/grid_style.h"
#include "ui/guarded.h"
#include "ui/locale_format.h"
#include "ui/tool_bar.h"
#include "ui/tool_icons.h"

namespace ostrel {

// ---------------------------------------------------------------- model

ToDoListModel::ToDoListModel(QObject* parent) : QAbstractTableModel(parent) {
    setObjectName(QStringLiteral("dsToDoList"));
}

void ToDoListModel::setCursor(std::unique_ptr<ToDoListCursor> cursor) {
    beginResetModel();
    cursor_ = std::move(cursor);
    shown_ = cursor_ ? cursor_->fetchedCount() : 0;
    endResetModel();
}

int ToDoListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

bool ToDoListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && cursor_ && (!cursor_->fetchedAll() || cursor_->fetchedCount() > shown_);
}

void ToDoListModel::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid()) showMore(256);
}

bool ToDoListModel::showMore(int count) {
    if (!cursor_) return false;
    cursor_->fetchMore(count);
    const int now = cursor_->fetchedCount();
    if (now > shown_) {
        beginInsertRows({}, shown_, now - 1);
        shown_ = now;
        endInsertRows();
    }
    return !cursor_->fetchedAll();
}

void ToDoListModel::ensureShown(int count) {
    if (count > shown_) showMore(count - shown_);
}

int ToDoListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant ToDoListModel::data(const QModelIndex& index, int role) const {
    if (!cursor_ || !index.isValid() || index.row() >= shown_) return {};
    if (role != Qt::UserRole && role != Qt::UserRole + 1 && role != Qt::ForegroundRole && role != Qt::DisplayRole)
        return {};
    const ToDoListRow row = cursor_->row(index.row());
    if (role == Qt::UserRole) return qlonglong(row.TDID);
    // True for a task the engine has dealt with (shown or expired).
    if (role == Qt::UserRole + 1) return isDealtWith(row.mesType);
    if (role == Qt::ForegroundRole) {
        // Finished tasks (shown and answered, or past their time) in grey,
        // pending ones in the grid's own colour.
        if (isDealtWith(row.mesType)) return QBrush(QColor(128, 128, 128));
        return {};
    }
    switch (index.column()) {
        case ColShowDT: return row.hasShowDT ? formatShortDateTime(row.ShowDT) : QString();
        case ColTitle: return row.Title;
        // Counts with their unit in the language's plural form ("1 hour").
        case ColActiveTime: return FormatCountWithUnit(row.ElapseInt, row.ElapseType);
        case ColCycle:
            if (row.PeriodInt <= 0) return QStringLiteral(" --- ");
            return FormatCountWithUnit(row.PeriodInt, row.PeriodType);
        default: return {};
    }
}

QVariant ToDoListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < titles.size())
        return titles[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ToDoListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0 ||
        section >= titles.size())
        return false;
    titles[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

// ---------------------------------------------------------------- window

TfrmToDoList::TfrmToDoList(TaskStore& tasks, TfrmCreateToDo* editor, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      tasks_(tasks),
      editor_(editor) {
    setObjectName(QStringLiteral("frmToDoList"));
    setProperty("helpContext", 4);
    setWindowTitle(QStringLiteral("To do list"));
    setFixedSize(519, 308);
    setModal(false);
    setFont(compactFont(font()));

    auto* toolBar = new ToolBar(this, QSize(25, 29));
    ToolBar1 = toolBar;
    auto* bar = toolBar->row();
    auto tool = [toolBar](const char* name, const char* hint, int image) {
        return toolBar->addTool(name, hint, image);
    };
    tbEdit = tool("tbEdit", "Edit", 5);
    tbNew = tool("tbNew", "New task", 6);
    tbDelete = tool("tbDelete", "Delete task", 7);
    bar->addStretch();

    dsToDoList = new ToDoListModel(this);
    grToDoList = new QTableView(this);
    grToDoList->setObjectName(QStringLiteral("grToDoList"));
    grToDoList->setModel(dsToDoList);
    grToDoList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grToDoList->setSelectionBehavior(QAbstractItemView::SelectRows);
    grToDoList->setSelectionMode(QAbstractItemView::SingleSelection);
    grToDoList->setShowGrid(true);
    grToDoList->setWordWrap(false);
    grToDoList->verticalHeader()->hide();
    grToDoList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grToDoList->verticalHeader()->setDefaultSectionSize(20);
    grToDoList->horizontalHeader()->setHighlightSections(false);
    grToDoList->horizontalHeader()->setStretchLastSection(false);
    grToDoList->setColumnWidth(ToDoListModel::ColShowDT, 128);
    grToDoList->setColumnWidth(ToDoListModel::ColTitle, 221);
    grToDoList->setColumnWidth(ToDoListModel::ColActiveTime, 73);
    grToDoList->setColumnWidth(ToDoListModel::ColCycle, 87);
    applyDataGridStyle(grToDoList);
    // Every cell is drawn by the shared gradient painter (the selected row
    // gets the gradient, a frame and bold text).
    grToDoList->setItemDelegate(new GradientCellDelegate(grToDoList));

    plBottom = new QWidget(this);
    plBottom->setObjectName(QStringLiteral("plBottom"));
    plBottom->setFixedHeight(7);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(grToDoList, 1);
    layout->addWidget(plBottom);

    connect(tbEdit, &QToolButton::clicked, this, guarded(this, &TfrmToDoList::tbEditClick));
    connect(tbNew, &QToolButton::clicked, this, guarded(this, &TfrmToDoList::tbNewClick));
    connect(tbDelete, &QToolButton::clicked, this, guarded(this, &TfrmToDoList::tbDeleteClick));
    connect(grToDoList, &QTableView::doubleClicked, this, guarded(this, &TfrmToDoList::grToDoListDblClick));
    connect(grToDoList->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            guarded(this, &TfrmToDoList::grToDoListDblClick));
    grToDoList->installEventFilter(this);
    // A scroll bar coming or going changes the room for the columns.
    grToDoList->viewport()->installEventFilter(this);
    connect(dsToDoList, &QAbstractItemModel::headerDataChanged, this, guarded(this, &TfrmToDoList::fitColumns));
    connect(dsToDoList, &QAbstractItemModel::modelReset, this, &TfrmToDoList::dsToDoListDataChange);
    connect(dsToDoList, &QAbstractItemModel::rowsInserted, this, &TfrmToDoList::dsToDoListDataChange);

    fetchTimer_ = new QTimer(this);
    fetchTimer_->setInterval(0);
    connect(fetchTimer_, &QTimer::timeout, this, guarded([this] {
                if (!dsToDoList->showMore(4096)) fetchTimer_->stop();
            }));

    move(80, 80);
}

void TfrmToDoList::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmToDoList::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormClose();
}

void TfrmToDoList::fitColumns() {
    // The designed widths at least; wider where a language's titles or the
    // locale's dates need it, measured in bold (the titles and the selected
    // row are bold).
    QFont bold = grToDoList->font();
    bold.setBold(true);
    const QFontMetrics fm(bold);
    constexpr int kCellPadding = 10;   // the text's inset and the grid line
    constexpr int kTitlePadding = 14;  // the title's padding and border
    auto title = [&](int column) { return fm.horizontalAdvance(dsToDoList->titles.value(column)) + kTitlePadding; };
    auto widest = [&](const QStringList& texts) {
        int w = 0;
        for (const QString& t : texts) w = std::max(w, fm.horizontalAdvance(t) + kCellPadding);
        return w;
    };
    // Two-digit day, month and hours, before and after noon.
    needDate_ = std::max({128, title(ToDoListModel::ColShowDT),
                          widest({formatShortDateTime(encodeDateTime({{2026, 12, 28}, {10, 58, 58, 0}})),
                                  formatShortDateTime(encodeDateTime({{2026, 12, 28}, {22, 58, 58, 0}}))})});
    QStringList activeTexts, cycleTexts;
    for (const PeriodUnit unit : {puMinutes, puHours, puDays, puWeeks, puMonths, puYears}) {
        const QString text = FormatCountWithUnit(88, unit);
        cycleTexts << text;
        if (unit <= puDays) activeTexts << text;
    }
    needActive_ = std::max({73, title(ToDoListModel::ColActiveTime), widest(activeTexts)});
    needCycle_ = std::max({71, title(ToDoListModel::ColCycle), widest(cycleTexts)});
    layoutColumns();
}

void TfrmToDoList::layoutColumns() {
    // The last column takes what the others leave (no empty strip); the
    // title gives way when the others need more room than the grid has.
    const int room = grToDoList->viewport()->width();
    const int title = std::clamp(room - needDate_ - needActive_ - needCycle_, 100, 221);
    grToDoList->setColumnWidth(ToDoListModel::ColShowDT, needDate_);
    grToDoList->setColumnWidth(ToDoListModel::ColTitle, title);
    grToDoList->setColumnWidth(ToDoListModel::ColActiveTime, needActive_);
    grToDoList->setColumnWidth(ToDoListModel::ColCycle, std::max(needCycle_, room - needDate_ - title - needActive_));
}

void TfrmToDoList::FormShow() {
    fitColumns();
    // A write to the table re-reads the list while it is shown.
    connect(&tasks_, &TaskStore::changed, this, &TfrmToDoList::RefreshToDoList, Qt::UniqueConnection);
    openList();
    setCurrentRow(1);
}

void TfrmToDoList::FormClose() {
    fetchTimer_->stop();
    dsToDoList->setCursor(nullptr);
}

void TfrmToDoList::openList() {
    auto cursor = tasks_.openToDoList();
    cursor->fetchMore(256);
    dsToDoList->setCursor(std::move(cursor));
    if (!dsToDoList->cursor()->fetchedAll()) fetchTimer_->start();
}

int TfrmToDoList::currentRow() const {
    if (dsToDoList->rowCount() == 0) return 0;
    const QModelIndex i = grToDoList->currentIndex();
    return i.isValid() ? i.row() + 1 : 1;
}

void TfrmToDoList::setCurrentRow(int row) {
    dsToDoList->ensureShown(row);
    const int count = dsToDoList->rowCount();
    if (count == 0) return;
    row = std::clamp(row, 1, count);
    grToDoList->setCurrentIndex(dsToDoList->index(row - 1, 0));
    grToDoList->selectRow(row - 1);
    dsToDoListDataChange();
}

int TfrmToDoList::currentTaskId() const {
    const int row = currentRow();
    if (row == 0) return 0;
    return dsToDoList->index(row - 1, 0).data(Qt::UserRole).toInt();
}

int TfrmToDoList::rowOfTask(int taskId) {
    if (taskId == 0) return 0;
    for (int row = 0;; ++row) {
        if (row >= dsToDoList->rowCount() && !dsToDoList->showMore(4096)) {
            if (row >= dsToDoList->rowCount()) return 0;
        }
        if (dsToDoList->index(row, 0).data(Qt::UserRole).toInt() == taskId) return row + 1;
    }
}

void TfrmToDoList::RefreshToDoList() {
    if (!isVisible()) return;
    // The task, not the row number: an edited task may move in the sorted
    // list, and the next Delete must not hit its neighbour.
    const int rememberedRow = currentRow();
    const int rememberedTask = currentTaskId();
    openList();
    const int row = rowOfTask(rememberedTask);
    setCurrentRow(row > 0 ? row : rememberedRow);  // clamped to the new last row
}

bool TfrmToDoList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grToDoList->viewport() && event->type() == QEvent::Resize) {
        layoutColumns();
        return false;
    }
    if (watched == grToDoList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            runGuarded([this] { tbDeleteClick(); });
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runGuarded([this] { tbEditClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmToDoList::dsToDoListDataChange() {
    // The last column stretches over the rest of the grid, with or without
    // a scroll bar: nothing to do for its width here.
}

void TfrmToDoList::tbNewClick() {
    if (editor_) editor_->OpenForNewTask();
}

void TfrmToDoList::tbEditClick() {
    const int id = currentTaskId();
    if (id == 0) return;  // an empty list: nothing to edit
    if (editor_) editor_->OpenForTask(id);
}

void TfrmToDoList::tbDeleteClick() {
    const int id = currentTaskId();
    if (id == 0) return;
    if (showMessage(GetLangMessage(QStringLiteral("WantDeleteTask")), windowTitle(), MsgIcon::Question, MsgYes | MsgNo,
                    this) != MsgYes)
        return;
    tasks_.removeTask(id);  // the store's changed() re-reads the list
}

void TfrmToDoList::grToDoListDblClick() { tbEditClick(); }

}  // namespace ostrel
