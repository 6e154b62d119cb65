#pragma once

// A table or map of either definition format as the histogram verb bins into it: the headings
// `table` prints, the axes' breakpoints and the calculated cells.

#include "core/app_state.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel::cli {

struct TableGrid {
    QString name; // as messages name the item
    int cols = 0, rows = 0;
    QStringList columnHeadings, rowHeadings; // by table column / table row (row 0 first)
    std::vector<double> columnBreakpoints, rowBreakpoints;
    std::vector<std::optional<double>> cells; // calculated, row-major, table row 0 first
};

// Reads ITEM of the image with the definition (.ecu or XDF, told by content). Nothing after
// printing why on stderr: a file cannot be read, no such table, or an axis of more than one
// entry whose headings are not all numbers.
std::optional<TableGrid> loadTableGrid(const QString& image, const QString& definition, const QString& item);

} // namespace korvel::cli
