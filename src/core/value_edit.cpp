#include "value_edit.h"

#include "app_state.h"
#include "values.h"

namespace korvel {

namespace {

bool isHexDigit(QChar ch) {
    const char16_t c = ch.unicode();
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

RawEntry parseRawEntry(QStringView text, int byteSize) {
    RawEntry entry;
    text = text.trimmed();
    if (text.isEmpty()) return entry;
    for (QChar ch : text) {
        if (!isHexDigit(ch)) {
            entry.outcome = RawEntry::Outcome::NotHex;
            return entry;
        }
    }
    entry.outcome = RawEntry::Outcome::Value;
    const quint64 largest = largestRaw(byteSize);
    // Leading zeros carry no value; more than two significant digits per byte cannot fit,
    // which also keeps ParseHex below its 64-bit limit.
    qsizetype first = 0;
    while (first < text.size() - 1 && text[first] == QLatin1Char('0'))
        ++first;
    const QStringView digits = text.mid(first);
    const auto value = digits.size() <= 2 * qsizetype{byteSize} ? ParseHex(digits) : std::nullopt;
    if (!value || *value > largest) {
        entry.value = largest;
        entry.clamped = true;
    } else {
        entry.value = *value;
    }
    return entry;
}

std::optional<quint64> steppedRaw(quint64 raw, int d, int byteSize) {
    const quint64 largest = largestRaw(byteSize);
    if (raw > largest) return std::nullopt;
    if (d < 0) {
        const auto up = static_cast<quint64>(-static_cast<qint64>(d));
        if (largest - raw < up) return std::nullopt;
        return raw + up;
    }
    const auto down = static_cast<quint64>(d);
    if (raw < down) return std::nullopt;
    return raw - down;
}

QString largestRawText(int byteSize) {
    return QStringLiteral("FF").repeated(std::max(byteSize, 0));
}

QString calculatedText(const AppState& state, const EcuItem& item, quint64 raw) {
    if (item.Factor == 0) return {};
    return FormatCalculated(CalculatedValue(item, raw), state.NumericFormat);
}

RawCommit commitRawText(AppState& state, const EcuItem& item, QStringView text) {
    RawCommit commit;
    const ItemClass cls = classOf(item);
    if (cls != ItemClass::Flag && cls != ItemClass::Value) {
        commit.outcome = RawCommit::Outcome::Refused;
        commit.message =
            QStringLiteral("Cannot set \"%1\" (item %2): only a flag or a single value takes one raw value.")
                .arg(item.Title.trimmed(), item.Id);
        return commit;
    }
    if (QString refusal = itemRefusal(state, item, cls); !refusal.isEmpty()) {
        commit.outcome = RawCommit::Outcome::Refused;
        commit.message = std::move(refusal);
        return commit;
    }
    // A flag is one byte whatever ByteSize holds.
    const int bytes = cls == ItemClass::Flag ? 1 : item.ByteSize;
    const RawEntry entry = parseRawEntry(text, bytes);
    switch (entry.outcome) {
    case RawEntry::Outcome::Empty:
        commit.outcome = RawCommit::Outcome::Empty;
        return commit;
    case RawEntry::Outcome::NotHex:
        commit.outcome = RawCommit::Outcome::NotHex;
        return commit;
    case RawEntry::Outcome::Value:
        break;
    }
    if (cls == ItemClass::Flag && entry.clamped) {
        commit.outcome = RawCommit::Outcome::TooLarge;
        return commit;
    }
    storeRawValue(state, itemAddress(item), bytes, entry.value);
    commit.outcome = RawCommit::Outcome::Stored;
    commit.value = entry.value;
    return commit;
}

} // namespace korvel
