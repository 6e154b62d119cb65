// Undo and redo: the bytes and the pending changes after each step, redo after undo, a
// new action dropping the redo steps, and actions that change nothing.
#include "core/app_state.h"
#include "core/edit_history.h"
#include "core/values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace korvel;

namespace {

// Bytes 0..7 of the image as a string of hex pairs, and of the pending changes ("--" for none).
std::string bytes(const AppState& s) {
    std::string t;
    for (int i = 0; i < 8; ++i)
        t += s.BinImage[static_cast<size_t>(i)].valueText().toStdString();
    return t;
}
std::string pending(const AppState& s) {
    std::string t;
    for (int i = 0; i < 8; ++i) {
        const BinCell& c = s.PendingChanges[static_cast<size_t>(i)];
        t += c.isEmpty() ? "--" : c.valueText().toStdString();
    }
    return t;
}

struct Step {
    char what; // 'e' edit (StoreByte at address, byte), 'u' undo, 'r' redo
    int address, byte;
    bool done; // an action recorded, or an undo/redo carried out
    const char* image;
    const char* pendingAfter;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
};

const Case kCases[] = {
    {"undo restores and records",
     {{'e', 2, 0xAA, true, "0000AA0000000000", "----AA----------"},
      {'u', 0, 0, true, "0000000000000000", "----00----------"},
      {'u', 0, 0, false, "0000000000000000", "----00----------"}}},
    {"redo after undo",
     {{'e', 1, 0x11, true, "0011000000000000", "--11------------"},
      {'e', 1, 0x22, true, "0022000000000000", "--22------------"},
      {'u', 0, 0, true, "0011000000000000", "--11------------"},
      {'u', 0, 0, true, "0000000000000000", "--00------------"},
      {'r', 0, 0, true, "0011000000000000", "--11------------"},
      {'r', 0, 0, true, "0022000000000000", "--22------------"},
      {'r', 0, 0, false, "0022000000000000", "--22------------"}}},
    {"a new action clears redo",
     {{'e', 0, 0x01, true, "0100000000000000", "01--------------"},
      {'u', 0, 0, true, "0000000000000000", "00--------------"},
      {'e', 7, 0x07, true, "0000000000000007", "00------------07"},
      {'r', 0, 0, false, "0000000000000007", "00------------07"}}},
    {"no change is no step",
     {{'e', 3, 0x00, false, "0000000000000000", "------00--------"},
      {'u', 0, 0, false, "0000000000000000", "------00--------"}}},
};

class History : public testing::TestWithParam<Case> {};

TEST_P(History, UndoAndRedoStoreThroughStoreByte) {
    auto s = std::make_unique<AppState>();
    for (int i = 0; i < 32; ++i) {
        s->BinImage[static_cast<size_t>(i)].setAddress(i);
        s->BinImage[static_cast<size_t>(i)].setValue(0);
    }
    s->BinSize = 32;
    EditHistory history;
    int n = 0;
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE(++n);
        bool done = false;
        if (step.what == 'e')
            done = recordEdit(history, *s, {{0, 4}, {2, 6}}, [&] { StoreByte(*s, step.address, step.byte); });
        else
            done = (step.what == 'u' ? history.undo(*s) : history.redo(*s)) != nullptr;
        EXPECT_EQ(done, step.done);
        EXPECT_EQ(bytes(*s), step.image);
        EXPECT_EQ(pending(*s), step.pendingAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, History, testing::ValuesIn(kCases), [](const auto& info) {
    std::string n = info.param.name;
    std::replace(n.begin(), n.end(), ' ', '_');
    return n;
});

TEST(History, OneActionHoldsEveryByteItChangedOnce) {
    auto s = std::make_unique<AppState>();
    EditHistory history;
    // Overlapping ranges, a byte written twice, one written back as it was.
    ASSERT_TRUE(recordEdit(history, *s, {{10, 4}, {12, 4}, {kImageCells - 1, 5}}, [&] {
        StoreByte(*s, 15, 1);
        StoreByte(*s, 12, 3);
        StoreByte(*s, 12, 4);
        StoreByte(*s, 11, 0);
    }));
    const EditAction* undone = history.undo(*s);
    ASSERT_NE(undone, nullptr);
    EXPECT_EQ(*undone, (EditAction{{12, 0, 4}, {15, 0, 1}}));
    EXPECT_EQ(s->byteAt(12) + s->byteAt(15), 0);
}

} // namespace
