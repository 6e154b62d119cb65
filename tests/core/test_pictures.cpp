// The projection, the pictures drawn through it, their view steps, and the table grids.
#include "core/grid_text.h"
#include "core/hex_mesh.h"
#include "core/hex_window.h"
#include "core/map_surface.h"
#include "core/projection.h"
#include "core/table_values.h"
#include "core/values.h"
#include "core/view_graph.h"
#include "core_fixture.h"

#include <cmath>

using namespace korvel;
using korvel::test::imageOf;

// At 0 the view is a plain side view; at 30 the constant 0.0174538 gives cos 0.8660178 and
// sin 0.5000132; at 90 cos a is not exactly 0.
TEST(Projection, ProjectsPointsWithTheEditorsConstant) {
    const std::tuple<int, double, double, double, double, double> cases[] = {
        {0, 7, 3, 5, 7, -8},
        {30, 100, 0, 0, 86.60178, 50.00132},
        {30, 0, 100, 0, 50.00132, -86.60178},
        {30, 0, 0, 100, 0, -86.60178},
        {90, 100, 0, 0, -0.00457, 100.0},
        {90, 0, 100, 0, 100.0, 0.00457},
        {360, 100, 0, 0, 100.0, 0.018269}};
    for (const auto& [angle, x, y, z, px, py] : cases) {
        EXPECT_NEAR(X_Bar(angle, x, y, z), px, 1e-4) << angle << ": " << x << " " << y << " " << z;
        EXPECT_NEAR(Y_Bar(angle, x, y, z), py, 1e-4) << angle << ": " << x << " " << y << " " << z;
    }
    EXPECT_NEAR(Projection(30, HeightScale::Unscaled).y(10, 0, 7), 0.5000132 * 10 - 7, 1e-6);
}

// At angle 0 a model point (x, y, z) lands on (x, -(y + z)).
TEST(MapSurface, AxesThenOneCirclePerCellLinkedToItsNeighbours) {
    for (const auto& [cols, rows, links] :
         {std::tuple{1, 1, 0}, {5, 1, 4}, {1, 4, 3}, {3, 2, 7}, {16, 16, 480}}) {
        ValueMatrix values;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                values.set(c, r, (r * 7 + c * 13) % 256);
        const double xMax = std::max(1, cols - 1), yMax = std::max(1, rows - 1);
        DrawingSurface s;
        drawMapSurface(s, MapSurfaceInput{&values, cols, rows, xMax, yMax, 255, 0});
        ASSERT_EQ(s.batches().size(), 2u);
        EXPECT_EQ(s.batches()[0].lineWidth, 2);
        EXPECT_EQ(s.batches()[0].lines.size(), 3u);
        const auto& mesh = s.batches()[1];
        EXPECT_EQ(mesh.lineWidth, 1);
        EXPECT_EQ(mesh.lines.size(), size_t(links));
        ASSERT_EQ(mesh.circles.size(), size_t(cols * rows));
        for (int k = 0; k < cols * rows; ++k) {
            const int c = k % cols, r = k / cols;
            EXPECT_NEAR(mesh.circles[size_t(k)].x, c / xMax * 100, 1e-9);
            EXPECT_NEAR(mesh.circles[size_t(k)].y, -(r / yMax * 100 + values.at(c, r) / 255 * 80), 1e-9);
        }
        const QLineF first(1 / xMax * 100, -values.at(1, 0) / 255 * 80, 0, -values.at(0, 0) / 255 * 80);
        EXPECT_TRUE(cols == 1 || mesh.lines[0] == first) << "the first link joins cell (1, 0) to (0, 0)";
    }
    DrawingSurface axes, zero, one;
    drawMapSurface(axes, MapSurfaceInput{nullptr, 0, 0, 1, 1, 1, 30});
    EXPECT_EQ(axes.batches()[0].lines[1].p2().x(), X_Bar(30, 0, 100, 0));
    EXPECT_EQ(axes.batches()[0].lines[2].p2().y(), Y_Bar(30, 0, 0, 100));
    ValueMatrix values;
    values.set(1, 1, 9);
    drawMapSurface(zero, MapSurfaceInput{&values, 2, 2, 0, 0, 0, 30}); // divisors count as at least 1
    drawMapSurface(one, MapSurfaceInput{&values, 2, 2, 1, 1, 1, 30});
    EXPECT_EQ(zero.batches()[1].lines, one.batches()[1].lines);
}

