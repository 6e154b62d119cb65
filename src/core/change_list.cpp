#include "change_list.h"

#include "app_state.h"
#include "baseline.h"
#include "values.h"

#include <QFileInfo>

#include <algorithm>

namespace korvel {

bool ChangeList::anyDifference() const {
    return !unlisted.empty() ||
           std::any_of(items.cbegin(), items.cend(), [](const ItemChange& c) { return c.error.isEmpty(); });
}

std::optional<ItemReading> baselineReading(const Baseline& baseline, const EcuItem& item, ItemClass cls,
                                           const QString& numericFormat) {
    const int first = itemAddress(item);
    if (!baseline.covers(first, itemByteCount(item, cls))) return std::nullopt;
    return readItem(
        item, cls, first, [&baseline](int a) { return baseline.byteAt(a); }, numericFormat);
}

namespace {

QString pastBaselineText(const Baseline& baseline, int first, int bytes) {
    const QString name = baseline.path().isEmpty() ? QStringLiteral("the image as opened")
                                                   : QFileInfo(baseline.path()).fileName();
    return QStringLiteral("Not in %1: its bytes %2 to %3 lie past its end (%4 bytes).")
        .arg(name, hexNumber(static_cast<quint64>(first)),
             hexNumber(static_cast<quint64>(first) + static_cast<quint64>(bytes) - 1))
        .arg(baseline.size());
}

} // namespace

ChangeList listChanges(const AppState& image, const Baseline& baseline, const QString& numericFormat) {
    ChangeList list;
    list.imageLength = imageLength(image);
    list.baselineLength = baseline.size();
    const int length = baseline.comparedLength(image);
    // Bytes covered by an item that was compared; whatever differs outside them is unlisted.
    std::vector<char> covered(static_cast<size_t>(length), 0);
    const ByteAt after = [&image](int a) { return image.byteAt(a); };

    const int count = std::clamp<int>(image.ecuHeader.ItemCount, 0, kMaxItems);
    for (int n = 1; n <= count; ++n) {
        const EcuItem& item = image.EcuItemTable[static_cast<size_t>(n)];
        const ItemClass cls = classOf(item);
        ItemChange change{n, cls, itemRefusal(image, item, cls), false, {}, {}};
        const int first = itemAddress(item);
        const int bytes = itemByteCount(item, cls);
        // An item inside the image may still reach past a shorter baseline.
        if (change.error.isEmpty() && !baseline.covers(first, bytes)) {
            change.pastBaseline = true;
            change.error = pastBaselineText(baseline, first, bytes);
        }
        if (!change.error.isEmpty()) {
            list.items.push_back(std::move(change));
            continue;
        }
        std::fill_n(covered.begin() + first, bytes, 1);
        if (!baseline.anyDiffers(image, first, bytes)) continue;
        change.before = *baselineReading(baseline, item, cls, numericFormat);
        change.after = readItem(item, cls, first, after, numericFormat);
        list.items.push_back(std::move(change));
    }
    for (int a : baseline.differingAddresses(image, 0, length))
        if (!covered[static_cast<size_t>(a)]) list.unlisted.push_back(a);
    return list;
}

} // namespace korvel
