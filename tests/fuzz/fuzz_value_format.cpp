// ParseHex and FormatCalculated on arbitrary texts, patterns and numbers: ParseHex agrees with
// a plain digit loop, and a finite value formatted with "##.##" reads back within rounding.
#include "core/values.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(double)) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data) + sizeof value,
                                             qsizetype(size - sizeof value));
    const auto parsed = korvel::ParseHex(text);
    const QString trimmed = text.trimmed();
    bool hex = !trimmed.isEmpty() && trimmed.size() <= 16;
    quint64 expected = 0;
    for (const QChar c : trimmed) {
        const int d = c.unicode() < 128 && std::isxdigit(c.unicode()) ? QString(c).toInt(nullptr, 16) : -1;
        hex = hex && d >= 0;
        expected = expected * 16 + quint64(std::max(d, 0));
    }
    if (trimmed.size() <= 16 && (hex ? parsed != expected : parsed.has_value())) std::abort();

    if (!std::isfinite(value) && !korvel::FormatCalculated(value, text.left(64)).isEmpty()) std::abort();
    if (std::isfinite(value) && std::fabs(value) < 1e12) {
        const QString standard = korvel::FormatCalculated(value, QStringLiteral("##.##"));
        bool ok = standard == QStringLiteral(".") || standard == QStringLiteral("-.");
        const double back = ok ? 0 : standard.toDouble(&ok);
        if (!ok || std::fabs(back - value) > 0.0050001 + std::fabs(value) * 1e-12) std::abort();
    }
    return 0;
}
