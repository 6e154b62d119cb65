// Guards against bytes the user did not mean to write: grid keys step only the selected
// cells from the image as it is now, addresses never wrap, a failed definition read leaves
// no item behind, devices are not read as images, a definition may have no checksum, and
// the Hex steppers never go dead on a small image.
#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/checksum.h"
#include "core/ecu_reader.h"
#include "core/hex_window.h"
#include "core/table_values.h"
#include "core/values.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <sys/stat.h>

using namespace korvel;

namespace {

// A 1 KiB file as ReadBinFile leaves it: BinSize = 1024 + 16, cells at 0.
std::unique_ptr<AppState> image(int length = 1024) {
    auto s = std::make_unique<AppState>();
    for (int i = 0; i < length + 16; ++i) {
        s->BinImage[static_cast<size_t>(i)].setAddress(i);
        s->BinImage[static_cast<size_t>(i)].setValue(0);
    }
    s->BinSize = length + 16;
    return s;
}

int pendingCount(const AppState& s) {
    int n = 0;
    for (int i = 0; i < s.BinSize; ++i)
        n += s.PendingChanges[static_cast<size_t>(i)].isEmpty() ? 0 : 1;
    return n;
}

QByteArray definition(const QString& count, const std::vector<QString>& addresses) {
    QString t = QStringLiteral("ECU FORMAT\n{\nHeaderText = t\nHeaderNumber = 1\nChecksumAddress = 0\n"
                               "ChecksumSize = 0\nChecksumStart = 0\nChecksumEnd = 0\nItemCount = %1\n}\n")
                    .arg(count);
    for (const QString& a : addresses)
        t += QStringLiteral("{\nAddress = %1\nColumns = 1\nRows = 1\nByteSize = 1\nKind = 0\nOffset = 0\n"
                            "Conversion = 0\nFactor = 1\nTitle = T%1\nYLabel = y\nYAxis = \nXLabel = x\n"
                            "XAxis = \n}\n")
                 .arg(a);
    return t.toLatin1();
}

} // namespace

// A 3 x 2 table at 0x10 whose bytes another tab changed after the grid read them.
TEST(GridStep, StepsOnlySelectedCellsFromTheImageAsItIsNow) {
    struct Row {
        int key;
        std::set<int> selected; // cell indexes c + 3 r
        std::vector<int> expected;
        bool stored;
    };
    const Row rows[] = {
        {kKeyCodePlus, {0, 4}, {11, 99, 255, 13, 15, 0}, true},
        {kKeyCodeMinus, {2, 5}, {10, 99, 254, 13, 14, 0}, true},
        {kKeyCodePlus, {}, {10, 99, 255, 13, 14, 0}, false},
        {37 /* an arrow */, {0, 1, 2, 3, 4, 5}, {10, 99, 255, 13, 14, 0}, false},
    };
    for (const Row& row : rows) {
        auto s = image();
        const TableSpan span{0x10, 3, 2};
        const int start[] = {10, 11, 255, 13, 14, 0};
        for (int i = 0; i < 6; ++i)
            s->BinImage[static_cast<size_t>(0x10 + i)].setValue(start[i]);
        ValueMatrix values;
        loadTable(*s, span, values);
        StoreByte(*s, 0x11, 99); // the Values tab writes a byte of the table
        const int before = pendingCount(*s);
        MapDivisors d;
        const bool stored = stepSelectedCells(
            *s, span, values, [&](int c, int r) { return row.selected.count(c + 3 * r) > 0; }, row.key, &d);
        EXPECT_EQ(stored, row.stored) << row.key;
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(s->byteAt(0x10 + i), row.expected[static_cast<size_t>(i)]) << "cell " << i;
            EXPECT_EQ(values.at(i % 3, i / 3), row.expected[static_cast<size_t>(i)]) << "cell " << i;
        }
        const int written = row.stored ? static_cast<int>(row.selected.size()) : 0;
        EXPECT_EQ(pendingCount(*s), before + written) << "only the stepped cells are recorded";
        EXPECT_EQ(d.zMax, 255);
    }
}

TEST(ItemBounds, AddressesNearTheTopOfTheRangeAreRefusedNotWrapped) {
    auto s = image(); // last byte Save writes: 0x3FF
    struct Row {
        const char* address;
        ItemClass cls;
        int byteSize, cols, rows;
        bool refused;
    };
    const Row rows[] = {
        {"FFFFFFFFFFFFFFFF", ItemClass::Value, 2, 1, 1, true},
        {"FFFFFFFFFFFFFFFF", ItemClass::Flag, 1, 1, 1, true},
        {"FFFFFFFFFFFFFFFE", ItemClass::Array, 1, 4, 1, true},
        {"FFFFFFFFFFFFFC01", ItemClass::Map, 1, 32, 32, true},
        {"3FE", ItemClass::Value, 2, 1, 1, false},
        {"3FF", ItemClass::Value, 2, 1, 1, true},
        {"3F0", ItemClass::Array, 1, 16, 1, false},
        {"3F1", ItemClass::Array, 1, 16, 1, true},
    };
    for (const Row& r : rows) {
        EcuItem item;
        item.Address = QLatin1String(r.address);
        item.ByteSize = static_cast<qint16>(r.byteSize);
        item.Columns = static_cast<qint16>(r.cols);
        item.Rows = static_cast<qint16>(r.rows);
        EXPECT_EQ(!itemRefusal(*s, item, r.cls).isEmpty(), r.refused) << r.address;
    }
}

