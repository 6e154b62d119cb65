#pragma once

// A data-stream definition (ADX): what to send to an ECU's diagnostic line, which replies
// to listen for, and how the reply bytes turn into values. Filled by readAdx(); the link
// engine and the decoder work on it alone.

#include "equation.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace korvel {

// What every object of the file carries. `idhash` is the number the file stores (0 when
// absent); other objects name it by that stored text, never by a hash computed from `id`.
struct AdxObject {
    QString id;
    quint64 idhash = 0;
    QString title;
    qint64 line = 0;
    // The title, else the id: how messages name the object.
    QString name() const { return title.isEmpty() ? id : title; }
};

struct AdxHeader {
    int baud = 8192;
    quint32 flags = 0;
    static constexpr quint32 kEcho = 0x1; // the line returns every byte sent before the reply
    bool echoes() const { return flags & kEcho; }
};

// Bytes sent as written (with the two's-complement checksum appended when asked).
struct AdxCommand : AdxObject {
    QByteArray bytes;
};

// A reply: skip input until `header` (when not empty), then read `bodyLength` bytes; the
// payload is `payloadSize` bytes from `payloadOffset` of the body.
struct AdxListenPacket : AdxObject {
    QByteArray header;
    int bodyLength = 0;
    int timeoutMs = 500;
    int payloadOffset = 0;
    int payloadSize = 0;
    quint32 flags = 0;
    static constexpr quint32 kDecode = 0x1;
    bool decodes() const { return flags & kDecode; }
};

// Waits until the line has been quiet for `silenceMs`, at most `totalTimeoutMs`.
struct AdxSilence : AdxObject {
    int silenceMs = 0;
    int totalTimeoutMs = 0;
};

// A step of a macro, or the connect / monitor command: which object it runs.
struct AdxStep {
    enum class Kind { None, Command, Listen, Silence, Macro };
    Kind kind = Kind::None;
    int index = -1;
    int repeat = 1;
};

struct AdxMacro : AdxObject {
    std::vector<AdxStep> nodes; // run in order, each `repeat` times
    int repeat = 1;             // the whole list, this often
};

// Linear between entries (sorted by input), clamped at the ends.
struct AdxLookupTable : AdxObject {
    std::vector<std::pair<double, double>> entries;
    double map(double input) const;
};

struct AdxValue : AdxObject {
    int packet = -1; // index into listenPackets; -1 when the value reads no bytes
    int offset = 0;  // from the payload's first byte
    int bits = 8;    // 8, 16 or 32
    bool isSigned = false;
    bool lsbFirst = false;
    bool highAlarm = false, lowAlarm = false;
    double alarmLow = 0, alarmHigh = 0;
    double rangeLow = 0, rangeHigh = 0;
    Equation equation;      // "X" when the file gives none
    bool native = true;     // the equation's main variable is the raw value
    std::vector<int> links; // value index for each equation variable (variableNames() order)
    int lookup = -1;        // index into lookupTables, applied to the raw value first
    QString units;
    int digits = 2;
    int outputType = 3; // 0 hex, 1 integer, 3 decimal (others shown as decimal)
    int bytes() const { return bits / 8; }
};

// True when (byte at `offset` AND `operand`) equals `result`.
struct AdxBitmask : AdxObject {
    int packet = -1;
    int offset = 0;
    quint32 operand = 0;
    quint32 result = 0;
    QString trueText = QStringLiteral("ON"), falseText = QStringLiteral("OFF");
};

// A table of breakpoints on X (columns) and Y (rows), filled with the value named z.
struct AdxHistogram : AdxObject {
    std::vector<double> columns, rows;
    int x = -1, y = -1, z = -1; // value indexes, -1 when not named
};

struct AdxDefinition {
    AdxHeader header;
    AdxStep connect, monitor;
    std::vector<AdxCommand> commands;
    std::vector<AdxListenPacket> listenPackets;
    std::vector<AdxSilence> silences;
    std::vector<AdxMacro> macros;
    std::vector<AdxLookupTable> lookupTables;
    std::vector<AdxValue> values;
    std::vector<AdxBitmask> bitmasks;
    std::vector<AdxHistogram> histograms;
    // Values and bitmasks in the file's order: {false, value index} or {true, bitmask index}.
    std::vector<std::pair<bool, int>> fields;
    // Value indexes such that every value comes after the values it links to.
    std::vector<int> evaluationOrder;

    int findValue(quint64 idhash) const;
};

struct AdxReadResult {
    std::optional<AdxDefinition> definition;
    qint64 line = 0;
    QString error; // "Line N: reason" when refused
    bool ok() const { return definition.has_value(); }
};

// Reads an ADX file's bytes. Refuses a malformed file with the line and the reason.
AdxReadResult readAdx(const QByteArray& data);

} // namespace korvel
