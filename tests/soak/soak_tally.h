#pragma once

#include "romsim_process.h"
#include "run_judge.h"

#include <QStringList>
#include <map>

namespace korvel::soak {

// The soak's figures: runs by operation and ending, faults planned and injected,
// vanished devices and their return, and every problem found.
struct Tally {
    void addRun(const RunRecord& run);
    void addPlan(bool drop, bool corrupt, bool garbage);
    void addFaults(const InjectedFaults& f);
    // Prints the figures to stdout.
    void print(quint64 seed) const;

    int sessions = 0;
    int kills = 0;     // devices killed in mid-session
    int comebacks = 0; // sessions repeated on a new device after a kill
    double seconds = 0;
    std::map<Operation, std::map<Ending, int>> endings;
    std::map<Operation, double> slowest; // s
    std::map<Operation, qint64> resends, readErrors;
    std::map<Ending, int> afterKill;
    int plannedDrop = 0, plannedCorrupt = 0, plannedGarbage = 0;
    InjectedFaults injected;
    QStringList problems;
};

} // namespace korvel::soak
