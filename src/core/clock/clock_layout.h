#pragma once
// Geometry rules of the digital clock window, free of any toolkit.

#include <cstdint>
#include <optional>
#include <vector>

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

// A stored window position made reachable: the window, at (left, top) with
// its size, is moved wholly onto the screen it overlaps most, or onto the
// nearest screen when it overlaps none (a window larger than the screen
// keeps its top left corner on it). Coordinates may be anything a settings
// file holds; screens are rectangles of the virtual desktop. Without screens
// the position is only brought into the int range.
ClockRect KeepOnScreens(std::int64_t left, std::int64_t top, int width, int height,
                        const std::vector<ClockRect>& screens);

}  // namespace ostrel
