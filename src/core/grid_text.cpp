#include "grid_text.h"

#include "values.h"

#include <algorithm>

namespace korvel {

QString headingField(const QString& axis, int k, int width) {
    if (k < 1 || width < 1) return {};
    const qsizetype start = static_cast<qsizetype>(k - 1) * width;
    if (start >= axis.size()) return {};
    return axis.mid(start, width);
}

QString rowHeading(const EcuItem& item, int k) {
    return headingField(item.YAxis, k, kRowHeadingWidth);
}

QString columnHeading(const EcuItem& item, int k) {
    return headingField(item.XAxis, k, kColumnHeadingWidth);
}

QString valueLabelText(const EcuItem& item, bool showRaw) {
    return showRaw ? QStringLiteral("Raw Values") : item.Title;
}

QString cellText(const EcuItem& item, TableKind kind, bool showRaw, double raw,
                 const QString& numericFormat) {
    if (showRaw) return QString::number(static_cast<quint64>(std::clamp(raw, 0.0, 255.0)));
    return FormatCalculated(shownValue(item, kind, false, raw), numericFormat);
}

std::optional<double> shownValue(const EcuItem& item, TableKind kind, bool showRaw, double raw) {
    // Table cells are single bytes: whole numbers 0..255.
    const auto byte = static_cast<quint64>(std::clamp(raw, 0.0, 255.0));
    if (showRaw) return static_cast<double>(byte);
    if (kind == TableKind::Map && item.Factor == 0) return 0.0;
    return CalculatedValue(item, byte);
}

std::vector<std::vector<QString>> gridTexts(const EcuItem& item, TableKind kind, bool showRaw,
                                            const ValueMatrix& values, int cols, int rows,
                                            const QString& numericFormat) {
    cols = std::clamp(cols, 0, ValueMatrix::kSize);
    rows = std::clamp(rows, 0, ValueMatrix::kSize);
    std::vector<std::vector<QString>> grid(static_cast<size_t>(rows) + 1,
                                           std::vector<QString>(static_cast<size_t>(cols) + 1));
    for (int k = 1; k <= rows; ++k)
        grid[static_cast<size_t>(rows + 1 - k)][0] = rowHeading(item, k);
    for (int k = 1; k <= cols; ++k)
        grid[0][static_cast<size_t>(k)] = columnHeading(item, k);
    for (int r = 0; r < rows; ++r) {
        auto& line = grid[static_cast<size_t>(gridRowOfTableRow(r, rows))];
        for (int c = 0; c < cols; ++c)
            line[static_cast<size_t>(c + 1)] = cellText(item, kind, showRaw, values.at(c, r), numericFormat);
    }
    return grid;
}

} // namespace korvel
