#include "settings/settings_dialog.h"

#include <QGuiApplication>
#include <QScreen>

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "base/app_paths.h"
#include "clock/analog_face.h"
#include "clock/clock_window.h"
#include "ui/gradient_paint.h"
#include "clock/tray_clock.h"
#include "core/clock/clock_layout.h"
#include "core/settings/ini_file.h"
#include "platform/autostart.h"
#include "ui/languages.h"
#include "ui/settings_file.h"
#include "ui/dialog_service.h"
#include "ui/error_display.h"
#include "ui/guarded.h"
#include "ui/help_link.h"

namespace ostrel {

TfrmSettings* frmSettings = nullptr;

namespace {

constexpr int kHelpContext = 8;

// Defaults of the settings file.
constexpr Color kDefaultClockColor = 12582074;  // light green
constexpr Color kDefaultFontColor = 0x800000;   // navy
constexpr Color kDefaultPocketColor = 0xFFFFFF;
constexpr Color kDefaultPocketFontColor = 0;

std::string str(const QString& s) { return s.toStdString(); }

Color readColor(const IniFile& ini, const char* section, const char* key, Color def) {
    return static_cast<Color>(ini.readInteger(section, key, def));
}

}  // namespace

// ---- small controls --------------------------------------------------------

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
    setFixedSize(24, 20);
}

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

TfrmSettings::TfrmSettings(TfrmClock* clockWindow) : QDialog(nullptr), clock_(clockWindow) {
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

    btnHelp = new QPushButton(QStringLiteral("Help"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    for (QPushButton* b : {btnHelp, btnCancel, btnOK}) b->setMinimumWidth(80);

    auto* body = new QHBoxLayout;
    body->setSpacing(8);
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

    connect(lbxSettings, &QListWidget::currentRowChanged, this, [this](int) { lbxSettingsClick(); });
    connect(btnOK, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnOKClick));
    connect(btnCancel, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnCancelClick));
    connect(btnHelp, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnHelpClick));
    connect(btnSelectFont, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnSelectFontClick));
    connect(btnSelectColor, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnSelectColorClick));
    connect(btnBgdColor, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnBgdColorClick));
    connect(btnPBFontColor, &QPushButton::clicked, this, guarded(this, &TfrmSettings::btnPBFontColorClick));
    connect(seVertSpace, &QSpinBox::valueChanged, this, [this](int) { seVertSpaceChange(); });
    connect(seHorisSpase, &QSpinBox::valueChanged, this, [this](int) { seHorisSpaseChange(); });
    connect(cbLang, &DropDownComboBox::dropDown, this, &TfrmSettings::cbLangDropDown);
    connect(cbLang, &QComboBox::editTextChanged, this, [this](const QString&) { cbLangChange(); });
    // A switch runs when its button becomes checked, not when it is
    // checked already.
    connectSwitch(rbSysTrayIcon, &TfrmSettings::rbSysTrayIconClick);
    connectSwitch(rbSysTrayClock, &TfrmSettings::rbSysTrayClockClick);
    connectSwitch(rbFreeClock, &TfrmSettings::rbFreeClockClick);
    connectSwitch(rbAnalogClock, &TfrmSettings::rbAnalogClockClick);

    lbxSettings->setCurrentRow(0);
    fitSize();
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
    setFixedSize(sizeHint().expandedTo(QSize(434, 325)));
}

void TfrmSettings::showEvent(QShowEvent* event) {
    fitSize();
    QDialog::showEvent(event);
}

