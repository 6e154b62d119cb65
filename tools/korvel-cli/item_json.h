#pragma once

#include "core/item_reading.h"

#include <QJsonObject>
#include <QString>

namespace korvel::cli {

// Adds "raw" (numbers) and, except for a flag, "text" (strings; null for a value without a
// calculated value) to `o`, as `items --bin` and `diff` write an item's bytes.
void insertReading(QJsonObject& o, const ItemReading& reading, ItemClass cls);

// The raw numbers of a reading separated by spaces, as the verbs print them.
QString rawListText(const ItemReading& reading);

} // namespace korvel::cli
