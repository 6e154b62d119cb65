#pragma once

// Where a table meets the logged data: the logged values its axes name, the cell nearest the
// operating point, a decoded monitor cycle as a log row.

#include "adx_decoder.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel {

// A decoded cycle as a row of its log: the time, then every value and bitmask in the
// definition's order (a bitmask 1 or 0), nothing where it was not read this cycle.
std::vector<std::optional<double>> logRow(const AdxDefinition& def, const AdxDecoded& decoded,
                                          double seconds);

// The log column of the value whose idhash `link` names (written in hex, "0x" or "0X", any case);
// -1 when the link is empty or no value of the definition has that idhash.
int linkedColumn(const AdxDefinition& def, const QString& link);

// The cell nearest the operating point (x along the columns, y down the rows): the nearest
// breakpoint on each axis, a tie to the lower breakpoint, a value beyond an end at that end. An
// axis of one breakpoint (or none given) is always at 0. Nothing when a breakpoint or the value of
// an axis with several breakpoints is missing.
struct TableCell {
    int c = 0, r = 0;
    bool operator==(const TableCell&) const = default;
};
std::optional<TableCell> operatingCell(const std::vector<std::optional<double>>& columns,
                                       const std::vector<std::optional<double>>& rows,
                                       std::optional<double> x, std::optional<double> y, int cols,
                                       int rowCount);

// The filters a tuner starts averaging with, as "COLUMN>=VALUE" texts for the log's labels
// (without "Time (s)"): a coolant column warm (>= 70), a closed-loop bitmask set, an engine speed
// in rpm of at least 500, and not the first 30 seconds. Only for columns the log has.
QStringList defaultAverageFilters(const QStringList& labels);

} // namespace korvel
