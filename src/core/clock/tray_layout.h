#pragma once
// Layout of the digital clock laid over the taskbar's clock: the pure
// arithmetic over four rectangles, shared by every desktop back end.
//
// The back end reads the rectangles (screen coordinates), asks
// layoutTrayClock() where the notification area and the system clock go,
// applies those moves, reads the system clock's rectangle again and places
// the clock's host with hostPlacement().

namespace ostrel {

// A screen rectangle as the platform reports it: right and bottom are
// exclusive, so width = right - left.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Arguments of one move: position relative to the parent's client area,
// and size.
struct WindowPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

struct TrayClockLayout {
    int extra = 0;                // how much wider the clock is than the system clock
    WindowPlacement notifyArea;   // relative to the taskbar
    WindowPlacement systemClock;  // relative to the notification area
};

// clock: the clock window (F); it is ignored for the width when clockEmbedded
// is false (the clock has not been put into the host yet). systemClock (C),
// notifyArea (N) and taskbar (T) as they are now.
TrayClockLayout layoutTrayClock(const ScreenRect& clock, bool clockEmbedded, const ScreenRect& systemClock,
                                const ScreenRect& notifyArea, const ScreenRect& taskbar);

// Where the host of the clock goes (screen coordinates), from the system
// clock's rectangle read after the layout was applied.
WindowPlacement hostPlacement(const ScreenRect& clock, const ScreenRect& systemClockAfter);

// A taskbar kept in memory for desktops without one of that shape: a strip
// along the bottom of the screen with the notification area at its right end
// and the system clock at the right end of that. Moves are applied the way
// the shell applies them: relative to the parent's client area, which lies
// inside a border (4 pixels for the taskbar, 1 for the notification area),
// and a child moves with its parent.
class VirtualTaskbar {
public:
    static constexpr int kTaskbarBorder = 4;
    static constexpr int kNotifyBorder = 1;

    // taskbar: the strip's screen rectangle. The notification area fills the
    // client height and is the system clock plus its border wide; the system
    // clock is clockWidth wide.
    VirtualTaskbar(const ScreenRect& taskbar, int clockWidth);

    ScreenRect taskbar() const { return taskbar_; }
    ScreenRect notifyArea() const;
    ScreenRect systemClock() const;

    void moveNotifyArea(const WindowPlacement& p) { notify_ = p; }
    void moveSystemClock(const WindowPlacement& p) { clock_ = p; }

private:
    ScreenRect taskbar_;
    WindowPlacement notify_;  // relative to the taskbar's client area
    WindowPlacement clock_;   // relative to the notification area's client area
};

// Lays the taskbar out for the clock once (layoutTrayClock on the virtual
// taskbar) and returns the host's placement.
WindowPlacement updateVirtualTaskbar(VirtualTaskbar& bar, const ScreenRect& clock, bool clockEmbedded);

}  // namespace ostrel
