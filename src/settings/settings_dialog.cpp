#include "settings/settings_dialog.h"
#include "settings/sync_page.h"

#include <QFontMetrics>

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "platform/autostart.h"
#include "ui/dialog_service.h"
#include "ui/error_display.h"
#include "ui/gradient_paint.h"
#include "ui/guarded.h"
#include "ui/help_link.h"
#include "ui/languages.h"
#include "ui/reminder_settings.h"
#include "ui/settings_model.h"

namespace ostrel {

TfrmSettings* frmSettings = nullptr;

namespace {

constexpr int kHelpContext = 8;
const QString kGeneral = QStringLiteral("General");
const QString kClock = QStringLiteral("Clock");
const QString kPocketBook = QStringLiteral("PocketBook");
const QString& kReminders = kRemindersSection;

// The keys the dialog shows and changes live, which Cancel returns to their
// values from when the dialog opened.
const std::pair<const char*, const char*> kPreviewed[] = {
    {"Clock", "Color"},    {"Clock", "VertSpace"}, {"Clock", "HorisSpace"},         {"Clock", "FontName"},
    {"Clock", "FontSize"}, {"Clock", "FontColor"}, {"Clock", "FontBold"},           {"Clock", "FontItalic"},
    {"Clock", "Top"},      {"Clock", "Left"},      {"PocketBook", "AutohidePanel"},
    {"Reminders", "Notify"}, {"Reminders", "Sound"}, {"Reminders", "BirthdayDays"},
};

QVariant value(const QString& section, const char* key) { return settings().value(section, QLatin1String(key)); }

QColor colorValue(const QString& section, const char* key) {
    return toQColor(Color(static_cast<std::int32_t>(value(section, key).toLongLong())));
}

void setValue(const QString& section, const char* key, const QVariant& v) {
    settings().setValue(section, QLatin1String(key), v);
}

// The pocket book's and the reminders' keys this dialog shows; the language, which the
// dialog stores on OK.
void declareDialogSettings() {
    SettingsModel& s = settings();
    s.declare(kPocketBook, QStringLiteral("AutohidePanel"), 0);
    s.declare(kPocketBook, QStringLiteral("Color"), 0xFFFFFF);
    s.declare(kPocketBook, QStringLiteral("FontColor"), 0);
    s.declare(kGeneral, QStringLiteral("Language"), QStringLiteral("English"));
    declareReminderSettings();
}

}  // namespace

// ---- small controls --------------------------------------------------------

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) { setFixedSize(24, 20); }

void ColorSwatch::setColor(const QColor& c) {
    color_ = c;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), color_);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void DropDownComboBox::showPopup() {
    emit dropDown();
    QComboBox::showPopup();
}

// ---- construction ----------------------------------------------------------

