#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "settings/settings_dialog.h"
#include "ui/reminder_settings.h"

// The settings dialog's four pages: their controls and layouts.

namespace ostrel {

namespace {

// Inside a page's frame (the skin pads the frame itself), so that the widest
// page fits the dialog's 434 pixels in every language.
const QMargins kPageMargins(4, 4, 4, 4);

QLabel* heading(const char* name, const char* text, QWidget* parent) {
    auto* lb = new QLabel(QString::fromLatin1(text), parent);
    lb->setObjectName(QString::fromLatin1(name));
    lb->setProperty("heading", true);
    QFont f = lb->font();
    f.setBold(true);
    lb->setFont(f);
    return lb;
}

ColorSwatch* swatch(const char* name, QWidget* parent) {
    auto* s = new ColorSwatch(parent);
    s->setObjectName(QString::fromLatin1(name));
    return s;
}

QPushButton* button(const char* name, const char* text, QWidget* parent) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// A label before its control; a long one (in some languages) wraps.
QLabel* rowLabel(const char* name, const char* text, QWidget* parent) {
    auto* lb = new QLabel(QString::fromLatin1(text), parent);
    lb->setObjectName(QString::fromLatin1(name));
    lb->setWordWrap(true);
    return lb;
}

// A colour row: its label, then the old colour, the button and the new one.
void colorRow(QGridLayout* grid, int row, QWidget* label, QWidget* a, QWidget* b, QWidget* c) {
    grid->addWidget(label, row, 0);
    auto* h = new QHBoxLayout;
    h->setSpacing(4);
    h->addWidget(a);
    h->addWidget(b);
    h->addWidget(c);
    h->addStretch(1);
    grid->addLayout(h, row, 1);
}

// A control indented under its heading.
void addIndented(QVBoxLayout* layout, QWidget* control) {
    auto* h = new QHBoxLayout;
    h->setContentsMargins(12, 0, 0, 0);
    h->addWidget(control);
    layout->addLayout(h);
}

}  // namespace

QGroupBox* TfrmSettings::addPage(const char* name, const char* title) {
    auto* holder = new QWidget;
    auto* box = new QGroupBox(QString::fromLatin1(title), holder);
    box->setObjectName(QString::fromLatin1(name));
    auto* l = new QVBoxLayout(holder);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(box);
    Notebook1->addWidget(holder);
    return box;
}

void TfrmSettings::buildPages() {
    buildGeneralPage();
    buildClockPage();
    buildLanguagePage();
    buildPocketBookPage();
}

void TfrmSettings::buildGeneralPage() {
    QGroupBox* general = addPage("gbGeneral", "General");
    rbFreeClock = new QRadioButton(QStringLiteral("Free clock"), general);
    rbFreeClock->setObjectName(QStringLiteral("rbFreeClock"));
    rbSysTrayIcon = new QRadioButton(QStringLiteral("System tray icon"), general);
    rbSysTrayIcon->setObjectName(QStringLiteral("rbSysTrayIcon"));
    rbAnalogClock = new QRadioButton(QStringLiteral("Analog clock"), general);
    rbAnalogClock->setObjectName(QStringLiteral("rbAnalogClock"));
    rbSysTrayClock = new QRadioButton(QStringLiteral("System tray clock"), general);
    rbSysTrayClock->setObjectName(QStringLiteral("rbSysTrayClock"));
    cbAutorun = new QCheckBox(QStringLiteral("Run the application at logon"), general);
    cbAutorun->setObjectName(QStringLiteral("cbAutorun"));
    auto* l = new QVBoxLayout(general);
    l->setContentsMargins(kPageMargins);
    l->addWidget(heading("lbView", "View", general));
    for (QRadioButton* mode : {rbFreeClock, rbSysTrayIcon, rbAnalogClock, rbSysTrayClock}) addIndented(l, mode);
    l->addSpacing(8);
    l->addWidget(heading("lbAutorun", "Autorun", general));
    addIndented(l, cbAutorun);
    l->addSpacing(8);
    l->addWidget(heading("lbReminders", "Reminders", general));
    cbNotify = new QCheckBox(QStringLiteral("Desktop notifications"), general);
    cbNotify->setObjectName(QStringLiteral("cbNotify"));
    cbSound = new QCheckBox(QStringLiteral("Sound"), general);
    cbSound->setObjectName(QStringLiteral("cbSound"));
    auto* checks = new QHBoxLayout;
    checks->setContentsMargins(12, 0, 0, 0);
    checks->addWidget(cbNotify);
    checks->addSpacing(12);
    checks->addWidget(cbSound);
    checks->addStretch(1);
    l->addLayout(checks);
    seBirthdayDays = new QSpinBox(general);
    seBirthdayDays->setObjectName(QStringLiteral("seBirthdayDays"));
    seBirthdayDays->setRange(0, kMaxBirthdayDays);
    seBirthdayDays->setMinimumWidth(64);
    auto* days = new QHBoxLayout;
    days->setContentsMargins(12, 0, 0, 0);
    days->addWidget(rowLabel("lbBirthdayDays", "Days before a birthday", general), 1);
    days->addWidget(seBirthdayDays);
    l->addLayout(days);
    l->addStretch(1);
}

void TfrmSettings::buildClockPage() {
    QGroupBox* clockPage = addPage("gbClock", "Clock");
    btnSelectFont = button("btnSelectFont", "Select font", clockPage);
    shColor1 = swatch("shColor1", clockPage);
    btnSelectColor = button("btnSelectColor", "Select color", clockPage);
    shColor2 = swatch("shColor2", clockPage);
    seVertSpace = new QSpinBox(clockPage);
    seVertSpace->setObjectName(QStringLiteral("seVertSpace"));
    seVertSpace->setRange(0, 15);
    seHorisSpase = new QSpinBox(clockPage);
    seHorisSpase->setObjectName(QStringLiteral("seHorisSpase"));
    seHorisSpase->setRange(0, 25);
    for (QSpinBox* s : {seVertSpace, seHorisSpase}) s->setMinimumWidth(64);
    auto* grid = new QGridLayout(clockPage);
    grid->setContentsMargins(kPageMargins);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(1, 1);
    auto* lbFont = rowLabel("lbNumeralsFont", "Numerals font", clockPage);
    grid->addWidget(lbFont, 0, 0);
    auto* h = new QHBoxLayout;
    h->addWidget(btnSelectFont);
    h->addStretch(1);
    grid->addLayout(h, 0, 1);
    auto* lbBg = rowLabel("lbBackgroundColor", "Background color", clockPage);
    colorRow(grid, 1, lbBg, shColor1, btnSelectColor, shColor2);
    auto* lbV = rowLabel("lbVertSpace", "Vertical stretch", clockPage);
    grid->addWidget(lbV, 2, 0);
    grid->addWidget(seVertSpace, 2, 1, Qt::AlignLeft);
    auto* lbH = rowLabel("lbHorisSpace", "Horisontal stretch", clockPage);
    grid->addWidget(lbH, 3, 0);
    grid->addWidget(seHorisSpase, 3, 1, Qt::AlignLeft);
    grid->setRowStretch(4, 1);
}

void TfrmSettings::buildLanguagePage() {
    QGroupBox* langPage = addPage("gbLanguages", "Languages");
    cbLang = new DropDownComboBox(langPage);
    cbLang->setObjectName(QStringLiteral("cbLang"));
    cbLang->setEditable(true);
    cbLang->setInsertPolicy(QComboBox::NoInsert);
    cbLang->setMinimumWidth(160);
    auto* l = new QVBoxLayout(langPage);
    l->setContentsMargins(kPageMargins);
    auto* lb = new QLabel(QStringLiteral("Select language"), langPage);
    lb->setObjectName(QStringLiteral("lbSelectLanguage"));
    l->addWidget(lb);
    auto* h = new QHBoxLayout;
    h->addWidget(cbLang);
    h->addStretch(1);
    l->addLayout(h);
    l->addStretch(1);
}

void TfrmSettings::buildPocketBookPage() {
    QGroupBox* pbPage = addPage("gbPocketBook", "Pocket book");
    chbAutohidePanel = new QCheckBox(QStringLiteral("Autohide panel"), pbPage);
    chbAutohidePanel->setObjectName(QStringLiteral("chbAutohidePanel"));
    shColor3 = swatch("shColor3", pbPage);
    btnBgdColor = button("btnBgdColor", "Select color", pbPage);
    shColor4 = swatch("shColor4", pbPage);
    shColor5 = swatch("shColor5", pbPage);
    btnPBFontColor = button("btnPBFontColor", "Select color", pbPage);
    shColor6 = swatch("shColor6", pbPage);
    auto* grid = new QGridLayout(pbPage);
    grid->setContentsMargins(kPageMargins);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(1, 1);
    grid->addWidget(chbAutohidePanel, 0, 0, 1, 2);
    auto* lbBg = rowLabel("lbPBBackgroundColor", "Background color", pbPage);
    colorRow(grid, 1, lbBg, shColor3, btnBgdColor, shColor4);
    auto* lbFc = rowLabel("lbPBFontColor", "Font color", pbPage);
    colorRow(grid, 2, lbFc, shColor5, btnPBFontColor, shColor6);
    grid->setRowStretch(3, 1);
}

}  // namespace ostrel
