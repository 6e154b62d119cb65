#include "log_trace.h"

#include "cell_averages.h"

#include <cmath>

namespace korvel {

std::vector<std::optional<double>> logRow(const AdxDefinition& def, const AdxDecoded& decoded,
                                          double seconds) {
    std::vector<std::optional<double>> row{seconds};
    row.reserve(def.fields.size() + 1);
    for (const auto& [isBitmask, i] : def.fields) {
        std::optional<double> v;
        if (isBitmask) {
            if (size_t(i) < decoded.bitmasks.size() && decoded.bitmasks[size_t(i)].valid)
                v = decoded.bitmasks[size_t(i)].state ? 1.0 : 0.0;
        } else if (size_t(i) < decoded.values.size() && decoded.values[size_t(i)].valid &&
                   std::isfinite(decoded.values[size_t(i)].value)) {
            v = decoded.values[size_t(i)].value;
        }
        row.push_back(v);
    }
    return row;
}

int linkedColumn(const AdxDefinition& def, const QString& link) {
    QString t = link.trimmed();
    if (!t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) return -1;
    bool ok = false;
    const quint64 hash = t.mid(2).toULongLong(&ok, 16);
    if (!ok) return -1;
    for (size_t k = 0; k < def.fields.size(); ++k) {
        const auto& [isBitmask, i] = def.fields[k];
        if (!isBitmask && def.values[size_t(i)].idhash == hash) return int(k) + 1;
    }
    return -1;
}

std::optional<TableCell> operatingCell(const std::vector<std::optional<double>>& columns,
                                       const std::vector<std::optional<double>>& rows,
                                       std::optional<double> x, std::optional<double> y, int cols,
                                       int rowCount) {
    const auto along = [](const std::vector<std::optional<double>>& axis, std::optional<double> v,
                          int count) -> std::optional<int> {
        if (count <= 1) return 0;
        if (!v || int(axis.size()) < count) return std::nullopt;
        std::vector<double> points;
        for (int i = 0; i < count; ++i) {
            if (!axis[size_t(i)]) return std::nullopt;
            points.push_back(*axis[size_t(i)]);
        }
        const int i = CellAverages::nearest(points, *v);
        return i < 0 ? std::nullopt : std::optional(i);
    };
    const auto c = along(columns, x, cols), r = along(rows, y, rowCount);
    if (!c || !r) return std::nullopt;
    return TableCell{*c, *r};
}

QStringList defaultAverageFilters(const QStringList& labels) {
    QStringList out;
    const auto first = [&](auto matches) {
        for (const QString& l : labels)
            if (matches(l)) return l;
        return QString();
    };
    if (const QString l = first(
            [](const QString& s) { return s.startsWith(QLatin1String("Coolant"), Qt::CaseInsensitive); });
        !l.isEmpty())
        out << l + QStringLiteral(">=70");
    if (const QString l = first([](const QString& s) {
            return s.compare(QLatin1String("Closed loop"), Qt::CaseInsensitive) == 0;
        });
        !l.isEmpty())
        out << l + QStringLiteral("=1");
    if (const QString l =
            first([](const QString& s) { return s.endsWith(QLatin1String("(rpm)"), Qt::CaseInsensitive); });
        !l.isEmpty())
        out << l + QStringLiteral(">=500");
    out << QStringLiteral("Time (s)>=30");
    return out;
}

} // namespace korvel
