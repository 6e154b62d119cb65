// Value rules: hex numbers, number formats, calculated values, raw bytes, refusals and checksums.
#include "core/checksum.h"
#include "core/values.h"
#include "core_fixture.h"

#include <cmath>
#include <limits>

using namespace korvel;
using korvel::test::imageOf;

TEST(ParseHex, DigitsOfEitherCaseUpTo64Bits) {
    const std::pair<const char*, quint64> good[] = {
        {"ff", 255}, {"09AF", 0x9AF}, {" 1a2F ", 0x1A2F}, {"0", 0}, {"FFFFFFFFFFFFFFFF", ~quint64{0}}};
    for (const auto& [text, value] : good)
        EXPECT_EQ(ParseHex(QString::fromLatin1(text)), std::optional<quint64>(value)) << text;
    for (const char* bad : {"", "  ", "0x10", "1 2", "/", ":", "@", "G", "`", "g", "-1", "10000000000000000"})
        EXPECT_FALSE(ParseHex(QString::fromLatin1(bad))) << bad;
}

TEST(FormatCalculated, Patterns) {
    const std::tuple<const char*, double, const char*> cases[] = {
        {"##.##", 12.5, "12.5"},  {"##.##", 1234.567, "1234.57"},
        {"##.##", 0.5, ".5"},     {"##.##", 7, "7."},
        {"##.##", 0, "."},        {"##.##", -3.25, "-3.25"},
        {"##.##", -0.004, "."},   {"##.##", 99999999, "99999999."},
        {"0.00", 0.5, "0.50"},    {"#.0#", 1.5, "1.5"},
        {"#.0#", 1, "1.0"},       {"##", 12.7, "13"},
        {"000", 7, "007"},        {"#0.#", 0.04, "0."},
        {"0.", 3.6, "4."},        {"#.###", 2.0005, "2.001"},
        {"$#.##", -2.5, "-$2.5"}, {"#.## kPa", 101.325, "101.33 kPa"}};
    for (const auto& [pattern, value, text] : cases)
        EXPECT_EQ(FormatCalculated(value, QLatin1String(pattern)), QLatin1String(text))
            << pattern << " " << value;
    for (double none : {std::numeric_limits<double>::infinity(), std::nan("")})
        EXPECT_EQ(FormatCalculated(none, QStringLiteral("##.##")), QString());
    EXPECT_EQ(FormatCalculated(std::optional<double>(), QStringLiteral("##.##")), QString());
}

TEST(CalculatedValue, ByConversion) {
    const std::tuple<qint16, double, double, quint64, std::optional<double>> cases[] = {
        {0, 0.5, 0, 65535, 32767.5},   {0, 0.5, -40, 200, 60}, {0, 0, -40, 200, -40}, {1, 1000, 2, 4, 252},
        {1, 1000, 2, 0, std::nullopt}, {2, 3, 5, 4, 0},        {-1, 3, 5, 4, 0}};
    for (const auto& [conversion, factor, offset, raw, value] : cases) {
        EcuItem item;
        std::tie(item.Conversion, item.Factor, item.Offset) = std::tie(conversion, factor, offset);
        EXPECT_EQ(CalculatedValue(item, raw), value) << conversion << " " << raw;
    }
}

TEST(RawBytes, StoredMostSignificantFirstAndRecordedAsPending) {
    const std::tuple<int, quint64, const char*> cases[] = {
        {1, 0xFF, "FF"}, {2, 500, "01F4"}, {3, 0xABCDEF, "ABCDEF"}, {8, ~quint64{0}, "FFFFFFFFFFFFFFFF"}};
    for (const auto& [size, value, text] : cases) {
        AppState state;
        state.BinImage[0x1FF].setAddress(0x1FF); // as ReadBinFile leaves it
        storeRawValue(state, 0x1FF, size, value);
        EXPECT_EQ(rawText(state, 0x1FF, size), QLatin1String(text));
        EXPECT_EQ(rawValue(state, 0x1FF, size), value);
        EXPECT_EQ(largestRaw(size), ParseHex(QStringLiteral("FF").repeated(size)));
        EXPECT_EQ(state.PendingChanges[0x1FF].addressText() +
                      state.PendingChanges[0x1FF + size - 1].valueText(),
                  QStringLiteral("0001FF") + QLatin1String(text).right(2));
        EXPECT_TRUE(state.PendingChanges[0x1FE].isEmpty() && state.PendingChanges[0x1FF + size].isEmpty());
    }
    AppState state;
    StoreByte(state, -1, 1);
    StoreByte(state, kImageCells, 1); // outside the image: ignored
    StoreByte(state, kImageCells - 1, 0x1AB);
    EXPECT_EQ(state.PendingChanges[kImageCells - 1].valueText(), QStringLiteral("AB"));
}

