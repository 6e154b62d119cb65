// Value rules: hex numbers, number formats, calculated values, raw bytes, refusals and checksums.
#include "core/checksum.h"
#include "core/values.h"
#include "core_fixture.h"

#include <cmath>

using namespace korvel;
using namespace korvel::test;

TEST(Numbers, HexDigitsFormatsAndConversions) {
    const std::pair<const char*, quint64> good[] = {
        {"ff", 255}, {"09AF", 0x9AF}, {" 1a2F ", 0x1A2F}, {"0", 0}, {"FFFFFFFFFFFFFFFF", ~quint64{0}}};
    for (const auto& [text, value] : good)
        EXPECT_EQ(ParseHex(QString::fromLatin1(text)), std::optional<quint64>(value)) << text;
    for (const char* bad : {"", "  ", "0x10", "1 2", "/", ":", "@", "G", "`", "g", "-1", "10000000000000000"})
        EXPECT_FALSE(ParseHex(QString::fromLatin1(bad))) << bad;
    // clang-format off
    const std::tuple<const char*, double, const char*> cases[] = { // pattern, value, text
        {"##.##", 1234.567, "1234.57"}, {"##.##", 0.5, ".5"}, {"##.##", 7, "7."}, {"##.##", 0, "."},
        {"##.##", -3.25, "-3.25"}, {"##.##", -0.004, "."}, {"0.00", 0.5, "0.50"}, {"#.0#", 1.5, "1.5"},
        {"#.0#", 1, "1.0"}, {".0#", 0.5, ".5"}, {"000", 7, "007"}, {"#0.#", 0.04, "0."}, {"0.", 3.6, "4."},
        {"#.###", 2.0005, "2.001"}, {"$#.##", -2.5, "-$2.5"}, {"##.##", NAN, ""}, {"##", 12.7, "13"},
        {"#.## kPa", 101.325, "101.33 kPa"}, {"##.##", INFINITY, ""}};
    // clang-format on
    for (const auto& [pattern, value, text] : cases)
        EXPECT_EQ(FormatCalculated(value, QLatin1String(pattern)), QLatin1String(text))
            << pattern << " " << value;
    const std::tuple<int, double, double, quint64, std::optional<double>> conversions[] = {
        {0, 0.5, 0, 65535, 32767.5},   {0, 0.5, -40, 200, 60}, {0, 0, -40, 200, -40}, {1, 1000, 2, 4, 252},
        {1, 1000, 2, 0, std::nullopt}, {2, 3, 5, 4, 0},        {-1, 3, 5, 4, 0}};
    for (const auto& [conversion, factor, offset, raw, value] : conversions)
        EXPECT_EQ(CalculatedValue(item("0", 1, 1, 1, 0, conversion, factor, offset), raw), value)
            << conversion << " " << raw;
}

TEST(RawBytes, StoredMostSignificantFirstAndRecordedAsPending) {
    for (const auto& [size, value] : {std::pair{1, 0xFFull}, {2, 0x1F4ull}, {3, 0xABCDEFull}, {8, ~0ull}}) {
        AppState state;
        storeRawValue(state, 0, size, value);
        EXPECT_TRUE(ParseHex(rawText(state, 0, size)) == value && rawValue(state, 0, size) == value) << size;
        EXPECT_EQ(largestRaw(size), ParseHex(QStringLiteral("FF").repeated(size)));
        EXPECT_TRUE(state.PendingChanges[0].byte() == int(value >> (8 * size - 8)) &&
                    state.PendingChanges[size_t(size)].isEmpty());
    }
    AppState state;
    StoreByte(state, -1, 1);
    StoreByte(state, kImageCells, 1); // outside the image: ignored
    StoreByte(state, kImageCells - 1, 0x1AB);
    EXPECT_EQ(state.PendingChanges[kImageCells - 1].valueText(), QStringLiteral("AB"));
    BinCell cell;
    for (int b = 0; b < 256; ++b) {
        cell.setValue(b);
        ASSERT_TRUE(cell.byte() == b &&
                    cell.valueText() == QString::number(b, 16).rightJustified(2, '0').toUpper());
    }
    cell.setAddress(0x9FFF6);
    EXPECT_EQ(cell.addressText() + ByteToBits(0x12) + ByteToBits(0x81),
              QStringLiteral("09FFF60001 00101000 0001"));
}

TEST(ItemRefusal, RefusesWhatCannotBeShownSafelyNamingTheItem) {
    AppState state;
    state.BinSize = 32784; // a 32 KiB image: Save writes cells 0..7FFF
    using C = ItemClass;
    // clang-format off
    const std::tuple<EcuItem, C, bool> cases[] = { // item, its class, refused
        {item("7FFF"), C::Flag, false}, {item("8000"), C::Flag, true}, {item("zz"), C::Flag, true},
        {item("FFFFFFFFFFFF"), C::Flag, true}, {item("7FFE", 1, 1, 2), C::Value, false},
        {item("7FFF", 1, 1, 2), C::Value, true}, {item("10", 1, 1, 0), C::Value, true},
        {item("10", 1, 1, 8), C::Value, false}, {item("10", 1, 1, 9), C::Value, true},
        {item("10", 1, 501), C::Array, false}, {item("10", 1, 502), C::Array, true},
        {item("10", 502, 1), C::Array, true}, {item("10", 0, 1), C::Map, true},
        {item("10", 2, 0), C::Map, true}, {item("7F00", 16, 16), C::Map, false},
        {item("7F01", 16, 16), C::Map, true}};
    // clang-format on
    for (const auto& [it, cls, refused] : cases) {
        const QString r = itemRefusal(state, it, cls);
        EXPECT_EQ(r.contains(QStringLiteral("\"Spark\" (item 4)")), refused)
            << it.Address.toStdString() << " " << it.Columns << "x" << it.Rows << " " << it.ByteSize;
        EXPECT_EQ(r.isEmpty(), !refused);
    }
    state.BinSize = 16; // an empty file: nothing can be shown
    EXPECT_FALSE(itemRefusal(state, item("0"), ItemClass::Flag).isEmpty());
}

