#pragma once

// The timing helpers every benchmark prints its figures with, and the file helper of those that
// open windows on files.

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
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

// The processor time this process has used, in milliseconds (all its threads).
inline double processorMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Writes `bytes` to `name` in `dir` and returns its path.
inline QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return f.fileName();
}

} // namespace korvel::bench
