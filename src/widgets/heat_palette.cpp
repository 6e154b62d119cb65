#include "heat_palette.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvel {

namespace {

// Stops of the scale, evenly spaced from t = 0 to t = 1: dark blue through grey to yellow.
constexpr std::array<std::array<int, 3>, 5> kStops{{
    {0x00, 0x20, 0x4D},
    {0x41, 0x4D, 0x6B},
    {0x7C, 0x7B, 0x78},
    {0xBC, 0xAF, 0x6F},
    {0xFF, 0xE9, 0x45},
}};

double linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

QColor heatColour(double t) {
    if (!(t >= 0)) t = 0; // NaN too
    t = std::min(t, 1.0);
    const double place = t * (kStops.size() - 1);
    const auto i = std::min(static_cast<size_t>(place), kStops.size() - 2);
    const double f = place - static_cast<double>(i);
    int rgb[3];
    for (size_t k = 0; k < 3; ++k)
        rgb[k] = static_cast<int>(std::lround(kStops[i][k] + (kStops[i + 1][k] - kStops[i][k]) * f));
    return QColor(rgb[0], rgb[1], rgb[2]);
}

QColor legibleTextOn(const QColor& background) {
    const double luminance = 0.2126 * linear(background.red()) + 0.7152 * linear(background.green()) +
                             0.0722 * linear(background.blue());
    // Contrast with black (L + 0.05) / 0.05 against white 1.05 / (L + 0.05): equal at L ≈ 0.179.
    return luminance > 0.179 ? QColor(Qt::black) : QColor(Qt::white);
}

} // namespace korvel
