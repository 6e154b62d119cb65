// Equations, conversions both ways, and elements of any width and order in the image.
#include "core/cal_item.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvel;

namespace {

Conversion conv(const char* text) {
    return Conversion(*Equation::parse(QString::fromLatin1(text)).first, {});
}

ImageBytes imageOf(std::vector<int> bytes) {
    return [bytes](qint64 a) { return a >= 0 && a < qint64(bytes.size()) ? bytes[size_t(a)] : -1; };
}

} // namespace

TEST(Equation, EvaluatesWhatDefinitionsWrite) {
    const double y = 4;
    // clang-format off
    const std::tuple<const char*, double, double> cases[] = {
        {"X", 7, 7}, {"X*.25", 8, 2}, {"0x1F + X", 1, 32}, {"-X+5", 2, 3}, {"(X-40)*0.75", 100, 45},
        {"2+3*X", 4, 14}, {"10-4-X", 3, 3}, {"X % 7", 10, 3}, {"X | 0x0F", 0x30, 0x3F}, {"X & 0x0F", 0x3F, 15},
        {"X ^ 0xFF", 0x0F, 0xF0}, {"POW(X;2)", 3, 9}, {"IF(X>100;1;0)", 150, 1}, {"IF(X>=100;X-100;0)", 50, 0},
        {"ABS(X-10)", 3, 7}, {"ROW()*10+COL()", 0, 23}, {"x*2", 4, 8}, {"X*\r\n 2", 4, 8}, {"(null)*2", 4, 8},
        {"X/y", 8, 2}, {"1e-3*X", 1000, 1}, {"X == 4", 4, 1}, {"X <> 4", 4, 0}, {"-(-X)", 5, 5}, {"X/0", 1, INFINITY},
        {"X >= 4", 4, 1}, {"X <= 4", 4, 1}, {"X < 4", 4, 0}, {"X > 4", 4, 0}};
    // clang-format on
    for (const auto& [text, x, expected] : cases) {
        const auto [eq, error] = Equation::parse(QString::fromLatin1(text));
        ASSERT_TRUE(eq) << text << " " << error.text().toStdString();
        EXPECT_EQ(eq->evaluate({x, 2, 3, std::span(&y, 1)}), expected) << text;
    }
}

TEST(Equation, RefusesWithThePosition) {
    const std::tuple<QString, int, const char*> cases[] = {
        {"", 0, "empty"},
        {"X*", 2, "ends too early"},
        {"2 * FOO(X)", 4, "unknown function FOO"},
        {"POW(X,2)", 5, "\";\" expected"},
        {"(X+1", 4, "\")\" expected"},
        {"X 2", 2, "unexpected \"2\""},
        {"X*#", 2, "unexpected \"#\""},
        {QString(100, u'(') + "X" + QString(100, u')'), 64, "nested too deeply"},
        {QString(100, u'-') + "X", 65, "nested too deeply"},
    };
    for (const auto& [text, position, message] : cases) {
        const auto [eq, error] = Equation::parse(text);
        EXPECT_FALSE(eq) << text.toStdString();
        EXPECT_EQ(error.position, position) << text.toStdString();
        EXPECT_TRUE(error.message.contains(QLatin1String(message))) << error.text().toStdString();
    }
    EXPECT_EQ(Equation::parse("X*").second.text(),
              "equation error at character 3: the equation ends too early");
}

TEST(Conversion, LinearFormIsFoundOnlyWhereTheEquationIsAffine) {
    using Line = std::optional<std::pair<double, double>>;
    const std::tuple<const char*, Line> cases[] = {{"X*0.5+3", std::pair(0.5, 3.0)},
                                                   {"(X-40)*0.75", std::pair(0.75, -30.0)},
                                                   {"X/Y", std::pair(0.25, 0.0)},
                                                   {"X*ROW()", std::pair(2.0, 0.0)},
                                                   {"POW(X;2)", std::nullopt},
                                                   {"1000/X", std::nullopt},
                                                   {"IF(X>1;X;0)", std::nullopt},
                                                   {"X*X", std::nullopt},
                                                   {"X&3", std::nullopt}};
    for (const auto& [text, line] : cases) {
        auto eq = *Equation::parse(QString::fromLatin1(text)).first;
        const Conversion c(eq, {{"Y", VariableBinding::Kind::Link, "0x1", 0, {}}});
        EXPECT_EQ(c.linear({2, 0, {4}}), line) << text;
    }
}

TEST(Conversion, FindsTheNearestRawValueOrRefusesWithTheReachableRange) {
    const ElementLayout u8, s16lsb{2, true, ByteOrder::LsbFirst}, u16{2}, u32{4};
    // clang-format off
    const std::tuple<const char*, ElementLayout, int, double, std::optional<double>, const char*> cases[] = {
        {"X*0.5-40", u8, 1, 20, 120, ""}, {"X*0.5-40", u8, 1, 20.2, 120, ""}, {"X*0.5-40", u8, 1, 87.54, 255, ""},
        {"X*0.5-40", u8, 1, 100, std::nullopt, "No raw value gives 100.0; the reachable range is -40.0 to 87.5."},
        {"X*0.01", s16lsb, 2, -3.27, -327, ""}, {"X*12.5", u8, 0, 830, 66, ""}, {"1000/X", u8, 0, 250, 4, ""},
        {"1000/X", u8, 2, 3.92, 255, ""}, {"1000/X", u8, 0, 2000, std::nullopt, "reachable range is 4 to 1000."},
        {"POW(X;2)/1000", u16, 0, 1000, 1000, ""}, {"POW(X;0.5)", u32, 3, 1000, 1000000, ""},
        {"POW(X;0.5)", u32, 0, -5, std::nullopt, "reachable range is 0 to 65536."},
        {"IF(X>4000000000;0;X/1000)", u32, 1, 1048.6, 1048600, ""}};
    // clang-format on
    for (const auto& [text, layout, decimals, shown, raw, refusal] : cases) {
        const RawForShown r = conv(text).toRaw(shown, layout, decimals);
        EXPECT_EQ(r.raw, raw) << text << " " << shown << " " << r.refusal.toStdString();
        EXPECT_TRUE(r.refusal.contains(QLatin1String(refusal))) << r.refusal.toStdString();
    }
    // Beyond 2^53 not every raw value is a double: the search still ends, near the value.
    const auto far = conv("POW(X;0.5)").toRaw(4e9, ElementLayout{8}, 0).raw;
    ASSERT_TRUE(far);
    EXPECT_NEAR(*far, 1.6e19, 1.6e19 * 1e-9);
}

