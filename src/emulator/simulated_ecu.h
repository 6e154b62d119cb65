#pragma once

// An engine computer in software, for the desk: it answers mode 1 data requests on the
// diagnostic line with a drive cycle (RPM, MAP, coolant, throttle, spark) and a block
// learn (BLM) that follows the VE table the ROM emulator holds now, so a live edit of
// that table moves BLM towards 128.
//
// Frames are ID, length, mode, data..., checksum (length = 0x55 + the bytes between it
// and the checksum; the checksum makes the 8-bit sum 0). Requests with another ID, a bad
// checksum or an unknown mode are ignored; a frame left unfinished is dropped after
// kUnfinishedGap of quiet. Mode 1 answers ID, 0x95, 0x01, 63 data bytes, checksum; modes
// 8 (others quiet) and 9 (others may talk) answer ID, 0x56, mode, checksum.
//
// The 63 data bytes (offsets from the first data byte; multi-byte values most
// significant byte first), as examples/sample.adx describes them:
//   0-1 RPM x 4 | 2 coolant (C + 40) / 0.75 | 3 MAP (kPa - 10) / 0.4 | 4 throttle % x 2.56
//   5 BLM | 6 integrator (128) | 7 status: 0x80 closed loop, 0x01 running
//   8 spark advance, signed, x 2 | 9 battery V x 10 | 10 VE in memory % x 2 | 61-62 frame counter
#include "simulated_line.h"

#include <functional>

namespace korvel {

// Where the VE table lies in memory: rows of MAP, columns of RPM, one byte a cell,
// row after row from `address`; VE % = byte x `factor`.
struct SimulatedVeTable {
    int address = 0x0500;
    std::vector<double> mapKpa{20, 28, 36, 44, 52, 60, 68, 76, 84, 92, 100, 108};
    std::vector<double> rpm{600, 1100, 1600, 2100, 2600, 3100, 3600, 4100, 4600, 5100, 5600, 6100};
    double factor = 0.5;
};

class SimulatedEcu : public LineDevice {
public:
    // A byte of the emulator's memory now; -1 when out of range.
    using MemoryReader = std::function<int(int address)>;

    // What the engine does at one moment of the drive cycle.
    struct Sample {
        double rpm = 0, mapKpa = 0, coolantC = 0, throttlePct = 0, sparkDeg = 0;
        double trueVe = 0;   // what the engine really breathes, %
        double memoryVe = 0; // what the table in memory says, interpolated, %
        bool closedLoop = false;
        int blm = 128;
    };

    static constexpr quint8 kDefaultId = 0xF4;
    static constexpr int kDataBytes = 63;
    static constexpr double kUnfinishedGap = 0.1; // s
    // The learn limits: BLM stays within these however far the table is off.
    static constexpr int kBlmLow = 64, kBlmHigh = 192;

    explicit SimulatedEcu(MemoryReader memory, quint8 id = kDefaultId,
                          SimulatedVeTable table = SimulatedVeTable());

    QByteArray receive(const QByteArray& bytes, double now) override;

    // The drive cycle at `t` seconds from the first request.
    Sample sample(double t) const;
    QByteArray data(const Sample& s) const;
    // The table's VE at the operating point, bilinear between breakpoints and clamped
    // at the edges; -1 when the memory cannot be read.
    double memoryVe(double rpm, double mapKpa) const;
    static double trueVe(double rpm, double mapKpa);
    // The frame with its checksum appended.
    static QByteArray framed(QByteArray frame);

private:
    QByteArray answer(const QByteArray& frame, double now);

    MemoryReader m_memory;
    quint8 m_id;
    SimulatedVeTable m_table;
    QByteArray m_buffer;
    double m_lastByte = 0;
    double m_start = -1; // time of the first mode 1 request
    quint16 m_frames = 0;
};

} // namespace korvel
