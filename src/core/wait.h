#pragma once

namespace korvel {

// A clock and an event pump. Waits measure time with seconds() (monotonic, so a wait
// across midnight ends) and keep the windows alive with pump(). Tests replace it.
class Ticker {
public:
    virtual ~Ticker() = default;
    // Seconds on a monotonic clock.
    virtual double seconds() = 0;
    // Processes pending events for at most maxSeconds; may return earlier.
    virtual void pump(double maxSeconds) = 0;
};

// Returns after at least `seconds` have passed on the ticker's clock, pumping events meanwhile.
void WaitSeconds(double seconds, Ticker& ticker);

// The real ticker: a monotonic clock and the Qt event loop of the calling thread.
class EventLoopTicker : public Ticker {
public:
    double seconds() override;
    void pump(double maxSeconds) override;
};

// A clock that only moves when pumped; for tests. Each pump advances it by the
// requested time (or by `step` when that is smaller and positive) and runs onPump.
class ManualTicker : public Ticker {
public:
    double now = 0;
    double step = 0;
    double seconds() override { return now; }
    void pump(double maxSeconds) override;
    virtual void onPump() {}
};

} // namespace korvel
