// The picture control's pixels: the widget paints what offscreen rendering gives, and the direct
// 1-pixel line rasterizer sets the pixels a reference rule sets.
#include "widgets/picture_box.h"
#include "widgets/picture_renderer.h"
#include "widgets/thin_lines.h"

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
    plotThinLines(img, lines, m, qRgb(0, 0, 0));
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
            const int x0 = int(random() % 60), y0 = int(random() % 60), x1 = int(random() % 60),
                      y1 = int(random() % 60);
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
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
