// korvel-cli set on an XDF definition: stores one raw value (hexadecimal, with a minus sign
// for a negative value of a signed item) into a flag's or a single value's element, through
// the item's layout, and writes the image back.
#include "core/bin_image.h"
#include "core/table_text.h"
#include "core/values.h"
#include "verbs.h"
#include "xdf_access.h"

namespace korvel::cli {

namespace {

constexpr int kUsageOrInputError = 2;
constexpr int kWriteFailed = 1;

// "-8000 to 7FFF", "0 to FFFF": the raw values of the layout in hexadecimal.
QString hexRange(const ElementLayout& layout) {
    const int bits = 8 * layout.bytes;
    const quint64 all = bits >= 64 ? ~quint64(0) : (quint64(1) << bits) - 1, top = quint64(1) << (bits - 1);
    return layout.isSigned ? QStringLiteral("-%1 to %2").arg(hexNumber(top), hexNumber(top - 1))
                           : QStringLiteral("0 to %1").arg(hexNumber(all));
}

// The element's bits for hexadecimal digits (with a minus sign: their negative); nothing when
// the value does not fit the layout.
std::optional<quint64> fitted(quint64 v, bool negative, const ElementLayout& layout) {
    const int bits = 8 * layout.bytes;
    const quint64 all = bits >= 64 ? ~quint64(0) : (quint64(1) << bits) - 1, top = quint64(1) << (bits - 1);
    if (!layout.isSigned) return (negative && v != 0) || v > all ? std::nullopt : std::optional(v);
    if (negative ? v > top : v >= top) return std::nullopt;
    return (negative ? quint64(0) - v : v) & all;
}

// The raw value in hexadecimal, with a minus sign where a signed element is negative.
QString hexRaw(quint64 bits, const ElementLayout& layout) {
    const int unused = 64 - 8 * layout.bytes;
    const qint64 v = unused ? static_cast<qint64>(bits << unused) >> unused : qint64(bits);
    return layout.isSigned && v < 0 ? QLatin1Char('-') + hexNumber(quint64(0) - quint64(v)) : hexNumber(bits);
}

} // namespace

int xdfSet(AppState& state, const Definition& def, const QString& name, const QString& typed) {
    const CalItem* found = chooseXdfItem(def, name);
    if (!found) return kUsageOrInputError;
    const CalItem& item = *found;
    const ItemClass cls = item.itemClass();
    QString refusal;
    if (cls != ItemClass::Flag && cls != ItemClass::Value)
        refusal =
            QStringLiteral("%1 is a table or a map: korvel-cli table writes its cells").arg(itemName(item));
    else if (!item.readOnlyReason.isEmpty())
        refusal = QStringLiteral("%1 is read-only: %2").arg(itemName(item), item.readOnlyReason);
    const QString t = typed.trimmed();
    const bool negative = t.startsWith(QLatin1Char('-'));
    const auto digits = ParseHex(negative ? QStringView(t).mid(1) : QStringView(t));
    const auto bits = digits ? fitted(*digits, negative, item.layout) : std::nullopt;
    if (refusal.isEmpty() && !digits)
        refusal = QStringLiteral("\"%1\" is not a hexadecimal raw value").arg(typed);
    if (refusal.isEmpty() && !bits)
        refusal =
            QStringLiteral("\"%1\" does not fit %2 (%3)").arg(typed, itemName(item), hexRange(item.layout));
    const CellReading cells = refusal.isEmpty() ? readCells(def, item, imageBytes(state)) : CellReading{};
    if (refusal.isEmpty() && !cells.error.isEmpty())
        refusal = QStringLiteral("Cannot show %1: %2.").arg(itemName(item), cells.error);
    if (!refusal.isEmpty()) {
        err(refusal);
        return kUsageOrInputError;
    }
    const quint64 value = bits.value_or(0); // set: the refusals above cover every empty case
    storeCell(state, item, 0, 0, value);
    if (const Status s = WriteBinFile(state); !s) {
        err(QStringLiteral("The BIN file was not saved: %1").arg(s.error()));
        return kWriteFailed;
    }
    out(itemName(item));
    out(QStringLiteral("raw: %1").arg(hexRaw(value, item.layout)));
    if (cls == ItemClass::Flag) {
        out(item.flagSet(value) ? QStringLiteral("flag: set") : QStringLiteral("flag: clear"));
        return 0;
    }
    const auto v = item.conversion.toShown(rawNumber(value, item.layout), cells.context(0, 0));
    const QString units = v && !item.units.isEmpty() ? QLatin1Char(' ') + item.units : QString();
    out(QStringLiteral("calculated: %1").arg(v ? plainNumber(*v, item.decimals) + units : QString()));
    return 0;
}

} // namespace korvel::cli
