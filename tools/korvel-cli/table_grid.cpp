#include "table_grid.h"

#include "core/table_cells.h"
#include "core/values.h"
#include "definition_loader.h"
#include "verbs.h"
#include "xdf_access.h"

#include <cmath>
#include <memory>

namespace korvel::cli {

namespace {

// The breakpoints of one axis from its headings; false after printing which heading is not a
// number. An axis of one entry needs none: every sample lands on it.
bool breakpoints(const TableGrid& g, const QStringList& headings,
                 const std::vector<std::optional<double>>& numbers, const char* axis,
                 std::vector<double>& out) {
    for (qsizetype i = 0; i < headings.size(); ++i) {
        const std::optional<double> n = size_t(i) < numbers.size() ? numbers[size_t(i)] : std::nullopt;
        if (!n && headings.size() > 1) {
            err(QStringLiteral("Cannot bin into %1: its %2 heading %3 (\"%4\") is not a number.")
                    .arg(g.name, QLatin1String(axis))
                    .arg(i + 1)
                    .arg(headings[i]));
            return false;
        }
        out.push_back(n.value_or(0));
    }
    return true;
}

// The headings and calculated values of any table, as `table` prints them.
void fill(TableGrid& g, const TableCells& cells) {
    g.cols = cells.cols();
    g.rows = cells.rows();
    for (int c = 0; c < g.cols; ++c)
        g.columnHeadings << cells.columnHeading(c);
    for (int r = 0; r < g.rows; ++r)
        g.rowHeadings << cells.rowHeading(r);
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.cols; ++c) {
            const double v = cells.value(c, r);
            g.cells.push_back(std::isnan(v) ? std::nullopt : std::optional<double>(v));
        }
}

std::optional<TableGrid> ecuGrid(const QString& image, const QString& definition, const QString& name) {
    // The state holds two image-sized arrays: keep it off the stack.
    auto state = std::make_unique<AppState>();
    if (!loadImage(*state, image) || !loadDefinition(*state, definition, "histogram")) return std::nullopt;
    const int number = chooseItem(*state, name);
    if (number == 0) return std::nullopt;
    const EcuItem& item = state->EcuItemTable[size_t(number)];
    const ItemClass cls = classOf(item);
    TableGrid g;
    g.name = QStringLiteral("\"%1\" (item %2)").arg(item.Title.trimmed(), item.Id);
    if (cls != ItemClass::Array && cls != ItemClass::Map) {
        err(QStringLiteral("%1 is not a table or a map").arg(g.name));
        return std::nullopt;
    }
    if (const QString refusal = itemRefusal(*state, item, cls); !refusal.isEmpty()) {
        err(refusal);
        return std::nullopt;
    }
    const ShownValues shown(item, cls == ItemClass::Map ? TableKind::Map : TableKind::Array, true);
    const TableSpan span{itemAddress(item), item.Columns, item.Rows};
    ValueMatrix values;
    loadTable(*state, span, values);
    fill(g, EcuTableCells(shown, span, &values));
    // An .ecu axis is text: its breakpoints are the headings that read as numbers.
    std::vector<std::optional<double>> xs, ys;
    for (const QString& h : g.columnHeadings)
        xs.push_back(readNumber(h));
    for (const QString& h : g.rowHeadings)
        ys.push_back(readNumber(h));
    if (!breakpoints(g, g.columnHeadings, xs, "column", g.columnBreakpoints) ||
        !breakpoints(g, g.rowHeadings, ys, "row", g.rowBreakpoints))
        return std::nullopt;
    return g;
}

std::optional<TableGrid> xdfGrid(const Definition& def, const QString& image, const QString& name) {
    auto state = std::make_unique<AppState>();
    if (!loadImage(*state, image)) return std::nullopt;
    const CalItem* found = chooseXdfItem(def, name);
    if (!found) return std::nullopt;
    const CalItem& item = *found;
    TableGrid g;
    g.name = itemName(item);
    if (item.itemClass() != ItemClass::Array && item.itemClass() != ItemClass::Map) {
        err(QStringLiteral("%1 is not a table or a map").arg(g.name));
        return std::nullopt;
    }
    if (!item.readOnlyReason.isEmpty()) {
        err(QStringLiteral("%1 is read-only: %2").arg(g.name, item.readOnlyReason));
        return std::nullopt;
    }
    const ImageBytes bytes = imageBytes(*state);
    CellReading cells = readCells(def, item, bytes);
    const AxisLabels x = axisLabels(def, item.x, bytes), y = axisLabels(def, item.y, bytes);
    const QString error = !cells.error.isEmpty() ? cells.error : !x.error.isEmpty() ? x.error : y.error;
    if (!error.isEmpty()) {
        err(QStringLiteral("Cannot show %1: %2.").arg(g.name, error));
        return std::nullopt;
    }
    fill(g, ItemTableCells(item, std::move(cells), x, y, true));
    // Text labels give no breakpoints, whatever they read like.
    const auto numbers = [](const AxisLabels& l) { return l.isText ? decltype(l.numbers){} : l.numbers; };
    if (!breakpoints(g, g.columnHeadings, numbers(x), "column", g.columnBreakpoints) ||
        !breakpoints(g, g.rowHeadings, numbers(y), "row", g.rowBreakpoints))
        return std::nullopt;
    return g;
}

} // namespace

std::optional<TableGrid> loadTableGrid(const QString& image, const QString& definition, const QString& item) {
    const VerbFiles files = sortFiles(image, definition);
    if (files.refused) return std::nullopt;
    return files.xdf ? xdfGrid(*files.xdf, files.image, item) : ecuGrid(image, definition, item);
}

} // namespace korvel::cli
