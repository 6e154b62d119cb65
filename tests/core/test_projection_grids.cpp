// Grid texts of the table grids and the loading, editing and storing of table values.
#include "core/app_state.h"
#include "core/grid_text.h"
#include "core/table_values.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

const QString kFormat = QStringLiteral("##.##");

struct FieldCase {
    const char* axis;
    int k, width;
    const char* expect;
};

class HeadingFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(HeadingFieldTest, CutsFixedWidthFields) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(headingField(QString::fromLatin1(c.axis), c.k, c.width), QString::fromLatin1(c.expect));
}

INSTANTIATE_TEST_SUITE_P(Fields, HeadingFieldTest,
                         ::testing::Values(FieldCase{"  -40  -20    0", 1, 5, "  -40"},
                                           FieldCase{"  -40  -20    0", 3, 5, "    0"},
                                           FieldCase{"  -40  -20 12", 3, 5, " 12"}, // cut short
                                           FieldCase{"  -40  -20", 3, 5, ""},       // not reached
                                           FieldCase{"  8 16 24", 2, 3, " 16"},
                                           FieldCase{"  8 16 24", 0, 3, ""}));

EcuItem tableItem(int conversion, double factor, double offset) {
    EcuItem item;
    item.Title = QStringLiteral(" Spark advance");
    item.Conversion = static_cast<qint16>(conversion);
    item.Factor = factor;
    item.Offset = offset;
    return item;
}

struct CellCase {
    TableKind kind;
    bool showRaw;
    int conversion;
    double factor, offset, raw;
    const char* expect;
};

class CellTextTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(CellTextTest, FollowsTheModeAndTheConversion) {
    const CellCase& c = GetParam();
    EXPECT_EQ(cellText(tableItem(c.conversion, c.factor, c.offset), c.kind, c.showRaw, c.raw, kFormat),
              QString::fromLatin1(c.expect));
}

INSTANTIATE_TEST_SUITE_P(Rules, CellTextTest,
                         ::testing::Values(
                             // Raw mode: plain decimal whatever the format says.
                             CellCase{TableKind::Array, true, 0, 0.5, 0, 255, "255"},
                             CellCase{TableKind::Map, true, 1, 0, 3, 0, "0"},
                             // Calculated: raw x Factor + Offset, and Factor / raw + Offset.
                             CellCase{TableKind::Array, false, 0, 0.5, 1, 25, "13.5"},
                             CellCase{TableKind::Map, false, 1, 1000, 0, 4, "250."},
                             // An array item with Factor 0 shows its Offset; a map item shows 0 formatted.
                             CellCase{TableKind::Array, false, 0, 0, 7.25, 200, "7.25"},
                             CellCase{TableKind::Map, false, 0, 0, 7.25, 200, "."},
                             // Other conversions give 0 formatted.
                             CellCase{TableKind::Array, false, 2, 3, 5, 9, "."},
                             CellCase{TableKind::Map, false, -1, 3, 5, 9, "."},
                             // Conversion 1 with raw 0 has no value: an empty cell.
                             CellCase{TableKind::Array, false, 1, 100, 0, 0, ""},
                             CellCase{TableKind::Map, false, 1, 100, 0, 0, ""}));

TEST(GridTexts, FirstTableRowIsTheBottomGridRow) {
    EcuItem item = tableItem(0, 1, 0);
    item.YAxis = QStringLiteral("  r0   r1   r2 ");
    item.XAxis = QStringLiteral(" c0 c1");
    ValueMatrix values;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            values.set(c, r, 10 * r + c);
    const auto g = gridTexts(item, TableKind::Map, true, values, 2, 3, kFormat);
    ASSERT_EQ(g.size(), 4u);
    ASSERT_EQ(g[0].size(), 3u);
    EXPECT_EQ(g[0][0], QString());
    EXPECT_EQ(g[0][1], QStringLiteral(" c0"));
    EXPECT_EQ(g[0][2], QStringLiteral(" c1"));
    EXPECT_EQ(g[3][0], QStringLiteral("  r0 "));
    EXPECT_EQ(g[1][0], QStringLiteral("  r2 "));
    EXPECT_EQ(g[3][1], QStringLiteral("0")); // table (0, 0) at the bottom left
    EXPECT_EQ(g[3][2], QStringLiteral("1"));
    EXPECT_EQ(g[1][1], QStringLiteral("20")); // last table row in grid row 1
    EXPECT_EQ(g[1][2], QStringLiteral("21"));
}

TEST(GridTexts, OneRowAndOneColumnTables) {
    EcuItem item = tableItem(0, 1, 0);
    ValueMatrix values;
    for (int i = 0; i < 8; ++i) {
        values.set(i, 0, 100 + i);
        values.set(0, i, 100 + i);
    }
    const auto row = gridTexts(item, TableKind::Array, true, values, 8, 1, kFormat);
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[1][1], QStringLiteral("100"));
    EXPECT_EQ(row[1][8], QStringLiteral("107"));
    const auto column = gridTexts(item, TableKind::Array, true, values, 1, 8, kFormat);
    ASSERT_EQ(column.size(), 9u);
    EXPECT_EQ(column[8][1], QStringLiteral("100")); // first byte at the bottom
    EXPECT_EQ(column[1][1], QStringLiteral("107"));
}

