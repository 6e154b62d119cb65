#include "picture_renderer.h"

#include "thin_lines.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace korvel {

PictureMapping PictureMapping::of(const PictureWindow& window, QSizeF device, bool keepAspect) {
    PictureMapping m;
    const double w = window.width, h = window.height;
    if (!(w > 0) || !(h > 0) || device.isEmpty()) return m;
    if (!keepAspect) {
        m.scale = device.width() / w;
        m.scaleY = device.height() / h;
        m.dx = -window.left * m.scale;
        m.dy = -window.top * m.scaleY;
        return m;
    }
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
    std::vector<qsizetype> pixelOffsets; // the same as offsets in the target's scan lines
    int reach = 0;                       // largest |x| or |y| of the offsets
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
            if (qRed(line[x]) < 128) {
                s.offsets.emplace_back(x - half, y - half);
                s.reach = std::max({s.reach, std::abs(x - half), std::abs(y - half)});
            }
    }
    return s;
}

// Whether lines and stamps can be written straight into the image's pixels.
bool hasDirectPixels(const QImage& image) {
    const QImage::Format f = image.format();
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied;
}

// The pixels of an image that the renderer writes directly (32 bits a pixel).
struct Pixels {
    QRgb* bits;
    qsizetype stride; // pixels per scan line
    int width;
    int height;

    explicit Pixels(QImage& image)
        : bits(reinterpret_cast<QRgb*>(image.bits())),
          stride(image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb))), width(image.width()),
          height(image.height()) {}
    void set(int x, int y, QRgb ink) {
        if (x >= 0 && y >= 0 && x < width && y < height) bits[y * stride + x] = ink;
    }
};

// Clips the segment to the box [0, xMax] x [0, yMax] (Liang-Barsky); false when
// nothing of it is inside.
bool clipSegment(double& x1, double& y1, double& x2, double& y2, double xMax, double yMax) {
    double t0 = 0, t1 = 1;
    const double dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1, xMax - x1, y1, yMax - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const double sx = x1, sy = y1;
    x1 = sx + t0 * dx;
    y1 = sy + t0 * dy;
    x2 = sx + t1 * dx;
    y2 = sy + t1 * dy;
    return true;
}

