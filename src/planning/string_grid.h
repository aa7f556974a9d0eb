#pragma once
// A grid of texts with one small number per cell (the cell's "object"), in
// the coordinates the day-planning windows count in: (column, row), with an
// optional fixed first row (the column titles, shown as the header) and an
// optional fixed first column (shown as a grey column that takes no clicks).
//
// Its click event (clicked()) is raised when a mouse selection ends (the
// button is released over the grid), when the user moves the current cell
// with the keyboard, and when the program sets the current cell through
// setGridRow()/setCurrentCell().

#include <QStyledItemDelegate>
#include <QTableWidget>

#include <functional>

namespace ostrel {

// Left, top, right, bottom in grid coordinates; all -1 for "none".
struct GridRect {
    int left = -1, top = -1, right = -1, bottom = -1;
    bool isNone() const { return left < 0 || top < 0; }
};

class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    StringGrid(int fixedCols, int fixedRows, QWidget* parent = nullptr);

    int fixedCols() const { return fixedCols_; }
    int fixedRows() const { return fixedRows_; }

    // Sizes in grid coordinates (fixed row and column included).
    int colCount() const { return columnCount(); }
    void setColCount(int n);
    int gridRowCount() const { return rowCount() + fixedRows_; }
    void setGridRowCount(int n);
    // Column widths. With fitLastColumn on, the last column gives up what
    // the viewport lacks (the room the vertical scroll bar takes), so every
    // column stays in view and the grid never scrolls sideways.
    void setColWidth(int col, int width);
    int colWidth(int col) const { return columnWidth(col); }
    // What the columns ask for together (their widths as set, before the
    // last one gives way).
    int wantedColumnsWidth() const;
    void setFitLastColumn(bool on);
    // Room kept free either side of a cell's text (2 and 0 by default), so
    // a window that frames cells can keep the text off its lines.
    void setTextInsets(int left, int right) {
        textLeft_ = left;
        textRight_ = right;
        viewport()->update();
    }
    int textLeftInset() const { return textLeft_; }
    int textRightInset() const { return textRight_; }
    // A column drawn on a tinted background (-1: none), as the schedule's
    // week marks today.
    void setMarkedColumn(int col) {
        markedCol_ = col;
        viewport()->update();
    }
    // A text wider than its cell is shortened with "…" (on) or cut at the
    // cell's edge (off, the default: the schedule's plan boxes run on).
    void setElideText(bool on) {
        elide_ = on;
        viewport()->update();
    }

    QString cells(int col, int row) const;
    void setCells(int col, int row, const QString& text);
    int objects(int col, int row) const;
    void setObjects(int col, int row, int value);
    // Any extra value a window keeps with a cell.
    QVariant cellData(int col, int row) const;
    void setCellData(int col, int row, const QVariant& value);

    // The current cell; -1 when there is none.
    int gridRow() const;
    int gridCol() const;
    // Moves the current cell (the selection becomes that cell) and raises
    // the click event.
    void setGridRow(int row);
    void setCurrentCell(int col, int row);

    GridRect selectionRect() const;
    // Selects the rectangle; the current cell moves to its top left corner.
    // A rectangle of "none" clears the selection and the current cell.
    void setSelectionRect(const GridRect& rect);

    // In-cell editing: allowed only while switched on; openEditor() opens
    // the cell editor on the current cell as pressing Enter would.
    void setEditingEnabled(bool on) { editing_ = on; }
    bool editingEnabled() const { return editing_; }
    void openEditor();
    bool editorOpen() const;
    // Closes an open cell editor, keeping its text (commit) or not.
    void closeCellEditor(bool commit);

    // Called after a cell's background and text are drawn.
    using DrawCellHook = std::function<void(QPainter& painter, const QRect& rect, int col, int row)>;
    void setDrawCellHook(DrawCellHook hook) { drawHook_ = std::move(hook); }
    // The grid's hint (tool tip) for a cell; empty shows none.
    std::function<QString(int col, int row)> hintForCell;

    // The cell under a point of the viewport; false outside the cells.
    bool cellAt(const QPoint& viewportPos, int& col, int& row) const;
    QRect cellRect(int col, int row) const;

signals:
    void clicked();
    // Pointer moves over the viewport (viewport coordinates).
    void pointerMoved(const QPoint& pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void pointerReleased();
    // Enter or Escape ended the cell editor (commit true for Enter).
    void editorEnded(bool commit);
    // The grid lost the keyboard focus (not to its own cell editor).
    void exited();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

public:
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class StringGridDelegate;
    QTableWidgetItem* itemAt(int col, int row, bool create);
    QModelIndex indexOf(int col, int row) const;

    int fixedCols_;
    int fixedRows_;
    bool editing_ = false;
    bool pressed_ = false;
    DrawCellHook drawHook_;
    bool fitLast_ = false;
    int textLeft_ = 2;
    int textRight_ = 0;
    bool elide_ = false;
    int markedCol_ = -1;
    QString fitText(const QString& text, const QFont& font, int width) const;
    QList<int> wanted_;
    void applyWidths();
};

}  // namespace ostrel
