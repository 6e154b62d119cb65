#pragma once

#include "emulator/transfer_engine.h"
#include "romsim_process.h"

#include <QByteArray>
#include <QStringList>
#include <vector>

namespace korvel::soak {

enum class Operation { Download, Verify, Batch, Upload };
const char* operationName(Operation op);

// Everything one transfer run showed and returned, as a window would have seen it.
struct RunRecord {
    Operation op = Operation::Download;
    TransferResult result;
    QStringList messages; // message boxes, in order
    QStringList whats;    // lblWhat texts, in order
    qint64 done = 0;      // the last progress report
    qint64 total = 0;
    double seconds = 0;
    int range = 0;                  // image addresses the run covers (0 .. range - 1)
    std::vector<int> sentAddresses; // upload: the marked addresses, ascending
};

// How a failed run ended, read from its messages.
enum class Ending { Completed, WriteError, ReadErrors, TimeOut, PortError, OpenError, Other };
const char* endingName(Ending e);
Ending endingOf(const RunRecord& run);

// The messages and labels of a run against its outcome: the right message for the
// way it ended and nothing else. Returns what is wrong (empty when all is right).
QStringList judgeMessages(const RunRecord& run);

// The emulator's memory after the session against what the run claimed: every byte
// it confirmed holds the image, nothing it never reached was written, a verify
// reported every differing byte it read. `before` is the memory the session started
// with, `faults` what the emulator injected in the whole session.
QStringList judgeMemory(const RunRecord& run, const QByteArray& image, const QByteArray& before,
                        const QByteArray& after, const InjectedFaults& faults);

} // namespace korvel::soak
