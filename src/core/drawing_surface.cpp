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
        b.meshes.clear();
        b.meshPoints.clear();
    }
    ++m_revision;
}

void DrawingSurface::setLineWidth(int pixels) {
    const int width = std::max(1, pixels);
    if (width != m_lineWidth) m_current = -1;
    m_lineWidth = width;
}

int DrawingSurface::batchIndex() {
    // A width used before gets its old batch back, so alternating widths stay few batches.
    auto same = std::find_if(m_batches.begin(), m_batches.end(),
                             [this](const Batch& b) { return b.lineWidth == m_lineWidth; });
    if (same == m_batches.end()) same = m_batches.insert(m_batches.end(), Batch{m_lineWidth, {}, {}, {}, {}});
    return static_cast<int>(same - m_batches.begin());
}

qsizetype DrawingSurface::lineCount() const {
    qsizetype n = 0;
    for (const Batch& b : m_batches) {
        n += static_cast<qsizetype>(b.lines.size());
        for (const PictureMesh& mesh : b.meshes)
            if (mesh.cols > 0 && mesh.rows > 0)
                n += qsizetype{mesh.cols - 1} * mesh.rows + qsizetype{mesh.rows - 1} * mesh.cols;
    }
    return n;
}

qsizetype DrawingSurface::circleCount() const {
    qsizetype n = 0;
    for (const Batch& b : m_batches)
        n += static_cast<qsizetype>(b.circles.size() + b.meshPoints.size());
    return n;
}

} // namespace korvel