TEST(BinCell, TextsAreFixedWidthUpperCaseHex) {
    BinCell cell;
    EXPECT_TRUE(cell.isEmpty());
    for (int b = 0; b < 256; ++b) {
        cell.setValue(b);
        ASSERT_EQ(cell.byte(), b);
        ASSERT_EQ(cell.valueText(), QString::number(b, 16).rightJustified(2, '0').toUpper());
    }
    cell.setAddress(0x9FFF6);
    EXPECT_EQ(cell.addressText(), QStringLiteral("09FFF6"));
    EXPECT_EQ(ByteToBits(0x12), QStringLiteral("0001 0010"));
    EXPECT_EQ(ByteToBits(0x81), QStringLiteral("1000 0001"));
}

TEST(ItemRefusal, RefusesWhatCannotBeShownSafely) {
    AppState state;
    state.BinSize = 32784; // a 32 KiB image: Save writes cells 0..7FFF
    const std::tuple<const char*, qint16, qint16, qint16, ItemClass, bool> cases[] = {
        {"7FFF", 1, 1, 1, ItemClass::Flag, false},  {"8000", 1, 1, 1, ItemClass::Flag, true},
        {"7FFE", 1, 1, 2, ItemClass::Value, false}, {"7FFF", 1, 1, 2, ItemClass::Value, true},
        {"zz", 1, 1, 1, ItemClass::Flag, true},     {"FFFFFFFFFFFF", 1, 1, 1, ItemClass::Flag, true},
        {"100", 1, 1, 0, ItemClass::Value, true},   {"100", 1, 1, 8, ItemClass::Value, false},
        {"100", 1, 1, 9, ItemClass::Value, true},   {"100", 1, 501, 1, ItemClass::Array, false},
        {"100", 1, 502, 1, ItemClass::Array, true}, {"100", 502, 1, 1, ItemClass::Array, true},
        {"100", 0, 1, 1, ItemClass::Map, true},     {"100", 2, 0, 1, ItemClass::Map, true},
        {"7F00", 16, 16, 1, ItemClass::Map, false}, {"7F01", 16, 16, 1, ItemClass::Map, true}};
    for (const auto& [address, columns, rows, byteSize, cls, refused] : cases) {
        EcuItem it;
        it.Id = QStringLiteral("4");
        it.Title = QStringLiteral(" Spark");
        it.Address = QLatin1String(address);
        std::tie(it.Columns, it.Rows, it.ByteSize) = std::tie(columns, rows, byteSize);
        const QString r = itemRefusal(state, it, cls);
        EXPECT_EQ(r.isEmpty()                                        ? "shown"
                  : r.contains(QStringLiteral("\"Spark\" (item 4)")) ? "refused"
                                                                     : r.toStdString(),
                  refused ? "refused" : "shown")
            << address << " " << columns << "x" << rows << " " << byteSize;
    }
    state.BinSize = 16; // an empty file: nothing can be shown
    EcuItem it;
    it.Address = QStringLiteral("0");
    EXPECT_FALSE(itemRefusal(state, it, ItemClass::Flag).isEmpty());
}

TEST(Checksum, TextIsTwoDigitsPerBytePaddedOrCut) {
    const std::tuple<quint64, int, const char*> cases[] = {
        {0xABC, 2, "0ABC"},         {0x1A2B3, 2, "A2B3"},        {0, 1, "00"},
        {0x1A2B3, 1, "B3"},         {0x1A2B3, 3, "01A2B3"},      {0xFFFFFF, 3, "FFFFFF"},
        {0x9F6A8C1, 4, "09F6A8C1"}, {0x123456789, 4, "23456789"}};
    for (const auto& [sum, size, text] : cases)
        EXPECT_EQ(checksumText(sum, size), QLatin1String(text)) << sum << " " << size;
}

// Header values keep the space that follows "=" in the file.
static void setHeader(AppState& s, const char* start, const char* end, const char* address,
                      const char* size) {
    s.ecuHeader.ChecksumStart = QStringLiteral(" ") + QLatin1String(start);
    s.ecuHeader.ChecksumEnd = QStringLiteral(" ") + QLatin1String(end);
    s.ecuHeader.ChecksumAddress = QStringLiteral(" ") + QLatin1String(address);
    s.ecuHeader.ChecksumSize = QStringLiteral(" ") + QLatin1String(size);
}

