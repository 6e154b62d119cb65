#pragma once

#include "ecu_definition.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace korvel {

struct AppState;

// A raw value typed as hexadecimal text for an item of n bytes (1..8).
struct RawEntry {
    enum class Outcome { Value, Empty, NotHex };
    Outcome outcome = Outcome::Empty;
    quint64 value = 0;    // the number to store: the typed one, at most largestRaw(n)
    bool clamped = false; // the typed number did not fit in n bytes and became "FF" per byte
};

// Reads a typed raw text: surrounding spaces are ignored, digits of either case and any
// number of leading zeros are accepted. A number too large for n bytes (even one beyond
// 64 bits) is clamped to "FF" per byte; an empty text or any other character gives no value.
RawEntry parseRawEntry(QStringView text, int byteSize);

// One stepper step on a value of n bytes: raw - d (d = -1 adds one, +1 subtracts one),
// or nothing when the result would fall outside 0 .. 256^n - 1.
std::optional<quint64> steppedRaw(quint64 raw, int d, int byteSize);

// "FF" repeated n times: the text of the largest value of n bytes.
QString largestRawText(int byteSize);

// The calculated text the Values tab shows for raw: the item's conversion formatted with
// the state's NumericFormat. Empty for an item without a calculated value (Factor 0) and
// when the conversion has no result (Conversion 1 with raw 0).
QString calculatedText(const AppState& state, const EcuItem& item, quint64 raw);

// Storing a typed raw text into a flag byte or a single value, as the editor and the
// command-line tool do it.
struct RawCommit {
    enum class Outcome {
        Stored,   // the bytes were written through StoreByte and recorded as pending
        Empty,    // nothing was typed; nothing written
        NotHex,   // the text is not a hexadecimal number; nothing written
        TooLarge, // a flag byte above FF; nothing written (values are clamped instead)
        Refused,  // the item cannot be edited (message says why); nothing written
    };
    Outcome outcome = Outcome::Empty;
    quint64 value = 0; // the raw value stored
    QString message;   // for Refused: itemRefusal's text, or why the kind is not handled
};

// Commits `text` to the item: a flag takes one byte (0..FF) at its address, a single value
// of n bytes takes the number clamped to "FF" per byte, most significant byte first.
// Tables are refused. Nothing outside the image is touched: an item that itemRefusal
// rejects is refused before anything is written.
RawCommit commitRawText(AppState& state, const EcuItem& item, QStringView text);

} // namespace korvel
