// Guards against bytes the user did not mean to write: grid keys step only the selected cells
// from the image as it is now, addresses never wrap, a failed definition read leaves no item
// behind, devices are not images, a definition may have no checksum, and the Hex steppers never
// go dead on a small image.
#include "core/bin_image.h"
#include "core/checksum.h"
#include "core/ecu_reader.h"
#include "core/hex_window.h"
#include "core/table_values.h"
#include "core/values.h"
#include "core_fixture.h"

#include <algorithm>
#include <set>
#include <sys/stat.h>

using namespace korvel;
using namespace korvel::test;

namespace {

int pendingCount(const AppState& s) {
    int n = 0;
    for (int i = 0; i < s.BinSize; ++i)
        n += s.PendingChanges[size_t(i)].isEmpty() ? 0 : 1;
    return n;
}

QByteArray definition(int count, const std::vector<const char*>& addresses) {
    QByteArray t =
        "ECU FORMAT\n{\nH = t\nN = 1\nCA = 0\nCS = 0\nCB = 0\nCE = 0\nItems = " + QByteArray::number(count) +
        "\n}\n";
    for (const char* a : addresses)
        t += QByteArray("{\nAddress = ") + a +
             "\nC = 1\nR = 1\nB = 1\nK = 0\nO = 0\nV = 0\nF = 1\nTitle = T\nY = \nYA = \nX = \nXA = \n}\n";
    return t;
}

} // namespace

// A 3 x 2 table at 0x10 whose byte 0x11 the Values tab changed after the grid read the table.
TEST(GridStep, StepsOnlySelectedCellsFromTheImageAsItIsNow) {
    // clang-format off
    const std::tuple<int, std::set<int>, std::vector<int>> rows[] = { // key, cells c + 3 r, bytes after
        {kKeyCodePlus, {0, 4}, {11, 99, 255, 13, 15, 0}}, {kKeyCodeMinus, {2, 5}, {10, 99, 254, 13, 14, 0}},
        {kKeyCodePlus, {}, {10, 99, 255, 13, 14, 0}}, {37 /* an arrow */, {0, 1, 2, 3, 4, 5}, {10, 99, 255, 13, 14, 0}},
        {kKeyCodePlus, {6, 7, 8}, {10, 99, 255, 13, 14, 0}}}; // a row past the table is never written
    // clang-format on
    for (const auto& [key, selected, after] : rows) {
        auto s =
            imageOf(std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 11, 255, 13, 14, 0});
        const TableSpan span{0x10, 3, 2};
        ValueMatrix values;
        loadTable(*s, span, values);
        StoreByte(*s, 0x11, 99);
        MapDivisors d;
        const bool stored = stepSelectedCells(
            *s, span, values, [&](int c, int r) { return selected.count(c + 3 * r) > 0; }, key, &d);
        const int written =
            key == 37 ? 0 : int(std::count_if(selected.begin(), selected.end(), [](int i) { return i < 6; }));
        EXPECT_EQ(stored, written > 0);
        EXPECT_EQ(pendingCount(*s), 1 + written) << "only the stepped cells are recorded";
        for (int i = 0; i < 6; ++i)
            EXPECT_TRUE(s->byteAt(0x10 + i) == after[size_t(i)] &&
                        values.at(i % 3, i / 3) == after[size_t(i)])
                << "key " << key << " cell " << i;
        EXPECT_EQ(d.zMax, 255);
    }
}

TEST(ItemBounds, AddressesNearTheTopOfTheRangeAreRefusedNotWrapped) {
    auto s = imageOf({}, 1024); // the last byte Save writes: 3FF
    // clang-format off
    const std::tuple<const char*, ItemClass, int, int, int, bool> rows[] = { // address, class, bytes, cols, rows, refused
        {"FFFFFFFFFFFFFFFF", ItemClass::Value, 2, 1, 1, true}, {"FFFFFFFFFFFFFFFF", ItemClass::Flag, 1, 1, 1, true},
        {"FFFFFFFFFFFFFFFE", ItemClass::Array, 1, 4, 1, true}, {"FFFFFFFFFFFFFC01", ItemClass::Map, 1, 32, 32, true},
        {"3FE", ItemClass::Value, 2, 1, 1, false}, {"3FF", ItemClass::Value, 2, 1, 1, true},
        {"3F0", ItemClass::Array, 1, 16, 1, false}, {"3F1", ItemClass::Array, 1, 16, 1, true}};
    // clang-format on
    for (const auto& [address, cls, bytes, cols, rows, refused] : rows)
        EXPECT_EQ(!itemRefusal(*s, item(address, cols, rows, bytes), cls).isEmpty(), refused) << address;
}

