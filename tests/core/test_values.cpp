#include "core/app_state.h"
#include "core/values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace korvel;

namespace {

TEST(ParseHex, AcceptsHexDigitsOfEitherCaseAndSurroundingSpaces) {
    const std::pair<const char*, quint64> good[] = {{"ff", 255},
                                                    {"FFFF", 65535},
                                                    {"8000", 32768},
                                                    {" 1A2F", 0x1A2F},
                                                    {"0", 0},
                                                    {"00FF", 255},
                                                    {"FFFFFFFFFFFFFFFF", ~quint64{0}},
                                                    {"  7e  ", 0x7E}};
    for (const auto& [text, value] : good) {
        const auto v = ParseHex(QString::fromLatin1(text));
        ASSERT_TRUE(v.has_value()) << text;
        EXPECT_EQ(*v, value) << text;
    }
    for (const char* bad : {"", "   ", "0x10", "1 2", "G1", "-1", "12h", "10000000000000000"})
        EXPECT_FALSE(ParseHex(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(FormatCalculated, DefaultPattern) {
    const std::pair<double, const char*> cases[] = {
        {12.5, "12.5"},         {1234.567, "1234.57"}, {0.5, ".5"},   {7, "7."},    {0, "."},
        {-3.25, "-3.25"},       {6553.5, "6553.5"},    {250, "250."}, {0.004, "."}, {-0.004, "."},
        {99999999, "99999999."}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatCalculated(value, QStringLiteral("##.##")), QLatin1String(text)) << value;
}

TEST(FormatCalculated, OtherPatterns) {
    struct Case {
        const char* pattern;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {"0.00", 0.5, "0.50"},
        {"0.00", 12, "12.00"},
        {"#.0#", 1.5, "1.5"},
        {"#.0#", 1, "1.0"},
        {"##", 12.7, "13"},
        {"000", 7, "007"},
        {"#0.#", 0.04, "0."},
        {"0.", 3.6, "4."},
        {"#.###", 2.0005, "2.001"},
        {"$#.##", -2.5, "-$2.5"},
        {"#.## kPa", 101.325, "101.33 kPa"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatCalculated(c.value, QLatin1String(c.pattern)), QLatin1String(c.text))
            << c.pattern << " " << c.value;
}

TEST(FormatCalculated, NoValueGivesAnEmptyText) {
    EXPECT_EQ(FormatCalculated(std::numeric_limits<double>::infinity(), QStringLiteral("##.##")), QString());
    EXPECT_EQ(FormatCalculated(std::nan(""), QStringLiteral("##.##")), QString());
    EXPECT_EQ(FormatCalculated(std::optional<double>(), QStringLiteral("##.##")), QString());
}

TEST(CalculatedValue, ByConversion) {
    EcuItem item;
    item.Factor = 0.1;
    item.Offset = 0;
    EXPECT_DOUBLE_EQ(*CalculatedValue(item, 65535), 6553.5);
    item.Conversion = 1;
    item.Factor = 1000;
    EXPECT_DOUBLE_EQ(*CalculatedValue(item, 4), 250);
    EXPECT_FALSE(CalculatedValue(item, 0).has_value()) << "no division by zero";
    item.Conversion = 2;
    EXPECT_DOUBLE_EQ(*CalculatedValue(item, 4), 0);
    item.Conversion = 0;
    item.Factor = 0;
    item.Offset = -40;
    EXPECT_DOUBLE_EQ(*CalculatedValue(item, 200), -40);
}

TEST(StoreByte, WritesTwoDigitsAndRecordsThePendingChange) {
    AppState state;
    StoreByte(state, 0x10, 10);
    EXPECT_EQ(state.BinImage[0x10].valueText(), QStringLiteral("0A"));
    EXPECT_EQ(state.PendingChanges[0x10].valueText(), QStringLiteral("0A"));
    EXPECT_EQ(state.PendingChanges[0x10].addressText(), state.BinImage[0x10].addressText());
    EXPECT_TRUE(state.PendingChanges[0x11].isEmpty());
    StoreByte(state, -1, 1);
    StoreByte(state, kImageCells, 1); // outside the image: ignored, nothing written anywhere
    EXPECT_TRUE(state.PendingChanges[kImageCells - 1].isEmpty());
}

TEST(RawValue, MostSignificantByteFirst) {
    struct Case {
        int size;
        quint64 value;
        std::vector<int> bytes;
    };
    const Case cases[] = {{1, 0xFF, {0xFF}},
                          {2, 500, {0x01, 0xF4}},
                          {2, 255, {0x00, 0xFF}},
                          {2, 256, {0x01, 0x00}},
                          {4, 0x12345678, {0x12, 0x34, 0x56, 0x78}},
                          {8, ~quint64{0}, {255, 255, 255, 255, 255, 255, 255, 255}}};
    for (const Case& c : cases) {
        AppState state;
        storeRawValue(state, 0x200, c.size, c.value);
        for (int k = 0; k < c.size; ++k)
            EXPECT_EQ(state.BinImage[0x200 + k].byte(), c.bytes[k]) << c.value;
        EXPECT_EQ(rawValue(state, 0x200, c.size), c.value);
        EXPECT_EQ(rawText(state, 0x200, c.size).size(), 2 * c.size);
        EXPECT_TRUE(state.BinImage[0x200 + c.size].isEmpty()) << "nothing written past the value";
    }
    EXPECT_EQ(largestRaw(1), 255u);
    EXPECT_EQ(largestRaw(2), 65535u);
    EXPECT_EQ(largestRaw(8), ~quint64{0});
}

TEST(ItemRefusal, RefusesWhatCannotBeShownSafely) {
    AppState state;
    state.BinSize = 32784; // a 32 KiB image: Save writes cells 0..7FFF
    auto make = [](const char* address, int columns, int rows, int byteSize) {
        EcuItem it;
        it.Id = QStringLiteral("4");
        it.Title = QStringLiteral(" Spark");
        it.Address = QLatin1String(address);
        it.Columns = static_cast<qint16>(columns);
        it.Rows = static_cast<qint16>(rows);
        it.ByteSize = static_cast<qint16>(byteSize);
        return it;
    };
    struct Case {
        EcuItem item;
        ItemClass cls;
        bool refused;
    };
    const Case cases[] = {
        {make("7FFF", 1, 1, 1), ItemClass::Value, false},
        {make("7FFF", 1, 1, 2), ItemClass::Value, true},
        {make("7FFE", 1, 1, 2), ItemClass::Value, false},
        {make("8000", 1, 1, 1), ItemClass::Flag, true},
        {make("zz", 1, 1, 1), ItemClass::Flag, true},
        {make("100", 1, 1, 0), ItemClass::Value, true},
        {make("100", 1, 1, -2), ItemClass::Value, true},
        {make("100", 1, 1, 9), ItemClass::Value, true},
        {make("100", 1, 1, 8), ItemClass::Value, false},
        {make("100", 1, 501, 1), ItemClass::Array, false},
        {make("100", 1, 502, 1), ItemClass::Array, true},
        {make("7F00", 16, 16, 1), ItemClass::Map, false},
        {make("7F01", 16, 16, 1), ItemClass::Map, true},
        {make("FFFFFFFFFFFF", 1, 1, 1), ItemClass::Flag, true},
    };
    for (const Case& c : cases) {
        const QString r = itemRefusal(state, c.item, c.cls);
        EXPECT_EQ(!r.isEmpty(), c.refused) << c.item.Address.toStdString() << " " << r.toStdString();
        if (c.refused) {
            EXPECT_TRUE(r.contains(QStringLiteral("Spark"))) << "the message names the item";
        }
    }
}

} // namespace
