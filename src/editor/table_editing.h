#pragma once

#include "core/grid_text.h"
#include "core/table_edit.h"
#include "editor/editor_context.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

namespace korvel {

class TableCells;
class TableGrid;
struct EcuItem;

// Copy, paste and table math on a table grid, in the mode the grid shows (raw or calculated).
// The editor's menu holds the actions that run them (EditorMenu), with their keys. Every action that writes
// is one undo step, stores its bytes through StoreByte and marks the image unsaved; refusals and clamping are
// told through the prompt.
class TableEditing : public QObject {
    Q_OBJECT
public:
    // The table the grid shows now; `item` is null while none is chosen.
    struct Shown {
        const EcuItem* item = nullptr;
        TableKind kind = TableKind::Array;
        TableSpan span;
        ValueMatrix* values = nullptr;
        bool showRaw = true;
        // A table of another definition format: its cells read from the image now (null
        // while none is chosen). When given, the fields above are not used.
        std::function<std::unique_ptr<TableCells>()> cells;
    };

    // `shown` tells the table at each action; `afterEdit` runs after bytes were written, to
    // read the table again and redraw it.
    TableEditing(EditorContext& context, TableGrid* grid, std::function<Shown()> shown,
                 std::function<void()> afterEdit);

    void copy();
    void paste();
    void run(TableOp op);

private:
    // The table shown, read from the image as it is now (another tab or the checksum may have
    // written into it); null while none is chosen.
    std::unique_ptr<TableCells> cellsNow() const;
    // The grid's selection in table cells; the current cell when nothing is selected.
    CellSelection selection(const TableCells& t) const;
    // Asks for the operand of set, add and percent; nothing when cancelled or not a number.
    std::optional<double> askOperand(TableOp op, bool calculated);
    // Writes a planned change as one undo step (or tells why it was refused).
    void write(const TableCells& cells, const TableChange& change, const QString& refusedPrefix);

    EditorContext& m_context;
    TableGrid* m_grid;
    std::function<Shown()> m_shown;
    std::function<void()> m_afterEdit;
};

} // namespace korvel
