// The editor's Hex tab, driven through its real controls: the hex grid's fill, the three
// boxes with their steppers and refusals, the shared rotation angle, and the pixels of
// both pictures for a small known byte window.
#include "core/hex_mesh.h"
#include "editor/frm_editor.h"
#include "editor/hex_tab.h"
#include "support/gui_fixture.h"
#include "widgets/busy_pointer.h"
#include "widgets/picture_box.h"
#include "widgets/picture_renderer.h"
#include "widgets/table_grid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

// File byte i: varied enough that a shifted row or column shows.
char patternByte(int i) {
    return static_cast<char>((i * 7 + i / 256) & 0xFF);
}

QByteArray patternFile(int length) {
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = patternByte(i);
    return bytes;
}

bool isInk(QRgb p) {
    return qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) < 60;
}

bool inkNear(const QImage& img, QPointF user, const PictureMapping& m, int radius = 1) {
    const QPoint c = m.toDevice(user).toPoint();
    for (int y = c.y() - radius; y <= c.y() + radius; ++y)
        for (int x = c.x() - radius; x <= c.x() + radius; ++x)
            if (img.valid(x, y) && isInk(img.pixel(x, y))) return true;
    return false;
}

// An editor opened on a file of the given bytes and an empty definition, on its Hex tab.
struct Opened {
    GuiFixture f;
    Services s = f.services();
    std::unique_ptr<frmEditor> e;
    HexTab* tab = nullptr;

    explicit Opened(const QByteArray& image) {
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), image);
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), ecuText({}));
        e = std::make_unique<frmEditor>(s);
        if (e->Form_Load().outcome != OpeningResult::Outcome::Opened) return;
        tab = e->findChild<HexTab*>();
    }
    template <class T> T* find(const char* name) const { return e->findChild<T*>(QLatin1String(name)); }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }
    QScrollBar* stepper(const char* name) const { return find<QScrollBar>(name); }
    PictureBox* picture(const char* name) const { return find<PictureBox>(name); }
    // Types a text into a box and leaves it with Return, as the user would.
    void type(const char* name, const QString& text) const {
        QLineEdit* b = box(name);
        b->selectAll();
        QTest::keyClicks(b, text);
        QTest::keyClick(b, Qt::Key_Return);
    }
};

} // namespace

class TestHexTab : public QObject {
    Q_OBJECT

private slots:
    void controlsStartWithTheirTexts() {
        Opened o(patternFile(256));
        QVERIFY(o.tab);
        QCOMPARE(o.find<QPushButton>("cmdPopulate")->text(), QStringLiteral("Populate Chart"));
        QCOMPARE(o.find<QLabel>("lblLimit")->text(), QStringLiteral("Limited to first 32K of file"));
        QCOMPARE(o.find<QLabel>("lblStart")->text(), QStringLiteral("Start Address"));
        QCOMPARE(o.find<QLabel>("lblCols")->text(), QStringLiteral("Columns"));
        QCOMPARE(o.find<QLabel>("lblRows")->text(), QStringLiteral("Rows"));
        QCOMPARE(o.box("txtStart")->text(), QStringLiteral("35"));
        QCOMPARE(o.box("txtCols")->text(), QStringLiteral("140"));
        QCOMPARE(o.box("txtRows")->text(), QStringLiteral("1"));
        for (const char* s : {"vscStart", "vscCols", "vscRows", "hscHexMap"}) {
            QScrollBar* bar = o.stepper(s);
            QVERIFY2(bar && bar->minimum() == -1 && bar->maximum() == 1 && bar->value() == 0, s);
        }
        auto* grid = o.find<TableGrid>("grdHex");
        QCOMPARE(grid->cols(), 17);
        QCOMPARE(grid->rows(), 10002);
        for (const char* p : {"picHexMap", "picHexLine"})
            QCOMPARE(o.picture(p)->background(), o.tab->palette().color(QPalette::Button));
    }

