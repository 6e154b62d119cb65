// korvel-cli table IMAGE.bin DEFINITION.ecu ITEM [--calculated [--format PATTERN]]
// korvel-cli table IMAGE.bin DEFINITION.ecu ITEM --set FILE.csv [--calculated]
// Prints a table or map as CSV, rows as the editor's grid shows them (the last table row
// first), or reads the same layout back into the image: every cell is checked first, and the
// image is written only when all of them pass.
#include "verbs.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/table_edit.h"
#include "core/values.h"
#include "definition_loader.h"
#include "xdf_access.h"

#include <QFile>
#include <cstdio>
#include <memory>

namespace korvel::cli {

namespace {

constexpr int kUsageOrInputError = 2;
constexpr int kWriteFailed = 1;
constexpr const char* kUsage =
    "table IMAGE.bin DEFINITION.ecu ITEM [--calculated [--format PATTERN]] | [--set FILE.csv [--calculated]]";

struct Options {
    QStringList positional;
    bool calculated = false;
    QString format;
    QString setFile;
};

std::optional<Options> parse(QStringList args) {
    Options o;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--calculated"))
            o.calculated = true;
        else if (a == QLatin1String("--format") && !args.isEmpty())
            o.format = args.takeFirst();
        else if (a == QLatin1String("--set") && !args.isEmpty())
            o.setFile = args.takeFirst();
        else if (a.startsWith(QLatin1String("--")))
            return std::nullopt;
        else
            o.positional << a;
    }
    // Display texts do not read back, so they are for printing only.
    if (o.positional.size() != 3 || (!o.format.isEmpty() && (!o.calculated || !o.setFile.isEmpty())))
        return std::nullopt;
    return o;
}

// Every cell of the table must be given: a missing line or field is named like a bad cell.
QString missingCell(const TextBlock& block, const TableSpan& span) {
    for (int i = 0; i < span.rows; ++i) {
        const int r = span.rows - 1 - i;
        const qsizetype fields = i < static_cast<int>(block.lines.size()) ? block.lines[size_t(i)].size() : 0;
        if (fields < span.cols)
            return QStringLiteral("%1 is missing: the table has %2 rows of %3 values.")
                .arg(cellName(static_cast<int>(fields), r, span.rows))
                .arg(span.rows)
                .arg(span.cols);
    }
    return {};
}

int store(AppState& state, const EcuItem& item, const TableSpan& span, const ShownValues& shown,
          const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        err(QStringLiteral("%1 Not Found").arg(path));
        return kUsageOrInputError;
    }
    TextBlock block = splitText(QString::fromUtf8(f.readAll()), TextSource::Csv);
    if (hasHeadings(block, span.cols, span.rows)) block = withoutHeadings(block);
    QString refusal = missingCell(block, span);
    TableChange change;
    if (refusal.isEmpty()) {
        change = planPaste(block, span, shown, 0, span.rows - 1);
        refusal = change.refusal;
    }
    if (!refusal.isEmpty()) {
        err(QStringLiteral("nothing was written: %1").arg(refusal));
        return kUsageOrInputError;
    }
    ValueMatrix values;
    applyChange(state, span, values, change);
    if (const Status s = WriteBinFile(state); !s) {
        err(QStringLiteral("The BIN file was not saved: %1").arg(s.error()));
        return kWriteFailed;
    }
    out(QStringLiteral("%1 (item %2): %3 cells written")
            .arg(item.Title.trimmed(), item.Id)
            .arg(change.writes.size()));
    return 0;
}

int run(const QStringList& args) {
    const std::optional<Options> o = parse(args);
    if (!o) {
        err(QStringLiteral("usage: korvel-cli %1").arg(QLatin1String(kUsage)));
        return kUsageOrInputError;
    }
    const VerbFiles files = sortFiles(o->positional[0], o->positional[1]);
    if (files.refused) return kUsageOrInputError;
    // The state holds two image-sized arrays: keep it off the stack.
    auto state = std::make_unique<AppState>();
    if (files.xdf)
        return loadImage(*state, files.image)
                   ? xdfTable(*state, *files.xdf, o->positional[2], o->calculated, o->format, o->setFile)
                   : kUsageOrInputError;
    if (!loadImage(*state, o->positional[0]) || !loadDefinition(*state, o->positional[1], "table"))
        return kUsageOrInputError;
    const int number = chooseItem(*state, o->positional[2]);
    if (number == 0) return kUsageOrInputError;
    const EcuItem& item = state->EcuItemTable[static_cast<size_t>(number)];
    const ItemClass cls = classOf(item);
    if (cls != ItemClass::Array && cls != ItemClass::Map) {
        err(QStringLiteral("\"%1\" (item %2) is not a table or a map").arg(item.Title.trimmed(), item.Id));
        return kUsageOrInputError;
    }
    if (const QString refusal = itemRefusal(*state, item, cls); !refusal.isEmpty()) {
        err(refusal);
        return kUsageOrInputError;
    }
    const TableKind kind = cls == ItemClass::Map ? TableKind::Map : TableKind::Array;
    const TableSpan span{itemAddress(item), item.Columns, item.Rows};
    const ShownValues shown(item, kind, o->calculated, o->format);
    if (!o->setFile.isEmpty()) return store(*state, item, span, shown, o->setFile);

    ValueMatrix values;
    loadTable(*state, span, values);
    const QString text =
        tableText(values, shown, {0, 0, span.cols - 1, span.rows - 1}, QLatin1Char(','), true);
    std::fputs(text.toUtf8().constData(), stdout);
    return 0;
}

const VerbRegistration registration{{"table", kUsage, run}};

} // namespace

} // namespace korvel::cli
