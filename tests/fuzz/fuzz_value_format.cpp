// ParseHex and FormatCalculated on arbitrary texts, patterns and numbers. Checks that
// ParseHex agrees with a plain digit loop and that a formatted finite value with a
// "##.##" pattern reads back within rounding.
#include "core/values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(double)) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data) + sizeof value,
                                             static_cast<qsizetype>(size - sizeof value));

    const auto parsed = korvel::ParseHex(text);
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qulonglong expected = trimmed.toULongLong(&ok, 16);
    const bool plainHex = !trimmed.isEmpty() && trimmed.size() <= 16 &&
                          std::all_of(trimmed.begin(), trimmed.end(), [](QChar c) {
                              return std::isxdigit(c.unicode()) && c.unicode() < 128;
                          });
    if (plainHex && (!parsed || *parsed != expected)) std::abort();
    if (parsed && !plainHex && trimmed.size() <= 16) std::abort();

    const QString formatted = korvel::FormatCalculated(value, text.left(64));
    if (!std::isfinite(value) && !formatted.isEmpty()) std::abort();
    if (std::isfinite(value) && std::fabs(value) < 1e12) {
        const QString standard = korvel::FormatCalculated(value, QStringLiteral("##.##"));
        const double back =
            standard == QStringLiteral(".") || standard == QStringLiteral("-.") ? 0 : standard.toDouble(&ok);
        if (!ok && standard != QStringLiteral(".")) std::abort();
        if (std::fabs(back - value) > 0.0050001 + std::fabs(value) * 1e-12) std::abort();
    }
    return 0;
}
