#include "table_values.h"

#include "app_state.h"
#include "values.h"

#include <algorithm>

namespace korvel {

double steppedCell(double value, int keyCode) {
    if (keyCode == kKeyCodePlus) return std::min(value + 1, 255.0);
    if (keyCode == kKeyCodeMinus) return std::max(value - 1, 0.0);
    return value;
}

void MapDivisors::raise(int c, int r, double value) {
    if (c > xMax) xMax = c;
    if (r > yMax) yMax = r;
    if (value > zMax) zMax = value;
}

namespace {

// The table clamped to the matrix: rows and columns past 501 are never indexed.
TableSpan inMatrix(const TableSpan& span) {
    return {span.address, std::clamp(span.cols, 0, ValueMatrix::kSize),
            std::clamp(span.rows, 0, ValueMatrix::kSize)};
}

} // namespace

void loadTable(const AppState& state, const TableSpan& span, ValueMatrix& values, MapDivisors* divisors) {
    const TableSpan t = inMatrix(span);
    for (int r = 0; r < t.rows; ++r) {
        for (int c = 0; c < t.cols; ++c) {
            // Indexes formed in 64 bits: a large address plus a table must not wrap.
            const qint64 i = qint64{t.address} + qint64{span.cols} * r + c;
            const double v = (i >= 0 && i < kImageCells) ? state.byteAt(static_cast<int>(i)) : 0;
            values.set(c, r, v);
            if (divisors) divisors->raise(c, r, v);
        }
    }
}

bool stepSelectedCells(AppState& state, const TableSpan& span, ValueMatrix& values,
                       const std::function<bool(int c, int r)>& selected, int keyCode,
                       MapDivisors* divisors) {
    loadTable(state, span, values, divisors);
    if (keyCode != kKeyCodePlus && keyCode != kKeyCodeMinus) return false;
    const TableSpan t = inMatrix(span);
    bool stored = false;
    for (int r = 0; r < t.rows; ++r) {
        for (int c = 0; c < t.cols; ++c) {
            const qint64 i = qint64{t.address} + qint64{span.cols} * r + c;
            if (i < 0 || i >= kImageCells || !selected(c, r)) continue;
            const double v = steppedCell(values.at(c, r), keyCode);
            StoreByte(state, static_cast<int>(i), static_cast<int>(v));
            values.set(c, r, v);
            if (divisors) divisors->raise(c, r, v);
            stored = true;
        }
    }
    return stored;
}

} // namespace korvel
