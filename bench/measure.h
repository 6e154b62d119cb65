#pragma once

// The one timing helper every benchmark prints its figures with.

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace korvel::bench {

// Runs `work` `runs` times and prints the median and best time in milliseconds beside the budget.
inline void measure(const char* what, int runs, double budget, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-58s median %8.3f ms   best %8.3f ms   budget %6.1f ms   %s\n", what, ms[ms.size() / 2],
                ms[0], budget, ms[ms.size() / 2] <= budget ? "ok" : "OVER");
}

} // namespace korvel::bench
