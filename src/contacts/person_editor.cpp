#include "contacts/person_editor.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QStandardPaths>

#include "base/language_texts.h"
#include "contacts/contact_photo.h"
#include "core/time/clock_service.h"
#include "ui/dialog_service.h"
#include "ui/grid_style.h"
#include "ui/guarded.h"
#include "ui/locale_format.h"
#include "ui/text_boxes.h"
#include "ui/tool_icons.h"

namespace ostrel {

namespace {

const QColor kSectionColour(0, 64, 64);
const QColor kFieldColour(0, 64, 0);

constexpr int kLabelLeft = 10;
constexpr int kLabelWidth = 92;
constexpr int kInputLeft = 104;
constexpr int kShortInput = 130;  // beside the photo
constexpr int kLongInput = 200;   // to the right edge
constexpr int kInputHeight = 21;

const char* const kPhotoFilter = "All (*.jpg *.jpeg *.png *.bmp *.ico)";

QLabel* sectionTitle(QWidget* parent, const char* name, const char* text, int y) {
    auto* l = new QLabel(QLatin1String(text), parent);
    l->setObjectName(QLatin1String(name));
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kSectionColour);
    l->setPalette(p);
    l->setGeometry(4, y, 300, 16);
    return l;
}

QLabel* fieldLabel(QWidget* parent, const char* name, const char* text, int y) {
    auto* l = new QLabel(QLatin1String(text), parent);
    l->setObjectName(QLatin1String(name));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kFieldColour);
    l->setPalette(p);
    l->setGeometry(kLabelLeft, y, kLabelWidth, kInputHeight);
    return l;
}

QLineEdit* input(QWidget* parent, const char* name, int y, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(kInputLeft, y, width, kInputHeight);
    return e;
}

QString textOrEmpty(const std::optional<QString>& s) { return s ? *s : QString(); }

// An empty box stores no value.
std::optional<QString> textOrNull(const QString& s) {
    if (s.isEmpty()) return std::nullopt;
    return s;
}

QDate dateOf(DateTime dt) {
    const QDate d = toQDateTime(dt).date();
    return d.isValid() ? d : QDate();
}

}  // namespace

