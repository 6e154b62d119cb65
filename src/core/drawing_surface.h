#pragma once

#include <QLineF>
#include <QPointF>
#include <QtGlobal>
#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

namespace korvel {

// The user coordinate window of a picture: left and top edge, width and height in
// user units, y growing downward. Kept in 32-bit floats because the view's pan and
// zoom steps are done in that precision.
struct PictureWindow {
    float left = 0;
    float top = 0;
    float width = 1;
    float height = 1;
};

struct PictureCircle {
    double x = 0;
    double y = 0;
    double radius = 0; // user units
};

// A grid of points, drawn as a circle around every point and a line from every point to
// the point before it in its row and to the point of its column in the row before: the
// same pixels as those circles and lines added one by one, in a fifth of the memory.
struct PictureMesh {
    int cols = 0;
    int rows = 0;
    double radius = 0;     // of every circle, user units
    std::size_t first = 0; // where its points start in the batch's meshPoints (row-major)
};

// What a picture shows: its coordinate window and the drawing commands since the last
// clear, in user units. The widget paints it whenever the toolkit asks and the same
// list renders offscreen, so a picture never depends on what was on the screen.
// Everything is drawn in one colour on the background, so the order of lines and
// circles of one line width does not matter: they are kept in batches per width.
class DrawingSurface {
public:
    struct Batch {
        int lineWidth = 1; // pixels, whatever the window's scale
        std::vector<QLineF> lines;
        std::vector<PictureCircle> circles;
        std::vector<PictureMesh> meshes;
        std::vector<QPointF> meshPoints; // the points of every mesh, one after the other

        std::span<const QPointF> points(const PictureMesh& mesh) const {
            return {meshPoints.data() + mesh.first, static_cast<std::size_t>(mesh.cols) * mesh.rows};
        }
    };

    const PictureWindow& window() const { return m_window; }
    void setWindow(const PictureWindow& window);

    // Drops every command: the picture shows its background only. The line width stays.
    // Batches may then be empty.
    void clear();
    // Line width in pixels for the commands that follow (at least 1).
    void setLineWidth(int pixels);
    int lineWidth() const { return m_lineWidth; }
    // Inline: a dense mesh adds three quarters of a million commands per picture.
    void line(double x1, double y1, double x2, double y2) {
        currentBatch().lines.emplace_back(x1, y1, x2, y2);
    }
    void circle(double x, double y, double radius) { currentBatch().circles.push_back({x, y, radius}); }
    // A mesh of cols x rows points (see PictureMesh), point (c, r) at pointAt(c, r), a QPointF.
    template <class PointAt> void mesh(int cols, int rows, double radius, PointAt&& pointAt) {
        cols = std::max(cols, 0);
        rows = std::max(rows, 0);
        Batch& b = currentBatch();
        b.meshes.push_back({cols, rows, radius, b.meshPoints.size()});
        b.meshPoints.reserve(b.meshPoints.size() + static_cast<std::size_t>(cols) * rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                b.meshPoints.push_back(pointAt(c, r));
    }

    const std::vector<Batch>& batches() const { return m_batches; }
    // Lines and circles, those of the meshes included.
    qsizetype lineCount() const;
    qsizetype circleCount() const;
    // Grows on every change, so a view can tell whether its rendering is stale.
    quint64 revision() const { return m_revision; }

private:
    Batch& currentBatch() {
        ++m_revision;
        if (m_current < 0) m_current = batchIndex();
        return m_batches[static_cast<size_t>(m_current)];
    }
    // The batch of the current line width, made when there is none.
    int batchIndex();

    PictureWindow m_window;
    std::vector<Batch> m_batches;
    int m_lineWidth = 1;
    int m_current = -1; // the batch of m_lineWidth; -1 when not looked up yet
    quint64 m_revision = 0;
};

} // namespace korvel
