#pragma once

#include "transfer_engine.h"

namespace korvel {

// Reads every image address 0 .. BinSize - 17 back from the emulator and compares
// it with the image (the "Verify Download" window). Each mismatch is reported; the
// run stops once 30 addresses before the current one differed.
class VerifyEngine : public TransferEngine {
public:
    static constexpr int kErrorLimit = 30;

    explicit VerifyEngine(const TransferContext& context) : TransferEngine(context) {}
    TransferResult run();
};

} // namespace korvel
