#pragma once

#include "drawing_surface.h"
#include "value_matrix.h"

#include <QtGlobal>

namespace korvel {

struct AppState;

// The hex viewer's graph: a run of bytes as a line over a fixed frame.
// Coordinate window: x from -2 to 148, y from -150 to 2 (y down).
inline constexpr PictureWindow kViewWindow{-2.0f, -150.0f, 150.0f, 152.0f};
// The viewer looks at its run at this angle when it takes the divisors.
inline constexpr int kViewAngle = 30;

struct ViewDivisors {
    double xMax = 0; // largest projected x, at least 0
    double yMin = 0; // smallest projected y, at most 0
    bool drawable() const { return xMax != 0 && yMin != 0; }
};

// Loads `cols` bytes from `start` into row 0 of `values` and takes the divisors at
// `angle` with the viewer's projection, whose height is not scaled by cos a. Cells
// outside the image read as 0; at most 501 columns are loaded.
ViewDivisors loadViewRun(const AppState& state, quint64 start, int cols, int angle, ValueMatrix& values);

// Clears the surface and draws the frame and the run at angle 0: the point of column c
// is (c / xMax * 125, value / yMin * 125), a circle of radius 0.25 each, linked to the
// previous column. Does nothing when the divisors do not allow a drawing.
void drawViewLine(DrawingSurface& surface, const ValueMatrix& values, int cols, const ViewDivisors& divisors);

} // namespace korvel
