#pragma once

#include <QString>
#include <optional>

namespace korvel {

// The text boxes that choose a window of bytes (a start address in hexadecimal and
// counts in decimal) and their steppers. A step v (-1, 0 or +1; 0 for a typed text)
// gives the value minus v; the value one step beyond a limit is put back on it.

// Start: ParseHex(text) - v; -1 becomes 0. Nothing when the text is not hexadecimal.
std::optional<quint64> steppedStart(const QString& text, int v);
// Count: text as a decimal number - v; least - 1 becomes least and most + 1 becomes
// most. Nothing when the text is not a whole number or the result lies outside least..most.
std::optional<int> steppedCount(const QString& text, int v, int least, int most);
// Whether a window of `count` bytes from `start` lies inside the first `cells` image cells.
bool windowFits(quint64 start, qint64 count, qint64 cells);

} // namespace korvel
