// Undo and redo: the bytes and the pending changes after each step, redo after undo, a
// new action dropping the redo steps, and actions that change nothing.
#include "core/app_state.h"
#include "core/edit_history.h"
#include "core/values.h"

#include <gtest/gtest.h>

#include <memory>

using namespace korvel;

namespace {

// Bytes 0..3 of the image, then of the pending changes ("--" for none).
std::string cells(const AppState& s) {
    std::string t;
    for (const auto* list : {&s.BinImage, &s.PendingChanges})
        for (int i = 0; i < 4; ++i) {
            const BinCell& c = (*list)[static_cast<size_t>(i)];
            t += c.isEmpty() ? "--" : c.valueText().toStdString();
        }
    return t;
}

struct Step {
    char what; // 'e' edit (StoreByte at address, byte), 'u' undo, 'r' redo
    int address, byte;
    bool done; // an action recorded, or an undo/redo carried out
    const char* cells;
};

class History : public testing::TestWithParam<std::vector<Step>> {};

TEST_P(History, UndoAndRedoStoreThroughStoreByte) {
    auto s = std::make_unique<AppState>();
    for (int i = 0; i < 4; ++i)
        s->BinImage[static_cast<size_t>(i)].setValue(0);
    EditHistory history;
    int heard = 0, steps = 0; // listeners hear every step that changed bytes, and only those
    history.addListener([&](const EditAction& a) { heard += a.empty() ? 100 : 1; });
    int n = 0;
    for (const Step& step : GetParam()) {
        SCOPED_TRACE(++n);
        bool done = false;
        if (step.what == 'e')
            done = recordEdit(history, *s, {{0, 3}, {1, 3}}, [&] { StoreByte(*s, step.address, step.byte); });
        else
            done = (step.what == 'u' ? history.undo(*s) : history.redo(*s)) != nullptr;
        EXPECT_EQ(done, step.done);
        EXPECT_EQ(cells(*s), step.cells);
        steps += step.done;
        EXPECT_EQ(heard, steps);
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, History,
                         testing::Values(
                             // Undo stores the old byte as a pending change; no change is no step.
                             std::vector<Step>{{'e', 2, 0xAA, true, "0000AA00----AA--"},
                                               {'e', 1, 0x00, false, "0000AA00--00AA--"},
                                               {'u', 0, 0, true, "00000000--0000--"},
                                               {'u', 0, 0, false, "00000000--0000--"}},
                             // Redo after undo, in order.
                             std::vector<Step>{{'e', 1, 0x11, true, "00110000--11----"},
                                               {'e', 1, 0x22, true, "00220000--22----"},
                                               {'u', 0, 0, true, "00110000--11----"},
                                               {'u', 0, 0, true, "00000000--00----"},
                                               {'r', 0, 0, true, "00110000--11----"},
                                               {'r', 0, 0, true, "00220000--22----"},
                                               {'r', 0, 0, false, "00220000--22----"}},
                             // A new action clears the redo steps.
                             std::vector<Step>{{'e', 0, 0x01, true, "0100000001------"},
                                               {'u', 0, 0, true, "0000000000------"},
                                               {'e', 3, 0x07, true, "0000000700----07"},
                                               {'r', 0, 0, false, "0000000700----07"}}));

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
