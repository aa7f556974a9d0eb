#include "core/clock/clock_layout.h"

#include <algorithm>

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
    if (std::abs(r.left - area.left) < kMagneticDistance) r.left = area.left;
    else if (std::abs(r.left + r.width - areaRight) < kMagneticDistance) r.left = areaRight - r.width;
    if (std::abs(r.top - area.top) < kMagneticDistance) r.top = area.top;
    else if (std::abs(r.top + r.height - areaBottom) < kMagneticDistance) r.top = areaBottom - r.height;
    return r;
}

}  // namespace ostrel

namespace ostrel {

ClockRect KeepOnScreens(std::int64_t left, std::int64_t top, int width, int height,
                        const std::vector<ClockRect>& screens) {
    // Far beyond every screen, but small enough that the sums below cannot
    // overflow.
    constexpr std::int64_t kFar = 1 << 24;
    const std::int64_t x = std::clamp<std::int64_t>(left, -kFar, kFar);
    const std::int64_t y = std::clamp<std::int64_t>(top, -kFar, kFar);
    if (screens.empty()) return {static_cast<int>(x), static_cast<int>(y), width, height};

    const auto overlap = [&](const ClockRect& s) {
        const std::int64_t w = std::min<std::int64_t>(x + width, s.left + s.width) - std::max<std::int64_t>(x, s.left);
        const std::int64_t h = std::min<std::int64_t>(y + height, s.top + s.height) - std::max<std::int64_t>(y, s.top);
        return w > 0 && h > 0 ? w * h : 0;
    };
    const auto distance = [&](const ClockRect& s) {
        const std::int64_t dx = x < s.left ? s.left - x : (x > s.left + s.width - 1 ? x - (s.left + s.width - 1) : 0);
        const std::int64_t dy = y < s.top ? s.top - y : (y > s.top + s.height - 1 ? y - (s.top + s.height - 1) : 0);
        return dx * dx + dy * dy;
    };
    const ClockRect* best = &screens.front();
    for (const ClockRect& s : screens) {
        const std::int64_t o = overlap(s), bo = overlap(*best);
        if (o > bo || (o == bo && o == 0 && distance(s) < distance(*best))) best = &s;
    }
    const ClockRect& s = *best;
    // Right and bottom edges first, so that a window larger than the screen
    // keeps its top left corner on it.
    std::int64_t nx = std::min<std::int64_t>(x, std::int64_t{s.left} + s.width - width);
    std::int64_t ny = std::min<std::int64_t>(y, std::int64_t{s.top} + s.height - height);
    nx = std::max<std::int64_t>(nx, s.left);
    ny = std::max<std::int64_t>(ny, s.top);
    return {static_cast<int>(nx), static_cast<int>(ny), width, height};
}

}  // namespace ostrel
