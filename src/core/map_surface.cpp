#include "map_surface.h"

#include "projection.h"

#include <QPointF>
#include <algorithm>
#include <vector>

namespace korvel {

void drawMapSurface(DrawingSurface& surface, const MapSurfaceInput& map) {
    surface.clear();
    const Projection p(map.angle);
    surface.setLineWidth(2);
    surface.line(0, 0, p.x(100, 0, 0), p.y(100, 0, 0));
    surface.line(0, 0, p.x(0, 100, 0), p.y(0, 100, 0));
    surface.line(0, 0, p.x(0, 0, 100), p.y(0, 0, 100));
    surface.setLineWidth(1);
    if (!map.values) return;

    // The divisors are at least 1 by definition; a reset that left them at 0 must not
    // turn the mesh into infinities.
    const double xMax = std::max(map.xMax, 1.0);
    const double yMax = std::max(map.yMax, 1.0);
    const double zMax = std::max(map.zMax, 1.0);
    const int cols = std::clamp(map.cols, 0, ValueMatrix::kSize);
    const int rows = std::clamp(map.rows, 0, ValueMatrix::kSize);

    // Points of the previous row, so every point is projected once.
    std::vector<QPointF> previous(static_cast<size_t>(cols)), current(static_cast<size_t>(cols));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const double x = c / xMax * 100;
            const double y = r / yMax * 100;
            const double z = map.values->at(c, r) / zMax * 80;
            const QPointF q(p.x(x, y, z), p.y(x, y, z));
            current[static_cast<size_t>(c)] = q;
            surface.circle(q.x(), q.y(), 1);
            if (r > 0) {
                const QPointF& below = previous[static_cast<size_t>(c)];
                surface.line(q.x(), q.y(), below.x(), below.y());
            }
            if (c > 0) {
                const QPointF& left = current[static_cast<size_t>(c - 1)];
                surface.line(q.x(), q.y(), left.x(), left.y());
            }
        }
        std::swap(previous, current);
    }
}

qint16 rotatedAngle(qint16 angle, int v) {
    int a = angle - v;
    if (a == -1) a = 360;
    if (a == 361) a = 0;
    return static_cast<qint16>(a);
}

PictureWindow pannedHorizontally(PictureWindow window, int v) {
    window.left = window.left - static_cast<float>(v);
    return window;
}

PictureWindow pannedVertically(PictureWindow window, int v) {
    window.top = window.top - static_cast<float>(v);
    return window;
}

std::optional<PictureWindow> zoomed(PictureWindow window, int v) {
    const float step = static_cast<float>(v);
    const float height = window.height + step;
    const float width = window.width + step;
    if (!(height > 0.0f) || !(width > 0.0f)) return std::nullopt;
    window.height = height;
    window.width = width;
    window.left = window.left - step;
    window.top = window.top + 0.125f * step;
    return window;
}

} // namespace korvel
