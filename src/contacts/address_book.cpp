#include "contacts/address_book.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

#include "base/language_texts.h"
#include "contacts/person_editor.h"
#include "contacts/person_viewer.h"
#include "ui/dialog_service.h"
#include "ui/error_display.h"
#include "ui/gradient_paint.h"
#include "ui/grid_style.h"
#include "ui/guarded.h"
#include "ui/tool_bar.h"
#include "ui/tool_icons.h"

namespace ostrel {

namespace {

// The list's name column: as wide as the grid while there is no scroll bar
// to leave room for, narrower once there are rows enough to scroll.
constexpr int kWideNameColumn = 210;
constexpr int kNameColumn = 194;

}  // namespace

// ---------------------------------------------------------------- model

ContactListModel::ContactListModel(QObject* parent) : QAbstractTableModel(parent) {
    setObjectName(QStringLiteral("dsContactList"));
}

void ContactListModel::setQuery(std::unique_ptr<sql::Query> query) {
    beginResetModel();
    query_ = std::move(query);
    names_.clear();
    ids_.clear();
    if (query_) {
        const int nameColumn = query_->fieldIndex("ContactName");
        const int idColumn = query_->fieldIndex("ABID");
        const int count = query_->fetchedCount();
        names_.reserve(static_cast<std::size_t>(count));
        ids_.reserve(static_cast<std::size_t>(count));
        for (int r = 0; r < count; ++r) {
            names_.push_back(QString::fromStdString(sql::toText(query_->valueAt(r, nameColumn))));
            ids_.push_back(sql::toInteger(query_->valueAt(r, idColumn)));
        }
    }
    endResetModel();
}

int ContactListModel::findPrefix(const QString& prefix) const {
    for (std::size_t r = 0; r < names_.size(); ++r)
        if (names_[r].startsWith(prefix, Qt::CaseInsensitive)) return static_cast<int>(r);
    return -1;
}

void ContactListModel::removeListRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    names_.erase(names_.begin() + row);
    ids_.erase(ids_.begin() + row);
    endRemoveRows();
}

int ContactListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

int ContactListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

QVariant ContactListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole) return nameAt(index.row());
    if (role == Qt::UserRole) return qlonglong(idAt(index.row()));
    return {};
}

QVariant ContactListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == 0) return title;
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ContactListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || section != 0 || (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    title = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

// ---------------------------------------------------------------- window

TfrmAddressBook::TfrmAddressBook(ContactStore& store, TfrmViewPerson* viewer, TfrmPersonEdit* editor, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      store_(store),
      viewer_(viewer),
      editor_(editor) {
    setObjectName(QStringLiteral("frmAddressBook"));
    setWindowTitle(QStringLiteral("Address book"));
    setProperty("helpContext", 7);
    setFixedSize(216, 386);
    setModal(false);
    setFont(compactFont(font()));

    auto* toolBar = new ToolBar(this, QSize(25, 27), QMargins(2, 1, 2, 1));
    ToolBar1 = toolBar;
    auto* bar = toolBar->row();
    auto tool = [toolBar](const char* name, const char* hint, int image) {
        return toolBar->addTool(name, hint, image);
    };
    tbView = tool("tbView", "View contact", 4);
    tbEdit = tool("tbEdit", "Edit contact", 5);
    tbAdd = tool("tbAdd", "Add contact", 6);
    tbDelete = tool("tbDelete", "Delete contact", 7);
    auto* divider = new QFrame(ToolBar1);
    divider->setObjectName(QStringLiteral("ToolButton5"));
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    divider->setFixedSize(8, 22);
    bar->addWidget(divider);
    tbFamily = tool("tbFamily", "Family", 1);
    tbJob = tool("tbJob", "Job", 2);
    tbFrends = tool("tbFrends", "Frends", 3);
    tbNotAssigned = tool("tbNotAssigned", "Not assigned", 0);
    for (QToolButton* t : {tbFamily, tbJob, tbFrends, tbNotAssigned}) {
        t->setCheckable(true);
        t->setChecked(true);
    }
    bar->addStretch();

    dsContactList = new ContactListModel(this);
    dgContactList = new QTableView(this);
    dgContactList->setObjectName(QStringLiteral("dgContactList"));
    dgContactList->setModel(dsContactList);
    dgContactList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgContactList->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgContactList->setSelectionMode(QAbstractItemView::SingleSelection);
    dgContactList->setShowGrid(true);
    dgContactList->setWordWrap(false);
    dgContactList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    dgContactList->verticalHeader()->hide();
    dgContactList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dgContactList->verticalHeader()->setDefaultSectionSize(18);
    dgContactList->horizontalHeader()->setHighlightSections(false);
    dgContactList->horizontalHeader()->setStretchLastSection(false);
    dgContactList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    dgContactList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    dgContactList->setColumnWidth(0, kWideNameColumn);
    applyDataGridStyle(dgContactList);
    // The selected row gets the gradient, a frame and bold text.
    dgContactList->setItemDelegate(new GradientCellDelegate(dgContactList));

    plBottom = new QWidget(this);
    plBottom->setObjectName(QStringLiteral("plBottom"));
    plBottom->setFixedHeight(33);
    lbSearch = new QLabel(QStringLiteral("Search"), plBottom);
    lbSearch->setObjectName(QStringLiteral("lbSearch"));
    edSearch = new QLineEdit(plBottom);
    edSearch->setObjectName(QStringLiteral("edSearch"));
    edSearch->setClearButtonEnabled(true);
    auto* bottom = new QHBoxLayout(plBottom);
    bottom->setContentsMargins(6, 5, 6, 6);
    bottom->setSpacing(6);
    bottom->addWidget(lbSearch);
    bottom->addWidget(edSearch, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(dgContactList, 1);
    layout->addWidget(plBottom);

    connect(tbView, &QToolButton::clicked, this, guarded([this] { tbViewClick(); }));
    connect(tbEdit, &QToolButton::clicked, this, guarded([this] { tbEditClick(); }));
    connect(tbAdd, &QToolButton::clicked, this, guarded([this] { tbAddClick(); }));
    connect(tbDelete, &QToolButton::clicked, this, guarded([this] { tbDeleteClick(); }));
    for (QToolButton* t : {tbFamily, tbJob, tbFrends, tbNotAssigned})
        connect(t, &QToolButton::toggled, this, guarded([this] { tbFamilyClick(); }));
    connect(edSearch, &QLineEdit::textChanged, this, guarded([this] { edSearchChange(); }));
    connect(dgContactList, &QTableView::doubleClicked, this, guarded([this] { dgContactListDblClick(); }));
    connect(dgContactList->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            guarded([this] { dgContactListDblClick(); }));

    move(55, 75);
}

void TfrmAddressBook::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) runGuarded([this] { FormShow(); });
}

void TfrmAddressBook::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormClose();
}

