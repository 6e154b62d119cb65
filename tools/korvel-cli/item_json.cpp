#include "item_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringList>
#include <QUuid>

#include <limits>

namespace korvel::cli {

namespace {

// A raw number above 2^63 - 1 stands in the document as a string of this marker and its digits
// until jsonText writes the digits in its place. The marker is new in each run, so no text of
// a definition can be taken for it.
const QString& largeRawMarker() {
    static const QString marker = QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char(':');
    return marker;
}

QJsonValue rawJson(quint64 raw) {
    if (raw <= static_cast<quint64>(std::numeric_limits<qint64>::max()))
        return QJsonValue(static_cast<qint64>(raw));
    return largeRawMarker() + QString::number(raw);
}

} // namespace

QJsonValue rawJson(quint64 bits, const ElementLayout& layout) {
    if (!layout.isSigned || layout.bytes >= 8)
        return layout.isSigned ? QJsonValue(qint64(bits)) : rawJson(bits);
    const int unused = 64 - 8 * layout.bytes; // sign-extended by shifting the top bit into place
    return QJsonValue(static_cast<qint64>(bits << unused) >> unused);
}

void insertReading(QJsonObject& o, const ItemReading& reading, ItemClass cls) {
    QJsonArray raw, text;
    for (quint64 r : reading.raw)
        raw.append(rawJson(r));
    for (const std::optional<QString>& t : reading.text)
        text.append(t ? QJsonValue(*t) : QJsonValue());
    o.insert(QStringLiteral("raw"), raw);
    if (cls != ItemClass::Flag) o.insert(QStringLiteral("text"), text);
}

QJsonValue labelsJson(const AxisLabels& labels) {
    QJsonArray a;
    if (labels.isText)
        for (const QString& t : labels.texts)
            a.append(t);
    else
        for (const auto& v : labels.numbers)
            a.append(v ? QJsonValue(*v) : QJsonValue());
    return a;
}

void insertCells(QJsonObject& o, const Definition& def, const CalItem& item, const ImageBytes& image) {
    const CellReading cells = readCells(def, item, image);
    const AxisLabels x = axisLabels(def, item.x, image), y = axisLabels(def, item.y, image);
    const QString error = !cells.error.isEmpty() ? cells.error : !x.error.isEmpty() ? x.error : y.error;
    if (!error.isEmpty()) {
        o.insert(QStringLiteral("error"), error);
        return;
    }
    QJsonArray raw, values;
    for (quint64 bits : cells.bits)
        raw.append(rawJson(bits, item.layout));
    for (const auto& v : cells.values)
        values.append(v ? QJsonValue(*v) : QJsonValue());
    o.insert(QStringLiteral("raw"), raw);
    if (item.kind == CalItem::Kind::Flag) {
        o.insert(QStringLiteral("set"), !cells.bits.empty() && item.flagSet(cells.bits.front()));
        return;
    }
    o.insert(QStringLiteral("values"), values);
    if (x.given) o.insert(QStringLiteral("xLabels"), labelsJson(x));
    if (y.given) o.insert(QStringLiteral("yLabels"), labelsJson(y));
}

QString rawNumberText(const QJsonValue& raw) {
    return raw.isString() ? raw.toString().mid(largeRawMarker().size()) : QString::number(raw.toInteger());
}

QString jsonText(const QJsonObject& document) {
    const QString text = QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)).trimmed();
    static const QRegularExpression marked(QLatin1Char('"') + QRegularExpression::escape(largeRawMarker()) +
                                           QStringLiteral("([0-9]+)\""));
    return QString(text).replace(marked, QStringLiteral("\\1"));
}

QString rawListText(const ItemReading& reading) {
    QStringList parts;
    for (quint64 r : reading.raw)
        parts << QString::number(r);
    return parts.join(QLatin1Char(' '));
}

} // namespace korvel::cli
