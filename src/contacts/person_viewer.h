#pragma once
// The contact card: the fields of one contact that hold something, beside
// its photo. Not modal; filled anew by every View command.

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <cstdint>

#include "data/contact_store.h"

namespace ostrel {

class TfrmViewPerson : public QDialog {
    Q_OBJECT
public:
    explicit TfrmViewPerson(ContactStore& store, QWidget* parent = nullptr);

    // ABID of the contact shown (set by the address book before filling).
    std::int64_t contactId = 0;

    // Loads contact contactId into the grids and the photo panel.
    void FillPersonInfo();
    // Clears the selection of both grids: no cell is ever highlighted.
    void sgPersonInfoClick();
    void BitBtn1Click();

    // Text of a cell of a grid (tests and screenshots read the card).
    static QString cellText(const QTableWidget* grid, int row, int column);

private:
    QLabel* plPhoto;
    QLabel* imgPhoto;
    QTableWidget* sgPersonInfo;
    QTableWidget* sgPersonInfoBottom;
    QPushButton* BitBtn1;

    void FormCreate();
    void setPhoto(const QImage& image);

    ContactStore& store_;
};

}  // namespace ostrel
