#pragma once
// Colour maths for the windows' look: shading and gradients.
//
// A colour is the 32-bit value 0x00BBGGRR. A negative value names a system
// colour by its index in the low byte; every helper resolves it to the
// system's present RGB value first.

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace ostrel {

// A colour as the settings files store it: 0x00BBGGRR, or a system colour
// when negative. A type of its own, so that a count or a size cannot be
// passed where a colour is meant (or the other way round) by mistake.
class Color {
public:
    constexpr Color() = default;
    constexpr explicit Color(std::int32_t value) : value_(value) {}
    // The stored form (settings files, the colour keys of the windows).
    constexpr std::int32_t value() const { return value_; }
    friend constexpr bool operator==(Color, Color) = default;

private:
    std::int32_t value_ = 0;
};

constexpr Color makeColor(int r, int g, int b) {
    return Color(static_cast<std::int32_t>((static_cast<std::uint32_t>(b & 0xFF) << 16) |
                                           (static_cast<std::uint32_t>(g & 0xFF) << 8) |
                                           static_cast<std::uint32_t>(r & 0xFF)));
}
constexpr int colorRed(Color c) { return static_cast<int>(static_cast<std::uint32_t>(c.value()) & 0xFF); }
constexpr int colorGreen(Color c) { return static_cast<int>((static_cast<std::uint32_t>(c.value()) >> 8) & 0xFF); }
constexpr int colorBlue(Color c) { return static_cast<int>((static_cast<std::uint32_t>(c.value()) >> 16) & 0xFF); }

// A system colour value for the element with this index (button face is 15).
constexpr Color systemColor(int index) {
    return Color(static_cast<std::int32_t>(0x80000000u | 0x7F000000u | static_cast<std::uint32_t>(index & 0xFF)));
}
constexpr bool isSystemColor(Color c) { return c.value() < 0; }

// Indices of the system colour elements the program names.
enum SystemColorIndex : int {
    kColorWindow = 5,
    kColorWindowText = 8,
    kColorHighlight = 13,
    kColorHighlightText = 14,
    kColorBtnFace = 15,
    kColorBtnShadow = 16,
    kColorBtnText = 18,
    kColorBtnHighlight = 20,
};

// Turns a system colour index into its present RGB value. The GUI installs
// one that reads the desktop's palette; the default knows the classic
// values.
using SystemColorResolver = Color (*)(int index);
void setSystemColorResolver(SystemColorResolver resolver);  // nullptr: the default
Color resolveColor(Color c);

// a * b / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c);
// Nearest integer, halves to the even neighbour.
long long roundHalfEven(double v);

// Each channel moved percent of the way toward 0 or toward 255.
Color DarkenColor(Color c, unsigned percent);
Color LightenColor(Color c, unsigned percent);

// Raised by GradientFillRect when fewer than two colours are given.
class EMathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One line of a gradient: its offset from the leading edge and its colour.
struct GradientLine {
    int pos;
    Color color;
    bool operator==(const GradientLine&) const = default;
};

// The lines that fill a span of `size` pixels through the given colours,
// in drawing order. The last line of one segment and the first of the next
// share a position. A single-line segment gets its start colour. Throws
// EMathError for fewer than two colours.
std::vector<GradientLine> GradientLines(int size, const std::vector<Color>& colors);

}  // namespace ostrel