TEST(ViewSteps, RotatePanAndZoom) {
    const std::tuple<qint16, int, qint16> turns[] = {{0, 1, 360}, {360, 1, 359}, {360, -1, 0}, {30, -1, 31}};
    for (const auto& [angle, v, expected] : turns)
        EXPECT_EQ(rotatedAngle(angle, v), expected) << angle << " " << v;
    const PictureWindow h = pannedHorizontally(kMapWindowReset, 1), v = pannedVertically(kMapWindowReset, -1);
    EXPECT_TRUE(h.left == -52.0f && h.top == kMapWindowReset.top && v.top == -150.0f && v.left == -51.0f);
    PictureWindow w = kMapWindowReset;
    for (int i = 0; i < 3; ++i)
        w = zoomed(w, 1).value();
    EXPECT_TRUE(w.width == 205.0f && w.height == 205.0f && w.left == -54.0f && w.top == -150.625f);
    int taken = 0;
    for (w = kMapWindowReset; const auto next = zoomed(w, -1); ++taken)
        w = *next;
    EXPECT_EQ(taken, 201) << "zooming in stops before the window has no size";
    EXPECT_TRUE(w.width == 1.0f && w.height == 1.0f);
}

TEST(DrawingSurface, BatchesByWidthAndClearKeepsTheWidth) {
    DrawingSurface s;
    s.setLineWidth(2);
    s.line(0, 0, 1, 1);
    s.setLineWidth(0); // taken as 1
    s.circle(0, 0, 1);
    s.setLineWidth(2);
    s.line(1, 1, 2, 2);
    ASSERT_EQ(s.batches().size(), 2u);
    EXPECT_TRUE(s.batches()[0].lines.size() == 2 && s.batches()[1].lineWidth == 1);
    s.clear();
    EXPECT_TRUE(s.lineCount() == 0 && s.circleCount() == 0 && s.lineWidth() == 2);
}

TEST(GridTexts, HeadingsAndCells) {
    const std::tuple<const char*, int, int, const char*> fields[] = {
        {"  -40  -20    0", 1, 5, "  -40"}, {"  -40  -20    0", 3, 5, "    0"},
        {"  -40  -20 12", 3, 5, " 12"},     {"  -40  -20", 3, 5, ""},
        {"  8 16 24", 2, 3, " 16"},         {"  8 16 24", 0, 3, ""}};
    for (const auto& [axis, k, width, text] : fields)
        EXPECT_EQ(headingField(QLatin1String(axis), k, width), QLatin1String(text)) << axis << " " << k;
    // Raw mode shows the byte; calculated mode the conversion, except a map item of Factor 0.
    const std::tuple<TableKind, bool, qint16, double, double, double, const char*> cells[] = {
        {TableKind::Array, true, 0, 0.5, 0, 255, "255"},    {TableKind::Map, true, 1, 0, 3, 300, "255"},
        {TableKind::Array, false, 0, 0.5, 1, 25, "13.5"},   {TableKind::Map, false, 1, 1000, 0, 4, "250."},
        {TableKind::Array, false, 0, 0, 7.25, 200, "7.25"}, {TableKind::Map, false, 0, 0, 7.25, 200, "."},
        {TableKind::Map, false, -1, 3, 5, 9, "."},          {TableKind::Array, false, 1, 100, 0, 0, ""}};
    for (const auto& [kind, raw, conversion, factor, offset, byte, text] : cells) {
        EcuItem item;
        std::tie(item.Conversion, item.Factor, item.Offset) = std::tie(conversion, factor, offset);
        EXPECT_EQ(cellText(item, kind, raw, byte, QStringLiteral("##.##")), QLatin1String(text))
            << conversion << " " << byte;
    }
    EcuItem item;
    item.Title = QStringLiteral(" Spark");
    EXPECT_EQ(valueLabelText(item, true) + valueLabelText(item, false), QStringLiteral("Raw Values Spark"));
}

TEST(GridTexts, FirstTableRowIsTheBottomGridRow) {
    EcuItem item;
    item.Factor = 1;
    item.YAxis = QStringLiteral("  r0   r1   r2 ");
    item.XAxis = QStringLiteral(" c0 c1");
    ValueMatrix values;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            values.set(c, r, 10 * r + c);
    const auto g = gridTexts(item, TableKind::Map, true, values, 2, 3, QStringLiteral("##.##"));
    const std::vector<std::vector<QString>> expected = {
        {"", " c0", " c1"}, {"  r2 ", "20", "21"}, {"  r1 ", "10", "11"}, {"  r0 ", "0", "1"}};
    EXPECT_EQ(g, expected);
}

