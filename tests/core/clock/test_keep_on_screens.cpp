// A stored clock position always ends up reachable on the virtual desktop.

#include <gtest/gtest.h>

#include <cstdint>

#include "core/clock/clock_layout.h"

using namespace ostrel;

TEST(KeepOnScreens, StoredPositionsEndUpOnAScreen) {
    // Two screens side by side, the right one lower and smaller.
    const std::vector<ClockRect> screens = {{0, 0, 1280, 1024}, {1280, 200, 800, 600}};
    struct Case {
        const char* what;
        std::int64_t left, top;
        ClockRect expected;
    };
    const Case cases[] = {
        {"inside the first", 100, 120, {100, 120, 90, 30}},
        {"inside the second", 1500, 300, {1500, 300, 90, 30}},
        {"Top=5000", 100, 5000, {100, 994, 90, 30}},
        {"beyond 32767, would wrap in 16 bits", 40000, 40000, {1990, 770, 90, 30}},
        {"far negative", -2147483648LL, -9000000000LL, {0, 0, 90, 30}},
        {"int64 extremes", INT64_MAX, INT64_MIN, {1990, 200, 90, 30}},
        {"half over the right edge", 2050, 300, {1990, 300, 90, 30}},
        {"in the hole below the second screen", 1500, 900, {1500, 770, 90, 30}},
        {"mostly on the first", 1250, 100, {1190, 100, 90, 30}},
    };
    for (const Case& c : cases) EXPECT_EQ(KeepOnScreens(c.left, c.top, 90, 30, screens), c.expected) << c.what;

    // Larger than the screen: its top left corner stays on it.
    EXPECT_EQ(KeepOnScreens(500, 500, 2000, 30, {{0, 0, 1280, 1024}}), (ClockRect{0, 500, 2000, 30}));
    // No screen known: only brought into range.
    EXPECT_EQ(KeepOnScreens(INT64_MAX, -5, 90, 30, {}), (ClockRect{1 << 24, -5, 90, 30}));
}
