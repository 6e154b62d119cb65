#include "values.h"

#include "app_state.h"

#include <algorithm>
#include <cmath>

namespace korvel {

std::optional<quint64> ParseHex(QStringView text) {
    text = text.trimmed();
    if (text.isEmpty()) return std::nullopt;
    quint64 v = 0;
    for (QChar ch : text) {
        int d;
        const char16_t c = ch.unicode();
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return std::nullopt;
        if (v > (~quint64{0} >> 4)) return std::nullopt;
        v = (v << 4) | static_cast<quint64>(d);
    }
    return v;
}

std::optional<double> CalculatedValue(const EcuItem& item, quint64 raw) {
    const double r = static_cast<double>(raw);
    switch (item.Conversion) {
    case 0:
        return r * item.Factor + item.Offset;
    case 1:
        if (raw == 0) return std::nullopt;
        return item.Factor / r + item.Offset;
    default:
        return 0.0;
    }
}

QString FormatCalculated(std::optional<double> value, const QString& pattern) {
    return value ? FormatCalculated(*value, pattern) : QString();
}

QString FormatCalculated(double value, const QString& pattern) {
    if (!std::isfinite(value)) return {};
    auto isPlace = [](QChar c) {
        return c == QLatin1Char('#') || c == QLatin1Char('0') || c == QLatin1Char('.');
    };
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (isPlace(pattern[i])) {
            if (first < 0) first = i;
            last = i;
        }
    }
    if (first < 0) return QString::number(value, 'g', 15);
    const QString prefix = pattern.left(first);
    const QString suffix = pattern.mid(last + 1);
    const QString body = pattern.mid(first, last - first + 1);
    const qsizetype point = body.indexOf(QLatin1Char('.'));
    const QString intPlaces = point < 0 ? body : body.left(point);
    const QString fracPlaces = point < 0 ? QString() : body.mid(point + 1);

    int intCount = 0, firstIntZero = -1;
    for (QChar c : intPlaces) {
        if (c == QLatin1Char('0') && firstIntZero < 0) firstIntZero = intCount;
        if (c == QLatin1Char('#') || c == QLatin1Char('0')) ++intCount;
    }
    const int minInt = firstIntZero < 0 ? 0 : intCount - firstIntZero;
    int decimals = 0, minFrac = 0;
    for (QChar c : fracPlaces) {
        if (c == QLatin1Char('#') || c == QLatin1Char('0')) {
            ++decimals;
            if (c == QLatin1Char('0')) minFrac = decimals;
        }
    }

    const QString digits = QString::number(std::fabs(value), 'f', decimals);
    const qsizetype dot = digits.indexOf(QLatin1Char('.'));
    QString intDigits = dot < 0 ? digits : digits.left(dot);
    QString fracDigits = dot < 0 ? QString() : digits.mid(dot + 1);
    // A plain scan: building a regular expression here made every formatted cell slow.
    const bool nonZero = std::any_of(digits.cbegin(), digits.cend(),
                                     [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); });

    while (intDigits.startsWith(QLatin1Char('0')))
        intDigits.remove(0, 1);
    while (intDigits.size() < minInt)
        intDigits.prepend(QLatin1Char('0'));
    while (fracDigits.size() > minFrac && fracDigits.endsWith(QLatin1Char('0')))
        fracDigits.chop(1);

    QString out;
    if (value < 0 && nonZero) out += QLatin1Char('-');
    out += prefix + intDigits;
    if (point >= 0) out += QLatin1Char('.') + fracDigits;
    return out + suffix;
}

QString hexNumber(quint64 value) {
    return QString::number(value, 16).toUpper();
}

void StoreByte(AppState& state, int index, int byte) {
    if (index < 0 || index >= kImageCells) return;
    const auto i = static_cast<size_t>(index);
    state.BinImage[i].setValue(byte & 0xFF);
    state.PendingChanges[i].Value = state.BinImage[i].Value;
    state.PendingChanges[i].Address = state.BinImage[i].Address;
}

quint64 rawValue(const AppState& state, int address, int byteSize) {
    quint64 v = 0;
    for (int k = 0; k < byteSize; ++k)
        v = (v << 8) | static_cast<quint64>(state.byteAt(address + k));
    return v;
}

void storeRawValue(AppState& state, int address, int byteSize, quint64 value) {
    for (int k = byteSize - 1; k >= 0; --k) {
        StoreByte(state, address + k, static_cast<int>(value & 0xFF));
        value >>= 8;
    }
}

QString rawText(const AppState& state, int address, int byteSize) {
    QString s;
    for (int k = 0; k < byteSize; ++k) {
        const int i = address + k;
        if (i >= 0 && i < kImageCells) s += state.BinImage[static_cast<size_t>(i)].valueText();
    }
    return s;
}

quint64 largestRaw(int byteSize) {
    if (byteSize >= 8) return ~quint64{0};
    if (byteSize <= 0) return 0;
    return (quint64{1} << (8 * byteSize)) - 1;
}

int itemAddress(const EcuItem& item) {
    const auto a = ParseHex(item.Address);
    return (a && *a < static_cast<quint64>(kImageCells)) ? static_cast<int>(*a) : 0;
}

QString itemRefusal(const AppState& state, const EcuItem& item, ItemClass cls) {
    return itemRefusal(state.lastSavedCell(), item, cls);
}

QString itemRefusal(qint64 lastSaved, const EcuItem& item, ItemClass cls) {
    const QString name = QStringLiteral("\"%1\" (item %2)").arg(item.Title.trimmed(), item.Id);
    const auto address = ParseHex(item.Address);
    if (!address)
        return QStringLiteral("Cannot show %1: its address \"%2\" is not hexadecimal.")
            .arg(name, item.Address.trimmed());
    quint64 count = 1;
    switch (cls) {
    case ItemClass::Value:
        if (item.ByteSize <= 0 || item.ByteSize > 8)
            return QStringLiteral("Cannot show %1: a value of %2 bytes is not supported (1 to 8 bytes).")
                .arg(name)
                .arg(item.ByteSize);
        count = static_cast<quint64>(item.ByteSize);
        break;
    case ItemClass::Array:
    case ItemClass::Map:
        if (item.Columns < 1 || item.Rows < 1 || item.Columns > kMatrixSize || item.Rows > kMatrixSize)
            return QStringLiteral("Cannot show %1: a table of %2 x %3 cells is larger than %4 x %4.")
                .arg(name)
                .arg(item.Columns)
                .arg(item.Rows)
                .arg(kMatrixSize);
        count = static_cast<quint64>(item.Columns) * static_cast<quint64>(item.Rows);
        break;
    default:
        break;
    }
    // The last byte is address + count - 1, compared without forming it: near 2^64 the sum
    // would wrap round to the start of the image.
    if (lastSaved < 0 || *address > static_cast<quint64>(lastSaved) ||
        count - 1 > static_cast<quint64>(lastSaved) - *address)
        return QStringLiteral(
                   "Cannot show %1: its bytes %2 to %3 reach past the last byte of the image (%4).")
            .arg(name, hexNumber(*address),
                 *address > ~quint64{0} - (count - 1) ? QStringLiteral("past FFFFFFFFFFFFFFFF")
                                                      : hexNumber(*address + count - 1),
                 lastSaved < 0 ? QStringLiteral("the image is empty")
                               : hexNumber(static_cast<quint64>(lastSaved)));
    return {};
}

} // namespace korvel
