// The pictures drawn through the projection and their view steps, and the table grids.
#include "core/grid_text.h"
#include "core/hex_mesh.h"
#include "core/hex_window.h"
#include "core/map_surface.h"
#include "core/table_values.h"
#include "core/values.h"
#include "core/view_graph.h"
#include "core_fixture.h"

#include <cmath>

using namespace korvel;
using namespace korvel::test;

// At angle 0 a point (x, y, z) lands on (x, -(y + z)); one surface, cleared each time, takes every picture.
TEST(MapSurface, AxesThenOneCirclePerCellLinkedToItsNeighbours) {
    DrawingSurface s;
    for (const auto& [cols, rows, links] :
         {std::tuple{1, 1, 0}, {5, 1, 4}, {1, 4, 3}, {3, 2, 7}, {16, 16, 480}}) {
        ValueMatrix values;
        for (int k = 0; k < cols * rows; ++k)
            values.set(k % cols, k / cols, (k * 13) % 256);
        const double xMax = std::max(1, cols - 1), yMax = std::max(1, rows - 1);
        drawMapSurface(s, MapSurfaceInput{&values, cols, rows, xMax, yMax, 255, 0});
        ASSERT_EQ(s.batches().size(), 2u);
        const auto &axes = s.batches()[0], &mesh = s.batches()[1];
        EXPECT_EQ(axes.lines,
                  (std::vector{QLineF(0, 0, 100, 0), QLineF(0, 0, 0, -100), QLineF(0, 0, 0, -100)}));
        EXPECT_TRUE(axes.lineWidth == 2 && mesh.lineWidth == 1 && axes.circles.empty());
        EXPECT_EQ(mesh.lines.size(), size_t(links));
        ASSERT_EQ(mesh.circles.size(), size_t(cols * rows));
        for (int k = 0, c = 0, r = 0; k < cols * rows; ++k, c = k % cols, r = k / cols)
            EXPECT_EQ(QPointF(mesh.circles[size_t(k)].x, mesh.circles[size_t(k)].y),
                      QPointF(c / xMax * 100, -(r / yMax * 100 + values.at(c, r) / 255 * 80)))
                << k;
        const QLineF first(1 / xMax * 100, -values.at(1, 0) / 255 * 80, 0, -values.at(0, 0) / 255 * 80);
        EXPECT_TRUE(cols == 1 || mesh.lines[0] == first) << "the first link joins cell (1, 0) to (0, 0)";
    }
}

TEST(ViewSteps, RotatePanAndZoom) {
    EXPECT_EQ(
        QList<int>({rotatedAngle(0, 1), rotatedAngle(360, 1), rotatedAngle(360, -1), rotatedAngle(30, -1)}),
        QList<int>({360, 359, 0, 31}));
    const PictureWindow h = pannedHorizontally(kMapWindowReset, 1), v = pannedVertically(kMapWindowReset, -1);
    EXPECT_TRUE(h.left == -52.0f && h.top == -151.0f && v.top == -150.0f && v.left == -51.0f);
    PictureWindow w = kMapWindowReset;
    for (int i = 0; i < 3; ++i)
        w = zoomed(w, 1).value();
    EXPECT_TRUE(w.width == 205.0f && w.height == 205.0f && w.left == -54.0f && w.top == -150.625f);
    int taken = 0;
    for (w = kMapWindowReset; const auto next = zoomed(w, -1); ++taken)
        w = *next;
    EXPECT_TRUE(taken == 201 && w.width == 1.0f &&
                w.height == 1.0f); // zooming in stops before nothing is left
}

