#include "picture_renderer.h"

#include "thin_lines.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <map>
#include <span>
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
    int reach = 0; // largest |x| or |y| of the offsets
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

// The lines of a mesh's links, each from a point to the one before it.
std::vector<QLineF> meshLines(const DrawingSurface::Batch& b, const PictureMesh& mesh) {
    std::vector<QLineF> lines;
    const std::span<const QPointF> points = b.points(mesh);
    const size_t cols = static_cast<size_t>(mesh.cols);
    for (size_t k = 0; k < points.size(); ++k) {
        if (k >= cols) lines.emplace_back(points[k], points[k - cols]);
        if (k % cols > 0) lines.emplace_back(points[k], points[k - 1]);
    }
    return lines;
}

// Stamps the circles of the batch whose radius has the key. Their centre pixels are
// marked first (many circles of a dense mesh share one), then each image row takes the
// stamp's pixels from the marked rows around it, so every pixel is written once.
void stampCircles(Pixels& px, const DrawingSurface::Batch& b, int key, const PictureMapping& m,
                  const Stamp& stamp, QRgb ink) {
    // A centre further than the stamp's reach off the image sets none of its pixels; the
    // marks cover the image and that margin.
    const int reach = stamp.reach;
    const int markWidth = px.width + 2 * reach, markHeight = px.height + 2 * reach;
    std::vector<quint8> marks(static_cast<size_t>(markWidth) * static_cast<size_t>(markHeight), 0);
    int top = markHeight, bottom = -1; // the rows with marks
    auto mark = [&](double x, double y) {
        const double fx = m.dx + x * m.scale, fy = m.dy + y * m.sy();
        // A centre pixel off the marks lies on this side of a whole-number edge (or is not a number).
        if (!(fx >= -reach && fy >= -reach && fx < px.width + reach && fy < px.height + reach)) return;
        const int cx = floorToInt(fx) + reach, cy = floorToInt(fy) + reach;
        marks[static_cast<size_t>(cy) * static_cast<size_t>(markWidth) + static_cast<size_t>(cx)] = 1;
        top = std::min(top, cy);
        bottom = std::max(bottom, cy);
    };
    auto hasKey = [&](double radius) { return static_cast<int>(std::lround(radius * m.scale * 4)) == key; };
    double lastRadius = std::nan("");
    bool lastMatches = false; // whether lastRadius has this key: the circles mostly share one radius
    for (const PictureCircle& c : b.circles) {
        if (!(c.radius == lastRadius)) {
            lastRadius = c.radius;
            lastMatches = hasKey(c.radius);
        }
        if (lastMatches) mark(c.x, c.y);
    }
    for (const PictureMesh& mesh : b.meshes)
        if (hasKey(mesh.radius))
            for (const QPointF& p : b.points(mesh))
                mark(p.x(), p.y());
    // Image row y takes offset o from the centres in mark row y - o.y + reach.
    std::vector<quint8> inked(static_cast<size_t>(px.width));
    for (int y = std::max(0, top - 2 * reach); y <= std::min(px.height - 1, bottom); ++y) {
        std::fill(inked.begin(), inked.end(), 0);
        for (const QPoint& o : stamp.offsets) {
            const int row = y - o.y() + reach;
            if (row < top || row > bottom) continue;
            const quint8* from = marks.data() + static_cast<size_t>(row) * static_cast<size_t>(markWidth) +
                                 static_cast<size_t>(reach - o.x());
            for (int x = 0; x < px.width; ++x)
                inked[static_cast<size_t>(x)] |= from[x];
        }
        QRgb* line = px.bits + y * px.stride;
        for (int x = 0; x < px.width; ++x)
            if (inked[static_cast<size_t>(x)]) line[x] = ink;
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
            if (!direct) {
                if (!b.lines.empty()) p.drawLines(b.lines.data(), static_cast<int>(b.lines.size()));
                for (const PictureMesh& mesh : b.meshes) {
                    const std::vector<QLineF> lines = meshLines(b, mesh);
                    if (!lines.empty()) p.drawLines(lines.data(), static_cast<int>(lines.size()));
                }
            }
            auto stamped = [&](double radius) { return direct && radius * m.scale <= kLargestStampedRadius; };
            for (const PictureCircle& c : b.circles)
                if (!stamped(c.radius)) p.drawEllipse(QPointF(c.x, c.y), c.radius, c.radius);
            for (const PictureMesh& mesh : b.meshes)
                if (!stamped(mesh.radius))
                    for (const QPointF& point : b.points(mesh))
                        p.drawEllipse(point, mesh.radius, mesh.radius);
        }
    }
    if (!direct) return;

    Pixels px(image);
    std::map<std::pair<int, int>, Stamp> stamps; // by (radius in quarter pixels, line width)
    for (const DrawingSurface::Batch& b : surface.batches()) {
        if (b.lineWidth == 1) {
            plotThinLines(image, b, m, inkPixel);
        } else {
            auto plot = [&](const QLineF& l) {
                plotLine(px, m.dx + l.x1() * m.scale, m.dy + l.y1() * m.sy(), m.dx + l.x2() * m.scale,
                         m.dy + l.y2() * m.sy(), b.lineWidth, inkPixel);
            };
            std::for_each(b.lines.begin(), b.lines.end(), plot);
            for (const PictureMesh& mesh : b.meshes) {
                const std::vector<QLineF> lines = meshLines(b, mesh);
                std::for_each(lines.begin(), lines.end(), plot);
            }
        }
        // The circles of a batch mostly share one radius: find the radii, then stamp each.
        std::vector<int> keys;
        auto addKey = [&](double radius) {
            const double r = radius * m.scale;
            if (!(r >= 0) || r > kLargestStampedRadius) return;
            const int key = static_cast<int>(std::lround(r * 4));
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
        };
        double lastRadius = std::nan("");
        for (const PictureCircle& c : b.circles) {
            if (c.radius == lastRadius) continue; // its key is in already
            lastRadius = c.radius;
            addKey(c.radius);
        }
        for (const PictureMesh& mesh : b.meshes)
            if (mesh.cols > 0 && mesh.rows > 0) addKey(mesh.radius);
        for (int key : keys) {
            auto it = stamps.find({key, b.lineWidth});
            if (it == stamps.end())
                it =
                    stamps.emplace(std::make_pair(key, b.lineWidth), makeStamp(key / 4.0, b.lineWidth)).first;
            stampCircles(px, b, key, m, it->second, inkPixel);
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
