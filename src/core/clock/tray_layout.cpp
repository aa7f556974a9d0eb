#include "core/clock/tray_layout.h"

namespace ostrel {

TrayClockLayout layoutTrayClock(const ScreenRect& clock, bool clockEmbedded, const ScreenRect& systemClock,
                                const ScreenRect& notifyArea, const ScreenRect& taskbar) {
    const ScreenRect& F = clock;
    const ScreenRect& C = systemClock;
    const ScreenRect& N = notifyArea;
    const ScreenRect& T = taskbar;
    TrayClockLayout l;
    l.extra = clockEmbedded ? F.width() - C.width() : 0;
    l.notifyArea = {N.left - T.left - 4 - l.extra, N.top - T.top - 4, N.width() + l.extra, N.height()};
    l.systemClock = {C.left - N.left - 1, C.height() / 2 - F.height() / 2, C.width() + l.extra, C.height()};
    return l;
}

WindowPlacement hostPlacement(const ScreenRect& clock, const ScreenRect& systemClockAfter) {
    return {systemClockAfter.left, systemClockAfter.top, clock.width() - 1, clock.height() - 1};
}

VirtualTaskbar::VirtualTaskbar(const ScreenRect& taskbar, int clockWidth) : taskbar_(taskbar) {
    const int clientWidth = taskbar.width() - 2 * kTaskbarBorder;
    const int clientHeight = taskbar.height() - 2 * kTaskbarBorder;
    const int notifyWidth = clockWidth + 2 * kNotifyBorder;
    notify_ = {clientWidth - notifyWidth, 0, notifyWidth, clientHeight};
    clock_ = {0, 0, clockWidth, clientHeight - 2 * kNotifyBorder};
}

ScreenRect VirtualTaskbar::notifyArea() const {
    const int left = taskbar_.left + kTaskbarBorder + notify_.x;
    const int top = taskbar_.top + kTaskbarBorder + notify_.y;
    return {left, top, left + notify_.width, top + notify_.height};
}

ScreenRect VirtualTaskbar::systemClock() const {
    const ScreenRect n = notifyArea();
    const int left = n.left + kNotifyBorder + clock_.x;
    const int top = n.top + kNotifyBorder + clock_.y;
    return {left, top, left + clock_.width, top + clock_.height};
}

WindowPlacement updateVirtualTaskbar(VirtualTaskbar& bar, const ScreenRect& clock, bool clockEmbedded) {
    const TrayClockLayout l = layoutTrayClock(clock, clockEmbedded, bar.systemClock(), bar.notifyArea(), bar.taskbar());
    bar.moveNotifyArea(l.notifyArea);
    bar.moveSystemClock(l.systemClock);
    return hostPlacement(clock, bar.systemClock());
}

}  // namespace ostrel
