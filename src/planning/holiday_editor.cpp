#include "planning/holiday_editor.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include "base/language_texts.h"
#include "core/data/holiday_dates.h"
#include "core/time/clock_service.h"
#include "ui/dialog_service.h"
#include "ui/grid_style.h"
#include "ui/guarded.h"
#include "ui/locale_format.h"
#include "ui/text_boxes.h"
#include "ui/unit_list.h"

namespace ostrel {

namespace {

const char* const kRefusalCaption = "Edition of holiday list";

// Section labels: bold, dark green, with the room up to the right edge so a
// longer translated text still shows whole.
QLabel* sectionLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, y, width, 16);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0, 64, 0));
    l->setPalette(p);
    l->setStyleSheet(QStringLiteral("color: rgb(0,64,0);"));
    return l;
}

}  // namespace

TfrmNewHoliday::TfrmNewHoliday(HolidayStore& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), store_(store) {
    setObjectName(QStringLiteral("frmNewHoliday"));
    setWindowTitle(QStringLiteral("Holiday"));
    setProperty("helpContext", 6);
    setFixedSize(238, 263);
    setModal(false);
    setFont(compactFont(font()));

    lbTitle = sectionLabel(this, "lbTitle", QStringLiteral("Holiday title"), 8, 6, 222);
    edTitle = new QLineEdit(this);
    edTitle->setObjectName(QStringLiteral("edTitle"));
    edTitle->setGeometry(8, 23, 222, 22);

    lbDate = sectionLabel(this, "lbDate", QStringLiteral("Date"), 8, 52, 222);
    dtpToDoDate = new QDateEdit(this);
    dtpToDoDate->setObjectName(QStringLiteral("dtpToDoDate"));
    dtpToDoDate->setCalendarPopup(true);
    QString dateFormat = shortDateFormat();
    if (!dateFormat.contains(QLatin1String("yyyy"))) dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    if (!dateFormat.contains(QLatin1String("dd"))) dateFormat.replace(QLatin1Char('d'), QLatin1String("dd"));
    if (!dateFormat.contains(QLatin1String("MM"))) dateFormat.replace(QLatin1Char('M'), QLatin1String("MM"));
    dtpToDoDate->setDisplayFormat(dateFormat);
    dtpToDoDate->setDateRange(QDate(1753, 1, 1), QDate(9999, 12, 31));
    dtpToDoDate->setGeometry(8, 69, 110, 22);

    cbRemind = new QCheckBox(QStringLiteral("Remind befor"), this);
    cbRemind->setObjectName(QStringLiteral("cbRemind"));
    cbRemind->setGeometry(8, 99, 122, 22);
    seActiveTime = new QSpinBox(this);
    seActiveTime->setObjectName(QStringLiteral("seActiveTime"));
    seActiveTime->setRange(1, 366);
    seActiveTime->setSingleStep(1);
    seActiveTime->setGeometry(132, 99, 50, 22);
    lbDays = new QLabel(this);
    lbDays->setObjectName(QStringLiteral("lbDays"));
    nameUnitByCount(lbDays, seActiveTime, puDays);
    lbDays->setGeometry(186, 99, 46, 22);

    lbDescription = sectionLabel(this, "lbDescription", QStringLiteral("Description"), 8, 128, 222);
    memComment = new QPlainTextEdit(this);
    memComment->setObjectName(QStringLiteral("memComment"));
    memComment->setGeometry(8, 145, 222, 80);
    setUpDescriptionBox(memComment);

    bbOk = new QPushButton(QStringLiteral("OK"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setGeometry(70, 231, 78, 26);
    bbOk->setDefault(true);
    bbCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    bbCancel->setGeometry(152, 231, 78, 26);

    // Every change of the box, by the user or from code, moves the spin edit.
    connect(cbRemind, &QCheckBox::toggled, this, &TfrmNewHoliday::cbRemindClick);
    // An error keeps the editor open with what was typed.
    connect(bbOk, &QPushButton::clicked, this, guarded([this] { bbOkClick(); }));
    connect(bbCancel, &QPushButton::clicked, this, &TfrmNewHoliday::bbCancelClick);

    cbRemind->setChecked(true);
    seActiveTime->setValue(1);
    cbRemindClick();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
}

QString TfrmNewHoliday::titlePrompt() {
    return GetLangMessage(QStringLiteral("InputHolidayTitle")) + QStringLiteral("...");
}

void TfrmNewHoliday::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmNewHoliday::FormShow() {
    dtpToDoDate->setDate(toQDateTime(clock().now()).date());
    edTitle->setText(titlePrompt());
    edTitle->setFocus();
    edTitle->selectAll();
    cbRemind->setChecked(true);
    seActiveTime->setValue(1);
    cbRemindClick();
    memComment->clear();
}

void TfrmNewHoliday::OpenForNewHoliday() {
    show();
    raise();
    activateWindow();
    setWindowTitle(GetLangMessage(QStringLiteral("NewHoliday")) + QStringLiteral("..."));
    holidayId = 0;
}

void TfrmNewHoliday::OpenForHoliday(const HolidayRow& row) {
    show();
    raise();
    activateWindow();
    setWindowTitle(GetLangMessage(QStringLiteral("EditHoliday")));
    holidayId = row.TDID;
    edTitle->setText(row.Title);
    dtpToDoDate->setDate(toQDateTime(row.FirstDT).date());
    if (row.ElapseInt != 0) {
        cbRemind->setChecked(true);
        seActiveTime->setValue(row.ElapseInt);
    } else {
        cbRemind->setChecked(false);
        seActiveTime->setValue(1);
    }
    cbRemindClick();
    memComment->setPlainText(row.Comment);
    showLineEditsFromStart(this);
}

void TfrmNewHoliday::cbRemindClick() { seActiveTime->setEnabled(cbRemind->isChecked()); }

bool TfrmNewHoliday::bbOkClick() {
    const QString title = edTitle->text().trimmed();
    if (title.isEmpty() || title == titlePrompt()) {
        showMessage(GetLangMessage(QStringLiteral("InputHolidayTitle")), QLatin1String(kRefusalCaption),
                    MsgIcon::Warning, MsgOk, this);
        return false;
    }
    const QDate d = dtpToDoDate->date();
    HolidayRow row;
    row.TDID = holidayId;
    row.FirstDT = holidayStoredDate(encodeDate(d.year(), d.month(), d.day()), clock().now());
    row.Title = edTitle->text();
    const QString comment = memComment->toPlainText();
    row.Comment = comment.trimmed().isEmpty() ? QString() : comment;
    row.ElapseInt = cbRemind->isChecked() ? seActiveTime->value() : 0;
    if (holidayId == 0) store_.insertHoliday(row);
    else store_.updateHoliday(row);
    hide();
    return true;
}

void TfrmNewHoliday::bbCancelClick() { hide(); }

void TfrmNewHoliday::reject() {
    // Esc and the window's close: hidden without saving.
    bbCancelClick();
}

}  // namespace ostrel
