// The direct rasterizer of 1-pixel lines: the pixels of each line, the same pixels
// whether runs are counted first (screen-sized images) or written straight away (large
// images), and lines that leave the image or are not numbers.
#include "widgets/picture_renderer.h"
#include "widgets/thin_lines.h"

#include <QtTest>

#include <cmath>
#include <random>
#include <set>

using namespace korvel;

namespace {

const QRgb kInk = qRgb(0, 0, 0);
const QRgb kPaper = qRgb(255, 255, 255);

// Device pixels are user units here.
const PictureMapping kIdentity{1, 0, 0};

QImage blank(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kPaper);
    return img;
}

std::set<std::pair<int, int>> inked(const QImage& img, QRect area) {
    std::set<std::pair<int, int>> pixels;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) == kInk) pixels.insert({x, y});
    return pixels;
}

// The pixels of a line between two pixels: one per step along its longer direction,
// counted from the end with the smaller coordinate there, each at the nearest whole
// offset across it (a half rounds away from that end).
std::set<std::pair<int, int>> reference(int x0, int y0, int x1, int y1) {
    const bool steep = std::abs(x1 - x0) <= std::abs(y1 - y0);
    if (steep ? y0 > y1 : x0 > x1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int along = steep ? y1 - y0 : x1 - x0;
    const int across = steep ? x1 - x0 : y1 - y0;
    std::set<std::pair<int, int>> pixels;
    for (int t = 0; t <= along; ++t) {
        const int offset =
            along == 0 ? 0 : static_cast<int>(std::floor(std::abs(across) * double(t) / along + 0.5));
        const int signedOffset = across < 0 ? -offset : offset;
        pixels.insert(steep ? std::pair{x0 + signedOffset, y0 + t} : std::pair{x0 + t, y0 + signedOffset});
    }
    return pixels;
}

} // namespace

class TestThinLines : public QObject {
    Q_OBJECT

private slots:
    void eachLineSetsTheNearestPixelAlongItsLongerDirection() {
        std::mt19937 random(7);
        for (int i = 0; i < 400; ++i) {
            const int x0 = int(random() % 60), y0 = int(random() % 60);
            const int x1 = int(random() % 60), y1 = int(random() % 60);
            QImage img = blank(64, 64);
            // Ends in the middle of their pixels: the floor is the pixel.
            plotThinLines(img, {QLineF(x0 + 0.5, y0 + 0.5, x1 + 0.5, y1 + 0.5)}, kIdentity, kInk);
            const auto got = inked(img, img.rect());
            const auto want = reference(x0, y0, x1, y1);
            if (got != want)
                QFAIL(qPrintable(QStringLiteral("(%1,%2)-(%3,%4): %5 pixels, expected %6")
                                     .arg(x0)
                                     .arg(y0)
                                     .arg(x1)
                                     .arg(y1)
                                     .arg(got.size())
                                     .arg(want.size())));
        }
    }

    void countedAndDirectRunsSetTheSamePixels() {
        // 2100 x 2100 pixels is past the size whose runs are counted first.
        std::mt19937 random(11);
        std::vector<QLineF> lines;
        for (int i = 0; i < 3000; ++i) {
            // Inside both images, so neither cuts a line.
            const double x = 3 + random() % 293, y = 60 + random() % 180;
            lines.emplace_back(x + 0.3, y + 0.7, x + double(random() % 7) - 3,
                               y + double(random() % 120) - 60);
        }
        QImage small = blank(300, 300), large = blank(2100, 2100);
        plotThinLines(small, lines, kIdentity, kInk);
        plotThinLines(large, lines, kIdentity, kInk);
        const QRect area(0, 0, 300, 300);
        const auto a = inked(small, area), b = inked(large, area);
        QVERIFY(a.size() > 10000);
        QVERIFY(a == b);
    }

    void linesLeavingTheImageAreCutAndOthersDropped() {
        QImage img = blank(50, 40);
        const double nan = std::nan("");
        plotThinLines(img,
                      {QLineF(-1000, 20.5, 1000, 20.5), QLineF(25.5, -1e9, 25.5, 1e9), QLineF(nan, 0, 10, 10),
                       QLineF(60, 60, 90, 90), QLineF(-5, -5, -1, -30)},
                      kIdentity, kInk);
        const auto got = inked(img, img.rect());
        // The horizontal line fills row 20, the upright one column 25; nothing else.
        QCOMPARE(got.size(), size_t(50 + 40 - 1));
        for (int x = 0; x < 50; ++x)
            QVERIFY(got.count({x, 20}));
        for (int y = 0; y < 40; ++y)
            QVERIFY(got.count({25, y}));
    }

    void endsFarBeyondTheImageStillDrawTheVisiblePart() {
        QImage img = blank(100, 20);
        plotThinLines(img, {QLineF(-1e300, 10.5, 1e300, 10.5), QLineF(0, 0, std::nan(""), 5)}, kIdentity,
                      kInk);
        const auto got = inked(img, img.rect());
        QVERIFY(got.count({50, 10}) && got.count({2, 10}) && got.count({97, 10}));
        QCOMPARE(got.size(), inked(img, QRect(0, 10, 100, 1)).size());
    }

    void theMappingPlacesTheLine() {
        QImage img = blank(100, 100);
        // User (0, 0) at device (50, 60), two pixels a unit.
        plotThinLines(img, {QLineF(0, 0, 10, 0)}, PictureMapping{2, 50, 60}, kInk);
        QCOMPARE(inked(img, img.rect()), reference(50, 60, 70, 60));
    }
};

QTEST_MAIN(TestThinLines)
#include "test_thin_lines.moc"
