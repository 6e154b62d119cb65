// korvel-cli items DEFINITION.ecu [--bin IMAGE.bin] [--format PATTERN] [--json]
#include "core/app_state.h"
#include "core/ecu_model.h"
#include "core/item_reading.h"
#include "core/values.h"
#include "definition_loader.h"
#include "item_json.h"
#include "verbs.h"
#include "xdf_access.h"

#include <QJsonArray>
#include <QJsonObject>

namespace korvel::cli {

namespace {

// The item's bytes and the texts the editor shows for them in calculated mode.
void addImageData(const AppState& state, const EcuItem& item, ItemClass cls, const QString& pattern,
                  QJsonObject& o) {
    const QString refusal = itemRefusal(state, item, cls);
    if (!refusal.isEmpty()) {
        o.insert(QStringLiteral("error"), refusal);
        return;
    }
    const ByteAt byteAt = [&state](int a) { return state.byteAt(a); };
    insertReading(o, readItem(item, cls, itemAddress(item), byteAt, pattern), cls);
}

// What every definition's items give besides their own fields: the category and, for a table,
// the axis labels; with an image the calculated values as numbers (an .ecu flag's byte is
// eight flags, so it has no one "set").
void addModelData(const Definition& def, const CalItem& item, const ImageBytes& image, QJsonObject& o) {
    o.insert(QStringLiteral("category"), item.category);
    if (!item.readOnlyReason.isEmpty() || o.contains(QStringLiteral("error"))) return;
    QJsonObject cells;
    if (image) {
        insertCells(cells, def, item, image);
    } else if (item.kind == CalItem::Kind::Table) {
        cells.insert(QStringLiteral("xLabels"), labelsJson(axisLabels(def, item.x, {})));
        cells.insert(QStringLiteral("yLabels"), labelsJson(axisLabels(def, item.y, {})));
    }
    for (const QString& key :
         {QStringLiteral("values"), QStringLiteral("xLabels"), QStringLiteral("yLabels")})
        if (cells.contains(key)) o.insert(key, cells[key]);
}

int run(const QStringList& argsIn) {
    QStringList args = argsIn;
    QString bin, pattern = QStringLiteral("##.##"), ecu;
    bool json = false;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--json"))
            json = true;
        else if (a == QLatin1String("--bin") && !args.isEmpty())
            bin = args.takeFirst();
        else if (a == QLatin1String("--format") && !args.isEmpty())
            pattern = args.takeFirst();
        else if (ecu.isEmpty() && !a.startsWith(QLatin1String("--")))
            ecu = a;
        else {
            err(QStringLiteral(
                "usage: korvel-cli items DEFINITION.ecu [--bin IMAGE.bin] [--format PATTERN] [--json]"));
            return 2;
        }
    }
    if (ecu.isEmpty()) {
        err(QStringLiteral(
            "usage: korvel-cli items DEFINITION.ecu [--bin IMAGE.bin] [--format PATTERN] [--json]"));
        return 2;
    }
    std::optional<Definition> xdf;
    if (readXdfDefinition(ecu, xdf)) return xdf ? xdfItems(*xdf, bin, json) : 2;
    AppState state;
    if (!loadDefinition(state, ecu, "items")) return 2;
    if (!bin.isEmpty() && !loadImage(state, bin)) return 2;

    const EcuHeader& h = state.ecuHeader;
    const Definition model = ecuModel(h, state.EcuItemTable);
    const ImageBytes image = bin.isEmpty() ? ImageBytes() : imageBytes(state);
    QJsonArray items;
    const int count = std::min<int>(h.ItemCount, kMaxItems);
    for (int n = 1; n <= count; ++n) {
        const EcuItem& it = state.EcuItemTable[static_cast<size_t>(n)];
        const ItemClass cls = classOf(it);
        QJsonObject o{{QStringLiteral("id"), it.Id},
                      {QStringLiteral("class"), QLatin1String(className(cls))},
                      {QStringLiteral("title"), it.Title},
                      {QStringLiteral("address"), it.Address},
                      {QStringLiteral("columns"), it.Columns},
                      {QStringLiteral("rows"), it.Rows},
                      {QStringLiteral("byteSize"), it.ByteSize},
                      {QStringLiteral("kind"), it.Kind},
                      {QStringLiteral("offset"), it.Offset},
                      {QStringLiteral("conversion"), it.Conversion},
                      {QStringLiteral("factor"), it.Factor},
                      {QStringLiteral("yLabel"), it.YLabel},
                      {QStringLiteral("yAxis"), it.YAxis},
                      {QStringLiteral("xLabel"), it.XLabel},
                      {QStringLiteral("xAxis"), it.XAxis}};
        if (!bin.isEmpty()) addImageData(state, it, cls, pattern, o);
        addModelData(model, model.items[size_t(n - 1)], image, o);
        items.append(o);
    }

    if (json) {
        const QJsonObject header{{QStringLiteral("text"), h.HeaderText},
                                 {QStringLiteral("number"), h.HeaderNumber},
                                 {QStringLiteral("checksumAddress"), h.ChecksumAddress},
                                 {QStringLiteral("checksumSize"), h.ChecksumSize},
                                 {QStringLiteral("checksumStart"), h.ChecksumStart},
                                 {QStringLiteral("checksumEnd"), h.ChecksumEnd},
                                 {QStringLiteral("itemCount"), h.ItemCount}};
        const QJsonObject doc{{QStringLiteral("header"), header}, {QStringLiteral("items"), items}};
        out(jsonText(doc));
        return 0;
    }
    out(QStringLiteral("header: %1 (number %2), checksum %3 x %4 over %5..%6, %7 items")
            .arg(h.HeaderText.trimmed())
            .arg(h.HeaderNumber)
            .arg(h.ChecksumAddress.trimmed(), h.ChecksumSize.trimmed(), h.ChecksumStart.trimmed(),
                 h.ChecksumEnd.trimmed())
            .arg(h.ItemCount));
    for (const QJsonValue& v : items) {
        const QJsonObject o = v.toObject();
        QString line = QStringLiteral("%1 %2 %3 at %4, %5 x %6")
                           .arg(o[QStringLiteral("id")].toString().rightJustified(3),
                                o[QStringLiteral("class")].toString().leftJustified(5),
                                o[QStringLiteral("title")].toString().trimmed(),
                                o[QStringLiteral("address")].toString().trimmed())
                           .arg(o[QStringLiteral("columns")].toInt())
                           .arg(o[QStringLiteral("rows")].toInt());
        if (o.contains(QStringLiteral("error")))
            line += QStringLiteral(": ") + o[QStringLiteral("error")].toString();
        else if (o.contains(QStringLiteral("raw"))) {
            QStringList raw;
            for (const QJsonValue& r : o[QStringLiteral("raw")].toArray())
                raw << rawNumberText(r);
            line += QStringLiteral(": ") + raw.join(QLatin1Char(' '));
        }
        out(line);
    }
    return 0;
}

const VerbRegistration registration{
    {"items", "items DEFINITION.ecu [--bin IMAGE.bin] [--format PATTERN] [--json]", run}};

} // namespace

} // namespace korvel::cli
