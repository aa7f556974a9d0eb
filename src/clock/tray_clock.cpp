// The host window and its layout live in clock/taskbar_host; these are the
// operations the view-mode switches and the tick call.
#include "clock/tray_clock.h"

#include <QWidget>

#include "clock/taskbar_host.h"

namespace ostrel {

QWidget* hClockWindow = nullptr;

void CreateTrayClock() { taskbarEmbedding().createHost(); }

void EmbedClockWindow(QWidget* clockWindow) {
    taskbarEmbedding().embed(clockWindow);
    if (clockWindow && clockWindow->parentWidget() == taskbarEmbedding().host()) {
        clockWindow->move(0, 0);
        hClockWindow = clockWindow;
    }
}

void UpdateTrayClock() { taskbarEmbedding().update(); }

void RemoveTrayClock() {
    // The clock gets its own top-level window back before the host goes.
    taskbarEmbedding().removeHost();
    hClockWindow = nullptr;
}

}  // namespace ostrel
