#include "table_cells.h"

#include "app_state.h"
#include "edit_history.h"
#include "grid_text.h"
#include "values.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvel {

int EcuTableCells::byteAt(int c, int r) const {
    return m_values ? static_cast<int>(std::clamp(m_values->at(c, r), 0.0, 255.0)) : 0;
}

double EcuTableCells::value(int c, int r) const {
    return m_shown.fromRaw(byteAt(c, r));
}

QString EcuTableCells::text(int c, int r) const {
    return m_shown.text(byteAt(c, r));
}

QString EcuTableCells::columnHeading(int c) const {
    return korvel::columnHeading(m_shown.item(), c + 1).trimmed();
}

QString EcuTableCells::rowHeading(int r) const {
    return korvel::rowHeading(m_shown.item(), r + 1).trimmed();
}

std::optional<TableCells::Raw> EcuTableCells::nearest(int, int, double v) const {
    const auto byte = m_shown.nearestByte(v);
    if (!byte) return std::nullopt;
    return Raw{quint64(byte->raw), byte->beyond};
}

void EcuTableCells::store(AppState& state, int c, int r, quint64 bits) const {
    if (c < 0 || r < 0 || c >= m_span.cols || r >= m_span.rows) return;
    // Formed in 64 bits: a large address plus a table must not wrap.
    const qint64 i = qint64{m_span.address} + qint64{m_span.cols} * r + c;
    if (i < 0 || i >= kImageCells) return;
    StoreByte(state, static_cast<int>(i), static_cast<int>(bits & 0xFF));
}

std::vector<ByteRange> EcuTableCells::ranges() const {
    return {{m_span.address, m_span.cols * m_span.rows}};
}

ItemTableCells::ItemTableCells(const CalItem& item, CellReading cells, AxisLabels x, AxisLabels y,
                               bool calculated, QString refusal)
    : m_item(item), m_cells(std::move(cells)), m_x(std::move(x)), m_y(std::move(y)), m_calculated(calculated),
      m_refusal(std::move(refusal)) {}

double ItemTableCells::value(int c, int r) const {
    if (c < 0 || r < 0 || c >= cols() || r >= rows() || m_cells.bits.empty())
        return std::numeric_limits<double>::quiet_NaN();
    if (!m_calculated) return rawNumber(bitsAt(c, r), m_item.layout);
    const auto& v = m_cells.values[size_t(r * m_item.columns + c)];
    return v ? *v : std::numeric_limits<double>::quiet_NaN();
}

QString ItemTableCells::text(int c, int r) const {
    if (c < 0 || r < 0 || c >= cols() || r >= rows() || m_cells.bits.empty()) return {};
    return m_calculated ? cellValueText(m_item, m_cells, r, c) : rawText(bitsAt(c, r), m_item.layout);
}

std::optional<TableCells::Raw> ItemTableCells::nearest(int c, int r, double v) const {
    if (std::isnan(v) || !refusal().isEmpty()) return std::nullopt;
    const ElementLayout& layout = m_item.layout;
    if (!m_calculated) {
        const double lo = layout.minRaw(), hi = layout.maxRaw();
        const double rounded = std::clamp(std::round(v), lo, hi);
        const auto bits = rawBits(rounded, layout);
        if (!bits) return std::nullopt;
        return Raw{*bits, v < lo - 0.5 || v > hi + 0.5};
    }
    const ConversionContext ctx = m_cells.context(r, c);
    RawForShown found = m_item.conversion.toRaw(v, layout, m_item.decimals, ctx);
    bool beyond = false;
    if (!found.raw) {
        if (!std::isfinite(v)) return std::nullopt;
        // Past what the cell shows: the nearest end (none when no raw value has a value).
        found = m_item.conversion.toRaw(std::clamp(v, found.low, found.high), layout, m_item.decimals, ctx);
        beyond = true;
    }
    const auto bits = found.raw ? rawBits(*found.raw, layout) : std::nullopt;
    if (!bits) return std::nullopt;
    return Raw{*bits, beyond};
}

QString ItemTableCells::reach(int c, int r) const {
    if (!m_calculated) return rawRange(m_item.layout);
    const RawForShown far = m_item.conversion.toRaw(std::numeric_limits<double>::max(), m_item.layout,
                                                    m_item.decimals, m_cells.context(r, c));
    return plainNumber(far.low, m_item.decimals) + QStringLiteral(" to ") +
           plainNumber(far.high, m_item.decimals);
}

void ItemTableCells::store(AppState& state, int c, int r, quint64 bits) const {
    if (c < 0 || r < 0 || c >= cols() || r >= rows()) return;
    storeCell(state, m_item, r, c, bits);
}

std::vector<ByteRange> ItemTableCells::ranges() const {
    return {{int(m_item.address), int(m_item.byteCount())}};
}

} // namespace korvel
