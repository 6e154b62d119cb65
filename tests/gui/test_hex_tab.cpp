// The Hex tab through its real controls: the hex grid, the three boxes with their steppers and
// refusals, the shared rotation angle, and where both pictures draw a known byte window.
#include "editor/hex_tab.h"
#include "support/editor_harness.h"
#include "widgets/busy_pointer.h"
#include "widgets/picture_box.h"
#include "widgets/picture_renderer.h"
#include "widgets/table_grid.h"

#include <QScrollBar>
#include <QTabWidget>

using namespace korvel;
using namespace korvel::test;

namespace {

int patternByte(int i) { // varied enough that a shifted row or column shows
    return (i * 7 + i / 256) & 0xFF;
}
QByteArray pattern(int length) {
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = char(patternByte(i));
    return bytes;
}

struct Hex : EditorHarness {
    explicit Hex(const QByteArray& bin) : EditorHarness(bin, {}) {
        if (!open()) qFatal("the editor did not open");
    }
    HexTab* tab() const { return editor->findChild<HexTab*>(); }
    PictureBox* picture(const char* name) const { return find<PictureBox>(name); }
    QString boxes() const { return text("txtStart") + " " + text("txtCols") + " " + text("txtRows"); }
    // Whether the picture, drawn one pixel a unit, has ink within `radius` of the user point.
    bool ink(const char* name, QPointF user, int radius = 1) const {
        const QImage img =
            picture(name)->renderImage(QSize(202, name == QLatin1String("picHexMap") ? 202 : 282));
        const QPoint c =
            PictureMapping::of(picture(name)->scaleWindow(), img.size()).toDevice(user).toPoint();
        for (int y = c.y() - radius; y <= c.y() + radius; ++y)
            for (int x = c.x() - radius; x <= c.x() + radius; ++x)
                if (img.valid(x, y) && qGray(img.pixel(x, y)) < 60) return true;
        return false;
    }
};

// File length, grid rows with the heading.
const std::tuple<const char*, int, int> kPopulations[] = {{"16 bytes", 16, 2},
                                                          {"100 bytes: whole rows only", 100, 7},
                                                          {"40000 bytes: the first 32 KiB", 40000, 2049}};

// Box, a text typed first, the stepper's value (0: `typed` is typed instead), the box after it.
const std::tuple<const char*, QString, QString, int, QString, QString> kBoxes[] = {
    {"start FF, up", "Start", "FF", -1, "", "100"},
    {"start 100, down", "Start", "100", 1, "", "FF"},
    {"cols 140, up", "Cols", "", -1, "", "141"},
    {"rows 1, down, stays 1", "Rows", "", 1, "", "1"},
    {"a step past the image", "Start", "7F84", -1, "", "7F84"}, // 140 bytes up to 800F
    {"start not hex", "Start", "", 0, "zz", "35"},
    {"columns above 500", "Cols", "", 0, "600", "140"},
    {"rows reaching past the image", "Rows", "", 0, "300", "1"}}; // 140 x 300 bytes

} // namespace

class TestHexTab : public QObject {
    Q_OBJECT

private slots:
    void populateShowsTheFirstBytesSixteenToARow_data() { rows(kPopulations); }
    void populateShowsTheFirstBytesSixteenToARow() {
        const auto& [tag, length, gridRows] = fetch(kPopulations);
        const QByteArray file = pattern(length);
        Hex h(file);
        QCOMPARE(h.boxes(), QStringLiteral("35 140 1"));
        auto* grid = h.find<TableGrid>("grdHex");
        QCOMPARE(QSize(grid->cols(), grid->rows()), QSize(17, 10002));
        click(*h.editor, QStringLiteral("cmdPopulate"));
        QVERIFY(!isBusyPointer());
        QCOMPARE(grid->rows(), gridRows);
        QCOMPARE(grid->text(0, 1) + grid->text(0, 16), QStringLiteral("0F"));
        for (int r = 1; r < gridRows; ++r) {
            QString row = grid->text(r, 0) + ":";
            for (int j = 1; j <= 16; ++j)
                row += grid->text(r, j);
            const QString address = QString::number((r - 1) * 16, 16).rightJustified(6, '0').toUpper();
            if (row != address + ":" + file.mid((r - 1) * 16, 16).toHex().toUpper()) QFAIL(qPrintable(row));
        }
        // Twips at the screen's resolution, widened only as far as the digits need.
        const int dpi = grid->logicalDpiX(),
                  fit = QFontMetrics(grid->font()).horizontalAdvance(QStringLiteral("FF"));
        QVERIFY(grid->columnWidth(0) >= qRound(800.0 * dpi / 1440) && grid->columnWidth(16) > fit);
        QVERIFY(grid->columnWidth(16) >= qRound(300.0 * dpi / 1440));
        QVERIFY(grid->columnWidth(16) <= std::max(qRound(300.0 * dpi / 1440), fit * 3));
    }

    void boxesTakeStepsAndTextsOrRefuseThemSilently_data() { rows(kBoxes); }
    void boxesTakeStepsAndTextsOrRefuseThemSilently() {
        const auto& [tag, box, before, step, typed, after] = fetch(kBoxes);
        Hex h(pattern(32768));
        if (!before.isEmpty()) h.type("txt" + box, before);
        if (!before.isEmpty()) QCOMPARE(h.text("txt" + box), before);
        step ? h.find<QScrollBar>("vsc" + box)->setValue(step) : h.type("txt" + box, typed);
        QCOMPARE(h.text("txt" + box), after);
        QVERIFY(h.find<QScrollBar>("vsc" + box)->value() == 0 && h.fx.prompt.shown.empty());
    }

