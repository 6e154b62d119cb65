// Typed raw values at the ends of an element's range, and which items an image lets the editor write.
#include "core/item_cells.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

struct TypedRaw {
    const char* text;
    ElementLayout layout;
    std::optional<quint64> bits;
};

class TypedRawBits : public testing::TestWithParam<TypedRaw> {};

TEST_P(TypedRawBits, TakeTheWholeRangeAndNothingPastIt) {
    const TypedRaw& t = GetParam();
    EXPECT_EQ(typedRawBits(QString::fromLatin1(t.text), t.layout), t.bits) << t.text;
}

INSTANTIATE_TEST_SUITE_P(Ends, TypedRawBits,
                         testing::Values(TypedRaw{"65535", {2}, 0xFFFF}, TypedRaw{"65536", {2}, std::nullopt},
                                         TypedRaw{"-32768", {2, true}, 0x8000},
                                         TypedRaw{"-32769", {2, true}, std::nullopt},
                                         TypedRaw{"32767", {2, true}, 0x7FFF},
                                         TypedRaw{"18446744073709551615", {8}, ~quint64(0)},
                                         TypedRaw{"-1", {1}, std::nullopt}, TypedRaw{"12.0", {1}, 12},
                                         TypedRaw{"1.5", {1}, std::nullopt}));

TEST(ItemEditRefusal, AnItemMayReachTheLastByteSaveWritesBack) {
    AppState state;
    state.BinSize = 100; // Save writes back bytes 0 .. 83
    CalItem item;
    item.layout.bytes = 2;
    for (const auto& [address, editable] :
         {std::pair(82, true), std::pair(83, false), std::pair(-1, false)}) {
        item.address = address;
        EXPECT_EQ(itemEditRefusal(state, item).isEmpty(), editable) << address;
    }
    item.address = 0;
    item.readOnlyReason = QStringLiteral("its stride is not followed");
    EXPECT_EQ(itemEditRefusal(state, item), item.readOnlyReason);
}

} // namespace
