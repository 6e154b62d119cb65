#include "cal_item.h"

namespace korvel {

ItemClass CalItem::itemClass() const {
    if (kind == Kind::Flag) return ItemClass::Flag;
    if (kind == Kind::Value || cellCount() == 1) return ItemClass::Value;
    if (rows == 1 || columns == 1) return ItemClass::Array;
    return ItemClass::Map;
}

int CalItem::cellIndex(int row, int col) const {
    return storage == StorageOrder::RowMajor ? row * columns + col : col * rows + row;
}

std::optional<std::vector<quint64>> CalItem::readCells(const ImageBytes& image) const {
    std::vector<quint64> out;
    out.reserve(size_t(std::max(0, cellCount())));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const auto bits = readElement(image, cellAddress(r, c), layout);
            if (!bits) return std::nullopt;
            out.push_back(*bits);
        }
    return out;
}

std::optional<quint64> checksumOf(const ChecksumRegion& region, const ImageBytes& image) {
    if (!region.supported() || region.method != 0) return std::nullopt;
    quint64 sum = 0;
    for (qint64 a = region.start; a <= region.end; ++a) {
        const int b = image(a);
        if (b < 0) return std::nullopt;
        sum += quint64(b);
    }
    return region.sizeBits >= 64 ? sum : sum & ((quint64{1} << region.sizeBits) - 1);
}

std::vector<quint8> checksumBytes(const ChecksumRegion& region, quint64 sum) {
    return elementBytes(sum,
                        ElementLayout{std::clamp(region.sizeBits / 8, 1, 8), false, ByteOrder::MsbFirst});
}

bool sameItemId(const QString& a, const QString& b) {
    if (a == b) return true;
    const auto number = [](const QString& s) -> std::optional<qint64> {
        bool ok = false;
        const QString t = s.trimmed();
        const qint64 v = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toLongLong(&ok, 16)
                                                                                : t.toLongLong(&ok, 10);
        return ok ? std::optional(v) : std::nullopt;
    };
    const auto x = number(a), y = number(b);
    return x && y && *x == *y;
}

const CalItem* Definition::find(const QString& id) const {
    for (const CalItem& item : items)
        if (sameItemId(item.id, id)) return &item;
    return nullptr;
}

std::optional<std::vector<double>> boundValues(const Definition& def, const Conversion& conversion,
                                               const ImageBytes& image) {
    std::vector<double> values;
    for (const VariableBinding& b : conversion.bindings()) {
        if (b.kind == VariableBinding::Kind::Address) {
            const auto bits = readElement(image, b.address, b.layout);
            if (!bits) return std::nullopt;
            values.push_back(rawNumber(*bits, b.layout));
            continue;
        }
        // A linked item's calculated value; the reader allows no links of its own there.
        const CalItem* target = def.find(b.linkId);
        if (!target || target->itemClass() != ItemClass::Value || !target->conversion.bindings().empty())
            return std::nullopt;
        const auto bits = readElement(image, target->address, target->layout);
        if (!bits) return std::nullopt;
        const auto shown = target->conversion.toShown(rawNumber(*bits, target->layout));
        if (!shown) return std::nullopt;
        values.push_back(*shown);
    }
    return values;
}

} // namespace korvel
