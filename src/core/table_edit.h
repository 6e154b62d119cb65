#pragma once

#include "table_text.h"
#include "table_values.h"

#include <QString>
#include <vector>

namespace korvel {

struct AppState;

// The cells of a table an action works on, by table column and row (both from 0).
class CellSelection {
public:
    CellSelection() = default;
    CellSelection(int cols, int rows);
    static CellSelection whole(int cols, int rows);

    int cols() const { return m_cols; }
    int rows() const { return m_rows; }
    // Cells outside the table are ignored.
    void add(int c, int r);
    void add(const CellRect& rect);
    bool contains(int c, int r) const;
    int count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    bool isWhole() const { return m_count > 0 && m_count == m_cols * m_rows; }
    // Whether the selected cells fill their bounds (true for none).
    bool isRectangle() const;
    // The smallest rectangle holding every selected cell (empty when none is).
    CellRect bounds() const { return m_bounds; }

private:
    int m_cols = 0;
    int m_rows = 0;
    int m_count = 0;
    std::vector<char> m_cells;
    CellRect m_bounds;
};

class TableCells;

// One cell's new raw value (a byte for .ecu tables; any element's bits otherwise).
struct CellWrite {
    int c = 0;
    int r = 0;
    quint64 raw = 0;
};

// What an action would store, worked out whole before anything is written.
struct TableChange {
    std::vector<CellWrite> writes;
    int clamped = 0; // results past what the bytes show that went to the nearest end
    QString reach;   // what the first clamped cell can show ("3.92 to 1000")
    QString refusal; // why nothing may be written; empty when the writes may be stored
};

// A pasted block on a table of span.cols x span.rows, with its first field at table cell
// (c, r) and each further line one table row lower, as the grid shows rows (the last table
// row on top). A block of one value fills every cell of `selection` when more than one is
// selected; a larger block is refused when the selection is not one rectangle. An empty field
// leaves its cell as it is. A text the block could not be read from (TextBlock::problem) is
// refused. Every field is checked, in reading order, before anything is planned: the first
// field that lies outside the table, is not a number, or is past what the cell's byte can show
// (ShownValues::nearestByte) refuses the whole block, naming its cell.
TableChange planPaste(const TextBlock& block, const TableCells& cells, int c, int r,
                      const CellSelection& selection = {});
TableChange planPaste(const TextBlock& block, const TableSpan& span, const ShownValues& shown, int c, int r,
                      const CellSelection& selection = {});

// The table operations. Values are worked in the mode shown (raw or calculated); each result
// takes the byte whose shown value is nearest, and one past what the bytes show takes the
// nearest end and is counted as clamped (ShownValues::nearestByte). A cell without a shown
// value (Conversion 1 with raw 0) is left as it is and gives nothing to its neighbours.
enum class TableOp {
    Set,                // every selected cell takes the operand
    Add,                // the operand is added to every selected cell
    Percent,            // every selected cell is multiplied by operand / 100
    InterpolateRows,    // along each row, between the selection's leftmost and rightmost column
    InterpolateColumns, // along each column, between the selection's top and bottom row
    InterpolateBoth,    // bilinear between the four corners of the selection's rectangle
    Smooth,             // every selected cell becomes the mean of itself and its (up to 8) neighbours
};
// An interpolation reads the selection's edges and writes the selected cells between them:
// along rows the leftmost and rightmost columns keep their values, along columns the top and
// bottom rows; both ways only the four corners keep theirs and the edge cells between two
// corners are rewritten from them. The other operations write every selected cell.
TableChange planMath(TableOp op, double operand, const TableCells& cells, const CellSelection& selection);
TableChange planMath(TableOp op, double operand, const ValueMatrix& values, const TableSpan& span,
                     const ShownValues& shown, const CellSelection& selection);

// Stores the planned bytes through StoreByte and puts them into `values`. A cell outside the
// table, the matrix or the image is skipped. Nothing is stored for a refused change.
void applyChange(AppState& state, const TableSpan& span, ValueMatrix& values, const TableChange& change);
// The same for any table: each write stored through `cells`.
void applyChange(AppState& state, const TableCells& cells, const TableChange& change);

} // namespace korvel
