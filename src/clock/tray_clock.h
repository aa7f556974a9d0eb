#pragma once
// The digital clock placed over the desktop panel's clock corner.
//
// CreateTrayClock creates the host window over the corner, EmbedClockWindow
// makes the clock window its child at (0, 0), UpdateTrayClock lays the
// corner out again (every tick while the clock is there, and when the work
// area changes) and RemoveTrayClock gives the clock window back its own,
// hidden top-level window and destroys the host; the caller then shows the
// clock as a floating window again. The host and its layout:
// clock/taskbar_host.h.

class QWidget;

namespace ostrel {

// The clock window while it sits in the panel; nullptr otherwise.
extern QWidget* hClockWindow;

void CreateTrayClock();
void EmbedClockWindow(QWidget* clockWindow);
void UpdateTrayClock();
void RemoveTrayClock();

}  // namespace ostrel
