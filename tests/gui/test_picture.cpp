// The picture control's pixels: the widget paints what offscreen rendering gives, the direct
// 1-pixel line rasterizer sets the pixels a reference rule sets, and the densest pictures (the
// Hex tab's 500 x 500 byte mesh, a 501 x 501 map) keep exactly the pixels they have always had.
#include "core/app_state.h"
#include "core/hex_mesh.h"
#include "core/hex_window.h"
#include "core/map_surface.h"
#include "widgets/picture_box.h"
#include "widgets/picture_renderer.h"
#include "widgets/thin_lines.h"

#include <QCryptographicHash>
#include <QtTest>
#include <random>
#include <set>

using namespace korvel;

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels inked(const QImage& img, QRect area) { // the dark pixels
    Pixels p;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.valid(x, y) && qGray(img.pixel(x, y)) < 100) p.insert({x, y});
    return p;
}

QImage thin(QSize size, const std::vector<QLineF>& lines, const PictureMapping& m = {1, 0, 0}) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    DrawingSurface::Batch batch;
    batch.lines = lines;
    plotThinLines(img, batch, m, qRgb(0, 0, 0));
    return img;
}

// The pixels of a line between two pixels: one per step along its longer direction, counted
// from the end with the smaller coordinate there, each at the nearest whole offset across it
// (a half rounds away from that end).
Pixels reference(int x0, int y0, int x1, int y1) {
    const bool steep = std::abs(x1 - x0) <= std::abs(y1 - y0);
    if (steep ? y0 > y1 : x0 > x1) std::swap(x0, x1), std::swap(y0, y1);
    const int along = steep ? y1 - y0 : x1 - x0, across = steep ? x1 - x0 : y1 - y0;
    Pixels p;
    for (int t = 0; t <= along; ++t) {
        const int d =
            (along ? int(std::floor(std::abs(across) * double(t) / along + 0.5)) : 0) * (across < 0 ? -1 : 1);
        p.insert(steep ? std::pair{x0 + d, y0 + t} : std::pair{x0 + t, y0 + d});
    }
    return p;
}

// Hex tab pictures and map surfaces of a window of random bytes at an angle, rendered at a
// size, and the first 16 hex digits of the SHA-1 of their pixels as the renderer drew them
// when these rows were written. The small windows keep every line and circle apart.
enum class Dense { HexMap, HexLine, Map };
const std::tuple<const char*, Dense, int, int, int, QSize, const char*> kDense[] = {
    {"hex map 500 x 500 at 30", Dense::HexMap, 500, 500, 30, {486, 286}, "336790759e748b92"},
    {"hex line 500 x 500, divisors at 30", Dense::HexLine, 500, 500, 30, {486, 286}, "28445b7170071254"},
    {"hex map 500 x 500 at 200, large", Dense::HexMap, 500, 500, 200, {900, 700}, "a49d2d43545ff0ef"},
    {"hex map 40 x 30 at 30, large", Dense::HexMap, 40, 30, 30, {900, 700}, "48de111711f461b7"},
    {"hex line 40 x 30, large", Dense::HexLine, 40, 30, 30, {900, 700}, "b1d3867295607b49"},
    {"map 501 x 501 at 30", Dense::Map, 501, 501, 30, {501, 501}, "d611656be35a2168"},
    {"map 501 x 501 at 135", Dense::Map, 501, 501, 135, {420, 380}, "c9c3decec2850e58"},
    {"map 16 x 12 at 60", Dense::Map, 16, 12, 60, {600, 600}, "42562587e4d9f1ec"}};

QImage densePicture(Dense which, int cols, int rows, int angle, QSize size) {
    std::mt19937 random(25);
    static AppState state;
    state.BinSize = 250016;
    for (int a = 0; a < 250000; ++a)
        state.BinImage[size_t(a)].setValue(int(random() & 0xFF));
    ValueMatrix values;
    DrawingSurface s;
    if (which == Dense::Map) {
        double zMax = 1;
        for (int k = 0; k < cols * rows; ++k)
            values.set(k % cols, k / cols, state.byteAt(k)), zMax = std::max(zMax, double(state.byteAt(k)));
        drawMapSurface(s, MapSurfaceInput{&values, cols, rows, cols - 1.0, rows - 1.0, zMax, angle});
        s.setWindow(kMapWindowReset);
    } else {
        const HexDivisors d = loadHexWindow(state, HexWindow{0, cols, rows}, values, angle);
        drawHexPicture(s, HexMeshInput{&values, cols, rows, d.xMax, d.yMin},
                       which == Dense::HexLine ? 0 : angle);
        s.setWindow(which == Dense::HexMap ? kHexMapWindow : kHexLineWindow);
    }
    return renderSurface(s, size, QColor(240, 240, 240));
}

} // namespace