void TfrmAddressBook::FormShow() { RefreshContactList(); }

void TfrmAddressBook::FormClose() { closeList(); }

void TfrmAddressBook::closeList() { dsContactList->setQuery(nullptr); }

void TfrmAddressBook::RefreshContactList() {
    if (!isVisible()) return;
    const int remembered = qrContactList() ? currentRow() : -1;
    closeList();
    ContactGroupFilter filter;
    filter.family = tbFamily->isChecked();
    filter.job = tbJob->isChecked();
    filter.friends = tbFrends->isChecked();
    filter.notAssigned = tbNotAssigned->isChecked();
    dsContactList->setQuery(store_.openContactList(filter));
    const int count = dsContactList->rowCount();
    dgContactList->setColumnWidth(0, count <= 1 ? kWideNameColumn : kNameColumn);
    // The remembered row comes back unless it was the last one (or is gone).
    setCurrentRow(remembered >= 0 && remembered < count ? remembered : 1);
}

int TfrmAddressBook::currentRow() const {
    if (dsContactList->rowCount() == 0) return 0;
    const QModelIndex i = dgContactList->currentIndex();
    return i.isValid() ? i.row() + 1 : 1;
}

void TfrmAddressBook::setCurrentRow(int row) {
    const int count = dsContactList->rowCount();
    if (count == 0) return;
    row = std::clamp(row, 1, count);
    const QModelIndex index = dsContactList->index(row - 1, 0);
    dgContactList->setCurrentIndex(index);
    dgContactList->selectRow(row - 1);
    dgContactList->scrollTo(index);
}

std::int64_t TfrmAddressBook::currentABID() const {
    const int row = currentRow();
    return row == 0 ? 0 : dsContactList->idAt(row - 1);
}

QString TfrmAddressBook::currentContactName() const {
    const int row = currentRow();
    return row == 0 ? QString() : dsContactList->nameAt(row - 1);
}

void TfrmAddressBook::tbFamilyClick() { RefreshContactList(); }

void TfrmAddressBook::edSearchChange() {
    const int row = dsContactList->findPrefix(edSearch->text());
    if (row >= 0) setCurrentRow(row + 1);
}

void TfrmAddressBook::tbViewClick() {
    // An empty list has no contact to show.
    if (currentRow() == 0 || !viewer_) return;
    viewer_->move(0, 0);
    viewer_->setWindowTitle(GetLangCaption(QStringLiteral("ViewContact"), QStringLiteral("View contact")) +
                            QStringLiteral(" - ") + currentContactName());
    viewer_->contactId = currentABID();
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
    viewer_->FillPersonInfo();
}

void TfrmAddressBook::dgContactListDblClick() { tbViewClick(); }

void TfrmAddressBook::tbEditClick() {
    if (currentRow() == 0 || !editor_) return;
    editor_->setWindowTitle(GetLangMessage(QStringLiteral("AddressBook")) + QStringLiteral(" - ") +
                            currentContactName());
    editor_->contactId = currentABID();
    if (!editor_->loadContact(editor_->contactId)) return;
    editor_->exec();
    RefreshContactList();
}

void TfrmAddressBook::tbAddClick() {
    if (!editor_) return;
    editor_->setWindowTitle(GetLangMessage(QStringLiteral("NewAddress")));
    editor_->contactId = 0;
    editor_->clearForNew();
    editor_->exec();
    RefreshContactList();
}

void TfrmAddressBook::tbDeleteClick() {
    const int row = currentRow();
    // Nothing to delete in an empty list: no question, no failing statement.
    if (row == 0) return;
    if (showMessage(GetLangMessage(QStringLiteral("WantDelete")), QStringLiteral("Address book"), MsgIcon::Question,
                    MsgOk | MsgCancel, this) != MsgOk)
        return;
    sql::Query* list = qrContactList();
    if (!list) return;
    list->setRecNo(row);
    store_.deleteListRow(*list);
    // The row that moved up into the deleted one's place becomes current
    // (the new last row when the last one was deleted).
    dsContactList->removeListRow(row - 1);
    setCurrentRow(std::min(row, dsContactList->rowCount()));
    RefreshContactList();
}

}  // namespace ostrel
