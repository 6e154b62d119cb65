#include "item_cells.h"

#include "baseline.h"
#include "table_text.h"
#include "values.h"

#include <cmath>
#include <limits>

namespace korvel {

ImageBytes imageBytes(const AppState& state) {
    return [&state](qint64 address) {
        return address >= 0 && address <= state.lastSavedCell() ? state.byteAt(int(address)) : -1;
    };
}

ImageBytes fileBytes(const AppState& state) {
    return [&state](qint64 a) { return a >= 0 && a < state.fileLength ? state.byteAt(int(a)) : -1; };
}

ImageBytes baselineBytes(const Baseline& b) {
    return [&b](qint64 a) { return a >= 0 && a <= std::numeric_limits<int>::max() ? b.byteAt(int(a)) : -1; };
}

QString addressText(qint64 address) {
    return (address < 0 ? QStringLiteral("-0x") : QStringLiteral("0x")) +
           hexNumber(quint64(std::abs(address)));
}

QString itemName(const CalItem& item) {
    const QString title = QStringLiteral("\"%1\"").arg(item.title.trimmed());
    return item.id.isEmpty() ? title : QStringLiteral("%1 (item %2)").arg(title, item.id);
}

CellReading readCells(const Definition& def, const CalItem& item, const ImageBytes& image) {
    CellReading out;
    const auto bits = item.readCells(image);
    if (!bits) {
        out.error = QStringLiteral("its %1 bytes from %2 lie past the image")
                        .arg(item.byteCount())
                        .arg(addressText(item.address));
        return out;
    }
    const auto variables = boundValues(def, item.conversion, image);
    if (!variables) {
        out.error = QStringLiteral("a value its equation uses cannot be read");
        return out;
    }
    out.bits = *bits;
    out.variables = *variables;
    for (int r = 0; r < item.rows; ++r)
        for (int c = 0; c < item.columns; ++c) {
            const double raw = rawNumber(out.bits[size_t(r * item.columns + c)], item.layout);
            const auto v = item.conversion.toShown(raw, out.context(r, c));
            out.values.push_back(v && std::isfinite(*v) ? v : std::nullopt);
        }
    return out;
}

AxisLabels axisLabels(const Definition& def, const CalAxis& axis, const ImageBytes& image) {
    AxisLabels out;
    out.given = axis.source != CalAxis::Source::None;
    out.isText = axis.source == CalAxis::Source::Texts;
    switch (axis.source) {
    case CalAxis::Source::None:
        break;
    case CalAxis::Source::Texts:
        out.texts = axis.texts;
        break;
    case CalAxis::Source::Numbers:
        out.numbers.assign(axis.numbers.begin(), axis.numbers.end());
        break;
    case CalAxis::Source::Image: {
        if (!image) return {};
        const auto variables = boundValues(def, axis.conversion, image);
        for (int i = 0; i < axis.count && variables; ++i) {
            const auto bits = readElement(image, axis.address + qint64(i) * axis.layout.bytes, axis.layout);
            if (!bits) break;
            const auto v = axis.conversion.toShown(rawNumber(*bits, axis.layout), {0, i, *variables});
            out.numbers.push_back(v && std::isfinite(*v) ? v : std::nullopt);
        }
        if (!variables || int(out.numbers.size()) < axis.count)
            out.error = QStringLiteral("its axis \"%1\" at %2 cannot be read from the image")
                            .arg(axis.title, addressText(axis.address));
        break;
    }
    case CalAxis::Source::Link: {
        if (!image) return {};
        const CalItem* target = def.find(axis.linkId);
        const CellReading linked =
            target && target->readOnlyReason.isEmpty() ? readCells(def, *target, image) : CellReading{};
        out.numbers = linked.values;
        if (!target || !linked.error.isEmpty() || linked.bits.empty())
            out.error = QStringLiteral("its axis linked to item %1 cannot be read").arg(axis.linkId);
        break;
    }
    }
    if (!out.error.isEmpty()) out.numbers.clear();
    return out;
}

QString axisHeading(const AxisLabels& labels, const CalAxis& axis, int i) {
    if (labels.isText) return labels.texts.value(i).trimmed();
    if (i < int(labels.numbers.size()))
        return labels.numbers[size_t(i)] ? plainNumber(*labels.numbers[size_t(i)], axis.decimals) : QString();
    return labels.given ? QString() : QString::number(i + 1);
}

void storeCell(AppState& state, const CalItem& item, int row, int col, quint64 bits) {
    const qint64 at = item.cellAddress(row, col);
    const std::vector<quint8> bytes = elementBytes(bits, item.layout);
    for (size_t k = 0; k < bytes.size(); ++k)
        StoreByte(state, int(at + qint64(k)), bytes[k]);
}

QString cellValueText(const CalItem& item, const CellReading& cells, int r, int c) {
    const size_t i = size_t(r * item.columns + c);
    if (!cells.values[i]) return {};
    QString text;
    for (int d = std::max(item.decimals, 0); d <= 17; ++d) {
        text = plainNumber(*cells.values[i], d);
        const auto typed = readNumber(text);
        const auto back = typed
                              ? item.conversion.toRaw(*typed, item.layout, item.decimals, cells.context(r, c))
                              : RawForShown{};
        if (back.raw && rawBits(*back.raw, item.layout) == cells.bits[i]) break;
    }
    return text;
}

std::optional<quint64> typedRawBits(const QString& field, const ElementLayout& layout) {
    const QString t = field.trimmed();
    bool ok = false;
    const int unused = 64 - 8 * layout.bytes;
    if (layout.isSigned) {
        const qint64 v = t.toLongLong(&ok);
        const qint64 low = unused ? -(qint64(1) << (63 - unused)) : std::numeric_limits<qint64>::min();
        if (ok && v >= low && v <= -(low + 1))
            return unused ? quint64(v) & (~quint64(0) >> unused) : quint64(v);
    } else if (!t.startsWith(QLatin1Char('-'))) {
        const quint64 v = t.toULongLong(&ok);
        if (ok && (unused == 0 || v >> (64 - unused) == 0)) return v;
    }
    const auto number = readNumber(t); // "12.0", "1e3"
    return number ? rawBits(*number, layout) : std::nullopt;
}

QString rawRange(const ElementLayout& layout) {
    const int bits = 8 * layout.bytes;
    const quint64 all = bits >= 64 ? ~quint64(0) : (quint64(1) << bits) - 1, top = quint64(1) << (bits - 1);
    return layout.isSigned ? rawText(top, layout) + QStringLiteral(" to ") + rawText(top - 1, layout)
                           : QStringLiteral("0 to ") + rawText(all, layout);
}

std::optional<quint64> typedCellBits(const QString& field, const CalItem& item, const CellReading& cells,
                                     int row, int col, bool calculated, QString& why) {
    if (!calculated) {
        const auto bits = typedRawBits(field, item.layout);
        if (!bits)
            why = QStringLiteral("%1 is outside the values a cell can hold (%2).")
                      .arg(field.trimmed(), rawRange(item.layout));
        return bits;
    }
    const auto v = readNumber(field);
    if (!v) {
        why = QStringLiteral("\"%1\" is not a number.").arg(field.trimmed());
        return std::nullopt;
    }
    const RawForShown found = item.conversion.toRaw(*v, item.layout, item.decimals, cells.context(row, col));
    const auto bits = found.raw ? rawBits(*found.raw, item.layout) : std::nullopt;
    if (!bits) why = found.refusal;
    return bits;
}

QString itemEditRefusal(const AppState& state, const CalItem& item) {
    if (!item.readOnlyReason.isEmpty()) return item.readOnlyReason;
    if (item.address < 0 || item.address + item.byteCount() - 1 > state.lastSavedCell())
        return QStringLiteral("its %1 bytes from %2 reach past the last byte Save writes back (%3)")
            .arg(item.byteCount())
            .arg(addressText(item.address), addressText(state.lastSavedCell()));
    return {};
}

} // namespace korvel
