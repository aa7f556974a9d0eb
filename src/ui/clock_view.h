#pragma once
// What the rest of the program may ask of the clock window without knowing
// it: its view mode and the four switches between the modes. The clock
// window (clock/clock_window.h) implements it; the settings dialog gets it
// from the application.
//
// The clock's settings (font, colours, spacing, stored position, view mode)
// live in the settings model (ui/settings_model.h), sections "General" and
// "Clock"; the clock declares and loads them (declareClockSettings) and
// follows every change of them at once. "General/ProgramView" is written by
// the clock alone, after each switch; everyone else changes the mode through
// setViewMode.

#include <QRect>
#include <QString>

#include <cstdint>

namespace ostrel {

// The clock's view modes; the settings file stores the mode plus one.
enum TViewMode : std::uint8_t {
    vmSysTrayIcon = 0,   // hidden window, notification-area icon
    vmSysTrayClock = 1,  // digital clock over the panel's clock corner
    vmFreeClock = 2,     // floating digital clock, stays on top
    vmAnalogClock = 3,   // floating round analog clock, stays on top
};

// The mode a stored "ProgramView" value stands for (its low eight bits less
// one); nothing for a value that names no mode.
bool viewModeFromStored(long long stored, TViewMode& mode);

// The sections and keys of the clock's settings, each named here once.
namespace clockKey {
inline const QString generalSection = QStringLiteral("General");
inline const QString clockSection = QStringLiteral("Clock");
// General
inline const QString programView = QStringLiteral("ProgramView");
inline const QString trayHintShown = QStringLiteral("TrayHintShown");
// Clock
inline const QString vertSpace = QStringLiteral("VertSpace");
inline const QString horisSpace = QStringLiteral("HorisSpace");
inline const QString fontName = QStringLiteral("FontName");
inline const QString fontSize = QStringLiteral("FontSize");
inline const QString fontColor = QStringLiteral("FontColor");
inline const QString fontBold = QStringLiteral("FontBold");
inline const QString fontItalic = QStringLiteral("FontItalic");
inline const QString color = QStringLiteral("Color");
inline const QString top = QStringLiteral("Top");
inline const QString left = QStringLiteral("Left");
}  // namespace clockKey

// Declares the keys of "General" and "Clock" the clock uses, with their
// defaults, in settings().
void declareClockSettings();

// Where the clock is: its mode and, for a floating clock, its place.
struct ClockViewState {
    TViewMode mode = vmSysTrayIcon;
    QRect geometry;
    bool operator==(const ClockViewState&) const = default;
};

class ClockView {
public:
    virtual ~ClockView() = default;

    virtual TViewMode viewMode() const = 0;
    // Switches into mode with its position rules (a floating mode starts at
    // the stored position; leaving a floating mode for the panel clock
    // stores the position). Nothing happens when the clock is in mode
    // already. Throws, with nothing changed, when the mode cannot be entered
    // (the analog dial cannot be read).
    virtual void setViewMode(TViewMode mode) = 0;

    // The present mode and place, and a return to exactly them (the
    // settings dialog's Cancel).
    virtual ClockViewState viewState() const = 0;
    virtual void restoreViewState(const ClockViewState& state) = 0;

    // Stores the view mode and the position of a floating clock in the
    // settings file (the rest of the clock's settings stay as they are).
    virtual void saveView() = 0;
};

}  // namespace ostrel
