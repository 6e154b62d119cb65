#pragma once

#include "core/drawing_surface.h"

#include <QColor>
#include <QImage>
#include <QWidget>

namespace korvel {

// A picture control: a user coordinate window (left, top, width, height; y down),
// clear, line width in pixels, line and circle. The commands are kept (see
// DrawingSurface), so the picture is painted again from the same state whenever the
// toolkit asks (covered, resized). The window keeps its aspect ratio on the screen.
// Dragging across the picture and turning the mouse wheel are reported as steps; the
// window decides what they do.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The drawing surface; changing it through here repaints the picture.
    DrawingSurface& surface();
    const DrawingSurface& surface() const { return m_surface; }

    PictureWindow scaleWindow() const { return m_surface.window(); }
    void setScaleWindow(const PictureWindow& window);
    void clear();
    void setLineWidth(int pixels);
    void line(double x1, double y1, double x2, double y2);
    void circle(double x, double y, double radius);

    QColor background() const { return m_background; }
    void setBackground(const QColor& colour);
    // Whether circles stay circles (the window centred at one scale, the default) or
    // the window is stretched over the whole picture, as a graph in a frame is.
    bool keepAspectRatio() const { return m_keepAspect; }
    void setKeepAspectRatio(bool keep);

    // The picture rendered offscreen at any size, with the code that paints the widget.
    QImage renderImage(QSize size) const;
    // Brings the painted image up to date now (the next paint only copies it).
    void renderNow();

    QSize sizeHint() const override { return {360, 360}; }

signals:
    // Horizontal drag across the picture: one step per few pixels, +1 to the right.
    void dragSteps(int steps);
    // Mouse wheel: one step per notch, +1 away from the user.
    void wheelSteps(int steps);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool cacheIsCurrent() const;

    DrawingSurface m_surface;
    QColor m_background = Qt::white;
    bool m_keepAspect = true;
    QImage m_cache;
    quint64 m_cacheRevision = ~quint64{0};
    QColor m_cacheBackground;
    bool m_dragging = false;
    int m_dragLastX = 0;
    int m_wheelRemainder = 0;
};

} // namespace korvel
