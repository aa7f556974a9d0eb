#include "core/clock/analog_hands.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace ostrel {

float handAngle(double value, double period) {
    return static_cast<float>((2.0 * value / period - 0.5) * -std::numbers::pi);
}

HandPoint handEnd(float angle, int length, int cx, int cy) {
    const double a = static_cast<double>(angle);
    return {cx + static_cast<int>(std::trunc(std::cos(a) * length)),
            cy - static_cast<int>(std::trunc(std::sin(a) * length))};
}

std::vector<HandPoint> linePixels(HandPoint from, HandPoint to) {
    std::vector<HandPoint> out;
    const int dx = std::abs(to.x - from.x), sx = from.x < to.x ? 1 : -1;
    const int dy = -std::abs(to.y - from.y), sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    HandPoint p = from;
    while (!(p == to)) {
        out.push_back(p);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            p.x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            p.y += sy;
        }
    }
    return out;
}

std::vector<HandPoint> handPixels(HandPoint from, HandPoint to, int width) {
    const std::vector<HandPoint> line = linePixels(from, to);
    if (width <= 1) return line;
    const bool mostlyAcross = std::abs(to.x - from.x) >= std::abs(to.y - from.y);
    std::vector<HandPoint> out;
    out.reserve(line.size() * static_cast<std::size_t>(width));
    for (const HandPoint& p : line)
        for (int d = -(width - 1) / 2; d <= width / 2; ++d)
            out.push_back(mostlyAcross ? HandPoint{p.x, p.y + d} : HandPoint{p.x + d, p.y});
    return out;
}

HandEnds analogHandEnds(int hours, int minutes, int seconds, int cx, int cy) {
    const auto end = [&](double value, double period, Hand hand) {
        return handEnd(handAngle(value, period), kHandStyles[static_cast<int>(hand)].length, cx, cy);
    };
    HandEnds e;
    e.second = end(seconds, 60.0, Hand::Second);
    e.minute = end(minutes + seconds / 60.0, 60.0, Hand::Minute);
    e.hour = end(hours + minutes / 60.0, 12.0, Hand::Hour);
    return e;
}

}  // namespace ostrel
