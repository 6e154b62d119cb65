// The comparison of the image with a baseline: the changed items, the bytes of no item,
// a baseline file shorter than the image (to the byte), and a file that cannot be read.
#include "core/app_state.h"
#include "core/baseline.h"
#include "core/change_list.h"
#include "core/values.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace korvel;

namespace {

// A 64-byte image holding 0, 1, 2, ... with a flag at 00, a 2-byte value at 10 and a
// 2 x 2 map at 20; nothing covers 30..3F.
std::unique_ptr<AppState> image() {
    auto s = std::make_unique<AppState>();
    for (int i = 0; i < 80; ++i)
        StoreByte(*s, i, i < 64 ? i : 0);
    s->BinSize = 80;
    for (const auto& [address, kind, cols, rows, size] :
         {std::tuple{"00", 80, 1, 1, 1}, {"10", 0, 1, 1, 2}, {"20", 0, 2, 2, 1}}) {
        EcuItem& it = s->EcuItemTable[static_cast<size_t>(++s->ecuHeader.ItemCount)];
        it.Id = QString::number(s->ecuHeader.ItemCount);
        it.Address = QLatin1String(address);
        it.Kind = static_cast<qint16>(kind), it.Columns = static_cast<qint16>(cols);
        it.Rows = static_cast<qint16>(rows), it.ByteSize = static_cast<qint16>(size), it.Factor = 0.5;
    }
    return s;
}

struct Case {
    std::vector<std::pair<int, int>> edits; // address, new byte
    int baselineFile;         // bytes of the original written as the baseline; 0: as opened; -1: a folder
    std::vector<int> changed; // numbers of the items listed as changed
    std::vector<int> refused; // numbers of the items listed as not compared
    std::vector<int> unlisted;
};

class Compare : public testing::TestWithParam<Case> {};

TEST_P(Compare, ListsWhatDiffers) {
    const Case& c = GetParam();
    auto s = image();
    Baseline baseline = Baseline::ofImage(*s);
    QTemporaryDir dir;
    if (c.baselineFile > 0) {
        QFile f(dir.filePath(QStringLiteral("stock.bin")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        for (int i = 0; i < c.baselineFile; ++i)
            f.putChar(static_cast<char>(s->byteAt(i)));
        f.close();
        ASSERT_TRUE(baseline.loadFile(f.fileName()).ok());
    } else if (c.baselineFile < 0) { // refused with the reason; the baseline stays as opened
        EXPECT_TRUE(baseline.loadFile(dir.path()).error().contains(dir.path()));
        EXPECT_EQ(baseline.size(), 64);
    }
    for (auto [address, byte] : c.edits)
        StoreByte(*s, address, byte);
    const ChangeList list = listChanges(*s, baseline, QStringLiteral("##.##"));
    std::vector<int> changed, refused;
    for (const ItemChange& item : list.items) {
        (item.error.isEmpty() ? changed : refused).push_back(item.number);
        EXPECT_EQ(item.error.isEmpty(), item.before != item.after) << item.number;
        // An item past the end of the baseline file is not blamed on the image.
        EXPECT_EQ(item.pastBaseline, item.error.startsWith(QLatin1String("Not in stock.bin:")))
            << item.number;
        const auto was = baselineReading(baseline, s->EcuItemTable[size_t(item.number)], item.cls,
                                         QStringLiteral("##.##"));
        EXPECT_EQ(was, item.pastBaseline ? std::nullopt : std::optional(item.before)) << item.number;
    }
    EXPECT_EQ(list.lengthsDiffer(), c.baselineFile > 0 && c.baselineFile != 64);
    EXPECT_EQ(changed, c.changed);
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(list.unlisted, c.unlisted);
    EXPECT_EQ(list.anyDifference(), !c.changed.empty() || !c.unlisted.empty());
    // Marks on demand agree with the list, for any run of addresses.
    EXPECT_EQ(baseline.differingAddresses(*s, 0x24, 100), c.unlisted);
    EXPECT_EQ(baseline.anyDiffers(*s, 0x10, 2), std::count(c.changed.begin(), c.changed.end(), 2) == 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, Compare,
                         testing::Values(Case{{}, 0, {}, {}, {}},             // equal
                                         Case{{{0x11, 0x11}}, 0, {}, {}, {}}, // the same byte stored again
                                         Case{{{0x11, 0x20}, {0x00, 0x80}}, 0, {1, 2}, {}, {}},
                                         Case{{{0x23, 7}, {0x30, 1}, {0x3F, 1}}, 0, {3}, {}, {0x30, 0x3F}},
                                         Case{{}, 64, {}, {}, {}}, // the same bytes from a file
                                         Case{{{0x3F, 1}}, -1, {}, {}, {0x3F}},
                                         // Every byte of a file counts, its last part block too.
                                         Case{{{0x25, 1}}, 40, {}, {}, {0x25}},
                                         // The map reaches past the end of a 34-byte file, and so do 24..
                                         Case{{{0x23, 7}, {0x24, 1}, {0x10, 9}}, 34, {2}, {3}, {}}));

} // namespace