// A line of 1 or more pixels' width in device coordinates, one pixel a step along its
// longer direction (Bresenham); a wider line repeats it beside itself.
void plotLine(Pixels& px, double x1, double y1, double x2, double y2, int lineWidth, QRgb ink) {
    const double xMax = px.width - 1e-6, yMax = px.height - 1e-6;
    const bool inside =
        x1 >= 0 && x2 >= 0 && y1 >= 0 && y2 >= 0 && x1 <= xMax && x2 <= xMax && y1 <= yMax && y2 <= yMax;
    if (!inside) {
        if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return;
        if (!clipSegment(x1, y1, x2, y2, xMax, yMax)) return;
    }
    // Both ends lie in [0, size) now, where truncation is the floor; the clamp only
    // guards against the last bit of rounding.
    auto cell = [](double v, int limit) { return std::min(static_cast<int>(v), limit - 1); };
    int x = cell(x1, px.width), y = cell(y1, px.height);
    const int xEnd = cell(x2, px.width), yEnd = cell(y2, px.height);
    if (x == xEnd && y == yEnd && lineWidth == 1) {
        px.bits[y * px.stride + x] = ink; // a line within one pixel
        return;
    }
    const int dx = std::abs(xEnd - x), dy = -std::abs(yEnd - y);
    const int sx = x < xEnd ? 1 : -1, sy = y < yEnd ? 1 : -1;
    const bool shallow = dx >= -dy;
    const int extra = lineWidth - 1;
    int err = dx + dy;
    for (;;) {
        px.bits[y * px.stride + x] = ink; // inside: both ends were clipped to the image
        for (int k = 1; k <= extra; ++k)
            shallow ? px.set(x, y + k, ink) : px.set(x + k, y, ink);
        if (x == xEnd && y == yEnd) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

// The floor of a number of magnitude below 1e9, without a call to the library.
int floorToInt(double v) {
    const int t = static_cast<int>(v); // toward zero
    return t > v ? t - 1 : t;
}

void stampCircles(Pixels& px, const std::vector<PictureCircle>& circles, int key, const PictureMapping& m,
                  const Stamp& stamp, QRgb ink) {
    // Circles whose centres fall on the same pixel set the same pixels: each centre pixel
    // inside the image is stamped once (a dense mesh has many such repeats).
    std::vector<bool> stamped(static_cast<size_t>(px.width) * static_cast<size_t>(px.height));
    double lastRadius = std::nan("");
    bool lastMatches = false; // whether lastRadius has this key: the circles mostly share one radius
    for (const PictureCircle& c : circles) {
        if (!(c.radius == lastRadius)) {
            lastRadius = c.radius;
            lastMatches = static_cast<int>(std::lround(c.radius * m.scale * 4)) == key;
        }
        if (!lastMatches) continue;
        const double fx = m.dx + c.x * m.scale, fy = m.dy + c.y * m.sy();
        if (!(std::fabs(fx) < 1e9) || !(std::fabs(fy) < 1e9)) continue; // off any image, or not a number
        const int cx = floorToInt(fx), cy = floorToInt(fy);
        if (cx >= 0 && cy >= 0 && cx < px.width && cy < px.height) {
            const size_t at =
                static_cast<size_t>(cy) * static_cast<size_t>(px.width) + static_cast<size_t>(cx);
            if (stamped[at]) continue;
            stamped[at] = true;
        }
        for (const QPoint& o : stamp.offsets)
            px.set(cx + o.x(), cy + o.y(), ink);
    }
}

} // namespace

void renderSurface(const DrawingSurface& surface, QImage& image, const QColor& background, const QColor& ink,
                   bool keepAspect) {
    image.fill(background);
    const PictureMapping m = PictureMapping::of(surface.window(), image.size(), keepAspect);
    if (!(surface.window().width > 0) || !(surface.window().height > 0)) return;
    const bool direct = hasDirectPixels(image);
    const QRgb inkPixel = ink.rgb();

    // Circles too large to stamp, and everything when the pixels cannot be written
    // directly, go through the painter.
    {
        QPainter p(&image);
        p.setBrush(Qt::NoBrush);
        p.setTransform(QTransform(m.scale, 0, 0, m.sy(), m.dx, m.dy));
        for (const DrawingSurface::Batch& b : surface.batches()) {
            QPen pen(ink, b.lineWidth, Qt::SolidLine, Qt::FlatCap);
            pen.setCosmetic(true);
            p.setPen(pen);
            if (!direct && !b.lines.empty()) p.drawLines(b.lines.data(), static_cast<int>(b.lines.size()));
            for (const PictureCircle& c : b.circles) {
                if (direct && c.radius * m.scale <= kLargestStampedRadius) continue; // stamped below
                p.drawEllipse(QPointF(c.x, c.y), c.radius, c.radius);
            }
        }
    }
    if (!direct) return;

    Pixels px(image);
    std::map<std::pair<int, int>, Stamp> stamps; // by (radius in quarter pixels, line width)
    for (const DrawingSurface::Batch& b : surface.batches()) {
        if (b.lineWidth == 1) {
            plotThinLines(image, b.lines, m, inkPixel);
        } else {
            for (const QLineF& l : b.lines)
                plotLine(px, m.dx + l.x1() * m.scale, m.dy + l.y1() * m.sy(), m.dx + l.x2() * m.scale,
                         m.dy + l.y2() * m.sy(), b.lineWidth, inkPixel);
        }
        // The circles of a batch mostly share one radius: find the radii, then stamp each.
        std::vector<int> keys;
        double lastRadius = std::nan("");
        for (const PictureCircle& c : b.circles) {
            if (c.radius == lastRadius) continue; // its key is in already
            lastRadius = c.radius;
            const double r = c.radius * m.scale;
            if (!(r >= 0) || r > kLargestStampedRadius) continue;
            const int key = static_cast<int>(std::lround(r * 4));
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
        }
        for (int key : keys) {
            auto it = stamps.find({key, b.lineWidth});
            if (it == stamps.end()) {
                Stamp stamp = makeStamp(key / 4.0, b.lineWidth);
                for (const QPoint& o : stamp.offsets)
                    stamp.pixelOffsets.push_back(o.y() * px.stride + o.x());
                it = stamps.emplace(std::make_pair(key, b.lineWidth), std::move(stamp)).first;
            }
            stampCircles(px, b.circles, key, m, it->second, inkPixel);
        }
    }
}

QImage renderSurface(const DrawingSurface& surface, QSize size, const QColor& background, const QColor& ink,
                     bool keepAspect) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    renderSurface(surface, image, background, ink, keepAspect);
    return image;
}

} // namespace korvel
