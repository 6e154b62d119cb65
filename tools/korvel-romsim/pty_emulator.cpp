#include "pty_emulator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace korvel {

namespace {
// Below this much time to a deadline the loop spins instead of sleeping: a sleep
// wakes up tens of microseconds late, a large share of one byte's wire time.
constexpr double kSpinSeconds = 150e-6;

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(what, strerror(errno));
}
} // namespace

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

PtyEmulator::~PtyEmulator() {
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
}

bool PtyEmulator::start(QString& error) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        error = systemError("cannot create a pseudo-terminal");
        return false;
    }
    const char* name = ptsname(m_master);
    if (!name) {
        error = systemError("cannot name the pseudo-terminal");
        return false;
    }
    m_path = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        error = systemError("cannot open the pseudo-terminal");
        return false;
    }
    // Raw: no echo of the client's bytes back to it, no line editing, no CR/LF mapping.
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0) {
        error = systemError("cannot read the terminal settings");
        return false;
    }
    cfmakeraw(&tio);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0) {
        error = systemError("cannot set raw mode");
        return false;
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Sleeps end as close to their deadline as the kernel allows.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    return true;
}

void PtyEmulator::queue(const QByteArray& answer, double at) {
    QByteArray bytes = answer;
    if (!bytes.isEmpty() && m_garbageEvery > 0 && ++m_answers % m_garbageEvery == 0) {
        bytes.prepend(static_cast<char>(~bytes[0]));
        ++m_garbageSent;
    }
    for (const char c : bytes) {
        m_outClock = m_byteSeconds > 0 ? std::max(m_outClock, at) + m_byteSeconds : at;
        m_out.push_back({m_outClock, c});
    }
}

void PtyEmulator::takeInput(double now) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) return; // EAGAIN: all taken
        for (ssize_t k = 0; k < n; ++k) {
            // The byte is on the device once its own 10 bits have crossed the line.
            const double taken = m_byteSeconds > 0 ? std::max(m_inClock, now) + m_byteSeconds : now;
            m_inClock = taken;
            QByteArray answer;
            {
                std::unique_lock<std::mutex> hold =
                    m_lock ? std::unique_lock(*m_lock) : std::unique_lock<std::mutex>();
                answer = m_device.receive(QByteArray(1, buffer[k]), taken);
            }
            queue(answer, taken);
        }
    }
}

void PtyEmulator::flushDue(double now) {
    QByteArray chunk;
    while (!m_out.empty() && m_out.front().due <= now) {
        chunk.append(m_out.front().byte);
        m_out.pop_front();
    }
    qsizetype done = 0;
    while (done < chunk.size()) {
        const ssize_t n =
            ::write(m_master, chunk.constData() + done, static_cast<size_t>(chunk.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return; // nobody can take it: drop
        pollfd out{m_master, POLLOUT, 0};
        ::poll(&out, 1, 10);
    }
}

void PtyEmulator::serve(const volatile std::sig_atomic_t& stop) {
    while (!stop) {
        double now = monotonicSeconds();
        {
            std::unique_lock<std::mutex> hold =
                m_lock ? std::unique_lock(*m_lock) : std::unique_lock<std::mutex>();
            queue(m_device.idle(now), now);
        }
        flushDue(now);
        double next = m_device.deadline();
        if (!m_out.empty()) next = std::min(next, m_out.front().due);
        const double wait = next - now;
        pollfd in{m_master, POLLIN, 0};
        int timeoutMs = -1;
        if (wait <= kSpinSeconds) {
            timeoutMs = 0;
        } else if (std::isfinite(wait)) {
            timeoutMs = 0;
            timespec ts{};
            const double sleep = wait - kSpinSeconds;
            ts.tv_sec = static_cast<time_t>(sleep);
            ts.tv_nsec = static_cast<long>((sleep - static_cast<double>(ts.tv_sec)) * 1e9);
            // ppoll sleeps with nanosecond resolution; a signal ends it at once.
            if (ppoll(&in, 1, &ts, nullptr) > 0 && (in.revents & POLLIN)) takeInput(monotonicSeconds());
            continue;
        }
        if (::poll(&in, 1, timeoutMs) > 0 && (in.revents & POLLIN)) takeInput(monotonicSeconds());
    }
}

} // namespace korvel
