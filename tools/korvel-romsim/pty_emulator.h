#pragma once

#include "emulator/simulated_emulator.h"

#include <QByteArray>
#include <QString>
#include <csignal>
#include <deque>
#include <mutex>

namespace korvel {

// Serves a SimulatedEmulator on the master side of a pseudo-terminal. The slave's
// path is what a client opens as its serial device.
//
// Wire timing (when a baud rate is set): every byte costs 10 bit times on the
// line, so a byte that arrives is taken at the earliest when the previous one has
// been taken plus 10 bits, and each answer byte leaves 10 bits after the one
// before it. Without a baud rate answers leave at once.
class PtyEmulator {
public:
    explicit PtyEmulator(SimulatedEmulator& device) : m_device(device) {}
    ~PtyEmulator();

    // Creates the pseudo-terminal in raw mode. False with a reason on failure.
    bool start(QString& error);
    QString devicePath() const { return m_path; }
    void setBaud(int baud) { m_byteSeconds = baud > 0 ? 10.0 / baud : 0.0; }
    // Line noise: every Nth answer (0: none) is preceded by one stray byte, the
    // complement of the answer's first byte, so it never passes for the answer.
    void setGarbageEvery(int n) { m_garbageEvery = n; }
    // Held while the device takes input, when another thread reads its memory (the simulated ECU).
    void setMemoryLock(std::mutex* lock) { m_lock = lock; }
    // Stray bytes sent so far.
    long garbageSent() const { return m_garbageSent; }

    // Serves until `stop` becomes non-zero (set from a signal handler).
    void serve(const volatile std::sig_atomic_t& stop);

private:
    struct Outgoing {
        double due;
        char byte;
    };
    void takeInput(double now);
    void queue(const QByteArray& bytes, double at);
    void flushDue(double now);

    SimulatedEmulator& m_device;
    int m_master = -1;
    // Our own handle on the slave: without it the master reports a hang-up while no
    // client is attached and the loop would spin.
    int m_slave = -1;
    QString m_path;
    double m_byteSeconds = 0;
    double m_inClock = 0;
    double m_outClock = 0;
    int m_garbageEvery = 0;
    long m_answers = 0;
    long m_garbageSent = 0;
    std::deque<Outgoing> m_out;
    std::mutex* m_lock = nullptr;
};

// Seconds on the monotonic clock.
double monotonicSeconds();

} // namespace korvel
