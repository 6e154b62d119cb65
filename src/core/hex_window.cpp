#include "hex_window.h"

#include "app_state.h"
#include "byte_window.h"
#include "projection.h"
#include "values.h"

#include <algorithm>

namespace korvel {

std::optional<HexWindow> parseHexWindow(const HexWindowTexts& texts) {
    const auto start = steppedStart(texts.start, 0);
    const auto cols = steppedCount(texts.cols, 0, kHexSmallestCols, kHexLargestCount);
    const auto rows = steppedCount(texts.rows, 0, kHexSmallestRows, kHexLargestCount);
    if (!start || !cols || !rows || *start >= static_cast<quint64>(kImageCells)) return std::nullopt;
    return HexWindow{static_cast<int>(*start), *cols, *rows};
}

std::optional<HexWindowTexts> hexBoxChange(const HexWindowTexts& accepted, HexBox box, const QString& text,
                                           int v, int binSize) {
    HexWindowTexts next = accepted;
    switch (box) {
    case HexBox::Start: {
        // A start that is no cell of the image is not stepped (it could wrap round).
        const auto current = steppedStart(text, 0);
        if (!current || *current >= static_cast<quint64>(kImageCells)) return std::nullopt;
        next.start = hexNumber(*steppedStart(text, v));
        break;
    }
    case HexBox::Cols: {
        const auto cols = steppedCount(text, v, kHexSmallestCols, kHexLargestCount);
        if (!cols) return std::nullopt;
        next.cols = QString::number(*cols);
        break;
    }
    case HexBox::Rows: {
        const auto rows = steppedCount(text, v, kHexSmallestRows, kHexLargestCount);
        if (!rows) return std::nullopt;
        next.rows = QString::number(*rows);
        break;
    }
    }
    const auto window = parseHexWindow(next);
    if (!window) return std::nullopt;
    const qint64 filled = std::min(binSize, kImageCells);
    if (box == HexBox::Start && v == 0) {
        if (window->start >= filled) return std::nullopt;
    } else if (!windowFits(static_cast<quint64>(window->start), qint64{window->cols} * window->rows,
                           filled)) {
        // A step that brings the window's end nearer is taken even while the window still
        // reaches past the image: on a small image the steppers can then walk a window that
        // is too large back inside instead of going dead.
        HexWindowTexts before = accepted;
        (box == HexBox::Start ? before.start : box == HexBox::Cols ? before.cols : before.rows) = text;
        const auto was = parseHexWindow(before);
        if (v == 0 || !was || window->lastByte() >= was->lastByte()) return std::nullopt;
    }
    return next;
}

HexDivisors loadHexWindow(const AppState& state, const HexWindow& window, ValueMatrix& values, int angle) {
    const Projection p(angle);
    const int cols = std::clamp(window.cols, 0, ValueMatrix::kSize);
    const int rows = std::clamp(window.rows, 0, ValueMatrix::kSize);
    const int filled = std::min(state.BinSize, kImageCells);
    HexDivisors d;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const qint64 address = qint64{window.start} + qint64{window.cols} * r + c;
            const int byte = (address >= 0 && address < filled) ? state.byteAt(static_cast<int>(address)) : 0;
            values.set(c, r, byte);
            d.xMax = std::max(d.xMax, p.x(c, r, byte));
            d.yMin = std::min(d.yMin, p.y(c, r, byte));
        }
    }
    return d;
}

} // namespace korvel
