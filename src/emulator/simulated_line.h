#pragma once

// A one-wire diagnostic line in software: what the program sends comes back as the echo
// (when the cable echoes), then the device's answer, each byte one byte-time apart at
// the line's baud rate. Time is a ManualTicker's: waiting moves that clock on, so tests
// run at once.

#include "serial_port.h"

#include <deque>
#include <vector>

namespace korvel {

class ManualTicker;

// A device on the line (the simulated ECU, or a test's scripted one).
class LineDevice {
public:
    virtual ~LineDevice() = default;
    // Takes bytes that finished arriving at `now` (seconds) and returns its answer.
    virtual QByteArray receive(const QByteArray& bytes, double now) = 0;
};

struct SimulatedLine {
    SimulatedLine(LineDevice& device, ManualTicker& clock) : device(device), clock(clock) {}

    LineDevice& device;
    ManualTicker& clock;
    bool echo = true;
    double byteTime = 10.0 / 8192; // s per byte: start, 8 data bits, stop
    double latency = 0.005;        // s from the end of a request to the answer's first byte
    bool failed = false;           // the cable is gone: writes fail, waiting reports -1
    std::vector<QByteArray> writes;
};

class SimulatedLinePort : public SerialPort {
public:
    explicit SimulatedLinePort(SimulatedLine& line) : m_line(line) {}

    bool open(const QString& device, const QString& settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() override;
    int waitForInput(double maxSeconds) override;
    QByteArray read(int maxBytes) override;
    QString errorString() const override { return m_error; }

    // The settings string of the last opening.
    const QString& settings() const { return m_settings; }

private:
    struct Pending {
        double at;
        char byte;
    };
    void queue(const QByteArray& bytes, double start);
    int readyCount() const;

    SimulatedLine& m_line;
    std::deque<Pending> m_input;
    QString m_error, m_settings;
    bool m_open = false;
};

} // namespace korvel
