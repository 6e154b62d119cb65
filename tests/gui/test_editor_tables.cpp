// The editor's Arrays, 3D Maps and Hex tabs through their real controls.
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

ItemSpec table(const QString& address, int cols, int rows, const QString& title = QStringLiteral(" Bad")) {
    return {address, cols, rows, 1, 0, 0, 0, 1, title, " load", {}, " rpm"};
}

// An editor over 4 KiB of zeros with `bytes` put in, on the Maps tab (`maps`) or the Arrays tab.
struct Tables : EditorHarness {
    Tables(const std::vector<ItemSpec>& items, const std::vector<std::pair<int, int>>& bytes,
           bool maps = true)
        : EditorHarness(image(4096, bytes), items), maps(maps) {
        if (!open(maps ? 3 : 2)) qFatal("the editor did not open");
    }
    bool maps;
    QString list() const { return maps ? "cmb2Dim" : "cmb1Dim"; }
    QString gridName() const { return maps ? "grdMap" : "grdLine"; }
    TableGrid* grid() const { return find<TableGrid>(gridName()); }
    QString cells(int row, int from, int to) const { // grid texts, each followed by '|'
        QString t;
        for (int c = from; c <= to; ++c)
            t += grid()->text(row, c) + "|";
        return t;
    }
    QString labels() const {
        const QString tab = maps ? "lblMap_" : "lblLine_";
        return text(tab + "Xlabel") + "|" + text(tab + "Ylabel") + "|" + text(tab + "Zlabel");
    }
    QString showIn() const { return maps ? "cmdShowIn_2" : "cmdShowIn_1"; }
    PictureBox* picture() const { return find<PictureBox>("picMap"); }
    EditorState& vars() const { return editor->vars(); }
    QString view() const { // the picture's window, the angle and the divisors
        const PictureWindow w = picture()->scaleWindow();
        const EditorState& v = vars();
        return joined(w.left, w.top, w.width, w.height, "angle", v.RotationAngle, "max", v.MapXMax, v.MapYMax,
                      v.MapZMax);
    }
};

// Maps or arrays, the key and its modifiers, the three selected cells (00, 80, FF) after it.
const std::tuple<const char*, bool, int, int, QString> kKeys[] = {
    {"map, equal", true, Qt::Key_Equal, 0, "0181FF"},
    {"map, shifted minus", true, Qt::Key_Underscore, Qt::ShiftModifier, "007FFE"},
    {"map, keypad plus", true, Qt::Key_Plus, Qt::KeypadModifier, "0080FF"},
    {"array, plus", false, Qt::Key_Plus, 0, "0181FF"},
    {"array, minus", false, Qt::Key_Minus, 0, "007FFE"},
    {"array, keypad minus", false, Qt::Key_Minus, Qt::KeypadModifier, "0080FF"},
    {"array, letter", false, Qt::Key_Q, 0, "0080FF"}};

// Maps or arrays, conversion, factor, the cells of raw 0, 4 and 200 with offset 1.
const std::tuple<const char*, bool, int, double, QString> kCalculated[] = {
    {"map, multiply", true, 0, 0.5, "1.|3.|101.|"},
    {"map, divide, raw 0 empty", true, 1, 1000, "|251.|6.|"},
    {"map, factor 0", true, 0, 0, ".|.|.|"},
    {"array, multiply", false, 0, 0.5, "1.|3.|101.|"},
    {"array, factor 0 shows the offset", false, 0, 0, "1.|1.|1.|"}};

// Maps or arrays, the address (empty: nothing chosen), columns and rows.
const std::tuple<const char*, bool, QString, int, int> kRefused[] = {
    {"map past the image", true, "0FF0", 8, 4},  {"map too wide", true, "0000", 502, 2},
    {"map address not hex", true, "04G0", 2, 2}, {"array past the image", false, "0FFE", 1, 4},
    {"no map chosen", true, "", 2, 2},           {"no array chosen", false, "", 1, 4}};

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
const std::tuple<const char*, int, int> kPopulations[] = {{"whole rows only", 100, 7},
                                                          {"the first 32 KiB", 40000, 2049}};