TEST(GridTexts, ValueLabelNamesTheMode) {
    const EcuItem item = tableItem(0, 1, 0);
    EXPECT_EQ(valueLabelText(item, true), QStringLiteral("Raw Values"));
    EXPECT_EQ(valueLabelText(item, false), item.Title);
}

struct StepCase {
    double value;
    int key;
    double expect;
};

class SteppedCellTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(SteppedCellTest, ClampsToAByte) {
    EXPECT_EQ(steppedCell(GetParam().value, GetParam().key), GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(Keys, SteppedCellTest,
                         ::testing::Values(StepCase{0, kKeyCodePlus, 1}, StepCase{128, kKeyCodePlus, 129},
                                           StepCase{255, kKeyCodePlus, 255}, StepCase{0, kKeyCodeMinus, 0},
                                           StepCase{128, kKeyCodeMinus, 127},
                                           StepCase{255, kKeyCodeMinus, 254}, StepCase{128, 107, 128},
                                           StepCase{128, 109, 128}, StepCase{128, 38, 128}));

class TableValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 64; ++i)
            state.BinImage[static_cast<size_t>(i)].setValue(i * 3);
        state.BinSize = 64 + 16;
    }
    AppState state;
};

TEST_F(TableValuesTest, LoadsRowAfterRowAndRaisesDivisors) {
    ValueMatrix values;
    MapDivisors d;
    loadTable(state, TableSpan{8, 4, 3}, values, &d);
    EXPECT_EQ(values.at(0, 0), 24); // byte 8
    EXPECT_EQ(values.at(3, 0), 33); // byte 11
    EXPECT_EQ(values.at(0, 1), 36); // byte 12
    EXPECT_EQ(values.at(3, 2), 57); // byte 19
    EXPECT_EQ(d.xMax, 3);
    EXPECT_EQ(d.yMax, 2);
    EXPECT_EQ(d.zMax, 57);
}

TEST_F(TableValuesTest, SingleRowColumnAndZeroMapsKeepDivisorsAtOne) {
    for (int i = 0; i < 8; ++i)
        state.BinImage[static_cast<size_t>(i)].setValue(0);
    ValueMatrix values;
    MapDivisors d;
    loadTable(state, TableSpan{0, 1, 8}, values, &d);
    EXPECT_EQ(d.xMax, 1);
    EXPECT_EQ(d.yMax, 7);
    EXPECT_EQ(d.zMax, 1);
}

TEST_F(TableValuesTest, StoreRecordsEveryCellEvenUnchanged) {
    ValueMatrix values;
    loadTable(state, TableSpan{4, 2, 2}, values);
    values.set(1, 1, 200);
    storeTable(state, TableSpan{4, 2, 2}, values);
    EXPECT_EQ(state.byteAt(7), 200);
    for (int i : {4, 5, 6, 7})
        EXPECT_FALSE(state.PendingChanges[static_cast<size_t>(i)].isEmpty()) << i;
    EXPECT_TRUE(state.PendingChanges[3].isEmpty());
    EXPECT_TRUE(state.PendingChanges[8].isEmpty());
}

TEST_F(TableValuesTest, StoreReadsBackAndOnlyRaisesDivisors) {
    ValueMatrix values;
    MapDivisors d{5, 5, 250};
    values.set(0, 0, 7);
    values.set(1, 0, 251);
    storeTable(state, TableSpan{0, 2, 1}, values, &d);
    EXPECT_EQ(d.xMax, 5);
    EXPECT_EQ(d.yMax, 5);
    EXPECT_EQ(d.zMax, 251);
    values.set(1, 0, 3);
    storeTable(state, TableSpan{0, 2, 1}, values, &d);
    EXPECT_EQ(d.zMax, 251);
}

TEST_F(TableValuesTest, NothingOutsideTheImageOrMatrixIsTouched) {
    ValueMatrix values;
    values.set(0, 0, 9);
    values.set(1, 0, 9);
    // A table whose second byte lies past the last image cell.
    storeTable(state, TableSpan{kImageCells - 1, 2, 1}, values);
    EXPECT_EQ(state.byteAt(kImageCells - 1), 9);
    loadTable(state, TableSpan{kImageCells - 1, 2, 1}, values);
    EXPECT_EQ(values.at(1, 0), 0);
    // Counts past the matrix are clamped rather than indexed.
    MapDivisors d;
    loadTable(state, TableSpan{0, 600, 1}, values, &d);
    EXPECT_EQ(d.xMax, ValueMatrix::kSize - 1);
}

} // namespace
} // namespace korvel
