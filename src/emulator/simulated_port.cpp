#include "simulated_port.h"

#include "core/wait.h"
#include "simulated_emulator.h"

#include <algorithm>

namespace korvel {

QByteArray SimulatedWire::sent() const {
    QByteArray all;
    for (const QByteArray& w : writes)
        all += w;
    return all;
}

bool SimulatedPort::vanished() const {
    return m_wire.vanishAfterWrites >= 0 &&
           static_cast<long>(m_wire.writes.size()) >= m_wire.vanishAfterWrites;
}

bool SimulatedPort::open(const QString& device, const QString& settings) {
    if (!m_wire.openError.isEmpty()) {
        m_error = QStringLiteral("Cannot open %1: %2").arg(device, m_wire.openError);
        return false;
    }
    m_open = true;
    m_error.clear();
    m_input.clear();
    ++m_wire.opens;
    m_wire.openings.push_back({device, settings});
    return true;
}

void SimulatedPort::close() {
    if (!m_open) return;
    m_open = false;
    m_input.clear();
    ++m_wire.closes;
}

bool SimulatedPort::write(const QByteArray& bytes) {
    if (!m_open || vanished()) {
        m_error = m_open ? QStringLiteral("Device disconnected") : QStringLiteral("Port not open");
        return false;
    }
    m_wire.writes.push_back(bytes);
    deliver(m_wire.device.receive(bytes, m_wire.clock.now));
    return true;
}

void SimulatedPort::deliver(const QByteArray& bytes) {
    double at = m_wire.clock.now + m_wire.latency;
    if (!bytes.isEmpty() && m_wire.strayEvery > 0 && ++m_wire.answers % m_wire.strayEvery == 0) {
        m_input.push_back({at, static_cast<char>(~bytes[0])});
        at += SimulatedWire::kByteTime;
    }
    for (const char c : bytes)
        m_input.push_back({at, c});
}

void SimulatedPort::runDevice() {
    deliver(m_wire.device.idle(m_wire.clock.now));
}

int SimulatedPort::readyCount() const {
    const auto firstLate = std::find_if(m_input.begin(), m_input.end(),
                                        [&](const Pending& p) { return p.at > m_wire.clock.now; });
    return static_cast<int>(firstLate - m_input.begin());
}

int SimulatedPort::bytesWaiting() {
    if (!m_open) return 0;
    if (vanished()) {
        m_error = QStringLiteral("Device disconnected");
        return -1;
    }
    runDevice();
    return readyCount();
}

int SimulatedPort::waitForInput(double maxSeconds) {
    const int now = bytesWaiting();
    if (now != 0) return now;
    // Move the clock to whichever comes first: the next answer byte, the device's
    // own deadline (a block ended by silence), or the end of the wait.
    double until = m_wire.clock.now + std::max(0.0, maxSeconds);
    if (!m_input.empty()) until = std::min(until, m_input.front().at);
    until = std::min(until, m_wire.device.deadline());
    m_wire.clock.now = std::max(m_wire.clock.now, until);
    return bytesWaiting();
}

QByteArray SimulatedPort::read(int maxBytes) {
    const int ready = bytesWaiting();
    const int n = (maxBytes <= 0) ? std::max(ready, 0) : std::min(std::max(ready, 0), maxBytes);
    QByteArray out;
    for (int k = 0; k < n; ++k) {
        out.append(m_input.front().byte);
        m_input.pop_front();
    }
    return out;
}

} // namespace korvel
