// The .ecu definition in the item model: every item reads the bytes and values its tab shows.
#include "core/ecu_model.h"
#include "core/item_cells.h"
#include "core/item_reading.h"
#include "core/table_text.h"
#include "core/values.h"
#include "core_fixture.h"

#include <cmath>

using namespace korvel;
using korvel::test::item;

namespace {

struct Rule {
    const char* name;
    EcuItem item;
};

class EcuModelValues : public testing::TestWithParam<Rule> {};

// An image whose bytes from 0x10 on are the given raw bytes.
ImageBytes imageWith(const std::vector<int>& bytes) {
    return [bytes](qint64 a) {
        return a >= 0x10 && a < 0x10 + qint64(bytes.size()) ? bytes[size_t(a - 0x10)] : 0;
    };
}

// The value the item's tab shows for a raw number: nothing where the tab shows none.
std::optional<double> tabValue(const EcuItem& e, quint64 raw) {
    const ItemClass cls = classOf(e);
    if (cls == ItemClass::Value) return e.Factor == 0 ? std::nullopt : CalculatedValue(e, raw);
    const double v =
        ShownValues(e, cls == ItemClass::Map ? TableKind::Map : TableKind::Array, true).fromRaw(int(raw));
    return std::isnan(v) ? std::nullopt : std::optional(v);
}

TEST_P(EcuModelValues, AreTheTabsValues) {
    EcuItemArray table;
    table[1] = GetParam().item;
    EcuHeader header;
    header.ItemCount = 1;
    header.ChecksumSize = QStringLiteral("0");
    const Definition def = ecuModel(header, table);
    ASSERT_EQ(def.items.size(), 1u);
    const CalItem& model = def.items.front();
    const EcuItem& e = table[1];
    const ItemClass cls = classOf(e);
    ASSERT_TRUE(model.readOnlyReason.isEmpty()) << model.readOnlyReason.toStdString();
    EXPECT_EQ(model.itemClass(), cls);
    EXPECT_EQ(model.category.toLower(), QString::fromLatin1(className(cls)) + QLatin1Char('s'));

    const std::vector<int> bytes{0, 1, 7, 128, 200, 255, 3, 9};
    const CellReading cells = readCells(def, model, imageWith(bytes));
    ASSERT_TRUE(cells.error.isEmpty()) << cells.error.toStdString();
    const ByteAt byteAt = [&bytes](int a) { return bytes[size_t(a - 0x10)]; };
    const ItemReading tab = readItem(e, cls, 0x10, byteAt, QStringLiteral("##.##"));
    EXPECT_EQ(cells.bits, tab.raw) << GetParam().name;
    if (cls == ItemClass::Flag) return;
    for (size_t i = 0; i < tab.raw.size(); ++i) {
        const auto want = tabValue(e, tab.raw[i]), got = cells.values[i];
        EXPECT_EQ(got.has_value(), want.has_value()) << GetParam().name << " raw " << tab.raw[i];
        if (got && want) {
            EXPECT_DOUBLE_EQ(*got, *want) << GetParam().name << " raw " << tab.raw[i];
        }
    }
}

EcuItem flag() {
    EcuItem e = item("10", 1, 1, 1, 80);
    e.YAxis = QStringLiteral("Fan  Pump Idle ");
    e.XAxis = QStringLiteral("Options");
    return e;
}

INSTANTIATE_TEST_SUITE_P(Items, EcuModelValues,
                         testing::Values(Rule{"flag", flag()},
                                         Rule{"byte value", item("10", 1, 1, 1, 0, 0, 0.5, -40)},
                                         Rule{"3-byte value", item("10", 1, 1, 3, 0, 0, 2, 1)},
                                         Rule{"value without factor", item("10", 1, 1, 2, 0, 0, 0, 5)},
                                         Rule{"reciprocal value", item("10", 1, 1, 1, 0, 1, 1000, 2)},
                                         Rule{"array", item("10", 1, 8, 1, 0, 0, 0.25, 3)},
                                         Rule{"reciprocal array", item("10", 8, 1, 1, 0, 1, 50, 0)},
                                         Rule{"array without factor", item("10", 8, 1, 1, 0, 0, 0, 7)},
                                         Rule{"map without factor", item("10", 4, 2, 1, 0, 0, 0, 7)},
                                         Rule{"map of another conversion", item("10", 2, 4, 1, 0, 5, 3, 7)},
                                         Rule{"map", item("10", 4, 2, 1, 0, 0, 1.5, -2)}),
                         [](const testing::TestParamInfo<Rule>& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == ' ' || c == '-') c = '_';
                             return n;
                         });

TEST(EcuModel, KeepsLabelsHeadingsAndRefusals) {
    EcuItemArray table;
    table[1] = flag();
    table[2] = item("10", 4, 2);
    table[2].YAxis = QStringLiteral("Cold Warm ");
    table[2].XAxis = QStringLiteral("500 1k 2k 4k");
    table[2].YLabel = QStringLiteral("Coolant");
    table[3] = item("1G", 1, 1, 2);
    table[4] = item("10", 1, 1, 9);
    EcuHeader header;
    header.ItemCount = 4;
    header.ChecksumSize = QStringLiteral("2");
    header.ChecksumStart = QStringLiteral("8");
    header.ChecksumEnd = QStringLiteral("3FFF");
    header.ChecksumAddress = QStringLiteral(" 6");
    const Definition def = ecuModel(header, table);
    ASSERT_EQ(def.items.size(), 4u);

    const CalItem& f = def.items[0];
    EXPECT_EQ(f.bitLabels, (QStringList{"Fan  ", "Pump ", "Idle ", "", "", "", "", ""}));
    EXPECT_EQ(f.description, QStringLiteral("Options"));
    EXPECT_TRUE(f.flagSet(0x01));

    const CalItem& map = def.items[1];
    EXPECT_EQ(map.y.texts, (QStringList{"Cold ", "Warm "}));
    EXPECT_EQ(map.x.texts, (QStringList{"500", " 1k", " 2k", " 4k"}));
    EXPECT_EQ(map.y.title, QStringLiteral("Coolant"));
    EXPECT_EQ(map.cellAddress(1, 2), 0x10 + 4 + 2);

    EXPECT_EQ(def.items[2].readOnlyReason, itemRefusal(1 << 20, table[3], ItemClass::Value));
    EXPECT_FALSE(def.items[3].readOnlyReason.isEmpty());

    ASSERT_EQ(def.checksums.size(), 1u);
    const ChecksumRegion& c = def.checksums.front();
    EXPECT_EQ(std::tuple(c.start, c.end, c.store, c.sizeBits, c.supported()),
              std::tuple(8, 0x3FFF, 6, 16, true));

    for (const auto& [size, regions, supported] :
         {std::tuple("0", 0u, false), std::tuple("5", 1u, false), std::tuple("X", 1u, false)}) {
        header.ChecksumSize = QLatin1String(size);
        const Definition d = ecuModel(header, table);
        ASSERT_EQ(d.checksums.size(), regions) << size;
        if (regions) {
            EXPECT_EQ(d.checksums.front().supported(), supported) << size;
        }
    }
}

} // namespace
