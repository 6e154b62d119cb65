#pragma once

#include "core/cal_item.h"
#include "core/element_layout.h"
#include "core/item_cells.h"
#include "core/item_reading.h"

#include <QJsonObject>
#include <QString>

namespace korvel::cli {

// Adds "raw" (numbers) and, except for a flag, "text" (strings; null for a value without a
// calculated value) to `o`, as `items --bin` and `diff` write an item's bytes. The raw numbers
// are exact only in the text jsonText gives.
void insertReading(QJsonObject& o, const ItemReading& reading, ItemClass cls);

// An element's raw value as an exact JSON integer: negative where a signed element is.
QJsonValue rawJson(quint64 bits, const ElementLayout& layout);

// An axis's labels: numbers (null where undefined) or texts.
QJsonValue labelsJson(const AxisLabels& labels);

// Adds what the image holds for an item of the model: "raw" (signed where the item is), then
// "set" for a flag, else "values" (calculated; null where undefined) and the axes' "xLabels" and
// "yLabels"; only "error", with the reason, when any of them cannot be read.
void insertCells(QJsonObject& o, const Definition& def, const CalItem& item, const ImageBytes& image);

// A raw number of insertReading or rawJson as exact decimal digits.
QString rawNumberText(const QJsonValue& raw);

// The document as indented JSON text with every raw number written exactly: Qt writes integers
// exactly only up to 2^63 - 1, and an 8-byte value may be larger.
QString jsonText(const QJsonObject& document);

// The raw numbers of a reading separated by spaces, as the verbs print them.
QString rawListText(const ItemReading& reading);

} // namespace korvel::cli
