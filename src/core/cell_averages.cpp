#include "cell_averages.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace korvel {

bool LogFilter::passes(const std::vector<std::optional<double>>& row) const {
    if (column < 0 || size_t(column) >= row.size() || !row[size_t(column)]) return false;
    const double v = *row[size_t(column)];
    switch (op) {
    case Op::GreaterOrEqual:
        return v >= value;
    case Op::LessOrEqual:
        return v <= value;
    case Op::Greater:
        return v > value;
    case Op::Less:
        return v < value;
    case Op::Equal:
        return v == value;
    case Op::NotEqual:
        return v != value;
    }
    return false;
}

std::optional<LogFilter> readLogFilter(const QString& text, const QStringList& labels, QString& error) {
    // Two-character operators first, so ">=" is not read as ">" and a value "=...".
    static const std::pair<const char*, LogFilter::Op> ops[] = {{">=", LogFilter::Op::GreaterOrEqual},
                                                                {"<=", LogFilter::Op::LessOrEqual},
                                                                {"!=", LogFilter::Op::NotEqual},
                                                                {">", LogFilter::Op::Greater},
                                                                {"<", LogFilter::Op::Less},
                                                                {"=", LogFilter::Op::Equal}};
    LogFilter f;
    qsizetype matched = -1;
    for (qsizetype k = 0; k < labels.size(); ++k)
        if (labels[k].size() > matched && text.startsWith(labels[k])) {
            f.column = int(k);
            matched = labels[k].size();
        }
    if (f.column < 0) {
        error = QStringLiteral("\"%1\": the log has no such column").arg(text);
        return std::nullopt;
    }
    const QString rest = text.mid(matched).trimmed();
    for (const auto& [symbol, op] : ops) {
        if (!rest.startsWith(QLatin1String(symbol))) continue;
        bool ok = false;
        const auto v = readLogNumber(QStringView(rest).mid(qsizetype(std::strlen(symbol))), ok);
        if (!v) {
            error = QStringLiteral("\"%1\": the value is not a number").arg(text);
            return std::nullopt;
        }
        f.op = op;
        f.value = *v;
        return f;
    }
    error = QStringLiteral("\"%1\": expected COLUMN>=VALUE (or <=, >, <, =, !=)").arg(text);
    return std::nullopt;
}

CellAverages::CellAverages(std::vector<double> columns, std::vector<double> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows)), m_sums(m_columns.size() * m_rows.size()),
      m_counts(m_sums.size()) {}

int CellAverages::nearest(const std::vector<double>& breakpoints, double v) {
    if (std::isnan(v)) return -1;
    int best = -1;
    double bestDistance = 0;
    for (size_t i = 0; i < breakpoints.size(); ++i) {
        const double d = std::abs(breakpoints[i] - v);
        if (best < 0 || d < bestDistance ||
            (d == bestDistance && breakpoints[i] < breakpoints[size_t(best)])) {
            best = int(i);
            bestDistance = d;
        }
    }
    return best;
}

void CellAverages::add(double x, double y, double z) {
    const int c = nearest(m_columns, x), r = nearest(m_rows, y);
    if (c < 0 || r < 0 || std::isnan(z)) return;
    m_sums[index(c, r)] += z;
    ++m_counts[index(c, r)];
}

void CellAverages::add(const AldlLog& log, int x, int y, int z, const std::vector<LogFilter>& filters) {
    const auto at = [](const std::vector<std::optional<double>>& row, int k) {
        return k >= 0 && size_t(k) < row.size() ? row[size_t(k)] : std::nullopt;
    };
    for (const auto& row : log.rows) {
        const auto vx = at(row, x), vy = at(row, y), vz = at(row, z);
        if (!vx || !vy || !vz) continue;
        if (std::all_of(filters.cbegin(), filters.cend(),
                        [&row](const LogFilter& f) { return f.passes(row); }))
            add(*vx, *vy, *vz);
    }
}

std::optional<double> CellAverages::mean(int c, int r, int minCount) const {
    if (c < 0 || r < 0 || c >= cols() || r >= rows()) return std::nullopt;
    const int n = m_counts[index(c, r)];
    if (n == 0 || n < minCount) return std::nullopt;
    return m_sums[index(c, r)] / n;
}

std::vector<std::optional<double>> CellAverages::corrected(const std::vector<std::optional<double>>& cells,
                                                           int minCount, double factor) const {
    std::vector<std::optional<double>> out(cells.size());
    for (int r = 0; r < rows(); ++r)
        for (int c = 0; c < cols(); ++c) {
            const size_t i = index(c, r);
            const auto m = mean(c, r, minCount);
            if (i < cells.size() && cells[i] && m) out[i] = *cells[i] * *m * factor;
        }
    return out;
}

} // namespace korvel
