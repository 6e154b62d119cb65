#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

namespace korvel {

// The byte at an image address, 0..255, or -1 where the image has no byte (before its
// start, past the bytes read). Readers of items take the image through this.
using ImageBytes = std::function<int(qint64 address)>;

enum class ByteOrder { MsbFirst, LsbFirst };

// How one element (a flag's word, a value, a table cell, an axis value) lies in the image.
struct ElementLayout {
    int bytes = 1; // 1..8
    bool isSigned = false;
    ByteOrder order = ByteOrder::MsbFirst;

    bool operator==(const ElementLayout&) const = default;
    // The smallest and largest raw value as numbers: 0..256^n - 1 unsigned, -2^(8n-1) ..
    // 2^(8n-1) - 1 signed (exact up to 2^53, as every conversion computes in doubles).
    double minRaw() const;
    double maxRaw() const;
};

// Raw elements are carried as their bit pattern (the n bytes as one unsigned number, the
// most significant byte of the value highest), so 8-byte unsigned values stay exact.

// The element at `address`, or nothing when one of its bytes lies outside the image.
std::optional<quint64> readElement(const ImageBytes& image, qint64 address, const ElementLayout& layout);
// The element's bytes in address order (what to store at address, address + 1, ...).
std::vector<quint8> elementBytes(quint64 bits, const ElementLayout& layout);
// The raw value as a number: sign-extended for a signed layout.
double rawNumber(quint64 bits, const ElementLayout& layout);
// The raw value as decimal text, with a minus sign where a signed element is negative.
QString rawText(quint64 bits, const ElementLayout& layout);
// The bit pattern of an integral raw value, or nothing when it is not whole or lies
// outside the layout's range.
std::optional<quint64> rawBits(double raw, const ElementLayout& layout);
// One raw count up or down from `bits`; nothing past either end of the range (no wrap).
std::optional<quint64> stepRaw(quint64 bits, int delta, const ElementLayout& layout);

} // namespace korvel
