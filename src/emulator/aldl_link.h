#pragma once

// The request/reply engine for an ECU's diagnostic line, driven by a stream definition:
// it sends the definition's commands, listens for its packets and hands the payloads of
// one monitor cycle to the decoder.

#include "core/adx_decoder.h"

#include <QByteArray>
#include <QString>

namespace korvel {

class SerialPort;
class Ticker;

// What one run of a command, macro or monitor cycle brought.
struct AldlCycle {
    bool ok = true;
    QString reason;          // when not ok: the object and what went wrong
    bool portFailed = false; // the port itself failed (cable gone): logging must stop
    AdxPayloads payloads;    // by listen-packet index, for every packet heard with a payload
};

// A frame of the request/reply protocol is ID, length, mode, data..., checksum, where the
// length byte is 0x55 plus the number of bytes between it and the checksum. True when
// `frame` has that shape (so its checksum can be checked).
bool isLengthFramed(const QByteArray& frame);
// True when the 8-bit sum of all bytes is 0.
bool sumsToZero(const QByteArray& frame);

// Runs over an open port. Waits run the ticker's event pump at least every kPollSlice
// seconds; the port's own blocking wait returns as soon as a byte arrives.
class AldlLink {
public:
    static constexpr double kPollSlice = 0.002; // s
    // Extra time allowed for the echo beyond the bytes' own time on the wire.
    static constexpr double kEchoMargin = 0.1; // s
    // Waits shorter than this are over.
    static constexpr double kMinWait = 1e-6; // s

    AldlLink(SerialPort& port, Ticker& ticker, const AdxDefinition& def);

    // "8192,N,8,1" with the definition's baud rate.
    static QString settingsFor(const AdxDefinition& def);

    // Runs the connect command once (nothing to do when the definition has none).
    AldlCycle connect() { return run(m_def.connect); }
    // One monitor cycle.
    AldlCycle monitor() { return run(m_def.monitor); }
    AldlCycle run(const AdxStep& step);

private:
    bool step(const AdxStep& s, AldlCycle& cycle, int depth);
    bool send(const AdxCommand& c, AldlCycle& cycle);
    bool listen(const AdxListenPacket& p, int index, AldlCycle& cycle);
    bool silence(const AdxSilence& s, AldlCycle& cycle);
    // The next byte, waiting until `deadline` (ticker seconds): 0..255, -1 on a time-out,
    // -2 when the port failed.
    int nextByte(double deadline);
    bool fail(AldlCycle& cycle, const AdxObject& o, const QString& what, bool portFailed = false);
    void pumpIfDue();
    double wireTime(qsizetype bytes) const;

    SerialPort& m_port;
    Ticker& m_ticker;
    const AdxDefinition& m_def;
    QByteArray m_pending; // read from the port, not used yet
    double m_lastPump = -1e9;
};

} // namespace korvel
