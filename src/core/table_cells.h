#pragma once

// What paste, copy and table math need of the table a grid shows, whatever its definition's
// format: the value each cell shows, the raw value nearest a typed one, the headings, and
// how a cell's raw value is stored.

#include "cal_item.h"
#include "item_cells.h"
#include "table_text.h"
#include "table_values.h"

#include <QString>
#include <optional>
#include <vector>

namespace korvel {

struct AppState;
struct ByteRange;

class TableCells {
public:
    virtual ~TableCells() = default;

    virtual int cols() const = 0;
    virtual int rows() const = 0;
    virtual bool calculated() const = 0;
    // Why typed values cannot be turned back into raw ones (empty when they can).
    virtual QString refusal() const = 0;
    // The value cell (c, r) shows in the mode shown; NaN where it has none.
    virtual double value(int c, int r) const = 0;
    // Its text as copied: one that typed or pasted back gives the same raw value.
    virtual QString text(int c, int r) const = 0;
    virtual QString columnHeading(int c) const = 0;
    virtual QString rowHeading(int r) const = 0;

    // The raw value whose shown value is nearest to v in cell (c, r); `beyond` when v lies past
    // what the cell can show by half a step or more (the raw value is then the nearest end).
    // Nothing for NaN or when refusal() is not empty.
    struct Raw {
        quint64 bits = 0;
        bool beyond = false;
    };
    virtual std::optional<Raw> nearest(int c, int r, double v) const = 0;
    // "3.92 to 1000": what cell (c, r) can show.
    virtual QString reach(int c, int r) const = 0;

    // Stores a cell's raw value through StoreByte.
    virtual void store(AppState& state, int c, int r, quint64 bits) const = 0;
    // Every byte the table covers (what one undo step records).
    virtual std::vector<ByteRange> ranges() const = 0;
};

// An .ecu table: one byte a cell, row after row (TableSpan), shown through ShownValues, its
// bytes as `values` holds them (may be null where no value is asked for).
class EcuTableCells : public TableCells {
public:
    EcuTableCells(const ShownValues& shown, const TableSpan& span, const ValueMatrix* values)
        : m_shown(shown), m_span(span), m_values(values) {}
    int cols() const override { return m_span.cols; }
    int rows() const override { return m_span.rows; }
    bool calculated() const override { return m_shown.calculated(); }
    QString refusal() const override { return m_shown.refusal(); }
    double value(int c, int r) const override;
    QString text(int c, int r) const override;
    QString columnHeading(int c) const override;
    QString rowHeading(int r) const override;
    std::optional<Raw> nearest(int c, int r, double v) const override;
    QString reach(int, int) const override { return m_shown.reach(); }
    void store(AppState& state, int c, int r, quint64 bits) const override;
    std::vector<ByteRange> ranges() const override;

private:
    int byteAt(int c, int r) const;
    ShownValues m_shown;
    TableSpan m_span;
    const ValueMatrix* m_values;
};

// A table of any definition (CalItem): cells of 1 to 8 bytes, signed or not, in either byte
// and storage order; calculated values through the item's conversion, rounded to its decimals
// when typed back. `refusal` says why nothing may be written (an item that is read-only).
class ItemTableCells : public TableCells {
public:
    ItemTableCells(const CalItem& item, CellReading cells, AxisLabels x, AxisLabels y, bool calculated,
                   QString refusal = {});
    int cols() const override { return m_item.columns; }
    int rows() const override { return m_item.rows; }
    bool calculated() const override { return m_calculated; }
    QString refusal() const override { return m_refusal; }
    double value(int c, int r) const override;
    QString text(int c, int r) const override;
    QString columnHeading(int c) const override { return axisHeading(m_x, m_item.x, c); }
    QString rowHeading(int r) const override { return axisHeading(m_y, m_item.y, r); }
    std::optional<Raw> nearest(int c, int r, double v) const override;
    QString reach(int c, int r) const override;
    void store(AppState& state, int c, int r, quint64 bits) const override;
    std::vector<ByteRange> ranges() const override;

    const CellReading& reading() const { return m_cells; }
    const CalItem& item() const { return m_item; }

private:
    quint64 bitsAt(int c, int r) const { return m_cells.bits[size_t(r * m_item.columns + c)]; }
    const CalItem& m_item;
    CellReading m_cells;
    AxisLabels m_x, m_y;
    bool m_calculated;
    QString m_refusal;
};

} // namespace korvel
