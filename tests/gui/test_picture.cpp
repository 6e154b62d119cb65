// Pixels of the picture control: the window's mapping, circles staying round, the
// widget painting what offscreen rendering gives, and the map surface's axes and mesh.
#include "core/map_surface.h"
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"
#include "widgets/picture_box.h"
#include "widgets/picture_renderer.h"

#include <QComboBox>
#include <QScrollBar>
#include <QtTest>

#include <limits>

using namespace korvel;
using namespace korvel::test;

namespace {

bool isInk(QRgb p) {
    return qRed(p) < 100 && qGreen(p) < 100 && qBlue(p) < 100;
}

// Whether any pixel within `radius` of p is drawn.
bool inkNear(const QImage& img, QPoint p, int radius = 1) {
    for (int y = p.y() - radius; y <= p.y() + radius; ++y)
        for (int x = p.x() - radius; x <= p.x() + radius; ++x)
            if (img.valid(x, y) && isInk(img.pixel(x, y))) return true;
    return false;
}

int inkCount(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += isInk(img.pixel(x, y));
    return n;
}

QPoint device(const PictureMapping& m, double x, double y) {
    return m.toDevice(QPointF(x, y)).toPoint();
}

} // namespace

class TestPicture : public QObject {
    Q_OBJECT

private slots:
    void windowKeepsItsAspectAndCentres_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPointF>("topLeft"); // device point of the window's top-left corner
        QTest::newRow("square") << QSize(200, 200) << 2.0 << QPointF(0, 0);
        QTest::newRow("wide") << QSize(400, 200) << 2.0 << QPointF(100, 0);
        QTest::newRow("tall") << QSize(100, 300) << 1.0 << QPointF(0, 100);
    }
    void windowKeepsItsAspectAndCentres() {
        QFETCH(QSize, size);
        QFETCH(double, scale);
        QFETCH(QPointF, topLeft);
        const PictureWindow w{-20, 30, 100, 100};
        const PictureMapping m = PictureMapping::of(w, size);
        QCOMPARE(m.scale, scale);
        QCOMPARE(m.toDevice(QPointF(-20, 30)), topLeft);
        QCOMPARE(m.toDevice(QPointF(80, 130)), topLeft + QPointF(100 * scale, 100 * scale));
    }

    void circlesStayRoundSmallAndLarge_data() {
        QTest::addColumn<double>("radius");
        QTest::newRow("stamped") << 1.5;
        QTest::newRow("stroked") << 20.0;
    }
    void circlesStayRoundSmallAndLarge() {
        QFETCH(double, radius);
        DrawingSurface s;
        s.setWindow({0, 0, 100, 50}); // drawn into a square image: letterboxed, scale 4
        s.circle(50, 25, radius);
        const QImage img = renderSurface(s, QSize(400, 400), Qt::white);
        const PictureMapping m = PictureMapping::of(s.window(), img.size());
        const double r = radius * m.scale;
        const QPoint c = device(m, 50, 25);
        for (QPoint d :
             {QPoint(qRound(r), 0), QPoint(-qRound(r), 0), QPoint(0, qRound(r)), QPoint(0, -qRound(r))})
            QVERIFY2(inkNear(img, c + d, 1), qPrintable(QStringLiteral("%1,%2").arg(d.x()).arg(d.y())));
        QVERIFY(!isInk(img.pixel(c))); // an outline, not a disc
        QVERIFY(!inkNear(img, c + QPoint(qRound(r) + 4, 0), 1));
    }

    void lineWidthIsInPixels() {
        DrawingSurface s;
        s.setWindow({0, 0, 10, 10});
        s.setLineWidth(1);
        s.line(1, 2, 9, 2);
        s.setLineWidth(2);
        s.line(1, 7, 9, 7);
        const QImage img = renderSurface(s, QSize(500, 500), Qt::white); // 50 pixels a unit
        auto thickness = [&](int y0) {
            int n = 0;
            for (int y = y0 - 5; y <= y0 + 5; ++y)
                n += isInk(img.pixel(250, y));
            return n;
        };
        QCOMPARE(thickness(100), 1);
        QCOMPARE(thickness(350), 2);
    }

    void partlyVisibleAndWildCommandsStayInsideTheImage() {
        DrawingSurface s;
        s.setWindow({0, 0, 100, 100});
        const double inf = std::numeric_limits<double>::infinity(),
                     nan = std::numeric_limits<double>::quiet_NaN();
        s.line(-1e12, 50, 1e12, 50); // clipped to a row across the image
        s.line(nan, 0, 10, 10);
        s.line(0, inf, 10, 10);
        s.line(-50, -50, -10, -10); // wholly outside
        s.setLineWidth(3);
        s.line(99.99, 0, 99.99, 100); // on the last column, widened past the edge
        s.setLineWidth(1);
        for (double x : {0.0, 100.0, -0.5, 1e15, nan})
            s.circle(x, 0, 1);
        s.circle(50, 50, 1e6); // far larger than the image
        const QImage img = renderSurface(s, QSize(100, 100), Qt::white);
        for (int x = 0; x < 100; ++x)
            QVERIFY(isInk(img.pixel(x, 50)));
        QVERIFY(isInk(img.pixel(99, 20)));
        QVERIFY(!inkNear(img, QPoint(6, 6), 2)); // lines with an end not a number draw nothing
    }

    void widgetPaintsWhatOffscreenRenderingGives() {
        PictureBox box;
        box.resize(240, 180);
        box.setScaleWindow({-10, -10, 20, 20});
        box.setLineWidth(2);
        box.line(-10, -10, 10, 10);
        box.setLineWidth(1);
        for (int i = -8; i <= 8; i += 4)
            box.circle(i, 0, 1);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage offscreen = box.renderImage(shown.size());
        QCOMPARE(shown, offscreen);
        QVERIFY(inkCount(shown) > 100);
        // Cleared, it shows the background only, and again after a resize.
        box.clear();
        box.resize(300, 200);
        const QImage blank = box.grab().toImage();
        QCOMPARE(inkCount(blank), 0);
        QCOMPARE(blank.pixelColor(5, 5), QColor(Qt::white));
    }

    void mapSurfaceAxesAndMeshPointLandWhereProjected() {
        // A 2 x 2 map whose cell (1, 1) holds 100, the rest 0: zMax 100, so that point
        // is the model point (100, 100, 80).
        GuiFixture f;
        QByteArray image(1024, '\0');
        image[0x103] = 100;
        ItemSpec m;
        m.address = QStringLiteral("0100");
        m.columns = 2;
        m.rows = 2;
        m.title = QStringLiteral(" Map");
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), image);
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), ecuText({m}));
        Services s = f.services();
        frmEditor e(s);
        QVERIFY(e.Form_Load().outcome == OpeningResult::Outcome::Opened);
        auto* combo = e.findChild<QComboBox*>(QStringLiteral("cmb2Dim"));
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        auto* pic = e.findChild<PictureBox*>(QStringLiteral("picMap"));
        const QImage img = pic->renderImage(QSize(404, 404)); // 2 pixels a unit
        const PictureMapping map = PictureMapping::of(pic->scaleWindow(), img.size());
        QCOMPARE(map.scale, 2.0);
        QCOMPARE(device(map, 0, 0), QPoint(102, 302));
        // The axes at 30 degrees: half-way along each.
        QVERIFY(inkNear(img, device(map, 86.60178 / 2, 50.00132 / 2)));
        QVERIFY(inkNear(img, device(map, 50.00132 / 2, -86.60178 / 2)));
        QVERIFY(inkNear(img, device(map, 0, -86.60178 / 2)));
        // The mesh point (100, 100, 80) projects to (136.6031, -105.8819); its circle of
        // radius 1 passes 2 pixels from the centre.
        const QPoint top = device(map, 136.6031, -105.8819);
        QVERIFY(inkNear(img, top + QPoint(2, 0)));
        QVERIFY(inkNear(img, top + QPoint(-2, 0)));
        QVERIFY(inkNear(img, top + QPoint(0, -2)));
        // Away from every line and circle the picture is white.
        QVERIFY(!inkNear(img, device(map, -40, -140), 3));
        QVERIFY(!inkNear(img, device(map, 140, 40), 3));
        QVERIFY(!inkNear(img, top + QPoint(0, -8), 2));
        QCOMPARE(img.pixelColor(1, 1), QColor(Qt::white));

        // Turned to 0 degrees the x axis lies flat along y = 0.
        e.vars().RotationAngle = 1;
        e.findChild<QScrollBar*>(QStringLiteral("scrRotAngle"))->setValue(1);
        QCOMPARE(e.vars().RotationAngle, qint16(0));
        const QImage flat = pic->renderImage(QSize(404, 404));
        QVERIFY(inkNear(flat, device(map, 50, 0)));
        QVERIFY(!inkNear(flat, device(map, 50, 10), 2));
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
