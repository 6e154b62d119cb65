#include "simulated_ecu.h"

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

quint8 byteOf(double v) {
    return quint8(std::clamp(std::lround(v), 0L, 255L));
}

// Where `v` falls between the breakpoints: the lower index and the fraction towards the next.
std::pair<size_t, double> place(const std::vector<double>& axis, double v) {
    if (axis.size() < 2 || v <= axis.front()) return {0, 0};
    if (v >= axis.back()) return {axis.size() - 2, 1};
    size_t k = 0;
    while (axis[k + 1] < v)
        ++k;
    return {k, (v - axis[k]) / (axis[k + 1] - axis[k])};
}

} // namespace

SimulatedEcu::SimulatedEcu(MemoryReader memory, quint8 id, SimulatedVeTable table)
    : m_memory(std::move(memory)), m_id(id), m_table(std::move(table)) {}

double SimulatedEcu::trueVe(double rpm, double mapKpa) {
    const double r = (mapKpa - 20) / 8, x = ((rpm - 600) / 500 - 6.5) / 5, y = (r - 7) / 6;
    const double base = 55 + 40 * std::exp(-(x * x + y * y)) + 2 * r;
    return base * (1 + 0.06 * std::sin(rpm / 700));
}

double SimulatedEcu::memoryVe(double rpm, double mapKpa) const {
    const int cols = int(m_table.rpm.size()), rows = int(m_table.mapKpa.size());
    if (cols < 2 || rows < 2) return -1;
    const auto [c, fc] = place(m_table.rpm, rpm);
    const auto [r, fr] = place(m_table.mapKpa, mapKpa);
    double cell[2][2];
    for (int dr = 0; dr < 2; ++dr)
        for (int dc = 0; dc < 2; ++dc) {
            const int b = m_memory(m_table.address + (int(r) + dr) * cols + int(c) + dc);
            if (b < 0) return -1;
            cell[dr][dc] = b * m_table.factor;
        }
    const double low = cell[0][0] + fc * (cell[0][1] - cell[0][0]);
    const double high = cell[1][0] + fc * (cell[1][1] - cell[1][0]);
    return low + fr * (high - low);
}

SimulatedEcu::Sample SimulatedEcu::sample(double t) const {
    Sample s;
    const double wave = std::sin(kTwoPi * t / 11);
    s.rpm = 800 + 2600 * (0.5 - 0.5 * std::cos(kTwoPi * t / 45)) + 500 * wave * wave;
    s.throttlePct = std::clamp((s.rpm - 800) / 3200 * 70 + 8 * std::sin(kTwoPi * t / 5), 0.0, 100.0);
    s.mapKpa = std::clamp(28 + s.throttlePct * 0.85, 20.0, 105.0);
    s.coolantC = 90 - 70 * std::exp(-t / 90);
    s.sparkDeg = 10 + s.rpm / 1000 * 6 - (s.mapKpa - 30) * 0.3;
    s.trueVe = trueVe(s.rpm, s.mapKpa);
    s.memoryVe = memoryVe(s.rpm, s.mapKpa);
    s.closedLoop = s.coolantC >= 70 && s.throttlePct < 70;
    if (s.closedLoop && s.memoryVe > 0)
        s.blm = std::clamp(int(std::lround(128 * s.trueVe / s.memoryVe)), kBlmLow, kBlmHigh);
    return s;
}

QByteArray SimulatedEcu::data(const Sample& s) const {
    QByteArray d(kDataBytes, '\0');
    const int rpm = std::clamp(int(std::lround(s.rpm * 4)), 0, 0xFFFF);
    d[0] = char(rpm >> 8);
    d[1] = char(rpm & 0xFF);
    d[2] = char(byteOf((s.coolantC + 40) / 0.75));
    d[3] = char(byteOf((s.mapKpa - 10) / 0.4));
    d[4] = char(byteOf(s.throttlePct * 2.56));
    d[5] = char(quint8(s.blm));
    d[6] = char(128);
    d[7] = char((s.closedLoop ? 0x80 : 0) | 0x01);
    d[8] = char(qint8(std::clamp(std::lround(s.sparkDeg * 2), -128L, 127L)));
    d[9] = char(byteOf(13.8 * 10));
    d[10] = char(byteOf(std::max(s.memoryVe, 0.0) * 2));
    d[61] = char(m_frames >> 8);
    d[62] = char(m_frames & 0xFF);
    return d;
}

QByteArray SimulatedEcu::framed(QByteArray frame) {
    quint8 sum = 0;
    for (const char b : frame)
        sum = quint8(sum + quint8(b));
    frame.append(char(quint8(-sum)));
    return frame;
}

QByteArray SimulatedEcu::answer(const QByteArray& frame, double now) {
    const quint8 mode = quint8(frame[2]);
    if (mode == 8 || mode == 9) return framed(QByteArray(1, char(m_id)) + char(0x56) + char(mode));
    if (mode != 1) return {};
    if (m_start < 0) m_start = now;
    ++m_frames;
    return framed(QByteArray(1, char(m_id)) + char(0x95) + char(0x01) + data(sample(now - m_start)));
}

QByteArray SimulatedEcu::receive(const QByteArray& bytes, double now) {
    if (!m_buffer.isEmpty() && now - m_lastByte > kUnfinishedGap) m_buffer.clear();
    m_lastByte = now;
    m_buffer += bytes;
    QByteArray out;
    while (m_buffer.size() >= 2) {
        const int length = quint8(m_buffer[1]);
        // Not a frame for us (another module's, or noise): drop a byte and look again.
        if (quint8(m_buffer[0]) != m_id || length < 0x56 || length > 0x55 + 200) {
            m_buffer.remove(0, 1);
            continue;
        }
        const int total = length - 0x55 + 3;
        if (m_buffer.size() < total) break;
        const QByteArray frame = m_buffer.left(total);
        quint8 sum = 0;
        for (const char b : frame)
            sum = quint8(sum + quint8(b));
        if (sum != 0) {
            m_buffer.remove(0, 1);
            continue;
        }
        m_buffer.remove(0, total);
        out += answer(frame, now);
    }
    return out;
}

} // namespace korvel
