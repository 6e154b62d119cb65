#pragma once

#include "ecu_definition.h"
#include "item_reading.h"

#include <QString>
#include <optional>
#include <vector>

namespace korvel {

struct AppState;
class Baseline;

// One item of the definition whose bytes differ between the baseline (before) and the
// image (after), or that cannot be compared.
struct ItemChange {
    int number = 0; // the item's place in the definition (EcuItemTable index, from 1)
    ItemClass cls = ItemClass::None;
    // Not empty: the item was not compared, and this says why (the text the editor shows
    // for an item it cannot show: address not hexadecimal, past the image, too large; or
    // that its bytes reach past the end of a shorter baseline).
    QString error;
    bool pastBaseline = false; // the item lies in the image but reaches past the baseline's end
    ItemReading before;        // from the baseline
    ItemReading after;         // from the image
};

struct ChangeList {
    // Ascending by item number: every item that differs and every item that was not compared.
    std::vector<ItemChange> items;
    // Ascending: the differing addresses that no compared item covers (the stored checksum,
    // bytes outside every item, and bytes of items that were not compared).
    std::vector<int> unlisted;

    // How many bytes the image and the baseline hold; the shorter length is compared.
    int imageLength = 0;
    int baselineLength = 0;

    // Whether any compared byte differs.
    bool anyDifference() const;
    bool lengthsDiffer() const { return imageLength != baselineLength; }
};

// The item as the baseline holds it; nothing when its bytes reach past the baseline's end
// (there is nothing to compare there). The item must pass itemRefusal for the image.
std::optional<ItemReading> baselineReading(const Baseline& baseline, const EcuItem& item, ItemClass cls,
                                           const QString& numericFormat);

// What differs between the image and the baseline over the compared bytes, with texts
// formatted with `numericFormat` as the editor shows them in calculated mode.
ChangeList listChanges(const AppState& image, const Baseline& baseline, const QString& numericFormat);

} // namespace korvel