TEST(DefinitionRead, AFailedReadLeavesNoItemOfAnEarlierDefinition) {
    AppState s;
    // A blank first line is skipped, not taken for the whole file.
    ASSERT_EQ(readEcuData(s, "\n" + definition(3, {"10", "20", "30"})).outcome, EcuReadResult::Outcome::Read);
    // The second definition promises three items but its file ends after the first.
    EXPECT_EQ(readEcuData(s, definition(3, {"40"})).outcome, EcuReadResult::Outcome::ItemError);
    EXPECT_EQ(s.EcuItemTable[1].Address.trimmed(), QStringLiteral("40"));
    EXPECT_TRUE(s.EcuItemTable[2].Address.isEmpty() && s.EcuItemTable[3].Title.isEmpty());
}

TEST(ImageRead, DevicesAndPipesAreNotReadAsImages) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.bin"));
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& path : {QStringLiteral("/dev/zero"), fifo}) {
        auto s = std::make_unique<AppState>();
        s->BinPath = path;
        const Status st = ReadBinFile(*s); // neither reads forever nor waits for a writer
        EXPECT_TRUE(!st && st.error().contains(QLatin1String("not a regular file"))) << path.toStdString();
    }
}

TEST(Checksum, SizeZeroMeansTheDefinitionHasNone) {
    auto s = imageOf({}, 1024);
    // clang-format off
    const std::tuple<const char*, const char*, bool, bool> rows[] = { // size, address, absent, a layout
        {" 0", "zz", true, false}, {"0", "3FE", true, false}, {" 2", "3FE", false, true}, {" 5", "3FE", false, false}};
    // clang-format on
    for (const auto& [size, address, absent, layout] : rows) {
        std::tie(s->ecuHeader.ChecksumStart, s->ecuHeader.ChecksumEnd) = std::tuple("0", "3FD");
        std::tie(s->ecuHeader.ChecksumAddress, s->ecuHeader.ChecksumSize) = std::tuple(address, size);
        const ChecksumLayoutResult l = checksumLayout(*s);
        EXPECT_TRUE(l.absent == absent && l.layout.has_value() == layout) << size;
        EXPECT_EQ(l.refusal == QLatin1String(kNoChecksumText), absent) << size;
    }
}

// The default window (start 35, 140 x 1) passes the end of a 128-byte file (cells 0..8F).
TEST(HexSteps, StepsBringAWindowTooLargeBackInsideAndStopAtTheEnd) {
    // clang-format off
    const std::tuple<const char*, const char*, HexBox, int, bool> rows[] = { // start, cols, box, v, taken
        {"35", "140", HexBox::Cols, +1, true}, {"35", "140", HexBox::Cols, -1, false},
        {"35", "140", HexBox::Start, +1, true}, {"35", "140", HexBox::Start, -1, false},
        {"35", "140", HexBox::Rows, -1, false}, {"0", "150", HexBox::Start, +1, false}, // start 0 stays 0
        {"8D", "2", HexBox::Start, -1, true}, {"8E", "2", HexBox::Start, -1, false}}; // 8E..8F fits last
    // clang-format on
    EXPECT_FALSE(parseHexWindow({"35", "600", "1"}) || parseHexWindow({"35", "140", "x"}) ||
                 parseHexWindow({"zz", "140", "1"}));
    for (const auto& [start, cols, box, v, taken] : rows) {
        const HexWindowTexts accepted{start, cols, "1"};
        const QString& text = box == HexBox::Start  ? accepted.start
                              : box == HexBox::Cols ? accepted.cols
                                                    : "1";
        EXPECT_EQ(hexBoxChange(accepted, box, text, v, 128 + 16).has_value(), taken) << start << " " << cols;
    }
}
