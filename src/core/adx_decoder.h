#pragma once

// Turns the payloads of one monitor cycle into values and bitmask states.

#include "adx_definition.h"

#include <map>

namespace korvel {

// Payload bytes by listen-packet index; a packet missing here failed (or was not heard)
// this cycle, and everything read from it is left out.
using AdxPayloads = std::map<int, QByteArray>;

enum class AdxAlarm { None, Low, High };

struct AdxDecodedValue {
    bool valid = false; // false when its packet (or a value it links to) is missing
    qint64 raw = 0;     // the bytes as an integer, sign applied
    double value = 0;   // engineering value, unrounded
    QString text;       // formatted by outputtype and digcount; empty when not valid
    AdxAlarm alarm = AdxAlarm::None;
};

struct AdxDecodedBitmask {
    bool valid = false;
    bool state = false;
};

struct AdxDecoded {
    std::vector<AdxDecodedValue> values;     // by value index
    std::vector<AdxDecodedBitmask> bitmasks; // by bitmask index
};

// The raw integer at `offset`: `bits` wide, byte order and sign as given; nothing when
// the bytes do not fit.
std::optional<qint64> adxRaw(const QByteArray& payload, int offset, int bits, bool lsbFirst, bool isSigned);

// A value's text: outputtype 0 "0x" and upper-case hex of the rounded value, 1 the rounded
// integer, otherwise `digits` decimals.
QString adxFormat(const AdxValue& v, double value);

AdxDecoded decodeAdx(const AdxDefinition& def, const AdxPayloads& payloads);

} // namespace korvel
