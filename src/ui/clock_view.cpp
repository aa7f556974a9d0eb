#include "ui/clock_view.h"

#include "ui/settings_model.h"

namespace ostrel {

bool viewModeFromStored(long long stored, TViewMode& mode) {
    const int low = static_cast<int>(stored & 0xFF);
    if (low < 1 || low > 4) return false;
    mode = static_cast<TViewMode>(low - 1);
    return true;
}

void declareClockSettings() {
    SettingsModel& s = settings();
    using namespace clockKey;
    s.declare(generalSection, programView, 0);
    // The one-time balloon from the notification-area icon has been shown.
    s.declare(generalSection, trayHintShown, false);
    s.declare(clockSection, vertSpace, 3);
    s.declare(clockSection, horisSpace, 7);
    s.declare(clockSection, fontName, QStringLiteral("MS Sans Serif"));
    s.declare(clockSection, fontSize, 8);
    s.declare(clockSection, fontColor, 0x800000);  // navy
    s.declare(clockSection, fontBold, true);
    s.declare(clockSection, fontItalic, false);
    s.declare(clockSection, color, 12582074);  // light green
    s.declare(clockSection, top, 0);
    s.declare(clockSection, left, 0);
}

}  // namespace ostrel
