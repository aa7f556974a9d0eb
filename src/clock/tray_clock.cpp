// The panel placement itself comes with the panel clock; until then the
// clock window in this mode is a plain frameless window.
#include "clock/tray_clock.h"

#include <QWidget>

namespace ostrel {

QWidget* hClockWindow = nullptr;

void CreateTrayClock() {}

void EmbedClockWindow(QWidget* clockWindow) { hClockWindow = clockWindow; }

void UpdateTrayClock() {}

void RemoveTrayClock() { hClockWindow = nullptr; }

}  // namespace ostrel
