// End points of the analog clock's hands on the 96 x 96 face (centre 48, 48).

#include <gtest/gtest.h>

#include "core/clock/analog_hands.h"

using ostrel::analogHandEnds;
using ostrel::HandEnds;

namespace {

struct Case {
    int h, m, s;
    HandEnds expected;
};

// The single-precision angle leaves several cardinal positions one pixel
// short (the second hand at 12 ends at y 9, not 8); the three o'clock hour
// hand differs between morning and afternoon for the same reason.
const Case kCases[] = {
    {0, 0, 0, {{48, 9}, {48, 11}, {48, 21}}},     {0, 0, 15, {{88, 48}, {48, 11}, {48, 21}}},
    {0, 0, 30, {{48, 87}, {49, 11}, {48, 21}}},   {0, 0, 45, {{9, 48}, {50, 11}, {48, 21}}},
    {0, 15, 0, {{48, 9}, {86, 48}, {51, 21}}},    {0, 30, 0, {{48, 9}, {48, 85}, {55, 21}}},
    {3, 0, 0, {{48, 9}, {48, 11}, {76, 48}}},     {6, 0, 0, {{48, 9}, {48, 11}, {48, 75}}},
    {9, 0, 0, {{48, 9}, {48, 11}, {21, 48}}},     {15, 0, 0, {{48, 9}, {48, 11}, {75, 48}}},
    {10, 10, 30, {{48, 87}, {81, 31}, {26, 32}}},
};

}  // namespace

TEST(AnalogHands, EndPointsMatchTheFaceTable) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.h << ":" << c.m << ":" << c.s);
        const HandEnds e = analogHandEnds(c.h, c.m, c.s, 48, 48);
        EXPECT_EQ(e.second, c.expected.second) << "second " << e.second.x << "," << e.second.y;
        EXPECT_EQ(e.minute, c.expected.minute) << "minute " << e.minute.x << "," << e.minute.y;
        EXPECT_EQ(e.hour, c.expected.hour) << "hour " << e.hour.x << "," << e.hour.y;
    }
}

TEST(AnalogHands, FollowTheCentre) {
    // A face of another size moves every end point with its centre.
    const HandEnds a = analogHandEnds(10, 10, 30, 48, 48);
    const HandEnds b = analogHandEnds(10, 10, 30, 60, 40);
    EXPECT_EQ(b.second, (ostrel::HandPoint{a.second.x + 12, a.second.y - 8}));
    EXPECT_EQ(b.hour, (ostrel::HandPoint{a.hour.x + 12, a.hour.y - 8}));
}

TEST(AnalogHands, HandPixelsLeaveTheEndPointOutAndThickenAcross) {
    using ostrel::handPixels;
    using ostrel::HandPoint;
    // Straight down, one pixel wide: 48,48 .. 48,86.
    auto px = handPixels({48, 48}, {48, 87}, 1);
    ASSERT_EQ(px.size(), 39u);
    EXPECT_EQ(px.back(), (HandPoint{48, 86}));
    // Mostly sideways, three wide: a row above and below each pixel.
    px = handPixels({48, 48}, {26, 32}, 3);
    EXPECT_EQ(px.size(), 22u * 3u);
    EXPECT_EQ(px[0], (HandPoint{48, 47}));
    EXPECT_EQ(px[2], (HandPoint{48, 49}));
    // Mostly upwards, two wide: the column to the right as well.
    px = handPixels({48, 48}, {49, 11}, 2);
    EXPECT_EQ(px.size(), 37u * 2u);
    EXPECT_EQ(px[1], (HandPoint{49, 48}));
    EXPECT_TRUE(handPixels({5, 5}, {5, 5}, 3).empty());
}
