#pragma once

#include "ecu_definition.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace korvel {

// An item's bytes as numbers and the texts the editor shows for them in calculated mode,
// read from any run of bytes (the image, or a comparison baseline).
struct ItemReading {
    // A flag: its byte. A value: its bytes as one number, most significant first. A table:
    // every cell's byte in storage order (row by row, from the item's first byte).
    std::vector<quint64> raw;
    // A flag has no texts. A value has one, which is missing when the Factor is 0 (the
    // Values tab shows no calculated value then). A table has one per cell, as the grids show.
    std::vector<std::optional<QString>> text;

    bool operator==(const ItemReading&) const = default;
};

// The byte at an address; the caller keeps the address inside the bytes it reads.
using ByteAt = std::function<int(int address)>;

// Reads the item at `address`; its bytes must be readable (itemRefusal is empty for them).
// Texts are formatted with `numericFormat`.
ItemReading readItem(const EcuItem& item, ItemClass cls, int address, const ByteAt& byteAt,
                     const QString& numericFormat);

// How many bytes the item covers from its first byte: 1 for a flag, ByteSize for a value,
// Columns x Rows for a table; 0 for an item of no class.
int itemByteCount(const EcuItem& item, ItemClass cls);

} // namespace korvel
