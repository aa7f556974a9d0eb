#pragma once
// The holiday editor: one modeless dialog for a new and an existing holiday
// (OK inserts a new one and updates an existing one).

#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include "data/holiday_store.h"

namespace ostrel {

class TfrmNewHoliday : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewHoliday(HolidayStore& store, QWidget* parent = nullptr);

    // The TDID of the holiday being edited; 0 for a new one (OK inserts it).
    int holidayId = 0;

    // The "Holiday" command: shows the editor (defaults when it was hidden),
    // caption "NewHoliday...", holidayId 0. Fields typed into an editor that is
    // already open stay.
    void OpenForNewHoliday();
    // Shows the editor with the fields of a stored holiday.
    void OpenForHoliday(const HolidayRow& row);

    void cbRemindClick();
    // Validates and saves; true when the holiday was saved (the editor is
    // then hidden).
    bool bbOkClick();
    void bbCancelClick();

    // The prompt shown in the title field of a new holiday.
    static QString titlePrompt();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    QLabel* lbTitle;
    QLineEdit* edTitle;
    QLabel* lbDate;
    QDateEdit* dtpToDoDate;
    QCheckBox* cbRemind;
    QSpinBox* seActiveTime;
    QLabel* lbDays;
    QLabel* lbDescription;
    QPlainTextEdit* memComment;
    QPushButton* bbOk;
    QPushButton* bbCancel;

    void FormShow();
    HolidayStore& store_;
};

}  // namespace ostrel
