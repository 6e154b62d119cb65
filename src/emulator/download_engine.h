#pragma once

#include "transfer_engine.h"

namespace korvel {

// Writes every image byte 0 .. BinSize - 17 into the emulator with the verified
// write over polled exchanges (the "Download File to ECU" window).
class DownloadEngine : public TransferEngine {
public:
    explicit DownloadEngine(const TransferContext& context) : TransferEngine(context) {}
    TransferResult run();
};

} // namespace korvel