TEST(DefinitionRead, AFailedReadLeavesNoItemOfAnEarlierDefinition) {
    AppState s;
    ASSERT_EQ(readEcuData(s, definition(QStringLiteral("3"),
                                        {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30")}))
                  .outcome,
              EcuReadResult::Outcome::Read);
    ASSERT_EQ(s.EcuItemTable[3].Address.trimmed(), QStringLiteral("30"));
    // The second definition promises three items but its file ends after the first.
    const EcuReadResult r = readEcuData(s, definition(QStringLiteral("3"), {QStringLiteral("40")}));
    EXPECT_EQ(r.outcome, EcuReadResult::Outcome::ItemError);
    EXPECT_EQ(s.EcuItemTable[1].Address.trimmed(), QStringLiteral("40"));
    for (int n : {2, 3}) {
        EXPECT_TRUE(s.EcuItemTable[static_cast<size_t>(n)].Address.isEmpty()) << n;
        EXPECT_TRUE(s.EcuItemTable[static_cast<size_t>(n)].Title.isEmpty()) << n;
    }
}

TEST(ImageRead, DevicesAndPipesAreNotReadAsImages) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.bin"));
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& path : {QStringLiteral("/dev/zero"), fifo}) {
        auto s = std::make_unique<AppState>();
        s->BinPath = path;
        const Status st = ReadBinFile(*s); // neither reads forever nor waits for a writer
        ASSERT_FALSE(st);
        EXPECT_TRUE(st.error().contains(QLatin1String("not a regular file"))) << st.error().toStdString();
    }
}

TEST(Checksum, SizeZeroMeansTheDefinitionHasNone) {
    auto s = image();
    struct Row {
        const char* size;
        const char* address;
        bool absent;
        bool layout;
    };
    const Row rows[] = {{" 0", "zz", true, false},
                        {"0", "3FE", true, false},
                        {" 2", "3FE", false, true},
                        {" 5", "3FE", false, false},
                        {" x", "3FE", false, false}};
    for (const Row& r : rows) {
        s->ecuHeader.ChecksumStart = QStringLiteral("0");
        s->ecuHeader.ChecksumEnd = QStringLiteral("3FD");
        s->ecuHeader.ChecksumAddress = QLatin1String(r.address);
        s->ecuHeader.ChecksumSize = QLatin1String(r.size);
        const ChecksumLayoutResult l = checksumLayout(*s);
        EXPECT_EQ(l.absent, r.absent) << r.size;
        EXPECT_EQ(l.layout.has_value(), r.layout) << r.size;
        if (r.absent) {
            EXPECT_EQ(l.refusal, QLatin1String(kNoChecksumText));
        }
    }
}

// The default window (start 35, 140 x 1) passes the end of a 128-byte file (cells 0..8F).
TEST(HexSteps, StepsBringAWindowTooLargeBackInsideAndStopAtTheEnd) {
    struct Row {
        const char *start, *cols;
        HexBox box;
        int v;
        bool taken;
    };
    const Row rows[] = {
        {"35", "140", HexBox::Cols, +1, true},  // a smaller count: nearer
        {"35", "140", HexBox::Cols, -1, false}, // a larger count: farther
        {"35", "140", HexBox::Start, +1, true}, // a lower start: nearer
        {"35", "140", HexBox::Start, -1, false}, {"35", "140", HexBox::Rows, -1, false},
        {"0", "150", HexBox::Start, +1, false}, // start 0 stays 0: nothing nearer
        {"8D", "2", HexBox::Start, -1, true},   // 8E..8F is the last window that fits
        {"8E", "2", HexBox::Start, -1, false},
    };
    for (const Row& r : rows) {
        const HexWindowTexts accepted{QLatin1String(r.start), QLatin1String(r.cols), QStringLiteral("1")};
        const QString& text = r.box == HexBox::Start  ? accepted.start
                              : r.box == HexBox::Cols ? accepted.cols
                                                      : accepted.rows;
        EXPECT_EQ(hexBoxChange(accepted, r.box, text, r.v, 128 + 16).has_value(), r.taken)
            << r.start << " " << r.cols << " v " << r.v;
    }
}
