// The oblique projection, the map surface's drawing commands and the view steps.
#include "core/map_surface.h"
#include "core/projection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace korvel {
namespace {

struct ProjectionCase {
    int angle;
    double x, y, z;
    double expectX, expectY;
};

class ProjectionTest : public ::testing::TestWithParam<ProjectionCase> {};

TEST_P(ProjectionTest, ProjectsPoint) {
    const ProjectionCase& c = GetParam();
    EXPECT_NEAR(X_Bar(c.angle, c.x, c.y, c.z), c.expectX, 1e-4);
    EXPECT_NEAR(Y_Bar(c.angle, c.x, c.y, c.z), c.expectY, 1e-4);
}

// At 0 the view is a plain side view; at 30 the constant 0.0174538 gives cos 0.8660178
// and sin 0.5000132; at 90 cos a is not exactly 0.
INSTANTIATE_TEST_SUITE_P(Angles, ProjectionTest,
                         ::testing::Values(ProjectionCase{0, 100, 0, 0, 100, 0},
                                           ProjectionCase{0, 0, 100, 0, 0, -100},
                                           ProjectionCase{0, 0, 0, 100, 0, -100},
                                           ProjectionCase{0, 7, 3, 5, 7, -8},
                                           ProjectionCase{30, 100, 0, 0, 86.60178, 50.00132},
                                           ProjectionCase{30, 0, 100, 0, 50.00132, -86.60178},
                                           ProjectionCase{30, 0, 0, 100, 0, -86.60178},
                                           ProjectionCase{90, 100, 0, 0, -0.00457, 100.0},
                                           ProjectionCase{90, 0, 100, 0, 100.0, 0.00457},
                                           ProjectionCase{90, 0, 0, 100, 0, 0.00457},
                                           ProjectionCase{360, 100, 0, 0, 100.0, 0.018269}));

TEST(Projection, UnscaledHeightVariantKeepsZWhole) {
    const Projection scaled(30), flat(30, HeightScale::Unscaled);
    EXPECT_DOUBLE_EQ(flat.x(3, 4, 5), scaled.x(3, 4, 5));
    EXPECT_NEAR(flat.y(10, 0, 7), 0.5000132 * 10 - 7, 1e-6);
    EXPECT_NEAR(scaled.y(10, 0, 7), 0.5000132 * 10 - 0.8660178 * 7, 1e-6);
}

TEST(MapSurface, AxesFirstTwoPixelsWideThenMeshOnePixel) {
    ValueMatrix values;
    DrawingSurface s;
    drawMapSurface(s, MapSurfaceInput{&values, 0, 0, 0, 0, 1, 30});
    ASSERT_EQ(s.batches().size(), 1u);
    const auto& axes = s.batches()[0];
    EXPECT_EQ(axes.lineWidth, 2);
    ASSERT_EQ(axes.lines.size(), 3u);
    EXPECT_TRUE(axes.circles.empty());
    const QPointF ends[] = {{86.60178, 50.00132}, {50.00132, -86.60178}, {0, -86.60178}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(axes.lines[i].p1(), QPointF(0, 0));
        EXPECT_NEAR(axes.lines[i].p2().x(), ends[i].x(), 1e-4);
        EXPECT_NEAR(axes.lines[i].p2().y(), ends[i].y(), 1e-4);
    }
}

struct MeshCase {
    int cols, rows;
    int circles, meshLines;
};

class MapMeshTest : public ::testing::TestWithParam<MeshCase> {};

TEST_P(MapMeshTest, EveryPointGetsACircleAndLinksBack) {
    const MeshCase& c = GetParam();
    ValueMatrix values;
    for (int r = 0; r < c.rows; ++r)
        for (int col = 0; col < c.cols; ++col)
            values.set(col, r, (r * 7 + col * 13) % 256);
    DrawingSurface s;
    const double xMax = std::max(1, c.cols - 1), yMax = std::max(1, c.rows - 1);
    drawMapSurface(s, MapSurfaceInput{&values, c.cols, c.rows, xMax, yMax, 255, 30});
    EXPECT_EQ(s.circleCount(), c.circles);
    EXPECT_EQ(s.lineCount(), 3 + c.meshLines);
    for (const auto& b : s.batches()) {
        if (!b.circles.empty()) {
            EXPECT_EQ(b.lineWidth, 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, MapMeshTest,
                         ::testing::Values(MeshCase{1, 1, 1, 0}, MeshCase{5, 1, 5, 4}, MeshCase{1, 4, 4, 3},
                                           MeshCase{3, 2, 6, 7}, MeshCase{16, 16, 256, 480}));

TEST(MapSurface, MeshPointIsScaledByTheDivisors) {
    // Cell (2, 1) of a 3 x 2 map holding 40 with zMax 80: model point (100, 100, 40).
    ValueMatrix values;
    values.set(2, 1, 40);
    DrawingSurface s;
    drawMapSurface(s, MapSurfaceInput{&values, 3, 2, 2, 1, 80, 0});
    const auto& mesh = s.batches().back();
    ASSERT_EQ(mesh.circles.size(), 6u);
    const PictureCircle& last = mesh.circles.back();
    EXPECT_NEAR(last.x, 100, 1e-9);         // X_Bar at 0 is x
    EXPECT_NEAR(last.y, -(100 + 40), 1e-9); // Y_Bar at 0 is -(y + z)
    EXPECT_DOUBLE_EQ(last.radius, 1);
}

TEST(MapSurface, OneRowMapIsAPolylineAlongX) {
    ValueMatrix values;
    for (int c = 0; c < 4; ++c)
        values.set(c, 0, c * 10);
    DrawingSurface s;
    drawMapSurface(s, MapSurfaceInput{&values, 4, 1, 3, 1, 30, 0});
    const auto& mesh = s.batches().back();
    ASSERT_EQ(mesh.lines.size(), 3u);
    for (int c = 1; c < 4; ++c) {
        const QLineF& l = mesh.lines[static_cast<size_t>(c - 1)];
        EXPECT_NEAR(l.p1().x(), c / 3.0 * 100, 1e-9);
        EXPECT_NEAR(l.p2().x(), (c - 1) / 3.0 * 100, 1e-9);
        EXPECT_NEAR(l.p1().y(), -(c * 10) / 30.0 * 80, 1e-9); // model y is 0
    }
}

TEST(MapSurface, DivisorsBelowOneDrawFiniteMesh) {
    ValueMatrix values;
    values.set(1, 1, 9);
    DrawingSurface s;
    drawMapSurface(s, MapSurfaceInput{&values, 2, 2, 0, 0, 0, 30});
    for (const auto& b : s.batches())
        for (const PictureCircle& c : b.circles)
            EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
}

struct RotationCase {
    qint16 angle;
    int v;
    qint16 expect;
};

class RotationTest : public ::testing::TestWithParam<RotationCase> {};

TEST_P(RotationTest, StepsAndWraps) {
    EXPECT_EQ(rotatedAngle(GetParam().angle, GetParam().v), GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(Steps, RotationTest,
                         ::testing::Values(RotationCase{0, 1, 360}, RotationCase{360, 1, 359},
                                           RotationCase{360, -1, 0}, RotationCase{30, -1, 31},
                                           RotationCase{30, 1, 29}, RotationCase{45, 0, 45}));

TEST(ViewSteps, ThreeZoomOutStepsFromTheReset) {
    PictureWindow w = kMapWindowReset;
    for (int i = 0; i < 3; ++i) {
        const auto next = zoomed(w, 1);
        ASSERT_TRUE(next.has_value());
        w = *next;
    }
    EXPECT_EQ(w.width, 205.0f);
    EXPECT_EQ(w.height, 205.0f);
    EXPECT_EQ(w.left, -54.0f);
    EXPECT_EQ(w.top, -150.625f);
    EXPECT_EQ(w.left + w.width, kMapWindowReset.left + kMapWindowReset.width); // right edge stays
}

TEST(ViewSteps, ZoomInToNothingIsRefused) {
    PictureWindow w = kMapWindowReset;
    int taken = 0;
    while (const auto next = zoomed(w, -1)) {
        w = *next;
        ++taken;
        ASSERT_LT(taken, 1000);
    }
    EXPECT_EQ(taken, 201);
    EXPECT_EQ(w.width, 1.0f);
    EXPECT_EQ(w.height, 1.0f);
}

TEST(ViewSteps, PanMovesOneUnitAgainstTheStep) {
    const PictureWindow h = pannedHorizontally(kMapWindowReset, 1);
    EXPECT_EQ(h.left, -52.0f);
    EXPECT_EQ(h.top, kMapWindowReset.top);
    const PictureWindow v = pannedVertically(kMapWindowReset, -1);
    EXPECT_EQ(v.top, -150.0f);
    EXPECT_EQ(v.left, kMapWindowReset.left);
}

TEST(DrawingSurface, ClearKeepsLineWidthAndBatchesByWidth) {
    DrawingSurface s;
    s.setLineWidth(2);
    s.line(0, 0, 1, 1);
    s.setLineWidth(1);
    s.circle(0, 0, 1);
    s.setLineWidth(2);
    s.line(1, 1, 2, 2);
    EXPECT_EQ(s.batches().size(), 2u);
    EXPECT_EQ(s.batches()[0].lines.size(), 2u);
    const quint64 before = s.revision();
    s.clear();
    EXPECT_GT(s.revision(), before);
    EXPECT_EQ(s.lineCount(), 0);
    EXPECT_EQ(s.lineWidth(), 2);
}

} // namespace
} // namespace korvel