TEST(Conversion, EcuConversionsThroughTheSameInterface) {
    EXPECT_EQ(Conversion::ecu(0, 0.5, -40).toShown(200), 60);
    EXPECT_EQ(Conversion::ecu(1, 1000, 2).toShown(4), 252);
    EXPECT_EQ(Conversion::ecu(1, 1000, 2).toShown(0), std::nullopt);
    EXPECT_EQ(Conversion::ecu(2, 3, 5).toShown(4), 0);
    EXPECT_EQ(Conversion::ecu(0, 0.1, 0).toRaw(6553.5, ElementLayout{2}, 1).raw, 65535);
}

TEST(Elements, ReadStoreAndStepInAnyWidthAndOrder) {
    const std::tuple<std::vector<int>, ElementLayout, const char*> cases[] = {
        {{0xFF, 0xFE}, {2, true, ByteOrder::MsbFirst}, "-2"},
        {{0xFE, 0xFF}, {2, true, ByteOrder::LsbFirst}, "-2"},
        {{0x01, 0xF4}, {2, false, ByteOrder::MsbFirst}, "500"},
        {{0x78, 0x56, 0x34, 0x12}, {4, false, ByteOrder::LsbFirst}, "305419896"},
        {{0x80, 0, 0, 0}, {4, true, ByteOrder::MsbFirst}, "-2147483648"},
        {std::vector<int>(8, 0xFF), {8, false, ByteOrder::MsbFirst}, "18446744073709551615"},
    };
    for (const auto& [bytes, layout, text] : cases) {
        const auto bits = readElement(imageOf(bytes), 0, layout);
        ASSERT_TRUE(bits) << text;
        EXPECT_EQ(rawText(*bits, layout), QLatin1String(text));
        EXPECT_EQ(rawNumber(*bits, layout), QString::fromLatin1(text).toDouble());
        const auto stored = elementBytes(*bits, layout);
        EXPECT_EQ(std::vector<int>(stored.begin(), stored.end()), bytes) << text;
        EXPECT_EQ(rawBits(rawNumber(*bits, layout), layout), bits);
    }
    EXPECT_FALSE(readElement(imageOf({1}), 0, ElementLayout{2}));
    EXPECT_FALSE(readElement(imageOf({1, 2}), -1, ElementLayout{1}));
    const ElementLayout s8{1, true}, u8{1};
    EXPECT_EQ(stepRaw(0xFF, 1, u8), std::nullopt);
    EXPECT_EQ(stepRaw(0x7F, 1, s8), std::nullopt);
    EXPECT_EQ(stepRaw(0x80, -1, s8), std::nullopt);
    EXPECT_EQ(stepRaw(0xFF, 1, s8), 0u);
    EXPECT_EQ(stepRaw(0, -1, u8), std::nullopt);
    EXPECT_EQ(rawBits(-1, s8), 0xFFu);
    EXPECT_EQ(rawBits(128, s8), std::nullopt);
    EXPECT_EQ(rawBits(1.5, u8), std::nullopt);
}

TEST(Elements, CellsInRowMajorOrderWhateverTheStorageAndTheChecksumSum) {
    CalItem t;
    std::tie(t.kind, t.rows, t.columns, t.address, t.layout) =
        std::tuple(CalItem::Kind::Table, 2, 3, 1, ElementLayout{2, false, ByteOrder::LsbFirst});
    const auto image = imageOf({9, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0});
    EXPECT_EQ(t.readCells(image), (std::vector<quint64>{1, 2, 3, 4, 5, 6}));
    t.storage = StorageOrder::ColumnMajor; // column 0 = elements 0, 1
    EXPECT_EQ(t.readCells(image), (std::vector<quint64>{1, 3, 5, 2, 4, 6}));
    EXPECT_EQ(t.cellAddress(1, 2), 1 + 5 * 2);
    t.address = 2;
    EXPECT_FALSE(t.readCells(image));

    ChecksumRegion r{"sum", 1, 12, 0, 8, 0, {}, {}};
    EXPECT_EQ(checksumOf(r, image), 21u);
    r.start = 0, r.sizeBits = 16;
    EXPECT_EQ(checksumOf(r, image), 30u);
    EXPECT_EQ(checksumBytes(r, 0x1234), (std::vector<quint8>{0x12, 0x34}));
    r.end = 13;
    EXPECT_FALSE(checksumOf(r, image));
    r.end = 12, r.unsupportedReason = kChecksumNotSupported;
    EXPECT_FALSE(checksumOf(r, image));
}
