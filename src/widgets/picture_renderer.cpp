#include "picture_renderer.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace korvel {

PictureMapping PictureMapping::of(const PictureWindow& window, QSizeF device) {
    PictureMapping m;
    const double w = window.width, h = window.height;
    if (!(w > 0) || !(h > 0) || device.isEmpty()) return m;
    m.scale = std::min(device.width() / w, device.height() / h);
    m.dx = (device.width() - w * m.scale) / 2 - window.left * m.scale;
    m.dy = (device.height() - h * m.scale) / 2 - window.top * m.scale;
    return m;
}

namespace {

// Circles up to this radius in pixels are stamped from a cached outline instead of
// being stroked one by one: a mesh of a quarter of a million points is mostly such
// circles, a few pixels wide.
constexpr double kLargestStampedRadius = 12.0;

// The pixels of one circle outline, relative to its centre pixel.
struct Stamp {
    std::vector<QPoint> offsets;
};

Stamp makeStamp(double radius, int penWidth) {
    const int half = static_cast<int>(std::ceil(radius)) + penWidth + 2;
    QImage img(2 * half + 1, 2 * half + 1, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        QPen pen(Qt::black, penWidth);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(half + 0.5, half + 0.5), radius, radius);
    }
    Stamp s;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qRed(line[x]) < 128) s.offsets.emplace_back(x - half, y - half);
    }
    return s;
}

bool canStamp(const QImage& image) {
    const QImage::Format f = image.format();
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied;
}

void stampCircles(QImage& image, const std::vector<PictureCircle>& circles, const PictureMapping& m,
                  const Stamp& stamp, QRgb ink) {
    const int w = image.width(), h = image.height();
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* bits = reinterpret_cast<QRgb*>(image.bits());
    for (const PictureCircle& c : circles) {
        const double fx = m.dx + c.x * m.scale, fy = m.dy + c.y * m.scale;
        if (!(std::fabs(fx) < 1e9) || !(std::fabs(fy) < 1e9)) continue; // off any image, or not a number
        const int cx = static_cast<int>(std::floor(fx)), cy = static_cast<int>(std::floor(fy));
        for (const QPoint& o : stamp.offsets) {
            const int x = cx + o.x(), y = cy + o.y();
            if (x >= 0 && y >= 0 && x < w && y < h) bits[y * stride + x] = ink;
        }
    }
}

} // namespace

void renderSurface(const DrawingSurface& surface, QImage& image, const QColor& background,
                   const QColor& ink) {
    image.fill(background);
    const PictureMapping m = PictureMapping::of(surface.window(), image.size());
    if (!(surface.window().width > 0) || !(surface.window().height > 0)) return;
    const QTransform toDevice(m.scale, 0, 0, m.scale, m.dx, m.dy);
    const bool stamping = canStamp(image);
    std::map<std::pair<int, int>, Stamp> stamps; // by (radius in quarter pixels, pen width)

    {
        QPainter p(&image);
        p.setTransform(toDevice);
        p.setBrush(Qt::NoBrush);
        for (const DrawingSurface::Batch& b : surface.batches()) {
            QPen pen(ink, b.lineWidth, Qt::SolidLine, Qt::FlatCap);
            pen.setCosmetic(true);
            p.setPen(pen);
            if (!b.lines.empty()) p.drawLines(b.lines.data(), static_cast<int>(b.lines.size()));
            for (const PictureCircle& c : b.circles) {
                const double r = c.radius * m.scale;
                if (stamping && r <= kLargestStampedRadius) continue; // stamped below
                p.drawEllipse(QPointF(c.x, c.y), c.radius, c.radius);
            }
        }
    }
    if (!stamping) return;
    for (const DrawingSurface::Batch& b : surface.batches()) {
        // Circles of one batch mostly share their radius; group them by stamp.
        std::map<std::pair<int, int>, std::vector<PictureCircle>> groups;
        for (const PictureCircle& c : b.circles) {
            const double r = c.radius * m.scale;
            if (r > kLargestStampedRadius || !(r >= 0)) continue;
            groups[{static_cast<int>(std::lround(r * 4)), b.lineWidth}].push_back(c);
        }
        for (auto& [key, circles] : groups) {
            auto it = stamps.find(key);
            if (it == stamps.end()) it = stamps.emplace(key, makeStamp(key.first / 4.0, key.second)).first;
            stampCircles(image, circles, m, it->second, ink.rgb());
        }
    }
}

QImage renderSurface(const DrawingSurface& surface, QSize size, const QColor& background, const QColor& ink) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    renderSurface(surface, image, background, ink);
    return image;
}

} // namespace korvel