void TfrmSettings::buildPages() {
    auto page = [this](const char* name, const char* title) {
        auto* holder = new QWidget;
        auto* box = new QGroupBox(QString::fromLatin1(title), holder);
        box->setObjectName(QString::fromLatin1(name));
        auto* l = new QVBoxLayout(holder);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(box);
        Notebook1->addWidget(holder);
        return box;
    };
    auto heading = [](const char* name, const char* text, QWidget* parent) {
        auto* lb = new QLabel(QString::fromLatin1(text), parent);
        lb->setObjectName(QString::fromLatin1(name));
        lb->setProperty("heading", true);
        QFont f = lb->font();
        f.setBold(true);
        lb->setFont(f);
        return lb;
    };
    auto swatch = [](const char* name, QWidget* parent) {
        auto* s = new ColorSwatch(parent);
        s->setObjectName(QString::fromLatin1(name));
        return s;
    };
    auto button = [](const char* name, const char* text, QWidget* parent) {
        auto* b = new QPushButton(QString::fromLatin1(text), parent);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    auto colorRow = [](QGridLayout* grid, int row, QWidget* label, QWidget* a, QWidget* b, QWidget* c) {
        grid->addWidget(label, row, 0);
        auto* h = new QHBoxLayout;
        h->setSpacing(6);
        h->addWidget(a);
        h->addWidget(b);
        h->addWidget(c);
        h->addStretch(1);
        grid->addLayout(h, row, 1);
    };

    // General
    QGroupBox* general = page("gbGeneral", "General");
    rbFreeClock = new QRadioButton(QStringLiteral("Free clock"), general);
    rbFreeClock->setObjectName(QStringLiteral("rbFreeClock"));
    rbSysTrayIcon = new QRadioButton(QStringLiteral("System tray icon"), general);
    rbSysTrayIcon->setObjectName(QStringLiteral("rbSysTrayIcon"));
    rbAnalogClock = new QRadioButton(QStringLiteral("Analog clock"), general);
    rbAnalogClock->setObjectName(QStringLiteral("rbAnalogClock"));
    rbSysTrayClock = new QRadioButton(QStringLiteral("System tray clock"), general);
    rbSysTrayClock->setObjectName(QStringLiteral("rbSysTrayClock"));
    cbAutorun = new QCheckBox(QStringLiteral("Run application on Windows load"), general);
    cbAutorun->setObjectName(QStringLiteral("cbAutorun"));
    {
        auto* l = new QVBoxLayout(general);
        l->addWidget(heading("lbView", "View", general));
        for (QWidget* w : {static_cast<QWidget*>(rbFreeClock), static_cast<QWidget*>(rbSysTrayIcon),
                           static_cast<QWidget*>(rbAnalogClock), static_cast<QWidget*>(rbSysTrayClock)}) {
            auto* h = new QHBoxLayout;
            h->setContentsMargins(12, 0, 0, 0);
            h->addWidget(w);
            l->addLayout(h);
        }
        l->addSpacing(8);
        l->addWidget(heading("lbAutorun", "Autorun", general));
        auto* h = new QHBoxLayout;
        h->setContentsMargins(12, 0, 0, 0);
        h->addWidget(cbAutorun);
        l->addLayout(h);
        l->addStretch(1);
    }

    // Clock
    QGroupBox* clockPage = page("gbClock", "Clock");
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
    {
        auto* grid = new QGridLayout(clockPage);
        grid->setVerticalSpacing(10);
        grid->setColumnStretch(1, 1);
        auto* lbFont = new QLabel(QStringLiteral("Numerals font"), clockPage);
        lbFont->setObjectName(QStringLiteral("lbNumeralsFont"));
        grid->addWidget(lbFont, 0, 0);
        auto* h = new QHBoxLayout;
        h->addWidget(btnSelectFont);
        h->addStretch(1);
        grid->addLayout(h, 0, 1);
        auto* lbBg = new QLabel(QStringLiteral("Background color"), clockPage);
        lbBg->setObjectName(QStringLiteral("lbBackgroundColor"));
        colorRow(grid, 1, lbBg, shColor1, btnSelectColor, shColor2);
        auto* lbV = new QLabel(QStringLiteral("Vertical stretch"), clockPage);
        lbV->setObjectName(QStringLiteral("lbVertSpace"));
        grid->addWidget(lbV, 2, 0);
        grid->addWidget(seVertSpace, 2, 1, Qt::AlignLeft);
        auto* lbH = new QLabel(QStringLiteral("Horisontal stretch"), clockPage);
        lbH->setObjectName(QStringLiteral("lbHorisSpace"));
        grid->addWidget(lbH, 3, 0);
        grid->addWidget(seHorisSpase, 3, 1, Qt::AlignLeft);
        grid->setRowStretch(4, 1);
    }

    // Language
    QGroupBox* langPage = page("gbLanguages", "Languages");
    cbLang = new DropDownComboBox(langPage);
    cbLang->setObjectName(QStringLiteral("cbLang"));
    cbLang->setEditable(true);
    cbLang->setInsertPolicy(QComboBox::NoInsert);
    cbLang->setMinimumWidth(160);
    {
        auto* l = new QVBoxLayout(langPage);
        auto* lb = new QLabel(QStringLiteral("Select language"), langPage);
        lb->setObjectName(QStringLiteral("lbSelectLanguage"));
        l->addWidget(lb);
        auto* h = new QHBoxLayout;
        h->addWidget(cbLang);
        h->addStretch(1);
        l->addLayout(h);
        l->addStretch(1);
    }

    // Pocket book
    QGroupBox* pbPage = page("gbPocketBook", "Pocket book");
    chbAutohidePanel = new QCheckBox(QStringLiteral("Autohide panel"), pbPage);
    chbAutohidePanel->setObjectName(QStringLiteral("chbAutohidePanel"));
    shColor3 = swatch("shColor3", pbPage);
    btnBgdColor = button("btnBgdColor", "Select color", pbPage);
    shColor4 = swatch("shColor4", pbPage);
    shColor5 = swatch("shColor5", pbPage);
    btnPBFontColor = button("btnPBFontColor", "Select color", pbPage);
    shColor6 = swatch("shColor6", pbPage);
    {
        auto* grid = new QGridLayout(pbPage);
        grid->setVerticalSpacing(10);
        grid->setColumnStretch(1, 1);
        grid->addWidget(chbAutohidePanel, 0, 0, 1, 2);
        auto* lbBg = new QLabel(QStringLiteral("Background color"), pbPage);
        lbBg->setObjectName(QStringLiteral("lbPBBackgroundColor"));
        colorRow(grid, 1, lbBg, shColor3, btnBgdColor, shColor4);
        auto* lbFc = new QLabel(QStringLiteral("Font color"), pbPage);
        lbFc->setObjectName(QStringLiteral("lbPBFontColor"));
        colorRow(grid, 2, lbFc, shColor5, btnPBFontColor, shColor6);
        grid->setRowStretch(3, 1);
    }
}

// ---- the settings file -----------------------------------------------------

void TfrmSettings::LoadSettings() {
    cbAutorun->setChecked(autostartEnabledFor(exePath()));

    std::int64_t view = 0;
    int vert = 3, horis = 7, fontSize = 8;
    QString fontName;
    Color fontColor = kDefaultFontColor, clockColor = kDefaultClockColor;
    Color pbColor = kDefaultPocketColor, pbFontColor = kDefaultPocketFontColor;
    bool bold = true, italic = false, autohide = false;
    const bool ok = withSettingsFile([&](IniFile& ini) {
        view = ini.readInteger("General", "ProgramView", 0);
        vert = static_cast<int>(std::clamp<std::int64_t>(ini.readInteger("Clock", "VertSpace", 3), INT32_MIN, INT32_MAX));
        horis = static_cast<int>(std::clamp<std::int64_t>(ini.readInteger("Clock", "HorisSpace", 7), INT32_MIN, INT32_MAX));
        fontName = QString::fromStdString(ini.readString("Clock", "FontName", "MS Sans Serif"));
        fontSize = static_cast<int>(std::clamp<std::int64_t>(ini.readInteger("Clock", "FontSize", 8), 1, 400));
        fontColor = readColor(ini, "Clock", "FontColor", kDefaultFontColor);
        bold = ini.readBool("Clock", "FontBold", true);
        italic = ini.readBool("Clock", "FontItalic", false);
        clockColor = readColor(ini, "Clock", "Color", kDefaultClockColor);
        autohide = ini.readInteger("PocketBook", "AutohidePanel", 0) == 1;
        pbColor = readColor(ini, "PocketBook", "Color", kDefaultPocketColor);
        pbFontColor = readColor(ini, "PocketBook", "FontColor", kDefaultPocketFontColor);
    });
    if (!ok) return;

    // The stored mode first; the font, colour and spacing follow.
    switch (static_cast<std::uint8_t>(view & 0xFF)) {
        case 1: rbSysTrayIcon->setChecked(true); break;
        case 2: rbSysTrayClock->setChecked(true); break;
        case 3: rbFreeClock->setChecked(true); break;
        case 4: rbAnalogClock->setChecked(true); break;
        default: break;
    }
    // A mode that could not be taken (an unreadable dial) is a fallback for
    // this run only: the file keeps the stored mode.
    const std::uint8_t stored = static_cast<std::uint8_t>(view & 0xFF);
    keptProgramView_ = stored >= 1 && stored <= 4 && clock_->ViewMode + 1 != stored ? view : 0;
    clock_->spTrayIcon1->setVisible(clock_->ViewMode == vmSysTrayIcon);
    clock_->setClockVisible(clock_->ViewMode != vmSysTrayIcon);

    seVertSpace->setValue(vert);
    clock_->VertSpace = seVertSpace->value();
    seHorisSpase->setValue(horis);
    clock_->HorisSpace = seHorisSpase->value();

    QFont f = font_;
    f.setFamily(fontName);
    f.setPointSize(fontSize);
    f.setStyleHint(QFont::AnyStyle);
    f.setBold(bold);
    f.setItalic(italic);
    font_ = f;
    fontColor_ = toQColor(fontColor);
    applyClockFont();

    shColor1->setColor(toQColor(clockColor));
    shColor2->setColor(toQColor(clockColor));
    clock_->setColor(toQColor(clockColor));

    chbAutohidePanel->setChecked(autohide);
    shColor3->setColor(toQColor(pbColor));
    shColor4->setColor(toQColor(pbColor));
    shColor5->setColor(toQColor(pbFontColor));
    shColor6->setColor(toQColor(pbFontColor));
}

void TfrmSettings::SaveSettings(bool viewOnly) {
    const bool ok = withSettingsFile([&](IniFile& ini) {
        const std::uint8_t mode = clock_->ViewMode;
        ini.writeInteger("General", "ProgramView", keptProgramView_ ? keptProgramView_ : mode + 1);
        if (mode == vmFreeClock || mode == vmAnalogClock) {
            ini.writeInteger("Clock", "Top", clock_->y());
            ini.writeInteger("Clock", "Left", clock_->x());
        }
        if (viewOnly) return;
        ini.writeString("General", "Language", str(CurrentLanguage()));
        ini.writeInteger("Clock", "Color", fromQColor(clock_->color()));
        ini.writeInteger("Clock", "VertSpace", seVertSpace->value());
        ini.writeInteger("Clock", "HorisSpace", seHorisSpase->value());
        ini.writeString("Clock", "FontName", str(font_.family()));
        ini.writeInteger("Clock", "FontSize", font_.pointSize() > 0 ? font_.pointSize() : 8);
        ini.writeInteger("Clock", "FontColor", fromQColor(fontColor_));
        ini.writeBool("Clock", "FontBold", font_.bold());
        ini.writeBool("Clock", "FontItalic", font_.italic());
        ini.writeInteger("PocketBook", "AutohidePanel", chbAutohidePanel->isChecked() ? 1 : 0);
    });
    if (!ok || viewOnly) return;
    if (cbAutorun->isChecked())
        setAutostart(exePath());
    else
        removeAutostart();
}

void TfrmSettings::applyClockFont() {
    btnSelectFont->setFont(font_);
    clock_->setClockFont(font_, fontColor_);
}

void TfrmSettings::moveToStoredPosition() {
    std::int64_t top = 0, left = 0;
    if (!withSettingsFile([&](IniFile& ini) {
            top = ini.readInteger("Clock", "Top", 0);
            left = ini.readInteger("Clock", "Left", 0);
        }))
        return;
    // A stored position off every screen (another monitor once, or a
    // damaged file) is brought back where the clock can be reached.
    std::vector<ClockRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    // The clock may not have its size yet (the first tick gives it).
    const QSize size = clock_->size().expandedTo(clock_->sizeHint()).expandedTo(QSize(40, 16));
    const ClockRect placed = KeepOnScreens(left, top, size.width(), size.height(), screens);
    clock_->move(placed.left, placed.top);
}

void TfrmSettings::storePosition() {
    withSettingsFile([&](IniFile& ini) {
        ini.writeInteger("Clock", "Top", clock_->y());
        ini.writeInteger("Clock", "Left", clock_->x());
    });
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

void TfrmSettings::connectSwitch(QRadioButton* button, void (TfrmSettings::*handler)()) {
    connect(button, &QRadioButton::toggled, this, [this, button, handler](bool on) {
        if (!on) return;
        try {
            (this->*handler)();
            keptProgramView_ = 0;  // a mode taken: stored as it is
        } catch (...) {
            // The switch stopped before the mode changed (a dial picture that
            // cannot be read): the buttons show the mode the clock is in.
            QRadioButton* current = modeButton(clock_->ViewMode);
            if (current && current != button) {
                const QSignalBlocker block(current);
                current->setChecked(true);
            }
            showCurrentError();
        }
    });
}

namespace {
// The window's visible shape: the whole window for the digital modes.
void clearShape(TfrmClock* c) { c->clearMask(); }
}  // namespace

void TfrmSettings::rbSysTrayIconClick() {
    if (clock_->ViewMode == vmSysTrayClock) RemoveTrayClock();
    clock_->setClockVisible(false);
    clock_->spTrayIcon1->show();
    clock_->ViewMode = vmSysTrayIcon;
    clock_->applyWindowFlags();
}

void TfrmSettings::rbSysTrayClockClick() {
    if (clock_->ViewMode == vmSysTrayIcon) {
        clock_->spTrayIcon1->hide();
        clock_->setClockVisible(true);
    }
    if (clock_->ViewMode == vmFreeClock || clock_->ViewMode == vmAnalogClock) storePosition();
    if (clock_->ViewMode != vmSysTrayClock) {
        clock_->imgAnalogClock->clear();
        clearShape(clock_);
        clock_->resize(50, 50);
    }
    CreateTrayClock();
    clock_->ViewMode = vmSysTrayClock;
    clock_->applyWindowFlags();
    EmbedClockWindow(clock_);
    clock_->resize(clock_->width() - 1, clock_->height() - 1);
    clock_->raise();
    clock_->spTrayIcon1->hide();
    clock_->setClockVisible(true);
}

void TfrmSettings::rbFreeClockClick() {
    const std::uint8_t from = clock_->ViewMode;
    clock_->setClockVisible(false);
    if (from == vmSysTrayClock) RemoveTrayClock();
    if (from == vmSysTrayIcon) clock_->spTrayIcon1->hide();
    if (from == vmSysTrayIcon || from == vmAnalogClock) clock_->imgAnalogClock->clear();
    // The next tick sizes the window to its text.
    clock_->resize(0, 0);
    clearShape(clock_);
    moveToStoredPosition();
    clock_->ViewMode = vmFreeClock;
    clock_->applyWindowFlags();
    clock_->setClockVisible(true);
}

void TfrmSettings::rbAnalogClockClick() {
    // The dial is read before anything changes: a picture that cannot be
    // read stops the switch with the clock still whole in its present mode
    // (the icon still there, the panel clock still in its corner).
    const QPixmap dial = LoadAnalogFace(analogDialPath());
    const std::uint8_t from = clock_->ViewMode;
    clock_->setClockVisible(false);
    if (from == vmSysTrayClock) RemoveTrayClock();
    clock_->spTrayIcon1->hide();
    clock_->setClockVisible(true);
    clock_->imgAnalogClock->setPixmap(dial);
    clock_->resize(96, 96);
    clock_->setMask(QRegion(0, 0, 97, 97, QRegion::Ellipse));
    moveToStoredPosition();
    clock_->ViewMode = vmAnalogClock;
    clock_->applyWindowFlags();
    clock_->setClockVisible(true);
}

// ---- the dialog's own controls ---------------------------------------------

void TfrmSettings::prepareToShow() {
    {
        const QSignalBlocker block(cbLang);
        cbLang->setEditText(CurrentLanguage());
    }
    lbxSettings->setCurrentRow(0);
    Notebook1->setCurrentIndex(0);
}

void TfrmSettings::lbxSettingsClick() {
    const int row = lbxSettings->currentRow();
    if (row >= 0 && row < Notebook1->count()) Notebook1->setCurrentIndex(row);
}

void TfrmSettings::btnOKClick() {
    SaveSettings(false);
    accept();
}

void TfrmSettings::btnCancelClick() {
    LoadSettings();
    LoadLanguageSetting(true);
    TranslateForm(this);
    clock_->tmrTimeTimer();
    reject();
}

void TfrmSettings::btnHelpClick() {
    ShowHelpContext(kHelpContext);
}

// The font and colour dialogs open over the settings dialog. (Hiding a
// modal dialog would end its run loop, so it stays visible meanwhile.)
void TfrmSettings::btnSelectFontClick() {
    QFont f = btnSelectFont->font();
    if (dialogs().chooseFont(this, f)) {
        font_ = f;
        applyClockFont();
    }
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
    pickColor(shColor1->color(), shColor1, shColor2, [this](const QColor& c) { clock_->setColor(c); });
}

void TfrmSettings::btnBgdColorClick() {
    pickColor(colorDialog_, shColor3, shColor4, applyPocketBookColor);
}

void TfrmSettings::btnPBFontColorClick() {
    pickColor(colorDialog_, shColor5, shColor6, applyPocketBookFontColor);
}

void TfrmSettings::seVertSpaceChange() {
    clock_->VertSpace = seVertSpace->value();
    if (clock_->ViewMode == vmFreeClock) {
        const QFontMetrics fm(clock_->lbClock->font());
        clock_->resize(clock_->width(), fm.height() + clock_->VertSpace + 1);
    }
}

void TfrmSettings::seHorisSpaseChange() {
    clock_->HorisSpace = seHorisSpase->value();
    if (clock_->ViewMode == vmFreeClock) {
        const QFontMetrics fm(clock_->lbClock->font());
        clock_->resize(fm.horizontalAdvance(clock_->lbClock->text()) + clock_->HorisSpace + 1, clock_->height());
    }
}

void TfrmSettings::cbLangDropDown() {
    const QSignalBlocker block(cbLang);
    const QString text = cbLang->currentText();
    cbLang->clear();
    cbLang->addItems(LanguageList());
    cbLang->setEditText(text);
}

void TfrmSettings::cbLangChange() {
    SetCurrentLanguage(cbLang->currentText());
    TranslateForm(this);
    TranslateAllForms();
}

}  // namespace ostrel
