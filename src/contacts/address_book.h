#pragma once
// The address book: contact names of the chosen groups, a prefix search,
// and the commands that view, edit, add and delete a contact.

#include <QAbstractTableModel>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/data/sql/query.h"
#include "data/contact_store.h"

namespace ostrel {

class TfrmViewPerson;
class TfrmPersonEdit;

// The rows of the contact list, shown by the grid: one column, the name.
class ContactListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ContactListModel(QObject* parent = nullptr);

    // Takes over an open list (nullptr empties the model).
    void setQuery(std::unique_ptr<sql::Query> query);
    sql::Query* query() const { return query_.get(); }

    QString nameAt(int row) const { return names_[static_cast<std::size_t>(row)]; }
    std::int64_t idAt(int row) const { return ids_[static_cast<std::size_t>(row)]; }
    // First row (0-based) whose name begins with prefix, case ignored; -1
    // when none does.
    int findPrefix(const QString& prefix) const;
    // Removes a row that was deleted from the table.
    void removeListRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;

    QString title = QStringLiteral("Contact");

private:
    std::unique_ptr<sql::Query> query_;
    std::vector<QString> names_;
    std::vector<std::int64_t> ids_;
};

class TfrmAddressBook : public QDialog {
    Q_OBJECT
public:
    TfrmAddressBook(ContactStore& store, TfrmViewPerson* viewer, TfrmPersonEdit* editor, QWidget* parent = nullptr);

    // The list cursor while the window is shown; null while it is hidden.
    sql::Query* qrContactList() const { return dsContactList->query(); }

    // Re-reads the list with the current group filter, keeping the current
    // row by its number when that row is not the new last one.
    void RefreshContactList();
    // Current row, 1-based; 0 when the list is empty.
    int currentRow() const;
    void setCurrentRow(int row);
    std::int64_t currentABID() const;
    QString currentContactName() const;

    void tbViewClick();
    void tbEditClick();
    void tbAddClick();
    void tbDeleteClick();
    void tbFamilyClick();
    void edSearchChange();
    void dgContactListDblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* ToolBar1;
    QToolButton* tbView;
    QToolButton* tbEdit;
    QToolButton* tbAdd;
    QToolButton* tbDelete;
    QToolButton* tbFamily;
    QToolButton* tbJob;
    QToolButton* tbFrends;
    QToolButton* tbNotAssigned;
    QTableView* dgContactList;
    ContactListModel* dsContactList;
    QWidget* plBottom;
    QLabel* lbSearch;
    QLineEdit* edSearch;

    void FormShow();
    void FormClose();
    void closeList();

    ContactStore& store_;
    TfrmViewPerson* viewer_;
    TfrmPersonEdit* editor_;
};

}  // namespace ostrel
