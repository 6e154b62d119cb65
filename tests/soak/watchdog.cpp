#include "watchdog.h"

#include <cstdio>
#include <cstdlib>

namespace korvel::soak {

Watchdog::Watchdog(std::function<std::string()> report)
    : m_report(std::move(report)), m_thread([this] { watch(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void Watchdog::arm(double seconds) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(seconds));
        m_armed = true;
    }
    m_changed.notify_all();
}

void Watchdog::disarm() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_armed = false;
}

void Watchdog::watch() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        if (!m_armed) {
            m_changed.wait(lock);
            continue;
        }
        if (m_changed.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed &&
            std::chrono::steady_clock::now() >= m_deadline) {
            // The report is built on this thread while the stuck one holds no lock of ours.
            const std::string report = m_report();
            std::fprintf(stderr, "soak: a step ran past its time\n%s\n", report.c_str());
            std::fflush(stderr);
            std::_Exit(1);
        }
    }
}

} // namespace korvel::soak
