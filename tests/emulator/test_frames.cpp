#include "emulator/frames.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (const int v : values)
        out.append(static_cast<char>(v));
    return out;
}

struct FrameCase {
    const char* name;
    QByteArray frame;
    QByteArray expected;
};

class FrameBytes : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameBytes, GoOutByteForByte) {
    EXPECT_EQ(GetParam().frame.toHex(' '), GetParam().expected.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameBytes,
    ::testing::Values(
        FrameCase{"write_high_byte_first", writeFrame(0x1234, 0xA5), bytes({'W', 0x12, 0x34, 0xA5, 0x0D})},
        // A data byte 0x0D is ordinary data; the frame still ends with its own 0x0D.
        FrameCase{"write_carriage_return_as_data", writeFrame(0x00FF, 0x0D),
                  bytes({'W', 0x00, 0xFF, 0x0D, 0x0D})},
        FrameCase{"read_with_filler", readFrame(0x00FF, 0x5A), bytes({'R', 0x00, 0xFF, 0x5A, 0x0D})},
        FrameCase{"read_top_address", readFrame(0xFFFF, 0x00), bytes({'R', 0xFF, 0xFF, 0x00, 0x0D})},
        FrameCase{"block_header", blockHeader(0x7FC0), bytes({'B', 0x7F, 0xC0, 0x0D, 0x0D})},
        FrameCase{"identify", commandFrame('V'), bytes({'V', 0x0D, 0x0D, 0x0D, 0x0D})},
        FrameCase{"check", commandFrame('C'), bytes({'C', 0x0D, 0x0D, 0x0D, 0x0D})},
        FrameCase{"custom", customFrame("XY"), bytes({'X', 'Y', 0x0D, 0x1F, 0x17, 0x20})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AddressBits, HighByteThenLowByte) {
    EXPECT_EQ(addressBits(0x00FF), QStringLiteral("0000 0000 1111 1111"));
    EXPECT_EQ(addressBits(0x1234), QStringLiteral("0001 0010 0011 0100"));
    EXPECT_EQ(addressBits(0x8001), QStringLiteral("1000 0000 0000 0001"));
}

TEST(Banner, OnlyTheFirst33CharactersCount) {
    const QByteArray banner(kBanner, kBannerLength);
    ASSERT_EQ(banner.size(), 33);
    EXPECT_TRUE(startsWithBanner(banner));
    EXPECT_TRUE(startsWithBanner(banner + "\r\nmore text"));
    EXPECT_FALSE(startsWithBanner(banner.left(32)));
    EXPECT_FALSE(startsWithBanner(QByteArray("x") + banner));
    QByteArray lower = banner;
    lower[0] = 'k';
    EXPECT_FALSE(startsWithBanner(lower));
}

} // namespace
