#include "byte_window.h"

#include "values.h"

namespace korvel {

std::optional<quint64> steppedStart(const QString& text, int v) {
    const auto value = ParseHex(text);
    if (!value) return std::nullopt;
    if (v > 0 && *value == 0) return 0;                      // 0 stepped down stays 0
    if (v < 0 && *value == ~quint64{0}) return std::nullopt; // no address beyond the largest
    return *value - static_cast<quint64>(static_cast<qint64>(v));
}

std::optional<int> steppedCount(const QString& text, int v, int least, int most) {
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    qlonglong next = n - v;
    if (next == least - 1) next = least;
    if (next == most + 1) next = most;
    if (next < least || next > most) return std::nullopt;
    return static_cast<int>(next);
}

bool windowFits(quint64 start, qint64 count, qint64 cells) {
    if (count < 0 || cells < 0) return false;
    return start <= static_cast<quint64>(cells) &&
           static_cast<quint64>(count) <= static_cast<quint64>(cells) - start;
}

} // namespace korvel
