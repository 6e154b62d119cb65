#pragma once

// Logs of a data stream as CSV: UTF-8, comma-separated, LF line ends, a decimal point, fields
// quoted as RFC 4180 has it. The heading is "Time (s)" and then one column per value and
// bitmask in the definition's order, each labelled "Title (Units)" (the title alone without
// units; a label seen before gets " [2]", " [3]", ...). Each further line is one monitor cycle:
// the time in seconds with 3 decimals, then the values as the definition formats them (digcount
// decimals, integers rounded, hex as "0x..."), bitmasks as 1 or 0. A value whose packet failed
// that cycle is left empty.

#include "adx_decoder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel {

class AldlLogWriter {
public:
    explicit AldlLogWriter(const AdxDefinition& def);
    // One line, ending with "\n".
    QString heading() const;
    // One line, ending with "\n". `seconds` counts from the log's first row (the caller's
    // clock); `decoded` must come from the definition the writer was made with (values or
    // bitmasks it lacks are left empty).
    QString row(double seconds, const AdxDecoded& decoded) const;

    // The column labels after "Time (s)", in order.
    const QStringList& labels() const { return m_labels; }

private:
    std::vector<std::pair<bool, int>> m_fields; // as AdxDefinition::fields
    QStringList m_labels;
};

// A log read back: every row has one number (or nothing, for an empty field) per label.
struct AldlLog {
    QStringList labels; // the heading's fields, "Time (s)" first
    std::vector<std::vector<std::optional<double>>> rows;
    // The column whose label is `label`; -1 when there is none.
    int column(const QString& label) const { return int(labels.indexOf(label)); }
};

struct AldlLogReadResult {
    std::optional<AldlLog> log;
    qint64 line = 0;
    QString error; // "Line N: reason" when refused
    bool ok() const { return log.has_value(); }
};

// A log field as a number: decimal with a point, or hex after "0x" (a minus before it allowed).
// Empty (or spaces) gives nothing; `ok` is false for any other text.
std::optional<double> readLogNumber(QStringView field, bool& ok);

// Reads a log's bytes. Fields are numbers ("0x..." and "-0x..." as hex) or empty; CR LF line
// ends are taken too. Refuses, naming the line, a file without a heading, a heading that names a
// column twice, a line with another number of fields than the heading, a field that is not a
// number, and broken quoting.
AldlLogReadResult readAldlLog(const QByteArray& data);

} // namespace korvel
