#pragma once

#include "transfer_engine.h"

namespace korvel {

// Sends every byte recorded in PendingChanges (addresses 0 .. BinSize - 17,
// ascending) with one "W" frame each, using the fixed-wait exchange and the
// verified write when `verify` (the editor's "Verify Upload" box) is set. Runs in
// the editor: no cancel, no "Close"; PendingChanges is left as it is.
class UploadChanges : public TransferEngine {
public:
    explicit UploadChanges(const TransferContext& context) : TransferEngine(context) {
        m_endsWithClose = false;
    }
    TransferResult Upload_Changes(bool verify);
};

} // namespace korvel