    void aTooLargeStartingWindowCanBeBroughtInside() {
        Hex h(pattern(64)); // BinSize 80: the window 35 + 140 lies past the end
        h.type("txtCols", QStringLiteral("30"));
        QCOMPARE(h.boxes(), QStringLiteral("35 140 1")); // 35 + 30 bytes still reach 82
        h.type("txtStart", QStringLiteral("0"));
        h.type("txtCols", QStringLiteral("30"));
        QCOMPARE(h.boxes(), QStringLiteral("0 30 1"));
        QCOMPARE(h.picture("picHexMap")->surface().circleCount(), 30);
    }

    void turningAndTabChangesRedraw() {
        Hex h(pattern(32768));
        QCOMPARE(h.picture("picHexMap")->surface().circleCount(), 0);
        h.find<QTabWidget>("SSTab1")->setCurrentIndex(4);
        QCOMPARE(h.picture("picHexMap")->surface().circleCount(), 140);
        QCOMPARE(h.picture("picHexLine")->surface().circleCount(), 140);
        QCOMPARE(h.editor->vars().HexValues.at(0, 0), double(patternByte(0x35)));
        QCOMPARE(h.editor->vars().HexValues.at(139, 0), double(patternByte(0x35 + 139)));
        const quint64 before = h.picture("picHexMap")->surface().revision();
        h.find<QScrollBar>("hscHexMap")->setValue(1);
        QCOMPARE(h.editor->vars().RotationAngle, qint16(29)); // the editor's one angle
        QCOMPARE(h.find<QScrollBar>("hscHexMap")->value(), 0);
        QVERIFY(h.picture("picHexMap")->surface().revision() != before);
    }

    void aZeroDivisorLeavesBothPicturesAsTheyWere() {
        Hex h(pattern(1024).replace(0x200, 0x40, QByteArray(0x40, '\0')));
        h.type("txtCols", QStringLiteral("16"));
        h.find("txtStart")->setFocus(); // leaving txtCols redraws
        const QImage map = h.picture("picHexMap")->renderImage({202, 202});
        const QImage line = h.picture("picHexLine")->renderImage({202, 282});
        h.editor->vars().RotationAngle = 0; // a row of zero bytes at angle 0 lies on y = 0: the least y is 0
        h.type("txtStart", QStringLiteral("200"));
        QCOMPARE(h.text("txtStart") + " " + QString::number(h.tab()->hexYMin()), QStringLiteral("200 0"));
        QVERIFY(h.picture("picHexMap")->renderImage({202, 202}) == map);
        QVERIFY(h.picture("picHexLine")->renderImage({202, 282}) == line);
        h.type("txtRows", QStringLiteral("2")); // a second row lies one step higher: drawn
        QVERIFY(h.tab()->hexYMin() < 0);
        QCOMPARE(h.picture("picHexLine")->surface().circleCount(), 32);
    }

    void bothPicturesShowAKnownWindowWhereProjected() {
        // Bytes 0 and 100 at 40, one row of two at 30 degrees: xmax = cos 30 = 0.8660178 and
        // ymin = sin 30 - 100 cos 30 = -86.10177 come from the point (1, 0, 100).
        Hex h(image(256, {{0x41, 100}}));
        h.type("txtStart", QStringLiteral("40"));
        h.type("txtCols", QStringLiteral("2"));
        QVERIFY(qAbs(h.tab()->hexXMax() - 0.8660178) < 1e-6 && qAbs(h.tab()->hexYMin() + 86.10177) < 1e-4);
        const PictureMapping m = PictureMapping::of(h.picture("picHexMap")->scaleWindow(), QSize(202, 202));
        QCOMPARE(m.toDevice(QPointF(0, 0)), QPointF(51, 151));
        QVERIFY(h.ink("picHexMap", {86.60178 / 2, 50.00132 / 2}) &&
                h.ink("picHexMap", {0, -86.60178 / 2})); // axes
        QVERIFY(h.ink("picHexMap", {62.5, -62.5}) &&
                h.ink("picHexMap", {125, -125})); // the mesh to (125, -125)
        QVERIFY(!h.ink("picHexMap", {125, -140}, 3) && !h.ink("picHexMap", {100, -20}, 3));
        // At angle 0 the second point lands at (1 / 0.8660178 x 125, -100 / 86.10177 x 125).
        QVERIFY(h.ink("picHexLine", {50, 0}) && h.ink("picHexLine", {0, -50}));
        QVERIFY(h.ink("picHexLine", {144.34 / 2, -145.18 / 2}) && h.ink("picHexLine", {144.34, -145.18}));
        QVERIFY(!h.ink("picHexLine", {144.34, -160}, 3) && !h.ink("picHexLine", {82.5, -102.5}, 3));
        QCOMPARE(h.editor->vars().RotationAngle, qint16(30));
    }
};

QTEST_MAIN(TestHexTab)
#include "test_hex_tab.moc"
