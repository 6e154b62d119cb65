#include "core/app_state.h"
#include "core/bin_image.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;

namespace {

QByteArray pattern(int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return b;
}

QString writeTemp(QTemporaryDir& dir, const QByteArray& content) {
    QFile f(dir.filePath(QStringLiteral("image.bin")));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return f.fileName();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

struct SizeCase {
    int length;
    int binSize;
};

class ReadBinSizes : public ::testing::TestWithParam<SizeCase> {};

// The read fills whole 16-byte blocks and notices the end only on a short read.
TEST_P(ReadBinSizes, FillsBlocksAndSetsBinSize) {
    QTemporaryDir dir;
    const QByteArray data = pattern(GetParam().length);
    AppState state;
    state.BinPath = writeTemp(dir, data);
    ASSERT_TRUE(ReadBinFile(state).ok());
    EXPECT_EQ(state.BinSize, GetParam().binSize);
    for (int i = 0; i < data.size(); ++i) {
        ASSERT_EQ(state.BinImage[i].byte(), static_cast<unsigned char>(data[i])) << i;
    }
    // Cells of the final block past the file hold "00" with their address; the next cell is untouched.
    for (int i = data.size(); i < state.BinSize; ++i)
        EXPECT_EQ(state.BinImage[i].valueText(), QStringLiteral("00"));
    if (state.BinSize < kImageCells) {
        EXPECT_TRUE(state.BinImage[state.BinSize].isEmpty());
    }
    EXPECT_EQ(state.BinImage[state.BinSize - 1].addressText(),
              QStringLiteral("%1").arg(state.BinSize - 1, 6, 16, QLatin1Char('0')).toUpper());
}

// Saving without edits rewrites the file unchanged; only whole blocks below BinSize - 16 are written.
TEST_P(ReadBinSizes, SaveRewritesInPlace) {
    QTemporaryDir dir;
    const QByteArray data = pattern(GetParam().length);
    AppState state;
    state.BinPath = writeTemp(dir, data);
    ASSERT_TRUE(ReadBinFile(state).ok());
    for (int i = 0; i < state.BinSize - 16; ++i)
        state.BinImage[i].setValue(0xEE);
    ASSERT_TRUE(WriteBinFile(state).ok());
    const QByteArray after = readAll(state.BinPath);
    ASSERT_EQ(after.size(), data.size()) << "the file keeps its length";
    const int written = state.BinSize - 16;
    EXPECT_EQ(after.left(written), QByteArray(written, '\xEE'));
    EXPECT_EQ(after.mid(written), data.mid(written)) << "bytes of a short last block stay as they were";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReadBinSizes,
                         ::testing::Values(SizeCase{0, 16}, SizeCase{16, 32}, SizeCase{100, 112},
                                           SizeCase{32768, 32784}, SizeCase{655343, 655344}));

TEST(ReadBin, RefusesAFileTooLargeForTheImageBeforeStoringAnything) {
    QTemporaryDir dir;
    AppState state;
    state.BinPath = writeTemp(dir, pattern(655344));
    const Status s = ReadBinFile(state);
    EXPECT_FALSE(s.ok());
    EXPECT_TRUE(s.error().contains(state.BinPath));
    EXPECT_TRUE(s.error().contains(QStringLiteral("655343")));
    EXPECT_EQ(state.BinSize, 0);
    EXPECT_TRUE(state.BinImage[0].isEmpty());
}

TEST(ReadBin, MissingFileIsAnErrorWithTheReason) {
    AppState state;
    state.BinPath = QStringLiteral("/nonexistent/folder/rom.bin");
    const Status s = ReadBinFile(state);
    EXPECT_FALSE(s.ok());
    EXPECT_TRUE(s.error().contains(state.BinPath));
}

TEST(ReadBin, CellsAboveANewShorterImageKeepWhatTheLongerOneLeft) {
    QTemporaryDir dir;
    AppState state;
    state.BinPath = writeTemp(dir, QByteArray(64, '\x11'));
    ASSERT_TRUE(ReadBinFile(state).ok());
    state.BinPath = writeTemp(dir, QByteArray(16, '\x22'));
    ASSERT_TRUE(ReadBinFile(state).ok());
    EXPECT_EQ(state.BinSize, 32);
    EXPECT_EQ(state.BinImage[40].byte(), 0x11);
}

TEST(WriteBin, FailuresReportTheReasonAndNeverSucceed) {
    QTemporaryDir dir;
    AppState state;
    state.BinPath = writeTemp(dir, pattern(32));
    ASSERT_TRUE(ReadBinFile(state).ok());
    for (const QString& path : {dir.filePath(QStringLiteral("gone/rom.bin")), QStringLiteral("/dev/full")}) {
        state.BinPath = path;
        const Status s = WriteBinFile(state);
        EXPECT_FALSE(s.ok()) << path.toStdString();
        EXPECT_TRUE(s.error().startsWith(path)) << s.error().toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("gone/rom.bin"))))
        << "a missing file is never created";
}

TEST(BinCell, TextsAreFixedWidthUpperCaseHex) {
    struct {
        int index, byte;
        const char *address, *value;
    } cases[] = {{0, 0x0A, "000000", "0A"}, {0x7FFE, 0xFF, "007FFE", "FF"}, {0x9FFF6, 0, "09FFF6", "00"}};
    for (const auto& c : cases) {
        BinCell cell;
        EXPECT_TRUE(cell.isEmpty());
        cell.setAddress(c.index);
        cell.setValue(c.byte);
        EXPECT_EQ(cell.addressText(), QLatin1String(c.address));
        EXPECT_EQ(cell.valueText(), QLatin1String(c.value));
        EXPECT_EQ(cell.byte(), c.byte);
    }
}

TEST(ByteToBits, MostSignificantFirstInTwoGroups) {
    const std::pair<int, const char*> cases[] = {
        {0, "0000 0000"}, {255, "1111 1111"}, {129, "1000 0001"}, {0x12, "0001 0010"}, {1, "0000 0001"}};
    for (const auto& [byte, bits] : cases)
        EXPECT_EQ(ByteToBits(byte), QLatin1String(bits)) << byte;
}

} // namespace
