#include "table_marks.h"

#include "core/app_state.h"
#include "widgets/heat_palette.h"
#include "widgets/table_grid.h"

#include <limits>

namespace korvel {

TableMarks::TableMarks(EditorContext& context, TableGrid& grid, TableKind kind, const bool& showRaw,
                       const ValueMatrix& values)
    : m_context(context), m_grid(grid), m_kind(kind), m_showRaw(showRaw), m_values(values) {
    m_grid.setLooks([this](int row, int col, bool withToolTip) { return look(row, col, withToolTip); });
}

void TableMarks::setTable(const EcuItem* item, const TableSpan& span) {
    m_item = item;
    m_span = item ? span : TableSpan{};
    refresh();
}

void TableMarks::refresh() {
    m_rangeStale = true;
    m_grid.refreshLooks();
}

void TableMarks::updateRange() const {
    if (!m_rangeStale) return;
    m_rangeStale = false;
    m_low = std::numeric_limits<double>::infinity();
    m_high = -m_low;
    for (int r = 0; r < m_span.rows; ++r)
        for (int c = 0; c < m_span.cols; ++c)
            if (const auto v = shownValue(*m_item, m_kind, m_showRaw, m_values.at(c, r))) {
                m_low = std::min(m_low, *v);
                m_high = std::max(m_high, *v);
            }
}

CellLook TableMarks::look(int row, int col, bool withToolTip) const {
    CellLook l;
    const int c = col - 1;
    const int r = m_span.rows - row;
    if (!m_item || c < 0 || c >= m_span.cols || r < 0 || r >= m_span.rows) return l;
    if (m_context.vars.HeatMap) {
        updateRange();
        if (const auto v = shownValue(*m_item, m_kind, m_showRaw, m_values.at(c, r)))
            l.fill = heatColour(m_high > m_low ? (*v - m_low) / (m_high - m_low) : 0.5);
    }
    const AppState& state = m_context.services.state;
    const int address = m_span.address + m_span.cols * r + c;
    l.changed = m_context.vars.Compare.differs(state, address);
    if (l.changed && withToolTip)
        l.toolTip =
            QStringLiteral("was ") +
            cellText(*m_item, m_kind, m_showRaw, m_context.vars.Compare.byteAt(address), state.NumericFormat);
    return l;
}

} // namespace korvel