TEST(TableValues, LoadRowAfterRowAndStoreEveryCell) {
    auto state = imageOf(test::counting(64));
    ValueMatrix values;
    MapDivisors d;
    loadTable(*state, TableSpan{8, 4, 3}, values, &d);
    EXPECT_TRUE(values.at(0, 0) == state->byteAt(8) && values.at(3, 0) == state->byteAt(11));
    EXPECT_TRUE(values.at(0, 1) == state->byteAt(12) && values.at(3, 2) == state->byteAt(19));
    EXPECT_TRUE(d.xMax == 3 && d.yMax == 2 && d.zMax == state->byteAt(19));
    values.set(1, 1, 300);
    MapDivisors raised{5, 5, 250};
    storeTable(*state, TableSpan{4, 2, 2}, values, &raised); // every cell is recorded, even unchanged ones
    EXPECT_EQ(state->byteAt(7), 255) << "clamped to a byte";
    EXPECT_EQ(values.at(1, 1), 255) << "read back";
    EXPECT_TRUE(raised.xMax == 5 && raised.yMax == 5 && raised.zMax == 255);
    for (int i = 3; i <= 8; ++i)
        EXPECT_EQ(state->PendingChanges[size_t(i)].isEmpty(), i == 3 || i == 8) << i;
    storeTable(*state, TableSpan{kImageCells - 1, 2, 1}, values); // the second byte lies past the image
    EXPECT_EQ(state->byteAt(kImageCells - 1), int(values.at(0, 0)));
    loadTable(*state, TableSpan{kImageCells - 1, 2, 1}, values);
    EXPECT_EQ(values.at(1, 0), 0);
    loadTable(*state, TableSpan{0, 600, 1}, values, &d); // counts past the matrix are clamped
    EXPECT_EQ(d.xMax, ValueMatrix::kSize - 1);
    const std::tuple<double, int, double> steps[] = {{0, kKeyCodePlus, 1},  {255, kKeyCodePlus, 255},
                                                     {0, kKeyCodeMinus, 0}, {255, kKeyCodeMinus, 254},
                                                     {128, 107, 128},       {128, 109, 128}};
    for (const auto& [value, key, expected] : steps)
        EXPECT_EQ(steppedCell(value, key), expected) << value << " " << key;
}

TEST(ViewGraph, ARunSpansTheFrameAndAFlatRunDrawsNothing) {
    AppState state;
    state.BinSize = 32784;
    for (int i = 0; i < 140; ++i)
        StoreByte(state, 0x35 + i, 128 + static_cast<int>(100 * std::sin(i / 12.0)));
    ValueMatrix values;
    const ViewDivisors d = loadViewRun(state, 0x35, 140, kViewAngle, values);
    ASSERT_TRUE(d.drawable());
    EXPECT_NEAR(d.xMax, 139 * 0.8660178, 1e-4);
    DrawingSurface surface;
    drawViewLine(surface, values, 140, d);
    EXPECT_EQ(surface.circleCount(), 140);
    EXPECT_EQ(surface.lineCount(), 10 + 139) << "ten frame lines and one link per column after the first";
    const auto& data = surface.batches().back();
    EXPECT_TRUE(data.lineWidth == 1 && data.circles.front().x == 0 && data.circles.front().radius == 0.25);
    EXPECT_NEAR(data.circles.back().x, 139 * 125 / d.xMax, 1e-9);
    EXPECT_NEAR(data.circles[0].y, values.at(0, 0) / d.yMin * 125, 1e-9) << "larger bytes sit higher";
    const ViewDivisors flat = loadViewRun(state, 0x1000, 50, kViewAngle, values);
    EXPECT_FALSE(flat.drawable());
    drawViewLine(surface, values, 50, flat);
    EXPECT_EQ(surface.circleCount(), 140) << "the picture is left as it was";
}

