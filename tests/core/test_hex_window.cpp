#include "core/app_state.h"
#include "core/hex_mesh.h"
#include "core/hex_window.h"

#include <gtest/gtest.h>

#include <memory>

using namespace korvel;

namespace {

// A file of `length` bytes (a multiple of 16) read as ReadBinFile does: BinSize = length + 16.
std::unique_ptr<AppState> imageOf(const std::vector<int>& bytes, int length) {
    auto state = std::make_unique<AppState>();
    for (int i = 0; i < length + 16; ++i) {
        BinCell& cell = state->BinImage[static_cast<size_t>(i)];
        cell.setAddress(i);
        cell.setValue(i < static_cast<int>(bytes.size()) ? bytes[static_cast<size_t>(i)] : 0);
    }
    state->BinSize = length + 16;
    return state;
}

TEST(HexWindowSteps, RefusesWindowsOutsideTheImageOrTheCounts) {
    const int binSize = 0x8010; // a 32 KiB file: cells 0..800F are filled
    struct Case {
        const char* start;
        const char* cols;
        const char* rows;
        HexBox box;
        const char* typed;
        int v;
        const char* result; // the box's text in force afterwards; nullptr: refused
    };
    const Case cases[] = {
        // A typed start only has to lie inside the image...
        {"35", "140", "1", HexBox::Start, "7FFF", 0, "7FFF"},
        {"35", "140", "1", HexBox::Start, "800F", 0, "800F"},
        {"35", "140", "1", HexBox::Start, "8010", 0, nullptr},
        {"35", "140", "1", HexBox::Start, "G", 0, nullptr},
        {"35", "140", "1", HexBox::Start, "-1", 0, nullptr},
        {"35", "140", "1", HexBox::Start, "ff", 0, "FF"},
        // Steps: a start of 0 stays 0, FF goes up to 100.
        {"0", "140", "1", HexBox::Start, "0", +1, "0"},
        {"1", "140", "1", HexBox::Start, "1", +1, "0"},
        {"FF", "140", "1", HexBox::Start, "FF", -1, "100"},
        // A step must keep the whole window inside: 7F84 + 140 - 1 = 800F.
        {"7F83", "140", "1", HexBox::Start, "7F83", -1, "7F84"},
        {"7F84", "140", "1", HexBox::Start, "7F84", -1, nullptr},
        {"7F84", "140", "1", HexBox::Cols, "140", -1, nullptr},
        {"7F84", "140", "1", HexBox::Cols, "140", +1, "139"},
        {"7F84", "140", "1", HexBox::Rows, "1", -1, nullptr},
        // Counts keep to 2..500 and 1..500 and the window to the image.
        {"0", "140", "1", HexBox::Cols, "600", 0, nullptr},
        {"0", "140", "1", HexBox::Cols, "501", 0, "500"},
        {"0", "140", "1", HexBox::Cols, "0", 0, nullptr},
        {"0", "140", "1", HexBox::Cols, "-5", 0, nullptr},
        {"0", "140", "1", HexBox::Cols, "1", 0, "2"},
        {"0", "140", "1", HexBox::Cols, "1e3", 0, nullptr},
        {"0", "2", "1", HexBox::Cols, "2", +1, "2"},
        {"0", "500", "1", HexBox::Cols, "500", -1, "500"},
        {"0", "500", "1", HexBox::Rows, "65", 0, "65"},    // 32500 bytes
        {"0", "500", "1", HexBox::Rows, "66", 0, nullptr}, // 33000 bytes
        {"0", "500", "1", HexBox::Rows, "501", 0, nullptr},
        {"0", "2", "1", HexBox::Rows, "501", 0, "500"},
        {"0", "2", "1", HexBox::Rows, "0", 0, "1"},
        {"0", "2", "1", HexBox::Rows, "x", 0, nullptr},
    };
    for (const Case& c : cases) {
        const HexWindowTexts accepted{QLatin1String(c.start), QLatin1String(c.cols), QLatin1String(c.rows)};
        const auto next = hexBoxChange(accepted, c.box, QLatin1String(c.typed), c.v, binSize);
        const std::string where = std::string(c.start) + "/" + c.cols + "/" + c.rows + " box " +
                                  std::to_string(int(c.box)) + " '" + c.typed + "' v=" + std::to_string(c.v);
        if (!c.result) {
            EXPECT_FALSE(next) << where;
            continue;
        }
        ASSERT_TRUE(next) << where;
        const QString& got = c.box == HexBox::Start  ? next->start
                             : c.box == HexBox::Cols ? next->cols
                                                     : next->rows;
        EXPECT_EQ(got, QLatin1String(c.result)) << where;
        // The other two boxes keep their texts.
        if (c.box != HexBox::Start) {
            EXPECT_EQ(next->start, accepted.start) << where;
        }
        if (c.box != HexBox::Rows) {
            EXPECT_EQ(next->rows, accepted.rows) << where;
        }
    }
}

TEST(HexWindowLoad, DivisorsAreTheExtremesOfTheProjectedPoints) {
    auto s = imageOf({0, 100, 50, 0}, 16);
    ValueMatrix values;
    // Angle 0: x is the column, y is -(row + byte).
    HexDivisors d = loadHexWindow(*s, HexWindow{0, 2, 1}, values, 0);
    EXPECT_DOUBLE_EQ(d.xMax, 1);
    EXPECT_DOUBLE_EQ(d.yMin, -100);
    EXPECT_EQ(values.at(1, 0), 100);
    // Two rows of two from byte 1: rows (100, 50) and (0, 0).
    d = loadHexWindow(*s, HexWindow{1, 2, 2}, values, 0);
    EXPECT_DOUBLE_EQ(d.xMax, 1);
    EXPECT_DOUBLE_EQ(d.yMin, -100);
    EXPECT_EQ(values.at(0, 1), 0);
    // At 30 degrees the point (1, 0, 100) is the furthest right and the highest.
    const Projection p(30);
    d = loadHexWindow(*s, HexWindow{0, 2, 1}, values, 30);
    EXPECT_DOUBLE_EQ(d.xMax, p.x(1, 0, 100));
    EXPECT_DOUBLE_EQ(d.yMin, p.y(1, 0, 100));
    EXPECT_TRUE(d.drawable());
    // One row of zero bytes at angle 0 lies on y = 0: nothing to scale by.
    EXPECT_FALSE(loadHexWindow(*s, HexWindow{3, 2, 1}, values, 0).drawable());
}

TEST(HexWindowLoad, CellsPastTheImageLoadAsZero) {
    auto s = imageOf(std::vector<int>(32, 9), 32); // BinSize 48
    s->BinImage[48].setValue(0x77);                // left over from a longer file
    ValueMatrix values;
    loadHexWindow(*s, HexWindow{46, 4, 1}, values, 0);
    EXPECT_EQ(values.at(0, 0), 0); // cells 32..47 are the trailing block
    EXPECT_EQ(values.at(2, 0), 0); // cell 48 holds no data of this image
    EXPECT_EQ(values.at(3, 0), 0);
}

TEST(HexMesh, ThePictureSpansTheReachWhateverTheBytes) {
    auto s = imageOf({10, 200, 30, 40, 250, 60}, 16);
    ValueMatrix values;
    const HexWindow w{0, 3, 2};
    for (int angle : {0, 30, 75}) {
        const HexDivisors d = loadHexWindow(*s, w, values, angle);
        ASSERT_TRUE(d.drawable());
        DrawingSurface surface;
        drawHexPicture(surface, HexMeshInput{&values, w.cols, w.rows, d.xMax, d.yMin}, angle);
        EXPECT_EQ(surface.circleCount(), 6);
        EXPECT_EQ(surface.lineCount(), 3 + 2 * 2 + 3 * 1); // axes, links along rows, links between rows
        double right = 0, top = 0;
        for (const auto& b : surface.batches()) {
            if (b.lineWidth != 1) continue;
            for (const PictureCircle& c : b.circles) {
                EXPECT_DOUBLE_EQ(c.radius, 1);
                right = std::max(right, c.x);
                top = std::min(top, c.y);
            }
        }
        EXPECT_NEAR(right, kHexMeshReach, 1e-9) << angle;
        EXPECT_NEAR(top, -kHexMeshReach, 1e-9) << angle;
    }
}

} // namespace
