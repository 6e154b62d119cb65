#pragma once

#include "value_matrix.h"

#include <functional>

namespace korvel {

struct AppState;

// Key codes of the grids' edit keys: the main keyboard's "=" key (which also carries
// "+") and its "-" key. The keypad's plus and minus are other keys and change nothing.
inline constexpr int kKeyCodePlus = 187;
inline constexpr int kKeyCodeMinus = 189;

// A table cell after an edit key: +1 for the plus key, -1 for the minus key, clamped
// to 0..255; any other key leaves it as it is.
double steppedCell(double value, int keyCode);

// The divisors of the map surface: the largest column index, row index and raw value
// seen, each at least 1. They start at 1 and are only ever raised.
struct MapDivisors {
    double xMax = 1;
    double yMax = 1;
    double zMax = 1;
    void raise(int c, int r, double value);
};

// Where a table lies: first byte, column and row counts. A table is stored row after
// row, one byte a cell: cell (c, r) is the byte at address + cols * r + c.
struct TableSpan {
    int address = 0;
    int cols = 0;
    int rows = 0;
};

// Reads the table's bytes into values(c, r), raising `divisors` where given. Cells
// outside the matrix are skipped and bytes outside the image read as 0, so nothing
// outside either is touched; callers refuse such tables beforehand (itemRefusal).
void loadTable(const AppState& state, const TableSpan& span, ValueMatrix& values,
               MapDivisors* divisors = nullptr);

// A grid key on a table. The table is first read again from the image (other tabs and the
// checksum may have written into its bytes since it was shown), raising `divisors` where
// given; then for the plus and minus keys each cell for which `selected(c, r)` holds is
// stepped and stored with StoreByte. No other cell is written, and other keys write
// nothing. Returns whether anything was stored.
bool stepSelectedCells(AppState& state, const TableSpan& span, ValueMatrix& values,
                       const std::function<bool(int c, int r)>& selected, int keyCode,
                       MapDivisors* divisors = nullptr);

} // namespace korvel
