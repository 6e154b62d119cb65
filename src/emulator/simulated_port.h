#pragma once

#include "serial_port.h"

#include <deque>
#include <vector>

namespace korvel {

class ManualTicker;
class SimulatedEmulator;

// The line between the program and an in-process SimulatedEmulator, shared by every
// port a SimulatedPortFactory makes. Time is the ManualTicker's: a port that is
// asked to wait moves that clock on instead of sleeping, so tests run at once.
struct SimulatedWire {
    SimulatedWire(SimulatedEmulator& device, ManualTicker& clock) : device(device), clock(clock) {}

    SimulatedEmulator& device;
    ManualTicker& clock;
    // Seconds from the byte that completes a frame until its answer can be read.
    double latency = 0;
    // When not empty, open() fails with this reason.
    QString openError;
    // The device disappears after this many writes (-1: never): later writes fail
    // and the waiting count reports the failure.
    long vanishAfterWrites = -1;
    // Line noise: every Nth answer (0: none) comes after a stray byte, the complement of
    // its first byte; the answer follows one byte time (kByteTime) behind it.
    int strayEvery = 0;
    static constexpr double kByteTime = 10.0 / 115200;
    long answers = 0;

    // Every write made, as made, and how often a port was opened and closed.
    std::vector<QByteArray> writes;
    int opens = 0;
    int closes = 0;
    // The device and settings string of every successful opening, in order.
    struct Opening {
        QString device;
        QString settings;
    };
    std::vector<Opening> openings;

    // All bytes written, in order.
    QByteArray sent() const;
};

class SimulatedPort : public SerialPort {
public:
    explicit SimulatedPort(SimulatedWire& wire) : m_wire(wire) {}

    bool open(const QString& device, const QString& settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() override;
    int waitForInput(double maxSeconds) override;
    QByteArray read(int maxBytes) override;
    QString errorString() const override { return m_error; }

private:
    struct Pending {
        double at;
        char byte;
    };
    bool vanished() const;
    void deliver(const QByteArray& bytes);
    void runDevice();
    int readyCount() const;

    SimulatedWire& m_wire;
    std::deque<Pending> m_input;
    QString m_error;
    bool m_open = false;
};

class SimulatedPortFactory : public SerialPortFactory {
public:
    explicit SimulatedPortFactory(SimulatedWire& wire) : m_wire(wire) {}
    std::unique_ptr<SerialPort> create() override { return std::make_unique<SimulatedPort>(m_wire); }

private:
    SimulatedWire& m_wire;
};

} // namespace korvel
