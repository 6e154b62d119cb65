#include "element_layout.h"

#include <cmath>

namespace korvel {

namespace {

int bitCount(const ElementLayout& l) {
    return 8 * std::clamp(l.bytes, 1, 8);
}

quint64 mask(const ElementLayout& l) {
    return bitCount(l) == 64 ? ~quint64{0} : (quint64{1} << bitCount(l)) - 1;
}

bool negative(quint64 bits, const ElementLayout& l) {
    return l.isSigned && (bits >> (bitCount(l) - 1)) & 1;
}

} // namespace

double ElementLayout::minRaw() const {
    return isSigned ? -std::ldexp(1.0, bitCount(*this) - 1) : 0.0;
}

double ElementLayout::maxRaw() const {
    return isSigned ? std::ldexp(1.0, bitCount(*this) - 1) - 1 : std::ldexp(1.0, bitCount(*this)) - 1;
}

std::optional<quint64> readElement(const ImageBytes& image, qint64 address, const ElementLayout& layout) {
    const int n = std::clamp(layout.bytes, 1, 8);
    quint64 bits = 0;
    for (int k = 0; k < n; ++k) {
        const int b = image(address + k);
        if (b < 0 || b > 255) return std::nullopt;
        if (layout.order == ByteOrder::MsbFirst)
            bits = (bits << 8) | quint64(b);
        else
            bits |= quint64(b) << (8 * k);
    }
    return bits;
}

std::vector<quint8> elementBytes(quint64 bits, const ElementLayout& layout) {
    const int n = std::clamp(layout.bytes, 1, 8);
    std::vector<quint8> out(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const int shift = layout.order == ByteOrder::MsbFirst ? 8 * (n - 1 - k) : 8 * k;
        out[size_t(k)] = quint8((bits >> shift) & 0xFF);
    }
    return out;
}

double rawNumber(quint64 bits, const ElementLayout& layout) {
    bits &= mask(layout);
    if (!negative(bits, layout)) return double(bits);
    return -double((~bits & mask(layout)) + 1);
}

QString rawText(quint64 bits, const ElementLayout& layout) {
    bits &= mask(layout);
    if (!negative(bits, layout)) return QString::number(bits);
    return QStringLiteral("-") + QString::number((~bits & mask(layout)) + 1);
}

std::optional<quint64> rawBits(double raw, const ElementLayout& layout) {
    if (!std::isfinite(raw) || raw != std::floor(raw) || raw < layout.minRaw() || raw > layout.maxRaw())
        return std::nullopt;
    if (raw >= 0) return raw >= 18446744073709551615.0 ? ~quint64{0} : quint64(raw);
    return quint64(qint64(raw)) & mask(layout);
}

std::optional<quint64> stepRaw(quint64 bits, int delta, const ElementLayout& layout) {
    bits &= mask(layout);
    // Step on the bit pattern so 64-bit values stay exact, then check the ends.
    const quint64 top = layout.isSigned ? mask(layout) >> 1 : mask(layout);
    const quint64 bottom = layout.isSigned ? (top + 1) & mask(layout) : 0;
    for (int i = 0; i < std::abs(delta); ++i) {
        if (delta > 0 ? bits == top : bits == bottom) return std::nullopt;
        bits = (delta > 0 ? bits + 1 : bits - 1) & mask(layout);
    }
    return bits;
}

} // namespace korvel
