#include "xdf_access.h"

#include "core/definition_reader.h"
#include "core/values.h"
#include "definition_loader.h"
#include "verbs.h"

#include <QFile>

#include <cmath>

namespace korvel::cli {

namespace {

std::optional<DefinitionFormat> formatOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return detectDefinitionFormat(f.readAll());
}

} // namespace

bool readXdfDefinition(const QString& path, std::optional<Definition>& def) {
    const auto format = formatOf(path);
    if (!format || *format == DefinitionFormat::Ecu) return false;
    if (*format == DefinitionFormat::Locked) {
        err(lockedDefinitionText(path));
        return true;
    }
    DefinitionRead read = readDefinitionFile(path);
    if (!read.ok()) {
        err(QStringLiteral("%1: %2").arg(path, read.error));
        return true;
    }
    def = std::move(read.definition);
    return true;
}

VerbFiles sortFiles(const QString& first, const QString& second) {
    VerbFiles files{first, second, std::nullopt, false};
    if (readXdfDefinition(second, files.xdf)) {
        files.refused = !files.xdf;
        return files;
    }
    // An image may start like an XML file by chance: only a definition that reads counts.
    const auto format = formatOf(first);
    if (!format || *format == DefinitionFormat::Ecu || *format == DefinitionFormat::Locked) return files;
    DefinitionRead read = readDefinitionFile(first);
    if (!read.ok()) return files;
    return {second, first, std::move(read.definition), false};
}

ImageBytes imageBytes(const AppState& state) {
    return [&state](qint64 address) {
        return address >= 0 && address <= state.lastSavedCell() ? state.byteAt(int(address)) : -1;
    };
}

QString addressText(qint64 address) {
    return (address < 0 ? QStringLiteral("-0x") : QStringLiteral("0x")) +
           hexNumber(quint64(std::abs(address)));
}

QString itemName(const CalItem& item) {
    const QString title = QStringLiteral("\"%1\"").arg(item.title.trimmed());
    return item.id.isEmpty() ? title : QStringLiteral("%1 (item %2)").arg(title, item.id);
}

const CalItem* chooseXdfItem(const Definition& def, const QString& name) {
    std::vector<const CalItem*> found;
    for (const CalItem& item : def.items)
        if (sameItemId(item.id, name) || item.title.trimmed() == name.trimmed()) found.push_back(&item);
    if (found.size() == 1) return found.front();
    if (found.empty()) {
        err(QStringLiteral("no item has the id or title \"%1\"").arg(name));
        return nullptr;
    }
    QStringList candidates;
    for (const CalItem* item : found)
        candidates << QStringLiteral("%1 \"%2\"").arg(item->id, item->title.trimmed());
    err(QStringLiteral("\"%1\" names several items (%2): give the id of one")
            .arg(name, candidates.join(QStringLiteral(", "))));
    return nullptr;
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

void storeCell(AppState& state, const CalItem& item, int row, int col, quint64 bits) {
    const qint64 at = item.cellAddress(row, col);
    const std::vector<quint8> bytes = elementBytes(bits, item.layout);
    for (size_t k = 0; k < bytes.size(); ++k)
        StoreByte(state, int(at + qint64(k)), bytes[k]);
}

} // namespace korvel::cli
