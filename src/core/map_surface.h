#pragma once

#include "drawing_surface.h"
#include "value_matrix.h"

#include <QtGlobal>
#include <optional>

namespace korvel {

// The map surface's coordinate window after a map is chosen (x from -51 to 151, y from
// -151 to 51) and before the first choice.
inline constexpr PictureWindow kMapWindowReset{-51.0f, -151.0f, 202.0f, 202.0f};
inline constexpr PictureWindow kMapWindowStart{-121.0f, -191.0f, 202.0f, 202.0f};

// What the map surface draws: the map's values (column, row), its size and the three
// divisors (each taken as at least 1), seen at an angle in degrees.
struct MapSurfaceInput {
    const ValueMatrix* values = nullptr;
    int cols = 0;
    int rows = 0;
    double xMax = 1;
    double yMax = 1;
    double zMax = 1;
    int angle = 30;
};

// Clears the surface and draws the map: three axis lines 2 pixels wide from (0, 0) to
// the projections of (100, 0, 0), (0, 100, 0), (0, 0, 100); then, 1 pixel wide, for
// every cell in table order a circle of radius 1 around the projection of
// (c / xMax * 100, r / yMax * 100, value / zMax * 80) and lines to the previous row's
// and the previous column's points. No hidden lines are removed. The window is left alone.
void drawMapSurface(DrawingSurface& surface, const MapSurfaceInput& map);

// The view steps of the four steppers (v is -1, 0 or +1). All window arithmetic is
// done in 32-bit floats.
// Rotation: angle - v, where -1 becomes 360 and 361 becomes 0.
qint16 rotatedAngle(qint16 angle, int v);
// Pan: left - v, and top - v.
PictureWindow pannedHorizontally(PictureWindow window, int v);
PictureWindow pannedVertically(PictureWindow window, int v);
// Zoom: height + v, width + v, left - v, top + v / 8, which keeps the right edge in
// place. A step that would leave no positive width or height is refused (nothing).
std::optional<PictureWindow> zoomed(PictureWindow window, int v);

} // namespace korvel
