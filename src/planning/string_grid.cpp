#include "planning/string_grid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

namespace ostrel {

namespace {
constexpr int kObjectRole = Qt::UserRole + 1;
constexpr int kDataRole = Qt::UserRole + 2;
}  // namespace

// Draws a cell as the grid would and then lets the window paint over it;
// the cell editor is a plain line edit that fits a 15-pixel row.
class StringGridDelegate : public QStyledItemDelegate {
public:
    explicit StringGridDelegate(StringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int col = index.column();
        const int row = index.row() + grid_->fixedRows();
        if (col < grid_->fixedCols()) {
            painter->save();
            painter->fillRect(option.rect, QColor(0xe8, 0xf0, 0xe6));
            painter->setPen(QColor(0x24, 0x33, 0x2a));
            painter->drawText(option.rect.adjusted(2, 0, -1, 0), Qt::AlignVCenter | Qt::AlignLeft,
                              index.data(Qt::DisplayRole).toString());
            painter->restore();
        } else {
            // Selected cells, and the focused cell, in the selection colours;
            // the text a few pixels in (two unless the window asks for
            // more), cut at the cell's edge, or shortened with "…" where the
            // window asks for it.
            const bool selected =
                (option.state & QStyle::State_Selected) || (index == grid_->currentIndex() && grid_->hasFocus());
            painter->save();
            if (selected) painter->fillRect(option.rect, QColor(0x9f, 0xd0, 0x96));
            else if (col == grid_->markedCol_) painter->fillRect(option.rect, QColor(0xf3, 0xf7, 0xd6));
            const QRect textRect = option.rect.adjusted(grid_->textLeft_, 0, -grid_->textRight_, 0);
            painter->setClipRect(textRect);
            painter->setFont(option.font);
            painter->setPen(selected ? QColor(0x15, 0x30, 0x1a) : option.palette.color(QPalette::Text));
            painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                              grid_->fitText(index.data(Qt::DisplayRole).toString(), option.font, textRect.width()));
            painter->restore();
        }
        if (grid_->drawHook_) {
            painter->save();
            grid_->drawHook_(*painter, option.rect, col, row);
            painter->restore();
        }
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        editor->setObjectName(QStringLiteral("cellEditor"));
        editor->setFrame(false);
        editor->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px 1px; border: none; border-radius: 0px; }"));
        return editor;
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip) return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString hint = index.isValid() && grid_->hintForCell
                                 ? grid_->hintForCell(index.column(), index.row() + grid_->fixedRows())
                                 : QString();
        if (hint.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(event->globalPos(), hint, view->viewport(), option.rect);
        return true;
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                const bool handled = QStyledItemDelegate::eventFilter(object, event);
                // After the delegate's own (queued) commit and close.
                QMetaObject::invokeMethod(
                    grid_, [g = grid_] { emit g->editorEnded(true); }, Qt::QueuedConnection);
                return handled;
            }
            if (key == Qt::Key_Escape) {
                const bool handled = QStyledItemDelegate::eventFilter(object, event);
                emit grid_->editorEnded(false);
                return handled;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    StringGrid* grid_;
};

StringGrid::StringGrid(int fixedCols, int fixedRows, QWidget* parent)
    : QTableWidget(parent), fixedCols_(fixedCols), fixedRows_(fixedRows) {
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setShowGrid(true);
    setTabKeyNavigation(false);
    setMouseTracking(true);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(15);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView::section { padding: 0px 2px; }"));
    horizontalHeader()->setFixedHeight(15);
    horizontalHeader()->setVisible(fixedRows_ > 0);
    setItemDelegate(new StringGridDelegate(this));
}

QString StringGrid::fitText(const QString& text, const QFont& font, int width) const {
    if (!elide_) return text;
    return QFontMetrics(font).elidedText(text, Qt::ElideRight, width, Qt::TextSingleLine);
}

void StringGrid::setColWidth(int col, int width) {
    while (wanted_.size() <= col) wanted_.append(100);
    wanted_[col] = width;
    applyWidths();
}

