#include "ecu_definition.h"

namespace korvel {

ItemClass classOf(const EcuItem& item) {
    int matches = 0;
    ItemClass found = ItemClass::None;
    auto test = [&](bool passes, ItemClass c) {
        if (passes) {
            ++matches;
            found = c;
        }
    };
    const bool bothAboveOne = item.Columns > 1 && item.Rows > 1;
    test(item.Kind == 80, ItemClass::Flag);
    test(item.Kind == 0 && item.Columns == 1 && item.Rows == 1, ItemClass::Value);
    test(item.Kind == 0 && (item.Columns > 1 || item.Rows > 1) && (item.Columns == 1 || item.Rows == 1),
         ItemClass::Array);
    test(bothAboveOne, ItemClass::Map);
    if (matches > 1) return ItemClass::Ambiguous;
    return found;
}

bool itemsSort(const EcuHeader& header, const EcuItemArray& items) {
    // At most kMaxItems are ever read: a larger count cannot be met.
    if (header.ItemCount < 0 || header.ItemCount > kMaxItems) return false;
    for (int n = 1; n <= header.ItemCount; ++n) {
        const ItemClass c = classOf(items[static_cast<size_t>(n)]);
        if (c == ItemClass::None || c == ItemClass::Ambiguous) return false;
    }
    return true;
}

const char* className(ItemClass c) {
    switch (c) {
    case ItemClass::Flag:
        return "flag";
    case ItemClass::Value:
        return "value";
    case ItemClass::Array:
        return "array";
    case ItemClass::Map:
        return "map";
    case ItemClass::Ambiguous:
        return "ambiguous";
    case ItemClass::None:
        break;
    }
    return "none";
}

} // namespace korvel
