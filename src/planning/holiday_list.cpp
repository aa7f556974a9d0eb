#include "planning/holiday_list.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/app_commands.h"
#include "ui/gradient_paint.h"
#include "ui/grid_style.h"
#include "ui/guarded.h"
#include "ui/locale_format.h"
#include "ui/tool_bar.h"
#include "ui/tool_icons.h"

namespace ostrel {

namespace {

// Title column widths: room for the scroll bar from two rows on.
constexpr int kTitleWidthShort = 213;
constexpr int kTitleWidthLong = 197;

}  // namespace

// ---------------------------------------------------------------- model

HolidayListModel::HolidayListModel(QObject* parent) : QAbstractTableModel(parent) {
    setObjectName(QStringLiteral("dsHolidaysList"));
}

void HolidayListModel::open(std::vector<HolidayRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void HolidayListModel::close() {
    beginResetModel();
    rows_.reset();
    endResetModel();
}

const HolidayRow* HolidayListModel::rowAt(int row) const {
    if (!rows_ || row < 0 || row >= static_cast<int>(rows_->size())) return nullptr;
    return &(*rows_)[static_cast<std::size_t>(row)];
}

void HolidayListModel::setDateFormat(const QString& format) {
    dateFormat_ = format;
    if (rowCount() > 0) emit dataChanged(index(0, ColFirstDT), index(rowCount() - 1, ColFirstDT));
}

int HolidayListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !rows_ ? 0 : static_cast<int>(rows_->size());
}

int HolidayListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant HolidayListModel::data(const QModelIndex& index, int role) const {
    const HolidayRow* r = index.isValid() ? rowAt(index.row()) : nullptr;
    if (!r) return {};
    if (role == Qt::UserRole) return r->TDID;
    if (role != Qt::DisplayRole) return {};
    if (index.column() == ColFirstDT) return toQDateTime(r->FirstDT).date().toString(dateFormat_);
    return r->Title;
}

QVariant HolidayListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < titles.size())
        return titles[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool HolidayListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0 ||
        section >= titles.size())
        return false;
    titles[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

// ---------------------------------------------------------------- window

TfrmHolidayList::TfrmHolidayList(HolidayStore& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      store_(store) {
    setObjectName(QStringLiteral("frmHolidayList"));
    setWindowTitle(QStringLiteral("Holidays list"));
    setProperty("helpContext", 6);
    setFixedSize(263, 438);
    setModal(false);
    setFont(compactFont(font()));

    auto* toolBar = new ToolBar(this, QSize(25, 29));
    ToolBar1 = toolBar;
    auto* bar = toolBar->row();
    auto tool = [toolBar](const char* name, const char* hint, int image) {
        return toolBar->addTool(name, hint, image);
    };
    tbEdit = tool("tbEdit", "Edit holiday", 5);
    tbNew = tool("tbNew", "Add", 6);
    tbDelete = tool("tbDelete", "Delete", 7);
    bar->addStretch();

    dsHolidaysList = new HolidayListModel(this);
    grToDoList = new QTableView(this);
    grToDoList->setObjectName(QStringLiteral("grToDoList"));
    grToDoList->setModel(dsHolidaysList);
    grToDoList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grToDoList->setSelectionBehavior(QAbstractItemView::SelectRows);
    grToDoList->setSelectionMode(QAbstractItemView::SingleSelection);
    grToDoList->setShowGrid(true);
    grToDoList->setWordWrap(false);
    grToDoList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grToDoList->verticalHeader()->hide();
    grToDoList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grToDoList->verticalHeader()->setDefaultSectionSize(20);
    grToDoList->horizontalHeader()->setHighlightSections(false);
    grToDoList->horizontalHeader()->setStretchLastSection(false);
    grToDoList->setColumnWidth(HolidayListModel::ColFirstDT, 42);
    grToDoList->setColumnWidth(HolidayListModel::ColTitle, kTitleWidthLong);
    applyDataGridStyle(grToDoList);
    // Every cell goes through the shared gradient painter (the selected row
    // gets the gradient, a frame and bold text).
    grToDoList->setItemDelegate(new GradientCellDelegate(grToDoList));

    plBottom = new QWidget(this);
    plBottom->setObjectName(QStringLiteral("plBottom"));
    plBottom->setFixedHeight(8);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(grToDoList, 1);
    layout->addWidget(plBottom);

    connect(tbEdit, &QToolButton::clicked, this, guarded(this, &TfrmHolidayList::tbEditClick));
    connect(tbNew, &QToolButton::clicked, this, guarded(this, &TfrmHolidayList::tbNewClick));
    connect(tbDelete, &QToolButton::clicked, this, guarded(this, &TfrmHolidayList::tbDeleteClick));
    // A double click on a cell or on the title row opens the current row;
    // outside the cells nothing happens.
    connect(grToDoList, &QTableView::doubleClicked, this, guarded(this, &TfrmHolidayList::grToDoListDblClick));
    connect(grToDoList->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            guarded(this, &TfrmHolidayList::grToDoListDblClick));
    connect(dsHolidaysList, &QAbstractItemModel::modelReset, this, &TfrmHolidayList::dsHolidaysListDataChange);
    connect(grToDoList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TfrmHolidayList::dsHolidaysListDataChange);
    // Every save or delete, from whichever window, re-reads the list.
    connect(&store_, &HolidayStore::changed, this, guarded(this, &TfrmHolidayList::RefreshHolidayList));

    move(80, 80);
}

QString TfrmHolidayList::dayMonthFormat() {
    // The separator is the first character of the short date format that is
    // not part of a field.
    QChar separator = QLatin1Char('.');
    bool quoted = false;
    for (const QChar c : shortDateFormat()) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted || c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) continue;
        separator = c;
        break;
    }
    QString format = QStringLiteral("dd");
    if (separator.isLetter()) {
        format += QLatin1Char('\'') + separator + QLatin1Char('\'');
    } else {
        format += separator;
    }
    return format + QStringLiteral("MM");
}

