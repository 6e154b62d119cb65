#include "view_graph.h"

#include "app_state.h"
#include "projection.h"

#include <algorithm>

namespace korvel {

ViewDivisors loadViewRun(const AppState& state, quint64 start, int cols, int angle, ValueMatrix& values) {
    const Projection p(angle, HeightScale::Unscaled);
    ViewDivisors d;
    const int n = std::clamp(cols, 0, ValueMatrix::kSize);
    for (int c = 0; c < n; ++c) {
        const quint64 address = start + static_cast<quint64>(c);
        const double v =
            address < static_cast<quint64>(kImageCells) ? state.byteAt(static_cast<int>(address)) : 0;
        values.set(c, 0, v);
        d.xMax = std::max(d.xMax, p.x(c, 0, v));
        d.yMin = std::min(d.yMin, p.y(c, 0, v));
    }
    return d;
}

void drawViewLine(DrawingSurface& surface, const ValueMatrix& values, int cols,
                  const ViewDivisors& divisors) {
    if (!divisors.drawable()) return;
    surface.clear();
    surface.setLineWidth(2);
    surface.line(0, 0, 145, 0);
    surface.line(0, 0, 0, -128);
    surface.line(0, -64, 145, -64);
    surface.line(0, -128, 145, -128);
    for (double x : {36.25, 72.5, 108.75, 145.0})
        surface.line(x, 0, x, -128);
    surface.setLineWidth(1);
    surface.line(0, -32, 145, -32);
    surface.line(0, -96, 145, -96);

    // Drawn at angle 0: the column along x, the value straight up.
    const Projection flat(0, HeightScale::Unscaled);
    const int n = std::clamp(cols, 0, ValueMatrix::kSize);
    double px = 0, py = 0;
    for (int c = 0; c < n; ++c) {
        const double v = values.at(c, 0);
        const double x = flat.x(c, 0, v) / divisors.xMax * 125;
        const double y = flat.y(c, 0, v) / divisors.yMin * -125;
        surface.circle(x, y, 0.25);
        if (c > 0) surface.line(x, y, px, py);
        px = x;
        py = y;
    }
}

} // namespace korvel
