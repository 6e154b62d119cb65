// ParseHex and FormatCalculated on arbitrary texts, patterns and numbers: ParseHex agrees with Qt's
// own conversion of plain hex digits, and a finite value formatted with "##.##" reads back within rounding.
#include "core/values.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(double)) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data) + sizeof value,
                                             qsizetype(size - sizeof value));
    const QString trimmed = text.trimmed();
    bool ok = false;
    const auto parsed = korvel::ParseHex(text);
    const quint64 expected = trimmed.toULongLong(&ok, 16);
    ok = ok && trimmed.size() <= 16 && !trimmed.contains(QRegularExpression(QStringLiteral("[^0-9a-fA-F]")));
    if (trimmed.size() <= 16 && (ok ? parsed != expected : parsed.has_value())) std::abort();

    if (!std::isfinite(value) && !korvel::FormatCalculated(value, text.left(64)).isEmpty()) std::abort();
    if (std::isfinite(value) && std::fabs(value) < 1e12) {
        const QString standard = korvel::FormatCalculated(value, QStringLiteral("##.##"));
        ok = standard == QStringLiteral(".");
        const double back = ok ? 0 : standard.toDouble(&ok);
        if (!ok || std::fabs(back - value) > 0.0050001 + std::fabs(value) * 1e-12) std::abort();
    }
    return 0;
}
