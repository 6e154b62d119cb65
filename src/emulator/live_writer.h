#pragma once

#include "line_settler.h"

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace korvel {

class SerialPort;
class SerialPortFactory;
class Ticker;

// Keeps the emulator in step with edits as they happen: edits are queued, then sent one
// "W" frame at a time, each waiting for its echo (up to three re-sends on a wrong echo or
// none within EmulatorLink::kReplyTimeout), with no fixed wait per byte. Before a
// re-send, and after input no frame asked for, the line must fall quiet (LineSettler).
//
// Queue: edits, first queued first sent, the bytes of one edit together in the order
// given. So the emulator only ever holds the image as it was after some edit, with part
// of the one edit on its way. Two kinds of coalescing keep that true:
// - a byte listed twice in one edit is sent once, with its last value;
// - a queued edit not yet started whose every byte the edit queued right after it writes
//   again is dropped (a stepper held down sends the steps it can, not every step). The
//   emulator then goes from the image before the dropped edit through that image plus
//   part of the later edit to the image after the later edit: each an image that
//   existed, plus part of the edit being sent. Dropping a byte of an edit that a later,
//   not adjacent edit writes, or the rest of the edit being sent, could leave the
//   emulator with new bytes beside stale ones of an earlier edit: never done.
//
// A byte queued while its earlier value is on the wire is sent again afterwards. When
// nothing is on the wire, the first byte of a new edit goes out at once, inside queue():
// the edit's own repaint does not delay it.
//
// The work is done in short steps (step()) that never block longer than the budget
// they are given, so a window that runs them from its event loop never freezes. With
// `driveByEventLoop` a zero timer of this object runs the steps whenever there is
// work; without it (tests, a caller with its own loop) the caller runs step().
//
// The port is opened by start() and stays open until pause(), stop() or a failure:
// reopening would toggle the lines and cost time for every edit.
class LiveWriter {
public:
    enum class State {
        Stopped, // not started, stopped, or after a failure
        InStep,  // port open, nothing to send
        Sending, // bytes queued or on the wire
        Paused,  // port closed for someone else's run; the queue waits
    };
    // The longest a step of the event-loop drive blocks, in seconds.
    static constexpr double kStepBudget = 0.01;

    LiveWriter(SerialPortFactory& ports, QString device, Ticker& ticker, bool driveByEventLoop = true);
    ~LiveWriter();
    LiveWriter(const LiveWriter&) = delete;
    LiveWriter& operator=(const LiveWriter&) = delete;

    // Opens the port. False (the reason in the failed callback and failure()) when it
    // cannot be opened.
    bool start();
    // Closes the port, drops the queue and forgets a failure.
    void stop();
    // Gives the port up at once for another run. A byte on the wire is put back at the
    // head of the queue (writing a byte twice is harmless), so nothing is lost.
    void pause();
    // Opens the port again and goes on with the queue. False when it cannot be opened.
    bool resume();
    // Takes no more bytes from the queue: the byte on the wire is still finished.
    // Returns the addresses dropped, in sending order.
    std::vector<int> dropQueue();

    struct Write {
        int address;
        quint8 value;
    };
    using Edit = std::vector<Write>;
    // Queues the bytes one edit changed, with their values after it.
    void queue(const Edit& edit);
    void queue(int address, quint8 value) { queue(Edit{{address, value}}); }

    // Does work for at most `budget` seconds (at least one look at the port). True
    // while there is more to do.
    bool step(double budget);

    State state() const;
    // Writes queued plus the one on the wire.
    int pendingCount() const;
    // Addresses queued or on the wire, in sending order (the one on the wire first); an
    // address written by several queued edits appears once for each.
    std::vector<int> pendingAddresses() const;
    // The message of the last failure: "Error writing to Ram at Address d" and why,
    // or the port's reason when it could not be opened.
    QString failure() const { return m_failure; }
    // The addresses that were still queued or on the wire when the last failure
    // stopped the writer, in sending order.
    const std::vector<int>& dropped() const { return m_dropped; }

    // Called after every change of state() or pendingCount().
    std::function<void()> onChanged;
    // Called once when a write or the port fails; the writer has stopped by then.
    std::function<void(const QString& message)> onFailed;
    // Called for every byte the emulator acknowledged.
    std::function<void(int address, quint8 value)> onWritten;

private:
    struct InFlight {
        Write write;
        int resends = 0;
        double sentAt = 0;
        bool onWire = false; // false: to be sent (first time, or again)
    };
    bool openPort();
    // Opens the port and takes up the queue (start and resume).
    bool goOn();
    // The next write of the edit being sent, or of the next edit, onto the wire. False
    // when it cannot be sent (the writer has failed).
    bool takeNext();
    // Sends the byte in flight once the line is settled. False when the budget ran out
    // first or the writer failed (then m_started is false).
    bool sendFlight(double until);
    // The byte on the wire did not arrive: send it again, or fail after three re-sends.
    bool retryOrFail(const QByteArray& reply);
    void fail(const QString& message);
    void schedule();
    void changed();
    SerialPortFactory& m_ports;
    QString m_device;
    Ticker& m_ticker;
    std::unique_ptr<SerialPort> m_port;
    LineSettler m_settler;
    std::deque<Edit> m_edits;    // edits not started yet
    std::deque<Write> m_current; // the rest of the edit being sent, after the byte in flight
    std::optional<InFlight> m_flight;
    int m_queuedWrites = 0; // writes in m_edits
    bool m_started = false;
    bool m_paused = false;
    bool m_stepping = false;
    QString m_failure;
    std::vector<int> m_dropped;
    std::unique_ptr<QTimer> m_timer;
};

} // namespace korvel