int StringGrid::wantedColumnsWidth() const {
    int sum = 0;
    for (int c = 0; c < columnCount(); ++c) sum += c < wanted_.size() ? wanted_[c] : columnWidth(c);
    return sum;
}

void StringGrid::setFitLastColumn(bool on) {
    fitLast_ = on;
    if (on) setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    applyWidths();
}

void StringGrid::applyWidths() {
    const int n = columnCount();
    int used = 0;
    for (int c = 0; c < n; ++c) {
        int w = c < wanted_.size() ? wanted_[c] : columnWidth(c);
        if (fitLast_ && c == n - 1) w = std::max(8, std::min(w, viewport()->width() - used));
        if (columnWidth(c) != w) setColumnWidth(c, w);
        used += w;
    }
    if (fitLast_) horizontalScrollBar()->setValue(0);
}

void StringGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    applyWidths();
}

void StringGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QTableWidget::scrollTo(index, hint);
    if (fitLast_) horizontalScrollBar()->setValue(0);
}

void StringGrid::setColCount(int n) {
    const int old = columnCount();
    setColumnCount(n);
    applyWidths();
    for (int c = old; c < n; ++c)
        for (int r = 0; r < rowCount(); ++r) itemAt(c, r + fixedRows_, true);
}

void StringGrid::setGridRowCount(int n) {
    const int old = rowCount();
    setRowCount(std::max(0, n - fixedRows_));
    for (int r = old; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c) itemAt(c, r + fixedRows_, true);
}

QTableWidgetItem* StringGrid::itemAt(int col, int row, bool create) {
    if (col < 0 || col >= columnCount() || row < fixedRows_ || row - fixedRows_ >= rowCount()) return nullptr;
    QTableWidgetItem* it = item(row - fixedRows_, col);
    if (!it && create) {
        it = new QTableWidgetItem();
        it->setFlags(col < fixedCols_ ? Qt::NoItemFlags
                                      : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        setItem(row - fixedRows_, col, it);
    }
    return it;
}

QModelIndex StringGrid::indexOf(int col, int row) const { return model()->index(row - fixedRows_, col); }

QString StringGrid::cells(int col, int row) const {
    if (row < fixedRows_) {
        const QTableWidgetItem* h = horizontalHeaderItem(col);
        return h ? h->text() : QString();
    }
    const QTableWidgetItem* it =
        (row - fixedRows_ < rowCount() && col < columnCount() && col >= 0) ? item(row - fixedRows_, col) : nullptr;
    return it ? it->text() : QString();
}

void StringGrid::setCells(int col, int row, const QString& text) {
    if (row < fixedRows_) {
        if (col < 0 || col >= columnCount()) return;
        QTableWidgetItem* h = horizontalHeaderItem(col);
        if (!h) {
            h = new QTableWidgetItem();
            setHorizontalHeaderItem(col, h);
        }
        h->setText(text);
        return;
    }
    if (QTableWidgetItem* it = itemAt(col, row, true)) it->setText(text);
}

int StringGrid::objects(int col, int row) const {
    const QModelIndex i = indexOf(col, row);
    return i.isValid() ? i.data(kObjectRole).toInt() : 0;
}

void StringGrid::setObjects(int col, int row, int value) {
    if (QTableWidgetItem* it = itemAt(col, row, true)) it->setData(kObjectRole, value);
}

QVariant StringGrid::cellData(int col, int row) const {
    const QModelIndex i = indexOf(col, row);
    return i.isValid() ? i.data(kDataRole) : QVariant();
}

void StringGrid::setCellData(int col, int row, const QVariant& value) {
    if (QTableWidgetItem* it = itemAt(col, row, true)) it->setData(kDataRole, value);
}

int StringGrid::gridRow() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + fixedRows_ : -1;
}

int StringGrid::gridCol() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : -1;
}

