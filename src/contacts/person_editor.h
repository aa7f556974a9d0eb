#pragma once
// The contact editor: one input per column of a contact; OK inserts a new
// contact or updates the one being edited. Shown modally by the address
// book.

#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <cstdint>

#include "data/contact_store.h"

namespace ostrel {

// The settings of the photo dialog that the language file may change (the
// dialog itself is run by the dialog service).
class PictureDialogSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle)
public:
    using QObject::QObject;
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }

private:
    QString title_;
};

class TfrmPersonEdit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPersonEdit(ContactStore& store, QWidget* parent = nullptr);

    // The ABID of the contact being edited; 0 for a new one.
    std::int64_t contactId = 0;
    // Something was changed since the window was shown.
    bool Modified = false;
    // The answer to a request to close the window: false while it is shown
    // until OK succeeds or Cancel is pressed. The end of the desktop session
    // sets it, so an open editor never holds the session up.
    bool AllowClose = true;
    // The photo path to store: as stored, or the file last chosen (relative
    // to the executable's folder when it lies inside it); empty for none.
    QString photoPath;

    // Empties every input for a new contact (Add).
    void clearForNew();
    // Fills the inputs with a stored contact (Edit); false, and nothing
    // changed, when there is no such contact.
    bool loadContact(std::int64_t personId);
    // Whether the photo panel shows a picture.
    bool hasPicture() const;

    void memCommentChange();
    void sbLoadPhotoClick();
    void sbDeletePhotoClick();
    // Validates and saves; returns true when the window closes.
    bool bbOkClick();
    void bbCancelClick();

    // The contact as the inputs describe it.
    ContactRow contactFromInputs() const;

    void reject() override;
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* lbGeneral;
    QLabel* lbFirstName;
    QLineEdit* edFirstName;
    QLabel* lbLastName;
    QLineEdit* edLastName;
    QLabel* lbBirsday;
    QDateEdit* dtpBithday;
    QLabel* lbGroup;
    QComboBox* cbGroup;
    QLabel* lbAddress;
    QLineEdit* edAddress;
    QLabel* plPhoto;
    QLabel* imgPhoto;
    QToolButton* sbLoadPhoto;
    QToolButton* sbDeletePhoto;
    QLabel* lbPhones;
    QLabel* lbHomePhone;
    QLineEdit* edHomePhone;
    QLabel* lbJob;
    QLineEdit* edJobPhone;
    QLabel* lbMobile;
    QLineEdit* edMobilePhone;
    QLabel* lbElectronComm;
    QLabel* lbMail;
    QLineEdit* edMail;
    QLabel* lbICQ;
    QLineEdit* edICQ;
    QLabel* lbWebSite;
    QLineEdit* edWebSite;
    QLabel* lbComment;
    QPlainTextEdit* memComment;
    QPushButton* bbOk;
    QPushButton* bbCancel;
    PictureDialogSettings* OpenPictureDialog1;

    void FormShow();
    // The constructor's steps: the name, birthday and group; the photo and
    // its buttons; address, phones, mail and comment; the change tracking
    // and the buttons' handlers.
    void buildGeneralFields();
    void buildPhoto();
    void buildContactFields();
    void connectFields();
    void setPicture(const QImage& image);

    ContactStore& store_;
};

}  // namespace ostrel