TEST(GridTexts, HeadingsAndCells) {
    // clang-format off
    const std::tuple<const char*, int, int, const char*> fields[] = { // axis, k, width, field
        {"  -40  -20    0", 1, 5, "  -40"}, {"  -40  -20    0", 3, 5, "    0"}, {"  -40  -20", 3, 5, ""},
        {"  -40  -20 12", 3, 5, " 12"}, {"  8 16 24", 2, 3, " 16"}, {"  8 16 24", 0, 3, ""}};
    // Raw mode shows the byte, calculated mode its conversion (a map item of Factor 0 shows 0 formatted):
    // table kind, raw mode, conversion, factor, offset, byte, text.
    const auto A = TableKind::Array, M = TableKind::Map;
    const std::tuple<TableKind, bool, int, double, double, double, const char*> cells[] = {
        {A, true, 0, 0.5, 0, 255, "255"}, {M, true, 1, 0, 3, 300, "255"}, {A, false, 0, 0.5, 1, 25, "13.5"},
        {M, false, 1, 1000, 0, 4, "250."}, {A, false, 0, 0, 7.25, 200, "7.25"}, {M, false, -1, 3, 5, 9, "."},
        {M, false, 0, 0, 7.25, 200, "."}, {A, false, 1, 100, 0, 0, ""}};
    // clang-format on
    for (const auto& [axis, k, width, text] : fields)
        EXPECT_EQ(headingField(QLatin1String(axis), k, width), QLatin1String(text)) << axis << " " << k;
    for (const auto& [kind, raw, conversion, factor, offset, byte, text] : cells)
        EXPECT_EQ(cellText(item("0", 1, 1, 1, 0, conversion, factor, offset), kind, raw, byte, "##.##"), text)
            << byte;
    EcuItem it = item("0");
    EXPECT_EQ(valueLabelText(it, true) + valueLabelText(it, false), QStringLiteral("Raw Values Spark"));
    it.YAxis = QStringLiteral("  r0   r1   r2 ");
    it.XAxis = QStringLiteral(" c0 c1");
    ValueMatrix values;
    for (int k = 0; k < 6; ++k)
        values.set(k % 2, k / 2, 10 * (k / 2) + k % 2);
    QStringList grid;
    for (const auto& row : gridTexts(it, TableKind::Map, true, values, 2, 3, QStringLiteral("##.##")))
        grid << QStringList(row.begin(), row.end()).join('|');
    EXPECT_EQ(grid.join('/'),
              "| c0| c1/  r2 |20|21/  r1 |10|11/  r0 |0|1"); // the first table row at the bottom
}

TEST(TableValues, LoadRowAfterRowAndStepWithinTheImage) {
    auto state = imageOf(counting(64));
    ValueMatrix values;
    MapDivisors d;
    loadTable(*state, TableSpan{8, 4, 3}, values, &d);
    EXPECT_TRUE(values.at(0, 0) == state->byteAt(8) && values.at(3, 0) == state->byteAt(11));
    EXPECT_TRUE(values.at(0, 1) == state->byteAt(12) && values.at(3, 2) == state->byteAt(19));
    EXPECT_TRUE(d.xMax == 3 && d.yMax == 2 && d.zMax == state->byteAt(19));
    MapDivisors raised{5, 5, 250};
    loadTable(*state, TableSpan{4, 2, 2}, values, &raised);
    EXPECT_TRUE(raised.xMax == 5 && raised.yMax == 5 && raised.zMax == 250) << "divisors only rise";
    const auto all = [](int, int) { return true; }; // the second byte lies past the image
    EXPECT_TRUE(stepSelectedCells(*state, TableSpan{kImageCells - 1, 2, 1}, values, all, kKeyCodePlus));
    EXPECT_TRUE(state->byteAt(kImageCells - 1) == 1 && values.at(1, 0) == 0);
    loadTable(*state, TableSpan{0, 600, 1}, values, &d); // counts past the matrix are clamped
    EXPECT_EQ(d.xMax, ValueMatrix::kSize - 1);
    EXPECT_EQ(
        QList<double>({steppedCell(0, kKeyCodePlus), steppedCell(255, kKeyCodePlus),
                       steppedCell(0, kKeyCodeMinus), steppedCell(255, kKeyCodeMinus), steppedCell(9, 107)}),
        QList<double>({1, 255, 0, 254, 9}));
}

TEST(ViewGraph, ARunSeenAt30DegreesSpans125UnitsAndAFlatRunDrawsNothing) {
    auto state = imageOf({0, 200, 100});
    ValueMatrix values;
    const ViewDivisors d = loadViewRun(*state, 0, 4, kViewAngle, values);
    EXPECT_NEAR(d.xMax, 3 * 0.8660178, 1e-6);
    EXPECT_NEAR(d.yMin, 0.5000132 - 200, 1e-6); // y = sin(30) x - z
    DrawingSurface surface;
    drawViewLine(surface, values, 4, d);
    const auto& data = surface.batches().back();
    ASSERT_EQ(surface.lineCount(), 10 + 3) << "ten frame lines and one link per column after the first";
    EXPECT_TRUE(data.lineWidth == 1 && data.circles[3].x == 3 / d.xMax * 125 &&
                data.circles[1].y == -200 / d.yMin * -125);
    drawViewLine(surface, values, 4, loadViewRun(*state, kImageCells - 2, 4, kViewAngle, values));
    EXPECT_EQ(surface.lineCount(), 13) << "a run of zero bytes, past the image too, leaves the picture";
}

