#include "table_edit.h"

#include "app_state.h"
#include "table_cells.h"
#include "values.h"

#include <algorithm>
#include <cmath>

namespace korvel {

CellSelection::CellSelection(int cols, int rows)
    : m_cols(std::max(cols, 0)), m_rows(std::max(rows, 0)),
      m_cells(static_cast<size_t>(m_cols) * static_cast<size_t>(m_rows), 0) {}

CellSelection CellSelection::whole(int cols, int rows) {
    CellSelection s(cols, rows);
    s.add(CellRect{0, 0, cols - 1, rows - 1});
    return s;
}

void CellSelection::add(int c, int r) {
    if (c < 0 || r < 0 || c >= m_cols || r >= m_rows) return;
    char& cell = m_cells[static_cast<size_t>(r) * static_cast<size_t>(m_cols) + static_cast<size_t>(c)];
    if (cell) return;
    cell = 1;
    if (m_count++ == 0) {
        m_bounds = {c, r, c, r};
        return;
    }
    m_bounds = {std::min(m_bounds.c0, c), std::min(m_bounds.r0, r), std::max(m_bounds.c1, c),
                std::max(m_bounds.r1, r)};
}

void CellSelection::add(const CellRect& rect) {
    for (int r = std::max(rect.r0, 0); r <= std::min(rect.r1, m_rows - 1); ++r)
        for (int c = std::max(rect.c0, 0); c <= std::min(rect.c1, m_cols - 1); ++c)
            add(c, r);
}

bool CellSelection::contains(int c, int r) const {
    if (c < 0 || r < 0 || c >= m_cols || r >= m_rows) return false;
    return m_cells[static_cast<size_t>(r) * static_cast<size_t>(m_cols) + static_cast<size_t>(c)] != 0;
}

bool CellSelection::isRectangle() const {
    return m_count == 0 || m_count == (m_bounds.c1 - m_bounds.c0 + 1) * (m_bounds.r1 - m_bounds.r0 + 1);
}

namespace {

TableChange refused(const QString& why) {
    TableChange change;
    change.refusal = why;
    return change;
}

// Why a typed value cannot be stored in cell (c, r), or nothing with the raw value it stands for.
std::optional<quint64> pastedRaw(const QString& text, const TableCells& cells, int c, int r, QString& why) {
    const std::optional<double> v = readNumber(text);
    if (!v) {
        why = QStringLiteral("\"%1\" is not a number").arg(text.trimmed());
        return std::nullopt;
    }
    const auto raw = cells.nearest(c, r, *v);
    if (raw && !raw->beyond) return raw->bits;
    why = QStringLiteral("%1 is outside the values a cell can hold (%2)")
              .arg(text.trimmed(), cells.reach(c, r));
    return std::nullopt;
}

} // namespace

TableChange planPaste(const TextBlock& block, const TableSpan& span, const ShownValues& shown, int c, int r,
                      const CellSelection& selection) {
    return planPaste(block, EcuTableCells(shown, span, nullptr), c, r, selection);
}

TableChange planPaste(const TextBlock& block, const TableCells& cells, int c, int r,
                      const CellSelection& selection) {
    if (const QString why = cells.refusal(); !why.isEmpty()) return refused(why);
    const TableSpan span{0, cells.cols(), cells.rows()};
    if (!block.problem.isEmpty()) return refused(block.problem);
    const bool oneValue = block.lines.size() == 1 && block.lines[0].size() == 1;
    if (!oneValue && !selection.isRectangle())
        return refused(QStringLiteral("the selected cells do not form one rectangle. Select one block of "
                                      "cells, or one cell to paste from."));
    TableChange change;
    for (size_t i = 0; i < block.lines.size(); ++i) {
        const QStringList& line = block.lines[i];
        for (qsizetype j = 0; j < line.size(); ++j) {
            const int cc = c + static_cast<int>(j), rr = r - static_cast<int>(i);
            const bool inside = cc >= 0 && rr >= 0 && cc < span.cols && rr < span.rows;
            if (QStringView(line[j]).trimmed().isEmpty()) continue; // an empty field changes nothing
            if (!inside)
                return refused(QStringLiteral("%1 lies outside the table of %2 rows and %3 columns.")
                                   .arg(cellName(cc, rr, span.rows))
                                   .arg(span.rows)
                                   .arg(span.cols));
            QString why;
            const auto byte = pastedRaw(line[j], cells, cc, rr, why);
            if (!byte) return refused(QStringLiteral("%1: %2.").arg(cellName(cc, rr, span.rows), why));
            change.writes.push_back({cc, rr, *byte});
        }
    }
    // One value into a selection of several cells fills them all.
    if (oneValue && change.writes.size() == 1 && selection.count() > 1) {
        const quint64 byte = change.writes[0].raw;
        change.writes.clear();
        const CellRect b = selection.bounds();
        for (int sr = b.r0; sr <= b.r1; ++sr)
            for (int sc = b.c0; sc <= b.c1; ++sc)
                if (selection.contains(sc, sr)) change.writes.push_back({sc, sr, byte});
    }
    return change;
}

namespace {

class MathPlan {
public:
    explicit MathPlan(const TableCells& cells) : m_cells(cells) {}