// Box, a text typed first, the stepper's value (0: `typed` is typed instead), the box after it.
const std::tuple<const char*, QString, QString, int, QString, QString> kBoxes[] = {
    {"start FF, up", "Start", "FF", -1, "", "100"},
    {"cols 140, up", "Cols", "", -1, "", "141"},
    {"a step past the image", "Start", "7F84", -1, "", "7F84"}, // 140 bytes up to 800F
    {"start not hex", "Start", "", 0, "zz", "35"},
    {"columns above 500", "Cols", "", 0, "600", "140"},
    {"rows reaching past the image", "Rows", "", 0, "300", "1"}}; // 140 x 300 bytes

} // namespace

class TestEditorTables : public QObject {
    Q_OBJECT

private slots:
    // The Arrays and 3D Maps tabs: the grid, keys on selected cells, the raw/calculated switch, the
    // map's surface and its steppers, and refusals.
    void aMapShowsTheFirstByteAtTheBottomUnderItsHeadings() {
        ItemSpec m = table("0400", 16, 8);
        m.xAxis = QStringLiteral("  4  8 12 16 20 24 28 32 36 40 44 48 52 56 60 64");
        m.yAxis = QStringLiteral(" 500 1000 1500 2000 2500 3000 3500 4000");
        Tables h({m}, {{0x400, 0x11}, {0x40F, 0x22}, {0x470, 0x33}, {0x47F, 0x44}});
        h.choose(h.list(), 0);
        QCOMPARE(QSize(h.grid()->cols(), h.grid()->rows()), QSize(17, 9));
        QCOMPARE(h.cells(8, 0, 1) + h.cells(8, 16, 16) + h.cells(1, 1, 1) + h.cells(1, 16, 16),
                 QStringLiteral(" 500 |17|34|51|68|"));
        QCOMPARE(h.cells(0, 0, 2) + h.cells(0, 16, 16) + h.cells(7, 0, 0),
                 QStringLiteral("|  4|  8| 64|1000 |"));
        QCOMPARE(h.text("txtRow3D") + h.text("txtCol3D") + h.text("txtStart3D").trimmed(),
                 QStringLiteral("8160400"));
        QCOMPARE(h.labels(), QStringLiteral(" rpm| load|Raw Values"));
        QCOMPARE(h.view(), QStringLiteral("-51 -151 202 202 angle 30 max 15 7 68"));
        // Three axes, 128 circles, 8 x 15 + 7 x 16 mesh lines.
        QCOMPARE(h.picture()->surface().circleCount() + h.picture()->surface().lineCount(),
                 128 + 3 + 120 + 112);
    }

