#include "hex_mesh.h"

#include <QPointF>
#include <algorithm>
#include <vector>

namespace korvel {

void drawHexMesh(DrawingSurface& surface, const HexMeshInput& input, const Projection& projection,
                 double circleRadius) {
    if (!input.values || input.xMax == 0 || input.yMin == 0) return;
    const int cols = std::clamp(input.cols, 0, ValueMatrix::kSize);
    const int rows = std::clamp(input.rows, 0, ValueMatrix::kSize);
    const double sx = kHexMeshReach / input.xMax;
    const double sy = -kHexMeshReach / input.yMin;

    // The points of the previous row, so every point is projected once.
    std::vector<QPointF> previous(static_cast<size_t>(cols)), current(static_cast<size_t>(cols));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const double z = input.values->at(c, r);
            const QPointF s(projection.x(c, r, z) * sx, projection.y(c, r, z) * sy);
            current[static_cast<size_t>(c)] = s;
            surface.circle(s.x(), s.y(), circleRadius);
            if (r > 0) {
                const QPointF& below = previous[static_cast<size_t>(c)];
                surface.line(s.x(), s.y(), below.x(), below.y());
            }
            if (c > 0) {
                const QPointF& left = current[static_cast<size_t>(c - 1)];
                surface.line(s.x(), s.y(), left.x(), left.y());
            }
        }
        std::swap(previous, current);
    }
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
