#include "core/clock/colors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace ostrel {
namespace {

// The classic desktop colours, for a process without a palette.
Color defaultSystemColor(int index) {
    switch (index) {
        case kColorWindow: return makeColor(255, 255, 255);
        case kColorWindowText: return makeColor(0, 0, 0);
        case kColorHighlight: return makeColor(0, 120, 215);
        case kColorHighlightText: return makeColor(255, 255, 255);
        case kColorBtnFace: return makeColor(240, 240, 240);
        case kColorBtnShadow: return makeColor(160, 160, 160);
        case kColorBtnText: return makeColor(0, 0, 0);
        case kColorBtnHighlight: return makeColor(255, 255, 255);
        default: return makeColor(0, 0, 0);
    }
}

SystemColorResolver g_resolver = nullptr;

int clampChannel(int v) { return std::clamp(v, 0, 255); }

}  // namespace

void setSystemColorResolver(SystemColorResolver resolver) { g_resolver = resolver; }

Color resolveColor(Color c) {
    if (!isSystemColor(c)) return Color(c.value() & 0x00FFFFFF);
    const int index = static_cast<int>(static_cast<std::uint32_t>(c.value()) & 0xFF);
    const Color rgb = g_resolver ? g_resolver(index) : defaultSystemColor(index);
    return Color(rgb.value() & 0x00FFFFFF);
}

int mulDiv(int a, int b, int c) {
    if (c == 0) return -1;  // a zero divisor has no quotient: -1 stands for it
    const long long num = static_cast<long long>(a) * b;
    const long long den = c;
    const long long q = num / den;
    const long long r = num % den;
    // Round half away from zero: compare twice the remainder with the divisor.
    if (2 * std::llabs(r) >= std::llabs(den)) return static_cast<int>(q + (((num < 0) != (den < 0)) ? -1 : 1));
    return static_cast<int>(q);
}

long long roundHalfEven(double v) {
    const double fl = std::floor(v);
    const double diff = v - fl;
    // Saturated: the argument may come from a settings file.
    if (!(std::fabs(fl) < 9.2e18)) return std::isnan(v) ? 0 : (v > 0 ? INT64_MAX : INT64_MIN);
    long long result = static_cast<long long>(fl);
    if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) ++result;
    return result;
}

Color DarkenColor(Color c, unsigned percent) {
    const Color rgb = resolveColor(c);
    const int p = static_cast<int>(percent);
    auto ch = [p](int v) { return clampChannel(v - mulDiv(v, p, 100)); };
    return makeColor(ch(colorRed(rgb)), ch(colorGreen(rgb)), ch(colorBlue(rgb)));
}

Color LightenColor(Color c, unsigned percent) {
    const Color rgb = resolveColor(c);
    const int p = static_cast<int>(percent);
    auto ch = [p](int v) { return clampChannel(v + mulDiv(255 - v, p, 100)); };
    return makeColor(ch(colorRed(rgb)), ch(colorGreen(rgb)), ch(colorBlue(rgb)));
}

std::vector<GradientLine> GradientLines(int size, const std::vector<Color>& colors) {
    const int n = static_cast<int>(colors.size()) - 1;
    if (n <= 0) throw EMathError("Es mussen mindestens zwei Farben angegeben werden.");

    std::vector<Color> rgb;
    rgb.reserve(colors.size());
    for (Color c : colors) rgb.push_back(resolveColor(c));

    const int segLen = static_cast<int>(roundHalfEven(static_cast<double>(size) / n));
    std::vector<GradientLine> lines;
    if (size > 0) lines.reserve(static_cast<std::size_t>(size) + static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int last = (i == n - 1) ? size - i * segLen - 1 : segLen;
        const Color from = rgb[static_cast<std::size_t>(i)];
        const Color to = rgb[static_cast<std::size_t>(i) + 1];
        for (int r = 0; r <= last; ++r) {
            const double t = last == 0 ? 0.0 : static_cast<double>(r) / last;
            auto ch = [t](int a, int b) { return static_cast<int>(std::trunc(a + (b - a) * t)); };
            lines.push_back(
                {i * segLen + r, makeColor(ch(colorRed(from), colorRed(to)), ch(colorGreen(from), colorGreen(to)),
                                           ch(colorBlue(from), colorBlue(to)))});
        }
    }
    return lines;
}

}  // namespace ostrel