TfrmSettings::TfrmSettings(ClockView* clock) : QDialog(nullptr), clock_(clock) {
    setObjectName(QStringLiteral("frmSettings"));
    setProperty("helpContext", kHelpContext);
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    lbxSettings = new QListWidget(this);
    lbxSettings->setObjectName(QStringLiteral("lbxSettings"));
    lbxSettings->addItems({QStringLiteral("General"), QStringLiteral("Clock"), QStringLiteral("Language"),
                           QStringLiteral("Pocket book")});
    lbxSettings->setFixedWidth(116);
    // A long page name (in some languages) wraps instead of scrolling.
    lbxSettings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbxSettings->setWordWrap(true);
    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    buildPages();
    // The server sync's page (sync_page.h).
    syncPage_ = new SyncPage;
    Notebook1->addWidget(syncPage_);
    lbxSettings->addItem(QStringLiteral("Sync"));

    btnHelp = new QPushButton(QStringLiteral("Help"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    for (QPushButton* b : {btnHelp, btnCancel, btnOK}) b->setMinimumWidth(80);
    // Tab follows the buttons as they stand: Help, OK, Cancel.
    setTabOrder(btnHelp, btnOK);
    setTabOrder(btnOK, btnCancel);

    auto* body = new QHBoxLayout;
    body->setSpacing(6);
    body->addWidget(lbxSettings);
    body->addWidget(Notebook1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->addLayout(body, 1);
    outer->addLayout(buttons);

    connect(lbxSettings, &QListWidget::currentRowChanged, this, guarded(this, &TfrmSettings::lbxSettingsClick));
    connect(btnOK, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnOKClick));
    connect(btnCancel, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnCancelClick));
    connect(btnHelp, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnHelpClick));
    connect(btnSelectFont, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnSelectFontClick));
    connect(btnSelectColor, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnSelectColorClick));
    connect(btnBgdColor, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnBgdColorClick));
    connect(btnPBFontColor, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnPBFontColorClick));
    connect(seVertSpace, &QSpinBox::valueChanged, this, guarded(this, &TfrmSettings::seVertSpaceChange));
    connect(seHorisSpase, &QSpinBox::valueChanged, this, guarded(this, &TfrmSettings::seHorisSpaseChange));
    connect(chbAutohidePanel, &QCheckBox::toggled, this,
            guarded([this] { setValue(kPocketBook, "AutohidePanel", chbAutohidePanel->isChecked() ? 1 : 0); }));
    connect(cbNotify, &QCheckBox::toggled, this,
            guarded([this] { setValue(kReminders, "Notify", cbNotify->isChecked() ? 1 : 0); }));
    connect(cbSound, &QCheckBox::toggled, this,
            guarded([this] { setValue(kReminders, "Sound", cbSound->isChecked() ? 1 : 0); }));
    connect(seBirthdayDays, &QSpinBox::valueChanged, this,
            guarded([this] { setValue(kReminders, "BirthdayDays", seBirthdayDays->value()); }));
    connect(cbLang, &DropDownComboBox::dropDown, this, guarded(this, &TfrmSettings::cbLangDropDown));
    connect(cbLang, &QComboBox::editTextChanged, this, guarded(this, &TfrmSettings::cbLangChange));
    // A switch runs when its button becomes checked, not when it is
    // checked already.
    connectSwitch(rbSysTrayIcon, vmSysTrayIcon);
    connectSwitch(rbSysTrayClock, vmSysTrayClock);
    connectSwitch(rbFreeClock, vmFreeClock);
    connectSwitch(rbAnalogClock, vmAnalogClock);
    // The controls follow the model, whoever changes it.
    connect(&settings(), &SettingsModel::changed, this,
            [this](const QString& section, const QString& key) { runGuarded([&] { showValue(section, key); }); });

    lbxSettings->setCurrentRow(0);
    LoadSettings();
    // The designed size; fitted to the fonts and the skin when shown (laying
    // out every page costs memory a dialog that is never opened need not).
    setFixedSize(434, 325);
}

TfrmSettings::~TfrmSettings() {
    if (frmSettings == this) frmSettings = nullptr;
}

void TfrmSettings::fitSize() {
    // At least the designed size; larger when the fonts or the skin need it.
    ensurePolished();
    // Hints cached before the skin was applied are stale, also on the
    // hidden pages.
    for (QWidget* w : findChildren<QWidget*>()) {
        w->ensurePolished();
        w->updateGeometry();
    }
    for (QLayout* l : findChildren<QLayout*>()) l->invalidate();
    // The page labels wrap, so the smallest size that shows everything is
    // what counts.
    setFixedSize(minimumSizeHint().expandedTo(QSize(434, 325)));
}

void TfrmSettings::showEvent(QShowEvent* event) {
    fitSize();
    centreOnDesktop();
    QDialog::showEvent(event);
}

void TfrmSettings::centreOnDesktop() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect desktop = screen->geometry();
    move(desktop.x() + (desktop.width() - width()) / 2, desktop.y() + (desktop.height() - height()) / 2);
}

// ---- the settings -----------------------------------------------------------

void TfrmSettings::LoadSettings() {
    cbAutorun->setChecked(autostartEnabledFor(exePath()));
    declareDialogSettings();
    settings().load(kPocketBook);
    settings().load(kReminders);
    syncPage_->load();
    showValue({}, {});
    takeSnapshot();
}

void TfrmSettings::SaveSettings() {
    clock_->saveView();
    syncPage_->save();
    setValue(kGeneral, "Language", CurrentLanguage());
    SettingsModel& s = settings();
    const bool ok =
        s.saveKeys(kGeneral, {QStringLiteral("Language")}) &&
        s.saveKeys(kClock, {QStringLiteral("Color"), QStringLiteral("VertSpace"), QStringLiteral("HorisSpace"),
                            QStringLiteral("FontName"), QStringLiteral("FontSize"), QStringLiteral("FontColor"),
                            QStringLiteral("FontBold"), QStringLiteral("FontItalic")}) &&
        s.saveKeys(kPocketBook, {QStringLiteral("AutohidePanel")}) &&
        s.saveKeys(kReminders, {QStringLiteral("Notify"), QStringLiteral("Sound"), QStringLiteral("BirthdayDays")});
    if (!ok) return;
    if (cbAutorun->isChecked()) setAutostart(exePath());
    else removeAutostart();
    takeSnapshot();
}

QFont TfrmSettings::fontPreview() const {
    // The clock's font on the button, at most a little larger than the
    // dialog's own: a large clock font must not push the dialog wider.
    QFont f = clockFont();
    f.setPointSizeF(std::min(f.pointSizeF(), font().pointSizeF() + 2));
    return f;
}

