#pragma once
// The settings dialog: shows the values of the settings model
// (ui/settings_model.h) and hands changes back to it, so the clock shows
// them live; asks the clock (ui/clock_view.h) to switch its view mode;
// stores everything on OK and returns everything to how it was on Cancel.

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>

#include <QVariant>

#include <cstdint>
#include <functional>
#include <vector>

#include "ui/clock_view.h"

namespace ostrel {

// A small rectangle filled with a colour.
class ColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_ = Qt::white;
};

// Combo box that reports when its list is about to open.
class DropDownComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
signals:
    void dropDown();
};

class SyncPage;

class TfrmSettings : public QDialog {
    Q_OBJECT
public:
    // A window of its own; the clock's view modes are switched through
    // clock, which outlives the dialog.
    explicit TfrmSettings(ClockView* clock);
    ~TfrmSettings() override;

    // General
    // Clock
    // Language
    // Pocket book

    // The pocket book's editor colours change live through these (set by
    // the pocket book).
    std::function<void(const QColor&)> applyPocketBookColor;
    std::function<void(const QColor&)> applyPocketBookFontColor;

    // Reads the dialog's own keys and the autorun entry and shows every
    // value; what Cancel returns to is taken afresh.
    void LoadSettings();
    // Stores the view, the clock's settings, the dialog's own keys, the
    // language and the autorun entry.
    void SaveSettings();

    // The Setting command's preparation: language text, first page, what
    // Cancel returns to.
    void prepareToShow();
    // The Setting command: prepares and runs the dialog modally.
    void execDialog();
    // Esc, the title bar's close button and Cancel: everything previewed
    // goes back to how it was when the dialog opened.
    void reject() override;

    void rbSysTrayIconClick();
    void rbSysTrayClockClick();
    void rbFreeClockClick();
    void rbAnalogClockClick();

    void btnOKClick();
    void btnCancelClick();
    void btnHelpClick();
    void btnSelectFontClick();
    void btnSelectColorClick();
    void btnBgdColorClick();
    void btnPBFontColorClick();
    void seVertSpaceChange();
    void seHorisSpaseChange();
    void cbLangDropDown();
    void cbLangChange();
    void lbxSettingsClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QListWidget* lbxSettings = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnOK = nullptr;
    QRadioButton* rbFreeClock = nullptr;
    QRadioButton* rbSysTrayIcon = nullptr;
    QRadioButton* rbAnalogClock = nullptr;
    QRadioButton* rbSysTrayClock = nullptr;
    QCheckBox* cbAutorun = nullptr;
    // [Reminders]: Notify, Sound, BirthdayDays.
    QCheckBox* cbNotify = nullptr;
    QCheckBox* cbSound = nullptr;
    QSpinBox* seBirthdayDays = nullptr;
    QPushButton* btnSelectFont = nullptr;
    ColorSwatch* shColor1 = nullptr;
    QPushButton* btnSelectColor = nullptr;
    ColorSwatch* shColor2 = nullptr;
    QSpinBox* seVertSpace = nullptr;
    QSpinBox* seHorisSpase = nullptr;
    DropDownComboBox* cbLang = nullptr;
    QCheckBox* chbAutohidePanel = nullptr;
    ColorSwatch* shColor3 = nullptr;
    QPushButton* btnBgdColor = nullptr;
    ColorSwatch* shColor4 = nullptr;
    ColorSwatch* shColor5 = nullptr;
    QPushButton* btnPBFontColor = nullptr;
    ColorSwatch* shColor6 = nullptr;

    struct Snapshot {
        std::vector<std::pair<std::pair<QString, QString>, QVariant>> values;
        ClockViewState view;
    };

    void fitSize();
    // Centres the dialog on the desktop.
    void centreOnDesktop();
    // The language file a text of the language box stands for.
    QString languageOfText(const QString& text) const;
    void buildPages();
    // Adds a page of the notebook: a group box with its title.
    QGroupBox* addPage(const char* name, const char* title);
    void buildGeneralPage();
    void buildClockPage();
    void buildLanguagePage();
    void buildPocketBookPage();
    void connectSwitch(QRadioButton* button, TViewMode mode);
    QRadioButton* modeButton(std::uint8_t mode) const;
    // Checks the button of the clock's present mode.
    void showViewMode();
    // Shows one value of the settings model (every value when key is empty).
    void showValue(const QString& section, const QString& key);
    QFont clockFont() const;
    // The clock's font as the font button shows it.
    QFont fontPreview() const;
    void takeSnapshot();
    void restoreSnapshot();
    void pickColor(QColor start, ColorSwatch* left, ColorSwatch* right,
                   const std::function<void(const QColor&)>& apply);

    ClockView* clock_;
    Snapshot snapshot_;
    bool restoring_ = false;
    QColor colorDialog_ = Qt::white;  // the colour dialog keeps its last colour
    // The stored ProgramView while the clock shows another mode only for
    // this run (its dial could not be read): saved back unchanged unless the
    // user picks a mode.
    SyncPage* syncPage_ = nullptr;
};

// The settings dialog, created by the application after the clock window.
extern TfrmSettings* frmSettings;

}  // namespace ostrel
