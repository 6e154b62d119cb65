#include "item_reading.h"

#include "grid_text.h"
#include "values.h"

namespace korvel {

ItemReading readItem(const EcuItem& item, ItemClass cls, int address, const ByteAt& byteAt,
                     const QString& numericFormat) {
    ItemReading r;
    switch (cls) {
    case ItemClass::Flag:
        r.raw.push_back(static_cast<quint64>(byteAt(address)));
        break;
    case ItemClass::Value: {
        quint64 v = 0;
        for (int k = 0; k < item.ByteSize; ++k)
            v = (v << 8) | static_cast<quint64>(byteAt(address + k));
        r.raw.push_back(v);
        if (item.Factor != 0)
            r.text.emplace_back(FormatCalculated(CalculatedValue(item, v), numericFormat));
        else
            r.text.emplace_back(std::nullopt);
        break;
    }
    case ItemClass::Array:
    case ItemClass::Map: {
        const TableKind kind = cls == ItemClass::Map ? TableKind::Map : TableKind::Array;
        const int cells = itemByteCount(item, cls);
        r.raw.reserve(static_cast<size_t>(cells));
        r.text.reserve(static_cast<size_t>(cells));
        for (int i = 0; i < cells; ++i) {
            const int b = byteAt(address + i);
            r.raw.push_back(static_cast<quint64>(b));
            r.text.emplace_back(cellText(item, kind, false, b, numericFormat));
        }
        break;
    }
    default:
        break;
    }
    return r;
}

int itemByteCount(const EcuItem& item, ItemClass cls) {
    switch (cls) {
    case ItemClass::Flag:
        return 1;
    case ItemClass::Value:
        return item.ByteSize;
    case ItemClass::Array:
    case ItemClass::Map:
        return item.Columns * item.Rows;
    default:
        return 0;
    }
}

} // namespace korvel
