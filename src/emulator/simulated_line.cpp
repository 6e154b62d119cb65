#include "simulated_line.h"

#include "core/wait.h"

#include <algorithm>

namespace korvel {

bool SimulatedLinePort::open(const QString&, const QString& settings) {
    m_open = true;
    m_settings = settings;
    m_input.clear();
    m_error.clear();
    return true;
}

void SimulatedLinePort::close() {
    m_open = false;
    m_input.clear();
}

void SimulatedLinePort::queue(const QByteArray& bytes, double start) {
    // The line carries one byte at a time: nothing overtakes what is already on it.
    double at = std::max(start, m_input.empty() ? start : m_input.back().at);
    for (const char c : bytes) {
        at += m_line.byteTime;
        m_input.push_back({at, c});
    }
}

bool SimulatedLinePort::write(const QByteArray& bytes) {
    if (!m_open || m_line.failed) {
        m_error = m_open ? QStringLiteral("Device disconnected") : QStringLiteral("Port not open");
        return false;
    }
    m_line.writes.push_back(bytes);
    const double now = m_line.clock.now;
    if (m_line.echo) queue(bytes, now);
    const double end = now + double(bytes.size()) * m_line.byteTime;
    queue(m_line.device.receive(bytes, end), end + m_line.latency);
    return true;
}

int SimulatedLinePort::readyCount() const {
    const auto late = std::find_if(m_input.begin(), m_input.end(),
                                   [&](const Pending& p) { return p.at > m_line.clock.now; });
    return int(late - m_input.begin());
}

int SimulatedLinePort::bytesWaiting() {
    if (!m_open) return 0;
    if (m_line.failed) {
        m_error = QStringLiteral("Device disconnected");
        return -1;
    }
    return readyCount();
}

int SimulatedLinePort::waitForInput(double maxSeconds) {
    const int now = bytesWaiting();
    if (now != 0) return now;
    double until = m_line.clock.now + std::max(0.0, maxSeconds);
    if (!m_input.empty()) until = std::min(until, m_input.front().at);
    m_line.clock.now = std::max(m_line.clock.now, until);
    return bytesWaiting();
}

QByteArray SimulatedLinePort::read(int maxBytes) {
    const int ready = std::max(bytesWaiting(), 0);
    const int n = maxBytes <= 0 ? ready : std::min(ready, maxBytes);
    QByteArray out;
    for (int k = 0; k < n; ++k) {
        out.append(m_input.front().byte);
        m_input.pop_front();
    }
    return out;
}

} // namespace korvel
