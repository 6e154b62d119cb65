#include "wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace korvel {

void WaitSeconds(double seconds, Ticker& ticker) {
    const double start = ticker.seconds();
    for (;;) {
        const double elapsed = ticker.seconds() - start;
        if (elapsed >= seconds) return;
        ticker.pump(seconds - elapsed);
    }
}

double EventLoopTicker::seconds() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

void EventLoopTicker::pump(double maxSeconds) {
    // Run the event loop until a timer ends the slice: events are handled as they
    // come and the thread sleeps in between instead of spinning.
    const int ms = std::clamp(static_cast<int>(maxSeconds * 1000.0), 0, 50);
    if (ms <= 0 || !QCoreApplication::instance()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
}

void ManualTicker::pump(double maxSeconds) {
    const double next = now + ((step > 0 && step < maxSeconds) ? step : maxSeconds);
    // Always move forward, even when the step is below the clock's resolution.
    now = next > now ? next : std::nextafter(now, now + 1);
    onPump();
}

} // namespace korvel
