// korvel-cli items DEFINITION.xdf [--bin IMAGE.bin] [--json]: the items of an XDF definition
// with the values its image holds, as the definition describes them.
#include "core/table_text.h"
#include "core/values.h"
#include "definition_loader.h"
#include "item_json.h"
#include "verbs.h"
#include "xdf_access.h"

#include <QJsonArray>
#include <QJsonObject>

#include <memory>

namespace korvel::cli {

namespace {

QJsonObject itemJson(const Definition& def, const CalItem& item, const ImageBytes& image) {
    QJsonObject o{{QStringLiteral("id"), item.id},
                  {QStringLiteral("title"), item.title},
                  {QStringLiteral("class"), QLatin1String(className(item.itemClass()))},
                  {QStringLiteral("category"), item.category},
                  {QStringLiteral("units"), item.units},
                  {QStringLiteral("decimals"), item.decimals},
                  {QStringLiteral("description"), item.description},
                  {QStringLiteral("address"), addressText(item.address)},
                  {QStringLiteral("rows"), item.rows},
                  {QStringLiteral("columns"), item.columns}};
    if (!item.readOnlyReason.isEmpty()) {
        // Shown read-only: the definition says something Korvel does not follow, so the bytes
        // are not interpreted at all.
        o.insert(QStringLiteral("readOnly"), item.readOnlyReason);
        return o;
    }
    if (image) {
        insertCells(o, def, item, image);
    } else if (item.kind == CalItem::Kind::Table) {
        // Fixed labels need no image.
        const AxisLabels x = axisLabels(def, item.x, {}), y = axisLabels(def, item.y, {});
        if (x.given) o.insert(QStringLiteral("xLabels"), labelsJson(x));
        if (y.given) o.insert(QStringLiteral("yLabels"), labelsJson(y));
    }
    return o;
}

QString numbersText(const QJsonArray& numbers, int decimals) {
    QStringList parts;
    for (const QJsonValue& v : numbers)
        parts << (v.isDouble() ? plainNumber(v.toDouble(), decimals) : QStringLiteral("-"));
    return parts.join(QLatin1Char(' '));
}

QString itemLine(const QJsonObject& o) {
    QString line =
        QStringLiteral("%1 %2 %3 at %4, %5 x %6")
            .arg(o[QStringLiteral("id")].toString().rightJustified(5),
                 o[QStringLiteral("class")].toString().leftJustified(5),
                 o[QStringLiteral("title")].toString().trimmed(), o[QStringLiteral("address")].toString())
            .arg(o[QStringLiteral("columns")].toInt())
            .arg(o[QStringLiteral("rows")].toInt());
    if (o.contains(QStringLiteral("readOnly")))
        return line + QStringLiteral(" (read-only: %1)").arg(o[QStringLiteral("readOnly")].toString());
    if (o.contains(QStringLiteral("error")))
        return line + QStringLiteral(": ") + o[QStringLiteral("error")].toString();
    if (!o.contains(QStringLiteral("raw"))) return line;
    QStringList raw;
    for (const QJsonValue& r : o[QStringLiteral("raw")].toArray())
        raw << rawNumberText(r);
    line += QStringLiteral(": ") + raw.join(QLatin1Char(' '));
    if (o.contains(QStringLiteral("set")))
        return line +
               (o[QStringLiteral("set")].toBool() ? QStringLiteral(" (set)") : QStringLiteral(" (clear)"));
    const QString units = o[QStringLiteral("units")].toString();
    return line + QStringLiteral(" = ") +
           numbersText(o[QStringLiteral("values")].toArray(), o[QStringLiteral("decimals")].toInt()) +
           (units.isEmpty() ? QString() : QLatin1Char(' ') + units);
}

QJsonObject checksumJson(const ChecksumRegion& c) {
    QJsonObject o{{QStringLiteral("title"), c.title},
                  {QStringLiteral("method"), c.method},
                  {QStringLiteral("start"), addressText(c.start)},
                  {QStringLiteral("end"), addressText(c.end)},
                  {QStringLiteral("store"), addressText(c.store)},
                  {QStringLiteral("sizeBits"), c.sizeBits}};
    if (!c.plugin.isEmpty()) o.insert(QStringLiteral("plugin"), c.plugin);
    if (!c.supported()) o.insert(QStringLiteral("unsupported"), c.unsupportedReason);
    return o;
}

} // namespace

int xdfItems(const Definition& def, const QString& imagePath, bool json) {
    // The state holds two image-sized arrays: keep it off the stack.
    auto state = std::make_unique<AppState>();
    if (!imagePath.isEmpty() && !loadImage(*state, imagePath)) return 2;
    const ImageBytes image = imagePath.isEmpty() ? ImageBytes() : imageBytes(*state);
    QJsonArray items, checksums;
    for (const CalItem& item : def.items)
        items.append(itemJson(def, item, image));
    for (const ChecksumRegion& c : def.checksums)
        checksums.append(checksumJson(c));
    const QString format =
        def.format == Definition::Format::XdfText ? QStringLiteral("xdf-text") : QStringLiteral("xdf-xml");
    if (json) {
        const QJsonObject header{{QStringLiteral("format"), format},
                                 {QStringLiteral("title"), def.title},
                                 {QStringLiteral("description"), def.description},
                                 {QStringLiteral("author"), def.author},
                                 {QStringLiteral("categories"), QJsonArray::fromStringList(def.categories)},
                                 {QStringLiteral("checksums"), checksums},
                                 {QStringLiteral("itemCount"), qint64(def.items.size())}};
        out(jsonText(QJsonObject{{QStringLiteral("definition"), header}, {QStringLiteral("items"), items}}));
        return 0;
    }
    out(QStringLiteral("definition: %1 (%2), %3 items, %4 checksum regions")
            .arg(def.title.trimmed(), format)
            .arg(def.items.size())
            .arg(def.checksums.size()));
    for (const QJsonValue& v : items)
        out(itemLine(v.toObject()));
    return 0;
}

} // namespace korvel::cli
