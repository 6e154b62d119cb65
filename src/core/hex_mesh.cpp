#include "hex_mesh.h"

#include <QPointF>
#include <algorithm>

namespace korvel {

void drawHexMesh(DrawingSurface& surface, const HexMeshInput& input, const Projection& projection,
                 double circleRadius) {
    if (!input.values || input.xMax == 0 || input.yMin == 0) return;
    const int cols = std::clamp(input.cols, 0, ValueMatrix::kSize);
    const int rows = std::clamp(input.rows, 0, ValueMatrix::kSize);
    const double sx = kHexMeshReach / input.xMax;
    const double sy = -kHexMeshReach / input.yMin;
    const ValueMatrix& values = *input.values;
    surface.mesh(cols, rows, circleRadius, [&](int c, int r) {
        const double z = values.at(c, r);
        return QPointF(projection.x(c, r, z) * sx, projection.y(c, r, z) * sy);
    });
}

void drawHexPicture(DrawingSurface& surface, const HexMeshInput& input, int angle) {
    const Projection p(angle);
    surface.clear();
    surface.setLineWidth(2);
    surface.line(0, 0, p.x(100, 0, 0), p.y(100, 0, 0));
    surface.line(0, 0, p.x(0, 100, 0), p.y(0, 100, 0));
    surface.line(0, 0, p.x(0, 0, 100), p.y(0, 0, 100));
    surface.setLineWidth(1);
    drawHexMesh(surface, input, p, 1);
}

} // namespace korvel
