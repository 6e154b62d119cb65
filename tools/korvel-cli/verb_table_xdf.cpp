// korvel-cli table on an XDF definition: prints a table or map as CSV in the layout the .ecu
// tables print in (column headings, then the last row first, each with its row heading), or
// reads that layout back. Every cell is checked first; the image is written only when all pass.
#include "core/bin_image.h"
#include "core/table_text.h"
#include "core/values.h"
#include "verbs.h"
#include "xdf_access.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace korvel::cli {

namespace {

constexpr int kUsageOrInputError = 2;
constexpr int kWriteFailed = 1;

QString csvField(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[\t;,\"\r\n]"));
    if (!text.contains(separators)) return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

struct Write {
    int r, c;
    quint64 bits;
};

// The bits for every given cell of the CSV (the last table row on the first line), or the
// refusal naming the first cell that fails.
QString plan(const TextBlock& blockIn, const CalItem& item, const CellReading& cells, bool calculated,
             std::vector<Write>& writes) {
    if (!blockIn.problem.isEmpty()) return blockIn.problem;
    const int rows = item.rows, cols = item.columns;
    const TextBlock block = hasHeadings(blockIn, cols, rows) ? withoutHeadings(blockIn) : blockIn;
    for (int i = 0; i < rows; ++i) {
        const qsizetype fields = i < int(block.lines.size()) ? block.lines[size_t(i)].size() : 0;
        if (fields < cols)
            return QStringLiteral("%1 is missing: the table has %2 rows of %3 values.")
                .arg(cellName(int(fields), rows - 1 - i, rows))
                .arg(rows)
                .arg(cols);
    }
    for (size_t i = 0; i < block.lines.size(); ++i)
        for (qsizetype j = 0; j < block.lines[i].size(); ++j) {
            const QString& field = block.lines[i][j];
            const int r = rows - 1 - int(i), c = int(j);
            if (field.trimmed().isEmpty()) continue; // an empty field leaves its cell as it is
            if (r < 0 || c >= cols)
                return QStringLiteral("%1 lies outside the table of %2 rows and %3 columns.")
                    .arg(cellName(c, r, rows))
                    .arg(rows)
                    .arg(cols);
            QString why;
            const auto bits = typedCellBits(field, item, cells, r, c, calculated, why);
            if (!bits) return QStringLiteral("%1: %2").arg(cellName(c, r, rows), why);
            writes.push_back({r, c, *bits});
        }
    return {};
}

int store(AppState& state, const CalItem& item, const CellReading& cells, bool calculated,
          const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        err(QStringLiteral("%1 Not Found").arg(path));
        return kUsageOrInputError;
    }
    std::vector<Write> writes;
    const QString refusal =
        plan(splitText(QString::fromUtf8(f.readAll()), TextSource::Csv), item, cells, calculated, writes);
    if (!refusal.isEmpty()) {
        err(QStringLiteral("nothing was written: %1").arg(refusal));
        return kUsageOrInputError;
    }
    for (const Write& w : writes)
        storeCell(state, item, w.r, w.c, w.bits);
    if (const Status s = WriteBinFile(state); !s) {
        err(QStringLiteral("The BIN file was not saved: %1").arg(s.error()));
        return kWriteFailed;
    }
    out(QStringLiteral("%1: %2 cells written").arg(itemName(item)).arg(writes.size()));
    return 0;
}

} // namespace

int xdfTable(AppState& state, const Definition& def, const QString& name, bool calculated,
             const QString& pattern, const QString& setFile) {
    const CalItem* found = chooseXdfItem(def, name);
    if (!found) return kUsageOrInputError;
    const CalItem& item = *found;
    const ItemClass cls = item.itemClass();
    if (cls != ItemClass::Array && cls != ItemClass::Map) {
        err(QStringLiteral("%1 is not a table or a map").arg(itemName(item)));
        return kUsageOrInputError;
    }
    if (!item.readOnlyReason.isEmpty()) {
        err(QStringLiteral("%1 is read-only: %2").arg(itemName(item), item.readOnlyReason));
        return kUsageOrInputError;
    }
    const ImageBytes image = imageBytes(state);
    const CellReading cells = readCells(def, item, image);
    const AxisLabels x = axisLabels(def, item.x, image), y = axisLabels(def, item.y, image);
    const QString error = !cells.error.isEmpty() ? cells.error : !x.error.isEmpty() ? x.error : y.error;
    if (!error.isEmpty()) {
        err(QStringLiteral("Cannot show %1: %2.").arg(itemName(item), error));
        return kUsageOrInputError;
    }
    if (!setFile.isEmpty()) return store(state, item, cells, calculated, setFile);

    QString text;
    for (int c = 0; c < item.columns; ++c)
        text += QLatin1Char(',') + csvField(axisHeading(x, item.x, c));
    text += QLatin1Char('\n');
    for (int r = item.rows - 1; r >= 0; --r) {
        text += csvField(axisHeading(y, item.y, r));
        for (int c = 0; c < item.columns; ++c) {
            const size_t i = size_t(r * item.columns + c);
            const QString cell = !calculated         ? rawText(cells.bits[i], item.layout)
                                 : pattern.isEmpty() ? cellValueText(item, cells, r, c)
                                                     : FormatCalculated(cells.values[i], pattern);
            text += QLatin1Char(',') + csvField(cell);
        }
        text += QLatin1Char('\n');
    }
    std::fputs(text.toUtf8().constData(), stdout);
    return 0;
}

} // namespace korvel::cli
