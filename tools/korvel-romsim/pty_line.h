#pragma once

#include "emulator/simulated_line.h"

#include <QByteArray>
#include <QString>
#include <csignal>
#include <deque>

namespace korvel {

// Serves a device of a one-wire diagnostic line (the simulated ECU) on the master side of
// a pseudo-terminal, at the line's wire timing: every byte costs 10 bit times, each byte
// the client sends comes back as the echo once it has crossed the line, and the device's
// answer starts `latency` after the byte that completed the request.
class PtyLine {
public:
    PtyLine(LineDevice& device, int baud) : m_device(device), m_byteSeconds(10.0 / baud) {}
    ~PtyLine();

    // Creates the pseudo-terminal in raw mode. False with a reason on failure.
    bool start(QString& error);
    QString devicePath() const { return m_path; }

    // Serves until `stop` becomes non-zero.
    void serve(const volatile std::sig_atomic_t& stop);

    static constexpr double kLatency = 0.005; // s

private:
    struct Outgoing {
        double due;
        char byte;
    };
    void takeInput(double now);
    void queue(const QByteArray& bytes, double at);
    void flushDue(double now);

    LineDevice& m_device;
    double m_byteSeconds;
    int m_master = -1;
    int m_slave = -1; // held so the master does not report a hang-up while no client is attached
    QString m_path;
    double m_inClock = 0;
    double m_outClock = 0;
    std::deque<Outgoing> m_out;
};

} // namespace korvel
