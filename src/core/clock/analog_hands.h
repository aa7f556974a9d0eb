#pragma once
// Geometry of the analog clock's hands: where each hand ends for a time of
// day. The painter draws exactly these lines, so the pixels can be checked
// against this function.

#include <array>
#include <vector>

namespace ostrel {

struct HandPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const HandPoint&, const HandPoint&) = default;
};

struct HandStyle {
    int length = 0;    // pixels from the centre
    int penWidth = 0;  // pixels
};

// In drawing order: second, minute, hour (the hour hand lies on top).
enum class Hand { Second = 0, Minute = 1, Hour = 2 };
inline constexpr std::array<HandStyle, 3> kHandStyles{{{40, 1}, {38, 2}, {28, 3}}};

// Colour of every hand, 0x00BBGGRR: dark red (red 64).
inline constexpr unsigned kHandColor = 0x000040;

// Angle of a hand in radians for a value on a dial of the given period:
// pi/2 at twelve o'clock, decreasing clockwise. Held in single precision on
// purpose: the rounding moves some end points at the cardinal positions one
// pixel inwards, and the face is drawn that way.
float handAngle(double value, double period);

// End point of a hand of the given length from the centre (cx, cy); the
// offsets are truncated toward zero and y grows downwards.
HandPoint handEnd(float angle, int length, int cx, int cy);

struct HandEnds {
    HandPoint second;
    HandPoint minute;
    HandPoint hour;
    friend bool operator==(const HandEnds&, const HandEnds&) = default;
};

// Pixels of a one-pixel line from `from` towards `to`, the end point itself
// left out, as the platform's line drawing does.
std::vector<HandPoint> linePixels(HandPoint from, HandPoint to);

// Pixels of a hand drawn with a pen `width` pixels wide: the line above,
// thickened across its main direction (for width 2 by one pixel to the right
// of or below it, for width 3 by one on either side).
std::vector<HandPoint> handPixels(HandPoint from, HandPoint to, int width);

// End points of the three hands for hours 0..23, minutes and seconds
// (milliseconds are not shown).
HandEnds analogHandEnds(int hours, int minutes, int seconds, int cx, int cy);

}  // namespace ostrel
