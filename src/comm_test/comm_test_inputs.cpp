#include "comm_test_inputs.h"

#include "core/version.h"

#include <cmath>
#include <limits>

namespace korvel {

namespace {

// A finite number in C-locale notation ("0.3", "9600", "1e3"), spaces around allowed.
std::optional<double> number(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool isWhole(double value) {
    return std::floor(value) == value;
}

} // namespace

std::optional<int> parseCommPort(const QString& text) {
    const std::optional<double> value = number(text);
    if (!value) return std::nullopt;
    // The default rounding mode sends halves to the even neighbour.
    const double rounded = std::nearbyint(*value);
    if (rounded < kCommTestLowestPort || rounded > kCommTestHighestPort) return std::nullopt;
    return static_cast<int>(rounded);
}

std::optional<double> parseCommBaud(const QString& text) {
    const std::optional<double> value = number(text);
    if (!value || *value < 1 || !isWhole(*value) || *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return value;
}

std::optional<double> parseCommDelay(const QString& text) {
    const std::optional<double> value = number(text);
    if (!value || *value < 0 || *value > kCommTestLongestDelay) return std::nullopt;
    return value;
}

std::optional<int> parseCommSize(const QString& text) {
    const std::optional<double> value = number(text);
    if (!value || *value < 0 || !isWhole(*value) || *value > kCommTestLargestSize) return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<quint8> parseHexByte(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty()) return quint8{0};
    if (digits.size() > 2) return std::nullopt;
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    // toUInt would take a sign or "0x"; two hex digits leave no room for either but a
    // lone "+" or "-" must still fail.
    if (!ok || digits.contains(QLatin1Char('+')) || digits.contains(QLatin1Char('-'))) return std::nullopt;
    return static_cast<quint8>(value);
}

QString commSettingsString(double baud) {
    return QString::number(static_cast<qint64>(baud)) + QStringLiteral(",N,8,1");
}

QString commTestCaption(const QString& delayText, int port, double baud) {
    return QStringLiteral("Comm Test ") + versionText() + QStringLiteral("     Delay ") + delayText +
           QStringLiteral("     Com ") + QString::number(port) + QStringLiteral("  ") +
           QString::number(static_cast<qint64>(baud)) + QStringLiteral(" Baud ");
}

QByteArray linkBytes(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        // A pair of UTF-16 units is one character, sent as one "?".
        if (c.isHighSurrogate() && k + 1 < text.size() && text[k + 1].isLowSurrogate()) ++k;
        out.append(c.unicode() <= 0xFF && !c.isSurrogate() ? static_cast<char>(c.unicode()) : '?');
    }
    return out;
}

QString linkText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

QString trimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == QLatin1Char(' '))
        ++first;
    while (end > first && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}

std::optional<QString> characterForCode(const QString& decimalText) {
    bool ok = false;
    const int code = decimalText.trimmed().toInt(&ok, 10);
    if (!ok || code < 0 || code > 255) return std::nullopt;
    return QString(QChar(static_cast<char16_t>(code)));
}

std::optional<FirstCharacter> firstCharacter(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    const bool pair = text.size() > 1 && text[0].isHighSurrogate() && text[1].isLowSurrogate();
    FirstCharacter first;
    first.character = text.left(pair ? 2 : 1);
    first.code = static_cast<unsigned char>(linkBytes(first.character).at(0));
    return first;
}

QString hexWithoutPadding(int code) {
    return QString::number(code, 16).toUpper();
}

} // namespace korvel
