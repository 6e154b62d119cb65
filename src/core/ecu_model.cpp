#include "ecu_model.h"

#include "grid_text.h"
#include "values.h"

#include <limits>

namespace korvel {

namespace {

constexpr const char* kCategories[] = {"Flags", "Values", "Arrays", "Maps"};

QString categoryOf(ItemClass cls) {
    switch (cls) {
    case ItemClass::Flag:
        return QLatin1String(kCategories[0]);
    case ItemClass::Value:
        return QLatin1String(kCategories[1]);
    case ItemClass::Array:
        return QLatin1String(kCategories[2]);
    case ItemClass::Map:
        return QLatin1String(kCategories[3]);
    default:
        return {};
    }
}

Conversion conversionOf(const EcuItem& item, ItemClass cls) {
    if (item.Factor == 0 && cls == ItemClass::Value)
        return Conversion(*Equation::parse(QStringLiteral("0 / 0")).first, {});
    if (item.Factor == 0 && cls == ItemClass::Map) return Conversion::ecu(2, 0, 0);
    return Conversion::ecu(item.Conversion, item.Factor, item.Offset);
}

CalAxis axisOf(const QString& title, const QString& text, int count, int width) {
    CalAxis axis;
    axis.source = CalAxis::Source::Texts;
    axis.title = title;
    axis.count = count;
    for (int k = 1; k <= count; ++k)
        axis.texts << headingField(text, k, width);
    return axis;
}

CalItem itemOf(const EcuItem& e) {
    const ItemClass cls = classOf(e);
    CalItem item;
    item.id = e.Id;
    item.title = e.Title;
    item.category = categoryOf(cls);
    item.readOnlyReason =
        cls == ItemClass::None || cls == ItemClass::Ambiguous
            ? QStringLiteral("\"%1\" (item %2) belongs to no tab.").arg(e.Title.trimmed(), e.Id)
            : itemRefusal(std::numeric_limits<qint64>::max(), e, cls);
    if (const auto address = ParseHex(e.Address);
        address && *address <= quint64(std::numeric_limits<qint64>::max()))
        item.address = qint64(*address);
    item.conversion = conversionOf(e, cls);
    switch (cls) {
    case ItemClass::Flag:
        item.kind = CalItem::Kind::Flag;
        item.mask = 0xFF;
        item.description = e.XAxis;
        for (int k = 1; k <= 8; ++k)
            item.bitLabels << headingField(e.YAxis, k, kRowHeadingWidth);
        break;
    case ItemClass::Value:
        item.layout.bytes = e.ByteSize >= 1 && e.ByteSize <= 8 ? e.ByteSize : 1;
        break;
    case ItemClass::Array:
    case ItemClass::Map:
        if (!item.readOnlyReason.isEmpty()) break; // its counts are not a table's
        item.kind = CalItem::Kind::Table;
        item.rows = e.Rows;
        item.columns = e.Columns;
        item.y = axisOf(e.YLabel, e.YAxis, e.Rows, kRowHeadingWidth);
        item.x = axisOf(e.XLabel, e.XAxis, e.Columns, kColumnHeadingWidth);
        break;
    default:
        break;
    }
    return item;
}

std::optional<ChecksumRegion> headerChecksum(const EcuHeader& h) {
    const auto size = ParseHex(h.ChecksumSize);
    if (size && *size == 0) return std::nullopt;
    ChecksumRegion region;
    region.title = QStringLiteral("Checksum");
    const auto start = ParseHex(h.ChecksumStart), end = ParseHex(h.ChecksumEnd),
               store = ParseHex(h.ChecksumAddress);
    constexpr quint64 kFar = quint64(std::numeric_limits<qint64>::max());
    if (!size || *size > 4 || !start || !end || !store || *start > kFar || *end > kFar || *store > kFar) {
        region.unsupportedReason = QStringLiteral("the header's checksum fields cannot be read");
        return region;
    }
    region.start = qint64(*start);
    region.end = qint64(*end);
    region.store = qint64(*store);
    region.sizeBits = int(*size) * 8;
    return region;
}

} // namespace

Definition ecuModel(const EcuHeader& header, const EcuItemArray& items) {
    Definition def;
    def.format = Definition::Format::Ecu;
    def.title = header.HeaderText.trimmed();
    for (const char* c : kCategories)
        def.categories << QLatin1String(c);
    const int count = std::clamp<int>(header.ItemCount, 0, kMaxItems);
    def.items.reserve(size_t(count));
    for (int n = 1; n <= count; ++n)
        def.items.push_back(itemOf(items[size_t(n)]));
    if (auto region = headerChecksum(header)) def.checksums.push_back(*region);
    return def;
}

} // namespace korvel