class TestPicture : public QObject {
    Q_OBJECT

private slots:
    void theWidgetPaintsWhatOffscreenRenderingGives() {
        PictureBox box;
        box.resize(240, 180);
        box.setScaleWindow({-10, -10, 20, 20});
        box.line(-10, -10, 10, 10);
        for (int i = -8; i <= 8; i += 4)
            box.circle(i, 0, 1);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, box.renderImage(shown.size()));
        QVERIFY(inked(shown, shown.rect()).size() > 100);
        box.clear(); // then only the background, after a resize too
        box.resize(300, 200);
        QVERIFY(inked(box.grab().toImage(), {0, 0, 300, 200}).empty());
    }

    void thinLinesSetTheNearestPixelAlongTheirLongerDirection() {
        std::mt19937 random(7);
        for (int i = 0; i < 400; ++i) {
            // Every other line is a dense mesh's usual link: steep, within one column or across two.
            const int x0 = 1 + int(random() % 58), y0 = int(random() % 60), y1 = int(random() % 60),
                      x1 = i % 2 ? x0 + int(random() % 3) - 1 : int(random() % 60);
            const QImage img = thin({64, 64}, {QLineF(x0 + 0.5, y0 + 0.5, x1 + 0.5, y1 + 0.5)});
            if (inked(img, img.rect()) != reference(x0, y0, x1, y1))
                QFAIL(qPrintable(QStringLiteral("(%1,%2)-(%3,%4)").arg(x0).arg(y0).arg(x1).arg(y1)));
        }
        // Mapped: user (0, 0) at device (50, 60), two pixels a unit.
        QCOMPARE(inked(thin({100, 100}, {QLineF(0, 0, 10, 0)}, {2, 50, 60}), {0, 0, 100, 100}),
                 reference(50, 60, 70, 60));
        // Cut to the image, or dropped when off it or not numbers: row 20 and column 25, nothing else.
        const double nan = std::nan("");
        const QImage img =
            thin({50, 40}, {QLineF(-1e300, 20.5, 1e300, 20.5), QLineF(25.5, -1e9, 25.5, 1e9),
                            QLineF(nan, 0, 10, 10), QLineF(60, 60, 90, 90), QLineF(-5, -5, -1, -30)});
        QCOMPARE(inked(img, img.rect()).size(), size_t(50 + 40 - 1));
        QCOMPARE(inked(img, {0, 20, 50, 1}).size() + inked(img, {25, 0, 1, 40}).size(), size_t(90));
    }

    // A mesh sets the pixels of its circles and lines drawn one by one, with points off the
    // picture or at infinity, circles too large to stamp, wide lines and a painted image.
    void aMeshDrawsItsCirclesAndLines_data() {
        QTest::addColumn<double>("radius");
        QTest::addColumn<int>("lineWidth");
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("stamped") << 1.0 << 1 << QImage::Format_RGB32;
        QTest::newRow("too large to stamp") << 9.0 << 1 << QImage::Format_RGB32;
        QTest::newRow("2 pixels wide") << 1.0 << 2 << QImage::Format_ARGB32;
        QTest::newRow("painted") << 1.0 << 1 << QImage::Format_RGB888;
    }
    void aMeshDrawsItsCirclesAndLines() {
        QFETCH(double, radius);
        QFETCH(int, lineWidth);
        QFETCH(QImage::Format, format);
        constexpr int cols = 40, rows = 30;
        std::mt19937 random(11);
        std::uniform_real_distribution<double> across(-30, 130); // the window is 0 to 100
        std::vector<QPointF> points; // mostly close columns of far-apart heights, as a byte mesh
        for (int k = 0; k < cols * rows; ++k)
            points.emplace_back(k % 7 ? 20 + k % cols * 0.45 + k / cols * 0.3 : across(random),
                                across(random));
        points[50].rx() = -1e300;
        points[51].ry() = std::numeric_limits<double>::infinity();
        DrawingSurface mesh, oneByOne;
        for (DrawingSurface* s : {&mesh, &oneByOne})
            s->setWindow({0, 0, 100, 100}), s->setLineWidth(lineWidth);
        mesh.mesh(cols, rows, radius, [&](int c, int r) { return points[size_t(r * cols + c)]; });
        for (int k = 0; k < cols * rows; ++k) {
            const QPointF p = points[size_t(k)];
            oneByOne.circle(p.x(), p.y(), radius);
            if (k >= cols)
                oneByOne.line(p.x(), p.y(), points[size_t(k - cols)].x(), points[size_t(k - cols)].y());
            if (k % cols) oneByOne.line(p.x(), p.y(), points[size_t(k - 1)].x(), points[size_t(k - 1)].y());
        }
        QCOMPARE(mesh.lineCount(), oneByOne.lineCount());
        QImage drawn(200, 150, format), expected(200, 150, format);
        renderSurface(mesh, drawn, Qt::white);
        renderSurface(oneByOne, expected, Qt::white);
        QVERIFY(inked(drawn, drawn.rect()).size() > 2000);
        QCOMPARE(drawn, expected);
    }

    void densePicturesKeepTheirPixels_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("cols");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("angle");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("sha1");
        for (const auto& [tag, which, cols, rows, angle, size, sha1] : kDense)
            QTest::newRow(tag) << int(which) << cols << rows << angle << size << QByteArray(sha1);
    }
    void densePicturesKeepTheirPixels() {
        QFETCH(int, which);
        QFETCH(int, cols);
        QFETCH(int, rows);
        QFETCH(int, angle);
        QFETCH(QSize, size);
        QFETCH(QByteArray, sha1);
        const QImage img = densePicture(Dense(which), cols, rows, angle, size);
        QVERIFY(inked(img, img.rect()).size() > 1000);
        const QByteArrayView pixels(img.constBits(), img.sizeInBytes());
        QCOMPARE(QCryptographicHash::hash(pixels, QCryptographicHash::Sha1).toHex().left(16), sha1);
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