TEST(Checksum, SumsTheInclusiveRangeAndNothingWhenStartIsAboveEnd) {
    auto s = imageOf(test::counting(64)); // 3, 10, 17, 24, 31, 38 ...
    const std::tuple<const char*, const char*, qint64> cases[] = {{"0", "0", 3},
                                                                  {"1", "3", 10 + 17 + 24},
                                                                  {"0", "5", 3 + 10 + 17 + 24 + 31 + 38},
                                                                  {"5", "1", 0},
                                                                  {"FFFFF", "10", 0}};
    for (const auto& [start, end, sum] : cases) {
        setHeader(*s, start, end, "30", "2");
        const ChecksumLayoutResult r = checksumLayout(*s);
        ASSERT_TRUE(r.layout) << start << ".." << end << ": " << r.refusal.toStdString();
        EXPECT_EQ(checksumSum(*s, *r.layout), sum) << start << ".." << end;
        EXPECT_EQ(computedChecksumText(*s, *r.layout), checksumText(quint64(sum), 2));
    }
}

TEST(Checksum, StoresEachSizeHighByteFirstAsPendingBytes) {
    for (int size = 1; size <= 4; ++size) {
        auto s = imageOf(std::vector<int>(64, 0xEE));
        setHeader(*s, "0", "3F", "20", QByteArray::number(size).constData());
        const auto layout = checksumLayout(*s).layout;
        ASSERT_TRUE(layout);
        const QString text = checksumText(0x1A2B3, size);
        ASSERT_TRUE(storeChecksum(*s, *layout, text));
        EXPECT_EQ(storedChecksumText(*s, *layout), text);
        for (int k = 0; k < size; ++k)
            EXPECT_EQ(s->PendingChanges[size_t(0x20 + k)].valueText(), text.mid(2 * k, 2));
        EXPECT_EQ(s->byteAt(0x1F), 0xEE);
        EXPECT_EQ(s->byteAt(0x20 + size), 0xEE);
        EXPECT_TRUE(s->PendingChanges[0x1F].isEmpty() && s->PendingChanges[size_t(0x20 + size)].isEmpty());
        // A text that is not 2 x N hex digits stores nothing.
        for (const QString& bad :
             {QStringLiteral("G").repeated(2 * size), text + QStringLiteral("00"), text.left(1)})
            EXPECT_FALSE(storeChecksum(*s, *layout, bad)) << bad.toStdString();
        EXPECT_EQ(storedChecksumText(*s, *layout), text);
    }
}

TEST(Checksum, RefusesHeadersThatDoNotFitTheImageNamingTheValue) {
    auto s = imageOf(test::counting(0x8000)); // the last byte Save writes is 7FFF
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"0", "7FFD", "7FFE", "2", ""},
        {"0", "7FFF", "0", "4", ""},
        {"7FFF", "7FFF", "7FFC", "4", ""},
        {"G1", "7FFD", "7FFE", "2", "ChecksumStart"},
        {"0", "7FFZ", "7FFE", "2", "ChecksumEnd"},
        {"0", "7FFD", "", "2", "ChecksumAddress"},
        {"0", "7FFD", "7FFE", "0", "ChecksumSize"},
        {"0", "7FFD", "7FFE", "5", "ChecksumSize"},
        {"0", "7FFD", "7FFE", "two", "ChecksumSize"},
        {"0", "8000", "7FFE", "2", "ChecksumEnd"},
        {"8000", "8001", "7FFE", "2", "ChecksumStart"},
        {"0", "7FFD", "8000", "1", "ChecksumAddress"},
        {"0", "7FFD", "7FFF", "2", "ChecksumAddress"},
        {"0", "7FFD", "7FFD", "4", "ChecksumAddress"}};
    for (const auto& [start, end, address, size, fault] : cases) {
        setHeader(*s, start, end, address, size);
        const ChecksumLayoutResult r = checksumLayout(*s);
        const std::string where =
            std::string(start) + " " + end + " " + address + " " + size + ": " + r.refusal.toStdString();
        EXPECT_EQ(bool(r.layout), *fault == '\0') << where;
        if (*fault == '\0') continue;
        EXPECT_TRUE(r.refusal.startsWith(QStringLiteral("The checksum cannot be calculated: ") +
                                         QLatin1String(fault)))
            << where;
    }
    auto empty = imageOf({}); // BinSize 16: Save writes nothing
    setHeader(*empty, "1", "0", "0", "1");
    const ChecksumLayoutResult r = checksumLayout(*empty);
    EXPECT_FALSE(r.layout);
    EXPECT_TRUE(r.refusal.contains(QStringLiteral("ChecksumAddress")) &&
                r.refusal.contains(QStringLiteral("empty")));
}
