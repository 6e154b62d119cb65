#include "line_settler.h"

#include "core/wait.h"
#include "serial_port.h"

#include <algorithm>

namespace korvel {

void LineSettler::doubt(double now) {
    if (!m_inDoubt) m_since = now;
    m_inDoubt = true;
    m_lastByte = std::max(m_lastByte, now);
}

bool LineSettler::settle(SerialPort& port, Ticker& clock, double budget) {
    if (!m_inDoubt) return true;
    const double until = clock.seconds() + std::max(0.0, budget);
    for (;;) {
        const double giveUp = m_since + kSettleLimit;
        const double quietAt = std::min(m_lastByte + kQuietGap, giveUp);
        const int waiting = port.waitForInput(std::max(0.0, std::min(quietAt, until) - clock.seconds()));
        const double now = clock.seconds();
        if (waiting < 0) break;
        if (waiting > 0) {
            port.read(0);
            m_lastByte = now;
            if (now < giveUp) continue;
            break;
        }
        if (now >= quietAt) break;
        if (now >= until) return false;
    }
    m_inDoubt = false;
    return true;
}

} // namespace korvel
