#pragma once

#include "value_matrix.h"

#include <QString>
#include <optional>

namespace korvel {

struct AppState;

// The byte window of the Hex tab: bytes start + cols x r + c for c < cols, r < rows.
struct HexWindow {
    int start = 0; // image cell
    int cols = 0;
    int rows = 0;

    qint64 lastByte() const { return qint64{start} + qint64{cols} * rows - 1; }
};

inline constexpr int kHexSmallestCols = 2;
inline constexpr int kHexSmallestRows = 1;
inline constexpr int kHexLargestCount = 500; // columns and rows alike, within the 501 x 501 matrix

// The three box texts: start in hexadecimal digits, the counts in decimal.
struct HexWindowTexts {
    QString start;
    QString cols;
    QString rows;
};

// The window the texts describe, or nothing when a text is not a number, the columns
// lie outside 2..500 or the rows outside 1..500. Where the window lies is not checked.
std::optional<HexWindow> parseHexWindow(const HexWindowTexts& texts);

enum class HexBox { Start, Cols, Rows };

// What one box's handler makes of its text: `accepted` are the texts in force, `text`
// what the box holds now, v the step (-1, 0 or +1; a box that loses the focus is a step
// of 0). The step and its corrections are those of the byte-window boxes (byte_window.h):
// start - v with -1 kept at 0, counts - v with one beyond a limit put back on it. Gives
// the new texts in force, or nothing when the change is refused (the box then gets its
// accepted text back):
// - a text that is not a number, or a count outside its range after the corrections;
// - a start typed past the image (at or beyond binSize);
// - a typed count, or any step, that leaves the window's last byte at or beyond binSize.
// A typed start is not held to the counts, so a window too large for a small image can
// always be brought back inside: first the start, then the counts. A step is taken
// even though the window still passes the end when it brings the window's last byte
// nearer (a smaller count, a lower start), so no stepper is dead while a smaller
// window fits.
std::optional<HexWindowTexts> hexBoxChange(const HexWindowTexts& accepted, HexBox box, const QString& text,
                                           int v, int binSize);

// The two divisors of the Hex tab's pictures: the largest projected x (at least 0) and
// the smallest projected y (at most 0) of the window's points (c, r, byte).
struct HexDivisors {
    double xMax = 0;
    double yMin = 0;
    // The pictures are drawn only when both are non-zero.
    bool drawable() const { return xMax != 0 && yMin != 0; }
};

// Loads the window's bytes into values(c, r) and finds the divisors seen at the angle
// (degrees). Cells at or beyond BinSize hold no file data and load as 0; counts are
// kept within the matrix.
HexDivisors loadHexWindow(const AppState& state, const HexWindow& window, ValueMatrix& values, int angle);

} // namespace korvel