QFont TfrmSettings::clockFont() const {
    QFont f = font();
    f.setFamily(value(kClock, "FontName").toString());
    f.setPointSize(qMax(1, value(kClock, "FontSize").toInt()));
    f.setStyleHint(QFont::AnyStyle);
    f.setBold(value(kClock, "FontBold").toBool());
    f.setItalic(value(kClock, "FontItalic").toBool());
    return f;
}

void TfrmSettings::showValue(const QString& section, const QString& key) {
    const bool all = key.isEmpty();
    auto is = [&](const QString& sec, const char* k) { return all || (section == sec && key == QLatin1String(k)); };
    if (is(kGeneral, "ProgramView")) showViewMode();
    if (is(kClock, "VertSpace")) {
        const QSignalBlocker block(seVertSpace);
        seVertSpace->setValue(value(kClock, "VertSpace").toInt());
    }
    if (is(kClock, "HorisSpace")) {
        const QSignalBlocker block(seHorisSpase);
        seHorisSpase->setValue(value(kClock, "HorisSpace").toInt());
    }
    if (all || (section == kClock && key.startsWith(QLatin1String("Font")))) btnSelectFont->setFont(fontPreview());
    if (is(kClock, "Color")) {
        shColor1->setColor(colorValue(kClock, "Color"));
        shColor2->setColor(colorValue(kClock, "Color"));
    }
    if (is(kPocketBook, "AutohidePanel")) {
        const QSignalBlocker block(chbAutohidePanel);
        chbAutohidePanel->setChecked(value(kPocketBook, "AutohidePanel").toLongLong() == 1);
    }
    if (is(kReminders, "Notify")) {
        const QSignalBlocker block(cbNotify);
        cbNotify->setChecked(reminderNotifyOn());
    }
    if (is(kReminders, "Sound")) {
        const QSignalBlocker block(cbSound);
        cbSound->setChecked(reminderSoundOn());
    }
    if (is(kReminders, "BirthdayDays")) {
        const QSignalBlocker block(seBirthdayDays);
        seBirthdayDays->setValue(reminderBirthdayDays());
    }
    if (is(kPocketBook, "Color")) {
        shColor3->setColor(colorValue(kPocketBook, "Color"));
        shColor4->setColor(colorValue(kPocketBook, "Color"));
    }
    if (is(kPocketBook, "FontColor")) {
        shColor5->setColor(colorValue(kPocketBook, "FontColor"));
        shColor6->setColor(colorValue(kPocketBook, "FontColor"));
    }
}

void TfrmSettings::takeSnapshot() {
    snapshot_.values.clear();
    for (const auto& [section, key] : kPreviewed) {
        const QString sec = QLatin1String(section), k = QLatin1String(key);
        snapshot_.values.push_back({{sec, k}, settings().value(sec, k)});
    }
    snapshot_.view = clock_->viewState();
}

void TfrmSettings::restoreSnapshot() {
    auto positionDiffers = [this] {
        for (const auto& [name, v] : snapshot_.values)
            if (name.first == kClock && (name.second == QLatin1String("Left") || name.second == QLatin1String("Top")) &&
                settings().value(name.first, name.second) != v)
                return true;
        return false;
    };
    auto restoreValues = [this] {
        for (const auto& [name, v] : snapshot_.values) settings().setValue(name.first, name.second, v);
    };
    bool storePosition = positionDiffers();
    restoreValues();
    runGuarded([this] { clock_->restoreViewState(snapshot_.view); });
    // A switch into the panel clock stores the position of the floating
    // clock; the stored position goes back as well.
    storePosition = positionDiffers() || storePosition;
    restoreValues();
    if (storePosition) settings().saveKeys(kClock, {QStringLiteral("Top"), QStringLiteral("Left")});
    // The pocket book's swatches show its stored colours again.
    showValue({}, {});
}

// ---- the view-mode switches ------------------------------------------------

QRadioButton* TfrmSettings::modeButton(std::uint8_t mode) const {
    switch (mode) {
        case vmSysTrayIcon: return rbSysTrayIcon;
        case vmSysTrayClock: return rbSysTrayClock;
        case vmFreeClock: return rbFreeClock;
        case vmAnalogClock: return rbAnalogClock;
        default: return nullptr;
    }
}

void TfrmSettings::showViewMode() {
    QRadioButton* current = modeButton(clock_->viewMode());
    if (!current || current->isChecked()) return;
    const QSignalBlocker block(current);
    current->setChecked(true);
}

void TfrmSettings::connectSwitch(QRadioButton* button, TViewMode mode) {
    connect(button, &QRadioButton::toggled, this, [this, mode](bool on) {
        if (!on) return;
        // A switch that stopped before the mode changed (a dial picture
        // that cannot be read) has shown its error; the buttons show the
        // mode the clock is in.
        if (!runGuarded([&] { clock_->setViewMode(mode); })) showViewMode();
    });
}

