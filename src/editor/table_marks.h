#pragma once

#include "core/grid_text.h"
#include "core/table_values.h"
#include "editor/editor_context.h"
#include "widgets/table_grid_model.h"

namespace korvel {

class TableGrid;
class ValueMatrix;
struct EcuItem;

// The looks of a table grid's value cells (Arrays and Maps): a cell whose byte differs
// from the baseline is marked, with "was …" and the baseline's value in the mode shown as
// its tool tip; with the heat map on, every cell is coloured by the value it shows, from
// the table's lowest to its highest.
class TableMarks {
public:
    TableMarks(EditorContext& context, TableGrid& grid, TableKind kind, const bool& showRaw,
               const ValueMatrix& values);

    // The table shown (nullptr for none) and where its bytes lie.
    void setTable(const EcuItem* item, const TableSpan& span);
    // After the values, the mode, the baseline or the heat switch changed: the grid asks for
    // its looks again, and the heat range is worked out again when they are first asked for
    // (an edit refreshes more than once before the grid paints).
    void refresh();

private:
    CellLook look(int row, int col, bool withToolTip) const;
    // The lowest and highest value shown, once per refresh, with the heat map on.
    void updateRange() const;

    EditorContext& m_context;
    TableGrid& m_grid;
    TableKind m_kind;
    const bool& m_showRaw;
    const ValueMatrix& m_values;
    const EcuItem* m_item = nullptr;
    TableSpan m_span;
    mutable bool m_rangeStale = true;
    mutable double m_low = 0;
    mutable double m_high = 0;
};

} // namespace korvel
