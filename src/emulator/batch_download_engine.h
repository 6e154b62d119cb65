#pragma once

#include "transfer_engine.h"

namespace korvel {

// Sends the image in blocks of 64 bytes, one "N" acknowledgement per block (the
// "Batch Download File to ECU" window). No byte is compared with an echo.
class BatchDownloadEngine : public TransferEngine {
public:
    static constexpr double kHeaderWait = 0.05; // s between a block's header and its data
    static constexpr double kAckTimeout = 2.0;  // s from the end of a block to its "N"

    explicit BatchDownloadEngine(const TransferContext& context) : TransferEngine(context) {}
    TransferResult run();

private:
    enum class Ack { Received, TimedOut, PortFailed };
    // Reads everything waiting, again and again, until one read is exactly "N";
    // anything else is thrown away. Gives up kAckTimeout after the call, whatever
    // arrives meanwhile.
    Ack waitForAck();
};

} // namespace korvel
