#include "core/clock/analog_hands.h"

#include <cmath>
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
