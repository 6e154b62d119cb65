// korvel-cli histogram LOG.csv IMAGE DEF ITEM --x COLUMN --y COLUMN --z COLUMN [--min-count N]
//            [--where "COLUMN>=VALUE" ...] [--correct [--factor F]]
// Bins the log's samples into the table's cells (the nearest breakpoint on each axis) and
// prints the grid as `table` prints it, each cell the mean of z, empty below the minimum count.
// --correct writes cell x mean x F (F 1/128 by default) into the image through `table --set`,
// so the cells are rounded and refused as a typed table would be.
#include "verbs.h"

#include "core/cell_averages.h"
#include "core/table_text.h"
#include "table_grid.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace korvel::cli {

namespace {

constexpr int kUsageOrInputError = 2;
constexpr int kDefaultMinCount = 20;
constexpr int kMeanDecimals = 2;
// Enough places that the set path, not this text, decides the rounding.
constexpr int kCorrectedDecimals = 9;
constexpr const char* kUsage =
    "histogram LOG.csv IMAGE DEF ITEM --x COLUMN --y COLUMN --z COLUMN [--min-count N] "
    "[--where \"COLUMN>=VALUE\" ...] [--correct [--factor F]]";

struct Options {
    QStringList positional;
    QString x, y, z;
    QStringList where;
    int minCount = kDefaultMinCount;
    bool correct = false;
    std::optional<double> factor;
};

std::optional<Options> parse(QStringList args) {
    Options o;
    bool ok = true;
    while (!args.isEmpty() && ok) {
        const QString a = args.takeFirst();
        const bool valued = !args.isEmpty();
        if (a == QLatin1String("--x") && valued)
            o.x = args.takeFirst();
        else if (a == QLatin1String("--y") && valued)
            o.y = args.takeFirst();
        else if (a == QLatin1String("--z") && valued)
            o.z = args.takeFirst();
        else if (a == QLatin1String("--where") && valued)
            o.where << args.takeFirst();
        else if (a == QLatin1String("--min-count") && valued)
            o.minCount = args.takeFirst().toInt(&ok);
        else if (a == QLatin1String("--factor") && valued) {
            o.factor = readNumber(args.takeFirst());
            ok = o.factor.has_value();
        } else if (a == QLatin1String("--correct"))
            o.correct = true;
        else if (a.startsWith(QLatin1String("--")))
            ok = false;
        else
            o.positional << a;
    }
    if (!ok || o.positional.size() != 4 || o.x.isEmpty() || o.y.isEmpty() || o.z.isEmpty() ||
        o.minCount < 0 || (o.factor && !o.correct))
        return std::nullopt;
    return o;
}

// The column named `label`; -1 after printing that the log has none.
int column(const AldlLog& log, const QString& path, const QString& label) {
    const int k = log.column(label);
    if (k < 0) err(QStringLiteral("%1 has no column \"%2\"").arg(path, label));
    return k;
}

void print(const TableGrid& g, const CellAverages& averages, int minCount) {
    const QChar comma = QLatin1Char(',');
    QString text;
    for (const QString& h : g.columnHeadings)
        text += comma + quotedField(h, comma);
    text += QLatin1Char('\n');
    for (int r = g.rows - 1; r >= 0; --r) {
        text += quotedField(g.rowHeadings.value(r), comma);
        for (int c = 0; c < g.cols; ++c) {
            text += comma;
            if (const auto m = averages.mean(c, r, minCount)) text += plainNumber(*m, kMeanDecimals);
        }
        text += QLatin1Char('\n');
    }
    std::fputs(text.toUtf8().constData(), stdout);
}

// Writes the corrected cells as `table ... --set FILE --calculated` reads them (the last table
// row first, an empty field for a cell left as it is) and runs that verb on the files.
int storeCorrected(const Options& o, const TableGrid& g, const std::vector<std::optional<double>>& cells) {
    QString text;
    for (int r = g.rows - 1; r >= 0; --r) {
        for (int c = 0; c < g.cols; ++c) {
            if (c > 0) text += QLatin1Char(',');
            if (const auto& v = cells[size_t(r * g.cols + c)]) text += plainNumber(*v, kCorrectedDecimals);
        }
        text += QLatin1Char('\n');
    }
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("corrected.csv")));
    if (!dir.isValid() || !f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0 || !f.flush()) {
        err(QStringLiteral("cannot write the corrected table: %1").arg(f.errorString()));
        return kUsageOrInputError;
    }
    for (const Verb& v : verbs())
        if (QLatin1String(v.name) == QLatin1String("table"))
            return v.run({o.positional[1], o.positional[2], o.positional[3], QStringLiteral("--set"),
                          f.fileName(), QStringLiteral("--calculated")});
    return kUsageOrInputError;
}

int run(const QStringList& args) {
    const std::optional<Options> o = parse(args);
    if (!o) {
        err(QStringLiteral("usage: korvel-cli %1").arg(QLatin1String(kUsage)));
        return kUsageOrInputError;
    }
    const QString& logPath = o->positional[0];
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) {
        err(QStringLiteral("%1 Not Found").arg(logPath));
        return kUsageOrInputError;
    }
    const AldlLogReadResult read = readAldlLog(f.readAll());
    if (!read.ok()) {
        err(QStringLiteral("%1: %2").arg(logPath, read.error));
        return kUsageOrInputError;
    }
    const AldlLog& log = *read.log;
    const int x = column(log, logPath, o->x), y = column(log, logPath, o->y), z = column(log, logPath, o->z);
    if (x < 0 || y < 0 || z < 0) return kUsageOrInputError;
    std::vector<LogFilter> filters;
    for (const QString& w : o->where) {
        QString error;
        const auto filter = readLogFilter(w, log.labels, error);
        if (!filter) {
            err(QStringLiteral("--where %1").arg(error));
            return kUsageOrInputError;
        }
        filters.push_back(*filter);
    }
    const std::optional<TableGrid> grid = loadTableGrid(o->positional[1], o->positional[2], o->positional[3]);
    if (!grid) return kUsageOrInputError;
    CellAverages averages(grid->columnBreakpoints, grid->rowBreakpoints);
    averages.add(log, x, y, z, filters);
    print(*grid, averages, o->minCount);
    if (!o->correct) return 0;
    const auto cells =
        averages.corrected(grid->cells, o->minCount, o->factor.value_or(CellAverages::kDefaultFactor));
    if (std::none_of(cells.cbegin(), cells.cend(), [](const auto& v) { return v.has_value(); })) {
        out(QStringLiteral("%1: no cell has %2 samples, nothing was written")
                .arg(grid->name)
                .arg(o->minCount));
        return 0;
    }
    return storeCorrected(*o, *grid, cells);
}

const VerbRegistration registration{{"histogram", kUsage, run}};

} // namespace

} // namespace korvel::cli