    void popHexShowsTheFirstBytesSixteenToARow_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("gridRows"); // heading row included
        QTest::newRow("16 bytes") << 16 << 2;
        QTest::newRow("100 bytes: whole rows only") << 100 << 7;
        QTest::newRow("32 KiB") << 32768 << 2049;
        QTest::newRow("40000 bytes: the first 32 KiB") << 40000 << 2049;
    }
    void popHexShowsTheFirstBytesSixteenToARow() {
        QFETCH(int, length);
        QFETCH(int, gridRows);
        const QByteArray file = patternFile(length);
        Opened o(file);
        QVERIFY(o.tab);
        QTest::mouseClick(o.find<QPushButton>("cmdPopulate"), Qt::LeftButton);
        QVERIFY(!isBusyPointer());
        auto* grid = o.find<TableGrid>("grdHex");
        QCOMPARE(grid->rows(), gridRows);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(grid->text(0, i + 1), QString::number(i, 16).toUpper());
        for (int r = 1; r < gridRows; ++r) {
            QCOMPARE(grid->text(r, 0),
                     QStringLiteral("%1").arg((r - 1) * 16, 6, 16, QLatin1Char('0')).toUpper());
            for (int j = 0; j < 16; ++j) {
                const int n = (r - 1) * 16 + j;
                const auto expected =
                    QStringLiteral("%1").arg(static_cast<uchar>(file[n]), 2, 16, QLatin1Char('0'));
                if (grid->text(r, j + 1) != expected.toUpper())
                    QFAIL(qPrintable(QStringLiteral("byte %1: %2").arg(n).arg(grid->text(r, j + 1))));
            }
        }
        const double dpi = grid->logicalDpiX();
        // Twips at the screen's resolution, widened only as far as the digits need.
        const QFontMetrics fm(grid->font());
        QVERIFY(grid->columnWidth(0) >= qRound(800 * dpi / 1440));
        QVERIFY(grid->columnWidth(16) >= qRound(300 * dpi / 1440));
        QVERIFY(grid->columnWidth(0) > fm.horizontalAdvance(QStringLiteral("000000")));
        QVERIFY(grid->columnWidth(16) > fm.horizontalAdvance(QStringLiteral("FF")));
        QVERIFY(grid->columnWidth(16) <=
                std::max(qRound(300 * dpi / 1440), fm.horizontalAdvance(QStringLiteral("FF")) * 3));
        // A second press shows the same.
        QTest::mouseClick(o.find<QPushButton>("cmdPopulate"), Qt::LeftButton);
        QCOMPARE(grid->rows(), gridRows);
    }

    void steppersMoveByOneWithTheirCorrections_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("stepper");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("v");
        QTest::addColumn<QString>("after");
        auto row = [](const char* name, const char* box, const char* stepper, const char* before, int v,
                      const char* after) {
            QTest::newRow(name) << QString(box) << QString(stepper) << QString(before) << v << QString(after);
        };
        row("start FF -1", "txtStart", "vscStart", "FF", -1, "100");
        row("start 100 +1", "txtStart", "vscStart", "100", 1, "FF");
        row("cols 140 -1", "txtCols", "vscCols", "140", -1, "141");
        row("rows 1 +1 stays 1", "txtRows", "vscRows", "1", 1, "1");
        row("rows 50 -1", "txtRows", "vscRows", "50", -1, "51");
        row("a step past the image", "txtStart", "vscStart", "7F84", -1, "7F84"); // 140 bytes up to 800F
    }
    void steppersMoveByOneWithTheirCorrections() {
        QFETCH(QString, box);
        QFETCH(QString, stepper);
        QFETCH(QString, before);
        QFETCH(int, v);
        QFETCH(QString, after);
        Opened o(patternFile(32768));
        QVERIFY(o.tab);
        o.type(qPrintable(box), before);
        QCOMPARE(o.box(qPrintable(box))->text(), before);
        o.stepper(qPrintable(stepper))->setValue(v);
        QCOMPARE(o.box(qPrintable(box))->text(), after);
        QCOMPARE(o.stepper(qPrintable(stepper))->value(), 0);
        QVERIFY(o.f.prompt.shown.empty());
    }

    void refusedTextsAreTakenBackWithoutAMessage_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        auto row = [](const char* name, const char* box, const char* typed, const char* kept) {
            QTest::newRow(name) << QString(box) << QString(typed) << QString(kept);
        };
        row("start not hex", "txtStart", "zz", "35");
        row("columns above 500", "txtCols", "600", "140");
        row("rows reaching past the image", "txtRows", "300", "1"); // 140 x 300 bytes
    }
    void refusedTextsAreTakenBackWithoutAMessage() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        Opened o(patternFile(32768));
        QVERIFY(o.tab);
        o.type(qPrintable(box), typed);
        QCOMPARE(o.box(qPrintable(box))->text(), kept);
        QVERIFY(o.f.prompt.shown.empty());
    }

    void aTooLargeStartingWindowCanBeBroughtInside() {
        Opened o(patternFile(64)); // BinSize 80: the window 35 + 140 lies past the end
        QVERIFY(o.tab);
        o.type("txtCols", QStringLiteral("30"));
        QCOMPARE(o.box("txtCols")->text(), QStringLiteral("140")); // 35 + 30 bytes still reach 82
        o.type("txtStart", QStringLiteral("0"));
        QCOMPARE(o.box("txtStart")->text(), QStringLiteral("0"));
        o.type("txtCols", QStringLiteral("30"));
        QCOMPARE(o.box("txtCols")->text(), QStringLiteral("30"));
        QCOMPARE(o.picture("picHexMap")->surface().circleCount(), 30);
    }

    void turningChangesTheEditorsOneAngleAndRedraws() {
        Opened o(patternFile(32768));
        QVERIFY(o.tab);
        const quint64 before = o.picture("picHexMap")->surface().revision();
        o.stepper("hscHexMap")->setValue(1);
        QCOMPARE(o.e->vars().RotationAngle, qint16(29));
        QCOMPARE(o.stepper("hscHexMap")->value(), 0);
        QVERIFY(o.picture("picHexMap")->surface().revision() != before);
    }

    void everyTabChangeRedraws() {
        Opened o(patternFile(32768));
        QVERIFY(o.tab);
        QCOMPARE(o.picture("picHexMap")->surface().circleCount(), 0);
        o.find<QTabWidget>("SSTab1")->setCurrentIndex(4);
        QCOMPARE(o.picture("picHexMap")->surface().circleCount(), 140);
        QCOMPARE(o.picture("picHexLine")->surface().circleCount(), 140);
        QCOMPARE(o.e->vars().HexValues.at(0, 0), double(static_cast<uchar>(patternByte(0x35))));
        QCOMPARE(o.e->vars().HexValues.at(139, 0), double(static_cast<uchar>(patternByte(0x35 + 139))));
    }

    void aZeroDivisorLeavesBothPicturesAsTheyWere() {
        QByteArray file = patternFile(1024);
        file.replace(0x200, 0x40, QByteArray(0x40, '\0'));
        Opened o(file);
        QVERIFY(o.tab);
        o.type("txtCols", QStringLiteral("16"));
        PictureBox* map = o.picture("picHexMap");
        PictureBox* line = o.picture("picHexLine");
        QCOMPARE(map->surface().circleCount(), 16);
        const quint64 mapRevision = map->surface().revision(), lineRevision = line->surface().revision();
        const QImage mapBefore = map->renderImage(QSize(202, 202));
        const QImage lineBefore = line->renderImage(QSize(202, 282));
        // One row of zero bytes at angle 0 lies on y = 0: HexYMin is 0.
        o.e->vars().RotationAngle = 0;
        o.type("txtStart", QStringLiteral("200"));
        QCOMPARE(o.box("txtStart")->text(), QStringLiteral("200"));
        QCOMPARE(o.tab->hexYMin(), 0.0);
        QCOMPARE(map->surface().revision(), mapRevision);
        QCOMPARE(line->surface().revision(), lineRevision);
        QCOMPARE(map->renderImage(QSize(202, 202)), mapBefore);
        QCOMPARE(line->renderImage(QSize(202, 282)), lineBefore);
        // A second row of zero bytes lies one step higher: drawn.
        o.type("txtRows", QStringLiteral("2"));
        QVERIFY(o.tab->hexYMin() < 0);
        QCOMPARE(map->surface().circleCount(), 32);
        QCOMPARE(line->surface().circleCount(), 32);
    }

    void bothPicturesShowAKnownWindowWhereProjected() {
        // Bytes 0 and 100 at 40: one row of two at 30 degrees. The divisors come from the
        // point (1, 0, 100): xmax = cos a = 0.8660178, ymin = sin a - 100 cos a = -86.10177.
        QByteArray file(256, '\0');
        file[0x41] = 100;
        Opened o(file);
        QVERIFY(o.tab);
        o.type("txtStart", QStringLiteral("40"));
        o.type("txtCols", QStringLiteral("2"));
        QVERIFY(qAbs(o.tab->hexXMax() - 0.8660178) < 1e-6);
        QVERIFY(qAbs(o.tab->hexYMin() + 86.10177) < 1e-4);

        PictureBox* map = o.picture("picHexMap");
        const QImage m = map->renderImage(QSize(202, 202)); // one pixel a unit
        const PictureMapping mm = PictureMapping::of(map->scaleWindow(), m.size());
        QCOMPARE(mm.toDevice(QPointF(0, 0)), QPointF(51, 151));
        // The three axes, unscaled, halfway along.
        QVERIFY(inkNear(m, {86.60178 / 2, 50.00132 / 2}, mm));
        QVERIFY(inkNear(m, {50.00132 / 2, -86.60178 / 2}, mm));
        QVERIFY(inkNear(m, {0, -86.60178 / 2}, mm));
        // The mesh: (0, 0) to (125, -125), with a circle of radius 1 at each end.
        QVERIFY(inkNear(m, {62.5, -62.5}, mm));
        QVERIFY(inkNear(m, {125, -125}, mm));
        QVERIFY(!inkNear(m, {125, -140}, mm, 3));
        const QImage big = map->renderImage(QSize(808, 808)); // four pixels a unit: the circle shows
        const PictureMapping bm = PictureMapping::of(map->scaleWindow(), big.size());
        QVERIFY(inkNear(big, {125 + 1, -125}, bm));
        QVERIFY(inkNear(big, {125, -125 - 1}, bm));
        QVERIFY(!inkNear(big, {125 + 2, -125}, bm, 1));
        QVERIFY(!inkNear(big, {125 + 0.5, -125 - 0.5}, bm, 0)); // an outline, not a disc
        QVERIFY(!inkNear(m, {100, -20}, mm, 3));
        QCOMPARE(m.pixelColor(mm.toDevice(QPointF(100, -20)).toPoint()),
                 o.tab->palette().color(QPalette::Button));

        PictureBox* line = o.picture("picHexLine");
        const QImage l = line->renderImage(QSize(202, 282));
        const PictureMapping lm = PictureMapping::of(line->scaleWindow(), l.size());
        QCOMPARE(lm.toDevice(QPointF(0, 0)), QPointF(11, 271));
        // Angle 0: the axes are flat and upright; the second point lands at
        // (1 / 0.8660178 x 125, -100 / 86.10177 x 125) = (144.34, -145.18).
        QVERIFY(inkNear(l, {50, 0}, lm));
        QVERIFY(inkNear(l, {0, -50}, lm));
        QVERIFY(inkNear(l, {144.34 / 2, -145.18 / 2}, lm));
        QVERIFY(inkNear(l, {144.34, -145.18}, lm));
        QVERIFY(!inkNear(l, {144.34, -160}, lm, 3));
        QVERIFY(!inkNear(l, {62.5 + 20, -62.5 - 40}, lm, 3)); // where the turned view's line would be
        QVERIFY(!inkNear(l, {100, -20}, lm, 3));
        QCOMPARE(o.e->vars().RotationAngle, qint16(30));
    }
};

QTEST_MAIN(TestHexTab)
#include "test_hex_tab.moc"
