#pragma once

// Samples of a log binned into the cells of a table, and the table corrected by their means.
// A table has x breakpoints (its columns) and y breakpoints (its rows); a sample (x, y, z) goes
// to the cell of the nearest breakpoint on each axis, and each cell keeps the mean of z and how
// many samples it took.

#include "aldl_log.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel {

// A condition on one column of a log row: "COLUMN>=VALUE", with >=, <=, >, <, = or !=.
struct LogFilter {
    enum class Op { GreaterOrEqual, LessOrEqual, Greater, Less, Equal, NotEqual };
    int column = -1;
    Op op = Op::Equal;
    double value = 0;
    // False when the row has nothing in the column.
    bool passes(const std::vector<std::optional<double>>& row) const;
};

// Reads "COLUMN>=VALUE" against a log's labels: the column is the longest label the text starts
// with, spaces around the operator are allowed, the value is a number as a log holds one.
// Nothing, with `error` set, for an unknown column, a missing operator or a bad value.
std::optional<LogFilter> readLogFilter(const QString& text, const QStringList& labels, QString& error);

class CellAverages {
public:
    // Without a factor, a cell is corrected by mean / 128: 128 is a block learn's "no change".
    static constexpr double kDefaultFactor = 1.0 / 128;

    // `columns` are the x breakpoints, `rows` the y breakpoints (table row 0 first), each in
    // ascending or descending order.
    CellAverages(std::vector<double> columns, std::vector<double> rows);

    // The index of the breakpoint nearest to `v`: a value half-way between two goes to the
    // lower breakpoint, one beyond either end to that end. -1 for NaN or no breakpoints.
    static int nearest(const std::vector<double>& breakpoints, double v);

    int cols() const { return int(m_columns.size()); }
    int rows() const { return int(m_rows.size()); }

    // Bins one sample; a NaN anywhere is ignored.
    void add(double x, double y, double z);
    // Bins every row of `log` that has numbers in columns x, y and z and passes every filter.
    void add(const AldlLog& log, int x, int y, int z, const std::vector<LogFilter>& filters);

    int count(int c, int r) const { return m_counts[index(c, r)]; }
    // The mean of z in the cell; nothing when it took fewer than `minCount` samples (or none).
    std::optional<double> mean(int c, int r, int minCount) const;

    // New cell values for `cells` (row-major, table row 0 first, cols() x rows()): cell x mean x
    // `factor` where the cell has a mean from at least `minCount` samples and a value; nothing
    // (leave the cell as it is) elsewhere.
    std::vector<std::optional<double>> corrected(const std::vector<std::optional<double>>& cells,
                                                 int minCount, double factor = kDefaultFactor) const;

private:
    size_t index(int c, int r) const { return size_t(r) * m_columns.size() + size_t(c); }

    std::vector<double> m_columns, m_rows;
    std::vector<double> m_sums;
    std::vector<int> m_counts;
};

} // namespace korvel