TEST(Checksum, TextIsTwoDigitsPerBytePaddedOrCut) {
    const std::tuple<quint64, int, const char*> cases[] = {
        {0xABC, 2, "0ABC"},         {0x1A2B3, 2, "A2B3"},        {0, 1, "00"},
        {0x1A2B3, 1, "B3"},         {0x1A2B3, 3, "01A2B3"},      {0xFFFFFF, 3, "FFFFFF"},
        {0x9F6A8C1, 4, "09F6A8C1"}, {0x123456789, 4, "23456789"}};
    for (const auto& [sum, size, text] : cases)
        EXPECT_EQ(checksumText(sum, size), QLatin1String(text)) << sum << " " << size;
}

// "start end address size": the header's values, which keep the space after "=" in the file.
static void setHeader(AppState& s, const char* values) {
    const QStringList v = QString::fromLatin1(values).split(' ');
    EcuHeader& h = s.ecuHeader;
    std::tie(h.ChecksumStart, h.ChecksumEnd, h.ChecksumAddress, h.ChecksumSize) =
        std::tuple(" " + v[0], " " + v[1], " " + v[2], " " + v[3]);
}

TEST(Checksum, SumsTheInclusiveRangeAndStoresItHighByteFirst) {
    auto s = imageOf(counting(64));
    // clang-format off
    const std::pair<const char*, qint64> sums[] = { // the image's bytes are 3, 10, 17, 24, 31, 38 ...
        {"0 0 30 2", 3}, {"1 3 30 2", 10 + 17 + 24}, {"0 5 30 2", 3 + 10 + 17 + 24 + 31 + 38},
        {"5 1 30 2", 0}, {"FFFFF 10 30 2", 0}};
    // clang-format on
    for (const auto& [header, sum] : sums) {
        setHeader(*s, header);
        const ChecksumLayoutResult r = checksumLayout(*s);
        ASSERT_TRUE(r.layout) << header << ": " << r.refusal.toStdString();
        EXPECT_EQ(checksumSum(*s, *r.layout), sum) << header;
        EXPECT_EQ(computedChecksumText(*s, *r.layout), checksumText(quint64(sum), 2));
    }
    for (const char* header : {"0 3F 20 1", "0 3F 20 2", "0 3F 20 3", "0 3F 20 4"}) {
        s = imageOf(std::vector<int>(64, 0xEE));
        setHeader(*s, header);
        const ChecksumLayout layout = checksumLayout(*s).layout.value();
        const QString text = checksumText(0x1A2B3, layout.size);
        EXPECT_FALSE(storeChecksum(*s, layout, QString(2 * layout.size, 'G')) ||
                     storeChecksum(*s, layout, text + "00"));
        ASSERT_TRUE(storeChecksum(*s, layout, text));
        EXPECT_EQ(storedChecksumText(*s, layout), text);
        EXPECT_EQ(rawText(*s, 0x1F, layout.size + 2), "EE" + text + "EE") << "the neighbours stay";
        EXPECT_EQ(s->PendingChanges[size_t(0x1F + layout.size)].valueText(), text.right(2))
            << "recorded as pending";
    }
}

TEST(Checksum, RefusesHeadersThatDoNotFitTheImageNamingTheValue) {
    auto s = imageOf(counting(0x8000)); // the last byte Save writes is 7FFF
    // clang-format off
    const std::pair<const char*, const char*> cases[] = { // start end address size, the value at fault
        {"0 7FFD 7FFE 2", ""}, {"0 7FFF 0 4", ""}, {"7FFF 7FFF 7FFC 4", ""},
        {"G1 7FFD 7FFE 2", "ChecksumStart"}, {"0 7FFZ 7FFE 2", "ChecksumEnd"},
        {"0 7FFD x 2", "ChecksumAddress"},
        {"0 7FFD 7FFE 5", "ChecksumSize"}, {"0 7FFD 7FFE two", "ChecksumSize"},
        {"0 8000 7FFE 2", "ChecksumEnd"}, {"8000 8001 7FFE 2", "ChecksumStart"},
        {"8000 8000 0 1", "ChecksumStart"}, {"0 7FFD 8000 1", "ChecksumAddress"},
        {"0 7FFD 7FFF 2", "ChecksumAddress"}, {"0 7FFD 7FFD 4", "ChecksumAddress"}};
    // clang-format on
    for (const auto& [header, fault] : cases) {
        setHeader(*s, header);
        const ChecksumLayoutResult r = checksumLayout(*s);
        EXPECT_EQ(bool(r.layout), !*fault) << header;
        const QString want =
            *fault ? QStringLiteral("The checksum cannot be calculated: ") + fault : QString();
        EXPECT_EQ(r.refusal.left(want.size()), want) << header << ": " << r.refusal.toStdString();
    }
    s = imageOf({}); // BinSize 16: Save writes nothing
    setHeader(*s, "1 0 0 1");
    const QString refusal = checksumLayout(*s).refusal;
    EXPECT_TRUE(refusal.contains(QStringLiteral("ChecksumAddress")) &&
                refusal.contains(QStringLiteral("empty")));
}
