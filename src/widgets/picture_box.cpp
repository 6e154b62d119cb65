#include "picture_box.h"

#include "picture_renderer.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace korvel {

namespace {
// Pixels of horizontal drag per step.
constexpr int kDragPixelsPerStep = 3;
// Wheel units of one notch.
constexpr int kWheelNotch = 120;
} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

DrawingSurface& PictureBox::surface() {
    update();
    return m_surface;
}

void PictureBox::setScaleWindow(const PictureWindow& window) {
    surface().setWindow(window);
}
void PictureBox::clear() {
    surface().clear();
}
void PictureBox::setLineWidth(int pixels) {
    m_surface.setLineWidth(pixels);
}
void PictureBox::line(double x1, double y1, double x2, double y2) {
    surface().line(x1, y1, x2, y2);
}
void PictureBox::circle(double x, double y, double radius) {
    surface().circle(x, y, radius);
}

void PictureBox::setBackground(const QColor& colour) {
    m_background = colour;
    update();
}

void PictureBox::setKeepAspectRatio(bool keep) {
    m_keepAspect = keep;
    m_cacheRevision = ~quint64{0};
    update();
}

QImage PictureBox::renderImage(QSize size) const {
    return renderSurface(m_surface, size, m_background, Qt::black, m_keepAspect);
}

bool PictureBox::cacheIsCurrent() const {
    const QSize device = size() * devicePixelRatio();
    return m_cacheRevision == m_surface.revision() && m_cache.size() == device &&
           m_cacheBackground == m_background;
}

void PictureBox::renderNow() {
    if (cacheIsCurrent()) return;
    const qreal ratio = devicePixelRatio();
    const QSize device = (size() * ratio).expandedTo(QSize(1, 1));
    if (m_cache.size() != device) m_cache = QImage(device, QImage::Format_RGB32);
    renderSurface(m_surface, m_cache, m_background, Qt::black, m_keepAspect);
    m_cache.setDevicePixelRatio(ratio);
    m_cacheRevision = m_surface.revision();
    m_cacheBackground = m_background;
}

void PictureBox::paintEvent(QPaintEvent*) {
    renderNow();
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_cache);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_dragging = true;
    m_dragLastX = qRound(event->position().x());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return QWidget::mouseMoveEvent(event);
    const int x = qRound(event->position().x());
    const int steps = (x - m_dragLastX) / kDragPixelsPerStep;
    if (steps == 0) return;
    m_dragLastX += steps * kDragPixelsPerStep;
    emit dragSteps(steps);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void PictureBox::wheelEvent(QWheelEvent* event) {
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / kWheelNotch;
    m_wheelRemainder -= steps * kWheelNotch;
    if (steps != 0) emit wheelSteps(steps);
    event->accept();
}

} // namespace korvel
