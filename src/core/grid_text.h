#pragma once

#include "ecu_definition.h"
#include "value_matrix.h"

#include <QString>
#include <optional>
#include <vector>

namespace korvel {

// The texts of the table grids, shared by the editor's grids and the command-line tool.
// A grid has Rows + 1 rows and Columns + 1 columns; row 0 holds the column headings,
// column 0 the row headings, the corner stays empty. Table column c (from 0) is grid
// column c + 1; table row r (from 0) is grid row Rows - r, so the first table row is
// the bottom grid row.

// One-dimensional tables and maps differ in one rule: a map item whose Factor is 0
// shows 0 in every calculated cell.
enum class TableKind { Array, Map };

inline constexpr int kRowHeadingWidth = 5;    // characters of YAxis per row heading
inline constexpr int kColumnHeadingWidth = 3; // characters of XAxis per column heading

// Field k (from 1) of an axis text cut into fields of `width` characters; a field the
// text does not fully reach gives what is there, possibly nothing.
QString headingField(const QString& axis, int k, int width);
// Heading of table row k - 1 (k from 1): field k of YAxis.
QString rowHeading(const EcuItem& item, int k);
// Heading of table column k - 1 (k from 1): field k of XAxis.
QString columnHeading(const EcuItem& item, int k);

// The grid row that shows table row r (from 0) of a table of `rows` rows.
inline int gridRowOfTableRow(int r, int rows) {
    return rows - r;
}

// The value label beside a grid: "Raw Values" in raw mode, the item's Title otherwise.
QString valueLabelText(const EcuItem& item, bool showRaw);

// The text of one value cell. Raw mode: the raw byte in plain decimal. Calculated mode:
// the calculated value in the number format; Conversion other than 0 and 1 (and a map
// whose Factor is 0) gives 0 formatted; Conversion 1 with raw 0 has no value and gives
// an empty text.
QString cellText(const EcuItem& item, TableKind kind, bool showRaw, double raw, const QString& numericFormat);
// The number a value cell shows, unformatted: what the heat map colours by. Nothing where
// the cell's text is empty.
std::optional<double> shownValue(const EcuItem& item, TableKind kind, bool showRaw, double raw);

// Every text of the grid of a table of cols x rows (both clamped to the matrix),
// indexed [grid row][grid column]: headings, value cells and the empty corner.
std::vector<std::vector<QString>> gridTexts(const EcuItem& item, TableKind kind, bool showRaw,
                                            const ValueMatrix& values, int cols, int rows,
                                            const QString& numericFormat);

} // namespace korvel
