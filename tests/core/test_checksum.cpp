#include "core/app_state.h"
#include "core/checksum.h"

#include <gtest/gtest.h>

#include <memory>

using namespace korvel;

namespace {

// An image as ReadBinFile leaves a file of `bytes` (a whole number of 16-byte blocks):
// the bytes, then one block of 00, and BinSize = length + 16.
std::unique_ptr<AppState> imageOf(const std::vector<int>& bytes) {
    auto state = std::make_unique<AppState>();
    const int size = static_cast<int>(bytes.size()) + 16;
    for (int i = 0; i < size; ++i) {
        BinCell& cell = state->BinImage[static_cast<size_t>(i)];
        cell.setAddress(i);
        cell.setValue(i < static_cast<int>(bytes.size()) ? bytes[static_cast<size_t>(i)] : 0);
    }
    state->BinSize = size;
    return state;
}

void setHeader(AppState& s, const char* start, const char* end, const char* address, const char* size) {
    // Header values keep the space that follows "=" in the file.
    s.ecuHeader.ChecksumStart = QStringLiteral(" ") + QLatin1String(start);
    s.ecuHeader.ChecksumEnd = QStringLiteral(" ") + QLatin1String(end);
    s.ecuHeader.ChecksumAddress = QStringLiteral(" ") + QLatin1String(address);
    s.ecuHeader.ChecksumSize = QStringLiteral(" ") + QLatin1String(size);
}

std::vector<int> counting(int n) {
    std::vector<int> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = (i * 7 + 3) & 0xFF;
    return v;
}

TEST(ChecksumText, PadsShortSumsAndKeepsTheLowBytesOfLongOnes) {
    struct Case {
        quint64 sum;
        int size;
        const char* text;
    };
    const Case cases[] = {{0xABC, 2, "0ABC"},          {0x1A2B3, 2, "A2B3"},
                          {0xFF, 2, "00FF"},           {0, 1, "00"},
                          {0x1A2B3, 1, "B3"},          {0x5, 1, "05"},
                          {0x1A2B3, 3, "01A2B3"},      {0xFFFFFF, 3, "FFFFFF"},
                          {0x1A2B3, 4, "0001A2B3"},    {0x9F6A8C1, 4, "09F6A8C1"},
                          {0x123456789, 4, "23456789"}};
    for (const Case& c : cases)
        EXPECT_EQ(checksumText(c.sum, c.size), QLatin1String(c.text)) << std::hex << c.sum << " N=" << c.size;
}

TEST(Checksum, SumsTheInclusiveRangeAndNothingWhenStartIsAboveEnd) {
    auto s = imageOf(counting(64));
    struct Case {
        const char* start;
        const char* end;
        qint64 sum;
    };
    // Bytes are (7i + 3) & FF: 3, 10, 17, 24, 31, 38 ...
    const Case cases[] = {{"0", "0", 3},
                          {"1", "3", 10 + 17 + 24},
                          {"0", "5", 3 + 10 + 17 + 24 + 31 + 38},
                          {"5", "1", 0},
                          {"2F", "0", 0}};
    for (const Case& c : cases) {
        setHeader(*s, c.start, c.end, "30", "2");
        const ChecksumLayoutResult r = checksumLayout(*s);
        ASSERT_TRUE(r.layout) << c.start << ".." << c.end << ": " << r.refusal.toStdString();
        EXPECT_EQ(checksumSum(*s, *r.layout), c.sum) << c.start << ".." << c.end;
    }
}

TEST(Checksum, AnEmptyRangeIsNotRefusedForWhereItsEndsLie) {
    auto s = imageOf(counting(64));
    setHeader(*s, "FFFFF", "10", "30", "2"); // start past the image, but above the end
    const ChecksumLayoutResult r = checksumLayout(*s);
    ASSERT_TRUE(r.layout) << r.refusal.toStdString();
    EXPECT_EQ(computedChecksumText(*s, *r.layout), QStringLiteral("0000"));
}

TEST(Checksum, StoresEachSizeHighByteFirstAndRecordsItAsPending) {
    struct Case {
        int size;
        quint64 sum;
        std::vector<int> bytes;
    };
    const Case cases[] = {{1, 0x1A2B3, {0xB3}},
                          {2, 0x1A2B3, {0xA2, 0xB3}},
                          {3, 0x1A2B3, {0x01, 0xA2, 0xB3}},
                          {4, 0x1A2B3, {0x00, 0x01, 0xA2, 0xB3}}};
    for (const Case& c : cases) {
        auto s = imageOf(std::vector<int>(64, 0xEE));
        setHeader(*s, "0", "3F", "20", QByteArray::number(c.size).constData());
        const ChecksumLayoutResult r = checksumLayout(*s);
        ASSERT_TRUE(r.layout) << r.refusal.toStdString();
        const QString text = checksumText(c.sum, c.size);
        ASSERT_TRUE(storeChecksum(*s, *r.layout, text));
        EXPECT_EQ(storedChecksumText(*s, *r.layout), text) << "N=" << c.size;
        for (int k = 0; k < c.size; ++k) {
            const size_t at = static_cast<size_t>(0x20 + k);
            EXPECT_EQ(s->byteAt(0x20 + k), c.bytes[static_cast<size_t>(k)]) << "N=" << c.size << " k=" << k;
            EXPECT_EQ(s->PendingChanges[at].valueText(), s->BinImage[at].valueText());
            EXPECT_EQ(s->PendingChanges[at].addressText(),
                      QStringLiteral("%1").arg(0x20 + k, 6, 16, QLatin1Char('0')).toUpper());
        }
        // The neighbours are neither changed nor recorded.
        EXPECT_EQ(s->byteAt(0x1F), 0xEE);
        EXPECT_EQ(s->byteAt(0x20 + c.size), 0xEE);
        EXPECT_TRUE(s->PendingChanges[0x1F].isEmpty());
        EXPECT_TRUE(s->PendingChanges[static_cast<size_t>(0x20 + c.size)].isEmpty());
    }
}

TEST(Checksum, TheClosingComparisonFindsAPaddedSumEqual) {
    // Bytes summing to 0xFF stored as 00 FF: the stored text 00FF is the computed one.
    std::vector<int> bytes(32, 0);
    bytes[0] = 0x80;
    bytes[1] = 0x7F;
    bytes[0x1E] = 0x00;
    bytes[0x1F] = 0xFF;
    auto s = imageOf(bytes);
    setHeader(*s, "0", "1D", "1E", "2");
    const auto layout = checksumLayout(*s).layout;
    ASSERT_TRUE(layout);
    EXPECT_EQ(computedChecksumText(*s, *layout), QStringLiteral("00FF"));
    EXPECT_EQ(storedChecksumText(*s, *layout), QStringLiteral("00FF"));
}

TEST(Checksum, RefusesHeadersThatDoNotFitTheImageNamingTheValue) {
    // A 32 KiB image: the last byte Save writes is 7FFF (BinSize 8010).
    auto s = imageOf(counting(0x8000));
    struct Case {
        const char* start;
        const char* end;
        const char* address;
        const char* size;
        const char* fault; // empty: accepted
    };
    const Case cases[] = {
        {"0", "7FFD", "7FFE", "2", ""},
        {"0", "7FFF", "0", "4", ""}, // both ranges end on the last byte written
        {"G1", "7FFD", "7FFE", "2", "ChecksumStart"},
        {"0", "7FFZ", "7FFE", "2", "ChecksumEnd"},
        {"0", "7FFD", "", "2", "ChecksumAddress"},
        {"0", "7FFD", "7FFE", "0", "ChecksumSize"},
        {"0", "7FFD", "7FFE", "5", "ChecksumSize"},
        {"0", "7FFD", "7FFE", "two", "ChecksumSize"},
        {"0", "8000", "7FFE", "2", "ChecksumEnd"}, // the trailing block holds no file data
        {"8000", "8001", "7FFE", "2", "ChecksumStart"},
        {"0", "7FFD", "7FFF", "2", "ChecksumAddress"}, // second byte at 8000
        {"0", "7FFD", "7FFD", "4", "ChecksumAddress"},
    };
    for (const Case& c : cases) {
        setHeader(*s, c.start, c.end, c.address, c.size);
        const ChecksumLayoutResult r = checksumLayout(*s);
        const std::string where = std::string(c.start) + " " + c.end + " " + c.address + " " + c.size;
        if (*c.fault == '\0') {
            EXPECT_TRUE(r.layout) << where << ": " << r.refusal.toStdString();
            continue;
        }
        EXPECT_FALSE(r.layout) << where;
        EXPECT_TRUE(r.refusal.contains(QLatin1String(c.fault))) << where << ": " << r.refusal.toStdString();
        // Only the value at fault is named (a refused ChecksumAddress also names the size).
        for (const char* other : {"ChecksumStart", "ChecksumEnd", "ChecksumSize"}) {
            if (std::string(other) == c.fault || std::string(c.fault) == "ChecksumAddress") continue;
            EXPECT_FALSE(r.refusal.contains(QLatin1String(other)))
                << where << ": " << r.refusal.toStdString();
        }
    }
}

TEST(Checksum, AnEmptyFileHasNoPlaceForAChecksum) {
    auto s = imageOf({}); // BinSize 16: Save writes nothing
    setHeader(*s, "1", "0", "0", "1");
    const ChecksumLayoutResult r = checksumLayout(*s);
    EXPECT_FALSE(r.layout);
    EXPECT_TRUE(r.refusal.contains(QStringLiteral("ChecksumAddress"))) << r.refusal.toStdString();
    EXPECT_TRUE(r.refusal.contains(QStringLiteral("empty"))) << r.refusal.toStdString();
}

} // namespace
