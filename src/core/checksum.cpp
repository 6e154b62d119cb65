#include "checksum.h"

#include "app_state.h"
#include "values.h"

#include <algorithm>
#include <vector>

namespace korvel {

namespace {

QString refused(const QString& why) {
    return QStringLiteral("The checksum cannot be calculated: ") + why;
}

QString lastByteText(int lastSaved) {
    return lastSaved < 0 ? QStringLiteral("the image is empty") : hexNumber(static_cast<quint64>(lastSaved));
}

} // namespace

ChecksumLayoutResult checksumLayout(const AppState& state) {
    const EcuHeader& h = state.ecuHeader;
    bool isNumber = false;
    const int size = h.ChecksumSize.trimmed().toInt(&isNumber);
    if (isNumber && size == 0) return {std::nullopt, QString::fromLatin1(kNoChecksumText), true};
    struct HexField {
        const char* name;
        const QString& text;
        std::optional<quint64> value;
    };
    HexField fields[] = {{"ChecksumStart", h.ChecksumStart, ParseHex(h.ChecksumStart)},
                         {"ChecksumEnd", h.ChecksumEnd, ParseHex(h.ChecksumEnd)},
                         {"ChecksumAddress", h.ChecksumAddress, ParseHex(h.ChecksumAddress)}};
    for (const HexField& f : fields) {
        if (!f.value)
            return {std::nullopt,
                    refused(QStringLiteral("%1 \"%2\" in the ECU definition is not a hexadecimal address.")
                                .arg(QLatin1String(f.name), f.text.trimmed()))};
    }
    if (!isNumber || size < 1 || size > 4)
        return {std::nullopt,
                refused(QStringLiteral(
                            "ChecksumSize \"%1\" in the ECU definition is not a number of bytes from 1 to 4.")
                            .arg(h.ChecksumSize.trimmed()))};

    // Nothing may be read or written past the last byte Save writes back: the cells
    // beyond it hold no file data.
    const int lastSaved = state.lastSavedCell();
    const quint64 limit = lastSaved < 0 ? 0 : static_cast<quint64>(lastSaved) + 1; // first cell refused
    const quint64 start = *fields[0].value, end = *fields[1].value, address = *fields[2].value;
    if (start <= end) {
        if (start >= limit)
            return {std::nullopt,
                    refused(QStringLiteral("ChecksumStart %1 lies past the last byte of the image (%2).")
                                .arg(hexNumber(start), lastByteText(lastSaved)))};
        if (end >= limit)
            return {std::nullopt,
                    refused(QStringLiteral("ChecksumEnd %1 lies past the last byte of the image (%2).")
                                .arg(hexNumber(end), lastByteText(lastSaved)))};
    }
    const quint64 lastStored = address + static_cast<quint64>(size) - 1;
    if (address >= limit || lastStored >= limit)
        return {
            std::nullopt,
            refused(QStringLiteral("ChecksumAddress %1 with ChecksumSize %2 puts the checksum bytes %1 to %3 "
                                   "past the last byte of the image (%4).")
                        .arg(hexNumber(address))
                        .arg(size)
                        .arg(hexNumber(lastStored), lastByteText(lastSaved)))};

    ChecksumLayout layout;
    // An empty range (start above end) sums nothing, so its ends need not lie in the image.
    if (start <= end) {
        layout.start = static_cast<int>(start);
        layout.end = static_cast<int>(end);
    }
    layout.address = static_cast<int>(address);
    layout.size = size;
    return {layout, {}};
}

qint64 checksumSum(const AppState& state, const ChecksumLayout& layout) {
    qint64 sum = 0;
    for (int i = std::max(layout.start, 0); i <= layout.end && i < kImageCells; ++i)
        sum += state.byteAt(i);
    return sum;
}

QString checksumText(quint64 sum, int size) {
    const int digits = 2 * std::clamp(size, 1, 8);
    QString text = hexNumber(sum);
    if (text.size() > digits) return text.right(digits);
    return text.rightJustified(digits, QLatin1Char('0'));
}

QString computedChecksumText(const AppState& state, const ChecksumLayout& layout) {
    return checksumText(static_cast<quint64>(checksumSum(state, layout)), layout.size);
}

QString storedChecksumText(const AppState& state, const ChecksumLayout& layout) {
    return rawText(state, layout.address, layout.size);
}

bool storeChecksum(AppState& state, const ChecksumLayout& layout, const QString& text) {
    if (text.size() != 2 * layout.size) return false;
    std::vector<int> bytes;
    for (int k = 0; k < layout.size; ++k) {
        const auto b = ParseHex(QStringView(text).mid(2 * k, 2));
        if (!b) return false;
        bytes.push_back(static_cast<int>(*b));
    }
    for (int k = 0; k < layout.size; ++k)
        StoreByte(state, layout.address + k, bytes[static_cast<size_t>(k)]);
    return true;
}

} // namespace korvel
