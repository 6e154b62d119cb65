#pragma once

#include "core/grid_text.h"
#include "core/table_edit.h"
#include "editor/editor_context.h"

#include <QObject>
#include <functional>
#include <optional>

namespace korvel {

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
    };

    // `shown` tells the table at each action; `afterEdit` runs after bytes were written, to
    // read the table again and redraw it.
    TableEditing(EditorContext& context, TableGrid* grid, std::function<Shown()> shown,
                 std::function<void()> afterEdit);

    void copy();
    void paste();
    void run(TableOp op);

private:
    // The grid's selection in table cells; the current cell when nothing is selected.
    CellSelection selection(const Shown& t) const;
    // Asks for the operand of set, add and percent; nothing when cancelled or not a number.
    std::optional<double> askOperand(TableOp op, const ShownValues& values);
    // Writes a planned change as one undo step (or tells why it was refused).
    // `shown` names the values a clamped cell could hold.
    void write(const Shown& t, const ShownValues& shown, const TableChange& change,
               const QString& refusedPrefix);

    EditorContext& m_context;
    TableGrid* m_grid;
    std::function<Shown()> m_shown;
    std::function<void()> m_afterEdit;
};

} // namespace korvel
