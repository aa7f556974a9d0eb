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
    const QString general = QStringLiteral("General"), clock = QStringLiteral("Clock");
    s.declare(general, QStringLiteral("ProgramView"), 0);
    // The one-time balloon from the notification-area icon has been shown.
    s.declare(general, QStringLiteral("TrayHintShown"), false);
    s.declare(clock, QStringLiteral("VertSpace"), 3);
    s.declare(clock, QStringLiteral("HorisSpace"), 7);
    s.declare(clock, QStringLiteral("FontName"), QStringLiteral("MS Sans Serif"));
    s.declare(clock, QStringLiteral("FontSize"), 8);
    s.declare(clock, QStringLiteral("FontColor"), 0x800000);  // navy
    s.declare(clock, QStringLiteral("FontBold"), true);
    s.declare(clock, QStringLiteral("FontItalic"), false);
    s.declare(clock, QStringLiteral("Color"), 12582074);  // light green
    s.declare(clock, QStringLiteral("Top"), 0);
    s.declare(clock, QStringLiteral("Left"), 0);
}

}  // namespace ostrel