void TfrmHolidayList::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) runGuarded([this] { FormShow(); });
}

void TfrmHolidayList::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormClose();
}

void TfrmHolidayList::FormShow() {
    openList();
    setCurrentRow(1);
}

void TfrmHolidayList::FormClose() { dsHolidaysList->close(); }

void TfrmHolidayList::openList() {
    dsHolidaysList->open(store_.listHolidays());
    dsHolidaysList->setDateFormat(dayMonthFormat());
}

int TfrmHolidayList::currentRow() const {
    if (dsHolidaysList->rowCount() == 0) return 0;
    const QModelIndex i = grToDoList->currentIndex();
    return i.isValid() ? i.row() + 1 : 1;
}

void TfrmHolidayList::setCurrentRow(int row) {
    const int count = dsHolidaysList->rowCount();
    if (count == 0) return;
    row = std::clamp(row, 1, count);
    grToDoList->setCurrentIndex(dsHolidaysList->index(row - 1, 0));
    grToDoList->selectRow(row - 1);
}

std::optional<HolidayRow> TfrmHolidayList::currentHoliday() const {
    const int row = currentRow();
    if (row == 0) return std::nullopt;
    const HolidayRow* r = dsHolidaysList->rowAt(row - 1);
    return r ? std::optional<HolidayRow>(*r) : std::nullopt;
}

void TfrmHolidayList::RefreshHolidayList() {
    if (!isVisible()) return;
    const int remembered = currentRow();
    openList();
    if (dsHolidaysList->rowCount() > 0) setCurrentRow(std::min(remembered, dsHolidaysList->rowCount()));
}

void TfrmHolidayList::dsHolidaysListDataChange() {
    grToDoList->setColumnWidth(HolidayListModel::ColTitle,
                               dsHolidaysList->rowCount() >= 2 ? kTitleWidthLong : kTitleWidthShort);
}

void TfrmHolidayList::tbNewClick() { runCommand(AppCommand::NewHoliday); }

void TfrmHolidayList::tbEditClick() {
    // An empty list has no row to edit.
    if (const auto row = currentHoliday()) emit editHoliday(*row);
}

void TfrmHolidayList::tbDeleteClick() {
    // An empty list has no row to delete.
    if (const auto row = currentHoliday()) store_.deleteHoliday(row->TDID);
}

void TfrmHolidayList::grToDoListDblClick() { tbEditClick(); }

}  // namespace ostrel
