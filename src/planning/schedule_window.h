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

#include "core/data/plan_clicks.h"
#include "core/time/datetime.h"
#include "planning/string_grid.h"

namespace ostrel {

class PlanStore;

class TfrmSchedule : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSchedule(PlanStore& plans, QWidget* parent = nullptr);

    // The title entry's state and the selected plan's rows (grid rows,
    // -1: none).
    EntryState entryState() const { return clicks_.state(); }
    int selStartRow() const { return clicks_.selStartRow(); }
    int selEndRow() const { return clicks_.selEndRow(); }
    // The first day of the week view.
    DateTime weekStart() const { return weekStart_; }
    // 7 minus the first day of the week (0 Monday ... 6 Sunday), read from
    // the locale at creation; tests set another and rebuild.
    void setFirstDayShift(int shift) { firstDayShift_ = shift; }

    // The date of dtpSchedule as a date-time (midnight).
    DateTime scheduleDate() const;
    void setScheduleDate(DateTime date);
    // The first day of the week that holds the date.
    DateTime weekOf(DateTime date) const;
    bool weekView() const { return cbSchedule->currentIndex() == 1; }

    void cbScheduleChange();
    void dtpScheduleChange();
    void sgScheduleMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
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
    void buildTopPanel();
    void buildGrid();
    void connectControls();
    void rebuild();
    void sgScheduleDrawCell(QPainter& painter, const QRect& rect, int col, int row);
    // Ends a title entry without saving: closes the cell editor and puts
    // back what the cell showed before.
    void dropEntry();
    // Opens the title editor in the entry's cell with the text.
    void startEntry(bool adding, const QString& text);
    // Carries out what a click on the grid asked for (typedRow: where a
    // title was typed; adding: the entry was of a new plan).
    void carryOut(ClickAction action, const GridClick& click, int typedRow, bool adding);
    // The column that shows a day, or -1.
    int columnOfDay(DateTime day) const;
    void editorEnded(bool commit);

    PlanStore& plans_;
    PlanClicks clicks_;
    // Where the moved plan was when Edit was pressed.
    DateTime oldShowDT_ = 0.0;
    DateTime weekStart_ = 0.0;
    int firstDayShift_ = 7;
    // What the cell showed before a title entry began in it.
    QString entryCellText_;
    int entryRow_ = -1;
};

}  // namespace ostrel
