#pragma once
// Whether a window manager looks after the program's top-level windows
// (frames them, gives them a title bar). Without one a window shows only
// its client area: what its title says must be shown inside where it
// matters.

namespace ostrel {

// On X11: the window manager's check window of the extended window manager
// hints is there and names itself (asked anew on every call, so a window
// manager started or ended while the program runs counts). Other
// platforms always frame their windows.
bool windowManagerRunning();

}  // namespace ostrel
