#pragma once
// The clock window with its settings dialog, made and wired as the
// application makes them (createSettingsDialog); the dialog goes first.

#include "app/forms.h"
#include "clock/clock_window.h"
#include "settings/settings_dialog.h"

namespace ostrel::testing {

class ClockWindow {
public:
    ClockWindow() : clock(*new TfrmClock) { createSettingsDialog(&clock); }
    ~ClockWindow() {
        delete frmSettings;
        delete &clock;
    }
    ClockWindow(const ClockWindow&) = delete;
    ClockWindow& operator=(const ClockWindow&) = delete;

    TfrmClock& clock;
};

}  // namespace ostrel::testing
