#include <gtest/gtest.h>

#include "core/clock/clock_layout.h"
#include "core/clock/colors.h"

namespace ostrel {

// How a colour reads in a failure message.
void PrintTo(Color c, std::ostream* os) { *os << "Color(0x" << std::hex << c.value() << std::dec << ")"; }

namespace {

TEST(Colors, ShadesOfTheDefaultClockColour) {
    const Color clockGreen(0xBFFCBA);
    EXPECT_EQ(DarkenColor(clockGreen, 60), makeColor(74, 101, 76));
    EXPECT_EQ(LightenColor(clockGreen, 60), makeColor(227, 254, 229));
}

TEST(Colors, PercentEdgeCases) {
    struct Case {
        Color in;
        unsigned percent;
        bool darken;
        Color out;
    };
    const Case cases[] = {
        {Color(0x123456), 0, true, Color(0x123456)},
        {Color(0x123456), 0, false, Color(0x123456)},
        {Color(0x123456), 100, true, Color(0x000000)},
        {Color(0x123456), 100, false, Color(0xFFFFFF)},
        {Color(0xFFFFFF), 50, true, makeColor(127, 127, 127)},  // 255 - mulDiv(255, 50, 100) = 255 - 128
        {Color(0x000000), 50, false, makeColor(128, 128, 128)},
        {Color(0x123456), 255, true, Color(0x000000)},  // beyond 100 percent stays in range
        {Color(0x123456), 255, false, Color(0xFFFFFF)},
    };
    for (const Case& c : cases) {
        const Color got = c.darken ? DarkenColor(c.in, c.percent) : LightenColor(c.in, c.percent);
        EXPECT_EQ(got, c.out) << std::hex << c.in.value() << " " << std::dec << c.percent
                              << (c.darken ? " darken" : " lighten");
    }
}

Color testResolver(int index) { return index == kColorBtnFace ? makeColor(200, 100, 50) : Color(0); }

TEST(Colors, SystemColourIsResolvedBeforeShading) {
    setSystemColorResolver(&testResolver);
    EXPECT_EQ(DarkenColor(systemColor(kColorBtnFace), 50), makeColor(100, 50, 25));
    EXPECT_EQ(LightenColor(systemColor(kColorBtnFace), 0), makeColor(200, 100, 50));
    setSystemColorResolver(nullptr);
    EXPECT_EQ(resolveColor(systemColor(kColorBtnFace)), makeColor(240, 240, 240));
}

TEST(Colors, MulDivAndEvenRounding) {
    EXPECT_EQ(mulDiv(186, 60, 100), 112);  // 111.6
    EXPECT_EQ(mulDiv(5, 1, 2), 3);         // half away from zero
    EXPECT_EQ(mulDiv(-5, 1, 2), -3);
    EXPECT_EQ(mulDiv(1, 1, 0), -1);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(2.6), 3);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
}

TEST(Gradient, FewerThanTwoColoursRaise) {
    try {
        GradientLines(10, {Color(0xFF)});
        FAIL() << "no error";
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Es mussen mindestens zwei Farben angegeben werden.");
    }
    EXPECT_THROW(GradientLines(10, {}), EMathError);
}

TEST(Gradient, ThreeColoursOverFivePixelsShareTheMiddleLine) {
    const Color c0 = makeColor(0, 0, 0), c1 = makeColor(100, 200, 50), c2 = makeColor(255, 255, 255);
    const auto lines = GradientLines(5, {c0, c1, c2});
    const std::vector<GradientLine> want = {{0, c0}, {1, makeColor(50, 100, 25)},   {2, c1},
                                            {2, c1}, {3, makeColor(177, 227, 152)}, {4, c2}};
    EXPECT_EQ(lines, want);
}

TEST(Gradient, TwoColoursCoverTheSpanExactly) {
    const auto lines = GradientLines(20, {makeColor(10, 20, 30), makeColor(200, 210, 220)});
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines.front(), (GradientLine{0, makeColor(10, 20, 30)}));
    EXPECT_EQ(lines.back(), (GradientLine{19, makeColor(200, 210, 220)}));
    // Rounded segment lengths still end on the last position.
    const auto seven = GradientLines(7, {Color(0), Color(0xFFFFFF), Color(0), Color(0xFFFFFF)});  // 7/3 -> 2
    EXPECT_EQ(seven.back().pos, 6);
    EXPECT_EQ(seven.back().color, Color(0xFFFFFF));
}

TEST(Gradient, DegenerateSpans) {
    EXPECT_TRUE(GradientLines(0, {Color(0), Color(0xFFFFFF)}).empty());
    EXPECT_TRUE(GradientLines(-4, {Color(0), Color(0xFFFFFF)}).empty());
    const auto one = GradientLines(1, {Color(0x0000FF), Color(0xFF0000)});  // 0/0: start colour
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], (GradientLine{0, Color(0x0000FF)}));
}

TEST(ClockLayout, ResizeOnlyBeyondFivePixels) {
    const ClockRect w{100, 100, 60, 20};
    // wanted = 40 + 7 + 6 = 53: 7 pixels narrower, resized.
    EXPECT_EQ(TickGeometry(w, 40, 16, 7, 3, 1280, 1024), (ClockRect{100, 100, 53, 20}));
    // wanted 55: exactly 5 off, stays.
    EXPECT_FALSE(TickGeometry(w, 42, 16, 7, 3, 1280, 1024).has_value());
    EXPECT_FALSE(TickGeometry(w, 52, 30, 7, 3, 1280, 1024).has_value());  // 65: 5 off
    EXPECT_TRUE(TickGeometry(w, 53, 30, 7, 3, 1280, 1024).has_value());   // 66: 6 off
}

TEST(ClockLayout, SnapsToFullScreenRightAndBottomEdges) {
    // Right edge 1271 + 9 = 1280 - 1: within 10, snapped; bottom 1000+20 = 1020, 4 off.
    EXPECT_EQ(TickGeometry({1218, 1000, 0, 0}, 40, 16, 7, 3, 1280, 1024), (ClockRect{1227, 1004, 53, 20}));
    // Exactly 10 away: stays.
    EXPECT_EQ(TickGeometry({1217, 994, 0, 0}, 40, 16, 7, 3, 1280, 1024), (ClockRect{1217, 994, 53, 20}));
    // Past the edge by less than 10 also snaps back.
    EXPECT_EQ(TickGeometry({1230, 1008, 0, 0}, 40, 16, 7, 3, 1280, 1024), (ClockRect{1227, 1004, 53, 20}));
}

TEST(ClockLayout, DragSnapsToWorkArea) {
    const ClockRect area{0, 0, 1280, 1000};
    EXPECT_EQ(SnapToArea({5, 995 - 20, 50, 20}, area), (ClockRect{0, 980, 50, 20}));
    EXPECT_EQ(SnapToArea({1225, 9, 50, 20}, area), (ClockRect{1230, 0, 50, 20}));
    EXPECT_EQ(SnapToArea({500, 500, 50, 20}, area), (ClockRect{500, 500, 50, 20}));
}

}  // namespace
}  // namespace ostrel
