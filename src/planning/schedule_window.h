#pragma once
// The day schedule: one grid row per half hour, one column per day (day or
// week view). Plans are made by selecting free slots, pressing New and typing
// the title in the grid; a selected plan can be moved and retitled (Edit) or
// deleted.

#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QLabel>
#include <QToolButton>

#include "core/time/datetime.h"
#include "planning/string_grid.h"

namespace ostrel {

class PlanStore;

class TfrmSchedule : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSchedule(PlanStore& plans, QWidget* parent = nullptr);

    enum : int { esIdle = 0, esAdding = 1, esEditing = 2, esBusy = 3, esEditArmed = 4 };

    // Window state (see the class comment in schedule_window.cpp).
    int EntryState = esIdle;
    int SelStartRow = -1;
    int SelEndRow = -1;
    int EditCol = 0;
    DateTime OldShowDT = 0.0;
    DateTime WeekStart = 0.0;
    // 7 minus the locale's first day of week (0 Monday ... 6 Sunday); read
    // at creation. Tests may set it and rebuild.
    int FirstDayShift = 7;
    int HintRow = -1;
    int HintCol = -1;

    // The date of dtpSchedule as a date-time (midnight).
    DateTime scheduleDate() const;
    void setScheduleDate(DateTime date);
    // The first day of the week that holds the date.
    DateTime weekOf(DateTime date) const;
    bool weekView() const { return cbSchedule->currentIndex() == 1; }

    void cbScheduleChange();
    void dtpScheduleChange();
    void sgScheduleMouseMove(const QPoint& pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void sgScheduleMouseUp();
    void sgScheduleClick();
    void tbNewClick();
    void tbEditClick();
    void tbDeleteClick();
    void FillScheduleColumn(int col, DateTime day);
    static QString planHeader();
    // A week view column's heading for the day, with its weekday where the
    // column has room (bold: today's).
    QString weekHeading(DateTime day, bool bold) const;
    void fitTimeColumn();
    // The window's width for the view: the designed one, or in the week
    // view what its columns need beside the vertical scroll bar.
    void fitWidth();
    void SaveSchedulePlan(bool insert, const QString& title);

    // The grid's hint for a cell: the title of the plan that covers it.
    QString hintFor(int col, int row) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* ToolBar1;
    QToolButton* tbEdit;
    QToolButton* tbNew;
    QToolButton* tbDelete;
    QWidget* plTop;
    QLabel* lbViewMode;
    QLabel* lbDate;
    QComboBox* cbSchedule;
    QDateEdit* dtpSchedule;
    StringGrid* sgSchedule;
    QWidget* plBottom;

    void FormShow();
    void rebuild();
    void sgScheduleDrawCell(QPainter& painter, const QRect& rect, int col, int row);
    // Ends a title entry without saving: closes the cell editor and puts
    // back what the cell showed before.
    void dropEntry();
    void startEntry(int state, const QString& text);
    // Whether rows top..bottom of a column hold no plan, the rows
    // ownTop..ownBottom counting as free (a moved plan's own slots).
    bool slotsFree(int col, int top, int bottom, int ownTop = -1, int ownBottom = -1) const;
    // The column that shows a day, or -1.
    int columnOfDay(DateTime day) const;
    void editorEnded(bool commit);

    PlanStore& plans_;
    // The moved plan's slots (grid rows) at the time Edit was pressed.
    int oldStartRow_ = -1;
    int oldEndRow_ = -1;
    // What the cell showed before a title entry began in it.
    QString entryCellText_;
    int entryRow_ = -1;
};

}  // namespace ostrel
