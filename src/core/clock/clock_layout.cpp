#include "core/clock/clock_layout.h"

#include <cstdlib>

namespace ostrel {

std::optional<ClockRect> TickGeometry(const ClockRect& window, int textWidth, int textHeight, int horisSpace,
                                      int vertSpace, int screenWidth, int screenHeight) {
    const int wanted = textWidth + horisSpace + 6;
    if (std::abs(wanted - window.width) <= 5) return std::nullopt;
    ClockRect r = window;
    r.width = wanted;
    r.height = textHeight + vertSpace + 1;
    if (std::abs(r.left + r.width - screenWidth) < kMagneticDistance) r.left = screenWidth - r.width;
    if (std::abs(r.top + r.height - screenHeight) < kMagneticDistance) r.top = screenHeight - r.height;
    return r;
}

ClockRect SnapToArea(const ClockRect& window, const ClockRect& area) {
    ClockRect r = window;
    const int areaRight = area.left + area.width;
    const int areaBottom = area.top + area.height;
    if (std::abs(r.left - area.left) < kMagneticDistance)
        r.left = area.left;
    else if (std::abs(r.left + r.width - areaRight) < kMagneticDistance)
        r.left = areaRight - r.width;
    if (std::abs(r.top - area.top) < kMagneticDistance)
        r.top = area.top;
    else if (std::abs(r.top + r.height - areaBottom) < kMagneticDistance)
        r.top = areaBottom - r.height;
    return r;
}

}  // namespace ostrel
