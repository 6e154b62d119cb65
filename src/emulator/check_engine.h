#pragma once

#include "transfer_engine.h"

namespace korvel {

// Sends the emulator's check command "C" and shows the first character of its
// answer (the "Check Download" window). The answer is complete as soon as one
// character has arrived; without one within EmulatorLink::kReplyTimeout the run
// ends with the time-out message.
class CheckEngine : public TransferEngine {
public:
    explicit CheckEngine(const TransferContext& context) : TransferEngine(context) {}
    TransferResult run();
};

} // namespace korvel