    double at(int c, int r) const { return m_cells.value(c, r); }
    // A result in the mode shown: the nearest raw value, clamped; NaN writes nothing.
    void put(int c, int r, double value) {
        const auto raw = m_cells.nearest(c, r, value);
        if (!raw) return;
        if (raw->beyond && change.clamped++ == 0) change.reach = m_cells.reach(c, r);
        change.writes.push_back({c, r, raw->bits});
    }
    // Mean of the cell and its neighbours inside the table that have a value.
    double smoothed(int c, int r) const {
        if (std::isnan(at(c, r))) return at(c, r);
        double sum = 0;
        int n = 0;
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) {
                const int nc = c + dc, nr = r + dr;
                if (nc < 0 || nr < 0 || nc >= m_cells.cols() || nr >= m_cells.rows()) continue;
                const double v = at(nc, nr);
                if (std::isnan(v)) continue;
                sum += v;
                ++n;
            }
        }
        return sum / n;
    }

    TableChange change;

private:
    const TableCells& m_cells;
};

double between(double a, double b, int i, int first, int last) {
    return last == first ? a : a + (b - a) * (i - first) / (last - first);
}

} // namespace

TableChange planMath(TableOp op, double operand, const ValueMatrix& values, const TableSpan& span,
                     const ShownValues& shown, const CellSelection& selection) {
    return planMath(op, operand, EcuTableCells(shown, span, &values), selection);
}

TableChange planMath(TableOp op, double operand, const TableCells& cells, const CellSelection& selection) {
    if (const QString why = cells.refusal(); !why.isEmpty()) return refused(why);
    MathPlan plan(cells);
    const CellRect b = selection.bounds();
    for (int r = b.r0; r <= b.r1; ++r) {
        for (int c = b.c0; c <= b.c1; ++c) {
            if (!selection.contains(c, r)) continue;
            const bool leftOrRight = c == b.c0 || c == b.c1, bottomOrTop = r == b.r0 || r == b.r1;
            switch (op) {
            case TableOp::Set:
                plan.put(c, r, operand);
                break;
            case TableOp::Add:
                plan.put(c, r, plan.at(c, r) + operand);
                break;
            case TableOp::Percent:
                plan.put(c, r, plan.at(c, r) * operand / 100);
                break;
            case TableOp::InterpolateRows:
                if (!leftOrRight) plan.put(c, r, between(plan.at(b.c0, r), plan.at(b.c1, r), c, b.c0, b.c1));
                break;
            case TableOp::InterpolateColumns:
                if (!bottomOrTop) plan.put(c, r, between(plan.at(c, b.r0), plan.at(c, b.r1), r, b.r0, b.r1));
                break;
            case TableOp::InterpolateBoth:
                if (!(leftOrRight && bottomOrTop)) {
                    const double low = between(plan.at(b.c0, b.r0), plan.at(b.c1, b.r0), c, b.c0, b.c1);
                    const double high = between(plan.at(b.c0, b.r1), plan.at(b.c1, b.r1), c, b.c0, b.c1);
                    plan.put(c, r, between(low, high, r, b.r0, b.r1));
                }
                break;
            case TableOp::Smooth:
                plan.put(c, r, plan.smoothed(c, r));
                break;
            }
        }
    }
    return std::move(plan.change);
}

void applyChange(AppState& state, const TableSpan& span, ValueMatrix& values, const TableChange& change) {
    if (!change.refusal.isEmpty()) return;
    for (const CellWrite& w : change.writes) {
        if (w.c < 0 || w.r < 0 || w.c >= span.cols || w.r >= span.rows || !ValueMatrix::contains(w.c, w.r))
            continue;
        // Formed in 64 bits: a large address plus a table must not wrap.
        const qint64 i = qint64{span.address} + qint64{span.cols} * w.r + w.c;
        if (i < 0 || i >= kImageCells) continue;
        StoreByte(state, static_cast<int>(i), static_cast<int>(w.raw & 0xFF));
        values.set(w.c, w.r, double(w.raw & 0xFF));
    }
}

void applyChange(AppState& state, const TableCells& cells, const TableChange& change) {
    if (!change.refusal.isEmpty()) return;
    for (const CellWrite& w : change.writes)
        cells.store(state, w.c, w.r, w.raw);
}

} // namespace korvel
