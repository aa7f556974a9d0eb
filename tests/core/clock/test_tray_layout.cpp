// Laying the digital clock over the taskbar's clock.

#include <gtest/gtest.h>

#include "core/clock/tray_layout.h"

using namespace ostrel;

namespace {

// A 30-pixel taskbar along the bottom of a 1280 x 1024 screen, its
// notification area and a 60 x 22 system clock.
const ScreenRect kTaskbar{0, 994, 1280, 1024};
const ScreenRect kNotify{1180, 996, 1276, 1022};
const ScreenRect kSystemClock{1210, 998, 1270, 1020};

ScreenRect clockOfSize(int w, int h) {
    return {500, 300, 500 + w, 300 + h};  // where the clock is does not matter
}

struct LayoutCase {
    const char* name;
    ScreenRect clock;
    bool embedded;
    ScreenRect systemClock;
    int extra;
    WindowPlacement notify;
    WindowPlacement sysClock;
};

const LayoutCase kCases[] = {
    {"ten pixels wider: area grows left by 10, clock widens by 10",
     clockOfSize(70, 22),
     true,
     kSystemClock,
     10,
     {1166, -2, 106, 26},
     {29, 0, 70, 22}},
    {"as wide: nothing moves", clockOfSize(60, 22), true, kSystemClock, 0, {1176, -2, 96, 26}, {29, 0, 60, 22}},
    {"narrower: area narrows from the left, clock shrinks to it",
     clockOfSize(50, 22),
     true,
     kSystemClock,
     -10,
     {1186, -2, 86, 26},
     {29, 0, 50, 22}},
    {"four pixels lower: centred 2 down",
     clockOfSize(60, 18),
     true,
     kSystemClock,
     0,
     {1176, -2, 96, 26},
     {29, 2, 60, 22}},
    {"taller: centred above the top", clockOfSize(60, 25), true, kSystemClock, 0, {1176, -2, 96, 26}, {29, -1, 60, 22}},
    {"odd heights are halved with truncation",
     clockOfSize(60, 16),
     true,
     {1210, 998, 1270, 1019},
     0,
     {1176, -2, 96, 26},
     {29, 2, 60, 21}},
    {"clock not yet embedded: no extra width",
     clockOfSize(70, 22),
     false,
     kSystemClock,
     0,
     {1176, -2, 96, 26},
     {29, 0, 60, 22}},
};

}  // namespace

TEST(TrayLayout, Cases) {
    for (const LayoutCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const TrayClockLayout l = layoutTrayClock(c.clock, c.embedded, c.systemClock, kNotify, kTaskbar);
        EXPECT_EQ(l.extra, c.extra);
        EXPECT_EQ(l.notifyArea, c.notify);
        EXPECT_EQ(l.systemClock, c.sysClock);
    }
}

TEST(TrayLayout, HostCoversTheSystemClockOnePixelSmallerThanTheClock) {
    EXPECT_EQ(hostPlacement(clockOfSize(70, 22), {1200, 998, 1270, 1020}), (WindowPlacement{1200, 998, 69, 21}));
}

TEST(TrayLayout, VirtualTaskbarSettlesAfterOneUpdate) {
    VirtualTaskbar bar({0, 994, 1280, 1024}, 60);
    EXPECT_EQ(bar.notifyArea(), (ScreenRect{1214, 998, 1276, 1020}));
    EXPECT_EQ(bar.systemClock(), (ScreenRect{1215, 999, 1275, 1019}));

    // A clock 10 pixels wider than the system clock and as high.
    ScreenRect clock{0, 0, 70, 20};
    WindowPlacement host = updateVirtualTaskbar(bar, clock, true);
    EXPECT_EQ(bar.notifyArea(), (ScreenRect{1204, 998, 1276, 1020}));
    EXPECT_EQ(bar.systemClock(), (ScreenRect{1205, 999, 1275, 1019}));
    EXPECT_EQ(host, (WindowPlacement{1205, 999, 69, 19}));

    // The clock now sits in its host: the second update changes nothing.
    clock = {host.x, host.y, host.x + 70, host.y + 20};
    EXPECT_EQ(updateVirtualTaskbar(bar, clock, true), host);
    EXPECT_EQ(bar.notifyArea(), (ScreenRect{1204, 998, 1276, 1020}));
    EXPECT_EQ(bar.systemClock(), (ScreenRect{1205, 999, 1275, 1019}));

    // A shorter clock (time text changed font) is centred on the system clock.
    clock = {host.x, host.y, host.x + 70, host.y + 16};
    host = updateVirtualTaskbar(bar, clock, true);
    EXPECT_EQ(bar.systemClock(), (ScreenRect{1205, 1001, 1275, 1021}));
    EXPECT_EQ(host, (WindowPlacement{1205, 1001, 69, 15}));
    // The right edge stays where the panel keeps its clock.
    EXPECT_EQ(bar.notifyArea().right, 1276);
}
