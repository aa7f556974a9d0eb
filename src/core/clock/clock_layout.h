#pragma once
// Geometry rules of the digital clock window, free of any toolkit.

#include <optional>

namespace ostrel {

struct ClockRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ClockRect&) const = default;
};

// Edges closer than this many pixels snap to the screen edge.
constexpr int kMagneticDistance = 10;

// The tick's resize rule. The window is resized only when the width wanted
// for the text (text width + horisSpace + 6) differs from the present width
// by more than 5 pixels; then its height becomes text height + vertSpace + 1
// and a right or bottom edge within the magnetic distance of the full
// screen's edge is moved onto it. Returns nothing when the window stays.
std::optional<ClockRect> TickGeometry(const ClockRect& window, int textWidth, int textHeight, int horisSpace,
                                      int vertSpace, int screenWidth, int screenHeight);

// Snapping while the window is dragged: each edge within the magnetic
// distance of the matching edge of the work area moves onto it.
ClockRect SnapToArea(const ClockRect& window, const ClockRect& area);

}  // namespace ostrel
