#include "change_list.h"

#include "app_state.h"
#include "baseline.h"
#include "values.h"

#include <algorithm>

namespace korvel {

bool ChangeList::anyDifference() const {
    return !unlisted.empty() ||
           std::any_of(items.cbegin(), items.cend(), [](const ItemChange& c) { return c.error.isEmpty(); });
}

ChangeList listChanges(const AppState& image, const Baseline& baseline, const QString& numericFormat) {
    ChangeList list;
    const int length = baseline.comparedLength(image);
    // Bytes covered by an item that was compared; whatever differs outside them is unlisted.
    std::vector<char> covered(static_cast<size_t>(length), 0);
    const ByteAt before = [&baseline](int a) { return baseline.byteAt(a); };
    const ByteAt after = [&image](int a) { return image.byteAt(a); };

    const int count = std::clamp<int>(image.ecuHeader.ItemCount, 0, kMaxItems);
    for (int n = 1; n <= count; ++n) {
        const EcuItem& item = image.EcuItemTable[static_cast<size_t>(n)];
        const ItemClass cls = classOf(item);
        ItemChange change{n, cls, itemRefusal(image, item, cls), {}, {}};
        // An item inside the image may still reach past a shorter baseline.
        if (change.error.isEmpty()) change.error = itemRefusal(static_cast<qint64>(length) - 1, item, cls);
        if (!change.error.isEmpty()) {
            list.items.push_back(std::move(change));
            continue;
        }
        const int first = itemAddress(item);
        const int bytes = itemByteCount(item, cls);
        std::fill_n(covered.begin() + first, bytes, 1);
        if (!baseline.anyDiffers(image, first, bytes)) continue;
        change.before = readItem(item, cls, first, before, numericFormat);
        change.after = readItem(item, cls, first, after, numericFormat);
        list.items.push_back(std::move(change));
    }
    for (int a : baseline.differingAddresses(image, 0, length))
        if (!covered[static_cast<size_t>(a)]) list.unlisted.push_back(a);
    return list;
}

} // namespace korvel
