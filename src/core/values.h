#pragma once

#include "ecu_definition.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace korvel {

struct AppState;

// The text's hexadecimal digits as an unsigned number. Surrounding spaces are
// ignored; an empty text, any other character, or more than 64 bits give nothing.
std::optional<quint64> ParseHex(QStringView text);

// raw x Factor + Offset (Conversion 0), Factor / raw + Offset (Conversion 1), 0 for
// other conversions. Conversion 1 with raw 0 has no value.
std::optional<double> CalculatedValue(const EcuItem& item, quint64 raw);

// Formats with a "#"/"0"/"." pattern: "#" shows a significant digit, "0" always a
// digit, "." the decimal point (shown whenever the pattern has one). Integer digits
// are never cut; the value is rounded to the places after the point. Characters
// before the first or after the last place are copied as they stand.
// A value that is not finite gives an empty text.
QString FormatCalculated(double value, const QString& pattern);
// The same for an optional value: nothing gives an empty text.
QString FormatCalculated(std::optional<double> value, const QString& pattern);

// Upper-case hex digits without leading zeros ("0" for zero).
QString hexNumber(quint64 value);

// Writes one byte into the image and records it as pending. Indexes outside the
// image are ignored (callers check the item first with itemRefusal).
void StoreByte(AppState& state, int index, int byte);

// Raw value of n bytes at A, most significant first.
quint64 rawValue(const AppState& state, int address, int byteSize);
// Stores v as n bytes at A, the last byte first, through StoreByte.
void storeRawValue(AppState& state, int address, int byteSize, quint64 value);
// The raw text the Values tab shows: the cells' Value texts concatenated (2n digits).
QString rawText(const AppState& state, int address, int byteSize);
// 256^n - 1 for n = 1..8.
quint64 largestRaw(int byteSize);

inline constexpr int kMatrixSize = 501;

// Why an item cannot be shown or edited, or an empty text when it can: its address
// is not hexadecimal, its bytes reach past the last byte Save writes back, a
// single value has no bytes or more than 8, or a table is larger than 501 x 501.
// The text names the item.
QString itemRefusal(const AppState& state, const EcuItem& item, ItemClass cls);
// The same for an image whose last saved byte is `lastSaved` (-1 for an empty image).
QString itemRefusal(qint64 lastSaved, const EcuItem& item, ItemClass cls);

// The item's first byte (ParseHex of Address); only meaningful when itemRefusal is empty.
int itemAddress(const EcuItem& item);

} // namespace korvel
