#include "item_json.h"

#include <QJsonArray>
#include <QStringList>

namespace korvel::cli {

void insertReading(QJsonObject& o, const ItemReading& reading, ItemClass cls) {
    QJsonArray raw, text;
    // JSON numbers are doubles: a value of more than 6 bytes loses its last digits there.
    for (quint64 r : reading.raw)
        raw.append(static_cast<double>(r));
    for (const std::optional<QString>& t : reading.text)
        text.append(t ? QJsonValue(*t) : QJsonValue());
    o.insert(QStringLiteral("raw"), raw);
    if (cls != ItemClass::Flag) o.insert(QStringLiteral("text"), text);
}

QString rawListText(const ItemReading& reading) {
    QStringList parts;
    for (quint64 r : reading.raw)
        parts << QString::number(r);
    return parts.join(QLatin1Char(' '));
}

} // namespace korvel::cli
