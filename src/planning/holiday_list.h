#pragma once
// The holidays list: every holiday by month and day, whatever its year, with
// commands to add, edit and delete.

#include <QAbstractTableModel>
#include <QDialog>
#include <QTableView>
#include <QToolButton>

#include <optional>
#include <vector>

#include "data/holiday_store.h"

namespace ostrel {

// The rows of the list while the window is shown. Texts are formatted only
// for the cells that are drawn.
class HolidayListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColFirstDT, ColTitle, ColumnCount };
    explicit HolidayListModel(QObject* parent = nullptr);

    // Opens the data set with the given rows; close() releases it.
    void open(std::vector<HolidayRow> rows);
    void close();
    bool isOpen() const { return rows_.has_value(); }
    const HolidayRow* rowAt(int row) const;  // 0-based; null outside

    // The date column's display format ("dd", the date separator, "MM").
    void setDateFormat(const QString& format);
    QString dateFormat() const { return dateFormat_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;

    // Column titles; the language file may replace them.
    QStringList titles = {QStringLiteral("Date"), QStringLiteral("Title")};

private:
    std::optional<std::vector<HolidayRow>> rows_;
    QString dateFormat_ = QStringLiteral("dd.MM");
};

class TfrmHolidayList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmHolidayList(HolidayStore& store, QWidget* parent = nullptr);

    // The data set behind the grid: open only while the window is shown.
    bool qrHolidaysOpen() const { return dsHolidaysList->isOpen(); }

    // Re-reads the list keeping the current row; nothing while hidden.
    void RefreshHolidayList();
    // Current row, 1-based; 0 when the list is empty.
    int currentRow() const;
    void setCurrentRow(int row);
    // The holiday of the current row; none when the list is empty.
    std::optional<HolidayRow> currentHoliday() const;

    void tbNewClick();
    void tbEditClick();
    void tbDeleteClick();
    void grToDoListDblClick();
    void dsHolidaysListDataChange();

    // "dd", the system's date separator, "MM".
    static QString dayMonthFormat();

signals:
    // Edit asks for the holiday editor on this holiday.
    void editHoliday(const HolidayRow& row);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* ToolBar1;
    QToolButton* tbEdit;
    QToolButton* tbNew;
    QToolButton* tbDelete;
    QTableView* grToDoList;
    HolidayListModel* dsHolidaysList;
    QWidget* plBottom;

    void FormShow();
    void FormClose();
    void openList();
    HolidayStore& store_;
};

}  // namespace ostrel
