#include "soak_tally.h"

#include <algorithm>
#include <cstdio>

namespace korvel::soak {

void Tally::addRun(const RunRecord& run) {
    endings[run.op][endingOf(run)]++;
    slowest[run.op] = std::max(slowest[run.op], run.seconds);
    resends[run.op] += run.result.resends;
    readErrors[run.op] += run.result.errors;
}

void Tally::addPlan(bool drop, bool corrupt, bool garbage) {
    plannedDrop += drop;
    plannedCorrupt += corrupt;
    plannedGarbage += garbage;
}

void Tally::addFaults(const InjectedFaults& f) {
    injected.dropped += f.dropped;
    injected.corrupted += f.corrupted;
    injected.garbage += f.garbage;
}

void Tally::print(quint64 seed) const {
    int runs = 0;
    for (const auto& [op, byEnding] : endings)
        for (const auto& [e, n] : byEnding)
            runs += n;
    std::printf("soak: seed %llu, %d sessions, %d runs in %.1f s\n", static_cast<unsigned long long>(seed),
                sessions, runs, seconds);
    for (const auto& [op, byEnding] : endings) {
        std::printf("  %-8s", operationName(op));
        for (const auto& [e, n] : byEnding)
            std::printf("  %s %d", endingName(e), n);
        std::printf("  | re-sends %lld, read errors %lld, slowest %.2f s\n",
                    static_cast<long long>(resends.count(op) ? resends.at(op) : 0),
                    static_cast<long long>(readErrors.count(op) ? readErrors.at(op) : 0),
                    slowest.count(op) ? slowest.at(op) : 0.0);
    }
    std::printf("  faults planned (sessions): dropped replies %d, corrupted echoes %d, stray bytes %d\n",
                plannedDrop, plannedCorrupt, plannedGarbage);
    std::printf(
        "  faults injected (counted by the emulator, sessions it survived): dropped %ld, corrupted %ld, "
        "stray bytes %ld\n",
        injected.dropped, injected.corrupted, injected.garbage);
    std::printf("  devices killed mid-session %d, runs then:", kills);
    for (const auto& [e, n] : afterKill)
        std::printf(" %s %d", endingName(e), n);
    std::printf("; came back %d\n", comebacks);
    std::printf("  problems %lld\n", static_cast<long long>(problems.size()));
    std::fflush(stdout);
}

} // namespace korvel::soak
