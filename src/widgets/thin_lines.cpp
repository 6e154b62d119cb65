#include "thin_lines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace korvel {

namespace {

// Images up to this many pixels count runs in a table of ints (16 MB at most); larger
// ones (offscreen renders for files) write each run straight away.
constexpr qint64 kLargestCountedImage = qint64{1} << 22;

// Cuts the line to the rectangle [left, right] x [top, bottom]; false when nothing of it
// lies inside. An end outside moves onto the edge it crosses, set exactly and with the
// other coordinate taken from the slope, so ends very far out (1e300) keep the part of
// the line that shows.
bool clipLine(double& x1, double& y1, double& x2, double& y2, double left, double top, double right,
              double bottom) {
    auto outside = [&](double x, double y) {
        return (x < left ? 1 : x > right ? 2 : 0) | (y < top ? 4 : y > bottom ? 8 : 0);
    };
    int c1 = outside(x1, y1), c2 = outside(x2, y2);
    // Each pass puts one end on one more edge; four passes an end are the most needed.
    for (int pass = 0; pass < 8 && (c1 | c2); ++pass) {
        if (c1 & c2) return false;
        const bool first = c1 != 0;
        const int c = first ? c1 : c2;
        double x, y;
        if (c & 1) {
            x = left;
            y = y1 + (y2 - y1) * ((left - x1) / (x2 - x1));
        } else if (c & 2) {
            x = right;
            y = y1 + (y2 - y1) * ((right - x1) / (x2 - x1));
        } else if (c & 4) {
            y = top;
            x = x1 + (x2 - x1) * ((top - y1) / (y2 - y1));
        } else {
            y = bottom;
            x = x1 + (x2 - x1) * ((bottom - y1) / (y2 - y1));
        }
        if (!std::isfinite(x) || !std::isfinite(y)) return false;
        if (first) {
            x1 = x;
            y1 = y;
            c1 = outside(x1, y1);
        } else {
            x2 = x;
            y2 = y;
            c2 = outside(x2, y2);
        }
    }
    return (c1 | c2) == 0;
}

// Calls run(x, yFrom, yTo) (yFrom <= yTo) for the pixels of the line between two pixels.
// Along its longer direction the line takes, at every step, the pixel nearest to it.
template <class Run> void forEachRun(int x0, int y0, int x1, int y1, Run&& run) {
    if (std::abs(x1 - x0) <= std::abs(y1 - y0)) {
        if (y0 > y1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        const int dy = y1 - y0, adx = std::abs(x1 - x0);
        const int sx = x1 < x0 ? -1 : 1;
        if (adx == 0) return run(x0, y0, y1);
        if (adx == 1) {                     // the usual link between neighbouring points of a dense mesh
            const int split = (dy + 1) / 2; // first row nearer the second column
            run(x0, y0, y0 + split - 1);
            return run(x1, y0 + split, y1);
        }
        // Column x0 + k holds the rows t (from y0) whose nearest column is k, that is
        // t < (2k + 1) dy / (2 adx). That bound is kept as a quotient and a remainder and
        // grows by 2 dy / (2 adx) per column, so a line costs one division.
        const qint64 den = 2 * qint64{adx};
        const qint64 stepQ = (2 * qint64{dy}) / den, stepR = (2 * qint64{dy}) % den;
        qint64 q = qint64{dy} / den, r = qint64{dy} % den; // (2k + 1) dy / den for k = 0
        int from = 0;
        for (int k = 0; k < adx; ++k) {
            const int to = static_cast<int>(q + (r > 0 ? 1 : 0)) - 1; // last t below the bound
            run(x0 + sx * k, y0 + from, y0 + to);
            from = to + 1;
            q += stepQ;
            r += stepR;
            if (r >= den) {
                ++q;
                r -= den;
            }
        }
        run(x0 + sx * adx, y0 + from, y1);
        return;
    }
    if (x0 > x1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int dx = x1 - x0, ady = std::abs(y1 - y0);
    const int sy = y1 < y0 ? -1 : 1;
    // The row nearest to the line in column t: t ady / dx rounded half up, that is
    // (2 t ady + dx) / (2 dx), kept as a quotient and a remainder.
    const qint64 den = 2 * qint64{dx};
    qint64 q = 0, r = dx;
    for (int t = 0; t <= dx; ++t) {
        run(x0 + t, y0 + sy * static_cast<int>(q), y0 + sy * static_cast<int>(q));
        r += 2 * qint64{ady};
        while (r >= den) {
            ++q;
            r -= den;
        }
    }
}

// The pixel of a device coordinate of at least -1: shifting it to positive and
// truncating is the floor, and much cheaper than calling it.
int pixel(double v) {
    return static_cast<int>(v + 2.0) - 2;
}

// Calls plot.link for the line between two device points when both lie on the w x h
// image, else plot.run for the pixels of the part that shows.
template <class Plot> void plotLine(double x1, double y1, double x2, double y2, int w, int h, Plot& plot) {
    // An end that is not a number draws nothing; so does a line too long to measure.
    if (!std::isfinite(x2 - x1) || !std::isfinite(y2 - y1)) return;
    if (x1 >= 0 && y1 >= 0 && x2 >= 0 && y2 >= 0 && x1 < w && x2 < w && y1 < h && y2 < h)
        return plot.link(pixel(x1), pixel(y1), pixel(x2), pixel(y2));
    // A margin of a pixel keeps the slope of a line that leaves the image.
    if (!clipLine(x1, y1, x2, y2, -1, -1, w + 1, h + 1)) return;
    forEachRun(pixel(x1), pixel(y1), pixel(x2), pixel(y2),
               [&plot](int x, int from, int to) { plot.run(x, from, to); });
}

// Plots the links of a mesh, each point mapped once. A link between two points on the
// image goes between their pixels straight away; the others are cut as any line.
template <class Plot>
void plotMesh(const DrawingSurface::Batch& batch, const PictureMesh& mesh, const PictureMapping& m, int w,
              int h, Plot& plot) {
    struct Device {
        double x, y;
        int px, py; // the pixel, when inside
        bool inside;
    };
    const size_t cols = static_cast<size_t>(mesh.cols);
    std::vector<Device> previous(cols), current(cols);
    const QPointF* point = batch.points(mesh).data();
    for (int r = 0; r < mesh.rows; ++r, point += cols) {
        for (size_t c = 0; c < cols; ++c) {
            Device& d = current[c];
            d.x = m.dx + point[c].x() * m.scale;
            d.y = m.dy + point[c].y() * m.sy();
            d.inside = d.x >= 0 && d.y >= 0 && d.x < w && d.y < h;
            d.px = d.inside ? pixel(d.x) : 0;
            d.py = d.inside ? pixel(d.y) : 0;
        }
        auto link = [&](const Device& from, const Device& to) {
            if (from.inside && to.inside)
                plot.link(from.px, from.py, to.px, to.py);
            else
                plotLine(from.x, from.y, to.x, to.y, w, h, plot);
        };
        for (size_t c = 0; c < cols; ++c) {
            if (r > 0) link(current[c], previous[c]);
            if (c > 0) link(current[c], current[c - 1]);
        }
        std::swap(previous, current);
    }
}

// Plots every line of the batch, those of its meshes included, that shows in a w x h
// image.
template <class Plot>
void plotLines(const DrawingSurface::Batch& batch, const PictureMapping& m, int w, int h, Plot& plot) {
    for (const QLineF& l : batch.lines)
        plotLine(m.dx + l.x1() * m.scale, m.dy + l.y1() * m.sy(), m.dx + l.x2() * m.scale,
                 m.dy + l.y2() * m.sy(), w, h, plot);
    for (const PictureMesh& mesh : batch.meshes)
        plotMesh(batch, mesh, m, w, h, plot);
}

// Writes every run straight into the image.
struct WrittenRuns {
    QRgb* bits;
    qsizetype stride;
    int w, h;
    QRgb ink;

    void run(int x, int from, int to) {
        if (x < 0 || x >= w) return;
        for (int y = std::max(from, 0); y <= std::min(to, h - 1); ++y)
            bits[y * stride + x] = ink;
    }
    void link(int x0, int y0, int x1, int y1) {
        forEachRun(x0, y0, x1, y1, [this](int x, int from, int to) { run(x, from, to); });
    }
};

// Per column, +1 where a run starts and -1 below where it ends: the running sum down a
// column is positive exactly on the pixels some run covers.
struct CountedRuns {
    int* counts; // column after column, h + 1 each
    size_t column;
    int w, h;

    int* at(int x, int y) { return counts + static_cast<size_t>(x) * column + static_cast<size_t>(y); }
    void run(int x, int from, int to) {
        from = std::max(from, 0);
        to = std::min(to, h - 1);
        if (x < 0 || x >= w || from > to) return;
        ++*at(x, from);
        --*at(x, to + 1);
    }
    // Between two pixels on the image.
    void link(int x0, int y0, int x1, int y1) {
        const int adx = std::abs(x1 - x0);
        if (adx > 1 || adx > std::abs(y1 - y0)) {
            forEachRun(x0, y0, x1, y1, [this](int x, int from, int to) { run(x, from, to); });
            return;
        }
        // The usual link of a dense mesh: steep, within one column or across two. Its runs
        // as forEachRun makes them: from the upper end, the first (dy + 1) / 2 rows in its
        // column, the rest in the lower end's column.
        const bool down = y0 <= y1;
        const int xTop = down ? x0 : x1, yTop = down ? y0 : y1;
        const int xBottom = down ? x1 : x0, yBottom = down ? y1 : y0;
        ++*at(xTop, yTop);
        if (xTop != xBottom) {
            const int split = yTop + (yBottom - yTop + 1) / 2;
            --*at(xTop, split);
            ++*at(xBottom, split);
        }
        --*at(xBottom, yBottom + 1);
    }
};

} // namespace

void plotThinLines(QImage& image, const DrawingSurface::Batch& batch, const PictureMapping& m, QRgb ink) {
    const int w = image.width(), h = image.height();
    if ((batch.lines.empty() && batch.meshes.empty()) || w <= 0 || h <= 0) return;
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* bits = reinterpret_cast<QRgb*>(image.bits());

    if (qint64{w} * (h + 1) > kLargestCountedImage) {
        WrittenRuns written{bits, stride, w, h, ink};
        plotLines(batch, m, w, h, written);
        return;
    }
    const size_t column = static_cast<size_t>(h) + 1;
    std::vector<int> counts(static_cast<size_t>(w) * column, 0);
    CountedRuns counted{counts.data(), column, w, h};
    plotLines(batch, m, w, h, counted);
    for (int x = 0; x < w; ++x) {
        const int* c = counted.at(x, 0);
        int covered = 0;
        for (int y = 0; y < h; ++y) {
            covered += c[y];
            if (covered > 0) bits[y * stride + x] = ink;
        }
    }
}

} // namespace korvel
