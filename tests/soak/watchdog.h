#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace korvel::soak {

// Ends the process with a report when one step of the soak runs past its time: a
// hung run then still prints its seed and what it was doing, instead of being
// killed silently by the test runner's time-out.
class Watchdog {
public:
    explicit Watchdog(std::function<std::string()> report);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The step now starting must end within `seconds`.
    void arm(double seconds);
    void disarm();

private:
    void watch();

    std::function<std::string()> m_report;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_armed = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace korvel::soak
