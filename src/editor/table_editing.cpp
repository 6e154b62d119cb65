#include "table_editing.h"

#include "core/app_state.h"
#include "core/edit_history.h"
#include "core/table_cells.h"
#include "widgets/prompt.h"
#include "widgets/table_grid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>

namespace korvel {

TableEditing::TableEditing(EditorContext& context, TableGrid* grid, std::function<Shown()> shown,
                           std::function<void()> afterEdit)
    : QObject(grid), m_context(context), m_grid(grid), m_shown(std::move(shown)),
      m_afterEdit(std::move(afterEdit)) {
    // The actions (copy, paste, table math) are the editor's, shared by its menu, the
    // grid's context menu and the keys.
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
}

std::unique_ptr<TableCells> TableEditing::cellsNow() const {
    Shown t = m_shown();
    if (t.cells) return t.cells();
    if (!t.item) return nullptr;
    loadTable(m_context.services.state, t.span, *t.values);
    return std::make_unique<EcuTableCells>(ShownValues(*t.item, t.kind, !t.showRaw), t.span, t.values);
}

CellSelection TableEditing::selection(const TableCells& t) const {
    // Grid row g shows table row rows - g; grid column k table column k - 1.
    const int rows = t.rows();
    CellSelection s(t.cols(), rows);
    for (const QItemSelectionRange& range : m_grid->selectionModel()->selection())
        s.add(CellRect{range.left() - 1, rows - range.bottom(), range.right() - 1, rows - range.top()});
    if (s.isEmpty()) {
        const QModelIndex current = m_grid->currentIndex();
        if (current.isValid()) s.add(current.column() - 1, rows - current.row());
    }
    return s;
}

void TableEditing::copy() {
    const auto t = cellsNow();
    if (!t) return;
    const CellSelection s = selection(*t);
    if (s.isEmpty()) return;
    // The whole table goes with its headings, so a spreadsheet gets the axes too.
    QGuiApplication::clipboard()->setText(tableText(*t, s.bounds(), QLatin1Char('\t'), s.isWhole(),
                                                    [&s](int c, int r) { return s.contains(c, r); }));
}

void TableEditing::paste() {
    const auto t = cellsNow();
    if (!t) return;
    TextBlock block = splitText(QGuiApplication::clipboard()->text(), TextSource::Clipboard);
    if (block.lines.empty() && block.problem.isEmpty()) return;
    CellSelection s = selection(*t);
    // A whole table with its headings goes back where it came from, whatever is selected;
    // anything else starts at the selection's top-left cell as the grid shows it (the current
    // cell without one).
    int c = 0, r = t->rows() - 1;
    if (hasHeadings(block, t->cols(), t->rows())) {
        block = withoutHeadings(block);
        s = {};
    } else if (!s.isEmpty()) {
        std::tie(c, r) = std::pair(s.bounds().c0, s.bounds().r1);
    }
    write(*t, planPaste(block, *t, c, r, s), QStringLiteral("Nothing was pasted: "));
}

std::optional<double> TableEditing::askOperand(TableOp op, bool calculated) {
    const QString mode = calculated ? QStringLiteral("calculated") : QStringLiteral("raw");
    QString question;
    switch (op) {
    case TableOp::Set:
        question = QStringLiteral("Set the selected cells to this %1 value:").arg(mode);
        break;
    case TableOp::Add:
        question = QStringLiteral("Add this %1 value to the selected cells (below 0 subtracts):").arg(mode);
        break;
    case TableOp::Percent:
        question =
            QStringLiteral("Multiply the selected %1 values by this percentage (100 keeps them):").arg(mode);
        break;
    default:
        return 0.0;
    }
    const std::optional<QString> typed = m_context.services.prompt.askText(question, {});
    if (!typed) return std::nullopt;
    if (commaMayGroupThousands(*typed)) {
        m_context.services.prompt.message(
            QStringLiteral("\"%1\" could be read with a decimal comma or with a thousands separator. "
                           "Type the number without separators, or with a decimal point.")
                .arg(typed->trimmed()),
            Prompt::Icon::Critical);
        return std::nullopt;
    }
    const std::optional<double> v = readNumber(*typed);
    if (!v)
        m_context.services.prompt.message(QStringLiteral("\"%1\" is not a number.").arg(typed->trimmed()),
                                          Prompt::Icon::Critical);
    return v;
}

void TableEditing::run(TableOp op) {
    auto t = cellsNow();
    if (!t) return;
    const CellSelection s = selection(*t);
    if (s.isEmpty()) return;
    if (const QString why = t->refusal(); !why.isEmpty()) {
        m_context.services.prompt.message(why, Prompt::Icon::Critical);
        return;
    }
    const std::optional<double> operand = askOperand(op, t->calculated());
    if (!operand) return;
    // From the image as it is now: another tab or the checksum may have written into the table.
    t = cellsNow();
    if (!t) return;
    write(*t, planMath(op, *operand, *t, s), QString());
}

void TableEditing::write(const TableCells& cells, const TableChange& change, const QString& refusedPrefix) {
    Prompt& prompt = m_context.services.prompt;
    if (!change.refusal.isEmpty()) {
        prompt.message(refusedPrefix + change.refusal, Prompt::Icon::Critical);
        return;
    }
    if (change.writes.empty()) return;
    AppState& state = m_context.services.state;
    // Writing back the bytes the table already holds is no change: the editor stays saved.
    if (recordEdit(m_context.vars.History, state, cells.ranges(), [&] { applyChange(state, cells, change); }))
        m_context.vars.IsSaved = false;
    m_afterEdit();
    if (change.clamped > 0)
        prompt.message(
            change.clamped == 1
                ? QStringLiteral("1 cell was clamped to what its byte holds (%1).").arg(change.reach)
                : QStringLiteral("%1 cells were clamped to what their bytes hold (%2).")
                      .arg(change.clamped)
                      .arg(change.reach),
            Prompt::Icon::Information);
}

} // namespace korvel