TEST(HexWindow, BoxChangesKeepTheWindowInsideTheImage) {
    const int binSize = 0x8010; // a 32 KiB file: cells 0..800F are filled
    using B = HexBox;
    const std::tuple<const char*, const char*, B, const char*, int, const char*> cases[] = {
        // start, cols (one row), box, typed text, step, the box's text afterwards (nullptr: refused)
        {"35", "140", B::Start, "800F", 0, "800F"},
        {"35", "140", B::Start, "8010", 0, nullptr},
        {"35", "140", B::Start, "G", 0, nullptr},
        {"35", "140", B::Start, "ff", 0, "FF"},
        {"0", "140", B::Start, "0", +1, "0"},
        {"1", "140", B::Start, "1", +1, "0"},
        {"FF", "140", B::Start, "FF", -1, "100"},
        {"7F83", "140", B::Start, "7F83", -1, "7F84"},
        {"7F84", "140", B::Start, "7F84", -1, nullptr},
        {"7F84", "140", B::Cols, "140", -1, nullptr},
        {"7F84", "140", B::Cols, "140", +1, "139"},
        {"7F84", "140", B::Rows, "1", -1, nullptr},
        {"0", "140", B::Cols, "501", 0, "500"},
        {"0", "140", B::Cols, "502", 0, nullptr},
        {"0", "140", B::Cols, "1", 0, "2"},
        {"0", "140", B::Cols, "0", 0, nullptr},
        {"0", "140", B::Cols, "1e3", 0, nullptr},
        {"0", "2", B::Cols, "2", +1, "2"},
        {"0", "500", B::Cols, "500", -1, "500"},
        {"0", "500", B::Rows, "65", 0, "65"},
        {"0", "500", B::Rows, "66", 0, nullptr},
        {"0", "2", B::Rows, "501", 0, "500"},
        {"0", "2", B::Rows, "0", 0, "1"},
        {"0", "2", B::Rows, "x", 0, nullptr}};
    for (const auto& [start, cols, box, typed, v, result] : cases) {
        const HexWindowTexts accepted{QLatin1String(start), QLatin1String(cols), QStringLiteral("1")};
        const auto next = hexBoxChange(accepted, box, QLatin1String(typed), v, binSize);
        const std::string where = std::string(start) + "/" + cols + " box " + std::to_string(int(box)) +
                                  " '" + typed + "' " + std::to_string(v);
        ASSERT_EQ(bool(next), result != nullptr) << where;
        if (!next) continue;
        const QStringList texts{next->start, next->cols, next->rows};
        QStringList want{accepted.start, accepted.cols, accepted.rows};
        want[int(box)] = QLatin1String(result);
        EXPECT_EQ(texts, want) << where;
    }
}

TEST(HexWindow, LoadsTheImageAndDrawsTheMeshToItsReach) {
    auto s = imageOf({10, 200, 30, 40, 250, 60}, 16);
    s->BinImage[32].setValue(0x77); // left over from a longer file: no data of this image
    ValueMatrix values;
    HexDivisors d = loadHexWindow(*s, HexWindow{30, 3, 1}, values, 0);
    EXPECT_TRUE(values.at(1, 0) == 0 && values.at(2, 0) == 0);
    EXPECT_FALSE(d.drawable()) << "zero bytes at angle 0 lie on y = 0";
    const HexWindow w{0, 3, 2};
    for (int angle : {0, 30, 75}) {
        d = loadHexWindow(*s, w, values, angle);
        EXPECT_EQ(values.at(1, 1), 250);
        const Projection p(angle);
        double right = 0, top = 0;
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 3; ++c) {
                right = std::max(right, p.x(c, r, values.at(c, r)));
                top = std::min(top, p.y(c, r, values.at(c, r)));
            }
        EXPECT_TRUE(d.xMax == right && d.yMin == top) << angle;
        DrawingSurface surface;
        drawHexPicture(surface, HexMeshInput{&values, w.cols, w.rows, d.xMax, d.yMin}, angle);
        EXPECT_EQ(surface.lineCount(), 3 + 2 * 2 + 3 * 1); // axes, links along rows, links between rows
        const auto& mesh = surface.batches().back();
        ASSERT_EQ(mesh.circles.size(), 6u);
        double meshRight = 0, meshTop = 0;
        for (const PictureCircle& c : mesh.circles) {
            meshRight = std::max(meshRight, c.x);
            meshTop = std::min(meshTop, c.y);
        }
        EXPECT_TRUE(mesh.circles[0].radius == 1 && std::abs(meshRight - kHexMeshReach) < 1e-9 &&
                    std::abs(meshTop + kHexMeshReach) < 1e-9)
            << angle;
    }
}