TfrmPersonEdit::TfrmPersonEdit(ContactStore& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), store_(store) {
    setObjectName(QStringLiteral("frmPersonEdit"));
    setWindowTitle(QStringLiteral("Person"));
    setProperty("helpContext", 7);
    setFixedSize(312, 483);
    setModal(true);
    setFont(compactFont(font()));

    buildGeneralFields();
    buildPhoto();
    buildContactFields();
    bbOk = new QPushButton(QStringLiteral("OK"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    bbOk->setGeometry(152, 452, 75, 25);
    bbCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    bbCancel->setGeometry(231, 452, 75, 25);

    OpenPictureDialog1 = new PictureDialogSettings(this);
    OpenPictureDialog1->setObjectName(QStringLiteral("OpenPictureDialog1"));
    OpenPictureDialog1->setTitle(QStringLiteral("Associated photo..."));

    connectFields();

    AllowClose = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
}

void TfrmPersonEdit::buildGeneralFields() {
    lbGeneral = sectionTitle(this, "lbGeneral", "Gereral", 4);
    lbFirstName = fieldLabel(this, "lbFirstName", "First name", 24);
    edFirstName = input(this, "edFirstName", 24, kShortInput);
    lbLastName = fieldLabel(this, "lbLastName", "Last name", 48);
    edLastName = input(this, "edLastName", 48, kShortInput);
    lbBirsday = fieldLabel(this, "lbBirsday", "Birthday", 72);
    dtpBithday = new QDateEdit(this);
    dtpBithday->setObjectName(QStringLiteral("dtpBithday"));
    dtpBithday->setCalendarPopup(true);
    QString dateFormat = shortDateFormat();
    if (!dateFormat.contains(QLatin1String("yyyy"))) dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    dtpBithday->setDisplayFormat(dateFormat);
    dtpBithday->setMinimumDate(QDate(100, 1, 1));
    dtpBithday->setGeometry(kInputLeft, 72, kShortInput, kInputHeight);
    lbGroup = fieldLabel(this, "lbGroup", "Group", 96);
    cbGroup = new QComboBox(this);
    cbGroup->setObjectName(QStringLiteral("cbGroup"));
    const char* const groups[] = {"Not assigned", "Family", "Job", "Frends"};
    for (int i = 0; i < 4; ++i) cbGroup->addItem(toolIcon(i), QLatin1String(groups[i]));
    cbGroup->setGeometry(kInputLeft, 96, kShortInput, 22);
}

void TfrmPersonEdit::buildPhoto() {
    plPhoto = new QLabel(QStringLiteral("Photo"), this);
    plPhoto->setObjectName(QStringLiteral("plPhoto"));
    plPhoto->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    plPhoto->setAlignment(Qt::AlignCenter);
    plPhoto->setGeometry(238, 24, 67, 88);
    imgPhoto = new QLabel(plPhoto);
    imgPhoto->setObjectName(QStringLiteral("imgPhoto"));
    imgPhoto->setAlignment(Qt::AlignCenter);
    imgPhoto->setGeometry(plPhoto->contentsRect());
    sbLoadPhoto = new QToolButton(this);
    sbLoadPhoto->setObjectName(QStringLiteral("sbLoadPhoto"));
    sbLoadPhoto->setToolTip(QStringLiteral("Load photo"));
    sbLoadPhoto->setIcon(toolIcon(6));
    sbLoadPhoto->setGeometry(245, 115, 24, 22);
    sbDeletePhoto = new QToolButton(this);
    sbDeletePhoto->setObjectName(QStringLiteral("sbDeletePhoto"));
    sbDeletePhoto->setToolTip(QStringLiteral("Delete photo"));
    sbDeletePhoto->setIcon(toolIcon(7));
    sbDeletePhoto->setGeometry(274, 115, 24, 22);
}

void TfrmPersonEdit::buildContactFields() {
    lbAddress = fieldLabel(this, "lbAddress", "Address", 142);
    edAddress = input(this, "edAddress", 142, kLongInput);

    lbPhones = sectionTitle(this, "lbPhones", "Phones", 168);
    lbHomePhone = fieldLabel(this, "lbHomePhone", "Home", 186);
    edHomePhone = input(this, "edHomePhone", 186, kLongInput);
    lbJob = fieldLabel(this, "lbJob", "Job", 210);
    edJobPhone = input(this, "edJobPhone", 210, kLongInput);
    lbMobile = fieldLabel(this, "lbMobile", "Mobile", 234);
    edMobilePhone = input(this, "edMobilePhone", 234, kLongInput);

    lbElectronComm = sectionTitle(this, "lbElectronComm", "Electronic communication", 260);
    lbMail = fieldLabel(this, "lbMail", "Mail", 278);
    edMail = input(this, "edMail", 278, kLongInput);
    lbICQ = fieldLabel(this, "lbICQ", "ICQ", 302);
    edICQ = input(this, "edICQ", 302, kLongInput);
    lbWebSite = fieldLabel(this, "lbWebSite", "Web-site", 326);
    edWebSite = input(this, "edWebSite", 326, kLongInput);

    lbComment = sectionTitle(this, "lbComment", "Comment", 352);
    memComment = new QPlainTextEdit(this);
    memComment->setObjectName(QStringLiteral("memComment"));
    setUpDescriptionBox(memComment);
    memComment->setGeometry(8, 370, 296, 76);
}

void TfrmPersonEdit::connectFields() {
    for (QLineEdit* e :
         {edFirstName, edLastName, edAddress, edHomePhone, edJobPhone, edMobilePhone, edMail, edICQ, edWebSite})
        connect(e, &QLineEdit::textChanged, this, &TfrmPersonEdit::memCommentChange);
    connect(memComment, &QPlainTextEdit::textChanged, this, &TfrmPersonEdit::memCommentChange);
    connect(cbGroup, &QComboBox::currentIndexChanged, this, &TfrmPersonEdit::memCommentChange);
    // A changed birthday is a change like any other (it is saved).
    connect(dtpBithday, &QDateEdit::dateChanged, this, &TfrmPersonEdit::memCommentChange);
    connect(sbLoadPhoto, &QToolButton::clicked, this, guarded(this, &TfrmPersonEdit::sbLoadPhotoClick));
    connect(sbDeletePhoto, &QToolButton::clicked, this, guarded(this, &TfrmPersonEdit::sbDeletePhotoClick));
    connect(bbOk, &QPushButton::clicked, this, guarded([this] { bbOkClick(); }));
    connect(bbCancel, &QPushButton::clicked, this, guarded(this, &TfrmPersonEdit::bbCancelClick));
}

void TfrmPersonEdit::showEvent(QShowEvent* event) {
    // The birthday's calendar is made when first asked for; an editor that
    // is never opened does without it.
    if (QCalendarWidget* calendar = dtpBithday->calendarWidget(); calendar->minimumWidth() < 200)
        calendar->setMinimumSize(200, 150);
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmPersonEdit::setVisible(bool visible) {
    QDialog::setVisible(visible);
    // After the dialog has focused its first field (which selects that
    // field's text and puts its cursor at the end).
    if (visible) showLineEditsFromStart(this);
}

void TfrmPersonEdit::FormShow() {
    Modified = false;
    AllowClose = false;
    edFirstName->setFocus();
}

void TfrmPersonEdit::closeEvent(QCloseEvent* event) {
    // Only an editor that may close does (the session end and OK/Cancel allow it).
    if (!AllowClose) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmPersonEdit::reject() {
    // Cancel, Escape: nothing is saved.
    AllowClose = true;
    QDialog::reject();
}

void TfrmPersonEdit::memCommentChange() { Modified = true; }

bool TfrmPersonEdit::hasPicture() const { return !imgPhoto->pixmap().isNull(); }

void TfrmPersonEdit::setPicture(const QImage& image) {
    imgPhoto->setGeometry(plPhoto->contentsRect());
    showPicture(imgPhoto, image);
}

void TfrmPersonEdit::clearForNew() {
    edFirstName->clear();
    edLastName->clear();
    setPicture({});
    photoPath.clear();
    dtpBithday->setDate(toQDateTime(clock().now()).date());
    for (QLineEdit* e : {edHomePhone, edJobPhone, edMobilePhone, edAddress, edMail, edICQ, edWebSite}) e->clear();
    memComment->clear();
    cbGroup->setCurrentIndex(0);
}

bool TfrmPersonEdit::loadContact(std::int64_t personId) {
    const std::optional<ContactRow> c = store_.person(personId);
    if (!c) return false;
    edFirstName->setText(c->FirstName);
    edLastName->setText(c->LastName);
    photoPath = textOrEmpty(c->Photo);
    setPicture(photoPath.isEmpty() ? QImage() : loadPicture(resolvePhotoPath(photoPath)));
    QDate birthday = c->Birthday ? dateOf(*c->Birthday) : QDate();
    if (!birthday.isValid() || birthday < dtpBithday->minimumDate() || birthday > dtpBithday->maximumDate())
        birthday = toQDateTime(clock().now()).date();
    dtpBithday->setDate(birthday);
    edHomePhone->setText(textOrEmpty(c->HomePhone));
    edJobPhone->setText(textOrEmpty(c->JobPhone));
    edMobilePhone->setText(textOrEmpty(c->MobilePhone));
    edAddress->setText(textOrEmpty(c->Address));
    edMail->setText(textOrEmpty(c->Mail));
    edICQ->setText(textOrEmpty(c->ICQ));
    edWebSite->setText(textOrEmpty(c->Web_site));
    memComment->setPlainText(textOrEmpty(c->Comment));
    cbGroup->setCurrentIndex(c->Group >= cgFamily && c->Group <= cgFriends ? static_cast<int>(c->Group) : 0);
    return true;
}

void TfrmPersonEdit::sbLoadPhotoClick() {
    QString folder;
    if (!photoPath.isEmpty()) folder = QFileInfo(resolvePhotoPath(photoPath)).absolutePath();
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    const QString file = dialogs().openFile(this, OpenPictureDialog1->title(), folder, QLatin1String(kPhotoFilter));
    if (file.isEmpty()) return;
    const QImage image = loadPicture(file);
    if (image.isNull()) {
        // The photo shown and the path stored stay as they were.
        showMessage(GetLangMessage(QStringLiteral("DontLoadImage")), QStringLiteral("Loading photo"),
                    MsgIcon::Information, MsgOk, this);
        return;
    }
    photoPath = storablePhotoPath(file);
    setPicture(image);
    plPhoto->setText(QString());
    Modified = true;
}

void TfrmPersonEdit::sbDeletePhotoClick() {
    // Removing the photo is a change to save.
    if (hasPicture() || !photoPath.isEmpty()) Modified = true;
    setPicture({});
    photoPath.clear();
}

ContactRow TfrmPersonEdit::contactFromInputs() const {
    ContactRow c;
    c.ABID = contactId;
    c.LastName = edLastName->text().isEmpty() ? QStringLiteral(" ") : edLastName->text();
    c.FirstName = edFirstName->text().isEmpty() ? QStringLiteral(" ") : edFirstName->text();
    c.Photo = textOrNull(photoPath);
    const QDate birthday = dtpBithday->date();
    const QDate today = toQDateTime(clock().now()).date();
    if (birthday.isValid() && birthday != today)
        c.Birthday = encodeDate(birthday.year(), birthday.month(), birthday.day());
    c.HomePhone = textOrNull(edHomePhone->text());
    c.JobPhone = textOrNull(edJobPhone->text());
    c.MobilePhone = textOrNull(edMobilePhone->text());
    c.Address = textOrNull(edAddress->text());
    c.Mail = textOrNull(edMail->text());
    c.ICQ = textOrNull(edICQ->text());
    c.Web_site = textOrNull(edWebSite->text());
    c.Comment = textOrNull(memComment->toPlainText());
    const int item = cbGroup->currentIndex();
    c.Group = item >= cgFamily && item <= cgFriends ? std::int64_t{item} : std::int64_t{cgNotAssigned};
    return c;
}

bool TfrmPersonEdit::bbOkClick() {
    if (edLastName->text().isEmpty() && edFirstName->text().isEmpty()) {
        showMessage(GetLangMessage(QStringLiteral("InputLastNameOrFirstName")), QStringLiteral("Address book"),
                    MsgIcon::Information, MsgOk, this);
        AllowClose = false;
    } else if (!Modified) {
        AllowClose = true;
    } else {
        try {
            const ContactRow c = contactFromInputs();
            if (contactId != 0) store_.updateContact(contactId, c);
            else store_.insertContact(c);
            AllowClose = true;
        } catch (const std::exception&) {
            showMessage(contactId != 0 ? QStringLiteral("Error on update contact. Check all fields")
                                 : QStringLiteral("Error on add contact. Check all fields"),
                        QStringLiteral("Addition of contact"), MsgIcon::Information, MsgOk, this);
            AllowClose = false;
        }
    }
    if (!AllowClose) return false;
    accept();
    return true;
}

void TfrmPersonEdit::bbCancelClick() { reject(); }

}  // namespace ostrel
