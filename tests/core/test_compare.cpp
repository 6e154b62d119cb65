// The comparison of the image with a baseline: the changed items with their readings
// before and after, the bytes of no item, and a baseline shorter than the image.
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
    for (int i = 0; i < 80; ++i) {
        s->BinImage[static_cast<size_t>(i)].setAddress(i);
        s->BinImage[static_cast<size_t>(i)].setValue(i < 64 ? i : 0);
    }
    s->BinSize = 80;
    const auto add = [&s](const char* address, int kind, int cols, int rows, int size, double factor) {
        EcuItem& it = s->EcuItemTable[static_cast<size_t>(++s->ecuHeader.ItemCount)];
        it.Id = QString::number(s->ecuHeader.ItemCount);
        it.Title = QStringLiteral("Item %1").arg(it.Id);
        it.Address = QLatin1String(address);
        it.Kind = static_cast<qint16>(kind), it.Columns = static_cast<qint16>(cols);
        it.Rows = static_cast<qint16>(rows), it.ByteSize = static_cast<qint16>(size), it.Factor = factor;
    };
    add("00", 80, 1, 1, 1, 1);
    add("10", 0, 1, 1, 2, 0.5);
    add("20", 0, 2, 2, 1, 1);
    return s;
}

struct Case {
    const char* name;
    std::vector<std::pair<int, int>> edits; // address, new byte
    int baselineFile;                       // bytes of the original written as the baseline; 0: as opened
    std::vector<int> changed;               // numbers of the items listed as changed
    std::vector<int> refused;               // numbers of the items listed as not compared
    std::vector<int> unlisted;
};

const Case kCases[] = {
    {"equal", {}, 0, {}, {}, {}},
    {"stored the same byte", {{0x11, 0x11}}, 0, {}, {}, {}},
    {"value and flag", {{0x11, 0x20}, {0x00, 0x80}}, 0, {1, 2}, {}, {}},
    {"map cell and bytes of no item", {{0x23, 7}, {0x30, 1}, {0x3F, 1}}, 0, {3}, {}, {0x30, 0x3F}},
    {"same file", {}, 64, {}, {}, {}},
    // 40 bytes read as an image hold two whole blocks: the map and 30.. are past them.
    {"shorter baseline", {{0x23, 7}, {0x30, 1}, {0x10, 9}}, 40, {2}, {3}, {}},
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
        EXPECT_EQ(baseline.path(), f.fileName());
    }
    for (auto [address, byte] : c.edits)
        StoreByte(*s, address, byte);
    const ChangeList list = listChanges(*s, baseline, QStringLiteral("##.##"));
    std::vector<int> changed, refused;
    for (const ItemChange& item : list.items) {
        (item.error.isEmpty() ? changed : refused).push_back(item.number);
        if (item.error.isEmpty()) {
            EXPECT_NE(item.before, item.after) << item.number;
        }
    }
    EXPECT_EQ(changed, c.changed);
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(list.unlisted, c.unlisted);
    EXPECT_EQ(list.anyDifference(), !c.changed.empty() || !c.unlisted.empty());
    // Marks on demand agree with the list, for any run of addresses.
    EXPECT_EQ(baseline.differingAddresses(*s, 0x30, 100), c.unlisted);
    EXPECT_EQ(baseline.anyDiffers(*s, 0x10, 2), std::count(c.changed.begin(), c.changed.end(), 2) == 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, Compare, testing::ValuesIn(kCases), [](const auto& info) {
    std::string n = info.param.name;
    std::replace(n.begin(), n.end(), ' ', '_');
    return n;
});

TEST(Compare, ReadingsBeforeAndAfterFollowTheItemsRules) {
    auto s = image();
    const Baseline baseline = Baseline::ofImage(*s);
    StoreByte(*s, 0x10, 0x00);
    StoreByte(*s, 0x22, 0xFF);
    const ChangeList list = listChanges(*s, baseline, QStringLiteral("0.0"));
    ASSERT_EQ(list.items.size(), 2u);
    EXPECT_EQ(list.items[0].before, (ItemReading{{0x1011}, {QStringLiteral("2056.5")}}));
    EXPECT_EQ(list.items[0].after, (ItemReading{{0x11}, {QStringLiteral("8.5")}}));
    EXPECT_EQ(list.items[1].before.raw, (std::vector<quint64>{0x20, 0x21, 0x22, 0x23}));
    EXPECT_EQ(list.items[1].after.raw, (std::vector<quint64>{0x20, 0x21, 0xFF, 0x23}));
    EXPECT_EQ(list.items[1].after.text[2], QStringLiteral("255.0"));
}

TEST(Compare, AFileThatCannotBeReadLeavesTheBaseline) {
    auto s = image();
    Baseline baseline = Baseline::ofImage(*s);
    QTemporaryDir dir;
    const Status refused = baseline.loadFile(dir.filePath(QStringLiteral("missing.bin")));
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error().contains(QStringLiteral("missing.bin")));
    EXPECT_FALSE(baseline.loadFile(dir.path()).ok()); // a folder is no image
    EXPECT_EQ(baseline.size(), 64);
    EXPECT_TRUE(baseline.path().isEmpty());
}

} // namespace