    void keysStepOnlyTheSelectedCellsFromTheImageAsItIsNow_data() { rows(kKeys); }
    void keysStepOnlyTheSelectedCellsFromTheImageAsItIsNow() {
        const auto& [tag, maps, key, modifiers, cells] = fetch(kKeys);
        // At 0x200: 4 x 2 (a map) or 4 x 1 (an array); row 0 = 00, 80, FF, 07.
        Tables h({table("0200", 4, maps ? 2 : 1)}, {{0x201, 128}, {0x202, 255}, {0x203, 7}}, maps);
        h.choose(h.list(), 0);
        h.edit(0x203, 0x55); // another tab writes a byte of the table after the grid read it
        const int bottom = h.grid()->rows() - 1; // the bottom grid row is table row 0
        h.select(h.gridName(), {{bottom, 1}, {bottom, 2}, {bottom, 3}});
        QTest::keyClick(h.grid(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(h.bytes(0x200, 4) + " " + h.cells(bottom, 3, 4),
                 cells + "55 " + QString::number(cells.right(2).toInt(nullptr, 16)) + "|85|");
        // Only the stepped cells are stored and recorded; other keys store nothing.
        const bool steps = cells != "0080FF";
        QCOMPARE(h.pendingCount(), steps ? 4 : 1);
        if (steps) QCOMPARE(h.pending(0x200, 3), h.bytes(0x200, 3));
    }

    void mapCellsChosenByKeyboardAndMouseAndDivisorsRaisedOnlyByEdits() {
        Tables h({table("0300", 3, 3)}, {{0x304, 200}});
        h.choose(h.list(), 0);
        TableGrid* g = h.grid();
        g->setFocus();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(3, 1)).center());
        QTest::keyClick(g, Qt::Key_Right, Qt::ShiftModifier);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          g->visualRect(g->model()->index(1, 3)).center());
        h.select(h.gridName(), {{0, 1}}); // headings cannot be selected
        QTest::keyClick(g, Qt::Key_Equal);
        QCOMPARE(h.bytes(0x300, 9) + QString::number(h.vars().MapZMax),
                 QStringLiteral("01010000C800000001200"));
        h.select(h.gridName(), {{2, 2}});
        for (int key : {Qt::Key_Equal, Qt::Key_Minus, Qt::Key_Minus})
            QTest::keyClick(g, Qt::Key(key));
        QCOMPARE(h.bytes(0x304) + QString::number(h.vars().MapZMax),
                 QStringLiteral("C7201")); // raised, not lowered
        h.choose(h.list(), 0);             // choosing the map again takes the divisors afresh
        QCOMPARE(h.vars().MapZMax, 199.0);
    }

    void rawAndCalculatedSwitchNeverTouchesTheImage_data() { rows(kCalculated); }
    void rawAndCalculatedSwitchNeverTouchesTheImage() {
        const auto& [tag, maps, conversion, factor, cells] = fetch(kCalculated);
        ItemSpec t = table("0500", 3, maps ? 2 : 1, QStringLiteral(" Fuel"));
        t.conversion = conversion, t.factor = factor, t.offset = 1;
        Tables h({t}, {{0x501, 4}, {0x502, 200}}, maps);
        h.choose(h.list(), 0);
        const int bottom = h.grid()->rows() - 1;
        QCOMPARE(h.text(h.showIn()), QStringLiteral("Show in Calculated Values"));
        click(*h.editor, h.showIn());
        QCOMPARE(h.text(h.showIn()) + h.labels() + h.cells(bottom, 1, 3),
                 "Show Raw Values rpm| load| Fuel" + cells);
        h.choose(h.list(), 0); // the mode carries over to the next choice
        QCOMPARE(h.cells(bottom, 1, 3), cells);
        click(*h.editor, h.showIn());
        QCOMPARE(h.text(h.showIn()) + h.labels() + h.cells(bottom, 1, 3) + h.bytes(0x500, 3),
                 QStringLiteral("Show in Calculated Values rpm| load|Raw Values0|4|200|0004C8"));
        QVERIFY(h.pendingCount() == 0 && h.editor->isSaved());
    }

    void mapSteppersDragAndWheelMoveTheView() {
        Tables h({table("0100", 2, 2)}, {});
        QVERIFY(h.view().startsWith(QStringLiteral("-121 -191 202 202 angle 30"))); // before any choice
        h.choose(h.list(), 0);
        for (const char* s : {"scrZoom", "scrZoom", "scrZoom", "scrPanHor", "scrPanVer", "scrRotAngle"})
            h.find<QScrollBar>(s)->setValue(
                QLatin1String(s) == "scrPanVer" || QLatin1String(s) == "scrZoom" ? 1 : -1);
        QVERIFY(h.view().startsWith(QStringLiteral("-53 -151.625 205 205 angle 31")));
        const auto& axes = h.picture()->surface().batches().front(); // redrawn at the new angle
        QVERIFY(qAbs(axes.lines[0].p2().x() - 100 * std::cos(31 * 0.0174538)) < 1e-9);
        h.choose(h.list(), 0); // the next choice resets the view and the angle
        QVERIFY(h.view().startsWith(QStringLiteral("-51 -151 202 202 angle 30")));
        QTest::mousePress(h.picture(), Qt::LeftButton, {}, QPoint(10, 50)); // a drag to the right turns
        QTest::mouseMove(h.picture(), QPoint(40, 52));
        QTest::mouseRelease(h.picture(), Qt::LeftButton, {}, QPoint(40, 52));
        QCOMPARE(int(h.vars().RotationAngle), 40); // 30 pixels: ten steps of one degree
        QWheelEvent wheel({50, 50}, {}, {}, {0, 240}, Qt::NoButton, {}, Qt::NoScrollPhase,
                          false); // zooms in twice
        QApplication::sendEvent(h.picture(), &wheel);
        QVERIFY(h.view().startsWith(QStringLiteral("-49 -151.25 200 200")));
    }

    void refusedTablesShowAndWriteNothing_data() { rows(kRefused); }
    void refusedTablesShowAndWriteNothing() {
        const auto& [tag, maps, address, cols, rows] = fetch(kRefused);
        Tables h({table("0100", 2, maps ? 2 : 1, " Good"), table(address, cols, rows)}, {{0x100, 9}}, maps);
        if (!address.isEmpty()) {
            h.choose(h.list(), 0);
            QCOMPARE(h.cells(h.grid()->rows() - 1, 1, 1), QStringLiteral("9|"));
            h.choose(h.list(), 1);
            QVERIFY(h.fx.prompt.onlyCritical().contains("Bad"));
        }
        QCOMPARE(QSize(h.grid()->cols(), h.grid()->rows()), QSize(2, 2));
        QCOMPARE(h.cells(1, 1, 1) + h.text("txtRow3D") + (maps ? "" : h.text("lblLine_Zlabel")),
                 QStringLiteral("|"));
        QCOMPARE(maps ? h.vars().MapCols : h.vars().ArrayRows, 0);
        h.select(h.gridName(), {{1, 1}});
        QTest::keyClick(h.grid(), Qt::Key_Equal);
        QCOMPARE(h.pendingCount(), 0);
        if (maps) QCOMPARE(h.picture()->surface().lineCount(), 3); // the axes only
        QVERIFY(h.editor->isSaved());                              // a key with no table writes nothing
    }

    // The Hex tab through its real controls: the hex grid, the three boxes with their steppers and
    // refusals, the shared rotation angle, and where both pictures draw a known byte window.
    void populateShowsTheFirstBytesSixteenToARow_data() { rows(kPopulations); }
    void populateShowsTheFirstBytesSixteenToARow() {
        const auto& [tag, length, gridRows] = fetch(kPopulations);
        const QByteArray file = pattern(length);
        Hex h(file);
        QCOMPARE(h.boxes(), QStringLiteral("35 140 1"));
        auto* grid = h.find<TableGrid>("grdHex");
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

    void turningAndTabChangesRedraw() {
        Hex h(pattern(32768));
        QCOMPARE(h.picture("picHexMap")->surface().circleCount(), 0);
        h.find<QTabWidget>("SSTab1")->setCurrentIndex(4);
        QCOMPARE(h.picture("picHexMap")->surface().circleCount(), 140);
        QCOMPARE(h.picture("picHexLine")->surface().circleCount(), 140);
        QCOMPARE(h.editor->vars().HexValues.at(139, 0), double(patternByte(0x35 + 139))); // the window's last
        const quint64 before = h.picture("picHexMap")->surface().revision();
        h.find<QScrollBar>("hscHexMap")->setValue(1);
        QVERIFY(h.editor->vars().RotationAngle == 29 &&
                h.find<QScrollBar>("hscHexMap")->value() == 0); // one angle
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
        // An axis halfway along, the mesh to (125, -125), and nothing beside it.
        QVERIFY(h.ink("picHexMap", {0, -43.3}) && h.ink("picHexMap", {62.5, -62.5}) &&
                h.ink("picHexMap", {125, -125}));
        QVERIFY(!h.ink("picHexMap", {125, -140}, 3) && !h.ink("picHexMap", {100, -20}, 3));
        // At angle 0 the second point lands at (1 / 0.8660178 x 125, -100 / 86.10177 x 125).
        QVERIFY(h.ink("picHexLine", {50, 0}) && h.ink("picHexLine", {72.17, -72.59}) &&
                h.ink("picHexLine", {144.34, -145.18}));
        QVERIFY(!h.ink("picHexLine", {144.34, -160}, 3) && !h.ink("picHexLine", {82.5, -102.5}, 3));
        QCOMPARE(h.editor->vars().RotationAngle, qint16(30));
    }
};

QTEST_MAIN(TestEditorTables)
#include "test_editor_tables.moc"
