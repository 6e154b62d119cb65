#include "core/app_state.h"
#include "core/byte_window.h"
#include "core/values.h"
#include "core/view_graph.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvel;

namespace {

AppState imageWith(int start, const std::vector<int>& bytes) {
    AppState state;
    state.BinSize = 32784;
    for (size_t i = 0; i < bytes.size(); ++i)
        StoreByte(state, start + static_cast<int>(i), bytes[i]);
    return state;
}

TEST(ViewGraph, ARunOf140BytesSpansTheFrame) {
    std::vector<int> bytes;
    for (int i = 0; i < 140; ++i)
        bytes.push_back(128 + static_cast<int>(100 * std::sin(i / 12.0)));
    const AppState state = imageWith(0x35, bytes);
    ValueMatrix values;
    const ViewDivisors d = loadViewRun(state, 0x35, 140, kViewAngle, values);
    ASSERT_TRUE(d.drawable());
    EXPECT_NEAR(d.xMax, 139 * 0.8660178, 1e-3);
    DrawingSurface surface;
    drawViewLine(surface, values, 140, d);
    EXPECT_EQ(surface.circleCount(), 140);
    EXPECT_EQ(surface.lineCount(), 10 + 139) << "ten frame lines and one link per column after the first";
    const auto& data = surface.batches().back();
    EXPECT_EQ(data.lineWidth, 1);
    EXPECT_DOUBLE_EQ(data.circles.front().x, 0);
    EXPECT_NEAR(data.circles.back().x, 125 / 0.8660178, 0.05);
    EXPECT_NEAR(data.circles.back().x, 144.3, 0.05);
    EXPECT_DOUBLE_EQ(data.circles.front().radius, 0.25);
    // Heights: value / yMin * 125, so larger bytes sit higher (more negative y).
    EXPECT_NEAR(data.circles[0].y, bytes[0] / d.yMin * 125, 1e-9);
    EXPECT_LT(data.circles[18].y, data.circles[0].y);
}

TEST(ViewGraph, ARunOfZeroBytesDrawsNothing) {
    const AppState state = imageWith(0x100, std::vector<int>(50, 0));
    ValueMatrix values;
    const ViewDivisors d = loadViewRun(state, 0x100, 50, kViewAngle, values);
    EXPECT_FALSE(d.drawable());
    DrawingSurface surface;
    surface.line(1, 2, 3, 4); // what the picture showed before
    drawViewLine(surface, values, 50, d);
    EXPECT_EQ(surface.lineCount(), 1) << "the picture is left as it was";
}

TEST(ByteWindow, StepsAndCorrections) {
    struct Start {
        const char* text;
        int v;
        std::optional<quint64> expected;
    };
    const Start starts[] = {{"0", 1, 0},     {"FF", -1, 0x100},       {"1F4", -1, 0x1F5},   {"35", 0, 0x35},
                            {"35", 1, 0x34}, {"zz", 0, std::nullopt}, {"", 0, std::nullopt}};
    for (const Start& s : starts)
        EXPECT_EQ(steppedStart(QLatin1String(s.text), s.v), s.expected) << s.text;

    struct Count {
        const char* text;
        int v, least, most;
        std::optional<int> expected;
    };
    const Count counts[] = {{"2", 1, 2, 500, 2},
                            {"500", -1, 2, 500, 500},
                            {"140", 1, 2, 500, 139},
                            {"1", 1, 1, 500, 1},
                            {"501", 0, 2, 500, 500},
                            {"502", 0, 2, 500, std::nullopt},
                            {"abc", 0, 2, 500, std::nullopt},
                            {"0", 0, 2, 500, std::nullopt},
                            {" 7 ", 0, 1, 500, 7}};
    for (const Count& c : counts)
        EXPECT_EQ(steppedCount(QLatin1String(c.text), c.v, c.least, c.most), c.expected)
            << c.text << " " << c.v;

    EXPECT_TRUE(windowFits(0, 16, 16));
    EXPECT_FALSE(windowFits(1, 16, 16));
    EXPECT_FALSE(windowFits(~quint64{0}, 2, 16));
}

} // namespace
