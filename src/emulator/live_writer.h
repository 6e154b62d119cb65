#pragma once

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace korvel {

class SerialPort;
class SerialPortFactory;
class Ticker;

// Keeps the emulator in step with edits as they happen: bytes are queued, then sent
// one "W" frame at a time, each waiting for its echo (up to three re-sends on a wrong
// echo or none within EmulatorLink::kReplyTimeout), with no fixed wait per byte.
//
// Queue: first queued, first sent. A byte queued again before it goes out keeps its
// place and takes the newer value, so a burst of edits sends each byte's last value
// once. A byte queued while its earlier value is on the wire is sent again afterwards.
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
    void dropQueue();

    void queue(int address, quint8 value);

    // Does work for at most `budget` seconds (at least one look at the port). True
    // while there is more to do.
    bool step(double budget);

    State state() const;
    // Bytes queued plus the one on the wire.
    int pendingCount() const;
    // Addresses queued or on the wire, in sending order (the one on the wire first).
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
        int address;
        quint8 value;
        int resends;
        double sentAt;
    };
    bool openPort();
    // Opens the port and takes up the queue (start and resume).
    bool goOn();
    bool sendFlight();
    // The byte on the wire did not arrive: send it again, or fail after three re-sends.
    bool retryOrFail(const QByteArray& reply);
    void fail(const QString& message);
    void schedule();
    void changed();

    SerialPortFactory& m_ports;
    QString m_device;
    Ticker& m_ticker;
    std::unique_ptr<SerialPort> m_port;
    std::deque<int> m_order;
    std::unordered_map<int, quint8> m_latest;
    std::optional<InFlight> m_flight;
    bool m_started = false;
    bool m_paused = false;
    bool m_stepping = false;
    QString m_failure;
    std::vector<int> m_dropped;
    std::unique_ptr<QTimer> m_timer;
};

} // namespace korvel
