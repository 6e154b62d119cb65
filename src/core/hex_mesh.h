#pragma once

#include "drawing_surface.h"
#include "projection.h"
#include "value_matrix.h"

namespace korvel {

// The fixed coordinate windows of the Hex tab's two pictures (y grows downward): the
// turned mesh, x from -51 to 151 and y from -151 to 51, and the flat line view, x from
// -11 to 191 and y from -271 to 11. They are never rescaled.
inline constexpr PictureWindow kHexMapWindow{-51.0f, -151.0f, 202.0f, 202.0f};
inline constexpr PictureWindow kHexLineWindow{-11.0f, -271.0f, 202.0f, 282.0f};

// How far the mesh reaches from the origin, in user units, whatever the byte values.
inline constexpr double kHexMeshReach = 125;

// A byte window to draw: values(c, r) for c < cols, r < rows, and the two divisors
// taken from it (xMax > 0, yMin < 0; see HexDivisors).
struct HexMeshInput {
    const ValueMatrix* values = nullptr;
    int cols = 0;
    int rows = 0;
    double xMax = 0;
    double yMin = 0;
};

// Adds the mesh to the surface in the current line width, as one PictureMesh: for every
// byte a circle of the given radius around its picture point
// (x(P) / xMax * 125, y(P) / yMin * -125), P = (c, r, byte), and lines to the points of
// the previous row and the previous column. The projection need not be the one the
// divisors were taken with. Draws nothing when a divisor is 0.
// Reusable by any picture that draws a byte run this way (its own frame, projection
// and circle size).
void drawHexMesh(DrawingSurface& surface, const HexMeshInput& input, const Projection& projection,
                 double circleRadius);

// One Hex tab picture at the angle (degrees): clears the surface, draws the three axes
// 2 pixels wide from (0, 0) to the projections of (100, 0, 0), (0, 100, 0) and
// (0, 0, 100), unscaled, then the mesh 1 pixel wide with circles of radius 1. The
// coordinate window is left alone.
void drawHexPicture(DrawingSurface& surface, const HexMeshInput& input, int angle);

} // namespace korvel
