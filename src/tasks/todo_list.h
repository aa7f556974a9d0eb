#pragma once
// The to-do list: every task in the order in which it falls due.

#include <QAbstractTableModel>
#include <QDialog>
#include <QPointer>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <memory>

#include "data/task_store.h"

namespace ostrel {

class TfrmCreateToDo;

// The rows of the task store's list cursor, shown by the grid. Texts are
// formatted only for the cells that are drawn, so a long list opens quickly.
class ToDoListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColShowDT, ColTitle, ColActiveTime, ColCycle, ColumnCount };
    explicit ToDoListModel(QObject* parent = nullptr);

    // Takes over an open cursor (nullptr empties the model).
    void setCursor(std::unique_ptr<ToDoListCursor> cursor);
    ToDoListCursor* cursor() const { return cursor_.get(); }

    // Rows read so far; the view asks for more as it scrolls.
    int rowCount(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // Reads rows until at least count are shown (or all are).
    void ensureShown(int count);
    // Reads up to count more rows; false once every row is shown.
    bool showMore(int count);
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;

    // Column titles; the language file may replace them.
    QStringList titles = {QStringLiteral("Date - Time"), QStringLiteral("Title"), QStringLiteral("Active time"),
                          QStringLiteral("Cycle")};

private:
    std::unique_ptr<ToDoListCursor> cursor_;
    int shown_ = 0;
};

class TfrmToDoList : public QDialog {
    Q_OBJECT
public:
    // tasks: the store the list reads and deletes through; editor: where New
    // and Edit open the task (may be null: they do nothing then).
    explicit TfrmToDoList(TaskStore& tasks, TfrmCreateToDo* editor = nullptr, QWidget* parent = nullptr);

    // The list's cursor while the window is shown; null while it is hidden.
    ToDoListCursor* qrToDoList() const { return dsToDoList->cursor(); }

    // Re-reads the list keeping the same task current (by its id; the same
    // row number only when that task is gone); nothing while hidden.
    void RefreshToDoList();
    // The row (1-based) of the task with that id; 0 when it is not listed.
    int rowOfTask(int taskId);
    // Current row, 1-based; 0 when the list is empty.
    int currentRow() const;
    void setCurrentRow(int row);
    int currentTaskId() const;

    void tbNewClick();
    void tbEditClick();
    void tbDeleteClick();
    void grToDoListDblClick();
    void dsToDoListDataChange();
    // Column widths for the language and the locale: the designed widths at
    // least, the last column over the rest of the grid.
    void fitColumns();
    // Sets the widths for the room the grid has now.
    void layoutColumns();

protected:
    // The grid's keys: Delete deletes, Enter edits.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TaskStore& tasks_;
    QPointer<TfrmCreateToDo> editor_;
    QWidget* ToolBar1;
    QToolButton* tbEdit;
    QToolButton* tbNew;
    QToolButton* tbDelete;
    QTableView* grToDoList;
    ToDoListModel* dsToDoList;
    QWidget* plBottom;

    void FormShow();
    void FormClose();
    void openList();
    // Reads the rest of the list a slice at a time while the window is idle.
    QTimer* fetchTimer_;
    // Widths the columns need (fitColumns).
    int needDate_ = 128;
    int needActive_ = 73;
    int needCycle_ = 71;
};

}  // namespace ostrel
