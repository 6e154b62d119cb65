#include "item_browse.h"

#include "cal_item.h"
#include "item_cells.h"

#include "values.h"

namespace korvel {

QStringList browseWords(const QString& filter) {
    return filter.simplified().toCaseFolded().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString browseText(const BrowseEntry& entry) {
    // The line break keeps a word from matching across the end of the title.
    return (entry.title + QLatin1Char('\n') + entry.description).toCaseFolded();
}

bool browseMatches(const QString& text, const QStringList& words) {
    for (const QString& w : words)
        if (!text.contains(w)) return false;
    return true;
}

namespace {

QString plural(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// "Map at 0400: 16 columns x 8 rows, 128 bytes"; an address that is not hexadecimal is shown
// as written.
QString ecuDetails(const EcuItem& item, ItemClass cls) {
    const std::optional<quint64> address = ParseHex(item.Address);
    const QString at =
        address ? hexNumber(*address).rightJustified(4, QLatin1Char('0')) : item.Address.trimmed();
    QString name = QLatin1String(className(cls));
    name[0] = name[0].toUpper();
    QString size;
    if (cls == ItemClass::Flag || cls == ItemClass::Value)
        size = plural(cls == ItemClass::Flag ? 1 : item.ByteSize, "byte", "bytes");
    else
        size = QStringLiteral("%1 × %2, %3")
                   .arg(plural(item.Columns, "column", "columns"), plural(item.Rows, "row", "rows"),
                        plural(item.Columns * item.Rows, "byte", "bytes"));
    return QStringLiteral("%1 at %2: %3").arg(name, at, size);
}

} // namespace

std::vector<BrowseEntry> ecuBrowseEntries(const EcuItemArray& table, const std::vector<int>& flags,
                                          const std::vector<int>& values, const std::vector<int>& arrays,
                                          const std::vector<int>& maps) {
    const std::pair<const char*, const std::vector<int>*> kinds[] = {
        {"Flags", &flags}, {"Values", &values}, {"Arrays", &arrays}, {"Maps", &maps}};
    std::vector<BrowseEntry> entries;
    entries.reserve(flags.size() + values.size() + arrays.size() + maps.size());
    for (const auto& [category, numbers] : kinds)
        for (const int n : *numbers) {
            if (n < 1 || n > kMaxItems) continue;
            const EcuItem& item = table[static_cast<size_t>(n)];
            entries.push_back(
                {QLatin1String(category), item.Title.trimmed(), {}, ecuDetails(item, classOf(item)), n});
        }
    return entries;
}

std::vector<BrowseEntry> definitionBrowseEntries(const Definition& def) {
    std::vector<BrowseEntry> entries;
    entries.reserve(def.items.size());
    for (size_t i = 0; i < def.items.size(); ++i) {
        const CalItem& item = def.items[i];
        QString name = QLatin1String(className(item.itemClass()));
        name[0] = name[0].toUpper();
        QString details = QStringLiteral("%1 at %2: %3-bit%4")
                              .arg(name, addressText(item.address))
                              .arg(8 * item.layout.bytes)
                              .arg(item.layout.isSigned ? QStringLiteral(" signed") : QString());
        if (item.kind == CalItem::Kind::Table)
            details += QStringLiteral(", %1 × %2")
                           .arg(plural(item.columns, "column", "columns"), plural(item.rows, "row", "rows"));
        if (!item.units.trimmed().isEmpty()) details += QStringLiteral(", ") + item.units.trimmed();
        if (!item.readOnlyReason.isEmpty()) details += QStringLiteral("\nRead-only: ") + item.readOnlyReason;
        entries.push_back({item.category, item.title.trimmed(), item.description, details, int(i)});
    }
    return entries;
}

} // namespace korvel
