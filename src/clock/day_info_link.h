#pragma once
// What the clock window needs of the day-info panel. The panel implements
// it and is handed to the clock with TfrmClock::setDayInfoPanel.

namespace ostrel {

class DayInfoPanel {
public:
    virtual ~DayInfoPanel() = default;
    virtual void showPanel() = 0;
    virtual void hidePanel() = 0;
    virtual bool panelVisible() const = 0;
    // Starts the panel's hide timer with this interval.
    virtual void startHideTimer(int intervalMs) = 0;
};

}  // namespace ostrel
