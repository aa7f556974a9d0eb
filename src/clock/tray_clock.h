#pragma once
// The digital clock placed over the desktop panel's clock corner.
//
// CreateTrayClock prepares the place, EmbedClockWindow puts the clock window
// there, UpdateTrayClock lays it out again (every tick while the clock is
// there) and RemoveTrayClock takes the place away; the caller then makes
// the clock a floating window again.

class QWidget;

namespace ostrel {

// The clock window while it sits in the panel; nullptr otherwise.
extern QWidget* hClockWindow;

void CreateTrayClock();
void EmbedClockWindow(QWidget* clockWindow);
void UpdateTrayClock();
void RemoveTrayClock();

}  // namespace ostrel