TEST(HexWindow, BoxChangesKeepTheWindowInsideTheImage) {
    const HexBox S = HexBox::Start, C = HexBox::Cols, R = HexBox::Rows;
    // clang-format off
    const std::tuple<const char*, const char*, HexBox, const char*, int, const char*> cases[] = {
        // start, cols (one row), the box, its typed text, the step, its text afterwards (none: refused)
        {"35", "140", S, "800F", 0, "800F"}, {"35", "140", S, "8010", 0, {}}, {"35", "140", S, "G", 0, {}},
        {"35", "140", S, "ff", 0, "FF"}, {"0", "140", S, "0", +1, "0"}, {"1", "140", S, "1", +1, "0"},
        {"FF", "140", S, "FF", -1, "100"}, {"7F83", "140", S, "7F83", -1, "7F84"},
        {"0", "140", C, "1", 0, "2"}, {"7F84", "140", S, "7F84", -1, {}}, {"7F84", "140", C, "140", -1, {}},
        {"0", "140", C, "0", 0, {}}, {"7F84", "140", C, "140", +1, "139"}, {"7F84", "140", R, "1", -1, {}},
        {"0", "140", C, "1e3", 0, {}}, {"0", "140", C, "501", 0, "500"}, {"0", "140", C, "502", 0, {}},
        {"0", "2", C, "2", +1, "2"}, {"0", "500", C, "500", -1, "500"}, {"0", "500", R, "65", 0, "65"},
        {"0", "500", R, "66", 0, {}}, {"0", "2", R, "501", 0, "500"}, {"0", "2", R, "0", 0, "1"},
        {"0", "2", R, "x", 0, {}}};
    // clang-format on
    for (const auto& [start, cols, box, typed, v, result] : cases) {
        const HexWindowTexts accepted{QLatin1String(start), QLatin1String(cols), QStringLiteral("1")};
        const auto next =
            hexBoxChange(accepted, box, QLatin1String(typed), v, 0x8010); // cells 0..800F filled
        QStringList want{accepted.start, accepted.cols, accepted.rows};
        want[int(box)] = QLatin1String(result);
        EXPECT_EQ(next ? QStringList({next->start, next->cols, next->rows}) : QStringList(),
                  result ? want : QStringList())
            << start << "/" << cols << ", box " << int(box) << ": '" << typed << "' " << v;
    }
    auto s = imageOf({10, 200, 30, 40, 250, 60}, 16);
    s->BinImage[32].setValue(0x77); // left over from a longer file: no data of this image
    ValueMatrix values;
    const HexDivisors flat = loadHexWindow(*s, HexWindow{30, 3, 1}, values, 0);
    EXPECT_TRUE(values.at(2, 0) == 0 && !flat.drawable()) << "zero bytes at angle 0 lie on y = 0";
    for (int angle : {0, 30, 75}) {
        const HexDivisors d = loadHexWindow(*s, HexWindow{0, 3, 2}, values, angle);
        EXPECT_TRUE(values.at(1, 1) == 250 && d.xMax > 0 && d.yMin < 0) << angle;
        DrawingSurface surface;
        drawHexPicture(surface, HexMeshInput{&values, 3, 2, d.xMax, d.yMin}, angle);
        EXPECT_EQ(surface.lineCount(), 3 + 2 * 2 + 3 * 1); // axes, links along rows, links between rows
        const auto& batch = surface.batches().back();
        ASSERT_EQ(batch.meshes.size(), 1u);
        const PictureMesh& mesh = batch.meshes[0];
        ASSERT_TRUE(mesh.cols == 3 && mesh.rows == 2 && surface.circleCount() == 6);
        double right = 0, top = 0; // the extreme points reach exactly as far as the picture goes
        for (const QPointF& p : batch.points(mesh))
            right = std::max(right, p.x()), top = std::min(top, p.y());
        EXPECT_TRUE(mesh.radius == 1 && std::abs(right - kHexMeshReach) < 1e-9 &&
                    std::abs(top + kHexMeshReach) < 1e-9)
            << angle;
    }
}
