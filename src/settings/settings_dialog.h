#pragma once
// The settings dialog: loads the settings file into the clock at start-up,
// holds the four view-mode switches, shows changes live and stores them on
// OK.

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

#include <cstdint>
#include <functional>

namespace ostrel {

class IniFile;
class TfrmClock;

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

class TfrmSettings : public QDialog {
    Q_OBJECT
public:
    // The dialog belongs to the clock window but is a window of its own.
    explicit TfrmSettings(TfrmClock* clockWindow);

    QListWidget* lbxSettings = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnOK = nullptr;
    // General
    QRadioButton* rbFreeClock = nullptr;
    QRadioButton* rbSysTrayIcon = nullptr;
    QRadioButton* rbAnalogClock = nullptr;
    QRadioButton* rbSysTrayClock = nullptr;
    QCheckBox* cbAutorun = nullptr;
    // Clock
    QPushButton* btnSelectFont = nullptr;
    ColorSwatch* shColor1 = nullptr;
    QPushButton* btnSelectColor = nullptr;
    ColorSwatch* shColor2 = nullptr;
    QSpinBox* seVertSpace = nullptr;
    QSpinBox* seHorisSpase = nullptr;
    // Language
    DropDownComboBox* cbLang = nullptr;
    // Pocket book
    QCheckBox* chbAutohidePanel = nullptr;
    ColorSwatch* shColor3 = nullptr;
    QPushButton* btnBgdColor = nullptr;
    ColorSwatch* shColor4 = nullptr;
    ColorSwatch* shColor5 = nullptr;
    QPushButton* btnPBFontColor = nullptr;
    ColorSwatch* shColor6 = nullptr;

    // The working copy of the clock font and its colour (the font dialog's).
    QFont clockFont() const { return font_; }
    QColor clockFontColor() const { return fontColor_; }

    // The pocket book's editor colours change live through these (set by
    // the pocket book).
    std::function<void(const QColor&)> applyPocketBookColor;
    std::function<void(const QColor&)> applyPocketBookFontColor;

    void LoadSettings();
    void SaveSettings(bool viewOnly);

    // The Setting command's preparation: language text, first page.
    void prepareToShow();

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
    void fitSize();
    void buildPages();
    void connectSwitch(QRadioButton* button, void (TfrmSettings::*handler)());
    QRadioButton* modeButton(std::uint8_t mode) const;
    void applyClockFont();
    void moveToStoredPosition();
    void storePosition();
    void pickColor(QColor start, ColorSwatch* left, ColorSwatch* right,
                   const std::function<void(const QColor&)>& apply);

    TfrmClock* clock_;
    QFont font_;
    QColor fontColor_;
    QColor colorDialog_ = Qt::white;  // the colour dialog keeps its last colour
    // The stored ProgramView while the clock shows another mode only for
    // this run (its dial could not be read): saved back unchanged unless the
    // user picks a mode.
    std::int64_t keptProgramView_ = 0;
};

// The settings dialog, created and destroyed by the clock window.
extern TfrmSettings* frmSettings;

}  // namespace ostrel
