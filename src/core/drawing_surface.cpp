#include "drawing_surface.h"

#include <algorithm>

namespace korvel {

void DrawingSurface::setWindow(const PictureWindow& window) {
    m_window = window;
    ++m_revision;
}

void DrawingSurface::clear() {
    // The batches keep their memory: a picture redrawn with the same number of commands
    // (every stepper step) then allocates nothing.
    for (Batch& b : m_batches) {
        b.lines.clear();
        b.circles.clear();
    }
    ++m_revision;
}

void DrawingSurface::setLineWidth(int pixels) {
    m_lineWidth = std::max(1, pixels);
}

DrawingSurface::Batch& DrawingSurface::currentBatch() {
    ++m_revision;
    if (m_batches.empty() || m_batches.back().lineWidth != m_lineWidth) {
        // A width used before gets its old batch back, so alternating widths stay few batches.
        auto same = std::find_if(m_batches.begin(), m_batches.end(),
                                 [this](const Batch& b) { return b.lineWidth == m_lineWidth; });
        if (same != m_batches.end()) return *same;
        m_batches.push_back(Batch{m_lineWidth, {}, {}});
    }
    return m_batches.back();
}

void DrawingSurface::line(double x1, double y1, double x2, double y2) {
    currentBatch().lines.emplace_back(x1, y1, x2, y2);
}

void DrawingSurface::circle(double x, double y, double radius) {
    currentBatch().circles.push_back(PictureCircle{x, y, radius});
}

qsizetype DrawingSurface::lineCount() const {
    qsizetype n = 0;
    for (const Batch& b : m_batches)
        n += static_cast<qsizetype>(b.lines.size());
    return n;
}

qsizetype DrawingSurface::circleCount() const {
    qsizetype n = 0;
    for (const Batch& b : m_batches)
        n += static_cast<qsizetype>(b.circles.size());
    return n;
}

} // namespace korvel
