#pragma once

#include "emulator_link.h"

#include <QString>
#include <memory>

namespace korvel {

struct AppState;
class SerialPort;
class SerialPortFactory;
class Ticker;
class TransferObserver;

// What a transfer runs on: the run's state (image, BinSize, link flags), the port
// maker and the device to open, the clock and event pump, and where progress goes.
struct TransferContext {
    AppState& state;
    SerialPortFactory& ports;
    QString device;
    Ticker& ticker;
    TransferObserver& observer;
};

enum class TransferOutcome {
    Completed, // every address handled (a verify may still have counted errors)
    Cancelled, // the user asked to stop
    Failed,    // a byte failed, 30 read errors, a time-out, or the port failed
};

struct TransferResult {
    TransferOutcome outcome = TransferOutcome::Failed;
    qint64 errors = 0;  // verify: addresses whose read-back differed
    qint64 resends = 0; // download and upload: re-sends made
};

// "hh:mm:ss" of whole elapsed seconds (at least two digits for the hours).
QString formatElapsed(double seconds);

// The steps every transfer shares: opening the one port for the whole run, the
// 64 KiB limit of the frames' addresses, the port-failure message and the end
// with "Download Time = ". Each engine runs once and then is thrown away.
class TransferEngine {
public:
    virtual ~TransferEngine();

protected:
    explicit TransferEngine(const TransferContext& context);

    // Opens the port (once per run). On failure shows the reason (critical),
    // marks the run over (CancelRequested, Cancel reads "Close") and returns false.
    bool openLink();
    void closeLink();
    // False (with a message, and the run marked over) when the image reaches past
    // the 16-bit addresses of the frames; nothing has been sent then.
    bool imageFitsLink();
    // The port failed in mid-run (device gone): message with the reason, labels
    // cleared, port closed, run marked over.
    void portFailed(int address);
    // CancelRequested, "Close", and "Download Time = hh:mm:ss" since startClock().
    void finishWithTime();
    void startClock();
    void markOver();

    // Whether the end of a run turns Cancel into "Close" and sets CancelRequested
    // (the transfer windows); the editor's upload has no such button.
    bool m_endsWithClose = true;

    // The last image address a run handles: BinSize - 17, -1 for an empty image.
    int lastAddress() const;

    AppState& m_state;
    TransferObserver& m_observer;
    Ticker& m_ticker;
    std::unique_ptr<EmulatorLink> m_link;

private:
    SerialPortFactory& m_ports;
    QString m_device;
    std::unique_ptr<SerialPort> m_port;
    double m_start = 0;
};

} // namespace korvel
