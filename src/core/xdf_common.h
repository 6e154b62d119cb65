#pragma once

// What the two XDF readers share: numbers as XDF writes them, equations turned into
// conversions, and the checks that need the whole definition (links).

#include "cal_item.h"

#include <QString>

#include <optional>
#include <stdexcept>

namespace korvel::xdf {

// A malformed file: where, and what. The readers throw it inside and turn it into their
// result; it never leaves them.
struct Malformed {
    qint64 line = 0;
    QString message;
};

// An integer as XDF writes them: "0x1F" (hex), "-12" or "12" (decimal); blanks around allowed.
std::optional<qint64> integer(const QString& text);
// A decimal number ("1.5", "-3", ".25"), or a hex integer.
std::optional<double> real(const QString& text);

// The item's conversion from an equation text; sets `reason` (and gives the identity) when
// the equation does not parse or uses a variable no binding names.
Conversion conversionOf(const QString& equation, const QString& mainVariable,
                        const std::vector<VariableBinding>& bindings, QString& reason);

// Address of the file plus the base offset; a reason when it falls before the image.
qint64 offsetAddress(qint64 address, qint64 baseOffset, QString& reason);

// Marks read-only every item whose links (equation variables or an axis) do not name an
// item they can use: missing, not a single value, or linking further itself.
void checkLinks(Definition& def);

// "Line N, item "T": message", or "Line N: message" without a title.
QString where(qint64 line, const QString& title, const QString& message);

} // namespace korvel::xdf
