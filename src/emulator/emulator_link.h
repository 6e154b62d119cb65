#pragma once

#include "frames.h"
#include "line_settler.h"

#include <QByteArray>
#include <QString>

namespace korvel {

struct AppState;
class SerialPort;
class Ticker;
class TransferObserver;

// How a one-byte exchange waits for its reply.
enum class Exchange {
    // Wait a fixed 0.14 s (VerifyWrites) or 0.05 s, running the event loop, then
    // take everything waiting, possibly nothing. Used by the editor's upload.
    FixedWait,
    // Wait until the first reply byte and take exactly one; give up after
    // kReplyTimeout without a byte. Used by the download and verify windows.
    Polled,
};

enum class ReplyStatus { Ok, TimedOut, PortFailed };

struct Reply {
    QByteArray bytes;
    ReplyStatus status = ReplyStatus::Ok;
};

struct WriteResult {
    bool written = false;
    int resends = 0; // re-sends made for this byte, 0..3
    ReplyStatus status = ReplyStatus::Ok;
    QByteArray reply; // the last reply taken, empty when none came
};

// "Error writing to Ram at Address d" with a second line saying why the byte failed: no
// reply at all, or the echo that came instead of `value` (hexadecimal bytes).
QString writeFailureMessage(int address, const QByteArray& reply, quint8 value);
// The same for a read that got no reply.
QString noReplyReason();

// The command frames and byte exchanges over one open port. The port stays open
// for a whole run (open once, send, close): the emulator sees the same frames, the
// lines do not drop between bytes, and a whole image moves in about the wire time.
//
// Waits run the ticker's event pump at least every kPollSlice seconds, so windows
// stay responsive, while the port's own blocking wait returns the moment a reply
// byte arrives.
class EmulatorLink {
public:
    static constexpr double kVerifiedWait = 0.14; // s, fixed wait with VerifyWrites
    static constexpr double kPlainWait = 0.05;    // s, fixed wait without
    static constexpr double kReplyTimeout = 1.0;  // s without a reply byte (polled)
    static constexpr double kPollSlice = 0.002;   // s between event pumps while waiting
    static constexpr int kMaxResends = 3;

    EmulatorLink(SerialPort& port, Ticker& ticker, AppState& state, TransferObserver& observer);

    // Opens the port with the settings string; false (see errorString()) when the
    // port cannot be opened or set up.
    bool open(const QString& device, const QString& settings = QString::fromLatin1(kSerialSettings));
    void close();
    QString errorString() const;

    // Writes the frame in one piece. On the line that is the same byte sequence as
    // one write per byte with no pause between them, and it saves a system call and
    // a wake-up of the device per byte. Input still waiting from before is thrown
    // away first: only what arrives after the frame can answer it.
    bool send(const QByteArray& frame);

    // Writes one byte with "W" / reads one with "R" (filler: the byte the caller
    // expects) and returns the reply. A polled exchange that times out returns an
    // empty reply with TimedOut and shows nothing: the caller puts the address and
    // the reason into one message, however many re-sends timed out.
    Reply Put_Data(quint8 addrHigh, quint8 addrLow, quint8 value, Exchange how);
    Reply Get_Data(quint8 addrHigh, quint8 addrLow, quint8 filler, Exchange how);

    // Writes one byte and, with VerifyWrites, compares the echo, sending the frame
    // again up to three times while it differs. Without VerifyWrites the first reply
    // counts as correct whatever it is.
    WriteResult verifiedWrite(int address, quint8 value, Exchange how);

    // The caller found a reply wrong (a read that differs from what it expected): the
    // next exchange waits for the line to fall quiet first (see LineSettler).
    void doubtLine();

    // Waits until at least one byte is waiting: the count, 0 after `timeout` seconds
    // without a byte, -1 when the port failed. A byte that is already there when
    // the time runs out still counts, however late the loop got to look.
    int waitForInput(double timeout);

    // True once a polled exchange of this link has timed out; a run stops after
    // the address at which that happened.
    bool timedOut() const { return m_timedOut; }
    SerialPort& port() { return m_port; }

private:
    // Sends a one-byte exchange's frame on a settled line and takes its reply.
    Reply exchange(const QByteArray& frame, Exchange how);
    // Runs the event pump when a slice has passed since it last ran.
    void pumpIfDue();

    SerialPort& m_port;
    Ticker& m_ticker;
    AppState& m_state;
    TransferObserver& m_observer;
    LineSettler m_settler;
    bool m_timedOut = false;
    double m_lastPump = -1e9;
};

} // namespace korvel