void TfrmSettings::rbSysTrayIconClick() { clock_->setViewMode(vmSysTrayIcon); }
void TfrmSettings::rbSysTrayClockClick() { clock_->setViewMode(vmSysTrayClock); }
void TfrmSettings::rbFreeClockClick() { clock_->setViewMode(vmFreeClock); }
void TfrmSettings::rbAnalogClockClick() { clock_->setViewMode(vmAnalogClock); }

// ---- the dialog's own controls ---------------------------------------------

void TfrmSettings::prepareToShow() {
    {
        const QSignalBlocker block(cbLang);
        cbLang->setEditText(languageDisplayName(CurrentLanguage()));
    }
    lbxSettings->setCurrentRow(0);
    Notebook1->setCurrentIndex(0);
    cbAutorun->setChecked(autostartEnabledFor(exePath()));
    showValue({}, {});
    takeSnapshot();
}

void TfrmSettings::execDialog() {
    // The dialog is a top-level window of its own, so the program has a
    // taskbar entry while it is open.
    prepareToShow();
    exec();
}

void TfrmSettings::lbxSettingsClick() {
    const int row = lbxSettings->currentRow();
    if (row >= 0 && row < Notebook1->count()) Notebook1->setCurrentIndex(row);
}

void TfrmSettings::btnOKClick() {
    SaveSettings();
    accept();
}

void TfrmSettings::btnCancelClick() { reject(); }

void TfrmSettings::reject() {
    if (restoring_) return;
    restoring_ = true;
    runGuarded([this] {
        restoreSnapshot();
        cbAutorun->setChecked(autostartEnabledFor(exePath()));
        LoadLanguageSetting(true);
        TranslateForm(this);
    });
    restoring_ = false;
    QDialog::reject();
}

void TfrmSettings::btnHelpClick() { ShowHelpContext(kHelpContext); }

// The font and colour dialogs open over the settings dialog. (Hiding a
// modal dialog would end its run loop, so it stays visible meanwhile.)
void TfrmSettings::btnSelectFontClick() {
    QFont f = clockFont();
    if (!dialogs().chooseFont(this, f)) return;
    setValue(kClock, "FontName", f.family());
    setValue(kClock, "FontSize", f.pointSize() > 0 ? f.pointSize() : 8);
    setValue(kClock, "FontBold", f.bold());
    setValue(kClock, "FontItalic", f.italic());
}

// Opens the colour dialog on start; a chosen colour goes to both swatches of
// the button and to apply, and the dialog keeps it for next time.
void TfrmSettings::pickColor(QColor start, ColorSwatch* left, ColorSwatch* right,
                             const std::function<void(const QColor&)>& apply) {
    if (!dialogs().chooseColor(this, start)) return;
    colorDialog_ = start;
    left->setColor(start);
    right->setColor(start);
    if (apply) apply(start);
}

void TfrmSettings::btnSelectColorClick() {
    pickColor(shColor1->color(), shColor1, shColor2,
              [](const QColor& c) { setValue(kClock, "Color", qlonglong(fromQColor(c).value())); });
}

void TfrmSettings::btnBgdColorClick() { pickColor(colorDialog_, shColor3, shColor4, applyPocketBookColor); }

void TfrmSettings::btnPBFontColorClick() { pickColor(colorDialog_, shColor5, shColor6, applyPocketBookFontColor); }

// The clock resizes itself when the model changes.
void TfrmSettings::seVertSpaceChange() { setValue(kClock, "VertSpace", seVertSpace->value()); }

void TfrmSettings::seHorisSpaseChange() { setValue(kClock, "HorisSpace", seHorisSpase->value()); }

// Each language is listed by its own name; the file's name is kept with
// it, and that is what the settings store.
void TfrmSettings::cbLangDropDown() {
    const QSignalBlocker block(cbLang);
    const QString text = cbLang->currentText();
    cbLang->clear();
    for (const QString& name : languageList()) cbLang->addItem(languageDisplayName(name), name);
    cbLang->setEditText(text);
}

QString TfrmSettings::languageOfText(const QString& text) const {
    // A name from the list stands for its file; anything typed is a file
    // name.
    for (int i = 0; i < cbLang->count(); ++i)
        if (cbLang->itemText(i) == text) return cbLang->itemData(i).toString();
    for (const QString& name : languageList())
        if (name != text && languageDisplayName(name) == text) return name;
    return text;
}

void TfrmSettings::cbLangChange() {
    SetCurrentLanguage(languageOfText(cbLang->currentText()));
    TranslateForm(this);
    TranslateAllForms();
}

}  // namespace ostrel
