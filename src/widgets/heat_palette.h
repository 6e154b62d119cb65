#pragma once

#include <QColor>

namespace korvel {

// The heat map's colour for a place t between the lowest (0) and the highest (1) value:
// a blue-to-yellow scale whose lightness rises evenly, so it reads the same to users
// who cannot tell red from green. t outside 0..1 is taken as the nearer end.
QColor heatColour(double t);

// Black or white, whichever stands out more on `background`.
QColor legibleTextOn(const QColor& background);

} // namespace korvel