void StringGrid::setGridRow(int row) { setCurrentCell(std::max(gridCol(), fixedCols_), row); }

void StringGrid::setCurrentCell(int col, int row) {
    const QModelIndex i = indexOf(col, row);
    if (i.isValid()) {
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (selectionBehavior() == QAbstractItemView::SelectRows) flags |= QItemSelectionModel::Rows;
        selectionModel()->setCurrentIndex(i, flags);
        scrollTo(i);
    }
    emit clicked();
}

GridRect StringGrid::selectionRect() const {
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    if (ranges.isEmpty()) {
        const int c = gridCol(), r = gridRow();
        return {c, r, c, r};
    }
    GridRect g{ranges[0].leftColumn(), ranges[0].topRow() + fixedRows_, ranges[0].rightColumn(),
               ranges[0].bottomRow() + fixedRows_};
    for (const auto& rg : ranges) {
        g.left = std::min(g.left, rg.leftColumn());
        g.right = std::max(g.right, rg.rightColumn());
        g.top = std::min(g.top, rg.topRow() + fixedRows_);
        g.bottom = std::max(g.bottom, rg.bottomRow() + fixedRows_);
    }
    return g;
}

void StringGrid::setSelectionRect(const GridRect& rect) {
    if (rect.isNone()) {
        clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        viewport()->update();
        return;
    }
    const QModelIndex current = indexOf(rect.left, rect.top);
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    const QItemSelection sel(indexOf(rect.left, rect.top), indexOf(rect.right, rect.bottom));
    selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
    viewport()->update();
}

void StringGrid::openEditor() {
    const QModelIndex i = currentIndex();
    if (!i.isValid()) return;
    scrollTo(i);
    setFocus(Qt::OtherFocusReason);
    QAbstractItemView::edit(i);
}

bool StringGrid::editorOpen() const { return state() == QAbstractItemView::EditingState; }

void StringGrid::closeCellEditor(bool commit) {
    const QModelIndex i = currentIndex();
    QWidget* editor = i.isValid() ? indexWidget(i) : nullptr;
    if (!editor) {
        // The editor may sit on another cell than the current one.
        for (QWidget* w : viewport()->findChildren<QWidget*>(QStringLiteral("cellEditor"), Qt::FindDirectChildrenOnly))
            if (w->isVisible()) editor = w;
    }
    if (!editor) return;
    if (commit) commitData(editor);
    closeEditor(editor, commit ? QAbstractItemDelegate::SubmitModelCache : QAbstractItemDelegate::RevertModelCache);
}

bool StringGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (!editing_) return false;
    return QTableWidget::edit(index, trigger, event);
}

void StringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableWidget::closeEditor(editor, hint);
}

bool StringGrid::cellAt(const QPoint& pos, int& col, int& row) const {
    const QModelIndex i = indexAt(pos);
    if (!i.isValid()) return false;
    col = i.column();
    row = i.row() + fixedRows_;
    return true;
}

QRect StringGrid::cellRect(int col, int row) const { return visualRect(indexOf(col, row)); }

void StringGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex i = indexAt(event->position().toPoint());
    pressed_ = event->button() == Qt::LeftButton && i.isValid() && i.column() >= fixedCols_;
    QTableWidget::mousePressEvent(event);
}

void StringGrid::mouseMoveEvent(QMouseEvent* event) {
    QTableWidget::mouseMoveEvent(event);
    emit pointerMoved(event->position().toPoint(), event->buttons(), event->modifiers());
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    emit pointerReleased();
    if (pressed_ && event->button() == Qt::LeftButton) {
        pressed_ = false;
        emit clicked();
    }
}

void StringGrid::focusOutEvent(QFocusEvent* event) {
    QTableWidget::focusOutEvent(event);
    if (!editorOpen()) emit exited();
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
    const QPersistentModelIndex before = currentIndex();
    QTableWidget::keyPressEvent(event);
    if (currentIndex() != before) emit clicked();
}

}  // namespace ostrel
