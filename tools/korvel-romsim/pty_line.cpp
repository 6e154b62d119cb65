#include "pty_line.h"

#include "pty_emulator.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace korvel {

PtyLine::~PtyLine() {
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
}

bool PtyLine::start(QString& error) {
    const auto fail = [&](const char* what) {
        error = QStringLiteral("%1: %2").arg(what, strerror(errno));
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("cannot create a pseudo-terminal");
    const char* name = ptsname(m_master);
    if (!name) return fail("cannot name the pseudo-terminal");
    m_path = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    termios tio{};
    if (m_slave < 0 || tcgetattr(m_slave, &tio) != 0) return fail("cannot open the pseudo-terminal");
    cfmakeraw(&tio);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0) return fail("cannot set raw mode");
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

void PtyLine::queue(const QByteArray& bytes, double at) {
    for (const char c : bytes) {
        m_outClock = std::max(m_outClock, at) + m_byteSeconds;
        m_out.push_back({m_outClock, c});
    }
}

void PtyLine::takeInput(double now) {
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) return;
        for (ssize_t k = 0; k < n; ++k) {
            const double taken = std::max(m_inClock, now) + m_byteSeconds;
            m_inClock = taken;
            // The echo leaves as the byte arrives; the answer waits for the device.
            m_out.push_back({taken, buffer[k]});
            m_outClock = std::max(m_outClock, taken);
            queue(m_device.receive(QByteArray(1, buffer[k]), taken), taken + kLatency);
        }
    }
}

void PtyLine::flushDue(double now) {
    QByteArray chunk;
    while (!m_out.empty() && m_out.front().due <= now) {
        chunk.append(m_out.front().byte);
        m_out.pop_front();
    }
    qsizetype done = 0;
    while (done < chunk.size()) {
        const ssize_t n = ::write(m_master, chunk.constData() + done, size_t(chunk.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return; // nobody can take it: drop
        pollfd out{m_master, POLLOUT, 0};
        ::poll(&out, 1, 10);
    }
}

void PtyLine::serve(const volatile std::sig_atomic_t& stop) {
    while (!stop) {
        const double now = monotonicSeconds();
        flushDue(now);
        // Byte times are over a millisecond: waking at millisecond resolution keeps the pace.
        int timeoutMs = 100;
        if (!m_out.empty()) timeoutMs = std::clamp(int((m_out.front().due - now) * 1000), 0, 100);
        pollfd in{m_master, POLLIN, 0};
        if (::poll(&in, 1, timeoutMs) > 0 && (in.revents & POLLIN)) takeInput(monotonicSeconds());
    }
}

} // namespace korvel
